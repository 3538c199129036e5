// The settings store: margins and the default font of every printer, their
// byte formats, the repair of missing values, printer names of any shape,
// and programs writing the store at the same time.
#include "comum/apoio.h"
#include "settings/configuracoes.h"
#include "comum/superficie_gravacao.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

const QString margens = QStringLiteral("Software/Orvel/Papelada/");

QByteArray bytes(std::initializer_list<int> b)
{
    QByteArray r;
    for (int v : b)
        r.append(static_cast<char>(v));
    return r;
}

class Configuracoes : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings s = loja();
        s.clear();
        s.sync();
    }

    // A recording printer with the given device name.
    static void usar_impressora(SuperficieGravacao& g, const QString& nome)
    {
        g.impressoras << nome;
        ASSERT_TRUE(g.selectPrinter(nome));
    }

    static QVariant valor(const QString& chave)
    {
        QSettings s = loja();
        return s.value(chave);
    }
    static void definir(const QString& chave, const QVariant& v)
    {
        QSettings s = loja();
        s.setValue(chave, v);
    }
    static void remover(const QString& chave)
    {
        QSettings s = loja();
        s.remove(chave);
    }
};

TEST_F(Configuracoes, PrimeiroInicioGravaDezMilimetros)
{
    std::int32_t e = -1, s = -1;
    ler_margens(e, s);
    EXPECT_EQ(e, 10);
    EXPECT_EQ(s, 10);
    EXPECT_EQ(valor(margens + "Margem esquerda").toByteArray(), bytes({0x0A, 0x00}));
    EXPECT_EQ(valor(margens + "Margem Superior").toByteArray(), bytes({0x0A, 0x00}));

    // A value that cannot be read (text, or longer than two bytes) is
    // replaced by the default too; the other one is kept.
    definir(margens + "Margem esquerda", QStringLiteral("abc"));
    definir(margens + "Margem Superior", bytes({0x07, 0x00}));
    ler_margens(e, s);
    EXPECT_EQ(e, 10);
    EXPECT_EQ(s, 7);
    definir(margens + "Margem esquerda", bytes({1, 2, 3}));
    ler_margens(e, s);
    EXPECT_EQ(e, 10);
    EXPECT_EQ(valor(margens + "Margem esquerda").toByteArray(), bytes({0x0A, 0x00}));
}

TEST_F(Configuracoes, MargensDigitadas)
{
    struct Caso {
        const char* texto;
        std::int32_t memoria; // value kept by the window
        QByteArray gravado;
        std::int32_t relido; // value read at the next start
    };
    const Caso casos[] = {
        {"12.5", 12, bytes({0x0C, 0x00}), 12},
        {"13.5", 14, bytes({0x0E, 0x00}), 14},
        {"12,5", 12, bytes({0x0C, 0x00}), 12},
        {"300", 300, bytes({0x2C, 0x01}), 300},
        {"abc", 0, bytes({0x00, 0x00}), 0},
        {"", 0, bytes({0x00, 0x00}), 0},
        {" 7mm", 7, bytes({0x07, 0x00}), 7},
        // Negative margins come back as typed, and a margin that two bytes
        // cannot hold is kept at their limit instead of wrapping around.
        {"-5", -5, bytes({0xFB, 0xFF}), -5},
        {"70000", 70000, bytes({0xFF, 0x7F}), 32767},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.texto);
        std::int32_t e = 0, s = 0;
        gravar_margens(QString::fromUtf8(c.texto), QStringLiteral("1"), e, s);
        EXPECT_EQ(e, c.memoria);
        EXPECT_EQ(s, 1);
        EXPECT_EQ(valor(margens + "Margem esquerda").toByteArray(), c.gravado);
        EXPECT_EQ(valor(margens + "Margem Superior").toByteArray(), bytes({0x01, 0x00}));
        ler_margens(e, s);
        EXPECT_EQ(e, c.relido);
    }
}

