// The preview: one page drawn on the page image, its launch, and the search.
#include "analysis/indice.h"
#include "comum/apoio.h"
#include "preview/procura.h"
#include "preview/visualizacao.h"
#include "stream/cp1252.h"
#include "comum/superficie_gravacao.h"
#include "stream/superficie_imagem.h"

#include <QFileInfo>
#include <QImage>
#include <functional>
#include <utility>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

struct Contador : Observador {
    int eventos = 0, quadros = 0;
    QStringList paginas;
    void processar_eventos() override { ++eventos; }
    void pagina(const QString& t) override { paginas << t; }
    void quadro(const QString&, bool v) override { quadros += v; }
};

// A preview as the launch leaves it, on the recording surface (10 points:
// "A" is 120 x 240 twips), on tractor paper.
struct Preview {
    Documento doc;
    Metricas m;
    EstadoVisualizacao vis;
    Corrida corrida;
    SuperficieGravacao pagina{96};
    SuperficieGravacao impressora; // A4, as the metrics below
    Contador obs;

    explicit Preview(double zoom = 1.0)
    {
        m.altura_linha = m.altura_linha_padrao = 240;
        m.largura_caracter = m.largura_caracter_padrao = 120;
        m.altura_folha = 16838;
        m.largura_folha = 11906;
        // Tractor paper: the first line at y = 0.
        vis.papel.trator = true;
        vis.fator_zoom = zoom;
        vis.percentual_zoom = static_cast<int>(zoom * 100);
    }

    // Draws the page that starts at the first byte; returns what was drawn
    // (texts with position, and lines), without the page edges.
    QStringList desenhar(const QByteArray& dados, Superficie* outra = nullptr)
    {
        FonteBytes f;
        f.usar_memoria(dados);
        pagina.registro.clear();
        visualizar(f, doc, vis, m, corrida, outra ? *outra : pagina, obs);
        QStringList r;
        for (const QString& l : pagina.registro)
            if (!l.contains(QLatin1String("#008000 w=1 s=2")) && l != QLatin1String("Cls"))
                r << l;
        return r;
    }

    // Only "texto" x,y of each Print.
    QStringList textos(const QByteArray& dados)
    {
        QStringList r;
        for (const QString& l : desenhar(dados))
            if (l.startsWith(QLatin1String("Print ")))
                r << l.mid(6).section(u' ', 0, 1);
        return r;
    }
};

TEST(Visualizacao, PosicoesComoNaImpressora)
{
    Preview p;
    // The tab moves eight cells from the end of "AB"; byte 26 is not drawn.
    EXPECT_EQ(p.textos("AB\tCD\nE\x1a" "F\n."),
              (QStringList{"\"AB\" 0,0", "\"CD\" 1200,0", "\"EF\" 0,240"}));
    // ESC "x" beyond the page goes back to x = 0; a move below the page
    // ends it.
    EXPECT_EQ(p.textos("AB" + esc("Y0,") + "CD" + esc("X0,") + "EF" + esc("Y3,") + "G"
                       + esc("x99999,") + "H" + esc("V200,") + "I\n."),
              (QStringList{"\"AB\" 0,0", "\"CD\" 240,0", "\"EF\" 0,0", "\"G\" 240,480", "\"H\" 0,480"}));
    // The line that would reach the page's last line ends it, as on the
    // printer; what comes at the right edge is dropped.
    p.m.altura_folha = 1200;
    p.m.largura_folha = 1200;
    EXPECT_EQ(p.textos("1\n2\n3\n4" + esc("X10,") + "X\n5\n."),
              (QStringList{"\"1\" 0,0", "\"2\" 0,240", "\"3\" 0,480", "\"4\" 0,720"}));
}

TEST(Visualizacao, ZoomMultiplicaAsCoordenadas)
{
    Preview p(1.5);
    p.m.largura_caracter = 144;
    EXPECT_EQ(p.textos(esc("x1440,") + "A" + esc("X11,") + "B" + esc("y100,") + "C\nD\tE\n."),
              (QStringList{"\"A\" 2160,0", "\"B\" 2160,0", "\"C\" 2340,150", "\"D\" 0,510",
                           "\"E\" 1908,510"}));
    // The font grows with the zoom and ESC "6" too.
    const QStringList d = p.desenhar("A" + esc("612,") + "B\n.");
    ASSERT_EQ(d.size(), 2);
    EXPECT_TRUE(d[0].contains(QLatin1String("Courier New 15 ")));
    EXPECT_TRUE(d[1].contains(QLatin1String("Courier New 18 ")));
}

