// Measurement of a report's first page on the recording printer (10 pt:
// "A" is 120 x 240 twips; A4 is 11906 x 16838 twips): the extents, the
// report's printer and font records, the metrics every pass starts from, the
// paper names and the fit warnings.
#include "analysis/medicao.h"
#include "comum/apoio.h"
#include "comum/superficie_gravacao.h"

#include <QSettings>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

// ESC "F" with the head of a font record.
QByteArray registro_fonte(const QByteArray& nome, int tamanho, bool negrito, bool italico,
                          bool sublinhado = false, bool riscado = false)
{
    QByteArray r(54, '\0');
    r.replace(6, nome.size(), nome);
    r[40] = static_cast<char>(tamanho);
    r[41] = negrito ? 1 : 0;
    r[42] = italico ? 3 : 0;
    r[43] = sublinhado ? 1 : 0;
    r[44] = riscado ? 1 : 0;
    r[47] = '\x0c';
    return esc('F', r);
}

// What the window would be told, in order.
struct Gravador : Observador {
    QStringList eventos;
    void mensagem(const QString& t) override { eventos << "mensagem:" + t; }
    void aviso(const QString& t) override { eventos << "aviso:" + t; }
    void impressora_escolhida(const QString& n, const QString& p) override { eventos << "impressora:" + n + "|" + p; }
    void fonte_escolhida() override { eventos << QStringLiteral("fonte"); }
    void medicao_concluida() override { eventos << QStringLiteral("concluida"); }
};

const QString aviso_tamanho = QStringLiteral("Atenção. \nO Tamanho da Folha é insuficiente para\ncomportar este relatório.");
const QString aviso_largura = QStringLiteral("Atenção. \nA largura da Folha é insuficiente para\ncomportar este relatório.");
const QString aviso_altura = QStringLiteral("Atenção. \nA altura da Folha é insuficiente para\ncomportar este relatório.");

class Medir : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings s = loja();
        s.clear();
    }

    Medicao medir(const QByteArray& dados, const OpcoesMedicao& opcoes = {})
    {
        Documento doc;
        doc.nome_arquivo = gravar(QStringLiteral("medir.spl"), dados);
        return medir_relatorio(doc, m, g, obs, &dialogo, opcoes);
    }

    SuperficieGravacao g;
    Metricas m;
    Gravador obs;
    FonteEscolhida dialogo;
};

TEST_F(Medir, ExtensaoDaPrimeiraPagina)
{
    QByteArray dez_linhas;
    for (int i = 0; i < 10; ++i)
        dez_linhas += QByteArray(80, 'x') + '\n';
    QByteArray cem_linhas;
    for (int i = 0; i < 100; ++i)
        cem_linhas += "A\n";

    struct Caso {
        const char* descricao;
        QByteArray dados;
        double largura, altura;
    };
    const Caso casos[] = {
        {"o último byte não é medido", "ABCD", 360, 0},
        {"dez linhas de 80", dez_linhas + "\x0c", 9600, 2160},
        {"a linha que passaria da folha encerra", cem_linhas, 120, 16560},
        {"os dígitos depois de ESC C são texto", "AB" + esc('C', "12\x1a") + "!", 600, 0},
        {"controles e bytes altos são caracteres", "\t\x0e\x0f\x1a\x80\xff\x01.", 840, 0},
        {"FF encerra", "AAAA\x0c" "AAAAAAAA.", 480, 0},
        {"ESC 9 encerra", "AA" + esc('9') + "AAAAA.", 240, 0},
        {"ESC D dentro do registro não encerra", registro_impressora("Nenhuma", 1, 9, 0) + "AA.", 240, 0},
        {"coluna", esc('X', "11,") + "A.", 1320, 0},
        {"posição em twips", esc('x', "5000,") + "A" + esc('y', "700,") + "A.", 5240, 700},
        {"mover sem texto não mede", esc('H', "10,") + esc('V', "10,") + ".", 0, 0},
        {"caixa em células", esc('B', "1,1,10,5,2,4,") + ".", 1140, 1080},
        {"linha em twips", esc('l', "100,200,3000,4000,1,0,") + ".", 3000, 4000},
        {"campo de texto em colunas", esc('R', "1,40,0,") + ".", 4680, 0},
        {"barras 2 de 5 com altura e módulo 0", esc('Z', "1,0,0,12,") + ".", 129.6, 192},
        {"barras EAN-13", esc('Z', "2,0,2,123456789012,") + ".", 988.8, 230.4},
        {"barras com padrão fora da faixa", esc('Z', "9,100,1,123,") + ".", 4.8 * 45, 480},
        {"comando cortado pelo fim não conta", "AA" + esc('l', "0,0,9000,9000,1,") + "0", 240, 0},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.descricao);
        const Medicao r = medir(c.dados);
        EXPECT_TRUE(r.arquivo_lido);
        EXPECT_NEAR(r.largura_relatorio, c.largura, 1e-6);
        EXPECT_NEAR(r.altura_relatorio, c.altura, 1e-6);
        EXPECT_TRUE(r.avisos.isEmpty());
        EXPECT_EQ(m.altura_linha_padrao, 240);
        EXPECT_EQ(m.largura_caracter_padrao, 120);
    }
}

