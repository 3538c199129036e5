// Barcodes as a scanner sees them: drawn on the PDF printer, rasterised at the
// printer's resolution and read back with zbarimg; and on the preview page.
#include "barcode/barra.h"
#include "comum/apoio.h"
#include "print/superficie_impressora.h"
#include "stream/superficie_imagem.h"

#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

struct Amostra {
    int padrao;
    QByteArray dados;
    QString lido; // as zbarimg reports it
};

const QList<Amostra> amostras = {
    {2, "5901234123457", QStringLiteral("EAN-13:5901234123457")},
    {3, "96385074", QStringLiteral("EAN-8:96385074")},
    {1, "1234567890", QStringLiteral("I2/5:1234567890")},
    {4, "PAPELADA-42", QStringLiteral("CODE-39:PAPELADA-42")},
};

constexpr double margem = 567; // 10 mm, in twips

bool tem_ferramentas()
{
    return existe_programa(QStringLiteral("pdftoppm")) && existe_programa(QStringLiteral("zbarimg")) &&
           existe_programa(QStringLiteral("pdftotext"));
}

// Length of the dark run that starts in column x at or below row y0.
int comprimento_vertical(const QImage& img, int x, int y0)
{
    int y = y0;
    while (y < img.height() && qGray(img.pixel(x, y)) >= 128)
        ++y;
    int n = 0;
    for (; y < img.height() && qGray(img.pixel(x, y)) < 128; ++y)
        ++n;
    return n;
}

// Leftmost dark column between rows y0 and y1.
int primeira_coluna_escura(const QImage& img, int y0, int y1)
{
    for (int x = 0; x < img.width(); ++x)
        for (int y = y0; y < y1; ++y)
            if (qGray(img.pixel(x, y)) < 128)
                return x;
    return -1;
}

class Impressora : public ::testing::TestWithParam<int> {};

TEST_P(Impressora, PdfRasterizadoLeOsDadosDesenhados)
{
    if (!tem_ferramentas())
        GTEST_SKIP() << "pdftoppm, pdftotext ou zbarimg não instalado";
    const int dpi = GetParam();
    const QString base = pasta_temporaria() + QStringLiteral("/barras-%1").arg(dpi);
    SuperficieImpressora p(impressora_pdf);
    p.setResolucao(dpi);
    p.setArquivoSaida(base + QStringLiteral(".pdf"));
    p.setScaleLeft(-margem);
    p.setScaleTop(-margem);
    p.setFontName(QStringLiteral("Courier New"));
    p.setFontSize(10);
    for (qsizetype i = 0; i < amostras.size(); ++i) {
        p.setCurrentX(1440);
        p.setCurrentY(1440 + 2880 * static_cast<double>(i));
        int padrao = amostras[i].padrao;
        std::int64_t altura = 120;
        std::int16_t largura = 3;
        QByteArray dados = amostras[i].dados;
        imprimir_barra(p, padrao, altura, largura, dados);
        EXPECT_EQ(altura, 120 * dpi / 300);
    }
    // Text after the barcodes keeps the margins.
    p.setCurrentX(0);
    p.setCurrentY(14400);
    p.print(QStringLiteral("Depois"));
    ASSERT_TRUE(p.endDoc()) << p.erro().toStdString();

    const Resultado r = executar(QStringLiteral("pdftoppm"),
                                 {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                  QStringLiteral("-singlefile"), base + QStringLiteral(".pdf"), base});
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    const QString png = base + QStringLiteral(".png");
    QStringList esperados;
    for (const Amostra& a : amostras)
        esperados << a.lido;
    esperados.sort();
    EXPECT_EQ(ler_codigos(png), esperados);

    // EAN-13 guard bars reach 10 % below the data bars: 1.1 x 0.4 inch.
    QImageReader::setAllocationLimit(0); // a 600 dpi page is larger than the default limit
    const QImage img(png);
    ASSERT_FALSE(img.isNull());
    const int topo = static_cast<int>((margem + 1440) * dpi / 1440);
    const int guarda = primeira_coluna_escura(img, topo - 2, topo + 2 * dpi / 10);
    ASSERT_GE(guarda, 0);
    EXPECT_NEAR(comprimento_vertical(img, guarda, topo - 2), 264 * dpi / 600, 1);
    // First bar of the digit 9 in set A (0001011): six modules on.
    EXPECT_NEAR(comprimento_vertical(img, guarda + 6 * 3, topo - 2), 240 * dpi / 600, 1);

    // Digits under the bars, in the 10-point font, with their top at the
    // bottom of the data bars. The two halves of EAN-13 are close enough in
    // a 10-point font for pdftotext to join them into one word.
    const QList<Palavra> palavras = palavras_pdf(base + QStringLiteral(".pdf"));
    const auto achar = [&palavras](const QString& t) {
        for (const Palavra& w : palavras)
            if (w.texto.contains(t))
                return w;
        return Palavra{};
    };
    for (const QString& t : {QStringLiteral("5"), QStringLiteral("901234"), QStringLiteral("123457"),
                             QStringLiteral("9638"), QStringLiteral("5074")}) {
        const Palavra w = achar(t);
        ASSERT_FALSE(w.texto.isEmpty()) << t.toStdString();
        EXPECT_NEAR(w.y_max - w.y_min, 11.3, 1) << t.toStdString();
    }
    // The first digit stands in the eight modules left of the start guard
    // (at 600 dpi they are narrower than the digit, which then touches the
    // left half's digits).
    const Palavra primeiro = achar(QStringLiteral("5"));
    EXPECT_TRUE(primeiro.texto.startsWith(u'5'));
    EXPECT_NEAR(primeiro.x_min * 20, margem + 1440, 20);
    EXPECT_NEAR(primeiro.y_min * 20, margem + 1440 + 576, 20);
    EXPECT_NEAR(achar(QStringLiteral("9638")).y_min * 20, margem + 1440 + 2880 + 576, 20);
    const Palavra depois = achar(QStringLiteral("Depois"));
    ASSERT_FALSE(depois.texto.isEmpty());
    EXPECT_NEAR(depois.x_min * 20, margem, 20);
    EXPECT_NEAR(depois.y_min * 20, margem + 14400, 20);
}

INSTANTIATE_TEST_SUITE_P(Resolucoes, Impressora, ::testing::Values(300, 600));

// At 100 % a module of Interleaved 2 of 5 and Code 39 is one screen pixel,
// and they read back. An EAN digit's bar is 15 lines one unit apart (one
// pixel) while its space is 30 units (two pixels), so EAN symbols on the page
// are only a picture of a barcode and are not expected to scan.
TEST(Visualizacao, PaginaEmZoomCemLeI25ECode39)
{
    if (!tem_ferramentas())
        GTEST_SKIP() << "zbarimg não instalado";
    SuperficieImagem pagina(11906, 16838);
    pagina.setScaleLeft(-margem);
    pagina.setScaleTop(-margem);
    for (qsizetype i = 0; i < amostras.size(); ++i) {
        pagina.setCurrentX(1440);
        pagina.setCurrentY(1440 + 2880 * static_cast<double>(i));
        visualizar_barra(pagina, 1.0, amostras[i].padrao, 120, 3, amostras[i].dados);
    }
    const QString png = pasta_temporaria() + QStringLiteral("/visualizacao.png");
    ASSERT_TRUE(pagina.imagem().save(png));
    const QStringList lidos = ler_codigos(png);
    EXPECT_TRUE(lidos.contains(QStringLiteral("I2/5:1234567890")));
    EXPECT_TRUE(lidos.contains(QStringLiteral("CODE-39:PAPELADA-42")));
}

} // namespace
