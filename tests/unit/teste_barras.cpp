// Barcode elements and the barcode command, read back from the lines that a
// recording surface logs (in device pixels while the printer side draws).
#include "barcode/barra.h"
#include "barcode/elementos.h"
#include "comum/superficie_gravacao.h"

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

// Printer-side lines from `inicio` to `fim` (device pixels), read as modules
// of `w` pixels: "1" a bar module, "0" a space module, "?" a module that is
// neither.
QString modulos(const QList<LinhaLida>& ls, double inicio, double fim, int w)
{
    const int n = static_cast<int>(fim - inicio);
    QList<bool> pixel(n, false);
    for (const LinhaLida& t : ls) {
        const double p = t.x - inicio;
        EXPECT_EQ(p, std::floor(p)) << "line between pixels at " << t.x;
        if (p >= 0 && p < n)
            pixel[static_cast<int>(p)] = true;
    }
    QString r;
    for (int m = 0; m + w <= n; m += w) {
        const int acesos = static_cast<int>(std::count(pixel.begin() + m, pixel.begin() + m + w, true));
        r += acesos == w ? u'1' : acesos == 0 ? u'0' : u'?';
    }
    return r;
}

// Bar, space, bar, ... widths in modules as a module string.
QString de_larguras(std::initializer_list<int> larguras)
{
    QString r;
    bool barra = true;
    for (int k : larguras) {
        r += QString(k, barra ? u'1' : u'0');
        barra = !barra;
    }
    return r;
}

// --- Elements on the printer: module 3 pixels ------------------------------

struct CasoElemento {
    const char* nome;
    std::function<void(Desenho&)> desenhar;
    QString esperado; // modules
    bool guarda;      // bars reach down to the guard bottom
};

TEST(Elementos, SequenciasEmModulosNaImpressora)
{
    const QList<CasoElemento> casos = {
        // The pair 3/8: 3 in the bars (wide, wide, narrow, narrow, narrow),
        // 8 in the spaces (wide, narrow, narrow, wide, narrow).
        {"par I25 3/8", [](Desenho& d) { imprimir_bar(d, tabela_i25[3], tabela_i25[8]); },
         de_larguras({3, 3, 3, 1, 1, 1, 1, 3, 1, 1}), false},
        {"início I25", [](Desenho& d) { imprimir_start(d); }, de_larguras({1, 1, 1, 1}), false},
        {"fim I25", [](Desenho& d) { imprimir_end(d); }, de_larguras({3, 1, 1}), false},
        {"EAN 5 conjunto A", [](Desenho& d) { imprimir_ean(d, "5", 1); }, QStringLiteral("0110001"), false},
        {"EAN 5 conjunto B", [](Desenho& d) { imprimir_ean(d, "5", 2); }, QStringLiteral("0111001"), false},
        {"EAN 5 conjunto C", [](Desenho& d) { imprimir_ean(d, "5", 3); }, QStringLiteral("1001110"), false},
        {"EAN dígito ausente é 0", [](Desenho& d) { imprimir_ean(d, "", 3); }, QStringLiteral("1110010"), false},
        {"EAN conjunto inválido", [](Desenho& d) { imprimir_ean(d, "5", 4); }, QStringLiteral("0000000"), false},
        {"guarda EAN", [](Desenho& d) { imprimir_start_ean(d); }, QStringLiteral("101"), true},
        {"separador EAN", [](Desenho& d) { imprimir_separador(d); }, QStringLiteral("01010"), true},
        {"Code 39 *", [](Desenho& d) { imprimir_c39(d, '*'); }, de_larguras({1, 3, 1, 1, 3, 1, 3, 1, 1, 1}), false},
        // Lookup is exact: a lower-case letter has no entry and is drawn as
        // the space character (" 011000100").
        {"Code 39 a é espaço", [](Desenho& d) { imprimir_c39(d, 'a'); }, de_larguras({1, 3, 3, 1, 1, 1, 3, 1, 1, 1}), false},
    };
    for (const CasoElemento& c : casos) {
        SCOPED_TRACE(c.nome);
        SuperficieGravacao s(300);
        s.setScaleMode(ModoEscala::Pixels);
        EstadoBarra e;
        e.bar_x = 100;
        e.bar_topo = 50;
        e.bar_base = 150;
        e.bar_base_guarda = 160;
        Desenho d(s, e, geometria_impressora(3, e));
        c.desenhar(d);
        const QList<LinhaLida> ls = linhas(s.registro);
        EXPECT_EQ(modulos(ls, 100, d.estado.bar_x, 3), c.esperado);
        EXPECT_EQ(d.estado.bar_x - 100, 3 * c.esperado.size());
        for (const LinhaLida& t : ls) {
            EXPECT_EQ(t.y1, 50);
            EXPECT_EQ(t.y2, c.guarda ? 160 : 150);
        }
        // The pen is left at the foot of the last line.
        if (!ls.isEmpty()) {
            EXPECT_DOUBLE_EQ(s.currentX(), ls.last().x);
            EXPECT_DOUBLE_EQ(s.currentY(), ls.last().y2);
        }
    }
}

