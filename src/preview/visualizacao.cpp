#include "preview/visualizacao.h"

#include "analysis/indice.h"
#include "barcode/barra.h"
#include "stream/comandos.h"
#include "stream/cp1252.h"
#include "stream/leitor.h"
#include "stream/numeros.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace papelada {

namespace {

const QString letra_a = QStringLiteral("A");

// The screen font when the screen lacks the one asked for: "Terminal" for
// the printer-resident families, "Courier New" for everything else.
QString fonte_substituta(const QString& pedida)
{
    const QString inicio = pedida.left(5);
    if (inicio == QLatin1String("Draft") || inicio == QLatin1String("Sans ")
        || inicio == QLatin1String("Roman"))
        return QStringLiteral("Terminal");
    return QStringLiteral("Courier New");
}

void aplicar_margens(const EstadoVisualizacao& vis, Superficie& pagina)
{
    pagina.setScaleLeft(static_cast<double>(origem_margem(vis.margem_esquerda_texto)));
    pagina.setScaleTop(static_cast<double>(origem_margem(vis.margem_superior_texto)));
}

// One rendering: the page interpreter of the preview.
class Renderizador {
public:
    Renderizador(const Documento& doc, EstadoVisualizacao& vis, Metricas& m, Corrida& corrida,
                 Superficie& pagina, Observador& obs)
        : doc_(doc), vis_(vis), m_(m), corrida_(corrida), s_(pagina), obs_(obs), z_(vis.fator_zoom)
    {
    }

    void executar(FonteBytes& fonte)
    {
        iniciar_pagina();
        Leitor leitor(fonte, formas_linguagem());
        Item item;
        while (leitor.proximo(item)) {
            if (doc_.interromper == 1)
                break;
            destacar(item.posicao);
            if (!tratar(item))
                break;
        }
        vis_buffer(corrida_, s_);
        encerrar_pagina();
    }

private:
    // Cell width and line step of the surface, with the metrics in force.
    double cw() const { return static_cast<double>(inteiro(m_.largura_caracter * z_)); }
    double lh() const { return static_cast<double>(inteiro(m_.altura_linha * z_)); }
    double zoom(std::int64_t n) const { return static_cast<double>(inteiro(static_cast<double>(n) * z_)); }

    static double razao(double tela, std::int16_t impressora, double z)
    {
        // Without printer metrics one printer twip is one zoomed twip.
        return impressora > 0 ? tela / impressora : z;
    }

    void iniciar_pagina()
    {
        s_.setFontSize(vis_.tamanho_fonte_tela * z_);
        s_.setFontBold(vis_.negrito_tela);
        s_.setCurrentX(0);
        s_.setCurrentY(0);
        ry_ = razao(s_.textHeight(letra_a), vis_.altura_linha_visualizacao, z_);
        rx_ = razao(s_.textWidth(letra_a), vis_.largura_caracter_visualizacao, z_);
        s_.setHeight(static_cast<double>(inteiro(ry_ * m_.altura_folha)));
        s_.setWidth(static_cast<double>(inteiro(rx_ * m_.largura_folha)));
        s_.cls();
        s_.setCurrentX(0);
        s_.setCurrentY(0);
        vis_.fim_destaque = 0;
        obs_.pagina(QString::number(vis_.pagina_atual));
    }

    // The search hit is drawn underlined in light blue; what follows it in
    // black, whatever colour the report had chosen.
    void destacar(qint64 p)
    {
        if (vis_.posicao_achada <= 0)
            return;
        if (p == vis_.posicao_achada + 1) {
            vis_.fim_destaque = vis_.posicao_achada
                + unicode_para_cp1252(vis_.texto_procurado).size() + 1;
            vis_buffer(corrida_, s_);
            s_.setFontUnderline(true);
            s_.setForeColor(QBColor(9));
        }
        if (p == vis_.fim_destaque && vis_.fim_destaque >= 1) {
            vis_buffer(corrida_, s_);
            s_.setFontUnderline(false);
            s_.setForeColor(QBColor(0));
        }
    }

    // False when the page ends.
    bool tratar(const Item& item)
    {
        switch (item.tipo) {
        case Item::Tipo::RetornoCarro:
            return true;
        case Item::Tipo::AvancoPagina:
            vis_buffer(corrida_, s_);
            return false;
        case Item::Tipo::AvancoLinha: {
            vis_buffer(corrida_, s_);
            const double y = lh() + s_.currentY();
            // Strictly greater: a line that reaches the limit exactly is drawn.
            if (y > static_cast<double>(inteiro(z_ * m_.altura_folha)) - lh())
                return false;
            s_.setCurrentY(y);
            s_.setCurrentX(0);
            return true;
        }
        case Item::Tipo::Caractere:
            if (item.byte == 9) {
                vis_buffer(corrida_, s_);
                s_.setCurrentX(cw() * 8 + s_.currentX());
            } else if (item.byte != SUB) {
                corrida_.buffer.append(static_cast<char>(item.byte));
            }
            return true;
        case Item::Tipo::Comando:
            vis_buffer(corrida_, s_);
            // A command cut by the end of the file is not applied.
            return !item.completo || comando(item);
        }
        return true;
    }

