// One page model: for generated reports, preview page N holds the text of
// printed page N, and every line of the report is on exactly one page.
#include "analysis/indice.h"
#include "analysis/medicao.h"
#include "comum/apoio.h"
#include "preview/visualizacao.h"
#include "print/superficie_impressora.h"
#include "print/trabalho.h"
#include "comum/superficie_gravacao.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

// Numbered lines "L0001" ... as a report writes them, CR LF at their ends.
QByteArray linhas(int de, int ate, const QByteArray& fim = "\r\n")
{
    QByteArray d;
    for (int i = de; i <= ate; ++i)
        d += "L" + QByteArray::number(i).rightJustified(4, '0') + fim;
    return d;
}

struct Relatorio {
    const char* nome;
    QByteArray dados;
    int margem_mm;
};
void PrintTo(const Relatorio& r, std::ostream* os) { *os << r.nome; }

QByteArray paginas_com(const QByteArray& fim_de_pagina)
{
    QByteArray d;
    for (int p = 0; p < 5; ++p)
        d += linhas(p * 30 + 1, p * 30 + 30) + fim_de_pagina;
    return d;
}

QByteArray saltos_y()
{
    // A heading on line 3, the lines, then a jump below the page.
    QByteArray d;
    for (int p = 0; p < 4; ++p)
        d += esc("Y3,") + linhas(p * 40 + 1, p * 40 + 40) + esc("Y999,");
    return d;
}

QByteArray mudancas()
{
    // The line height and the page length change from page to page.
    return esc("A30,") + linhas(1, 40) + esc("7300,") + linhas(41, 90) + esc("A40,") + linhas(91, 160)
        + esc("7180,") + esc("8100,") + linhas(161, 300);
}

QByteArray barras()
{
    // Barcodes an inch tall after every line: the one that reaches below
    // the page ends it.
    QByteArray d;
    for (int i = 1; i <= 40; ++i)
        d += linhas(i, i) + esc("Z1,300,2,1234,") + "\r\n";
    return d;
}

class PaginasIguais : public ::testing::TestWithParam<Relatorio> {};

// The words of each preview page, from the recording surface.
QList<QStringList> paginas_da_visualizacao(Documento& doc, Metricas& m, Superficie& impressora,
                                           int margem, IndicePaginas& indice)
{
    EstadoVisualizacao vis;
    vis.margem_superior_texto = QString::number(margem);
    SuperficieGravacao tela(96);
    Observador nada;
    Corrida corrida;
    iniciar_visualizacao(doc, m, indice, vis, impressora, tela, nada);
    QList<QStringList> paginas;
    static const QRegularExpression texto(QStringLiteral("^Print \"(.*)\" [-\\d.]+,([-\\d.]+) "));
    for (std::int32_t p = 1; p <= indice.total_paginas; ++p) {
        vis.pagina_atual = p;
        tela.registro.clear();
        EXPECT_TRUE(visualizar(doc, indice, vis, m, corrida, tela, nada));
        QStringList palavras;
        for (const QString& l : tela.registro) {
            const auto r = texto.match(l);
            if (!r.hasMatch())
                continue;
            palavras += r.captured(1).split(u' ', Qt::SkipEmptyParts);
        }
        paginas << palavras;
    }
    return paginas;
}

TEST_P(PaginasIguais, PaginaDaVisualizacaoEPaginaImpressa)
{
    const Relatorio& r = GetParam();
    const QString nome = QString::fromLatin1(r.nome);
    Documento doc;
    doc.nome_arquivo = gravar(nome + QStringLiteral(".spl"), r.dados + ".");
    doc.tamanho_arquivo = r.dados.size() + 1;
    Metricas m;
    SuperficieImpressora impressora(impressora_pdf);
    Observador nada;
    OpcoesMedicao opcoes;
    opcoes.manter_impressora = true;
    medir_relatorio(doc, m, impressora, nada, nullptr, opcoes);

    // Previewed first, then printed, as a user does.
    IndicePaginas indice;
    const QList<QStringList> vistas = paginas_da_visualizacao(doc, m, impressora, r.margem_mm, indice);

    const QString pdf = pasta_temporaria() + u'/' + nome + QStringLiteral(".pdf");
    impressora.setArquivoSaida(pdf);
    PedidoImpressao pedido;
    pedido.margens.superior = r.margem_mm;
    ASSERT_EQ(imprimir_relatorio({doc, m, impressora}, pedido, nada).fim, FimTrabalho::Impresso);
    QList<QStringList> impressas(paginas_pdf(pdf));
    for (const Palavra& p : palavras_pdf(pdf))
        impressas[p.pagina - 1] << p.texto;

    ASSERT_EQ(vistas.size(), impressas.size());
    QStringList todas;
    for (qsizetype p = 0; p < vistas.size(); ++p) {
        EXPECT_EQ(vistas[p], impressas[p]) << "página " << p + 1;
        todas += vistas[p];
    }
    // Every line once, in order.
    QStringList esperadas;
    static const QRegularExpression linha(QStringLiteral("L\\d{4}"));
    for (auto it = linha.globalMatch(QString::fromLatin1(r.dados)); it.hasNext();)
        esperadas << it.next().captured();
    EXPECT_EQ(todas, esperadas);
    EXPECT_GT(vistas.size(), 1);

    // A range holds the same pages as the whole print.
    medir_relatorio(doc, m, impressora, nada, nullptr, opcoes);
    const QString parte = pasta_temporaria() + u'/' + nome + QStringLiteral("_parte.pdf");
    impressora.setArquivoSaida(parte);
    pedido.todas = false;
    pedido.paginas = {2, static_cast<double>(impressas.size())};
    ASSERT_EQ(imprimir_relatorio({doc, m, impressora}, pedido, nada).fim, FimTrabalho::Impresso);
    QList<QStringList> do_intervalo(paginas_pdf(parte));
    for (const Palavra& p : palavras_pdf(parte))
        do_intervalo[p.pagina - 1] << p.texto;
    EXPECT_EQ(do_intervalo, impressas.mid(1));
}

