// papelada-cli as a caller meets it: the exit status and words of every
// command, standard input and output, medir's lines and the settings it only
// reads, imprimir's PDF files checked with poppler (pages, words and where
// they stand), the refusals the window gives, and the queues of a private
// CUPS scheduler.
#include "comum/apoio.h"
#include "comum/cups_privado.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace papelada::teste;

namespace {

// Runs papelada-cli with a settings folder of its own.
Resultado medir(const QStringList& args, const QString& configuracao)
{
    return executar(cli(), QStringList{QStringLiteral("medir")} + args, 60, {QStringLiteral("XDG_CONFIG_HOME=") + configuracao});
}

TEST(Cli, CodigosDeSaida)
{
    const QMap<QString, QString> troca{
        {QStringLiteral("SPL"), gravar(QStringLiteral("codigos.spl"), "abc\n\x1a")},
        {QStringLiteral("VAZIO"), gravar(QStringLiteral("codigos_vazio.spl"), "")},
        {QStringLiteral("FALTA"), pasta_temporaria() + QStringLiteral("/nao-ha.spl")},
        {QStringLiteral("PASTA"), pasta_temporaria()},
        {QStringLiteral("PDF"), pasta_temporaria() + QStringLiteral("/codigos.pdf")},
        {QStringLiteral("SEM_CUPS"), QStringLiteral("CUPS_SERVER=") + pasta_temporaria() + QStringLiteral("/nenhum.sock")}};
    const QList<QStringList> casos = tabela(QStringLiteral("codigos_de_saida.txt"));
    EXPECT_GT(casos.size(), 20);
    for (const QStringList& c : casos) {
        ASSERT_EQ(c.size(), 3) << c.join(u'|').toStdString();
        QStringList args = c[0].split(u' ', Qt::SkipEmptyParts), ambiente;
        if (args.removeAll(QStringLiteral("SEM_CUPS")))
            ambiente << troca[QStringLiteral("SEM_CUPS")];
        for (QString& a : args)
            a = troca.value(a, a);
        const Resultado r = executar(cli(), args, 60, ambiente);
        EXPECT_EQ(r.codigo, c[1].toInt()) << c[0].toStdString();
        EXPECT_TRUE((r.codigo ? r.erros : r.saida).contains(c[2])) << c[0].toStdString() << ": " << r.erros.toStdString();
        EXPECT_TRUE(!r.codigo || r.saida.isEmpty()) << r.saida.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(troca[QStringLiteral("PDF")]));
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

TEST(CliMedir, Linhas)
{
    // The report's printer record, on the printer the caller names: its
    // landscape (2), A5 (11) and tractor (8) are taken; A5 landscape is
    // 210 x 148 mm, and tractor paper has no margins.
    QTemporaryDir config;
    const QString arquivo = gravar(QStringLiteral("largo.spl"), registro_impressora("Arquivo PDF", 2, 11, 8)
                                   + esc('0', "Relat\xf3rio mensal\r") + esc('x', "20000,") + "AB" + esc('0', "fim\r") + ".");
    const Resultado r = medir({arquivo, QStringLiteral("--impressora"), QStringLiteral("Arquivo PDF")}, config.path());
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    QStringList linhas = r.saida.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(linhas.size(), 19) << r.saida.toStdString();
    EXPECT_GT(linhas.takeAt(7).section(u'=', 1).toDouble(), 20000); // largura_relatorio
    linhas[3] = linhas[3].section(u'=', 0, 0); // the metrics of the font that the system gave
    linhas[4] = linhas[4].section(u'=', 0, 0);
    EXPECT_EQ(linhas, QStringList({"impressora=Arquivo PDF", "papel=A5, 148 x 210 mm", "fonte=Courier New,10,0,0,0,0",
                                   "altura_linha", "largura_caracter", "altura_folha=8391", "largura_folha=11906",
                                   "altura_relatorio=0", "codigo_papel=11", "bandeja=8", "orientacao=2",
                                   "cor=#000000", "impressora_bloqueada=1", "fonte_bloqueada=0", "margens=0,0",
                                   "aviso=Atenção.  A largura da Folha é insuficiente para comportar este relatório.",
                                   "mensagem=Relatório mensal", "mensagem=fim"}));
}

// medir and paginas only read the settings. The store as they may find it:
// none, a file, a FIFO, a link to a device, or a settings folder that is a
// file. They never wait on it, write it or create it, and speak of it only
// when it is not a regular file.
TEST(CliMedir, ConfiguracoesSoLidas)
{
    const QString arquivo = gravar(QStringLiteral("so_le.spl"), "ABC\fDEF\n.");
    const QString nao_pasta = gravar(QStringLiteral("nao-pasta"), "x");
    QTemporaryDir config;
    const QString pasta = config.path() + QStringLiteral("/Orvel"), ini = pasta + QStringLiteral("/Papelada.ini");
    const QByteArray guardado = "[Software]\nOrvel\\Papelada\\Margem%20esquerda=40000\n";
    QDir().mkpath(pasta);
    for (const QByteArray caso : {"nenhum", "arquivo", "fifo", "dispositivo", "nao_pasta"}) {
        SCOPED_TRACE(caso.toStdString());
        QFile::remove(ini);
        QFile f(ini);
        const bool posto = caso == "arquivo" ? f.open(QIODevice::WriteOnly) && f.write(guardado) == guardado.size()
                           : caso == "fifo" ? ::mkfifo(QFile::encodeName(ini).constData(), 0600) == 0
                           : caso == "dispositivo" ? QFile::link(QStringLiteral("/dev/null"), ini) : true;
        f.close();
        ASSERT_TRUE(posto);
        for (const char* comando : {"medir", "paginas"}) {
            const Resultado r = executar(cli(), {QString::fromLatin1(comando), arquivo, QStringLiteral("--pdf")}, 30,
                                         {QStringLiteral("XDG_CONFIG_HOME=") + (caso == "nao_pasta" ? nao_pasta : config.path())});
            EXPECT_EQ(r.codigo, 0) << comando;
            const bool especial = caso == "fifo" || caso == "dispositivo";
            EXPECT_EQ(r.erros.contains(especial ? QStringLiteral("não é um arquivo comum") : QStringLiteral("Papelada.ini")),
                      especial) << r.erros.toStdString();
        }
        struct stat st {};
        const bool existe = ::lstat(QFile::encodeName(ini).constData(), &st) == 0;
        EXPECT_EQ(existe, caso != "nenhum" && caso != "nao_pasta");
        EXPECT_TRUE(caso != "fifo" || S_ISFIFO(st.st_mode));
        EXPECT_TRUE(caso != "dispositivo" || S_ISLNK(st.st_mode));
        EXPECT_TRUE(caso != "arquivo" || ler(ini) == guardado);
        EXPECT_EQ(QDir(pasta).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot).size(), existe ? 1 : 0);
    }
    EXPECT_EQ(ler(nao_pasta), "x");
}

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
    const QList<QStringList> casos = tabela(QStringLiteral("recusas.txt"));
    EXPECT_GT(casos.size(), 10);
    for (const QStringList& c : casos) {
        ASSERT_EQ(c.size(), 3) << c.join(u'|').toStdString();
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
    EXPECT_FALSE(QFileInfo::exists(saida + QStringLiteral(".pdf")));
    EXPECT_FALSE(QFileInfo::exists(saida + QStringLiteral(".png")));
}

// One scheduler, two queues (B the default): the list of printers, the
// report's printer record choosing the queue for medir and imprimir (but
// not over a printer of the caller's), and pages 2-3 of a sample on a queue.
using CliCups = TesteComCups;

TEST_F(CliCups, FilasDoSistema)
{
    const QString a = cups.saida(QStringLiteral("a.pdf")), b = cups.saida(QStringLiteral("b.pdf"));
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("Papelada_A"), a));
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("Papelada_B"), b));
    ASSERT_EQ(executar(QStringLiteral("lpadmin"), {QStringLiteral("-d"), QStringLiteral("Papelada_B")}).codigo, 0);
    Resultado r = executar(cli(), {QStringLiteral("impressoras")});
    EXPECT_EQ(r.codigo, 0);
    EXPECT_EQ(r.saida, QStringLiteral("Papelada_A\tA4, 210 x 297 mm\nPapelada_B\tA4, 210 x 297 mm\tpadrão\n"));

    // The record: queue A, portrait (1), A4 (9), paper source 7 (not the tractor).
    QTemporaryDir config;
    const QString spl = gravar(QStringLiteral("registro.spl"), registro_impressora("Papelada_A", 1, 9, 7) + "Pela fila\fDois\n\x1a");
    r = medir({spl}, config.path());
    EXPECT_TRUE(r.saida.startsWith(QStringLiteral("impressora=Papelada_A\npapel=A4, 210 x 297 mm\n"))) << r.saida.toStdString();
    r = medir({spl, QStringLiteral("--pdf")}, config.path());
    EXPECT_TRUE(r.saida.startsWith(QStringLiteral("impressora=Arquivo PDF\npapel=A4, 210 x 297 mm\n"))) << r.saida.toStdString();
    EXPECT_FALSE(QFileInfo::exists(config.path() + QStringLiteral("/Orvel/Papelada.ini")));
    r = executar(cli(), {QStringLiteral("imprimir"), spl});
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    EXPECT_TRUE(r.saida.contains(QStringLiteral("Papelada_A"))) << r.saida.toStdString();
    ASSERT_TRUE(cups.esperar_pdf(a));
    EXPECT_EQ(paginas_pdf(a), 2);
    const QString pdf = pasta_temporaria() + QStringLiteral("/registro.pdf");
    r = executar(cli(), {QStringLiteral("imprimir"), spl, QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(r.codigo, 0) << r.erros.toStdString();
    EXPECT_EQ(paginas_pdf(pdf), 2);

    r = executar(cli(), {QStringLiteral("imprimir"), dir_fonte() + QStringLiteral("/samples/relatorio_vendas.spl"),
                         QStringLiteral("--impressora"), QStringLiteral("Papelada_B"), QStringLiteral("--paginas"), QStringLiteral("2-3")});
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    ASSERT_TRUE(cups.esperar_pdf(b));
    EXPECT_EQ(paginas_pdf(b), 2);
    QStringList primeira;
    for (const Palavra& p : palavras_pdf(b))
        if (p.pagina == 1)
            primeira << p.texto;
    EXPECT_TRUE(primeira.join(u' ').contains(QStringLiteral("Página 2 de 3"))) << primeira.join(u' ').toStdString();
}

} // namespace
