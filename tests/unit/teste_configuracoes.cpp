// The settings store: margins and the default font of every printer, the
// plain-number file and the two-byte values of earlier files, the repair of
// missing values, printer names of any shape, the machine's file beneath the
// user's, and programs writing the store at the same time (the stored values
// read are in tests/casos/configuracoes.casos).
#include "comum/apoio.h"
#include "comum/casos.h"
#include "settings/configuracoes.h"
#include "comum/superficie_gravacao.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <cmath>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

const QString margens = QStringLiteral("Software/Orvel/Papelada/");

void gravar_em(const QString& caminho, const QByteArray& dados)
{
    QDir().mkpath(QFileInfo(caminho).path());
    QFile f(caminho);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(dados) == dados.size());
}

QVariant valor(const QString& chave) { return loja().value(chave); }
void definir(const QString& chave, const QVariant& v) { loja().setValue(chave, v); }

// A recording printer with the given device name.
void usar_impressora(SuperficieGravacao& g, const QString& nome)
{
    g.impressoras << nome;
    ASSERT_TRUE(g.selectPrinter(nome));
}

class Configuracoes : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings s = loja();
        s.clear();
        s.sync();
    }
};

TEST_F(Configuracoes, CasosDoArquivo)
{
    const QString ini = loja().fileName();
    const auto lido = [&ini](const QByteArray& arquivo) {
        QFile::remove(ini);
        if (!arquivo.isEmpty())
            gravar_em(ini, arquivo);
        std::int32_t e = 0, s = 0;
        ler_margens(e, s);
        SuperficieGravacao g;
        usar_impressora(g, QStringLiteral("Matricial"));
        g.setFontName(QStringLiteral("Arial"));
        g.setFontSize(7);
        g.setFontItalic(true);
        FonteEscolhida d;
        const bool guardada = set_default_font(g, &d);
        QString r = QStringLiteral("margens %1,%2 | fonte %3%4 | diálogo %5 %6%7%8")
                        .arg(e).arg(s).arg(fonte_de(g), guardada ? QStringLiteral(" guardada") : QString(), d.nome)
                        .arg(d.tamanho).arg(d.negrito ? " b" : "", d.italico ? " i" : "");
        if (arquivo.isEmpty() ? QFileInfo::exists(ini) : ler(ini) != arquivo)
            r += QStringLiteral(" | arquivo gravado");
        return r;
    };
    for (const CasoArquivo& c : conferir_casos(QStringLiteral("configuracoes.casos"), lido))
        EXPECT_EQ(c.obtido, c.esperado) << c.nome.toStdString();
}

TEST_F(Configuracoes, MargensGravadas)
{
    // A file as earlier versions wrote it (16-bit values as two bytes): the
    // first write turns every value into a plain number.
    const QString ini = loja().fileName();
    gravar_em(ini, "[Software]\n"
                   "Orvel\\Papelada\\Margem%20esquerda=@ByteArray(\\xf\\0)\n"
                   "Orvel\\Papelada\\Laser\\FontName=Times New Roman\n"
                   "Orvel\\Papelada\\Laser\\FontSize=@ByteArray(\\xe\\0)\n"
                   "Orvel\\Papelada\\Laser\\FontBold=@ByteArray(\\xff\\xff)\n"
                   "Orvel\\Papelada\\Laser\\FontItalic=@ByteArray(\\0\\0)\n");
    struct Caso {
        const char* texto;
        std::int32_t memoria; // value kept by the window
        const char* gravado;
        std::int32_t relido; // value read at the next start
    };
    const Caso casos[] = {
        {"12.5", 12, "12", 12}, {"13.5", 14, "14", 14}, {"12,5", 12, "12", 12},
        {"300", 300, "300", 300}, {"abc", 0, "0", 0}, {" 7mm", 7, "7", 7},
        // Negative margins come back as typed, and a margin that 16 bits
        // cannot hold is kept at their limit instead of wrapping around;
        // read back, no margin is wider than a metre.
        {"-5", -5, "-5", -5}, {"70000", 70000, "32767", 1000}, {"-2000", -2000, "-2000", -1000},
    };
    std::int32_t e = -1, s = -1;
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.texto);
        gravar_margens(QString::fromUtf8(c.texto), QStringLiteral("-5"), e, s);
        EXPECT_EQ(e, c.memoria);
        EXPECT_EQ(s, -5);
        EXPECT_EQ(valor(margens + "Margem esquerda").toString(), c.gravado);
        ler_margens(e, s);
        EXPECT_EQ(e, c.relido);
        EXPECT_EQ(QString::fromUtf8(ler(ini)).split(u'\n', Qt::SkipEmptyParts),
                  QStringList({"[Software]", "Orvel\\Papelada\\Laser\\FontBold=-1", "Orvel\\Papelada\\Laser\\FontItalic=0",
                               "Orvel\\Papelada\\Laser\\FontName=Times New Roman", "Orvel\\Papelada\\Laser\\FontSize=14",
                               "Orvel\\Papelada\\Margem%20Superior=-5",
                               QStringLiteral("Orvel\\Papelada\\Margem%20esquerda=") + QLatin1String(c.gravado)}));
    }
}

