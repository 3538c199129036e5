// The system's print queues: a queue of a private CUPS scheduler is listed
// next to "Arquivo PDF" with its paper, and a cancelled document never
// becomes a print job.
#include "comum/apoio.h"
#include "comum/cups_privado.h"
#include "print/superficie_impressora.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

using Cups = TesteComCups;

TEST_F(Cups, FilaPrivadaListadaComOSeuPapel)
{
    // Printing through a queue is teste_imprimir_cli's (FilaDoCups).
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("Papelada_Teste"), cups.saida(QStringLiteral("fila.pdf"))));
    const QStringList nomes = impressoras_instaladas();
    EXPECT_TRUE(nomes.contains(QStringLiteral("Papelada_Teste"))) << nomes.join(u',').toStdString();
    EXPECT_EQ(nomes.last(), impressora_pdf);
    SuperficieImpressora p(QStringLiteral("Papelada_Teste"));
    ASSERT_EQ(p.deviceName(), QStringLiteral("Papelada_Teste"));
    EXPECT_EQ(p.width(), 11906); // the queue's A4 paper
}

TEST_F(Cups, DocumentoCanceladoNaoViraTrabalho)
{
    const QString saida = cups.saida(QStringLiteral("nada.pdf"));
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("Papelada_Cancela"), saida));
    SuperficieImpressora p(QStringLiteral("Papelada_Cancela"));
    p.print(QStringLiteral("cancelado"));
    p.killDoc();
    const Resultado r = executar(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o")});
    EXPECT_TRUE(r.saida.trimmed().isEmpty()) << r.saida.toStdString();
    EXPECT_FALSE(QFileInfo::exists(saida));
}

TEST(CupsPrivadoSemIniciar, NaoMexeNoAmbiente)
{
    // A scheduler that was never started leaves the caller's CUPS_SERVER.
    const QByteArray antes = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", "/nao/ha/cups.sock");
    { CupsPrivado cups; }
    EXPECT_EQ(qgetenv("CUPS_SERVER"), QByteArray("/nao/ha/cups.sock"));
    if (antes.isNull())
        qunsetenv("CUPS_SERVER");
    else
        qputenv("CUPS_SERVER", antes);
}

} // namespace
