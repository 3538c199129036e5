// Barcodes as a scanner sees them: drawn on the PDF printer, rasterised at the
// printer's resolution and read back with zbarimg; and on the preview page.
// Where bars and digits stand is checked on the recording surface
// (teste_barras).
#include "barcode/barra.h"
#include "comum/apoio.h"
#include "print/superficie_impressora.h"
#include "stream/superficie_imagem.h"

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

class BarrasNaImpressora : public ::testing::TestWithParam<int> {};

TEST_P(BarrasNaImpressora, PdfRasterizadoLeOsDadosDesenhados)
{
    const int dpi = GetParam();
    const QString base = pasta_temporaria() + QStringLiteral("/barras-%1").arg(dpi);
    SuperficieImpressora p(impressora_pdf);
    p.setResolucao(dpi);
    p.setArquivoSaida(base + QStringLiteral(".pdf"));
    p.setScaleLeft(-margem);
    p.setScaleTop(-margem);
    for (qsizetype i = 0; i < amostras.size(); ++i) {
        p.setCurrentX(1440);
        p.setCurrentY(1440 + 2880 * static_cast<double>(i));
        int padrao = amostras[i].padrao;
        std::int64_t altura = 120;
        std::int16_t largura = 3;
        QByteArray dados = amostras[i].dados;
        imprimir_barra(p, padrao, altura, largura, dados);
    }
    ASSERT_TRUE(p.endDoc()) << p.erro().toStdString();

    const QString png = rasterizar_png(base + QStringLiteral(".pdf"), 1, dpi);
    ASSERT_FALSE(png.isEmpty());
    QStringList esperados;
    for (const Amostra& a : amostras)
        esperados << a.lido;
    esperados.sort();
    EXPECT_EQ(ler_codigos(png), esperados);
}

INSTANTIATE_TEST_SUITE_P(Resolucoes, BarrasNaImpressora, ::testing::Values(300, 600));

// At 100 % a module of Interleaved 2 of 5 and Code 39 is one screen pixel,
// and they read back. An EAN digit's bar is 15 lines one unit apart (one
// pixel) while its space is 30 units (two pixels), so EAN symbols on the page
// are only a picture of a barcode and are not expected to scan.
TEST(BarrasNaVisualizacao, PaginaEmZoomCemLeI25ECode39)
{
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
