// The CUPS filter as a print server runs it: Papelada installed into a
// folder and a private scheduler that takes the installed filter and rules;
// and the filter run alone as the scheduler's user.
#include "comum/apoio.h"
#include "comum/cups_privado.h"

#include "stream/politica_imagens.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

class FiltroCups : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString instalado = cups.pasta() + QStringLiteral("/instalado");
        const Resultado r = executar(QStringLiteral(PAPELADA_CMAKE),
                                     {QStringLiteral("--install"), dir_build(), QStringLiteral("--prefix"), instalado});
        ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
        if (!cups.iniciar(instalado))
            GTEST_SKIP() << cups.motivo().toStdString();
    }

    CupsPrivado cups;
};

// Every word of `obtido` is the word of `esperado` at the same place
// (within 0.5 pt), on the same page.
::testing::AssertionResult mesmas_palavras(const QString& obtido, const QString& esperado)
{
    const QList<Palavra> o = palavras_pdf(obtido), e = palavras_pdf(esperado);
    if (e.isEmpty() || o.size() != e.size())
        return ::testing::AssertionFailure() << o.size() << " palavras, " << e.size() << " esperadas";
    for (qsizetype i = 0; i < o.size(); ++i)
        if (o[i].texto != e[i].texto || o[i].pagina != e[i].pagina || std::abs(o[i].x_min - e[i].x_min) > 0.5
            || std::abs(o[i].y_min - e[i].y_min) > 0.5)
            return ::testing::AssertionFailure() << o[i].texto.toStdString() << " em vez de " << e[i].texto.toStdString();
    return ::testing::AssertionSuccess();
}

// `lp` of a spool file prints what papelada-cli prints: into a PDF file on
// an A4 queue (pages, copies made by the queue one whole report after the
// other); on a queue whose PPD defaults to Letter and has no option set,
// what papelada-cli sends to that queue, laid out on Letter, whatever letter
// case the file's name has, or under another name with the document format
// given. The PDF is named after the file.
TEST_F(FiltroCups, LpImprimeComoOPapeladaCli)
{
    const QString saida = cups.saida(QStringLiteral("filtro.pdf"));
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("A4"), saida));
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("Carta"), saida, {}));
    const QByteArray bytes = ler(dir_fonte() + QStringLiteral("/samples/relatorio_vendas.spl"));
    const QString spl = gravar(QStringLiteral("vendas.spl"), bytes);
    EXPECT_TRUE(executar(cli(), {QStringLiteral("impressoras")}).saida.contains(QStringLiteral("Carta\tCarta 8.1/2 x 11")));
    const QString medida = executar(cli(), {QStringLiteral("medir"), QStringLiteral("--impressora"), QStringLiteral("Carta"), spl}).saida;
    EXPECT_TRUE(medida.contains(QStringLiteral("codigo_papel=1\n")) && medida.contains(QStringLiteral("largura_folha=12240\n")))
        << medida.toStdString();

    // The A4 queue's reference is papelada-cli's PDF file; the Letter
    // queue's, what papelada-cli sends to it.
    const QString referencia = pasta_temporaria() + QStringLiteral("/referencia.pdf");
    struct {
        const char *fila, *arquivo, *lp, *cli, *papel;
    } casos[] = {
        {"A4", "vendas.spl", "", "", "595 x 842"},
        {"A4", "vendas.spl", "-o page-ranges=2-3", "--paginas 2-3", "595 x 842"},
        {"A4", "vendas.spl", "-n 2 -o collate=true", "--copias 2", "595 x 842"},
        {"Carta", "Mixed.Spl", "", "", "612 x 792"},
        {"Carta", "RELAT001.TMP", "-o document-format=application/x-papelada-spool", "", "612 x 792"},
    };
    const auto palavras = [](const char* texto) { return QString::fromLatin1(texto).split(u' ', Qt::SkipEmptyParts); };
    for (const auto& c : casos) {
        SCOPED_TRACE(QStringLiteral("%1 %2 %3").arg(QLatin1String(c.fila), QLatin1String(c.arquivo), QLatin1String(c.lp)).toStdString());
        const bool carta = QLatin1String(c.fila) == QLatin1String("Carta");
        QFile::remove(saida);
        QFile::remove(referencia);
        const Resultado cli_r = executar(cli(), QStringList{QStringLiteral("imprimir"), spl, QString::fromLatin1(carta ? "--impressora" : "--pdf"),
                                                            carta ? QStringLiteral("Carta") : referencia} + palavras(c.cli));
        ASSERT_EQ(cli_r.codigo, 0) << cli_r.erros.toStdString();
        if (carta) {
            ASSERT_TRUE(cups.esperar_pdf(saida));
            ASSERT_TRUE(QFile::rename(saida, referencia));
        }
        const QString arquivo = gravar(QLatin1String(c.arquivo), bytes);
        const Resultado lp = executar(QStringLiteral("lp"), QStringList{QStringLiteral("-d"), QLatin1String(c.fila)} + palavras(c.lp) + QStringList{arquivo});
        ASSERT_EQ(lp.codigo, 0) << lp.erros.toStdString();
        ASSERT_TRUE(cups.esperar_pdf(saida));
        EXPECT_EQ(paginas_pdf(saida), paginas_pdf(referencia));
        EXPECT_TRUE(mesmas_palavras(saida, referencia));
        const QString info = executar(QStringLiteral("pdfinfo"), {saida}).saida;
        EXPECT_TRUE(info.contains(QLatin1String(c.papel)) && info.contains(QLatin1String(c.arquivo))) << info.toStdString();
    }
}

