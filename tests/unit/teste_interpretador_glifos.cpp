// Text runs on the painted surfaces, drawn from the glyphs kept per font:
// widths add up character by character and agree with the font's own
// metrics, and the page image shows the text where the pen was. Characters
// the font lacks are teste_pdf's (the printer shares the glyph code).
#include "print/interpretador.h"
#include "stream/superficie_imagem.h"

#include <QFontMetricsF>
#include <gtest/gtest.h>

using namespace papelada;

namespace {

int pixels_escuros(const QImage& img, const QRect& r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(img.pixel(x, y)) < 128)
                ++n;
    return n;
}

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
    s.setFontBold(false);
    s.setFontName(QStringLiteral("Arial"));
    EXPECT_LT(s.textWidth(QStringLiteral("i")), s.textWidth(QStringLiteral("W")));
}

TEST(Glifos, CorridaDesenhadaOndeEstaAPena)
{
    SuperficieImagem s(6000, 3000); // 400 x 200 pixels
    Corrida c;
    c.buffer = "Ol\xe1 \x80 ok";
    s.setCurrentX(1500); // 100 px
    s.setCurrentY(750);  // 50 px
    imprimir_buffer(c, s);
    const QImage& img = s.imagem();
    const int fim = static_cast<int>(s.currentX() / 15);
    EXPECT_GT(pixels_escuros(img, QRect(100, 50, fim - 100, 16)), 40);
    EXPECT_EQ(pixels_escuros(img, QRect(0, 0, 99, 200)), 0);
    EXPECT_EQ(pixels_escuros(img, QRect(fim + 1, 0, 399 - fim - 1, 200)), 0);
    EXPECT_EQ(pixels_escuros(img, QRect(0, 0, 400, 49)), 0);
}

} // namespace