TEST(Visualizacao, DestaqueDaProcura)
{
    Preview p;
    p.vis.texto_procurado = QStringLiteral("cd");
    p.vis.posicao_achada = 3; // "CD" in "XABCDEF"
    const QStringList d = p.desenhar("XABCDEF\n.");
    ASSERT_EQ(d.size(), 3);
    EXPECT_TRUE(d[0].startsWith(QLatin1String("Print \"XAB\" 0,0 [Courier New 10 - - - - #000000]")));
    EXPECT_TRUE(d[1].startsWith(QLatin1String("Print \"CD\" 360,0 [Courier New 10 - - u - #0000ff]")));
    EXPECT_TRUE(d[2].startsWith(QLatin1String("Print \"EF\" 600,0 [Courier New 10 - - - - #000000]")));

    // After the hit the report's own colour comes back.
    p.vis.posicao_achada = 5;
    const QStringList e = p.desenhar("X" + esc("C4,") + "CDEF\n.");
    ASSERT_EQ(e.size(), 3);
    EXPECT_TRUE(e[1].contains(QLatin1String("- u - #0000ff")));
    EXPECT_TRUE(e[2].contains(QLatin1String("- - - #800000")));

    // A hit that ends at the file's last byte does not reach the next page;
    // a hit at offset 0 is no hit.
    p.vis.posicao_achada = 1;
    p.desenhar("XCD.");
    p.vis.posicao_achada = 0;
    const QStringList f = p.desenhar(esc("C0,") + "CDEF\n.");
    ASSERT_EQ(f.size(), 1);
    EXPECT_TRUE(f[0].contains(QLatin1String("- - - #000000")));
}

TEST(Visualizacao, SublinhadoSobOAchadoNaImagem)
{
    Preview p;
    SuperficieImagem img;
    img.setFontName(QStringLiteral("Courier New"));
    p.vis.texto_procurado = QStringLiteral("achei");
    p.vis.posicao_achada = 6;
    p.desenhar("linha achei aqui\n.", &img);
    const double cela = img.textWidth(QStringLiteral("A")) / twips_por_pixel_imagem;
    const double alto = img.textHeight(QStringLiteral("A")) / twips_por_pixel_imagem;
    const auto azuis = [](const QImage& im) {
        QList<QPoint> r;
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x)
                if (const QColor c = im.pixelColor(x, y); c.blue() > 200 && c.red() < 90 && c.green() < 90)
                    r << QPoint(x, y);
        return r;
    };
    const QList<QPoint> a = azuis(img.imagem());
    ASSERT_FALSE(a.isEmpty());
    // Every blue pixel lies on the hit, and one row below the letters is
    // blue along the whole hit: the underline.
    QMap<int, int> por_linha;
    for (const QPoint& q : a) {
        EXPECT_GE(q.x(), 6 * cela - 2);
        EXPECT_LE(q.x(), 11 * cela + 2);
        EXPECT_LE(q.y(), alto + 1);
        ++por_linha[q.y()];
    }
    int sublinhado = -1;
    for (auto it = por_linha.cbegin(); it != por_linha.cend(); ++it)
        if (it.value() >= 5 * cela - 2)
            sublinhado = it.key();
    EXPECT_GT(sublinhado, alto * 0.6);
    // The next page: nothing blue.
    p.vis.posicao_achada = 0;
    p.desenhar("outra\n.", &img);
    EXPECT_TRUE(azuis(img.imagem()).isEmpty());
}

