// Text runs on the painted surfaces, drawn from the glyphs kept per font:
// widths add up character by character and agree with the font's own
// metrics, and the pen moves by what the text measures. Characters the
// font lacks are teste_pdf's (the printer shares the glyph code).
#include "comum/apoio.h"
#include "print/superficie_impressora.h"
#include "stream/superficie_imagem.h"

#include <QFontMetricsF>
#include <gtest/gtest.h>
#include <vector>

using namespace papelada;
using namespace papelada::teste;

namespace {

TEST(Glifos, LargurasSomamEBatemComAFonte)
{
    SuperficieImagem s;
    for (bool negrito : {false, true}) {
        s.setFontBold(negrito);
        const double a = s.textWidth(QStringLiteral("A"));
        EXPECT_NEAR(a, 120, 1.5); // Courier New 10 points
        EXPECT_DOUBLE_EQ(s.textWidth(QStringLiteral("AAAAAAAAAA")), 10 * a);
        const QString texto = QStringLiteral("Relatório de ações: € 1.234,56");
        const double medida = QFontMetricsF(s.fonte_qt()).horizontalAdvance(texto);
        EXPECT_NEAR(s.textWidth(texto), medida, medida * 0.005);
    }
    s.setFontName(QStringLiteral("Arial"));
    EXPECT_LT(s.textWidth(QStringLiteral("i")), s.textWidth(QStringLiteral("W")));
}

struct Descricao {
    const char* familia;
    double pontos;
    bool negrito, italico, sublinhado, riscado;
};

void descrever(Superficie& s, const Descricao& d)
{
    s.setFontName(QString::fromLatin1(d.familia));
    s.setFontSize(d.pontos);
    s.setFontBold(d.negrito);
    s.setFontItalic(d.italico);
    s.setFontUnderline(d.sublinhado);
    s.setFontStrikethru(d.riscado);
}

TEST(Glifos, FonteGuardadaMedeComoUmaNova)
{
    // Fonts differing in one trait each, then more sizes than the surface
    // keeps: a font met again, kept or made anew, measures as on a surface
    // that never saw another.
    std::vector<Descricao> ds = {
        {"Arial", 10, false, false, false, false},  {"Arial", 10, true, false, false, false},
        {"Arial", 10, false, true, false, false},   {"Arial", 10, true, true, false, false},
        {"Arial", 10, false, false, true, false},   {"Arial", 10, false, false, false, true},
        {"Arial", 10.5, false, false, false, false}, {"Times New Roman", 10, false, false, false, false},
        {"Courier New", 10, true, false, false, false}, {"NaoExisteEstaFonte", 10, false, false, false, false},
    };
    for (int p = 6; p < 6 + SuperficieGlifos::fontes_guardadas; ++p)
        ds.push_back({"Times New Roman", static_cast<double>(p), p % 2 == 0, false, false, false});
    const QString texto = QStringLiteral("Wil\u00e9 \u20ac 1.234,56 \t(x)");
    SuperficieImagem todas;
    for (int volta = 0; volta < 2; ++volta)
        for (const Descricao& d : ds) {
            SuperficieImagem nova;
            descrever(todas, d);
            descrever(nova, d);
            SCOPED_TRACE(QStringLiteral("%1 %2 %3%4%5%6 volta %7").arg(QLatin1String(d.familia)).arg(d.pontos)
                             .arg(d.negrito).arg(d.italico).arg(d.sublinhado).arg(d.riscado).arg(volta).toStdString());
            EXPECT_EQ(todas.fontName(), nova.fontName());
            EXPECT_DOUBLE_EQ(todas.textWidth(texto), nova.textWidth(texto));
            EXPECT_DOUBLE_EQ(todas.textHeight(texto), nova.textHeight(texto));
        }
    // Traits that change the measure do change it.
    const auto medida = [&](size_t i) { return descrever(todas, ds[i]), todas.textWidth(texto); };
    EXPECT_NE(medida(1), medida(0)); // bold
    EXPECT_GT(medida(6), medida(0)); // 10.5 points
}

TEST(Glifos, PenaAvancaOQueOTextoMede)
{
    // Drawn or read through, on the page image or the printer, a run moves
    // the pen by its measured width: glyphs of the font, blanks for control
    // bytes, characters the font lacks (shaped with fallback fonts), empty.
    SuperficieImagem imagem;
    SuperficieImpressora impressora(impressora_pdf);
    impressora.setArquivoSaida(pasta_temporaria() + QStringLiteral("/pena.pdf"));
    const QStringList textos = {
        QStringLiteral("Total do m\u00eas: R$ 1.234,56"), QStringLiteral("a\tb\u0001c\u0081d"),
        QStringLiteral("\u20ac\u2122\u0160"), QStringLiteral("pre\u00e7o \u4e2d\u6587 fim"), QString(),
    };
    for (Superficie* s : std::initializer_list<Superficie*>{&imagem, &impressora})
        for (const bool negrito : {false, true})
            for (const bool desenho : {true, false})
                for (const QString& t : textos) {
                    SCOPED_TRACE(t.toStdString());
                    s->setFontName(QStringLiteral("Arial"));
                    s->setFontBold(negrito);
                    s->setDesenho(desenho);
                    s->setCurrentX(300);
                    const double largura = s->textWidth(t);
                    s->print(t);
                    EXPECT_DOUBLE_EQ(s->currentX(), 300 + largura);
                    EXPECT_EQ(largura == 0, t.isEmpty());
                }
    impressora.killDoc();
}

} // namespace