// Both ways of staying beneath a folder: openat2, and the walk of the
// kernels without it, which follows no symbolic link at all.
TEST(ImagensDoServidor, SoAbreDentroDaPasta)
{
    const QString base = pasta_temporaria() + QStringLiteral("/sob");
    QDir().mkpath(base + QStringLiteral("/dentro/sub"));
    gravar(QStringLiteral("sob/dentro/sub/a.png"), "a");
    gravar(QStringLiteral("sob/fora.png"), "f");
    QFile::link(base + QStringLiteral("/fora.png"), base + QStringLiteral("/dentro/longe.png"));
    QFile::link(QStringLiteral("sub/a.png"), base + QStringLiteral("/dentro/perto.png"));
    const QString dentro = base + QStringLiteral("/dentro");
    struct {
        QString caminho;
        bool com_openat2, sem_openat2;
    } casos[] = {
        {QStringLiteral("sub/a.png"), true, true},
        {dentro + QStringLiteral("/sub/a.png"), true, true},
        {QStringLiteral("perto.png"), true, false},
        {QStringLiteral("longe.png"), false, false},
        {QStringLiteral("../fora.png"), false, false},
        {QStringLiteral("sub/../../fora.png"), false, false},
        {base + QStringLiteral("/fora.png"), false, false},
        {dentro + QStringLiteral("/../fora.png"), false, false},
        {dentro + QStringLiteral("x/a.png"), false, false},
        {QStringLiteral("sub"), true, true}, // a folder opens; the loader wants a regular file
    };
    for (const auto& c : casos)
        for (const bool openat2 : {true, false}) {
            SCOPED_TRACE(c.caminho.toStdString() + (openat2 ? " openat2" : " passo a passo"));
            const int fd = abrir_sob_pasta(dentro, c.caminho, openat2);
            EXPECT_EQ(fd >= 0, openat2 ? c.com_openat2 : c.sem_openat2);
            if (fd >= 0)
                ::close(fd);
        }
}

// The filter as the scheduler runs it: as lp, in a temporary folder of its
// own, with the machine's settings naming the folder pictures may come from.
// Beside it, a file lp may read only through its group, as the scheduler's
// held jobs are.
class FiltroComoLp : public ::testing::Test {
protected:
    void SetUp() override
    {
        const passwd* lp = ::getpwnam("lp");
        if (::geteuid() != 0 || !lp || QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty())
            GTEST_SKIP() << "precisa de root, do usuário lp, de runuser e de pdfimages";
        ::chmod(QFile::encodeName(raiz.path()).constData(), 0755);
        for (const char* sub : {"permitidas", "spool", "tmp", "xdg/Orvel"})
            QDir().mkpath(caminho(QLatin1String(sub)));
        ASSERT_EQ(::chown(QFile::encodeName(caminho(QStringLiteral("tmp"))).constData(), lp->pw_uid, lp->pw_gid), 0);
        escrever(QStringLiteral("xdg/Orvel/Papelada.ini"),
                 "[Servidor]\nPastaImagens=" + QFile::encodeName(caminho(QStringLiteral("permitidas"))) + "\n");
        QImage figura(40, 30, QImage::Format_RGB32);
        figura.fill(Qt::red);
        ASSERT_TRUE(figura.save(caminho(QStringLiteral("permitidas/ok.png")), "PNG"));
        ASSERT_TRUE(figura.save(segredo, "PNG"));
        ::chmod(QFile::encodeName(segredo).constData(), 0640);
        ASSERT_EQ(::chown(QFile::encodeName(segredo).constData(), 0, lp->pw_gid), 0);
        QFile::link(segredo, caminho(QStringLiteral("permitidas/atalho.png")));
        escrever(QStringLiteral("permitidas/ref.svg"),
                 "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' width='40' "
                 "height='30'><image xlink:href='" + QFile::encodeName(segredo) + "' width='40' height='30'/></svg>");
    }

