// papelada-cli imprimir from end to end: real PDF files checked with poppler
// (pages, words and where they stand, accents and the euro sign), barcodes
// read back with zbarimg, errors and their exit codes, and a CUPS queue of a
// private scheduler.
#include "comum/apoio.h"
#include "comum/cups_privado.h"
#include "comum/gravador.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace papelada::teste;

namespace {

bool tem_poppler() { return existe_programa(QStringLiteral("pdftotext")) && existe_programa(QStringLiteral("pdfinfo")); }

// Prints `bytes` into a PDF; returns the PDF's path ("" on failure).
QString imprimir_pdf(const QString& nome, const QByteArray& bytes, QStringList opcoes = {})
{
    const QString spl = gravar(nome + QStringLiteral(".spl"), bytes);
    const QString pdf = pasta_temporaria() + u'/' + nome + QStringLiteral(".pdf");
    const Resultado r = executar(cli(), QStringList{QStringLiteral("imprimir"), spl, QStringLiteral("--pdf"), pdf} + opcoes);
    EXPECT_EQ(r.codigo, 0) << r.erros.toStdString();
    return r.codigo == 0 ? pdf : QString();
}

const Palavra* achar(const QList<Palavra>& palavras, const QString& texto);
const Palavra* achar(QList<Palavra>&&, const QString&) = delete; // the list must outlive the word
const Palavra* achar(const QList<Palavra>& palavras, const QString& texto)
{
    for (const Palavra& p : palavras)
        if (p.texto == texto)
            return &p;
    return nullptr;
}

TEST(ImprimirCli, TextoNoLugarComAsMargens)
{
    if (!tem_poppler())
        GTEST_SKIP() << "poppler-utils não instalado";
    const QByteArray bytes = esc("y1000;") + esc("x2000;Total\f") + "Segunda\f\x1a";
    struct {
        const char* nome;
        QStringList opcoes;
        double esquerda, topo; // twips: Int(mm x -1440 / 25.4), negated
    } casos[] = {
        {"margens_guardadas", {}, 567, 567}, // a fresh store holds 10 mm for both
        {"margens_dadas", {QStringLiteral("--margens"), QStringLiteral("20,15")}, 1134, 851},
        {"margens_zero", {QStringLiteral("--margens"), QStringLiteral("0,0")}, 0, 0},
    };
    for (const auto& c : casos) {
        const QString pdf = imprimir_pdf(QString::fromLatin1(c.nome), bytes, c.opcoes);
        ASSERT_FALSE(pdf.isEmpty());
        EXPECT_EQ(paginas_pdf(pdf), 2) << c.nome;
        const auto palavras = palavras_pdf(pdf);
        const Palavra* total = achar(palavras, QStringLiteral("Total"));
        ASSERT_TRUE(total) << c.nome;
        EXPECT_EQ(total->pagina, 1);
        EXPECT_NEAR(total->x_min, (c.esquerda + 2000) / 20, 1) << c.nome;
        EXPECT_NEAR(total->y_min, (c.topo + 1000) / 20, 1) << c.nome;
        const Palavra* segunda = achar(palavras, QStringLiteral("Segunda"));
        ASSERT_TRUE(segunda) << c.nome;
        EXPECT_EQ(segunda->pagina, 2);
        EXPECT_NEAR(segunda->x_min, c.esquerda / 20, 1) << c.nome;
    }
}

TEST(ImprimirCli, AcentosEEuroComoTexto)
{
    if (!tem_poppler())
        GTEST_SKIP() << "poppler-utils não instalado";
    struct {
        const char* nome;
        QByteArray bytes;
        const char* texto;
    } casos[] = {
        {"acentos", "Relat\xf3rio de a\xe7\xf5" "es: \x80 10,00 S\xe3o Jo\xe3o\n\x1a",
         "Relatório de ações: € 10,00 São João"},
        // Characters that the text extraction writes as entities.
        {"entidades", "a<b c>d \"e\" f&g h&lt;i\n\x1a", "a<b c>d \"e\" f&g h&lt;i"},
    };
    for (const auto& c : casos) {
        const QString pdf = imprimir_pdf(QString::fromLatin1(c.nome), c.bytes);
        ASSERT_FALSE(pdf.isEmpty());
        QStringList textos;
        for (const Palavra& p : palavras_pdf(pdf))
            textos << p.texto;
        EXPECT_EQ(textos.join(u' '), QString::fromUtf8(c.texto));
    }
}

TEST(ImprimirCli, PaginasECopias)
{
    if (!tem_poppler())
        GTEST_SKIP() << "poppler-utils não instalado";
    const QByteArray cinco = "P1\fP2\fP3\fP4\fP5\f\x1a";
    const QString sel = imprimir_pdf(QStringLiteral("selecao"), cinco, {QStringLiteral("--paginas"), QStringLiteral("2-3")});
    ASSERT_FALSE(sel.isEmpty());
    EXPECT_EQ(paginas_pdf(sel), 2);
    const auto palavras = palavras_pdf(sel);
    ASSERT_EQ(palavras.size(), 2);
    EXPECT_EQ(palavras[0].texto, QStringLiteral("P2"));
    EXPECT_EQ(palavras[1].texto, QStringLiteral("P3"));
    EXPECT_EQ(palavras[1].pagina, 2);

    // Two copies of a report that ends in a form feed and one more byte: a
    // blank page between them.
    const QString copias = imprimir_pdf(QStringLiteral("copias"), "P1\fP2\f\x1a", {QStringLiteral("--copias"), QStringLiteral("2")});
    ASSERT_FALSE(copias.isEmpty());
    EXPECT_EQ(paginas_pdf(copias), 5);
    // Selected pages over two copies: none.
    const QString sel2 = imprimir_pdf(QStringLiteral("selecao2"), cinco,
                                      {QStringLiteral("--paginas"), QStringLiteral("4-5"), QStringLiteral("--copias"), QStringLiteral("2")});
    ASSERT_FALSE(sel2.isEmpty());
    EXPECT_EQ(paginas_pdf(sel2), 4);
}

TEST(ImprimirCli, ErrosECodigosDeSaida)
{
    const QString spl = gravar(QStringLiteral("erros.spl"), "abc\n\x1a");
    const QString pdf = pasta_temporaria() + QStringLiteral("/erros.pdf");
    const QString falta = pasta_temporaria() + QStringLiteral("/sem/pasta/x.pdf");
    const QString vazio = gravar(QStringLiteral("vazio.spl"), "");
    struct {
        QStringList args;
        int codigo;
        const char* mensagem;
    } casos[] = {
        {{}, 1, "indique o arquivo"},
        {{spl, QStringLiteral("--pdf")}, 1, "falta o valor de --pdf"},
        {{spl, QStringLiteral("--pdf"), pdf, QStringLiteral("--impressora"), QStringLiteral("X")}, 1, "não os dois"},
        {{spl, QStringLiteral("--pdf"), pdf, QStringLiteral("--paginas"), QStringLiteral("3-1")}, 1, "intervalo de páginas"},
        {{spl, QStringLiteral("--pdf"), pdf, QStringLiteral("--copias"), QStringLiteral("dois")}, 1, "cópias"},
        {{spl, QStringLiteral("--pdf"), pdf, QStringLiteral("--margens"), QStringLiteral("10")}, 1, "margens"},
        {{spl, QStringLiteral("--pdf"), pdf, QStringLiteral("--dpi"), QStringLiteral("10")}, 1, "resolução"},
        {{spl, QStringLiteral("--pdf"), pdf, QStringLiteral("--cor")}, 1, "--cor"},
        {{pasta_temporaria() + QStringLiteral("/nao-ha.spl"), QStringLiteral("--pdf"), pdf}, 2, "não foi encontrado"},
        {{pasta_temporaria(), QStringLiteral("--pdf"), pdf}, 2, "pasta"},
        {{spl, QStringLiteral("--impressora"), QStringLiteral("Fila que não existe")}, 3, "não está instalada"},
        {{spl, QStringLiteral("--pdf"), falta}, 3, "x.pdf"},
        {{vazio, QStringLiteral("--pdf"), pdf}, 3, "Nada foi impresso"},
    };
    for (const auto& c : casos) {
        const Resultado r = executar(cli(), QStringList{QStringLiteral("imprimir")} + c.args);
        EXPECT_EQ(r.codigo, c.codigo) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.erros.contains(QString::fromUtf8(c.mensagem))) << r.erros.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_FALSE(QFileInfo::exists(falta));
}

TEST(ImprimirCli, SemImpressoraPadrao)
{
    // A scheduler that does not answer: no queues, so no default printer.
    const QByteArray antes = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", (pasta_temporaria() + QStringLiteral("/nenhum.sock")).toLocal8Bit());
    const Resultado r = executar(cli(), {QStringLiteral("imprimir"), gravar(QStringLiteral("padrao.spl"), "abc\n\x1a")});
    if (antes.isNull())
        qunsetenv("CUPS_SERVER");
    else
        qputenv("CUPS_SERVER", antes);
    EXPECT_EQ(r.codigo, 3);
    EXPECT_TRUE(r.erros.contains(QStringLiteral("Não há impressora padrão"))) << r.erros.toStdString();
}

TEST(ImprimirCli, ImagemDaAmostra)
{
    if (!existe_programa(QStringLiteral("pdfimages")))
        GTEST_SKIP() << "poppler-utils não instalado";
    const QString png = dir_fonte() + QStringLiteral("/samples/logotipo.png");
    const QString pdf = imprimir_pdf(QStringLiteral("imagem"), esc("G") + png.toLocal8Bit() + "\nDepois\n\x1a");
    ASSERT_FALSE(pdf.isEmpty());
    const Resultado r = executar(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    EXPECT_EQ(r.saida.split(u'\n', Qt::SkipEmptyParts).size(), 3) << r.saida.toStdString(); // two header lines
    // The text follows the picture: 96 pixels are 1440 twips to the right.
    const QList<Palavra> palavras = palavras_pdf(pdf);
    const Palavra* depois = achar(palavras, QStringLiteral("Depois"));
    ASSERT_TRUE(depois);
    EXPECT_NEAR(depois->x_min, (567 + 1440) / 20.0, 1);
}

TEST(ImprimirCli, CodigosDeBarrasDecodificados)
{
    if (!existe_programa(QStringLiteral("zbarimg")) || !existe_programa(QStringLiteral("pdftoppm")))
        GTEST_SKIP() << "zbar-tools ou poppler-utils não instalado";
    const QByteArray bytes = esc("y500;") + esc("Z1,150,3,12345678901234,") + esc("y1800;") + esc("x0;")
                             + esc("Z2,0,3,5901234123457,") + esc("y3300;") + esc("x0;") + esc("Z3,0,3,96385074,")
                             + esc("y4800;") + esc("x0;") + esc("Z4,0,3,PAPELADA-42,") + "\n\x1a";
    const QString pdf = imprimir_pdf(QStringLiteral("barras"), bytes);
    ASSERT_FALSE(pdf.isEmpty());
    const QString prefixo = pasta_temporaria() + QStringLiteral("/barras");
    const Resultado r = executar(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"),
                                                              QStringLiteral("-png"), QStringLiteral("-singlefile"),
                                                              pdf, prefixo});
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    EXPECT_EQ(ler_codigos(prefixo + QStringLiteral(".png")).join(u' '),
              QStringLiteral("CODE-39:PAPELADA-42 EAN-13:5901234123457 EAN-8:96385074 I2/5:12345678901234"));
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
