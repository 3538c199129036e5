// The PDF writer: files that qpdf reads without a complaint, text that
// poppler and MuPDF rasterise exactly as
// they draw the same glyphs from Qt's own PDF engine (TrueType and CFF
// faces) from small subsets, fonts that run out of codes, made-up styles,
// faces that may not be embedded, pictures written once, and a failing
// output reported.
#include "comum/apoio.h"
#include "pdf/escritor.h"
#include "pdf/objetos.h"
#include "pdf/subconjunto.h"
#include "print/superficie_impressora.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGlyphRun>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QRegularExpression>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

const QString dejavu = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");

// The writer's file as readers see it: qpdf reads every object and stream.
void estrutura_valida(const QString& caminho)
{
    const QByteArray pdf = ler(caminho);
    EXPECT_TRUE(pdf.startsWith("%PDF-1.") && pdf.endsWith("%%EOF\n"));
    EXPECT_EQ(defeitos_pdf(caminho), QString());
}

// Pixels that differ clearly between two renderings of the same size. A
// reader may put a glyph's bitmap on the whole pixel above or below its
// baseline (poppler does so with CFF outlines), so the renderings are also
// compared one row apart, and the closest comparison counts.
int diferentes(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return std::max(a.width() * a.height(), b.width() * b.height());
    int menor = a.width() * a.height();
    for (int d = -1; d <= 1; ++d) {
        int n = 0;
        for (int y = 1; y + 1 < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                n += std::abs(a.constScanLine(y + d)[x] - b.constScanLine(y)[x]) > 96;
        menor = std::min(menor, n);
    }
    return menor;
}

struct Corrida {
    QList<quint32> glifos;
    QList<QPointF> posicoes;
    std::vector<char16_t> caracteres;
};

// Glyphs at their natural advances, or (`espacada`) with every seventh
// glyph standing apart, as in a justified or spaced run.
Corrida corrida(const QRawFont& fonte, const QString& texto, bool espacada = true)
{
    Corrida c{fonte.glyphIndexesForString(texto), {}, {texto.utf16(), texto.utf16() + texto.size()}};
    const QList<QPointF> avancos = fonte.advancesForGlyphIndexes(c.glifos, QRawFont::SeparateAdvances);
    double x = 0;
    for (qsizetype i = 0; i < c.glifos.size(); ++i) {
        c.posicoes << QPointF(x, 0);
        x += avancos[i].x() + (espacada && i % 7 == 6 ? fonte.pixelSize() / 40 : 0);
    }
    return c;
}

// An A4 page of Qt's PDF engine in twips, for the same glyphs at the same
// places.
struct ReferenciaQt {
    explicit ReferenciaQt(const QString& caminho) : w(caminho)
    {
        w.setResolution(1440);
        w.setPageSize(QPageSize(QPageSize::A4));
        w.setPageMargins(QMarginsF(0, 0, 0, 0));
        p.begin(&w);
    }
    void desenhar(const QRawFont& fonte, const Corrida& c, QPointF base)
    {
        QGlyphRun g;
        g.setRawFont(fonte);
        g.setGlyphIndexes(c.glifos);
        g.setPositions(c.posicoes);
        p.drawGlyphRun(base, g);
    }
    QPdfWriter w;
    QPainter p;
};

// `naturais`: the run goes without its positions.
QString escrever_corrida(const QString& nome, const QRawFont& fonte, const Corrida& c, QPointF base,
                         bool negrito = false, bool italico = false, bool naturais = false)
{
    const QString caminho = pasta_temporaria() + QLatin1Char('/') + nome;
    QFile f(caminho);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    pdf::Escritor e(&f);
    e.iniciar_pagina(11906, 16838);
    e.glifos(fonte, c.glifos.constData(), naturais ? nullptr : c.posicoes.constData(), c.caracteres.data(),
             c.glifos.size(), base, Qt::black, negrito, italico, naturais);
    EXPECT_TRUE(e.terminar());
    return caminho;
}

QString texto_pdf(const QString& pdf)
{
    return executar(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), pdf, QStringLiteral("-")}).saida.trimmed();
}

// Lines of pdffonts after its header: one per font.
QStringList fontes_pdf(const QString& pdf)
{
    return executar(QStringLiteral("pdffonts"), {pdf}).saida.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
}