    bool comando(const Item& item)
    {
        const std::int64_t n = item.numeros[0];
        const unsigned char c = item.byte;
        switch (c) {
        case '0':
            vis_.titulo_janela = cp1252_para_unicode(item.texto);
            break;
        case '1': {
            const QString nome = cp1252_para_unicode(item.texto);
            s_.setFontName(nome);
            if (s_.fontName() != nome) {
                s_.setFontName(fonte_substituta(nome));
                s_.setFontSize(10 * z_);
            }
            break;
        }
        case '2': s_.setFontBold(true); break;
        case '3': s_.setFontBold(false); break;
        case '4': s_.setFontItalic(true); break;
        case '5': s_.setFontItalic(false); break;
        case '6':
            if (n > 0)
                s_.setFontSize(static_cast<double>(n) * z_);
            break;
        case '7': case '8': aplicar_metrica(item, m_); break;
        case '9': return false;
        case 'A':
            aplicar_metrica(item, m_);
            s_.setHeight(static_cast<double>(n) * lh());
            break;
        case 'B': case 'b': case 'L': case 'l': {
            const Segmento g = converter_segmento(c, item, cw(), lh(), z_);
            s_.setDrawWidth(g.largura);
            // A colour outside the palette fails the command: nothing is drawn.
            if (g.cor <= 15)
                s_.line(g.x1, g.y1, g.x2, g.y2, QBColor(g.cor), g.caixa);
            break;
        }
        case 'C':
            if (n <= 15)
                s_.setForeColor(QBColor(static_cast<int>(n)));
            break;
        case 'G': imagem(cp1252_para_unicode(item.texto)); break;
        case 'H': s_.setCurrentX(s_.currentX() + static_cast<double>(n) * cw()); break;
        case 'h': s_.setCurrentX(s_.currentX() + zoom(n)); break;
        case 'R': case 'r': definir_campo(c, item, cw(), corrida_, z_); break;
        case 'V': s_.setCurrentY(s_.currentY() + static_cast<double>(n) * lh()); break;
        case 'v': s_.setCurrentY(s_.currentY() + zoom(n)); break;
        case 'X': s_.setCurrentX(n > 0 ? (n - 1.0) * cw() : 0.0); break;
        case 'x': s_.setCurrentX(zoom(n)); break;
        case 'Y':
            if (n > 0)
                s_.setCurrentY((n - 1.0) * lh());
            break;
        case 'y': s_.setCurrentY(zoom(n)); break;
        case 'Z': {
            // The drawing trims the blanks of the data itself.
            const Barra b = completar_barra(item.barra, 120, 3, false);
            visualizar_barra(s_, z_, b.padrao, b.altura, b.largura, b.texto);
            break;
        }
        default: break;
        }
        return true;
    }

    // ESC "G": painted so that the white parts of the picture leave the page
    // as it was. A picture that cannot be loaded is skipped.
    void imagem(const QString& caminho)
    {
        const QImage img = carregar_imagem(caminho);
        if (img.isNull())
            return;
        obs_.imagem_mostrar(img);
        const double w = zoom(arredondar(img.width() * twips_por_pixel_imagem));
        const double h = zoom(arredondar(img.height() * twips_por_pixel_imagem));
        const double x = s_.currentX(), y = s_.currentY();
        s_.paintPicture(img, x, y, w, h, true);
        obs_.imagem_fechar();
        s_.setCurrentX(x + w);
        s_.setCurrentY(y + h);
    }

    void encerrar_pagina()
    {
        obs_.processar_eventos();
        s_.setScaleLeft(0);
        s_.setScaleTop(0);
        s_.setDrawWidth(1);
        s_.setDrawStyle(EstiloLinha::Pontilhado);
        // The page edges, dotted green, 64 twips inside the bottom and right.
        const double b = static_cast<double>(inteiro(m_.altura_folha * ry_)) - 64;
        const double r = static_cast<double>(inteiro(m_.largura_folha * rx_)) - 64;
        s_.line(0, b, r, b, QBColor(2), false);
        s_.line(r, 0, r, b, QBColor(2), false);
        s_.setDrawStyle(EstiloLinha::Solido);
        aplicar_margens(vis_, s_);
    }

    const Documento& doc_;
    EstadoVisualizacao& vis_;
    Metricas& m_;
    Corrida& corrida_;
    Superficie& s_;
    Observador& obs_;
    const double z_;
    double rx_ = 1, ry_ = 1;
};

} // namespace

