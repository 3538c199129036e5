// What reaches the paper: tabs and control bytes, made-up bold, paper sizes,
// the font record's colour, and CUPS jobs that keep the page as the PDF
// shows it.
#include "analysis/medicao.h"
#include "comum/apoio.h"
#include "comum/cups_privado.h"
#include "comum/gravador.h"
#include "print/superficie_impressora.h"
#include "print/trabalho.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <cups/cups.h>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

// Measures and prints a report as papelada-cli does with a printer of its
// own; on "Arquivo PDF" the document goes to `pdf`.
ResultadoTrabalho imprimir(SuperficieImpressora& p, const QString& arquivo, PedidoImpressao pedido = {},
                           const QString& pdf = {})
{
    Documento doc;
    doc.nome_arquivo = arquivo;
    Metricas m;
    Observador nada;
    OpcoesMedicao opcoes;
    opcoes.manter_impressora = true;
    medir_relatorio(doc, m, p, nada, nullptr, opcoes);
    pedido.arquivo_saida = pdf;
    return imprimir_relatorio({doc, m, p}, pedido, nada);
}

ResultadoTrabalho imprimir_pdf(const QByteArray& bytes, const QString& pdf)
{
    SuperficieImpressora p(impressora_pdf);
    return imprimir(p, gravar(QFileInfo(pdf).completeBaseName() + QStringLiteral(".spl"), bytes), {}, pdf);
}

// The same words at the same places, within `tolerancia` points.
::testing::AssertionResult mesmas_palavras(const QList<Palavra>& a, const QList<Palavra>& b, double tolerancia)
{
    if (a.size() != b.size() || a.isEmpty())
        return ::testing::AssertionFailure() << a.size() << " palavras contra " << b.size();
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].texto != b[i].texto || std::abs(a[i].x_min - b[i].x_min) > tolerancia
            || std::abs(a[i].y_min - b[i].y_min) > tolerancia)
            return ::testing::AssertionFailure() << a[i].texto.toStdString() << " em " << a[i].x_min << ','
                                                 << a[i].y_min << ", " << b[i].texto.toStdString() << " em "
                                                 << b[i].x_min << ',' << b[i].y_min;
    return ::testing::AssertionSuccess();
}

TEST(Fidelidade, TabulacaoEBytesDeControle)
{
    // A tab is one cell (Courier New 10: 6 points) whatever else the run
    // holds; so is every control byte and undefined byte before it.
    struct {
        const char* prefixo;
        int celulas; // cells before DESCRICAO
    } casos[] = {{"", 7}, {"\x0f", 8}, {"\x01", 8}, {"\x1a", 8}, {"\x7f", 8}, {"\x81", 8}};
    QByteArray bytes;
    for (const auto& c : casos)
        bytes += QByteArray(c.prefixo) + "CODIGO\tDESCRICAO\n";
    const QString pdf = pasta_temporaria() + QStringLiteral("/tabs.pdf");
    ASSERT_EQ(imprimir_pdf(bytes + ".", pdf).fim, FimTrabalho::Impresso);
    QList<double> x;
    for (const Palavra& p : palavras_pdf(pdf))
        if (p.texto == QLatin1String("DESCRICAO"))
            x << p.x_min;
    ASSERT_EQ(x.size(), static_cast<qsizetype>(std::size(casos)));
    for (qsizetype i = 0; i < x.size(); ++i)
        EXPECT_NEAR(x[i], casos[i].celulas * 6.0, 0.05) << i;
}

TEST(Fidelidade, NegritoDeFamiliaSemFaceNegrito)
{
    // "DejaVu Math TeX Gyre" has a regular face only: its bold is made up
    // and must carry more ink than the regular.
    const QByteArray linha = "MMMMMMMMMM";
    const QByteArray bytes = esc('1', "DejaVu Math TeX Gyre\r") + esc("624;") + linha + esc('y', "5000,") + esc('2')
                             + linha + "\n.";
    const QString pdf = pasta_temporaria() + QStringLiteral("/negrito.pdf");
    ASSERT_EQ(imprimir_pdf(bytes, pdf).fim, FimTrabalho::Impresso);
    const QImage pagina = rasterizar(pdf);
    ASSERT_FALSE(pagina.isNull());
    const int meio = 5000 / 20; // 72 dpi: a point a pixel
    const int tinta[2] = {teste::tinta(pagina, QRect(0, 0, pagina.width(), meio)),
                          teste::tinta(pagina, QRect(0, meio, pagina.width(), pagina.height() - meio))};
    EXPECT_GT(tinta[0], 0);
    EXPECT_GT(tinta[1], tinta[0] * 1.15) << tinta[0] << " regular, " << tinta[1] << " negrito";
}