TEST(Visualizacao, BordasVerdesPontilhadas)
{
    Preview p;
    p.pagina.registro.clear();
    FonteBytes f;
    f.usar_memoria("A\n.");
    p.vis.margem_esquerda_texto = QStringLiteral("10");
    p.vis.margem_superior_texto = QStringLiteral("10");
    visualizar(f, p.doc, p.vis, p.m, p.corrida, p.pagina, p.obs);
    const QStringList& r = p.pagina.registro;
    ASSERT_GE(r.size(), 2);
    EXPECT_EQ(r[r.size() - 2], QStringLiteral("Line 0,16774 11842,16774 #008000 w=1 s=2"));
    EXPECT_EQ(r.last(), QStringLiteral("Line 11842,0 11842,16774 #008000 w=1 s=2"));
    EXPECT_EQ(p.pagina.drawStyle(), EstiloLinha::Solido);
    EXPECT_EQ(p.pagina.scaleLeft(), -567);
    EXPECT_EQ(p.pagina.scaleTop(), -567);
    EXPECT_EQ(p.obs.eventos, 1);
}

TEST(Visualizacao, ComandosDeEstadoLinhasImagemETitulo)
{
    Preview p;
    const QString arq = gravar_figura(QStringLiteral("figura.png"), {10, 4}, Qt::red);
    ASSERT_FALSE(arq.isEmpty());
    const QByteArray d = esc("0Meu titulo\r") + esc("b10,20,30,40,0,4,") + esc("L2,1,4,2,3,20,")
        + esc("G") + unicode_para_cp1252(arq) + "\r" + "A" + esc("Gnao/existe.png\r") + "B"
        + esc("748,") + esc("830,") + "\nC" + esc("A2,") + ".";
    const QStringList r = p.desenhar(d);
    EXPECT_EQ(p.vis.titulo_janela, QStringLiteral("Meu titulo"));
    ASSERT_EQ(r.size(), 5);
    EXPECT_EQ(r[0], QStringLiteral("Box 10,20 30,40 #800000 w=1 s=0"));
    // A colour outside the palette draws nothing and leaves the pen; the
    // picture moves it to its lower right corner.
    EXPECT_EQ(r[1], QStringLiteral("Picture 30,40 150x60 e=1"));
    // The failed picture ends the run but moves nothing.
    EXPECT_TRUE(r[2].startsWith(QLatin1String("Print \"A\" 180,100")));
    EXPECT_TRUE(r[3].startsWith(QLatin1String("Print \"B\" 300,100")));
    EXPECT_TRUE(r[4].startsWith(QLatin1String("Print \"C\" 0,148")));
    // The shared metrics stay as the print pass starts from them.
    EXPECT_EQ(p.m.altura_linha, 240);
    // While the preview is open the picture is decoded once, however often
    // it is drawn.
    const QByteArray figura = esc("G") + unicode_para_cp1252(arq) + "\r";
    EXPECT_EQ(p.desenhar(figura.repeated(3) + ".").filter(QStringLiteral("Picture")).size(), 3);
    EXPECT_EQ(p.vis.imagens.decodificadas(), 1);
}

TEST(Visualizacao, InterrupcaoEEventos)
{
    Preview p;
    p.doc.interromper = 1;
    EXPECT_TRUE(p.textos("AB\nCD\n.").isEmpty());
    // The page is still finished.
    EXPECT_TRUE(p.pagina.registro.last().contains(QLatin1String("#008000")));
    EXPECT_EQ(p.obs.eventos, 1);
}

// A click on "next page" handled while a page is being drawn.
struct CliqueDuranteODesenho : Contador {
    std::function<void()> clique;
    void processar_eventos() override
    {
        Contador::processar_eventos();
        if (clique)
            std::exchange(clique, nullptr)();
    }
};

TEST(Visualizacao, PedidoDuranteODesenhoDesenhaANovaPagina)
{
    Preview p;
    const QByteArray d = "pagina 1\fpagina 2\fpagina 3\f.";
    p.doc.nome_arquivo = gravar(QStringLiteral("clique.spl"), d);
    IndicePaginas indice;
    ASSERT_TRUE(examinar(p.doc, p.m, p.impressora, p.vis.papel, indice, p.obs));
    CliqueDuranteODesenho obs;
    obs.clique = [&] {
        p.vis.pagina_atual = 2;
        EXPECT_TRUE(visualizar(p.doc, indice, p.vis, p.m, p.corrida, p.pagina, obs));
    };
    p.vis.pagina_atual = 1;
    p.pagina.registro.clear();
    ASSERT_TRUE(visualizar(p.doc, indice, p.vis, p.m, p.corrida, p.pagina, obs));
    EXPECT_EQ(obs.paginas, (QStringList{"1", "2"}));
    EXPECT_EQ(p.pagina.registro.filter(QStringLiteral("Print")).last().left(16), QStringLiteral("Print \"pagina 2\""));
    EXPECT_FALSE(p.vis.renderizando);
}