TEST(PdfNumeros, FormaCurta)
{
    const struct { double v; const char* esperado; } casos[] = {
        {0, "0"},         {-0.0001, "0"},        {12, "12"},          {-3.5, "-3.5"},
        {1.23456, "1.235"}, {0.0004, "0"},       {2.1, "2.1"},        {1e12, "100000000"},
        {-1e12, "-100000000"}, {std::nan(""), "0"}, {HUGE_VAL, "0"},  {841.89, "841.89"},
    };
    for (const auto& c : casos) {
        QByteArray s;
        pdf::numero(s, c.v);
        EXPECT_EQ(s, QByteArray(c.esperado)) << c.v;
    }
}

struct CasoFonte {
    const char* familia;
    bool negrito, italico;
};
void PrintTo(const CasoFonte& c, std::ostream* os)
{
    *os << c.familia << (c.negrito ? " negrito" : "") << (c.italico ? " itálico" : "");
}

class PdfTexto : public ::testing::TestWithParam<CasoFonte> {};

TEST_P(PdfTexto, GlifosComoOsDoMotorDoQt)
{
    const auto [familia, negrito, italico] = GetParam();
    QFont f(QString::fromLatin1(familia));
    f.setPixelSize(240); // 12 points, in twips
    f.setBold(negrito);
    f.setItalic(italico);
    f.setHintingPreference(QFont::PreferNoHinting);
    const QRawFont fonte = QRawFont::fromFont(f);
    ASSERT_TRUE(fonte.isValid());
    // Parentheses and backslashes are escaped in the page's strings.
    const QString texto = QStringLiteral("Relatório (ações) \\ € 1.234,56 ÁÉÍÓÚ çãõ");
    const Corrida c = corrida(fonte, texto);
    const QPointF base(1440, 2000);
    const QString nosso = escrever_corrida(QStringLiteral("nosso.pdf"), fonte, c, base);
    const QString qt = pasta_temporaria() + QStringLiteral("/qt.pdf");
    ReferenciaQt(qt).desenhar(fonte, c, base);
    estrutura_valida(nosso);
    // Only the outlines of the glyphs drawn are embedded, at their indexes
    // (the drawing below shows the indexes).
    EXPECT_LT(QFileInfo(nosso).size(), 20000);

    EXPECT_EQ(texto_pdf(nosso), texto);
    const QStringList fontes = fontes_pdf(nosso);
    ASSERT_EQ(fontes.size(), 1);
    // Simple fonts of one-byte codes, not composite ones: Ghostscript
    // rewrites the text of a composite font many times slower.
    EXPECT_TRUE(fontes[0].contains(QRegularExpression(QStringLiteral("^[A-Z]{6}\\+\\S+ +(TrueType|Type 1C) +\\S+ +yes yes yes"))))
        << fontes[0].toStdString();

    // Qt draws CFF outlines as paths, which poppler fills with a smoothing
    // of its own; MuPDF draws glyphs and paths alike.
    const bool cff = fontes[0].contains(QLatin1String("Type 1C"));
    for (Programa leitor : {Programa::poppler, Programa::mupdf}) {
        const QImage a = rasterizar(nosso, 1, 100, leitor), b = rasterizar(qt, 1, 100, leitor);
        ASSERT_FALSE(a.isNull());
        const int preto = tinta(b);
        const bool suavizado = cff && leitor == Programa::poppler;
        EXPECT_GT(preto, 500);
        EXPECT_NEAR(tinta(a), preto, preto * (suavizado ? 0.05 : 0.02)) << int(leitor);
        EXPECT_LT(diferentes(a, b), preto / (suavizado ? 10 : 50)) << int(leitor);
    }
    // A run at its natural advances comes out the same without positions.
    const Corrida natural = corrida(fonte, texto, false);
    qputenv("SOURCE_DATE_EPOCH", "0");
    EXPECT_EQ(ler(escrever_corrida(QStringLiteral("sem.pdf"), fonte, natural, base, false, false, true)),
              ler(escrever_corrida(QStringLiteral("com.pdf"), fonte, natural, base)));
}

INSTANTIATE_TEST_SUITE_P(Faces, PdfTexto,
                         ::testing::Values(CasoFonte{"Liberation Mono", false, false},
                                           CasoFonte{"Liberation Sans", true, false},
                                           CasoFonte{"Liberation Serif", false, true},
                                           // CFF outlines (or their Type 1 copies, which
                                           // are embedded as the CFF ones).
                                           CasoFonte{"Helvetica", false, false},
                                           CasoFonte{"Times", true, true}));

