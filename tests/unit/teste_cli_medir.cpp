// papelada-cli medir: its lines, its exit codes, and the settings store it
// writes (never blocking the measurement, even when it cannot be written or
// when several programs write it at once).
#include "comum/apoio.h"
#include "comum/cups_privado.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace papelada::teste;

namespace {

// Runs papelada-cli with a settings folder of its own.
std::unique_ptr<QProcess> iniciar(const QStringList& args, const QString& configuracao)
{
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment amb = QProcessEnvironment::systemEnvironment();
    amb.insert(QStringLiteral("XDG_CONFIG_HOME"), configuracao);
    p->setProcessEnvironment(amb);
    p->start(cli(), QStringList{QStringLiteral("medir")} + args);
    return p;
}

Resultado medir(const QStringList& args, const QString& configuracao)
{
    return concluir(*iniciar(args, configuracao), 60);
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
    ASSERT_EQ(linhas.size(), 18) << r.saida.toStdString();
    EXPECT_GT(linhas.takeAt(7).section(u'=', 1).toDouble(), 20000); // largura_relatorio
    linhas[3] = linhas[3].section(u'=', 0, 0); // the metrics of the font that the system gave
    linhas[4] = linhas[4].section(u'=', 0, 0);
    EXPECT_EQ(linhas, QStringList({"impressora=Arquivo PDF", "papel=", "fonte=Courier New,10,0,0,0,0", "altura_linha",
                                   "largura_caracter", "altura_folha=16838", "largura_folha=11906",
                                   "altura_relatorio=0", "codigo_papel=9", "bandeja=0", "orientacao=1",
                                   "cor=#000000", "impressora_bloqueada=0", "fonte_bloqueada=0",
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

    QSettings s(config.path() + QStringLiteral("/Orvel/Papelada.ini"), QSettings::IniFormat);
    EXPECT_EQ(s.value(QStringLiteral("Software/Orvel/Papelada/Papelada_Medir/FontName")).toString(), "Courier New");
}

TEST(CliMedir, Erros)
{
    QTemporaryDir config;
    const QString arquivo = gravar(QStringLiteral("curto.spl"), "AB");
    struct Caso {
        QStringList args;
        int codigo;
        const char* mensagem;
    };
    const Caso casos[] = {
        {{pasta_temporaria() + QStringLiteral("/nao-existe.spl")}, 2, "não foi encontrado"},
        {{pasta_temporaria()}, 2, "é uma pasta"},
        {{}, 1, "Uso:"},
        {{arquivo, QStringLiteral("--copias")}, 1, "argumento inválido"},
        {{arquivo, QStringLiteral("--impressora")}, 1, "Uso:"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Resultado r = medir(c.args, config.path());
        EXPECT_EQ(r.codigo, c.codigo);
        EXPECT_TRUE(r.erros.contains(QString::fromUtf8(c.mensagem))) << r.erros.toStdString();
        EXPECT_TRUE(r.saida.isEmpty());
    }
}

TEST(CliMedir, ConfiguracaoQueNaoPodeSerGravada)
{
    // The settings folder is a file: nothing can be stored, and nothing is
    // said about it.
    const QString arquivo = gravar(QStringLiteral("simples.spl"), "ABC.");
    const QString nao_pasta = gravar(QStringLiteral("nao-pasta"), "x");
    const Resultado r = medir({arquivo, QStringLiteral("--pdf")}, nao_pasta);
    EXPECT_EQ(r.codigo, 0);
    EXPECT_EQ(valor(r.saida, "fonte"), "Courier New,10,0,0,0,0");
    EXPECT_FALSE(r.erros.contains(QStringLiteral("Papelada.ini")));
    EXPECT_EQ(ler(nao_pasta), "x");
}

TEST(CliMedir, ProgramasAoMesmoTempo)
{
    // Each round starts from an empty store, so every program creates the
    // printer's font key; the file must read back whole afterwards.
    QTemporaryDir config;
    const QString arquivo = gravar(QStringLiteral("concorrente.spl"), "ABC\nDEF.");
    const QString ini = config.path() + QStringLiteral("/Orvel/Papelada.ini");
    for (int rodada = 0; rodada < 4; ++rodada) {
        QFile::remove(ini);
        std::vector<std::unique_ptr<QProcess>> programas;
        for (int k = 0; k < 3; ++k)
            programas.push_back(iniciar({arquivo, QStringLiteral("--pdf")}, config.path()));
        for (auto& p : programas) {
            ASSERT_TRUE(p->waitForFinished(60000));
            EXPECT_EQ(p->exitCode(), 0);
        }
        QSettings s(ini, QSettings::IniFormat);
        ASSERT_EQ(s.status(), QSettings::NoError);
        s.beginGroup(QStringLiteral("Software/Orvel/Papelada/Arquivo PDF"));
        EXPECT_EQ(s.value(QStringLiteral("FontName")).toString(), "Courier New");
        EXPECT_EQ(s.value(QStringLiteral("FontSize")).toString(), "10");
        EXPECT_EQ(s.value(QStringLiteral("FontBold")).toString(), "0");
        EXPECT_EQ(s.value(QStringLiteral("FontItalic")).toString(), "0");
        EXPECT_EQ(QDir(config.path() + QStringLiteral("/Orvel")).entryList(QDir::Files),
                  QStringList{"Papelada.ini"});
    }
}

} // namespace
