// The barcode command, read back from the lines that a recording surface logs
// (in device pixels while the barcode is drawn): where the bars and digits
// stand, data that draws the same as other data, heights at any resolution,
// the scale and the pen given back. That each symbology scans is checked by
// teste_barras_leitura.
#include "barcode/barra.h"
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

// --- The command on the printer ---------------------------------------------

// One barcode command on a recording printer at `dpi`, the pen at (1440,
// 1440) twips unless `preparar` moves it.
struct Impressao {
    SuperficieGravacao s;
    Impressao(int padrao, const QByteArray& dados, double dpi = 300, std::int64_t altura = 120,
              std::int64_t largura = 3, const std::function<void(SuperficieGravacao&)>& preparar = {})
        : s(dpi)
    {
        s.setCurrentX(1440);
        s.setCurrentY(1440);
        if (preparar)
            preparar(s);
        desenhar_barra(s, completar_barra(CamposBarra{padrao, altura, largura, dados}));
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
        {"I25 ímpar: um 0 na frente", 1, "123", "0123"},
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
    // The height comes in 1/300 inch and is drawn in device pixels; guard
    // bars are 10 % longer. 4800 dpi: the page is more than 32767 pixels
    // high and the factor is still right.
    const QList<CasoResolucao> casos = {
        {600, 120, 240, 264}, {1200, 100, 400, 440}, {4800, 120, 1920, 2112},
    };
    for (const CasoResolucao& c : casos) {
        SCOPED_TRACE(c.dpi);
        const Impressao p(2, "5901234123457", c.dpi, c.altura);
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

TEST(Codificacao, LarguraEmModulos)
{
    // Interleaved 2 of 5: 9 modules a digit and 9 of start and stop; EAN-13
    // 103 with the room for its first digit; EAN-8 67; Code 39: 16 a
    // character, the two stars included.
    const struct {
        int padrao;
        QByteArray dados;
        int modulos;
    } casos[] = {{1, "1234", 45}, {2, "5901234123457", 103}, {3, "96385074", 67}, {4, "A", 48}, {7, "1", 0}};
    for (const auto& c : casos) {
        int total = 0;
        for (const Elemento& e : codificar_barra(c.padrao, c.dados).elementos)
            total += e.modulos;
        EXPECT_EQ(total, c.modulos) << c.padrao;
    }
}

TEST(Comando, SimbologiaDesconhecidaSoTrocaAEscala)
{
    for (int padrao : {0, 5, -1}) {
        SCOPED_TRACE(padrao);
        SuperficieGravacao s;
        desenhar_barra(s, Barra{padrao, 120, 3, "123456"});
        EXPECT_EQ(s.registro, QStringList({QStringLiteral("ScaleMode 3"), QStringLiteral("ScaleMode 1")}));
    }
}

TEST(Comando, MargensVoltamDepoisDaBarra)
{
    // The print job measures from the margins (scale origin at minus the
    // margins). After the barcode the origin and the pen are back.
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
    EXPECT_DOUBLE_EQ(s.currentX(), 1440);
    EXPECT_DOUBLE_EQ(s.currentY(), 2880);
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
