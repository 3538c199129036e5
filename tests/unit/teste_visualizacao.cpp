// The preview is the printed page: for a corpus of reports, the page list
// counts the printed pages, every preview page rasterises as its printed page
// at 60, 100 and 150 %, and a range prints the whole print's pages. Then
// what only the screen has: the search highlight, the page edges, a page
// asked for while one is drawn, the launch, the search.
#include "analysis/indice.h"
#include "analysis/medicao.h"
#include "comum/apoio.h"
#include "comum/casos.h"
#include "preview/procura.h"
#include "preview/visualizacao.h"
#include "print/superficie_impressora.h"
#include "print/pedido.h"
#include "print/trabalho.h"
#include "stream/cp1252.h"
#include "stream/superficie_imagem.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>
#include <iostream>
#include <utility>
#include <vector>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

// A report measured on the PDF printer, as papelada-cli measures it.
struct Relatorio {
    Documento doc;
    Metricas m;
    SuperficieImpressora impressora{impressora_pdf};
    Observador nada;
    explicit Relatorio(const QString& arquivo)
    {
        doc.nome_arquivo = arquivo;
        doc.tamanho_arquivo = QFileInfo(arquivo).size();
        OpcoesMedicao opcoes;
        opcoes.manter_impressora = true;
        medir_relatorio(doc, m, impressora, nada, nullptr, opcoes);
    }
    bool imprimir(const QString& pdf, int margem = 0, double primeira = 0, double ultima = 0)
    {
        // As a request is checked: a range then begins from the page list
        // it was checked against.
        PedidoImpressao pedido;
        pedido.arquivo_saida = pdf;
        const TextosPedido textos{QStringLiteral("0"), QString::number(margem), QStringLiteral("1"), primeira != 0,
                                  QString::number(primeira), QString::number(ultima)};
        return !validar_pedido(textos, limites_da_impressora(doc, m, impressora, nada), pedido)
               && imprimir_relatorio({doc, m, impressora}, pedido, nada).fim == FimTrabalho::Impresso;
    }
};

// Ink (grey below 128) of a picture, the page-edge marks (the last six rows
// and columns of the preview's size) left out.
std::vector<bool> tinta_de(const QImage& imagem, QSize tamanho)
{
    const bool cinza = imagem.format() == QImage::Format_Grayscale8;
    const QImage im = cinza ? imagem : imagem.convertToFormat(QImage::Format_RGB32);
    std::vector<bool> t(static_cast<size_t>(tamanho.width() * tamanho.height()));
    for (int y = 0; y < std::min(im.height(), tamanho.height() - 6); ++y) {
        const uchar* linha = im.constScanLine(y);
        for (int x = 0; x < std::min(im.width(), tamanho.width() - 6); ++x)
            t[static_cast<size_t>(y * tamanho.width() + x)]
                = (cinza ? linha[x] : qGray(reinterpret_cast<const QRgb*>(linha)[x])) < 128;
    }
    return t;
}

// The share of the ink of `a` that has ink of `b` within 2 pixels (1 when
// `a` has none).
double coberta(const std::vector<bool>& a, const std::vector<bool>& b, QSize t)
{
    qint64 total = 0, perto = 0;
    for (int y = 0; y < t.height(); ++y)
        for (int x = 0; x < t.width(); ++x) {
            if (!a[static_cast<size_t>(y * t.width() + x)])
                continue;
            ++total;
            bool achou = false;
            for (int dy = -2; dy <= 2 && !achou; ++dy)
                for (int dx = -2; dx <= 2 && !achou; ++dx) {
                    const int u = x + dx, v = y + dy;
                    achou = u >= 0 && v >= 0 && u < t.width() && v < t.height()
                            && b[static_cast<size_t>(v * t.width() + u)];
                }
            perto += achou;
        }
    return total == 0 ? 1.0 : static_cast<double>(perto) / static_cast<double>(total);
}

// Every page of a PDF as pdftoppm draws it in shades of grey, `dpi` pixels
// to the inch.
QList<QImage> rasterizar_todas(const QString& pdf, double dpi)
{
    QTemporaryDir pasta;
    executar(QStringLiteral("pdftoppm"),
             {QStringLiteral("-gray"), QStringLiteral("-r"), QString::number(dpi), pdf, pasta.filePath(QStringLiteral("p"))});
    QList<QImage> r;
    for (const QString& pgm : QDir(pasta.path()).entryList(QDir::Files, QDir::Name))
        r << QImage(pasta.filePath(pgm)).convertToFormat(QImage::Format_Grayscale8);
    return r;
}