TEST_F(Configuracoes, CadaImpressoraComSuaFonte)
{
    // Names that QSettings would split or escape, or that collide once
    // escaped, and names and font names that look like INI syntax.
    const QStringList nomes = {"\\\\servidor\\fila", "\\\\servidor/fila", "a/b", "a\\b", "a%2Fb", "a%b", "/",
                               "General", "x=y;z #1 [seção]", "  espaços  ", "€ 日本"};
    const QStringList fontes = {"Fonte, com vírgula", "@ByteArray(x)", " espaço à esquerda", "\"aspas\""};
    // First each printer has no font stored: it keeps its own, and the font
    // dialog starts from it; "Definir Fonte Padrão" stores it (6.5 points
    // as 6, 7.5 as 8: halves to even). Then each gets its own back.
    for (bool guardada : {false, true}) {
        for (qsizetype i = 0; i < nomes.size(); ++i) {
            SCOPED_TRACE(nomes[i].toStdString());
            SuperficieGravacao g;
            usar_impressora(g, nomes[i]);
            g.fontes << fontes;
            g.setFontName(guardada ? QStringLiteral("Arial") : fontes[i % fontes.size()]);
            g.setFontSize(guardada ? 7 : 6.5 + static_cast<double>(i));
            g.setFontBold(!guardada && i % 2 == 0);
            g.setFontItalic(!guardada && i % 2 == 1);
            const QString antes = fonte_de(g);
            FonteEscolhida dialogo;
            EXPECT_EQ(set_default_font(g, &dialogo), guardada);
            EXPECT_EQ(fonte_de(g), guardada ? fontes[i % fontes.size()] + u' ' + QString::number(std::nearbyint(6.5 + static_cast<double>(i)))
                                                  + (i % 2 ? QStringLiteral(" i") : QStringLiteral(" b"))
                                            : antes);
            EXPECT_EQ(dialogo.nome + u' ' + QString::number(dialogo.tamanho), g.fontName() + u' ' + QString::number(g.fontSize()));
            if (!guardada)
                gravar_fonte_padrao(g);
        }
    }
    // One key each, and nothing else under the margin key.
    QSettings s = loja();
    s.beginGroup(QStringLiteral("Software/Orvel/Papelada"));
    EXPECT_EQ(s.childGroups().size(), nomes.size());
    EXPECT_TRUE(s.childKeys().isEmpty());
}

TEST_F(Configuracoes, MetricasDaFonteEscolhida)
{
    SuperficieGravacao g;
    Metricas m;
    for (auto [tamanho, altura, largura] : {std::tuple{10.0, 288, 120}, std::tuple{12.5, 360, 150},
                                            std::tuple{10.375, 299, 124}}) { // halves to even
        g.setFontSize(tamanho);
        recalcular_metricas(g, m);
        EXPECT_EQ(m.altura_linha, altura);
        EXPECT_EQ(m.largura_caracter, largura);
        EXPECT_EQ(m.altura_linha_padrao, altura);
        EXPECT_EQ(m.largura_caracter_padrao, largura);
    }
}