TEST_F(Medir, ImagemMedidaPeloTamanho)
{
    const QString caminho = gravar_figura(QStringLiteral("figura.png"), {40, 20}, Qt::white);
    ASSERT_FALSE(caminho.isEmpty());
    Medicao r = medir("A" + esc('G', caminho.toUtf8() + "\r") + ".");
    EXPECT_EQ(r.largura_relatorio, 120 + 40 * 15);
    EXPECT_EQ(r.altura_relatorio, 20 * 15);
    r = medir("A" + esc('G', "/nao/existe.png\r") + "A.");
    EXPECT_EQ(r.largura_relatorio, 240);
    EXPECT_EQ(r.altura_relatorio, 0);
}

TEST_F(Medir, MetricasQueOsPassesUsam)
{
    // ESC "7" and "8" on the first page become the defaults of later passes.
    Medicao r = medir(esc('7', "300,") + esc('8', "100,") + "\n\nA.");
    EXPECT_EQ(m.altura_linha, 300);
    EXPECT_EQ(m.altura_linha_padrao, 300);
    EXPECT_EQ(m.largura_caracter_padrao, 100);
    EXPECT_EQ(r.altura_relatorio, 600);
    EXPECT_EQ(r.largura_relatorio, 120); // text moves by the width of "A"

    // ESC "A": the page is ten lines long for the line test and the warnings.
    QByteArray linhas;
    for (int i = 0; i < 20; ++i)
        linhas += "A\n";
    r = medir(esc('A', "10,") + linhas);
    EXPECT_EQ(m.altura_folha, 2400);
    EXPECT_EQ(g.height(), 16838); // the printer's paper is not changed
    EXPECT_EQ(r.altura_relatorio, 1920);

    // Values too big for their fields stay at the field's limit.
    medir(esc('7', "99999,") + ".");
    EXPECT_EQ(m.altura_linha_padrao, 32767);
}