TEST_F(Configuracoes, ImpressoraNovaGuardaAFonteQueTinha)
{
    struct Caso {
        double tamanho;
        bool negrito, italico;
        QByteArray tamanho_gravado;
    };
    const Caso casos[] = {
        {12, true, false, bytes({0x0C, 0x00})},
        {8.25, false, true, bytes({0x08, 0x00})},
        {10.5, false, false, bytes({0x0A, 0x00})},
        {11.5, true, true, bytes({0x0C, 0x00})},
    };
    int k = 0;
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.tamanho);
        SuperficieGravacao g;
        const QString nome = QStringLiteral("Nova %1").arg(++k);
        usar_impressora(g, nome);
        g.setFontName(QStringLiteral("Arial"));
        g.setFontSize(c.tamanho);
        g.setFontBold(c.negrito);
        g.setFontItalic(c.italico);
        FonteEscolhida dialogo;
        EXPECT_FALSE(set_default_font(g, &dialogo));
        // The printer keeps its font, and the dialog starts from it.
        EXPECT_EQ(g.fontName(), "Arial");
        EXPECT_EQ(g.fontSize(), c.tamanho);
        EXPECT_EQ(dialogo.nome, "Arial");
        EXPECT_EQ(dialogo.tamanho, c.tamanho);
        EXPECT_EQ(dialogo.negrito, c.negrito);
        EXPECT_EQ(dialogo.italico, c.italico);

        const QString chave = margens + nome + u'/';
        EXPECT_EQ(valor(chave + "FontName").toString(), "Arial");
        EXPECT_EQ(valor(chave + "FontSize").toByteArray(), c.tamanho_gravado);
        EXPECT_EQ(valor(chave + "FontBold").toByteArray(), bytes({c.negrito ? 1 : 0, 0}));
        EXPECT_EQ(valor(chave + "FontItalic").toByteArray(), bytes({c.italico ? 1 : 0, 0}));

        // From now on the stored font is applied.
        g.setFontName(QStringLiteral("Terminal"));
        g.setFontSize(30);
        EXPECT_TRUE(set_default_font(g));
        EXPECT_EQ(g.fontName(), "Arial");
        EXPECT_EQ(g.fontSize(), valor(chave + "FontSize").toByteArray().at(0));
        EXPECT_EQ(g.fontBold(), c.negrito);
        EXPECT_EQ(g.fontItalic(), c.italico);
    }
}

TEST_F(Configuracoes, ValorAusenteVemDaImpressora)
{
    // A key holding Times New Roman 14 bold, without "FontItalic": the
    // printer's italic setting is written (FF FF for true) and kept.
    for (bool italico : {true, false}) {
        SCOPED_TRACE(italico);
        const QString chave = margens + QStringLiteral("Laser/");
        definir(chave + "FontName", QStringLiteral("Times New Roman"));
        definir(chave + "FontSize", bytes({14, 0}));
        definir(chave + "FontBold", bytes({1, 0}));
        remover(chave + "FontItalic");

        SuperficieGravacao g;
        usar_impressora(g, QStringLiteral("Laser"));
        g.setFontItalic(italico);
        FonteEscolhida dialogo;
        EXPECT_TRUE(set_default_font(g, &dialogo));
        EXPECT_EQ(g.fontName(), "Times New Roman");
        EXPECT_EQ(g.fontSize(), 14);
        EXPECT_TRUE(g.fontBold());
        EXPECT_EQ(g.fontItalic(), italico);
        EXPECT_EQ(dialogo.nome, "Times New Roman");
        EXPECT_EQ(dialogo.italico, italico);
        EXPECT_EQ(valor(chave + "FontItalic").toByteArray(),
                  italico ? bytes({0xFF, 0xFF}) : bytes({0, 0}));
    }
}

TEST_F(Configuracoes, ValoresGravadosSaoAplicados)
{
    struct Caso {
        const char* descricao;
        QVariant negrito, tamanho;
        bool negrito_esperado;
        double tamanho_esperado;
    };
    const Caso casos[] = {
        {"negrito 2", bytes({2, 0}), bytes({9, 0}), true, 9},
        {"negrito -1", bytes({0xFF, 0xFF}), bytes({12, 0}), true, 12},
        {"negrito 0", bytes({0, 0}), bytes({12, 0}), false, 12},
        {"um byte", bytes({1}), bytes({20}), true, 20},
        // A size of 0 points is refused by the printer: its size stays.
        {"tamanho 0", bytes({0, 1}), bytes({0, 0}), true, 7},
        // A value of another shape is taken from the printer and written.
        {"tamanho em texto", bytes({0, 0}), QStringLiteral("12"), false, 7},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.descricao);
        const QString chave = margens + QStringLiteral("Matricial/");
        definir(chave + "FontName", QStringLiteral("Courier New"));
        definir(chave + "FontSize", c.tamanho);
        definir(chave + "FontBold", c.negrito);
        definir(chave + "FontItalic", bytes({0, 0}));
        SuperficieGravacao g;
        usar_impressora(g, QStringLiteral("Matricial"));
        g.setFontSize(7);
        g.setFontBold(!c.negrito_esperado);
        EXPECT_TRUE(set_default_font(g));
        EXPECT_EQ(g.fontBold(), c.negrito_esperado);
        EXPECT_EQ(g.fontSize(), c.tamanho_esperado);
    }
    EXPECT_EQ(valor(margens + QStringLiteral("Matricial/FontSize")).toByteArray(), bytes({7, 0}));
}