TEST(Visualizacao, PaginaDoIndiceSemLerAsAnteriores)
{
    // Page 1 changes the line height, the font and the colour; the last page
    // is drawn straight from its own start with the line height, font and
    // colour that the print pass has there. (Its cost against page 1 is
    // measured by bench/index_bench.sh.)
    const QByteArray pagina = QByteArray(1500, 'x') + "\n\f";
    Preview p;
    p.doc.nome_arquivo = gravar(QStringLiteral("longo.spl"),
                                esc("7999\x1a") + esc("1Arial\x1a") + esc("C12\x1a")
                                    + pagina.repeated(2000) + "fim\nAB\n.");
    p.doc.tamanho_arquivo = QFileInfo(p.doc.nome_arquivo).size();
    IndicePaginas indice;
    ASSERT_TRUE(examinar(p.doc, p.m, p.impressora, p.vis.papel, indice, p.obs));
    ASSERT_EQ(indice.total_paginas, 2001);
    p.vis.pagina_atual = 2001;
    ASSERT_TRUE(visualizar(p.doc, indice, p.vis, p.m, p.corrida, p.pagina, p.obs));
    const QStringList impressos = p.pagina.registro.filter(QStringLiteral("Print"));
    ASSERT_EQ(impressos.size(), 2);
    EXPECT_TRUE(impressos[0].startsWith(QLatin1String("Print \"fim\" 0,0 [Arial 10 "))) << impressos[0].toStdString();
    EXPECT_TRUE(impressos[0].endsWith(QLatin1String("#ff0000]"))) << impressos[0].toStdString();
    EXPECT_TRUE(impressos[1].startsWith(QLatin1String("Print \"AB\" 0,999 "))) << impressos[1].toStdString();
    EXPECT_EQ(p.obs.paginas.last(), QStringLiteral("2001"));
    // Outside the report: brought into range.
    for (const auto& [pedida, mostrada] : {std::pair{99999, 2001}, std::pair{-5, 1}}) {
        p.vis.pagina_atual = pedida;
        ASSERT_TRUE(visualizar(p.doc, indice, p.vis, p.m, p.corrida, p.pagina, p.obs));
        EXPECT_EQ(p.vis.pagina_atual, mostrada);
    }
}

TEST(Visualizacao, PaginaAlemDeQualquerPapel)
{
    Preview p(1.8);
    SuperficieImagem img;
    // A page length beyond any paper: the image as tall as the printer
    // makes it (200 inches, within the image's own limit), not one pixel.
    p.m.altura_folha = std::numeric_limits<std::int32_t>::max();
    p.desenhar("A\n.", &img);
    EXPECT_EQ(img.imagem().height(), 12000);
}