TEST_F(Medir, AvisosEMensagensNaOrdem)
{
    struct Caso {
        const char* descricao;
        QByteArray dados;
        QStringList avisos, mensagens;
    };
    const Caso casos[] = {
        {"larga e alta", esc('x', "11900,") + "A" + esc('y', "17000,") + "A.",
         {aviso_tamanho, aviso_largura, aviso_altura}, {}},
        {"só larga", esc('x', "11787,") + "A.", {aviso_largura}, {}},
        {"exatamente da largura da folha", esc('x', "11786,") + "A.", {}, {}},
        {"só alta, por uma linha", esc('l', "0,0,100,16839,1,0,") + ".", {aviso_altura}, {}},
        {"exatamente da altura", esc('l', "0,0,100,16838,1,0,") + ".", {}, {}},
        {"alta por um código de barras", esc('y', "16700,") + esc('Z', "1,0,0,12,") + ".", {aviso_altura}, {}},
        {"mensagens do relatório", esc('0', "Ol\xe1 \xe0 todos  \r") + "A" + esc('0', "Segunda\n") + "..", {},
         {QStringLiteral("Olá à todos"), QStringLiteral("Segunda")}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.descricao);
        obs.eventos.clear();
        const Medicao r = medir(c.dados);
        EXPECT_EQ(r.avisos, c.avisos);
        EXPECT_EQ(r.mensagens, c.mensagens);
        QStringList esperado;
        for (const QString& t : c.mensagens)
            esperado << "mensagem:" + t;
        for (const QString& t : c.avisos)
            esperado << "aviso:" + t;
        esperado << QStringLiteral("concluida");
        EXPECT_EQ(obs.eventos, esperado);
    }
}

TEST_F(Medir, RegistroDeImpressoraDeFormularioContinuo)
{
    // The name has a zero byte and trailing blanks, which are dropped.
    const Medicao r = medir(registro_impressora(QByteArray("Arquivo\0 PDF   ", 15), orientacao_paisagem, 28,
                                                bandeja_trator) + "A\nA.");
    EXPECT_EQ(g.deviceName(), "Arquivo PDF");
    EXPECT_EQ(g.paperSize(), 28);
    EXPECT_EQ(g.paperBin(), bandeja_trator);
    EXPECT_EQ(g.orientation(), orientacao_paisagem);
    EXPECT_EQ(r.papel, "Envelope C5, 162 x 229 mm");
    // Tractor paper: lines a fifth taller.
    EXPECT_EQ(m.altura_linha_padrao, 288);
    EXPECT_EQ(m.largura_caracter_padrao, 120);
    EXPECT_EQ(r.altura_relatorio, 288);
    EXPECT_EQ(obs.eventos, QStringList({QStringLiteral("impressora:Arquivo PDF|Envelope C5, 162 x 229 mm"),
                                        QStringLiteral("concluida")}));
    // Measuring only reads the settings: the new printer gets no key.
    QSettings s = loja();
    EXPECT_FALSE(s.contains(QStringLiteral("Software/Orvel/Papelada/Arquivo PDF/FontName")));

    // Without a record the factor is not applied, even on tractor paper.
    medir("A\nA.");
    EXPECT_EQ(m.altura_linha_padrao, 240);
}

TEST_F(Medir, ImpressoraEscolhidaPeloChamadorFica)
{
    OpcoesMedicao opcoes;
    opcoes.manter_impressora = true;
    const Medicao r = medir(registro_impressora("Arquivo PDF", 1, 9, bandeja_trator) + ".", opcoes);
    EXPECT_EQ(g.deviceName(), "Gravador");
    EXPECT_EQ(g.paperBin(), bandeja_trator);
    EXPECT_EQ(r.papel, "A4, 210 x 297 mm");
    EXPECT_EQ(m.altura_linha_padrao, 288);
}

TEST_F(Medir, ImpressoraQueNaoExiste)
{
    // Only the default font comes back and the metrics are taken again.
    const Medicao r = medir(registro_fonte("Times New Roman", 20, true, false)
                            + registro_impressora("arquivo pdf", 2, 9, bandeja_trator) + "A.");
    EXPECT_EQ(g.deviceName(), "Gravador");
    EXPECT_EQ(g.paperBin(), 0);
    EXPECT_EQ(g.orientation(), orientacao_retrato);
    EXPECT_TRUE(r.papel.isEmpty());
    EXPECT_EQ(fonte_de(g), "Courier New 10");
    EXPECT_EQ(m.altura_linha_padrao, 240);
    EXPECT_EQ(r.largura_relatorio, 120);
    EXPECT_EQ(obs.eventos, QStringList({QStringLiteral("fonte"), QStringLiteral("concluida")}));
}