INSTANTIATE_TEST_SUITE_P(
    Paginas, PaginasIguais,
    ::testing::Values(Relatorio{"linhas", linhas(1, 200), 0}, Relatorio{"linhas_margem", linhas(1, 200), 10},
                      Relatorio{"esc_7_8", esc("7240,") + esc("8100,") + linhas(1, 240), 10},
                      Relatorio{"esc_a", esc("A22,") + linhas(1, 100), 0},
                      Relatorio{"esc_a_margem", esc("A22,") + linhas(1, 100), 10},
                      Relatorio{"avanco_de_pagina", paginas_com("\f"), 10},
                      Relatorio{"esc_9", paginas_com(esc("9")), 0},
                      Relatorio{"esc_y", saltos_y(), 10},
                      Relatorio{"mudancas", mudancas(), 10}, Relatorio{"barras", barras(), 10},
                      // A page length set in mid-page, on the first page and on a later one.
                      Relatorio{"esc_a_no_meio", linhas(1, 40) + esc("A11,") + linhas(41, 200), 0},
                      Relatorio{"esc_a_no_meio_depois", linhas(1, 90) + esc("A20,") + linhas(91, 200), 10},
                      // Blank pages, made by line feeds and by form feeds, at
                      // the start, in between and at the end.
                      Relatorio{"avancos_de_linha", linhas(1, 2) + QByteArray(150, '\n'), 0},
                      Relatorio{"so_avancos_de_pagina", "\f\f\f", 0},
                      Relatorio{"paginas_em_branco", "\f\f" + linhas(1, 10) + "\f\f" + linhas(11, 12) + "\f\f\f", 0},
                      Relatorio{"trator", registro_impressora("Arquivo PDF", 1, 9, bandeja_trator) + linhas(1, 200), 0}),
    nome_do_caso);

TEST(PaginasIguais, ComandoPaginasListaAsPaginasImpressas)
{
    const QString arq = gravar(QStringLiteral("formulario.spl"), esc("A22,") + linhas(1, 100) + ".");
    const QString pdf = pasta_temporaria() + QStringLiteral("/formulario.pdf");
    const Resultado r = executar(cli(), {QStringLiteral("paginas"), arq, QStringLiteral("--pdf")});
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    ASSERT_EQ(executar(cli(), {QStringLiteral("imprimir"), arq, QStringLiteral("--pdf"), pdf}).codigo, 0);
    EXPECT_EQ(r.saida.split(u'\n', Qt::SkipEmptyParts).size(), paginas_pdf(pdf)) << r.saida.toStdString();
    EXPECT_GE(paginas_pdf(pdf), 6);
}

TEST(Fidelidade, CopiasComComprimentoDePagina)
{
    // A page length set in mid-report lasts to the end of its copy: the
    // next copy begins on the paper again and has the same pages.
    const QString arq = gravar(QStringLiteral("copias_esc_a.spl"), linhas(1, 40) + esc("A11,") + linhas(41, 200) + ".");
    const QString uma = pasta_temporaria() + QStringLiteral("/copias_1.pdf");
    const QString duas = pasta_temporaria() + QStringLiteral("/copias_2.pdf");
    ASSERT_EQ(executar(cli(), {QStringLiteral("imprimir"), arq, QStringLiteral("--pdf"), uma}).codigo, 0);
    ASSERT_EQ(executar(cli(), {QStringLiteral("imprimir"), arq, QStringLiteral("--pdf"), duas, QStringLiteral("--copias"),
                               QStringLiteral("2")}).codigo, 0);
    EXPECT_EQ(paginas_pdf(duas), 2 * paginas_pdf(uma));
}

} // namespace