constexpr double zooms[] = {0.6, 1.0, 1.5};
// The least agreement found at each zoom, shown at the end.
double pior[std::size(zooms)] = {1, 1, 1};

// The numbered lines in a text, "L0001" and on.
QStringList numeradas(const QString& texto)
{
    static const QRegularExpression numerada(QStringLiteral("L\\d{4}"));
    QStringList r;
    for (auto it = numerada.globalMatch(texto); it.hasNext();)
        r << it.next().captured();
    return r;
}

// The printed page count and the first line of every printed page; along
// the way, the page list, each preview page and a range are checked against
// the print, previewed first and printed next as a user does, and every
// numbered line is printed once, in order.
QString conferir(QByteArray entrada, const QString& nome)
{
    int margem = 0;
    if (entrada.startsWith("{margem ")) {
        margem = entrada.mid(8, entrada.indexOf('}') - 8).toInt();
        entrada.remove(0, entrada.indexOf('}') + 1);
    }
    for (qsizetype i; (i = entrada.indexOf("{L")) >= 0;) {
        const qsizetype fim = entrada.indexOf('}', i);
        const QList<QByteArray> de_ate = entrada.mid(i + 2, fim - i - 2).split('-');
        QByteArray linhas;
        for (int n = de_ate[0].toInt(); n <= de_ate[1].toInt(); ++n)
            linhas += 'L' + QByteArray::number(n).rightJustified(4, '0') + "\r\n";
        entrada.replace(i, fim - i + 1, linhas);
    }
    const QString arquivo = entrada.startsWith('@') ? dir_fonte() + u'/' + QString::fromUtf8(entrada.mid(1))
                                                    : gravar(nome + QStringLiteral(".spl"), entrada);
    const QString pdf = pasta_temporaria() + u'/' + nome + QStringLiteral(".pdf");
    Relatorio r(arquivo);
    IndicePaginas indice;
    EstadoVisualizacao vis;
    vis.margem_superior_texto = QString::number(margem);
    SuperficieImagem pagina;
    Corrida corrida;
    iniciar_visualizacao(r.doc, r.m, indice, vis, r.impressora, pagina, r.nada);
    if (!r.imprimir(pdf, margem))
        return QStringLiteral("não imprimiu");
    const int paginas = paginas_pdf(pdf);
    QString saida = QString::number(paginas);
    const QString texto = executar(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).saida;
    const QStringList textos = texto.split(u'\f');
    for (int p = 0; p < paginas; ++p)
        saida += QStringLiteral("\n%1: %2").arg(p + 1).arg(textos.value(p).trimmed().section(u'\n', 0, 0).simplified());
    EXPECT_EQ(numeradas(texto), numeradas(QString::fromLatin1(entrada))) << nome.toStdString();
    EXPECT_EQ(indice.total_paginas, paginas) << nome.toStdString();
    for (size_t z = 0; z < std::size(zooms); ++z) {
        const QList<QImage> impressas = rasterizar_todas(pdf, 96 * zooms[z]);
        for (int p = 1; p <= std::min<int>(impressas.size(), indice.total_paginas); ++p) {
            vis.fator_zoom = zooms[z];
            vis.pagina_atual = p;
            EXPECT_TRUE(visualizar(r.doc, indice, vis, r.m, corrida, pagina, r.nada));
            const QImage tela = pagina.imagem();
            const QImage& papel = impressas[p - 1];
            const auto t = tela.size();
            const double a = coberta(tinta_de(tela, t), tinta_de(papel, t), t);
            const double b = coberta(tinta_de(papel, t), tinta_de(tela, t), t);
            pior[z] = std::min({pior[z], a, b});
            EXPECT_LE(std::abs(papel.width() - t.width()) + std::abs(papel.height() - t.height()), 2);
            EXPECT_GE(std::min(a, b), 0.99) << nome.toStdString() << " página " << p << " zoom " << zooms[z]
                                            << ": tela " << a << ", papel " << b;
        }
    }
    if (paginas > 1) {
        const QString faixa = pasta_temporaria() + u'/' + nome + QStringLiteral("-faixa.pdf");
        EXPECT_TRUE(Relatorio(arquivo).imprimir(faixa, margem, 2, paginas));
        EXPECT_EQ(rasterizar_todas(faixa, 40), rasterizar_todas(pdf, 40).mid(1)) << nome.toStdString();
    }
    return saida;
}