TEST_F(Medir, RegistroDeFonte)
{
    // The colour of a box is no colour for the text.
    const Medicao r = medir(esc('b', "0,0,0,0,1,4,") + registro_fonte("Arial", 12, true, true, true, false) + "AA.");
    EXPECT_EQ(fonte_de(g), "Arial 12 b i u");
    EXPECT_EQ(g.foreColor(), QBColor(0));
    EXPECT_EQ(m.altura_linha_padrao, 288);
    EXPECT_EQ(m.largura_caracter_padrao, 144);
    EXPECT_EQ(r.largura_relatorio, 288);
    // The font dialog starts from the report's font.
    EXPECT_EQ(dialogo.nome, "Arial");
    EXPECT_EQ(dialogo.tamanho, 12);
    EXPECT_TRUE(dialogo.negrito);
    EXPECT_TRUE(dialogo.sublinhado);
    EXPECT_EQ(obs.eventos, QStringList({QStringLiteral("fonte"), QStringLiteral("concluida")}));

    // A size of 0 and an empty name leave the font as it was.
    medir(registro_fonte("", 0, false, false) + ".");
    EXPECT_EQ(fonte_de(g), "Courier New 10");

    // A record cut by the end of the file is not applied.
    medir(registro_fonte("Arial", 30, true, true).left(40));
    EXPECT_EQ(g.fontName(), "Courier New");
    EXPECT_EQ(m.altura_linha_padrao, 240);
}

TEST_F(Medir, FonteGuardadaDaImpressora)
{
    {
        QSettings s = loja();
        s.setValue(QStringLiteral("Software/Orvel/Papelada/Gravador/FontName"), QStringLiteral("Terminal"));
        s.setValue(QStringLiteral("Software/Orvel/Papelada/Gravador/FontSize"), 5);
        s.setValue(QStringLiteral("Software/Orvel/Papelada/Gravador/FontBold"), 0);
        s.setValue(QStringLiteral("Software/Orvel/Papelada/Gravador/FontItalic"), 0);
    }
    g.setFontUnderline(true);
    const Medicao r = medir("AAAA.");
    EXPECT_EQ(fonte_de(g), "Terminal 5");
    EXPECT_EQ(m.largura_caracter_padrao, 60);
    EXPECT_EQ(m.altura_linha_padrao, 120);
    EXPECT_EQ(r.largura_relatorio, 240);
}

TEST_F(Medir, ArquivoQueNaoAbre)
{
    Documento doc;
    doc.nome_arquivo = pasta_temporaria() + QStringLiteral("/nao-existe.spl");
    const Medicao r = medir_relatorio(doc, m, g, obs, nullptr, {});
    EXPECT_FALSE(r.arquivo_lido);
    EXPECT_FALSE(r.erro.isEmpty());
    EXPECT_EQ(m.altura_linha_padrao, 240);
    EXPECT_EQ(m.largura_caracter_padrao, 120);
    EXPECT_TRUE(obs.eventos.isEmpty());
    doc.nome_arquivo = pasta_temporaria();
    EXPECT_FALSE(medir_relatorio(doc, m, g, obs, nullptr, {}).arquivo_lido);
}

TEST(NomePapel, CodigosConhecidosEDesconhecidos)
{
    const std::pair<int, const char*> casos[] = {
        {9, "A4, 210 x 297 mm"},  {41, "German Legal Fanfold, 8 1/2 x 13"}, {256, "Definido pelo usuário"},
        {0, "Formulário não identificado"}, {42, "Formulário não identificado"}, {-1, "Formulário não identificado"},
    };
    for (const auto& [codigo, nome] : casos)
        EXPECT_EQ(nome_papel(codigo), QString::fromUtf8(nome)) << codigo;
}

} // namespace
