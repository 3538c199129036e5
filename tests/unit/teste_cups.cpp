// The system's print queues, on a private CUPS scheduler.
#include "comum/apoio.h"
#include "comum/cups_privado.h"
#include "print/biblioteca_cups.h"
#include "print/superficie_impressora.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

using Cups = TesteComCups;

// A queue of a private scheduler is listed next to "Arquivo PDF", with its
// paper. A document is a queue job once its first page is done and the next
// one drawn on: cancelled before, it never becomes one; cancelled after, it
// stays there cancelled and prints nothing. (Printing a report through a
// queue is teste_imprimir_cli's.)
TEST_F(Cups, FilaListadaETrabalhoDesdeASegundaPagina)
{
    const QString fila = QStringLiteral("Papelada_Fluxo"), saida = cups.saida(QStringLiteral("fluxo.pdf"));
    ASSERT_TRUE(cups.adicionar_fila(fila, saida));
    const QStringList nomes = impressoras_instaladas();
    EXPECT_TRUE(nomes.contains(fila)) << nomes.join(u',').toStdString();
    EXPECT_EQ(nomes.last(), impressora_pdf);
    const auto trabalhos = [](const char* quais) {
        return executar(QStringLiteral("lpstat"), {QStringLiteral("-W"), QLatin1String(quais), QStringLiteral("-o")})
            .saida.count(u'\n');
    };
    struct {
        const char* nome;
        int paginas;
        bool concluir;
    } casos[] = {{"cancelado na primeira página", 1, false}, {"cancelado na segunda", 2, false}, {"concluído", 2, true}};
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nome);
        SuperficieImpressora p(fila);
        ASSERT_EQ(p.deviceName(), fila);
        EXPECT_EQ(p.width(), 11906); // the queue's A4 paper
        p.print(QStringLiteral("Primeira"));
        if (c.paginas == 2) {
            p.newPage();
            EXPECT_EQ(trabalhos("not-completed"), 0);
            p.print(QStringLiteral("Segunda"));
            EXPECT_EQ(trabalhos("not-completed"), 1);
        }
        if (c.concluir) {
            ASSERT_TRUE(p.endDoc()) << p.erro().toStdString();
        } else {
            p.killDoc();
            EXPECT_EQ(trabalhos("not-completed"), 0);
            EXPECT_FALSE(QFileInfo::exists(saida));
        }
    }
    ASSERT_TRUE(cups.esperar_pdf(saida));
    EXPECT_EQ(trabalhos("completed"), 2);
    EXPECT_EQ(paginas_pdf(saida), 2);
    // The cancelled job's control file: its state is 7, cancelled (9 would
    // be printed).
    const QByteArray controle = ler(cups.pasta() + QStringLiteral("/spool/c00001"));
    EXPECT_TRUE(controle.contains(QByteArray("job-state\0\4\0\0\0\7", 15))) << controle.size();
}

// A library that is not there, or that lacks the print service's functions,
// is refused with the reason.
TEST(BibliotecaCups, AusenteOuIncompleta)
{
    const struct {
        const char* arquivo;
        const char* motivo;
    } casos[] = {{"libcups-inexistente.so.2", "não pôde ser carregada"}, {"libc.so.6", "não tem a função cupsAddOption"}};
    for (const auto& c : casos) {
        LibCups funcoes;
        QString erro;
        EXPECT_FALSE(carregar_libcups(c.arquivo, funcoes, erro));
        EXPECT_TRUE(erro.contains(QString::fromUtf8(c.motivo))) << erro.toStdString();
    }
    EXPECT_NE(libcups(), nullptr) << erro_libcups().toStdString();
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