void iniciar_visualizacao(Documento& doc, Metricas& metricas, IndicePaginas& indice,
                          EstadoVisualizacao& vis, Superficie& impressora, Superficie& pagina,
                          Observador& observador)
{
    vis.fator_zoom = 1.0;
    vis.percentual_zoom = 100;
    vis.pagina_atual = 0;
    vis.titulo_janela = EstadoVisualizacao{}.titulo_janela;
    metricas.altura_folha = para_i32(impressora.height());
    metricas.largura_folha = para_i32(impressora.width());

    const QString fonte = impressora.fontName();
    pagina.setFontName(fonte);
    pagina.setFontSize(impressora.fontSize());
    pagina.setFontBold(impressora.fontBold());
    pagina.setFontItalic(impressora.fontItalic());
    aplicar_margens(vis, pagina);
    // The screen cannot show this font (typically one that lives in the
    // printer): exact comparison, letter case included.
    if (pagina.fontName() != fonte) {
        pagina.setFontName(fonte_substituta(fonte));
        pagina.setFontSize(10);
    }
    vis.tamanho_fonte_tela = pagina.fontSize();
    vis.negrito_tela = pagina.fontBold();
    vis.altura_linha_visualizacao = metricas.altura_linha;
    vis.largura_caracter_visualizacao = metricas.largura_caracter;

    if (!doc.indice_valido)
        examinar(doc, metricas, indice, observador);
    pagina.setHeight(metricas.altura_folha);
    pagina.setWidth(metricas.largura_folha);
}

void visualizar(FonteBytes& fonte, const Documento& doc, EstadoVisualizacao& vis,
                Metricas& metricas, Corrida& corrida, Superficie& pagina, Observador& observador)
{
    fonte.incluir_ultimo_byte(false);
    Renderizador(doc, vis, metricas, corrida, pagina, observador).executar(fonte);
}

bool visualizar(const Documento& doc, const IndicePaginas& indice, EstadoVisualizacao& vis,
                Metricas& metricas, Corrida& corrida, Superficie& pagina, Observador& observador,
                QString* erro)
{
    if (vis.renderizando) {
        // Asked for from the events that the running rendering lets run:
        // that rendering draws the page again once it is done.
        vis.renderizar_de_novo = true;
        return true;
    }
    const std::int32_t total = std::max<std::int32_t>(
        1, std::min<std::int32_t>(indice.total_paginas,
                                  static_cast<std::int32_t>(indice.inicio_pagina.size())));
    FonteBytes fonte;
    if (!fonte.abrir(doc.nome_arquivo, erro))
        return false;
    vis.renderizando = true;
    do {
        vis.renderizar_de_novo = false;
        vis.pagina_atual = std::clamp<std::int32_t>(vis.pagina_atual, 1, total);
        fonte.posicionar(indice.inicio_pagina.empty() ? 1 : indice.inicio_pagina[vis.pagina_atual - 1]);
        visualizar(fonte, doc, vis, metricas, corrida, pagina, observador);
    } while (vis.renderizar_de_novo);
    vis.renderizando = false;
    return true;
}

void vis_buffer(Corrida& corrida, Superficie& pagina)
{
    desenhar_corrida(corrida, pagina);
}

std::int32_t pagina_do_achado(const IndicePaginas& indice, std::int64_t offset)
{
    const std::int32_t total = std::max<std::int32_t>(1, indice.total_paginas);
    const auto& inicios = indice.inicio_pagina;
    const auto fim = inicios.begin() + std::min<qsizetype>(total, static_cast<qsizetype>(inicios.size()));
    if (inicios.empty())
        return 1;
    // The first page whose successor starts after the hit; a missing start
    // past the last page is the end of the file.
    const auto it = std::upper_bound(inicios.begin() + 1, fim, offset + 1);
    return it == fim ? total : static_cast<std::int32_t>(it - inicios.begin());
}

bool carregar_texto_procura(const QString& caminho, QByteArray& texto, QString* erro)
{
    FonteBytes fonte;
    if (!fonte.abrir(caminho, erro))
        return false;
    fonte.incluir_ultimo_byte(true);
    texto.clear();
    texto.reserve(static_cast<qsizetype>(fonte.tamanho()));
    for (auto j = fonte.janela(); !j.empty(); j = fonte.janela()) {
        texto.append(reinterpret_cast<const char*>(j.data()), static_cast<qsizetype>(j.size()));
        fonte.avancar(static_cast<qsizetype>(j.size()));
    }
    return true;
}

std::int64_t procurar_texto(const QByteArray& texto, const QString& procurado, std::int64_t inicio)
{
    const QByteArray agulha = unicode_para_cp1252(procurado);
    if (agulha.isEmpty() || inicio < 0 || inicio >= texto.size())
        return -1;
    const auto maiuscula = [](char c) { return maiuscula_cp1252(static_cast<unsigned char>(c)); };
    const auto hash = [&](char c) { return static_cast<size_t>(maiuscula(c)); };
    const auto igual = [&](char a, char b) { return maiuscula(a) == maiuscula(b); };
    const std::boyer_moore_horspool_searcher busca(agulha.begin(), agulha.end(), hash, igual);
    const auto comeco = texto.begin() + static_cast<qsizetype>(inicio);
    const auto achado = std::search(comeco, texto.end(), busca);
    return achado == texto.end() ? -1 : static_cast<std::int64_t>(achado - texto.begin());
}

} // namespace papelada