TEST(PdfTexto, MaisGlifosQueCodigosNumaFonte)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(200);
    const QRawFont fonte = QRawFont::fromFont(f);
    ASSERT_TRUE(fonte.isValid());
    // 300 different letters of Latin Extended-A and B: a font of one-byte
    // codes holds 256, so a second one takes the rest.
    QString texto;
    for (char16_t u = 0x100; u < 0x100 + 300; ++u)
        if (fonte.supportsCharacter(QChar(u)))
            texto.append(QChar(u));
    ASSERT_GT(texto.size(), 260);
    const QString caminho = pasta_temporaria() + QStringLiteral("/muitos.pdf");
    const QString qt = pasta_temporaria() + QStringLiteral("/muitos_qt.pdf");
    {
        QFile f(caminho);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        pdf::Escritor e(&f);
        e.iniciar_pagina(11906, 16838);
        ReferenciaQt referencia(qt);
        // Lines of 30 letters; the same letters again at the end, which
        // must find the codes they already have; and the first line once
        // more in a larger size, a font of its own whose codes agree with
        // those of the first font, so that the two share one subset.
        QRawFont maior = fonte;
        maior.setPixelSize(300);
        for (qsizetype i = 0, linha = 0; i < texto.size() + 90; i += 30, ++linha) {
            const bool ultima = i >= texto.size() + 60;
            const QString parte = (texto + texto.left(60)).mid(ultima ? 0 : i, 30);
            const Corrida c = corrida(ultima ? maior : fonte, parte);
            const QPointF base(720, 1000 + linha * 400);
            e.glifos(ultima ? maior : fonte, c.glifos.constData(), c.posicoes.constData(), c.caracteres.data(),
                     c.glifos.size(), base, Qt::black);
            referencia.desenhar(ultima ? maior : fonte, c, base);
        }
        ASSERT_TRUE(e.terminar());
    }
    estrutura_valida(caminho);
    EXPECT_EQ(fontes_pdf(caminho).size(), 3);
    EXPECT_EQ(ler(caminho).count("/FontFile2 "), 2);
    EXPECT_EQ(texto_pdf(caminho).remove(u'\n'), texto + texto.left(60) + texto.left(30));
    // Both readers draw the same letters as they draw Qt's.
    for (Programa leitor : {Programa::poppler, Programa::mupdf}) {
        const QImage a = rasterizar(caminho, 1, 100, leitor), b = rasterizar(qt, 1, 100, leitor);
        ASSERT_FALSE(a.isNull());
        EXPECT_GT(tinta(b), 3000);
        EXPECT_LT(diferentes(a, b), tinta(b) / 50) << int(leitor);
    }
    // A run that goes on in the second font comes out the same without positions.
    const Corrida natural = corrida(fonte, texto, false);
    qputenv("SOURCE_DATE_EPOCH", "0");
    EXPECT_EQ(ler(escrever_corrida(QStringLiteral("sem.pdf"), fonte, natural, {720, 1000}, false, false, true)),
              ler(escrever_corrida(QStringLiteral("com.pdf"), fonte, natural, {720, 1000})));
}

// How far right the dark pixels of rows 90 to 110 stand, on average, of
// those of rows 130 to 140.
double inclinacao(const QImage& img)
{
    double soma[2] = {}, n[2] = {};
    for (int y = 90; y <= 140; ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.constScanLine(y)[x] < 128 && (y <= 110 || y >= 130))
                soma[y > 110] += x, ++n[y > 110];
    return soma[0] / n[0] - soma[1] / n[1];
}

TEST(PdfTexto, EstilosQueAFaceNaoTem)
{
    const QRawFont fonte(dejavu, 1440); // one inch
    ASSERT_TRUE(fonte.isValid());
    const Corrida c = corrida(fonte, QStringLiteral("IIII"));
    const QPointF base(1440, 2880); // the letters stand between 1 and 2 inches
    const QImage normal = rasterizar(escrever_corrida(QStringLiteral("normal.pdf"), fonte, c, base));
    const QImage italico = rasterizar(escrever_corrida(QStringLiteral("italico.pdf"), fonte, c, base, false, true));
    ASSERT_FALSE(normal.isNull());
    // Italic: the tops of the letters lean to the right.
    EXPECT_NEAR(inclinacao(normal), 0, 0.5);
    EXPECT_GT(inclinacao(italico), 5);
}