TEST(Visualizacao, Lancamento)
{
    Preview p;
    p.doc.nome_arquivo = gravar(QStringLiteral("lanc.spl"), "A\fB\fC");
    p.doc.tamanho_arquivo = 5;
    SuperficieGravacao impressora;
    impressora.fontes << QStringLiteral("Roman 10cpi") << QStringLiteral("Draft 12") << QStringLiteral("ARIAL");
    struct Caso {
        const char* fonte;
        const char* tela;
        double tamanho;
    };
    IndicePaginas indice;
    for (const Caso& c : {Caso{"Roman 10cpi", "Terminal", 10}, Caso{"Draft 12", "Terminal", 10},
                          Caso{"ARIAL", "Courier New", 10}, Caso{"Arial", "Arial", 14}}) {
        impressora.setFontName(QString::fromLatin1(c.fonte));
        impressora.setFontSize(14);
        impressora.setFontBold(true);
        SuperficieGravacao tela;
        p.vis.margem_esquerda_texto = QStringLiteral("10");
        p.vis.margem_superior_texto = QStringLiteral("5,5");
        p.vis.fator_zoom = 1.4;
        p.vis.pagina_atual = 7;
        p.m.altura_linha = 300;
        iniciar_visualizacao(p.doc, p.m, indice, p.vis, impressora, tela, p.obs);
        EXPECT_EQ(tela.fontName(), QString::fromLatin1(c.tela)) << c.fonte;
        EXPECT_EQ(p.vis.tamanho_fonte_tela, c.tamanho) << c.fonte;
        EXPECT_TRUE(p.vis.negrito_tela);
        EXPECT_EQ(tela.scaleLeft(), -567);
        EXPECT_EQ(tela.scaleTop(), -284);
        EXPECT_EQ(p.vis.fator_zoom, 1.0);
        EXPECT_EQ(p.vis.percentual_zoom, 100);
        EXPECT_EQ(p.vis.pagina_atual, 0);
        EXPECT_EQ(p.m.altura_folha, 16838);
        EXPECT_EQ(p.m.largura_folha, 11906);
    }
    // The index is built once, while nothing invalidates it and the paper
    // stays; another top margin finds the pages again.
    EXPECT_EQ(p.obs.quadros, 1);
    EXPECT_TRUE(p.doc.indice_valido);
    p.vis.margem_superior_texto = QStringLiteral("20");
    SuperficieGravacao tela;
    iniciar_visualizacao(p.doc, p.m, indice, p.vis, impressora, tela, p.obs);
    EXPECT_EQ(p.obs.quadros, 2);
    EXPECT_EQ(indice.papel.margem_superior, 1134);
}

TEST(Procura, BytesSemDistinguirMaiusculas)
{
    const QByteArray texto = unicode_para_cp1252(QStringLiteral("Relação de Vendas\r\nRELAÇÃO final; relação"));
    EXPECT_EQ(procurar_texto(texto, QStringLiteral("relação"), 0), 0);
    EXPECT_EQ(procurar_texto(texto, QStringLiteral("relação"), 1), 19);
    EXPECT_EQ(procurar_texto(texto, QStringLiteral("RELAÇÃO"), 20), 34);
    EXPECT_EQ(procurar_texto(texto, QStringLiteral("FINAL"), 0), 27);
    EXPECT_EQ(procurar_texto(texto, QStringLiteral("relação"), 35), -1);
    EXPECT_EQ(procurar_texto(texto, QString(), 0), -1);
    EXPECT_EQ(procurar_texto(texto, QStringLiteral("x"), 1000), -1);
}

// The file is searched in blocks of 4 MiB: hits across a block's border are
// found, each once, and the search stops at the length the file had.
TEST(Procura, NoArquivoEmBlocos)
{
    const qint64 mib = 1024 * 1024;
    QByteArray dados(9 * mib, 'x');
    const QByteArray palavra = unicode_para_cp1252(QStringLiteral("RELAÇÃO"));
    const qint64 posicoes[] = {4 * mib - 3, 8 * mib - 6, 9 * mib - 8};
    for (qint64 p : posicoes)
        dados.replace(p, palavra.size(), palavra);
    const QString arq = gravar(QStringLiteral("procura_grande.spl"), dados);
    qint64 achado = -1, inicio = 0;
    for (qint64 p : posicoes) {
        ASSERT_TRUE(procurar_no_arquivo(arq, dados.size(), QStringLiteral("relação"), inicio, achado));
        EXPECT_EQ(achado, p);
        inicio = achado + 1;
    }
    ASSERT_TRUE(procurar_no_arquivo(arq, dados.size(), QStringLiteral("relação"), inicio, achado));
    EXPECT_EQ(achado, -1);
    ASSERT_TRUE(procurar_no_arquivo(arq, 9 * mib - 2, QStringLiteral("relação"), posicoes[1] + 1, achado));
    EXPECT_EQ(achado, -1);
    // A file that lost its end since it was loaded is not searched in part.
    QFile(arq).resize(5 * mib);
    QString erro;
    EXPECT_FALSE(procurar_no_arquivo(arq, dados.size(), QStringLiteral("relação"), 4 * mib, achado, &erro));
    EXPECT_TRUE(erro.contains(arq)) << erro.toStdString();
}