TEST_F(Configuracoes, CadaNomeDeImpressoraTemSuaChave)
{
    const QStringList nomes = {
        QStringLiteral("HP LaserJet 4"),  QStringLiteral("\\\\servidor\\fila"),
        QStringLiteral("\\\\servidor/fila"), QStringLiteral("a/b"),
        QStringLiteral("a\\b"),           QStringLiteral("a%2Fb"),
        QStringLiteral("a%5Cb"),          QStringLiteral("a%b"),
        QStringLiteral("Impressão Fiscal ção"), QStringLiteral("  espaços  "),
        QStringLiteral("General"),        QStringLiteral("x=y;z #1 [seção]"),
        QStringLiteral("aspas \"e\" 'apóstrofos', vírgula"), QStringLiteral("/"),
        QStringLiteral("A/B"),            QStringLiteral("€ 日本"),
    };
    const QStringList fontes = {QStringLiteral("Arial"), QStringLiteral("Times New Roman"),
                                QStringLiteral("Terminal"), QStringLiteral("Courier New")};
    auto fonte_de = [&](qsizetype i, SuperficieGravacao& g) {
        g.setFontName(fontes[i % fontes.size()]);
        g.setFontSize(6 + static_cast<double>(i));
        g.setFontBold(i % 2 == 1);
        g.setFontItalic(i % 3 == 1);
    };
    for (qsizetype i = 0; i < nomes.size(); ++i) {
        SuperficieGravacao g;
        usar_impressora(g, nomes[i]);
        fonte_de(i, g);
        gravar_fonte_padrao(g);
    }
    for (qsizetype i = 0; i < nomes.size(); ++i) {
        SCOPED_TRACE(nomes[i].toStdString());
        SuperficieGravacao g, esperado;
        usar_impressora(g, nomes[i]);
        g.setFontSize(40);
        fonte_de(i, esperado);
        EXPECT_TRUE(set_default_font(g));
        EXPECT_EQ(g.fontName(), esperado.fontName());
        EXPECT_EQ(g.fontSize(), esperado.fontSize());
        EXPECT_EQ(g.fontBold(), esperado.fontBold());
        EXPECT_EQ(g.fontItalic(), esperado.fontItalic());
    }
    // One key each, and nothing else under the margin key.
    QSettings s = loja();
    s.beginGroup(QStringLiteral("Software/Orvel/Papelada"));
    EXPECT_EQ(s.childGroups().size(), nomes.size());
    EXPECT_TRUE(s.childKeys().isEmpty());

    // A printer never used before has no default yet.
    SuperficieGravacao outra;
    usar_impressora(outra, QStringLiteral("a"));
    EXPECT_FALSE(set_default_font(outra));
}

TEST_F(Configuracoes, NomeDeFonteVoltaComoFoiGravado)
{
    for (const QString& fonte : {QStringLiteral("Fonte, com vírgula"), QStringLiteral(" espaço à esquerda"),
                                 QStringLiteral("a;b#c=d"), QStringLiteral("@ByteArray(x)"),
                                 QStringLiteral("\"aspas\""), QStringLiteral("@Variant(y)")}) {
        SCOPED_TRACE(fonte.toStdString());
        SuperficieGravacao g;
        usar_impressora(g, QStringLiteral("Fontes"));
        g.fontes << fonte;
        g.setFontName(fonte);
        gravar_fonte_padrao(g);
        g.setFontName(QStringLiteral("Arial"));
        EXPECT_TRUE(set_default_font(g));
        EXPECT_EQ(g.fontName(), fonte);
    }
}

