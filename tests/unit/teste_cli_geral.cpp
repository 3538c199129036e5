// papelada-cli as a caller meets it: version, help, unknown commands, the
// conventions of its command lines, and the list of printers.
#include "comum/apoio.h"
#include "comum/cups_privado.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace papelada::teste;

// The exit status and the words of every command's answer: 0 with the
// answer on standard output; 1 for the call, 2 for the report, 3 for the
// output, with the reason on standard error and nothing on standard output.
TEST(Cli, CodigosDeSaida)
{
    const QString spl = gravar(QStringLiteral("codigos.spl"), "abc\n\x1a");
    const QString vazio = gravar(QStringLiteral("codigos_vazio.spl"), "");
    const QString falta = pasta_temporaria() + QStringLiteral("/nao-ha.spl");
    const QString pdf = pasta_temporaria() + QStringLiteral("/codigos.pdf");
    const QString pasta = pasta_temporaria();
    // A scheduler that does not answer: no queues, so no default printer.
    const QString sem_cups = QStringLiteral("CUPS_SERVER=") + pasta + QStringLiteral("/nenhum.sock");
    struct {
        QStringList args;
        int codigo;
        const char* mensagem;
        QStringList ambiente = {};
    } casos[] = {
        {{"--version"}, 0, "Papelada 1.1.109\n"},
        {{"--help"}, 0, "Uso: papelada-cli COMANDO"},
        {{}, 1, "Uso:"},
        {{"voar"}, 1, "comando desconhecido: voar"},
        {{"imprimir"}, 1, "indique o arquivo"},
        {{"imprimir", spl, "--pdf"}, 1, "falta o valor de --pdf"},
        {{"imprimir", spl, "--pdf", pdf, "--impressora", "X"}, 1, "não os dois"},
        {{"imprimir", spl, "--pdf", pdf, "--margens", "10"}, 1, "margens inválidas"},
        {{"imprimir", spl, "--pdf", pdf, "--dpi", "10"}, 1, "resolução"},
        {{"imprimir", spl, "--pdf", pdf, "--cor"}, 1, "--cor"},
        {{"imprimir", falta, "--pdf", pdf}, 2, "não foi encontrado"},
        {{"imprimir", pasta, "--pdf", pdf}, 2, "pasta"},
        {{"imprimir", spl, "--impressora", "Fila que não existe"}, 3, "não está instalada"},
        {{"imprimir", spl}, 3, "Não há impressora padrão", {sem_cups}},
        {{"imprimir", vazio, "--pdf", pdf}, 3, "Nada foi impresso"},
        {{"medir"}, 1, "Uso:"},
        {{"medir", spl, "--copias"}, 1, "argumento inválido"},
        {{"medir", spl, "--impressora"}, 1, "Uso:"},
        {{"medir", falta}, 2, "não foi encontrado"},
        {{"medir", pasta}, 2, "é uma pasta"},
        {{"paginas", falta}, 2, "não foi encontrado"},
        {{"visualizar", spl, "1", pdf, "--zoom", "10"}, 1, "zoom"},
        {{"salvar", spl}, 1, "Uso:"},
        {{"salvar", falta, pdf}, 2, "não foi encontrado"},
    };
    for (const auto& c : casos) {
        const Resultado r = executar(cli(), c.args, 60, c.ambiente);
        EXPECT_EQ(r.codigo, c.codigo) << c.args.join(u' ').toStdString();
        EXPECT_TRUE((c.codigo ? r.erros : r.saida).contains(QString::fromUtf8(c.mensagem))) << r.erros.toStdString();
        EXPECT_TRUE(!c.codigo || r.saida.isEmpty()) << r.saida.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST(Cli, IgualEntradaESaidaPadraoETracos)
{
    // The report from standard input, "=" options, the PDF down standard
    // output; the message goes to standard error.
    QProcess p;
    p.start(cli(), {QStringLiteral("imprimir"), QStringLiteral("--paginas=2"), QStringLiteral("--pdf=-"), QStringLiteral("-")});
    p.write("Um\fDois\n\x1a");
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(p.readAllStandardError(), "1 página(s) gravada(s) na saída padrão.\n");
    const QString pdf = gravar(QStringLiteral("padrao.pdf"), p.readAllStandardOutput());
    const QList<Palavra> palavras = palavras_pdf(pdf);
    ASSERT_EQ(palavras.size(), 1);
    EXPECT_EQ(palavras[0].texto, QStringLiteral("Dois"));

    // "--" before a report whose name begins with a dash.
    gravar(QStringLiteral("-traco.spl"), "Um\n\x1a");
    p.setWorkingDirectory(pasta_temporaria());
    p.start(cli(), {QStringLiteral("imprimir"), QStringLiteral("--pdf"), QStringLiteral("traco.pdf"), QStringLiteral("--"),
                    QStringLiteral("-traco.spl")});
    const Resultado r = concluir(p);
    EXPECT_EQ(r.codigo, 0) << r.erros.toStdString();
    EXPECT_EQ(paginas_pdf(pasta_temporaria() + QStringLiteral("/traco.pdf")), 1);
}

using CliCups = TesteComCups;

TEST_F(CliCups, ImpressorasComPapelEAPadrao)
{
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("Papelada_A"), cups.saida(QStringLiteral("a.pdf"))));
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("Papelada_B"), cups.saida(QStringLiteral("b.pdf"))));
    ASSERT_EQ(executar(QStringLiteral("lpadmin"), {QStringLiteral("-d"), QStringLiteral("Papelada_B")}).codigo, 0);
    const Resultado r = executar(cli(), {QStringLiteral("impressoras")});
    EXPECT_EQ(r.codigo, 0);
    EXPECT_EQ(r.saida, QStringLiteral("Papelada_A\tA4, 210 x 297 mm\nPapelada_B\tA4, 210 x 297 mm\tpadrão\n"));
}
