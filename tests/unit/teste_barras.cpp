// The barcode command, read back from the lines that a recording surface logs
// (in device pixels while the printer side draws): where the bars and digits
// stand, data that draws the same as other data, heights at any resolution,
// the scale and the pen given back. That each symbology scans is checked by
// teste_barras_leitura.
#include "barcode/barra.h"
#include "barcode/elementos.h"
#include "comum/superficie_gravacao.h"

#include <QMap>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>

using namespace papelada;

namespace {

struct LinhaLida {
    double x, y1, y2;
};

QList<LinhaLida> linhas(const QStringList& registro)
{
    static const QRegularExpression re(QStringLiteral("^Line ([-0-9.e]+),([-0-9.e]+) ([-0-9.e]+),([-0-9.e]+) #000000 w=1 s=0$"));
    QList<LinhaLida> r;
    for (const QString& l : registro) {
        const auto m = re.match(l);
        if (m.hasMatch()) {
            EXPECT_EQ(m.captured(1), m.captured(3)) << l.toStdString(); // vertical
            r.append({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(4).toDouble()});
        }
    }
    return r;
}

QStringList impressos(const QStringList& registro) { return registro.filter(QRegularExpression(QStringLiteral("^Print "))); }

// --- Elements on the preview page ------------------------------------------

TEST(Elementos, LinhasDaVisualizacaoPorZoom)
{
    // A bar of k modules is near(k x zoom) lines (I25, guards) or
    // near(15 x k x zoom) lines (Code 39): at 40 % a narrow I25 bar is no
    // line at all, at 70 % a narrow Code 39 bar is near(10.5) = 10 lines.
    const auto inicio = [](Desenho& d) { imprimir_start(d); };
    const auto separador = [](Desenho& d) { imprimir_separador(d); };
    const auto c39 = [](Desenho& d) { imprimir_c39(d, '*'); };
    struct Caso {
        double zoom;
        std::function<void(Desenho&)> desenhar;
        int linhas;
        double avanco; // of bar_x, in page units
    };
    const Caso casos[] = {
        {0.4, inicio, 0, 12},   {1.5, inicio, 4, 105},  {0.4, separador, 0, 33},
        {1.5, separador, 4, 142.5}, {1.0, c39, 135, 315}, {0.7, c39, 94, 242.5},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(std::to_string(c.zoom) + " " + std::to_string(c.linhas));
        SuperficieGravacao s;
        EstadoBarra e;
        e.bar_x = 1000;
        e.bar_topo = 500;
        e.bar_base = 1100;
        Desenho d(s, e, geometria_visualizacao(c.zoom, e));
        c.desenhar(d);
        EXPECT_EQ(linhas(s.registro).size(), c.linhas);
        EXPECT_NEAR(d.estado.bar_x - 1000, c.avanco, 1e-9);
    }
}

// --- The command on the printer ---------------------------------------------

// One barcode on a recording printer at `dpi`, the pen at (1440, 1440) twips
// unless `preparar` moves it.
struct Impressao {
    SuperficieGravacao s;
    std::int64_t altura;
    Impressao(int padrao, const QByteArray& dados, double dpi = 300, std::int64_t altura_300 = 120,
              std::int16_t largura = 3, const std::function<void(SuperficieGravacao&)>& preparar = {})
        : s(dpi), altura(altura_300)
    {
        s.setCurrentX(1440);
        s.setCurrentY(1440);
        if (preparar)
            preparar(s);
        QByteArray texto = dados;
        imprimir_barra(s, padrao, altura, largura, texto);
        EXPECT_EQ(texto, dados); // the caller's data is left alone
    }
    QList<LinhaLida> ls() const { return linhas(s.registro); }
    QStringList barras() const { return s.registro.filter(QRegularExpression(QStringLiteral("^Line "))); }
};

TEST(Comando, DigitosDoEanSobAsBarras)
{
    // The pen enters at x = 300 px; an EAN-13 symbol starts 8 modules later.
    // The texts stand under the data bars (y = 300 + 120): the first digit
    // where the command was entered, each half two modules right of the
    // last line of the guard before it.
    const Impressao ean13(2, "5901234123457"), ean8(3, "96385074");
    EXPECT_EQ(ean13.ls().first().x, 324);
    EXPECT_EQ(impressos(ean13.s.registro),
              QStringList({QStringLiteral("Print \"5\" 300,420 [Courier New 10 - - - - #000000]"),
                           QStringLiteral("Print \"901234\" 338,420 [Courier New 10 - - - - #000000]"),
                           QStringLiteral("Print \"123457\" 476,420 [Courier New 10 - - - - #000000]")}));
    EXPECT_EQ(impressos(ean8.s.registro),
              QStringList({QStringLiteral("Print \"9638\" 314,420 [Courier New 10 - - - - #000000]"),
                           QStringLiteral("Print \"5074\" 410,420 [Courier New 10 - - - - #000000]")}));
}

// Data that must give the same bars (and the same text) as other data.
struct Equivalencia {
    const char* nome;
    int padrao;
    QByteArray dados, igual_a;
};

TEST(Comando, DadosQueDesenhamOMesmo)
{
    const QList<Equivalencia> casos = {
        {"espaços nas pontas", 2, "  5901234123457 ", "5901234123457"},
        {"EAN-13 além de 13 dígitos", 2, "590123412345799", "5901234123457"},
        {"EAN-8 além de 8 dígitos", 3, "963850741234", "96385074"},
        {"Code 39 minúsculas", 4, "ab-1", "AB-1"},
        {"Code 39 sem entrada vira espaço", 4, "A#B", "A B"},
        {"I25 ímpar: o último não sai", 1, "123", "12"},
    };
    for (const Equivalencia& c : casos) {
        SCOPED_TRACE(c.nome);
        const Impressao a(c.padrao, c.dados), b(c.padrao, c.igual_a);
        EXPECT_FALSE(a.s.registro.isEmpty());
        EXPECT_EQ(a.s.registro, b.s.registro);
    }
}

TEST(Comando, EanCurtoCompletaComZerosEEscreveSoOQueExiste)
{
    const Impressao curto(2, "590123"), completo(2, "5901230000000");
    EXPECT_EQ(curto.barras(), completo.barras());
    QStringList textos;
    for (const QString& t : impressos(curto.s.registro))
        textos << t.section(u'"', 1, 1);
    EXPECT_EQ(textos, QStringList({QStringLiteral("5"), QStringLiteral("90123"), QString()}));
    EXPECT_EQ(Impressao(3, "").barras(), Impressao(3, "00000000").barras());
}

struct CasoResolucao {
    double dpi;
    std::int64_t altura, convertida, guarda;
};

TEST(Comando, AlturaNaResolucaoDaImpressora)
{
    // The height comes in 1/300 inch and goes back to the caller in device
    // pixels; guard bars are 10 % longer. 4800 dpi: the page is more than
    // 32767 pixels high and the factor is still right.
    const QList<CasoResolucao> casos = {
        {600, 120, 240, 264}, {1200, 100, 400, 440}, {4800, 120, 1920, 2112},
    };
    for (const CasoResolucao& c : casos) {
        SCOPED_TRACE(c.dpi);
        const Impressao p(2, "5901234123457", c.dpi, c.altura);
        EXPECT_EQ(p.altura, c.convertida);
        // All bars start at the pen; three guards of two bars of three lines.
        QMap<double, int> alturas;
        for (const LinhaLida& t : p.ls()) {
            EXPECT_EQ(t.y1, c.dpi);
            ++alturas[t.y2 - t.y1];
        }
        EXPECT_EQ(alturas.keys(), (QList<double>{double(c.convertida), double(c.guarda)}));
        EXPECT_EQ(alturas.value(c.guarda), 3 * 2 * 3);
    }
}

TEST(Comando, SimbologiaDesconhecidaSoTrocaAEscala)
{
    for (int padrao : {0, 5, -1}) {
        SCOPED_TRACE(padrao);
        const Impressao p(padrao, "123456", 600);
        EXPECT_EQ(p.s.registro, QStringList({QStringLiteral("ScaleMode 3"), QStringLiteral("ScaleMode 1")}));
        EXPECT_EQ(p.altura, 240);
    }
}

TEST(Comando, MargensVoltamDepoisDaBarra)
{
    // The print job measures from the margins (scale origin at minus the
    // margins). After the barcode the origin is back, and the pen stands
    // where the last line ended, in twips from the margin corner.
    Impressao p(4, "A", 300, 120, 3, [](SuperficieGravacao& s) {
        s.setScaleLeft(-567);
        s.setScaleTop(-850);
        s.setDrawWidth(5);
        s.setCurrentX(1440);
        s.setCurrentY(2880);
    });
    SuperficieGravacao& s = p.s;
    EXPECT_EQ(s.scaleMode(), ModoEscala::Twips);
    EXPECT_DOUBLE_EQ(s.scaleLeft(), -567);
    EXPECT_DOUBLE_EQ(s.scaleTop(), -850);
    EXPECT_EQ(s.drawWidth(), 5); // the barcode drew with one pixel and gave the pen back
    const QList<LinhaLida> ls = linhas(s.registro);
    ASSERT_FALSE(ls.isEmpty());
    // Entry: (1440 + 567) twips from the corner = 418.125 pixels.
    EXPECT_NEAR(ls.first().x, (1440 + 567) * 300 / 1440.0, 1e-6);
    EXPECT_NEAR(ls.first().y1, (2880 + 850) * 300 / 1440.0, 1e-6);
    EXPECT_NEAR(s.currentX(), ls.last().x * 4.8 - 567, 1e-4);
    EXPECT_NEAR(s.currentY(), ls.last().y2 * 4.8 - 850, 1e-4);
}

TEST(Comando, VisualizacaoNaoTocaAEscala)
{
    // On the preview the height is 5 x 1/300 inch x zoom units (twips of the
    // page) and guard bars reach 90 x zoom further.
    SuperficieGravacao s;
    s.setScaleLeft(-567);
    s.setCurrentX(1000);
    s.setCurrentY(2000);
    visualizar_barra(s, 1.5, 2, 120, 3, " 5901234123457 ");
    EXPECT_TRUE(s.registro.filter(QStringLiteral("ScaleMode")).isEmpty());
    EXPECT_DOUBLE_EQ(s.scaleLeft(), -567);
    QSet<double> bases;
    for (const LinhaLida& t : linhas(s.registro))
        bases.insert(t.y2);
    EXPECT_EQ(bases, QSet<double>({2000 + 900, 2000 + 900 + 135}));
    const QStringList t = impressos(s.registro);
    ASSERT_EQ(t.size(), 3);
    // The first digit where the command was entered, under the data bars.
    EXPECT_TRUE(t[0].startsWith(QStringLiteral("Print \"5\" 1000,2900 ")));
}

TEST(Comando, DadosEnormesNaoPrendemNemSaemDaPagina)
{
    // The widest module and the longest text a report can ask for: only the
    // lines on the page are drawn (otherwise billions of them).
    const Impressao p(4, QByteArray(32768, 'W'), 600, 2147483647, 32767);
    const double largura_pagina = 11906 * 600 / 1440.0;
    const double altura_pagina = 16838 * 600 / 1440.0;
    const QList<LinhaLida> ls = p.ls();
    EXPECT_LE(ls.size(), largura_pagina + 1);
    for (const LinhaLida& t : ls) {
        EXPECT_LE(t.x, largura_pagina);
        EXPECT_LE(t.y2, altura_pagina);
    }
}

} // namespace