// DejaVu Sans with the licence of its OS/2 table changed to "restricted".
QByteArray face_restrita()
{
    QByteArray dados = ler(dejavu);
    for (int r = 12; r < 12 + 16 * qFromBigEndian<quint16>(dados.constData() + 4); r += 16)
        if (dados.mid(r, 4) == "OS/2") {
            const quint32 o = qFromBigEndian<quint32>(dados.constData() + r + 8);
            dados[o + 8] = 0;
            dados[o + 9] = 2;
        }
    return dados;
}

TEST(PdfTexto, FaceQueNaoPodeSerIncorporadaSaiEmContornos)
{
    const QRawFont fonte(face_restrita(), 240);
    ASSERT_TRUE(fonte.isValid());
    EXPECT_FALSE(pdf::ler_face(fonte).incorporavel);
    const Corrida c = corrida(fonte, QStringLiteral("Contorno"));
    const QPointF base(1440, 2000);
    const QString nosso = escrever_corrida(QStringLiteral("contorno.pdf"), fonte, c, base);
    const QString qt = pasta_temporaria() + QStringLiteral("/contorno_qt.pdf");
    ReferenciaQt(qt).desenhar(QRawFont(dejavu, 240), c, base);
    estrutura_valida(nosso);
    EXPECT_TRUE(fontes_pdf(nosso).isEmpty());
    const QImage a = rasterizar(nosso, 1, 100), b = rasterizar(qt, 1, 100);
    const int preto = tinta(b);
    EXPECT_GT(preto, 200);
    EXPECT_LT(diferentes(a, b), preto / 20);
}

QImage imagem_cheia(int w, int h, QColor cor, QImage::Format formato)
{
    QImage i(w, h, formato);
    i.fill(cor);
    return i;
}

// Each picture is written once however often it is drawn (a fresh copy of
// the same pixels on every page), grey ones in grey, a transparent one with
// its mask. A PNG read from its file goes in with its compressed rows as
// they are, unless it has transparency or its file no longer holds those
// rows. Every one looks as drawn.
TEST(PdfImagem, CadaImagemUmaVezNaCorCertaPngComAsLinhasDoArquivo)
{
    const QString pasta = pasta_temporaria();
    QImage meio = imagem_cheia(10, 10, Qt::blue, QImage::Format_ARGB32);
    for (int i = 0; i < 50; ++i)
        meio.setPixel(5 + i % 5, i / 5, 0); // transparent right half
    // `png`: read from a PNG file, which (`estragar`) then changes into another.
    const struct { QImage imagem; QRectF destino; bool png, estragar; } casos[] = {{imagem_cheia(20, 10, Qt::red, QImage::Format_RGB32), QRectF(1440, 1440, 1440, 720), true, false},
                 {imagem_cheia(8, 8, QColor(128, 128, 128), QImage::Format_RGB32), QRectF(1440, 2880, 720, 720), false, false},
                 {meio, QRectF(1440, 4320, 1440, 1440), true, false},
                 {imagem_cheia(20, 10, Qt::green, QImage::Format_RGB32), QRectF(4320, 1440, 1440, 720), true, true}};
    std::vector<QImage> lidas;
    for (size_t i = 0; i < std::size(casos); ++i) {
        const QString arquivo = pasta + QStringLiteral("/linhas%1.png").arg(i);
        ASSERT_TRUE(!casos[i].png || casos[i].imagem.save(arquivo, "PNG"));
        lidas.push_back(casos[i].png ? carregar_imagem(arquivo) : casos[i].imagem);
        ASSERT_TRUE(!casos[i].estragar || QImage(20, 10, QImage::Format_Mono).save(arquivo, "PNG"));
    }
    const QString caminho = pasta + QStringLiteral("/linhas.pdf");
    {
        QFile f(caminho);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        pdf::Escritor e(&f);
        for (int pagina = 0; pagina < 2; ++pagina) {
            e.iniciar_pagina(11906, 16838);
            for (size_t i = 0; i < std::size(casos); ++i)
                e.imagem(lidas[i].copy(), casos[i].destino);
        }
        ASSERT_TRUE(e.terminar());
    }
    estrutura_valida(caminho);
    const QByteArray pdf = ler(caminho);
    EXPECT_EQ(pdf.count("/Subtype /Image"), 5); // red, grey, blue and its mask, green
    EXPECT_EQ(pdf.count("/ColorSpace /DeviceGray"), 2);
    EXPECT_EQ(pdf.count("/Predictor 15"), 1);
    EXPECT_EQ(pdf.count("/SMask"), 1);
    for (int pagina : {1, 2}) {
        const QImage img = rasterizar(caminho, pagina, 72, Programa::poppler, false);
        EXPECT_EQ(img.pixelColor(108, 90), QColor(Qt::red)); // twips / 20 = points = pixels at 72 dpi
        EXPECT_EQ(qGray(img.pixel(90, 162)), 128);
        EXPECT_EQ(img.pixelColor(80, 252), QColor(Qt::blue));
        EXPECT_EQ(img.pixelColor(136, 252), QColor(Qt::white));
        EXPECT_EQ(img.pixelColor(250, 90), QColor(Qt::green));
    }
}