TEST(Procura, PaginaDoAchado)
{
    Preview p;
    p.doc.nome_arquivo = gravar(QStringLiteral("achados.spl"), QByteArray("123456789\f").repeated(3) + ".");
    IndicePaginas i;
    ASSERT_TRUE(examinar(p.doc, p.m, p.impressora, p.vis.papel, i, p.obs));
    ASSERT_EQ(i.total_paginas, 3);
    EXPECT_EQ(pagina_do_achado(p.doc.nome_arquivo, i, 0), 1);
    EXPECT_EQ(pagina_do_achado(p.doc.nome_arquivo, i, 9), 1);
    EXPECT_EQ(pagina_do_achado(p.doc.nome_arquivo, i, 10), 2); // the first byte of page 2
    EXPECT_EQ(pagina_do_achado(p.doc.nome_arquivo, i, 20), 3);
    EXPECT_EQ(pagina_do_achado(p.doc.nome_arquivo, i, 5000), 3);
}

TEST(Procura, DestaqueNoArquivoComFinsDeLinha)
{
    // The hit is highlighted where it is, after CR LF pairs and escapes.
    QByteArray d = "linha 1\r\n" + esc("2") + "linha 2\r\nachei aqui\n.";
    Preview p;
    p.doc.nome_arquivo = gravar(QStringLiteral("achado.spl"), d);
    p.doc.tamanho_arquivo = d.size();
    IndicePaginas indice;
    ASSERT_TRUE(examinar(p.doc, p.m, p.impressora, p.vis.papel, indice, p.obs));
    p.vis.texto_procurado = QStringLiteral("ACHEI");
    qint64 achado = -1;
    ASSERT_TRUE(procurar_no_arquivo(p.doc.nome_arquivo, d.size(), p.vis.texto_procurado, 0, achado));
    p.vis.posicao_achada = achado;
    p.vis.pagina_atual = pagina_do_achado(p.doc.nome_arquivo, indice, p.vis.posicao_achada);
    p.pagina.registro.clear();
    ASSERT_TRUE(visualizar(p.doc, indice, p.vis, p.m, p.corrida, p.pagina, p.obs));
    EXPECT_TRUE(p.pagina.registro.filter(QStringLiteral("Print \"achei\" 0,480 [Courier New 10 b - u - #0000ff]")).size() == 1)
        << p.pagina.registro.join(u'\n').toStdString();
}

TEST(Visualizacao, ComandoVisualizar)
{
    QByteArray d = "primeira\f";
    for (int i = 0; i < 3; ++i)
        d += "outra pagina\f";
    d += "ultima XYZ\n.";
    const QString arq = gravar(QStringLiteral("cli_vis.spl"), d);
    const QString png = pasta_temporaria() + QStringLiteral("/pagina.png");
    Resultado r = executar(cli(), {QStringLiteral("visualizar"), arq, QStringLiteral("99"), png,
                                   QStringLiteral("--pdf"), QStringLiteral("--procurar"),
                                   QStringLiteral("xyz")});
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    QImage im(png);
    ASSERT_FALSE(im.isNull());
    int azuis = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 400; ++x)
            azuis += im.pixelColor(x, y).blue() > 200 && im.pixelColor(x, y).red() < 60;
    EXPECT_GT(azuis, 10); // the highlight on the last page
}

// The first dark column in the top inch of a page image, or -1.
int primeira_coluna_escura(const QImage& im)
{
    for (int x = 0; x < im.width(); ++x)
        for (int y = 0; y < std::min(im.height(), 96); ++y)
            if (qGray(im.pixel(x, y)) < 128)
                return x;
    return -1;
}

TEST(Visualizacao, ComandoVisualizarFormularioDeTratorSemMargens)
{
    // The stored margins are 10 mm (38 pixels); a tractor-fed form is drawn
    // from its corner, as the window and the printer place it.
    const QString png = pasta_temporaria() + QStringLiteral("/trator.png");
    for (const int bandeja : {0, bandeja_trator}) {
        const QString arq = gravar(QStringLiteral("trator.spl"),
                                   registro_impressora("Arquivo PDF", 1, 9, bandeja) + "MMMM\n.");
        const Resultado r = executar(cli(), {QStringLiteral("visualizar"), arq, QStringLiteral("1"), png});
        ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
        const int x = primeira_coluna_escura(QImage(png));
        if (bandeja == bandeja_trator)
            EXPECT_LE(x, 3);
        else
            EXPECT_NEAR(x, 38, 4);
    }
}

} // namespace
