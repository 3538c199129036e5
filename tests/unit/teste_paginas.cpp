// The page list against the print for pictures, and copies of a report
// whose page length changes.
#include "comum/apoio.h"

#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

// Numbered lines "L0001" ... as a report writes them, CR LF at their ends.
QByteArray linhas(int de, int ate)
{
    QByteArray d;
    for (int i = de; i <= ate; ++i)
        d += "L" + QByteArray::number(i).rightJustified(4, '0') + "\r\n";
    return d;
}

TEST(PaginasIguais, ComandoPaginasListaAsPaginasImpressas)
{
    // A picture 200 pixels high (3000 twips) whose chunks are whole and
    // whose pixels do not decode keeps its place as a sound one: the two
    // push the last lines onto a second page. A sound PNG goes into the PDF
    // with its compressed rows; one whose rows are damaged does not.
    const QString boa = gravar_figura(QStringLiteral("boa.png"), QSize(3, 200), Qt::red);
    QByteArray png = ler(boa);
    const qsizetype idat = png.indexOf("IDAT") + 4;
    for (qsizetype k = idat; k < idat + 8; ++k)
        png[k] = static_cast<char>(png[k] ^ 0x5a);
    const auto figura = [](const QString& caminho) { return esc('G', caminho.toLatin1() + '\x1a'); };
    const QByteArray estragada = figura(gravar(QStringLiteral("estragada.png"), png));
    const struct {
        const char* nome;
        QByteArray dados;
        int paginas, figuras;
    } casos[] = {
        {"figura_estragada", linhas(1, 10) + estragada + linhas(11, 50) + estragada + linhas(51, 60) + ".", 2, 0},
        {"figura_boa", linhas(1, 10) + figura(boa) + linhas(11, 60) + ".", 2, 1},
        {"brancas_no_fim", linhas(1, 10) + "\f\f\f.", 3, 0},
    };
    for (const auto& c : casos) {
        const QString arq = gravar(QString::fromLatin1(c.nome) + ".spl", c.dados);
        const QString pdf = pasta_temporaria() + QStringLiteral("/lista.pdf");
        const Resultado r = executar(cli(), {QStringLiteral("paginas"), arq, QStringLiteral("--pdf")});
        ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
        executar(cli(), {QStringLiteral("imprimir"), arq, QStringLiteral("--pdf"), pdf});
        EXPECT_EQ(r.saida.split(u'\n', Qt::SkipEmptyParts).size(), paginas_pdf(pdf)) << c.nome << r.saida.toStdString();
        EXPECT_EQ(paginas_pdf(pdf), c.paginas) << c.nome;
        EXPECT_EQ(ler(pdf).count("/Subtype /Image"), c.figuras) << c.nome;
        EXPECT_EQ(ler(pdf).count("/Predictor 15"), c.figuras) << c.nome;
    }
}

TEST(PaginasIguais, CopiasComComprimentoDePagina)
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