// --- Elements on the preview page ------------------------------------------

struct CasoZoom {
    double zoom;
    const char* rotina;
    std::function<void(Desenho&)> desenhar;
    int linhas;
    double avanco; // of bar_x, in page units
    bool guarda;
};

TEST(Elementos, LinhasDaVisualizacaoPorZoom)
{
    const auto inicio = [](Desenho& d) { imprimir_start(d); };
    const auto fim = [](Desenho& d) { imprimir_end(d); };
    const auto ean5c = [](Desenho& d) { imprimir_ean(d, "5", 3); };
    const auto separador = [](Desenho& d) { imprimir_separador(d); };
    const auto c39 = [](Desenho& d) { imprimir_c39(d, '*'); };
    const QList<CasoZoom> casos = {
        // Interleaved 2 of 5 and guards: near(k x z) lines, 15 units apart.
        // At 40 % a narrow bar is no line at all, at 150 % near(1.5) = 2 and
        // a wide one near(4.5) = 4.
        {1.0, "início", inicio, 2, 60, false},
        {0.4, "início", inicio, 0, 12, false},
        {1.5, "início", inicio, 4, 105, false},
        {1.0, "fim", fim, 4, 75, false},
        {0.4, "fim", fim, 1, 21, false},
        {1.5, "fim", fim, 6, 112.5, false},
        // The centre guard's first space is 15 + 15 x z.
        {1.0, "separador", separador, 2, 90, true},
        {0.4, "separador", separador, 0, 33, true},
        {1.5, "separador", separador, 4, 142.5, true},
        // EAN digits and Code 39: near(15 x k x z) lines one unit apart,
        // spaces of 15 + 15 x k x z. Digit 5 in set C has four bar modules
        // and three space modules.
        {1.0, "EAN 5 C", ean5c, 60, 150, false},
        {0.4, "EAN 5 C", ean5c, 24, 87, false},
        {1.5, "EAN 5 C", ean5c, 88, 200.5, false},
        {1.0, "Code 39 *", c39, 135, 315, false},
        {0.4, "Code 39 *", c39, 54, 171, false},
        {1.5, "Code 39 *", c39, 202, 434.5, false},
        // 70 %: a narrow bar is near(10.5) = 10 lines, a wide one
        // near(31.5) = 32 (exact halves go to the even neighbour).
        {0.7, "Code 39 *", c39, 94, 242.5, false},
    };
    for (const CasoZoom& c : casos) {
        SCOPED_TRACE(std::string(c.rotina) + " zoom " + std::to_string(c.zoom));
        SuperficieGravacao s;
        EstadoBarra e;
        e.bar_x = 1000;
        e.bar_topo = 500;
        e.bar_base = 1100;
        Desenho d(s, e, geometria_visualizacao(c.zoom, e));
        c.desenhar(d);
        const QList<LinhaLida> ls = linhas(s.registro);
        EXPECT_EQ(ls.size(), c.linhas);
        EXPECT_NEAR(d.estado.bar_x - 1000, c.avanco, 1e-9);
        for (const LinhaLida& t : ls)
            EXPECT_NEAR(t.y2, c.guarda ? 1100 + 90 * c.zoom : 1100, 1e-9);
    }
}

// --- The command on the printer ---------------------------------------------

// One barcode on a recording printer at `dpi`, the pen at (1440, 1440) twips.
struct Impressao {
    SuperficieGravacao s;
    std::int64_t altura;
    Impressao(int padrao, const QByteArray& dados, double dpi = 300, std::int64_t altura_300 = 120,
              std::int16_t largura = 3)
        : s(dpi), altura(altura_300)
    {
        s.setCurrentX(1440);
        s.setCurrentY(1440);
        QByteArray texto = dados;
        imprimir_barra(s, padrao, altura, largura, texto);
        EXPECT_EQ(texto, dados); // the caller's data is left alone
    }
    QList<LinhaLida> ls() const { return linhas(s.registro); }
    QString simbolo() const // every module from the first line to the last
    {
        const QList<LinhaLida> l = ls();
        return l.isEmpty() ? QString() : modulos(l, l.first().x, l.last().x + 1, 3);
    }
};

TEST(Comando, Ean13PrimeiroDigitoDaAParidade)
{
    const Impressao p(2, "5901234123457");
    const QString m = p.simbolo();
    ASSERT_EQ(m.size(), 95);
    EXPECT_EQ(m.left(3), QStringLiteral("101"));
    EXPECT_EQ(m.mid(45, 5), QStringLiteral("01010"));
    EXPECT_EQ(m.right(3), QStringLiteral("101"));
    // Digit 1 (5) is carried by the sets of digits 2 to 7: A (odd number of
    // bar modules) or B (even), here A B B A A B. The right half is set C:
    // each digit starts with a bar and has an even number of bar modules.
    QString paridade, direita;
    for (int i = 0; i < 6; ++i) {
        paridade += m.mid(3 + 7 * i, 7).count(u'1') % 2 ? u'A' : u'B';
        const QString c = m.mid(50 + 7 * i, 7);
        direita += c.startsWith(u'1') && c.count(u'1') % 2 == 0 ? u'C' : u'?';
    }
    EXPECT_EQ(paridade, QStringLiteral("ABBAAB"));
    EXPECT_EQ(direita, QStringLiteral("CCCCCC"));
    // The pen entered at x = 300 px; the symbol starts 8 modules later. The
    // texts stand under the data bars (y = 300 + 120): the first digit where
    // the command was entered, the halves two modules right of the last line
    // of the start guard (332) and of the centre guard (470).
    EXPECT_EQ(p.ls().first().x, 324);
    EXPECT_EQ(impressos(p.s.registro),
              QStringList({QStringLiteral("Print \"5\" 300,420 [Courier New 10 - - - - #000000]"),
                           QStringLiteral("Print \"901234\" 338,420 [Courier New 10 - - - - #000000]"),
                           QStringLiteral("Print \"123457\" 476,420 [Courier New 10 - - - - #000000]")}));
}

