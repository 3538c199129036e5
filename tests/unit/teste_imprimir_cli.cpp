// papelada-cli imprimir from end to end: real PDF files checked with poppler
// (pages, words and where they stand), the refusals the window gives, and a
// CUPS queue of a private scheduler. What the pages hold (text, pictures,
// barcodes) is proved by the print and PDF tests.
#include "comum/apoio.h"
#include "comum/cups_privado.h"
#include "comum/gravador.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace papelada::teste;

namespace {

// Where each word of the PDF stands: word@page, then ",x,y" in points
// rounded down to multiples of 2 where the case asks for positions.
TEST(ImprimirCli, PaginasCopiasEMargens)
{
    const QByteArray cinco = "P1\fP2\fP3\fP4\fP5\f\x1a";
    const QByteArray posto = esc("y1000;") + esc("x2000;Total\f") + "Segunda\f\x1a";
    struct {
        const char* nome;
        QByteArray bytes;
        QStringList opcoes;
        const char* palavras;
    } casos[] = {
        {"selecao", cinco, {"--paginas", "2-3"}, "P2@1 P3@2"},
        // A report that ends in a form feed and one more byte: a blank page
        // between the copies.
        {"copias", "P1\fP2\f\x1a", {"--copias", "3"}, "P1@1 P2@2 P1@4 P2@5 P1@7 P2@8"},
        // Selected pages over two copies: none between them.
        {"selecao2", cinco, {"--paginas", "4-5", "--copias", "2"}, "P4@1 P5@2 P4@3 P5@4"},
        // Margins in twips: Int(mm x -1440 / 25.4), negated; a fresh store
        // holds 10 mm for both.
        {"margens_guardadas", posto, {}, "Total@1,128,78 Segunda@2,28,"},
        {"margens_dadas", posto, {"--margens", "20,15"}, "Total@1,156,92 Segunda@2,56,"},
        {"margens_zero", posto, {"--margens", "0,0"}, "Total@1,100,50 Segunda@2,0,"},
    };
    for (const auto& c : casos) {
        const QString spl = gravar(QStringLiteral("%1.spl").arg(c.nome), c.bytes);
        const QString pdf = pasta_temporaria() + QStringLiteral("/%1.pdf").arg(c.nome);
        const Resultado r = executar(cli(), QStringList{QStringLiteral("imprimir"), spl, QStringLiteral("--pdf"), pdf} + c.opcoes);
        ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
        QStringList palavras;
        for (const Palavra& p : palavras_pdf(pdf)) {
            palavras << p.texto + u'@' + QString::number(p.pagina);
            if (c.bytes == posto) // ±1 point, as the reader places words
                palavras.back() += QStringLiteral(",%1,%2").arg(int(p.x_min + 1) / 2 * 2).arg(p.pagina == 1 ? QString::number(int(p.y_min + 1) / 2 * 2) : QString());
        }
        EXPECT_EQ(palavras.join(u' '), QString::fromLatin1(c.palavras)) << c.nome;
        EXPECT_EQ(r.saida, QStringLiteral("%1 página(s) gravada(s) em %2.\n").arg(paginas_pdf(pdf)).arg(pdf));
    }
}

// The refusals the window gives, from every command that takes the field:
// margins from imprimir, visualizar, paginas and medir, copies and pages
// from imprimir.
TEST(ImprimirCli, RecusasComoAJanela)
{
    const QString spl = gravar(QStringLiteral("tres.spl"), "P1\fP2\fP3\f\x1a");
    const QString saida = pasta_temporaria() + QStringLiteral("/recusado");
    int lidos = 0;
    for (const QByteArray& linha : ler(dir_fonte() + QStringLiteral("/tests/casos/recusas.txt")).split('\n')) {
        const QStringList c = QString::fromUtf8(linha).split(u'\t');
        if (c.size() != 3 || c[0].startsWith(u'#'))
            continue;
        ++lidos;
        // The window's fields: Text1-Text2 pages, Text3 copies, Text5,Text4 margins.
        QMap<QString, QString> campo{{QStringLiteral("Text4"), QStringLiteral("0")}, {QStringLiteral("Text5"), QStringLiteral("0")}};
        for (const QString& t : c[0].split(u' '))
            campo[t.section(u'=', 0, 0)] = t.section(u'=', 1);
        QStringList opcoes{QStringLiteral("--margens"), campo[QStringLiteral("Text5")] + u',' + campo[QStringLiteral("Text4")]};
        QList<QStringList> chamadas{{QStringLiteral("imprimir"), spl, QStringLiteral("--pdf"), saida + QStringLiteral(".pdf")}};
        if (campo.contains(QStringLiteral("Text3")))
            opcoes << QStringLiteral("--copias") << campo[QStringLiteral("Text3")];
        else if (campo.contains(QStringLiteral("Text1")))
            opcoes << QStringLiteral("--paginas") << campo[QStringLiteral("Text1")] + u'-' + campo.value(QStringLiteral("Text2"), campo[QStringLiteral("Text1")]);
        else
            chamadas << QStringList{QStringLiteral("visualizar"), QStringLiteral("--pdf"), spl, QStringLiteral("1"), saida + QStringLiteral(".png")}
                     << QStringList{QStringLiteral("paginas"), QStringLiteral("--pdf"), spl}
                     << QStringList{QStringLiteral("medir"), QStringLiteral("--pdf"), spl};
        for (const QStringList& chamada : chamadas) {
            const Resultado r = executar(cli(), chamada + opcoes);
            EXPECT_EQ(r.codigo, 1) << (chamada + opcoes).join(u' ').toStdString();
            EXPECT_TRUE(r.erros.contains(c[1])) << r.erros.toStdString();
            EXPECT_TRUE(r.saida.isEmpty()) << r.saida.toStdString();
        }
    }
    EXPECT_GT(lidos, 10);
    EXPECT_FALSE(QFileInfo::exists(saida + QStringLiteral(".pdf")));
    EXPECT_FALSE(QFileInfo::exists(saida + QStringLiteral(".png")));
}

// Through a queue of a private scheduler.
using ImprimirCliCups = TesteComCups;

TEST_F(ImprimirCliCups, FilaDoCups)
{
    const QString saida = cups.saida(QStringLiteral("amostra.pdf"));
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("Papelada_Amostra"), saida));
    const QString spl = dir_fonte() + QStringLiteral("/samples/relatorio_vendas.spl");
    const Resultado r = executar(cli(), {QStringLiteral("imprimir"), spl, QStringLiteral("--impressora"),
                                         QStringLiteral("Papelada_Amostra"), QStringLiteral("--paginas"), QStringLiteral("2-3")});
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    ASSERT_TRUE(cups.esperar_pdf(saida));
    EXPECT_EQ(paginas_pdf(saida), 2);
    QStringList primeira;
    for (const Palavra& p : palavras_pdf(saida))
        if (p.pagina == 1)
            primeira << p.texto;
    EXPECT_TRUE(primeira.join(u' ').contains(QStringLiteral("Página 2 de 3"))) << primeira.join(u' ').toStdString();
}

TEST_F(ImprimirCliCups, RegistroDaImpressoraEscolheAFila)
{
    const QString saida = cups.saida(QStringLiteral("registro.pdf"));
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("Papelada_D"), saida));
    // The report's printer record: the queue, portrait (1), A4 (9), paper
    // source 7 (not the tractor).
    const QString spl = gravar(QStringLiteral("registro.spl"), registro_impressora("Papelada_D", 1, 9, 7) + "Pela fila\fDois\n\x1a");
    // No printer on the command line: the report's record chooses the queue.
    const Resultado r = executar(cli(), {QStringLiteral("imprimir"), spl});
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    EXPECT_TRUE(r.saida.contains(QStringLiteral("Papelada_D"))) << r.saida.toStdString();
    ASSERT_TRUE(cups.esperar_pdf(saida));
    EXPECT_EQ(paginas_pdf(saida), 2);
    // A printer named on the command line wins over the record.
    const QString pdf = pasta_temporaria() + QStringLiteral("/registro.pdf");
    const Resultado s = executar(cli(), {QStringLiteral("imprimir"), spl, QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(s.codigo, 0) << s.erros.toStdString();
    EXPECT_EQ(paginas_pdf(pdf), 2);
}

} // namespace
