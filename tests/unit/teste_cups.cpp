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

// The job is in the queue from the end of the first page on; cancelled, it
// stays there cancelled and prints nothing.
TEST_F(Cups, TrabalhoNaFilaDesdeAPrimeiraPagina)
{
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("Papelada_Fluxo"), cups.saida(QStringLiteral("fluxo.pdf"))));
    const auto trabalhos = [](const char* quais) {
        return executar(QStringLiteral("lpstat"), {QStringLiteral("-W"), QLatin1String(quais), QStringLiteral("-o")})
            .saida.count(u'\n');
    };
    for (const bool interrompido : {true, false}) {
        SCOPED_TRACE(interrompido ? "interrompido" : "concluído");
        SuperficieImpressora p(QStringLiteral("Papelada_Fluxo"));
        p.print(QStringLiteral("Primeira"));
        p.newPage();
        EXPECT_EQ(trabalhos("not-completed"), 0);
        p.print(QStringLiteral("Segunda"));
        EXPECT_EQ(trabalhos("not-completed"), 1);
        if (interrompido) {
            p.killDoc();
            EXPECT_EQ(trabalhos("not-completed"), 0);
            EXPECT_EQ(trabalhos("completed"), 1);
        } else {
            ASSERT_TRUE(p.endDoc()) << p.erro().toStdString();
        }
    }
    ASSERT_TRUE(cups.esperar_pdf(cups.saida(QStringLiteral("fluxo.pdf"))));
    EXPECT_EQ(paginas_pdf(cups.saida(QStringLiteral("fluxo.pdf"))), 2);
    // The first job's control file: its state is 7, cancelled (9 would be
    // printed).
    const QByteArray controle = ler(cups.pasta() + QStringLiteral("/spool/c00001"));
    EXPECT_TRUE(controle.contains(QByteArray("job-state\0\4\0\0\0\7", 15))) << controle.size();
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