TEST(PaginaImpressa, Corpus)
{
    // The samples name their picture relative to the source tree.
    const QString antes = QDir::currentPath();
    QDir::setCurrent(dir_fonte());
    for (const CasoArquivo& c : conferir_casos(QStringLiteral("paginas.casos"),
                                               [n = 0](const QByteArray& e) mutable {
                                                   return conferir(e, QStringLiteral("caso%1").arg(++n));
                                               }))
        EXPECT_EQ(c.obtido, c.esperado) << c.nome.toStdString();
    QDir::setCurrent(antes);
    for (size_t z = 0; z < std::size(zooms); ++z)
        std::cout << "zoom " << zooms[z] * 100 << "%: concordância mínima " << pior[z] << '\n';
}

// --- What only the screen has ------------------------------------------------

// A preview of bytes, launched as the window launches it.
struct Preview {
    Relatorio r;
    IndicePaginas indice;
    EstadoVisualizacao vis;
    SuperficieImagem pagina;
    Corrida corrida;
    Preview(const QString& nome, const QByteArray& dados) : r(gravar(nome, dados))
    {
        iniciar_visualizacao(r.doc, r.m, indice, vis, r.impressora, pagina, r.nada);
    }
    QImage mostrar(std::int32_t p, Observador& obs)
    {
        vis.pagina_atual = p;
        EXPECT_TRUE(visualizar(r.doc, indice, vis, r.m, corrida, pagina, obs));
        return pagina.imagem();
    }
};

// Pixels of one colour, or of the colours `e_da_cor` takes.
QList<QPoint> da_cor(const QImage& im, const std::function<bool(QColor)>& e_da_cor)
{
    QList<QPoint> r;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x)
            if (e_da_cor(im.pixelColor(x, y)))
                r << QPoint(x, y);
    return r;
}
QList<QPoint> da_cor(const QImage& im, int indice)
{
    return da_cor(im, [cor = QBColor(indice)](QColor c) { return c == cor; });
}

TEST(Visualizacao, DestaqueBordasETitulo)
{
    // The hit "achei" is light blue and underlined, and the report's colour
    // comes back after it; the title comes from ESC "0". The page edges are
    // dotted green, four pixels inside the page.
    Preview v(QStringLiteral("destaque.spl"),
              esc("0Meu titulo\r") + "linha 1\r\nlinha " + esc("C4,") + "achei aqui\nfim\fpagina 2\n.");
    qint64 achado = -1;
    ASSERT_TRUE(procurar_no_arquivo(v.r.doc.nome_arquivo, v.r.doc.tamanho_arquivo, QStringLiteral("ACHEI"), 0, achado));
    v.vis.texto_procurado = QStringLiteral("ACHEI");
    v.vis.posicao_achada = achado;
    Observador nada;
    const QImage im = v.mostrar(pagina_do_achado(v.r.doc.nome_arquivo, v.indice, achado), nada);
    EXPECT_EQ(v.vis.titulo_janela, QStringLiteral("Meu titulo"));
    EXPECT_EQ(v.vis.pagina_atual, 1);
    const QList<QPoint> azul = da_cor(im, 9);
    ASSERT_FALSE(azul.isEmpty());
    QRect area;
    for (const QPoint& q : azul)
        area |= QRect(q, QSize(1, 1));
    const double cela = v.pagina.textWidth(QStringLiteral("A")) / twips_por_pixel_imagem;
    EXPECT_NEAR(area.left(), 6 * cela, 2);
    EXPECT_NEAR(area.right(), 11 * cela, 2);
    const QImage depois = im.copy(QRect(area.right() + 2, area.top(), static_cast<int>(4 * cela), area.height()));
    EXPECT_FALSE(da_cor(depois, [](QColor c) { return c.red() > 100 && c.green() < 60 && c.blue() < 60; }).isEmpty());
    const QList<QPoint> verde = da_cor(im, 2);
    ASSERT_FALSE(verde.isEmpty());
    for (const QPoint& q : verde)
        EXPECT_TRUE(q.x() >= im.width() - 6 || q.y() >= im.height() - 6) << q.x() << ',' << q.y();
    // Page 2 has no hit.
    EXPECT_TRUE(da_cor(v.mostrar(2, nada), 9).isEmpty());
}

// A click on "next page" handled while a page is being drawn.
struct CliqueDuranteODesenho : Observador {
    std::function<void()> clique;
    QStringList paginas;
    void pagina(const QString& t) override { paginas << t; }
    void processar_eventos() override
    {
        if (clique)
            std::exchange(clique, nullptr)();
    }
};