TEST(Comando, Ean8)
{
    const Impressao p(3, "96385074");
    const QString m = p.simbolo();
    ASSERT_EQ(m.size(), 67);
    QString conjuntos;
    for (int i = 0; i < 4; ++i)
        conjuntos += m.mid(3 + 7 * i, 7).count(u'1') % 2 ? u'A' : u'B';
    EXPECT_EQ(conjuntos, QStringLiteral("AAAA"));
    EXPECT_EQ(impressos(p.s.registro),
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
    EXPECT_EQ(curto.ls().size(), completo.ls().size());
    EXPECT_EQ(curto.simbolo(), completo.simbolo());
    const QStringList t = impressos(curto.s.registro);
    ASSERT_EQ(t.size(), 3);
    EXPECT_TRUE(t[0].startsWith(QStringLiteral("Print \"5\" ")));
    EXPECT_TRUE(t[1].startsWith(QStringLiteral("Print \"90123\" ")));
    EXPECT_TRUE(t[2].startsWith(QStringLiteral("Print \"\" ")));

    const Impressao vazio(3, "");
    EXPECT_EQ(vazio.simbolo(), Impressao(3, "00000000").simbolo());
}

TEST(Comando, I25PoeOsImparesNasBarrasEOsParesNosEspacos)
{
    // 0123: start, the pairs 0/1 and 2/3, stop: 9 x 4 + 9 modules.
    EXPECT_EQ(Impressao(1, "0123").simbolo(),
              de_larguras({1, 1, 1, 1, 1, 3, 1, 1, 3, 1, 3, 1, 1, 3, 1, 3, 3, 3, 1, 1, 1, 1, 3, 1, 3, 1, 1}));
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
        {300, 120, 120, 132}, {600, 120, 240, 264}, {1200, 100, 400, 440}, {4800, 120, 1920, 2112},
    };
    for (const CasoResolucao& c : casos) {
        SCOPED_TRACE(c.dpi);
        const Impressao p(2, "5901234123457", c.dpi, c.altura);
        EXPECT_EQ(p.altura, c.convertida);
        const double topo = 1440 * c.dpi / 1440;
        int dados = 0, guardas = 0;
        for (const LinhaLida& t : p.ls()) {
            EXPECT_EQ(t.y1, topo);
            if (t.y2 - t.y1 == c.convertida)
                ++dados;
            else if (t.y2 - t.y1 == c.guarda)
                ++guardas;
            else
                ADD_FAILURE() << "bar of " << t.y2 - t.y1;
        }
        EXPECT_EQ(guardas, 3 * 2 * 3); // three guards of two bars of three lines
        EXPECT_GT(dados, 0);
    }
}

TEST(Comando, SimbologiaDesconhecidaSoTrocaAEscala)
{
    for (int padrao : {0, 5, -1}) {
        SCOPED_TRACE(padrao);
        const Impressao p(padrao, "123456", 600);
        EXPECT_EQ(p.s.registro, QStringList({QStringLiteral("ScaleMode 3"), QStringLiteral("ScaleMode 1")}));
        EXPECT_EQ(p.altura, 240);
        EXPECT_EQ(p.s.scaleMode(), ModoEscala::Twips);
    }
}

TEST(Comando, MargensVoltamDepoisDaBarra)
{
    // The print job measures from the margins (scale origin at minus the
    // margins). After the barcode the origin is back, and the pen stands
    // where the last line ended, in twips from the margin corner.
    SuperficieGravacao s(300);
    s.setScaleLeft(-567);
    s.setScaleTop(-850);
    s.setDrawWidth(5);
    s.setCurrentX(1440);
    s.setCurrentY(2880);
    int padrao = 4;
    std::int64_t altura = 120;
    std::int16_t largura = 3;
    QByteArray dados = "A";
    imprimir_barra(s, padrao, altura, largura, dados);
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
    // Text after it goes where the preview puts it: one inch right of the
    // left margin.
    s.setCurrentX(1440);
    s.print(QStringLiteral("X"));
    EXPECT_TRUE(s.registro.last().startsWith(QStringLiteral("Print \"X\" 1440,")));
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
    EXPECT_EQ(p.s.scaleMode(), ModoEscala::Twips);
}

} // namespace
