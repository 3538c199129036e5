// Barcodes as a scanner sees them: drawn on the PDF printer, rasterised at the
// printer's resolution and read back with zbarimg. Where bars and digits
// stand is checked on the recording surface (teste_barras).
#include "barcode/barra.h"
#include "comum/apoio.h"
#include "print/superficie_impressora.h"

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
        desenhar_barra(p, Barra{amostras[i].padrao, 120, 3, amostras[i].dados});
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

} // namespace
