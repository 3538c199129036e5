// papelada-cli imprimir from end to end: real PDF files checked with poppler
// (pages, words and where they stand), errors and their exit codes, and a
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


// Prints `bytes` into a PDF; returns the PDF's path ("" on failure).
QString imprimir_pdf(const QString& nome, const QByteArray& bytes, QStringList opcoes = {})
{
    const QString spl = gravar(nome + QStringLiteral(".spl"), bytes);
    const QString pdf = pasta_temporaria() + u'/' + nome + QStringLiteral(".pdf");
    const Resultado r = executar(cli(), QStringList{QStringLiteral("imprimir"), spl, QStringLiteral("--pdf"), pdf} + opcoes);
    EXPECT_EQ(r.codigo, 0) << r.erros.toStdString();
    EXPECT_EQ(r.saida, QStringLiteral("%1 página(s) gravada(s) em %2.\n").arg(paginas_pdf(pdf)).arg(pdf));
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

TEST(ImprimirCli, PaginasECopias)
{
    const QByteArray cinco = "P1\fP2\fP3\fP4\fP5\f\x1a";
    struct {
        const char* nome;
        QByteArray bytes;
        QStringList opcoes;
        const char* palavras; // word@page, in order
    } casos[] = {
        {"selecao", cinco, {QStringLiteral("--paginas"), QStringLiteral("2-3")}, "P2@1 P3@2"},
        // A report that ends in a form feed and one more byte: a blank page
        // between the copies.
        {"copias", "P1\fP2\f\x1a", {QStringLiteral("--copias"), QStringLiteral("3")}, "P1@1 P2@2 P1@4 P2@5 P1@7 P2@8"},
        // Selected pages over two copies: none between them.
        {"selecao2", cinco, {QStringLiteral("--paginas"), QStringLiteral("4-5"), QStringLiteral("--copias"), QStringLiteral("2")},
         "P4@1 P5@2 P4@3 P5@4"},
    };
    for (const auto& c : casos) {
        const QString pdf = imprimir_pdf(QString::fromLatin1(c.nome), c.bytes, c.opcoes);
        ASSERT_FALSE(pdf.isEmpty());
        QStringList palavras;
        for (const Palavra& p : palavras_pdf(pdf))
            palavras << p.texto + u'@' + QString::number(p.pagina);
        EXPECT_EQ(palavras.join(u' '), QString::fromLatin1(c.palavras)) << c.nome;
    }
}

// The refusals the window gives, from every command that takes the field:
// margins from imprimir, visualizar, paginas and medir, copies and pages
// from imprimir.
TEST(ImprimirCli, RecusasComoAJanela)
{
    const QString spl = gravar(QStringLiteral("tres.spl"), "P1\fP2\fP3\f\x1a");
    const QString saida = pasta_temporaria() + QStringLiteral("/recusado");
    QFile casos(QStringLiteral(PAPELADA_DIR_FONTE "/tests/casos/recusas.txt"));
    ASSERT_TRUE(casos.open(QIODevice::ReadOnly));
    int lidos = 0;
    while (!casos.atEnd()) {
        const QStringList c = QString::fromUtf8(casos.readLine()).chopped(1).split(u'\t');
        if (c.size() != 3 || c[0].startsWith(u'#'))
            continue;
        ++lidos;
        QMap<QString, QString> campo;
        for (const QString& t : c[0].split(u' '))
            campo[t.section(u'=', 0, 0)] = t.section(u'=', 1);
        QStringList opcoes;
        if (campo.contains(QStringLiteral("Text5")) || campo.contains(QStringLiteral("Text4")))
            opcoes << QStringLiteral("--margens")
                   << campo.value(QStringLiteral("Text5"), QStringLiteral("0")) + u',' + campo.value(QStringLiteral("Text4"), QStringLiteral("0"));
        const bool so_margens = !opcoes.isEmpty();
        if (campo.contains(QStringLiteral("Text3")))
            opcoes << QStringLiteral("--copias") << campo.value(QStringLiteral("Text3"));
        if (campo.contains(QStringLiteral("Text1")))
            opcoes << QStringLiteral("--paginas")
                   << campo.value(QStringLiteral("Text1")) + (campo.contains(QStringLiteral("Text2")) ? u'-' + campo.value(QStringLiteral("Text2")) : QString());
        QList<QStringList> chamadas{QStringList{QStringLiteral("imprimir"), spl, QStringLiteral("--pdf"), saida + QStringLiteral(".pdf")}};
        if (so_margens)
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
