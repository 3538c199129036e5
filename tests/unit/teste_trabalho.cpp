// The print job: copies, the page between copies, selected pages over
// several copies, interruption, margins, a file that has gone, and a printer
// that refuses the document.
#include "comum/apoio.h"
#include "comum/gravador.h"
#include "print/superficie_impressora.h"
#include "print/trabalho.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

// A job on the recording surface.
struct Trabalho : ImpressoraGravada {
    PedidoImpressao pedido;
    ResultadoTrabalho resultado;

    Trabalho() { pedido.encerrar_apos = true; } // no measurement afterwards

    QString rodar(const QByteArray& bytes, const QString& nome = QStringLiteral("trabalho.spl"))
    {
        doc.nome_arquivo = gravar(nome, bytes);
        doc.tamanho_arquivo = bytes.size();
        resultado = Command1_Click(doc, m, sup, pedido, obs);
        return resumo(sup.registro);
    }
};

TEST(Trabalho, Copias)
{
    struct {
        const char* copias;
        const char* esperado;
    } casos[] = {
        {"", "A@0,480 | EndDoc"},
        {"0", "A@0,480 | EndDoc"},
        {"abc", "A@0,480 | EndDoc"},
        {"2", "A@0,480 | NP | A@0,480 | EndDoc"},
        {"2.5", "A@0,480 | NP | A@0,480 | NP | A@0,480 | EndDoc"},
        {"2,5", "A@0,480 | NP | A@0,480 | EndDoc"},
    };
    for (const auto& c : casos) {
        Trabalho t;
        t.pedido.copias = QString::fromLatin1(c.copias);
        EXPECT_EQ(t.rodar("A\n."), QString::fromLatin1(c.esperado)) << c.copias;
        EXPECT_EQ(t.resultado.fim, FimTrabalho::Encerrar);
    }
}

TEST(Trabalho, PaginaEmBrancoEntreCopias)
{
    // After the form feed the pen stands at the top offset: NewPage once more.
    Trabalho t;
    t.pedido.copias = QStringLiteral("2");
    EXPECT_EQ(t.rodar("A\f\x1a"), QStringLiteral("A@0,480 | NP | NP | A@0,480 | NP | EndDoc"));
    // On tractor paper the top offset is 0: no blank page.
    Trabalho trator;
    trator.sup.setPaperBin(bandeja_trator);
    trator.pedido.copias = QStringLiteral("2");
    EXPECT_EQ(trator.rodar("A\f\x1a"), QStringLiteral("A@0,0 | NP | A@0,0 | NP | EndDoc"));
    // Selected pages end on the fresh page of their last NewPage.
    Trabalho sel;
    sel.pedido.copias = QStringLiteral("2");
    sel.pedido.selecionar_paginas = true;
    sel.pedido.primeira_pagina = QStringLiteral("2");
    sel.pedido.ultima_pagina = QStringLiteral("2");
    EXPECT_EQ(sel.rodar("A\fB\fC\f."), QStringLiteral("B@0,480 | NP | B@0,480 | NP | EndDoc"));
}

TEST(Trabalho, CadaCopiaRecomecaMedidasMasNaoAFonte)
{
    // The second copy starts two lines of the height left by the first pass
    // down, with the default metrics again, and still in bold.
    Trabalho t;
    t.pedido.copias = QStringLiteral("2");
    EXPECT_EQ(t.rodar(esc("7300;A") + esc("2\n.")), QStringLiteral("A@0,480 | NP | A@0,600 b | EndDoc"));
    EXPECT_EQ(t.m.altura_linha, 300);
}

TEST(Trabalho, MargensEJanela)
{
    Trabalho t;
    t.pedido.margem_esquerda = QStringLiteral("12.5");
    t.pedido.margem_superior = QStringLiteral("10");
    t.pedido.copias = QStringLiteral("2");
    t.rodar("A\n.");
    EXPECT_EQ(t.sup.scaleLeft(), -709);
    EXPECT_EQ(t.sup.scaleTop(), -567);
    EXPECT_EQ(t.sup.scaleMode(), ModoEscala::Twips);
    // Per copy: the frame and the buttons are taken and given back.
    const QString copia = QStringLiteral("quadro:Evolução da Impressão:1 acao:Imprimindo a Página imprimindo:1 "
                                         "quadro:Evolução da Impressão:0 imprimindo:0");
    EXPECT_EQ(t.obs.log.join(u' '), copia + u' ' + copia);

    Trabalho sel;
    sel.pedido.selecionar_paginas = true;
    sel.pedido.primeira_pagina = QStringLiteral("2");
    sel.pedido.ultima_pagina = QStringLiteral("3");
    sel.rodar("A\n.");
    EXPECT_EQ(sel.obs.log.value(1), QStringLiteral("acao:Examinando a Página"));
}