// Programs writing the store at the same time: this test started again as
// three writers at once, three times over, each writing the store over and
// over under a printer name of its own.
TEST(ConfiguracoesConcorrentes, ProgramasGravandoAoMesmoTempo)
{
    if (const QString nome = qEnvironmentVariable("PAPELADA_TESTE_ESCRITOR"); !nome.isEmpty()) {
        qputenv("XDG_CONFIG_HOME", qgetenv("PAPELADA_TESTE_PASTA"));
        SuperficieGravacao g;
        usar_impressora(g, nome);
        g.setFontName(QStringLiteral("Arial"));
        g.setFontSize(12);
        g.setFontBold(true);
        for (int i = 0; i < 15; ++i) {
            std::int32_t e = 0, s = 0;
            set_default_font(g);
            gravar_fonte_padrao(g);
            gravar_margens(QStringLiteral("15"), QStringLiteral("25"), e, s);
        }
        return;
    }
    QTemporaryDir pasta;
    ASSERT_TRUE(pasta.isValid());
    int escritores = 0;
    for (int rodada = 0; rodada < 3; ++rodada) {
        std::vector<std::unique_ptr<QProcess>> filhos;
        for (int k = 0; k < 3; ++k, ++escritores) {
            auto p = std::make_unique<QProcess>();
            QProcessEnvironment amb = QProcessEnvironment::systemEnvironment();
            amb.insert(QStringLiteral("PAPELADA_TESTE_ESCRITOR"), QStringLiteral("Fila %1/%2").arg(rodada).arg(k));
            amb.insert(QStringLiteral("PAPELADA_TESTE_PASTA"), pasta.path());
            p->setProcessEnvironment(amb);
            p->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--gtest_filter=ConfiguracoesConcorrentes.*")});
            filhos.push_back(std::move(p));
        }
        for (auto& p : filhos) {
            ASSERT_TRUE(p->waitForFinished(120000));
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardOutput().toStdString();
        }
    }
    // The file reads back whole: every writer's key and the margins.
    QSettings s(pasta.path() + QStringLiteral("/Orvel/Papelada.ini"), QSettings::IniFormat);
    EXPECT_EQ(s.status(), QSettings::NoError);
    s.beginGroup(QStringLiteral("Software/Orvel/Papelada"));
    EXPECT_EQ(s.value(QStringLiteral("Margem esquerda")).toString(), "15");
    EXPECT_EQ(s.value(QStringLiteral("Margem Superior")).toString(), "25");
    EXPECT_EQ(s.childGroups().size(), escritores);
    for (const QString& grupo : s.childGroups())
        EXPECT_EQ(QStringList({s.value(grupo + "/FontName").toString(), s.value(grupo + "/FontSize").toString(),
                               s.value(grupo + "/FontBold").toString(), s.value(grupo + "/FontItalic").toString()}),
                  QStringList({"Arial", "12", "1", "0"})) << grupo.toStdString();
    // No lock or temporary file is left behind.
    EXPECT_EQ(QDir(pasta.path() + QStringLiteral("/Orvel")).entryList(QDir::Files), QStringList{"Papelada.ini"});
}

// The machine's file (in the system's configuration folders) gives what the
// user's file lacks, and the user's changes never reach it.
TEST_F(Configuracoes, ArquivoDoSistemaPorBaixo)
{
    const QString sistema = pasta_temporaria() + QStringLiteral("/xdg-sistema");
    const QString arquivo = sistema + QStringLiteral("/Orvel/Papelada.ini");
    gravar_em(arquivo, "[Software]\nOrvel\\Papelada\\Margem%20esquerda=25\nOrvel\\Papelada\\Margem%20Superior=30\n"
                       "Orvel\\Papelada\\Servidor\\FontName=Arial\nOrvel\\Papelada\\Servidor\\FontSize=14\n");
    const QByteArray antes = ler(arquivo);
    const QByteArray dirs_antes = qgetenv("XDG_CONFIG_DIRS");
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(sistema));
    definir(margens + QStringLiteral("Margem esquerda"), 12);

    std::int32_t esquerda = 0, superior = 0;
    ler_margens(esquerda, superior);
    EXPECT_EQ(esquerda, 12);
    EXPECT_EQ(superior, 30);
    SuperficieGravacao g;
    usar_impressora(g, QStringLiteral("Servidor"));
    EXPECT_TRUE(set_default_font(g));
    EXPECT_EQ(fonte_de(g), QStringLiteral("Arial 14"));
    gravar_margens(QStringLiteral("7"), QStringLiteral("8"), esquerda, superior);
    gravar_fonte_padrao(g);
    EXPECT_EQ(ler(arquivo), antes);
    EXPECT_EQ(valor(margens + QStringLiteral("Margem Superior")).toInt(), 8);
    qputenv("XDG_CONFIG_DIRS", dirs_antes);
}

} // namespace