TEST_F(Configuracoes, DefinirFontePadraoEDepoisEscolherAImpressora)
{
    SuperficieGravacao g;
    usar_impressora(g, QStringLiteral("Jato"));
    EXPECT_FALSE(set_default_font(g));
    g.setFontName(QStringLiteral("Times New Roman"));
    g.setFontSize(11);
    g.setFontItalic(true);
    gravar_fonte_padrao(g);
    EXPECT_EQ(valor(margens + "Jato/FontItalic").toByteArray(), bytes({1, 0}));

    aplicar_fonte_reserva(g);
    EXPECT_EQ(g.fontName(), "Courier New");
    EXPECT_EQ(g.fontSize(), 10);
    EXPECT_TRUE(set_default_font(g));
    EXPECT_EQ(g.fontName(), "Times New Roman");
    EXPECT_EQ(g.fontSize(), 11);
    EXPECT_FALSE(g.fontBold());
    EXPECT_TRUE(g.fontItalic());
}

TEST_F(Configuracoes, MetricasDaFonteEscolhida)
{
    SuperficieGravacao g;
    Metricas m;
    for (auto [tamanho, altura, largura] : {std::tuple{10.0, 288, 120}, std::tuple{9.0, 259, 108},
                                            std::tuple{12.5, 360, 150}, std::tuple{10.125, 292, 122},
                                            std::tuple{10.375, 299, 124}}) { // halves to even
        g.setFontSize(tamanho);
        recalcular_metricas(g, m);
        EXPECT_EQ(m.altura_linha, altura);
        EXPECT_EQ(m.largura_caracter, largura);
        EXPECT_EQ(m.altura_linha_padrao, altura);
        EXPECT_EQ(m.largura_caracter_padrao, largura);
    }
}

// Run as a separate program by the next test: writes the store over and over
// under a printer name of its own.
TEST(ConfiguracoesFilho, Escritor)
{
    const QString nome = qEnvironmentVariable("PAPELADA_TESTE_ESCRITOR");
    if (nome.isEmpty())
        GTEST_SKIP() << "só como processo filho";
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, qEnvironmentVariable("PAPELADA_TESTE_PASTA"));
    SuperficieGravacao g;
    g.impressoras << nome;
    g.selectPrinter(nome);
    g.setFontName(QStringLiteral("Arial"));
    g.setFontSize(12);
    g.setFontBold(true);
    for (int i = 0; i < 15; ++i) {
        set_default_font(g);
        gravar_fonte_padrao(g);
        std::int32_t e = 0, s = 0;
        gravar_margens(QStringLiteral("15"), QStringLiteral("25"), e, s);
    }
}

TEST(ConfiguracoesConcorrentes, ProgramasGravandoAoMesmoTempo)
{
    if (!qEnvironmentVariableIsEmpty("PAPELADA_TESTE_ESCRITOR"))
        GTEST_SKIP();
    QTemporaryDir pasta;
    ASSERT_TRUE(pasta.isValid());
    QStringList nomes;
    for (int rodada = 0; rodada < 3; ++rodada) {
        std::vector<std::unique_ptr<QProcess>> filhos;
        for (int k = 0; k < 3; ++k) {
            const QString nome = QStringLiteral("Fila %1/%2").arg(rodada).arg(k);
            nomes << nome;
            auto p = std::make_unique<QProcess>();
            QProcessEnvironment amb = QProcessEnvironment::systemEnvironment();
            amb.insert(QStringLiteral("PAPELADA_TESTE_ESCRITOR"), nome);
            amb.insert(QStringLiteral("PAPELADA_TESTE_PASTA"), pasta.path());
            p->setProcessEnvironment(amb);
            p->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--gtest_filter=ConfiguracoesFilho.Escritor")});
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
    EXPECT_EQ(s.value(QStringLiteral("Margem esquerda")).toByteArray(), bytes({15, 0}));
    EXPECT_EQ(s.value(QStringLiteral("Margem Superior")).toByteArray(), bytes({25, 0}));
    EXPECT_EQ(s.childGroups().size(), nomes.size());
    for (const QString& grupo : s.childGroups()) {
        SCOPED_TRACE(grupo.toStdString());
        s.beginGroup(grupo);
        EXPECT_EQ(s.value(QStringLiteral("FontName")).toString(), "Arial");
        EXPECT_EQ(s.value(QStringLiteral("FontSize")).toByteArray(), bytes({12, 0}));
        EXPECT_EQ(s.value(QStringLiteral("FontBold")).toByteArray(), bytes({1, 0}));
        EXPECT_EQ(s.value(QStringLiteral("FontItalic")).toByteArray(), bytes({0, 0}));
        s.endGroup();
    }
    // No lock or temporary file is left behind.
    EXPECT_EQ(QDir(pasta.path() + QStringLiteral("/Orvel")).entryList(QDir::Files), QStringList{"Papelada.ini"});
}

} // namespace