TEST(Trabalho, MargensGravadasSoQuandoPedido)
{
    std::int32_t e = 0, s = 0;
    gravar_margens(QStringLiteral("12.5"), QStringLiteral("13.5"), e, s);
    ASSERT_EQ(e, 12);
    ASSERT_EQ(s, 14);

    Trabalho t;
    t.pedido.margem_esquerda = QStringLiteral("20");
    t.pedido.margem_superior = QStringLiteral("7.5");
    t.pedido.salvar_margens = false;
    t.rodar("A\n.");
    ler_margens(e, s);
    EXPECT_EQ(e, 12);
    EXPECT_EQ(s, 14);
    t.pedido.salvar_margens = true;
    t.rodar("A\n.");
    EXPECT_EQ(t.doc.margem_esquerda, 20);
    EXPECT_EQ(t.doc.margem_superior, 8);
    ler_margens(e, s);
    EXPECT_EQ(e, 20);
    EXPECT_EQ(s, 8);
}

TEST(Trabalho, InterrupcaoCancelaODocumento)
{
    Trabalho t;
    t.pedido.copias = QStringLiteral("3");
    int chamadas = 0;
    t.obs.ao_processar = [&] {
        if (++chamadas == 2)
            t.doc.interromper = 1;
    };
    // Interrupted at byte 256 of the first copy: what was collected is drawn,
    // nothing after it, and the document is cancelled.
    const QString r = t.rodar(QByteArray(300, 'a') + "\fB\n.");
    EXPECT_EQ(r, QString(QByteArray(256, 'a')) + QStringLiteral("@0,480 | NP | KillDoc"));
    EXPECT_EQ(t.resultado.fim, FimTrabalho::Cancelado);
    EXPECT_EQ(t.doc.interromper, 0);
    EXPECT_EQ(t.sup.documentos_cancelados, 1);
    EXPECT_EQ(t.sup.documentos_encerrados, 0);
}

TEST(Trabalho, ArquivoQueSumiu)
{
    Trabalho t;
    t.doc.nome_arquivo = pasta_temporaria() + QStringLiteral("/nao-existe.spl");
    t.resultado = Command1_Click(t.doc, t.m, t.sup, t.pedido, t.obs);
    EXPECT_EQ(t.resultado.fim, FimTrabalho::Falhou);
    EXPECT_TRUE(t.resultado.erro.contains(QStringLiteral("nao-existe.spl"))) << t.resultado.erro.toStdString();
    EXPECT_TRUE(t.sup.registro.isEmpty());
    EXPECT_TRUE(t.obs.log.isEmpty());

    // Removed between two copies: the copy already drawn is not handed over.
    Trabalho u;
    u.pedido.copias = QStringLiteral("2");
    QString caminho;
    u.obs.ao_processar = [&] { QFile::remove(caminho); };
    caminho = gravar(QStringLiteral("some.spl"), QByteArray(200, 'a') + "\n.");
    u.doc.nome_arquivo = caminho;
    u.resultado = Command1_Click(u.doc, u.m, u.sup, u.pedido, u.obs);
    EXPECT_EQ(u.resultado.fim, FimTrabalho::Falhou);
    EXPECT_EQ(u.sup.documentos_cancelados, 1);
    EXPECT_EQ(u.sup.documentos_encerrados, 0);
    EXPECT_TRUE(u.obs.log.endsWith(QStringLiteral("imprimindo:0")));
}

TEST(Trabalho, EncerrarExcluiOArquivoDaLinhaDeComando)
{
    Trabalho t;
    t.pedido.excluir_arquivo = true;
    const QString outro = gravar(QStringLiteral("da-linha.spl"), "x");
    t.pedido.linha_de_comando = outro;
    t.rodar("A\n.");
    EXPECT_EQ(t.resultado.fim, FimTrabalho::Encerrar);
    EXPECT_FALSE(QFileInfo::exists(outro));
    EXPECT_TRUE(QFileInfo::exists(t.doc.nome_arquivo));

    // Without a command line nothing is deleted.
    Trabalho u;
    u.pedido.excluir_arquivo = true;
    u.rodar("A\n.", QStringLiteral("fica.spl"));
    EXPECT_TRUE(QFileInfo::exists(u.doc.nome_arquivo));
}

TEST(Trabalho, SemEncerrarMedeDeNovo)
{
    Trabalho t;
    t.pedido.encerrar_apos = false;
    t.m = Metricas{}; // measurement sets them from the printer's font
    t.rodar("A\n.");
    EXPECT_EQ(t.resultado.fim, FimTrabalho::Impresso);
    // The recording printer's 10-point font: 240 x 120 twips.
    EXPECT_EQ(t.m.altura_linha_padrao, 240);
    EXPECT_EQ(t.m.largura_caracter_padrao, 120);
}

TEST(Trabalho, ImpressoraQueRecusa)
{
    SuperficieImpressora p(impressora_pdf);
    p.setArquivoSaida(pasta_temporaria() + QStringLiteral("/pasta/que/falta/x.pdf"));
    Documento doc;
    doc.nome_arquivo = gravar(QStringLiteral("recusa.spl"), "A\n.");
    Metricas m{240, 120, 240, 120, 16838, 11906};
    PedidoImpressao pedido;
    ObservadorGravador obs;
    const ResultadoTrabalho r = Command1_Click(doc, m, p, pedido, obs);
    EXPECT_EQ(r.fim, FimTrabalho::Falhou);
    EXPECT_TRUE(r.erro.contains(QStringLiteral("x.pdf"))) << r.erro.toStdString();
    EXPECT_FALSE(QFileInfo::exists(p.arquivoSaida()));
}

} // namespace