    QString caminho(const QString& resto) const { return raiz.path() + u'/' + resto; }
    void escrever(const QString& resto, const QByteArray& dados) const
    {
        QFile f(caminho(resto));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(dados);
        ::chmod(QFile::encodeName(f.fileName()).constData(), 0644);
    }
    // Starts the filter on `relatorio`, named as its last argument or given
    // on standard input; the PDF goes to `pdf`.
    void iniciar(QProcess& p, const QString& relatorio, bool pela_entrada, const QString& pdf) const
    {
        QStringList args{QStringLiteral("-u"), QStringLiteral("lp"), QStringLiteral("--"), QStringLiteral("env"),
                         QStringLiteral("TMPDIR=") + caminho(QStringLiteral("tmp")),
                         QStringLiteral("HOME=") + caminho(QStringLiteral("tmp")),
                         QStringLiteral("XDG_CONFIG_DIRS=") + caminho(QStringLiteral("xdg")),
                         dir_build() + QStringLiteral("/papeladatopdf"), QStringLiteral("7"), QStringLiteral("ze"),
                         QStringLiteral("relatorio"), QStringLiteral("1"), QString()};
        if (pela_entrada)
            p.setStandardInputFile(relatorio);
        else
            args << relatorio;
        if (!pdf.isEmpty())
            p.setStandardOutputFile(pdf);
        p.start(QStringLiteral("runuser"), args);
        ASSERT_TRUE(p.waitForStarted());
    }
    QString relatorio(const QString& nome, const QByteArray& dados) const
    {
        escrever(QStringLiteral("spool/") + nome, dados);
        return caminho(QStringLiteral("spool/") + nome);
    }

    QTemporaryDir raiz{QStringLiteral("/tmp/papelada-lp-XXXXXX")};
    const QString segredo = caminho(QStringLiteral("spool/d00016-001"));
};

TEST_F(FiltroComoLp, ImagensSoDaPastaPermitida)
{
    const QByteArray fora = QFile::encodeName(segredo);
    struct {
        const char* nome;
        QList<QByteArray> figuras;
        bool impressa;
    } casos[] = {
        {"fora", {fora, "../spool/d00016-001", "atalho.png", "ref.svg", "nao-existe.png"}, false},
        {"dentro", {"ok.png", QFile::encodeName(caminho(QStringLiteral("permitidas/ok.png")))}, true},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nome);
        QByteArray bytes = "Relatorio\n";
        for (const QByteArray& f : c.figuras)
            bytes += esc('G', f + '\n') + "texto\n";
        const QString pdf = caminho(QLatin1String(c.nome) + QStringLiteral(".pdf"));
        QProcess p;
        iniciar(p, relatorio(QLatin1String(c.nome) + QStringLiteral(".spl"), bytes + "fim\n\n"), false, pdf);
        const Resultado r = concluir(p);
        ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
        const QStringList imagens = executar(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                                        .saida.split(u'\n', Qt::SkipEmptyParts).mid(2);
        EXPECT_EQ(!imagens.isEmpty(), c.impressa);
        const QStringList avisos = r.erros.split(u'\n').filter(QStringLiteral("imagem"), Qt::CaseInsensitive);
        EXPECT_EQ(avisos.size(), c.impressa ? 0 : 1) << r.erros.toStdString();
        EXPECT_FALSE(r.erros.contains(QStringLiteral("encontrada"))) << r.erros.toStdString();
    }
}

// SIGTERM in the middle of a job, whether the report came as a file or on
// standard input: nothing is left in the filter's temporary folder.
TEST_F(FiltroComoLp, SigtermNaoDeixaArquivos)
{
    QByteArray bytes;
    for (int i = 0; i < 400000; ++i)
        bytes += "Linha de um relatorio longo que nao acaba tao cedo " + QByteArray::number(i) + "\n";
    const QString spl = relatorio(QStringLiteral("longo.spl"), bytes);
    for (const bool pela_entrada : {false, true}) {
        SCOPED_TRACE(pela_entrada ? "entrada padrão" : "arquivo");
        QProcess p;
        iniciar(p, spl, pela_entrada, {});
        qint64 lidos = 0;
        while (lidos < (256 << 10) && p.state() == QProcess::Running && p.waitForReadyRead(30000))
            lidos += p.readAllStandardOutput().size();
        ASSERT_GE(lidos, 256 << 10) << "o PDF não saiu enquanto as páginas eram feitas";
        p.terminate();
        ASSERT_TRUE(p.waitForFinished(30000));
        const QStringList restos = QDir(caminho(QStringLiteral("tmp"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        EXPECT_TRUE(restos.isEmpty()) << restos.join(u' ').toStdString();
    }
}

} // namespace
