// papelada-cli medir: its lines, its exit codes, and the settings store it
// only reads (never writing it, never blocking on it).
#include "comum/apoio.h"
#include "comum/cups_privado.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace papelada::teste;

namespace {

// Runs papelada-cli with a settings folder of its own.
Resultado medir(const QStringList& args, const QString& configuracao)
{
    return executar(cli(), QStringList{QStringLiteral("medir")} + args, 60, {QStringLiteral("XDG_CONFIG_HOME=") + configuracao});
}

QString valor(const QString& saida, const QString& chave)
{
    for (const QString& linha : saida.split(u'\n', Qt::SkipEmptyParts))
        if (linha.section(u'=', 0, 0) == chave)
            return linha.section(u'=', 1);
    return QStringLiteral("<ausente>");
}

TEST(CliMedir, Linhas)
{
    QTemporaryDir config;
    const QString arquivo = gravar(QStringLiteral("largo.spl"),
                                   esc('0', "Relat\xf3rio mensal\r") + esc('x', "20000,") + "AB" + esc('0', "fim\r") + ".");
    const Resultado r = medir({arquivo, QStringLiteral("--pdf")}, config.path());
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    QStringList linhas = r.saida.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(linhas.size(), 19) << r.saida.toStdString();
    EXPECT_GT(linhas.takeAt(7).section(u'=', 1).toDouble(), 20000); // largura_relatorio
    linhas[3] = linhas[3].section(u'=', 0, 0); // the metrics of the font that the system gave
    linhas[4] = linhas[4].section(u'=', 0, 0);
    EXPECT_EQ(linhas, QStringList({"impressora=Arquivo PDF", "papel=", "fonte=Courier New,10,0,0,0,0", "altura_linha",
                                   "largura_caracter", "altura_folha=16838", "largura_folha=11906",
                                   "altura_relatorio=0", "codigo_papel=9", "bandeja=0", "orientacao=1",
                                   "cor=#000000", "impressora_bloqueada=0", "fonte_bloqueada=0", "margens=10,10",
                                   "aviso=Atenção.  A largura da Folha é insuficiente para comportar este relatório.",
                                   "mensagem=Relatório mensal", "mensagem=fim"}));
}

TEST(CliMedir, RegistroDeImpressoraComImpressoraDoChamador)
{
    QTemporaryDir config;
    // Landscape (2), A5 (11), tractor (8).
    const QString arquivo = gravar(QStringLiteral("a5.spl"), registro_impressora("Arquivo PDF", 2, 11, 8) + "A\n");
    const Resultado r = medir({arquivo, QStringLiteral("--impressora"), QStringLiteral("Arquivo PDF")}, config.path());
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    EXPECT_EQ(valor(r.saida, "papel"), "A5, 148 x 210 mm");
    // A5 landscape: 210 x 148 mm.
    EXPECT_NEAR(valor(r.saida, "largura_folha").toDouble(), 210 * 1440 / 25.4, 2);
    EXPECT_NEAR(valor(r.saida, "altura_folha").toDouble(), 148 * 1440 / 25.4, 2);
    for (const char* linha : {"codigo_papel=11", "bandeja=8", "orientacao=2", "impressora_bloqueada=1"})
        EXPECT_TRUE(r.saida.contains(QLatin1String(linha))) << linha;
}

using CliMedirCups = TesteComCups;

TEST_F(CliMedirCups, RegistroDeImpressoraEscolheAFilaDoSistema)
{
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("Papelada_Medir"), cups.saida(QStringLiteral("medir.pdf"))));
    QTemporaryDir config;
    const QString arquivo = gravar(QStringLiteral("fila.spl"), registro_impressora("Papelada_Medir", 0, 9, 0) + "AB.");

    // Without a printer of the caller's, the record moves the measurement
    // to the queue it names; with one, the caller's printer stays.
    Resultado r = medir({arquivo}, config.path());
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    EXPECT_EQ(valor(r.saida, "impressora"), "Papelada_Medir");
    EXPECT_EQ(valor(r.saida, "papel"), "A4, 210 x 297 mm");
    r = medir({arquivo, QStringLiteral("--pdf")}, config.path());
    EXPECT_EQ(valor(r.saida, "impressora"), "Arquivo PDF");
    EXPECT_EQ(valor(r.saida, "papel"), "A4, 210 x 297 mm");

    EXPECT_FALSE(QFileInfo::exists(config.path() + QStringLiteral("/Orvel/Papelada.ini")));
}

// medir and paginas only read the settings: an empty store stays empty, a
// stored one unchanged; a store that is a FIFO or a device is ignored with
// a warning, without waiting on it and without writing into it; a settings
// folder that is a file is not spoken of.
TEST(CliMedir, ConfiguracoesSoLidas)
{
    const QString arquivo = gravar(QStringLiteral("so_le.spl"), "ABC\fDEF\n.");
    QTemporaryDir config;
    const QString pasta = config.path() + QStringLiteral("/Orvel");
    const QString ini = pasta + QStringLiteral("/Papelada.ini");
    QDir().mkpath(pasta);
    const auto rodar = [&](const char* comando, const QString& configuracao = {}) {
        return executar(cli(), {QString::fromLatin1(comando), arquivo, QStringLiteral("--pdf")}, 30,
                        {QStringLiteral("XDG_CONFIG_HOME=") + (configuracao.isEmpty() ? config.path() : configuracao)});
    };
    const QString nao_pasta = gravar(QStringLiteral("nao-pasta"), "x");
    for (const char* comando : {"medir", "paginas"}) {
        const Resultado r = rodar(comando, nao_pasta);
        EXPECT_EQ(r.codigo, 0);
        EXPECT_FALSE(r.erros.contains(QStringLiteral("Papelada.ini"))) << r.erros.toStdString();
    }
    EXPECT_EQ(ler(nao_pasta), "x");
    for (const char* comando : {"medir", "paginas"}) {
        SCOPED_TRACE(comando);
        EXPECT_EQ(rodar(comando).codigo, 0);
        EXPECT_TRUE(QDir(pasta).isEmpty());
    }
    const QByteArray guardado = "[Software]\nOrvel\\Papelada\\Margem%20esquerda=40000\n";
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(guardado);
    }
    for (const char* comando : {"medir", "paginas"})
        EXPECT_EQ(rodar(comando).codigo, 0);
    EXPECT_EQ(ler(ini), guardado);
    EXPECT_EQ(QDir(pasta).entryList(QDir::Files | QDir::Hidden), QStringList{"Papelada.ini"});

    QFile::remove(ini);
    ASSERT_EQ(::mkfifo(QFile::encodeName(ini).constData(), 0600), 0);
    const QString dispositivo = pasta + QStringLiteral("/nulo");
    const bool com_dispositivo = ::mknod(QFile::encodeName(dispositivo).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    for (bool link : {false, true}) {
        if (link) {
            if (!com_dispositivo)
                break; // creating a device needs root
            QFile::remove(ini);
            ASSERT_TRUE(QFile::link(dispositivo, ini));
        }
        for (const char* comando : {"medir", "paginas"}) {
            const Resultado r = rodar(comando);
            EXPECT_EQ(r.codigo, 0) << comando << " " << link;
            EXPECT_TRUE(r.erros.contains(QStringLiteral("não é um arquivo comum"))) << r.erros.toStdString();
        }
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(ini).constData(), &st), 0);
        EXPECT_TRUE(link ? S_ISCHR(st.st_mode) : S_ISFIFO(st.st_mode));
    }
}

} // namespace
