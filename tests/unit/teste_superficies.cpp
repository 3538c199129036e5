// The surfaces: the printer writes real PDF pages, the page image keeps what
// is drawn, and both place text and pen the same way.
#include "comum/apoio.h"
#include "print/superficie_impressora.h"
#include "stream/cp1252.h"
#include "stream/superficie_imagem.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

TEST(Impressora, CodigosDePapelEOrientacao)
{
    SuperficieImpressora p(impressora_pdf);
    p.setPaperSize(28); // C5 envelope
    EXPECT_NEAR(p.width(), 162 * 1440 / 25.4, 1);
    p.setPaperSize(9);
    p.setOrientation(orientacao_paisagem);
    EXPECT_EQ(QSizeF(p.width(), p.height()), QSizeF(16838, 11906));
    p.setPaperSize(4242); // unknown: the paper stays
    EXPECT_EQ(p.paperSize(), 9);
}

TEST(Impressora, PaginaNovaVoltaAPenaAoCanto)
{
    // Where text lands and which pages come out is checked through the
    // printed corpus (teste_visualizacao); here the pen on a new page.
    SuperficieImpressora p(impressora_pdf);
    p.setArquivoSaida(pasta_temporaria() + QStringLiteral("/texto.pdf"));
    p.setScaleLeft(-567);
    p.setCurrentX(1440);
    p.setCurrentY(2880);
    p.print(QStringLiteral("Relatório"));
    p.newPage();
    EXPECT_DOUBLE_EQ(p.currentX(), 0);
    EXPECT_DOUBLE_EQ(p.currentY(), 0);
    EXPECT_EQ(p.page(), 2);
    p.killDoc();
}

TEST(Impressora, KillDocNaoDeixaArquivo)
{
    // No file where there was none; a previous file of the same name is left
    // as it was. On worker threads pages are still being compressed when
    // the document is thrown away.
    const QString novo = pasta_temporaria() + QStringLiteral("/cancelado.pdf");
    const QString existente = gravar(QStringLiteral("existente.pdf"), "antigo");
    for (const char* fios : {"1", "4"}) {
        qputenv("PAPELADA_FIOS", fios);
        for (const QString& destino : {novo, existente}) {
            SuperficieImpressora p(impressora_pdf);
            p.setArquivoSaida(destino);
            for (int pagina = 0; pagina < 20; ++pagina) {
                p.print(QStringLiteral("Nada disto sai"));
                p.newPage();
            }
            p.print(QStringLiteral("nem isto"));
            p.killDoc();
        }
        qunsetenv("PAPELADA_FIOS");
        EXPECT_FALSE(QFileInfo::exists(novo)) << fios;
        EXPECT_EQ(ler(existente), QByteArray("antigo")) << fios;
    }
}

TEST(Fontes, NomeQueFaltaLeOutroNome)
{
    // Another letter case is another name.
    SuperficieImagem s;
    for (const char* nome : {"Courier New", "Fonte Que Nao Existe", "courier new"}) {
        s.setFontName(QLatin1String(nome));
        EXPECT_EQ(s.fontName() == QLatin1String(nome), nome[0] == 'C') << nome;
    }
}

TEST(Imagem, DesenhoPersistenteECls)
{
    SuperficieImagem s(1500, 1500); // 100 x 100 pixels
    s.setDrawWidth(1);
    s.line(0, 150, 1500, 150, QBColor(12), false); // y = 10 px
    EXPECT_EQ(s.imagem().pixelColor(50, 10), QColor(255, 0, 0));
    // As on the printer, the page drawn on keeps its size; the next takes the new one.
    s.setHeight(3000);
    EXPECT_EQ(s.imagem().height(), 100);
    EXPECT_EQ(s.imagem().pixelColor(50, 10), QColor(255, 0, 0)); // kept
    s.cls();
    EXPECT_EQ(s.imagem().height(), 200);
    EXPECT_EQ(s.imagem().pixelColor(50, 10), QColor(Qt::white));
    // Picture with SRCAND: white leaves the page as it was.
    s.line(0, 150, 1500, 150, QBColor(0), false);
    s.paintPicture(QImage(gravar_figura(QStringLiteral("branca.png"), {10, 10}, Qt::white)), 0, 0, 1500, 1500, true);
    EXPECT_EQ(s.imagem().pixelColor(50, 10), QColor(Qt::black));
}

// A picture used again and again is decoded once, again when its file
// changes, and the cache never holds more than its limit.
TEST(Imagem, CacheDoTrabalho)
{
    const auto salvar = [](const char* nome, int lado) { return gravar_figura(QLatin1String(nome), {lado, lado}, Qt::red); };
    const QString a = salvar("cache_a.png", 100), b = salvar("cache_b.png", 100);
    CacheImagens cache((100 * 100 + 70 * 70) * 4);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(cache.carregar(a).width(), 100);
    EXPECT_EQ(cache.decodificadas(), 1);
    salvar("cache_a.png", 50);
    EXPECT_EQ(cache.carregar(a).width(), 50);
    cache.carregar(b);
    EXPECT_EQ(cache.decodificadas(), 3);
    // Three pictures in turn where two fit: the two kept are found again
    // every time, and only the third is read again.
    const QString c = salvar("cache_c.png", 70);
    for (int i = 0; i < 9; ++i)
        cache.carregar(QStringList{a, b, c}[i % 3]);
    EXPECT_EQ(cache.decodificadas(), 3 + 3);
    QString erro;
    EXPECT_TRUE(cache.carregar(pasta_temporaria() + QStringLiteral("/sem_imagem.png"), &erro).isNull());
    EXPECT_TRUE(erro.contains(QStringLiteral("não foi encontrada"))) << erro.toStdString();
}

TEST(CodePage, TabelaFixa)
{
    // The euro sign and accented letters are checked where reports are
    // drawn (teste_interpretador); here the five bytes with no character
    // and the way back.
    for (unsigned char c : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(cp1252_para_unicode(c).unicode(), c);
    QByteArray todos; // blocks of sixteen bytes and a tail
    for (int b = 0; b < 256 + 7; ++b)
        todos.append(static_cast<char>(b));
    const QString texto = cp1252_para_unicode(todos);
    for (int b = 0; b < 256 + 7; ++b)
        EXPECT_EQ(unicode_para_cp1252(texto[b]), b % 256) << b;
    EXPECT_EQ(maiuscula_cp1252(0xF7), 0xF7); // ÷ has no case (ç is the search's)
}

} // namespace