TEST(Visualizacao, PedidoDuranteODesenhoDesenhaANovaPagina)
{
    Preview v(QStringLiteral("clique.spl"), "pagina 1\fpagina 2\fpagina 3\f.");
    CliqueDuranteODesenho obs;
    obs.clique = [&] {
        v.vis.pagina_atual = 2;
        EXPECT_TRUE(visualizar(v.r.doc, v.indice, v.vis, v.r.m, v.corrida, v.pagina, obs));
    };
    v.mostrar(1, obs);
    EXPECT_EQ(obs.paginas, (QStringList{"1", "2"}));
    EXPECT_FALSE(v.vis.renderizando);
    // Outside the report: brought into range.
    for (const auto& [pedida, mostrada] : {std::pair{99999, 3}, std::pair{-5, 1}}) {
        v.mostrar(pedida, obs);
        EXPECT_EQ(v.vis.pagina_atual, mostrada);
    }
}

TEST(Visualizacao, PaginaAlemDeQualquerPapel)
{
    // A page length beyond any paper: the image as tall as the printer
    // makes it (200 inches, within the image's own limit), not one pixel.
    Preview v(QStringLiteral("comprida.spl"), esc("A999999,") + "A\n.");
    v.vis.fator_zoom = 1.8;
    Observador nada;
    EXPECT_EQ(v.mostrar(1, nada).height(), 12000);
}

TEST(Visualizacao, LancamentoRefazOIndiceSoEmOutroPapel)
{
    struct Contador : Observador {
        int quadros = 0;
        void quadro(const QString&, bool v) override { quadros += v; }
    } obs;
    Preview v(QStringLiteral("lanc.spl"), "A\fB\fC");
    v.vis.fator_zoom = 1.4;
    v.vis.pagina_atual = 7;
    iniciar_visualizacao(v.r.doc, v.r.m, v.indice, v.vis, v.r.impressora, v.pagina, obs);
    EXPECT_EQ(obs.quadros, 0);
    EXPECT_EQ(v.vis.fator_zoom, 1.0);
    EXPECT_EQ(v.vis.pagina_atual, 0);
    EXPECT_EQ(v.pagina.width(), v.r.impressora.width());
    v.vis.margem_superior_texto = QStringLiteral("20");
    iniciar_visualizacao(v.r.doc, v.r.m, v.indice, v.vis, v.r.impressora, v.pagina, obs);
    EXPECT_EQ(obs.quadros, 1);
    EXPECT_EQ(v.indice.papel.margem_superior, 1134);
    EXPECT_EQ(v.indice.total_paginas, 2);
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
    Preview v(QStringLiteral("achados.spl"), QByteArray("123456789\f").repeated(3) + ".");
    ASSERT_EQ(v.indice.total_paginas, 3);
    const QString& a = v.r.doc.nome_arquivo;
    EXPECT_EQ(pagina_do_achado(a, v.indice, 0), 1);
    EXPECT_EQ(pagina_do_achado(a, v.indice, 9), 1);
    EXPECT_EQ(pagina_do_achado(a, v.indice, 10), 2); // the first byte of page 2
    EXPECT_EQ(pagina_do_achado(a, v.indice, 20), 3);
    EXPECT_EQ(pagina_do_achado(a, v.indice, 5000), 3);
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

TEST(Visualizacao, ComandoVisualizar)
{
    // The highlight on the last page; the stored margins are 10 mm (38
    // pixels), and a tractor-fed form is drawn from its corner, as the
    // window and the printer place it.
    const QString png = pasta_temporaria() + QStringLiteral("/pagina.png");
    const QString arq = gravar(QStringLiteral("cli_vis.spl"), "primeira\foutra\fultima XYZ\n.");
    Resultado r = executar(cli(), {QStringLiteral("visualizar"), arq, QStringLiteral("99"), png, QStringLiteral("--pdf"),
                                   QStringLiteral("--procurar"), QStringLiteral("xyz")});
    ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
    EXPECT_GT(da_cor(QImage(png).copy(0, 0, 400, 120), 9).size(), 10);
    for (const int bandeja : {0, bandeja_trator}) {
        const QString trator = gravar(QStringLiteral("trator.spl"), registro_impressora("Arquivo PDF", 1, 9, bandeja) + "MMMM\n.");
        r = executar(cli(), {QStringLiteral("visualizar"), trator, QStringLiteral("1"), png});
        ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
        EXPECT_NEAR(primeira_coluna_escura(QImage(png)), bandeja == bandeja_trator ? 0 : 38, 4);
    }
}

} // namespace