// A device that takes the first `limite` bytes and then refuses, as a full
// disk does.
class DispositivoCheio : public QIODevice {
public:
    explicit DispositivoCheio(qint64 limite) : resta_(limite) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 n) override
    {
        if (n > resta_)
            setErrorString(QStringLiteral("Não há espaço no dispositivo"));
        return n > resta_ ? -1 : (resta_ -= n, n);
    }
    qint64 resta_;
};

TEST(PdfGravacao, FalhaDaSaidaEDita)
{
    const QRawFont fonte(dejavu, 200);
    const Corrida c = corrida(fonte, QStringLiteral("Uma linha de texto qualquer, repetida muitas vezes."));
    // On worker threads the writes fail while pages are still being compressed.
    for (int fios : {1, 4})
    for (qint64 limite : {qint64(0), qint64(100), qint64(200'000)}) {
        DispositivoCheio d(limite);
        pdf::Escritor e(&d, QStringLiteral("Papelada"), fios);
        for (int pagina = 0; pagina < 300; ++pagina) {
            e.iniciar_pagina(11906, 16838);
            for (int linha = 0; linha < 60; ++linha)
                e.glifos(fonte, c.glifos.constData(), c.posicoes.constData(), c.caracteres.data(), c.glifos.size(),
                         QPointF(720, 720 + 240 * linha), QColor(pagina % 256, pagina / 256, linha));
        }
        EXPECT_FALSE(e.terminar()) << limite << " em " << fios << " fios";
        EXPECT_EQ(e.erro(), QStringLiteral("Não há espaço no dispositivo"));
    }
}

// The tables of a long document go through a temporary file: written back
// in order, or the document fails when that file cannot be made.
TEST(PdfGravacao, DocumentoLongoComTabelasForaDaMemoria)
{
    const QString caminho = pasta_temporaria() + QStringLiteral("/longo.pdf");
    const QByteArray tmpdir = qgetenv("TMPDIR");
    for (int fios : {1, 2})
    for (bool sem_pasta : {false, true}) {
        // /proc: a folder where no file can be made, even by root.
        qputenv("TMPDIR", sem_pasta ? QByteArray("/proc") : tmpdir);
        QFile f(caminho);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        pdf::Escritor e(&f, QStringLiteral("Papelada"), fios);
        for (int pagina = 0; pagina < 9000; ++pagina) {
            e.iniciar_pagina(11906 + pagina % 7, 16838);
            e.retangulo_cheio(QRectF(pagina, 0, 100, 100), Qt::black);
        }
        EXPECT_EQ(e.terminar(), !sem_pasta) << fios << " fios";
        f.close();
        qputenv("TMPDIR", tmpdir);
        EXPECT_EQ(e.falhou(), sem_pasta);
        EXPECT_EQ(e.erro().startsWith(QStringLiteral("não foi possível usar o arquivo temporário")), sem_pasta);
        if (sem_pasta)
            continue;
        estrutura_valida(caminho);
        const QByteArray pdf = ler(caminho);
        EXPECT_TRUE(pdf.contains("/Type /Pages /Count 9000 "));
        // The page tree lists the pages in order.
        const qsizetype kids = pdf.indexOf("/Kids [") + 7;
        const QList<QByteArray> refs = pdf.mid(kids, pdf.indexOf(']', kids) - kids).split(' ');
        ASSERT_GE(refs.size(), 3 * 9000);
        for (int k : {0, 4095, 4096, 8191, 8192, 8999}) {
            const qsizetype onde = pdf.indexOf("\n" + refs[3 * k] + " 0 obj\n<< /Type /Page ");
            ASSERT_GT(onde, 0) << k;
            QByteArray largura;
            pdf::numero(largura, (11906 + k % 7) / 20.0);
            EXPECT_TRUE(pdf.mid(onde, 200).contains("/MediaBox [0 0 " + largura + " "))
                << k << " " << pdf.mid(onde, 200).toStdString();
        }
    }
}

// The same pages with the same SOURCE_DATE_EPOCH make the same file, on any
// number of threads; pages that repeat an earlier one (copies) show its
// content stream instead of a stream of their own. A document without pages
// has a blank one.
TEST(PdfGravacao, MesmoRelatorioMesmoArquivoECopiasPartilhadas)
{
    qputenv("SOURCE_DATE_EPOCH", "1700000000");
    auto documento = [](int fios, int copias, int mudada) {
        QBuffer b;
        b.open(QIODevice::WriteOnly);
        pdf::Escritor e(&b, QStringLiteral("Papelada"), fios);
        for (int c = 0; c < copias; ++c)
            for (int pagina = 0; pagina < 5; ++pagina) {
                e.iniciar_pagina(11906, 16838);
                e.retangulo_cheio(QRectF(pagina, c * 5 + pagina == mudada ? 1 : 0, 100, 100), Qt::black);
            }
        EXPECT_TRUE(e.terminar());
        EXPECT_EQ(e.paginas(), std::max(1, copias * 5));
        return b.data();
    };
    const QByteArray um = documento(1, 3, -1);
    EXPECT_TRUE(um.contains("/CreationDate (D:20231114221320Z)"));
    EXPECT_EQ(um.count("/Type /Page "), 15);
    EXPECT_EQ(um.count("stream\n") / 2, 5);
    EXPECT_EQ(documento(2, 3, -1), um);
    // One page of a copy that differs has a stream of its own, and the file
    // another identifier.
    const QByteArray outro = documento(1, 3, 7);
    EXPECT_EQ(outro.count("stream\n") / 2, 6);
    const auto id = [](const QByteArray& pdf) { return pdf.mid(pdf.indexOf("/ID ["), 40); };
    EXPECT_NE(id(outro), id(um));
    const QString vazio = gravar(QStringLiteral("vazio.pdf"), documento(1, 0, -1));
    estrutura_valida(vazio);
    EXPECT_EQ(paginas_pdf(vazio), 1);
}

// The most ink in one row between `y0` and `y1`.
int linha_mais_escura(const QImage& img, int y0, int y1)
{
    int maior = 0;
    for (int y = y0; y < y1; ++y)
        maior = std::max(maior, tinta(img, QRect(0, y, img.width(), 1)));
    return maior;
}

TEST(ImpressoraPdf, SublinhadoERiscado)
{
    const QString caminho = pasta_temporaria() + QStringLiteral("/estilos.pdf");
    SuperficieImpressora p(impressora_pdf);
    p.setArquivoSaida(caminho);
    p.setFontName(QStringLiteral("Helvetica")); // CFF, or a Type 1 copy of it
    p.setFontSize(36); // half an inch: 36 pixels at 72 dpi
    p.setCurrentX(1440);
    p.setCurrentY(1440);
    p.setFontUnderline(true);
    p.print(QStringLiteral("Sublinhado"));
    p.setFontUnderline(false);
    p.setFontStrikethru(true);
    p.setCurrentX(1440);
    p.setCurrentY(2880);
    p.print(QStringLiteral("Riscado"));
    ASSERT_TRUE(p.endDoc()) << p.erro().toStdString();
    estrutura_valida(caminho);

    const QImage img = rasterizar(caminho);
    // Somewhere below the letters of the first line, a line as wide as the
    // text; none across the middle of the letters.
    EXPECT_NEAR(linha_mais_escura(img, 72 + 24, 72 + 50), p.textWidth(QStringLiteral("Sublinhado")) / 20, 3);
    EXPECT_NEAR(linha_mais_escura(img, 144 + 12, 144 + 30), p.textWidth(QStringLiteral("Riscado")) / 20, 3);
}

} // namespace