TEST(Fidelidade, TamanhosDePapel)
{
    // Codes whose size Qt's lookup gets wrong, in twips.
    struct {
        int codigo;
        double largura, altura;
    } casos[] = {
        {12, 14173, 20069}, // B4, 250 x 354 mm
        {14, 12240, 18720}, // Folio, 8 1/2 x 13 in
        {15, 12189, 15591}, // Quarto, 215 x 275 mm
        {20, 5940, 13680},  // Envelope #10, 4 1/8 x 9 1/2 in
        {24, 24480, 31680}, // C, 17 x 22 in
        {25, 31680, 48960}, // D, 22 x 34 in
        {26, 48960, 63360}, // E, 34 x 44 in
        {7, 10440, 15120},  // Executivo, 7 1/4 x 10 1/2 in: from inches, not rounded millimetres
    };
    SuperficieImpressora p(impressora_pdf);
    for (const auto& c : casos) {
        p.setPaperSize(c.codigo);
        EXPECT_EQ(p.paperSize(), c.codigo);
        EXPECT_EQ(p.width(), c.largura) << c.codigo;
        EXPECT_EQ(p.height(), c.altura) << c.codigo;
    }
}

TEST(Fidelidade, RegistroDeFonteNaoMudaACor)
{
    // The colour mode of a printer record (1 or 2), or the colour of a
    // line, is no colour for the report's text.
    QByteArray fonte(54, '\0');
    fonte.replace(6, 5, "Arial");
    fonte[40] = 12;
    const QByteArray casos[] = {
        registro_impressora("Gravador", 1, 9, 0, 1),
        registro_impressora("Gravador", 1, 9, 0, 2),
        esc('b', "0,0,0,0,1,4,"),
    };
    for (const QByteArray& antes : casos) {
        ImpressoraGravada g;
        g.doc.nome_arquivo = gravar(QStringLiteral("cor.spl"), antes + esc('F', fonte) + "AB.");
        const Medicao r = medir_relatorio(g.doc, g.m, g.sup, g.obs);
        EXPECT_EQ(g.sup.fontName(), QStringLiteral("Arial"));
        EXPECT_TRUE(r.fonte_do_relatorio);
        EXPECT_EQ(g.sup.foreColor(), QColor(Qt::black));
    }
}

TEST(Fidelidade, BandejaDeFormularioContinuo)
{
    using Bandejas = QList<std::pair<QString, QString>>;
    EXPECT_EQ(bandeja_continua(Bandejas{{"Upper", "Bandeja superior"}, {"Tractor", "Trator"}}), "Tractor");
    EXPECT_EQ(bandeja_continua(Bandejas{{"Auto", "Automático"}, {"Rear", "Formulário contínuo"}}), "Rear");
    EXPECT_EQ(bandeja_continua(Bandejas{{"Auto", "Automático"}, {"Manual", "Manual"}}), "");
}

using FilaCarta = TesteComCups;

TEST_F(FilaCarta, A4ComoOArquivoPdf)
{
    // A queue whose paper is Letter prints an A4 report on A4, nothing
    // moved, under the report's file name; a landscape one as well.
    const QString saida = cups.saida(QStringLiteral("carta.pdf"));
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("Carta"), saida, QStringLiteral("na_letter_8.5x11in")));
    const QByteArray corpo = "Linha um, palavra\n" + esc('X', "40,") + "Direita\n" + esc('Y', "60,") + "Baixo\n.";
    for (const int orientacao : {orientacao_retrato, orientacao_paisagem}) {
        SCOPED_TRACE(orientacao);
        const QString nome = QStringLiteral("nota fiscal %1.spl").arg(orientacao);
        const QString arquivo = gravar(nome, registro_impressora("Carta", orientacao, 9, 0) + corpo);
        const QString referencia = pasta_temporaria() + QStringLiteral("/referencia.pdf");
        SuperficieImpressora pdf(impressora_pdf);
        ASSERT_EQ(imprimir(pdf, arquivo, {}, referencia).fim, FimTrabalho::Impresso);

        QFile::remove(saida);
        SuperficieImpressora fila(QStringLiteral("Carta"));
        ASSERT_EQ(imprimir(fila, arquivo).fim, FimTrabalho::Impresso);
        ASSERT_TRUE(cups.esperar_pdf(saida));
        // A landscape page comes out turned onto the upright sheet: turned
        // back, it is the page of the PDF file.
        QString impresso = saida;
        if (orientacao == orientacao_paisagem) {
            impresso = pasta_temporaria() + QStringLiteral("/desvirado.pdf");
            executar(QStringLiteral("qpdf"), {saida, QStringLiteral("--rotate=+90"), impresso});
        }
        const Resultado info = executar(QStringLiteral("pdfinfo"), {impresso});
        EXPECT_TRUE(info.saida.contains(QStringLiteral("(A4)"))) << info.saida.toStdString();
        EXPECT_TRUE(mesmas_palavras(palavras_pdf(impresso), palavras_pdf(referencia), 1.5));

        cups_job_t* trabalhos = nullptr;
        const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &trabalhos, "Carta", 0, CUPS_WHICHJOBS_ALL);
        bool nomeado = false;
        for (int i = 0; i < n; ++i)
            nomeado |= QString::fromUtf8(trabalhos[i].title) == nome;
        cupsFreeJobs(n, trabalhos);
        EXPECT_TRUE(nomeado) << nome.toStdString();
    }
}

} // namespace
