#include "preview/visualizacao.h"

#include "analysis/indice.h"
#include "barcode/barra.h"
#include "stream/comandos.h"
#include "stream/cp1252.h"
#include "stream/leitor.h"
#include "stream/modelo_pagina.h"
#include "stream/numeros.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace papelada {

namespace {

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
    pagina.setScaleLeft(static_cast<double>(origem_margem(vis.margem_esquerda_texto)) * vis.fator_zoom);
    pagina.setScaleTop(static_cast<double>(origem_margem(vis.margem_superior_texto)) * vis.fator_zoom);
}

// One rendering: the page interpreter of the preview. The page is the
// printed page: it begins where the print pass begins it, with the metrics
// in force there, and its pen moves down and ends the page as the print
// pass does; everything is drawn at the zoom.
class Renderizador {
public:
    Renderizador(EstadoVisualizacao& vis, const Metricas& inicio, const EstiloTexto& estilo,
                 Corrida& corrida, Superficie& pagina, Observador& obs, const Documento& doc)
        : doc_(doc), vis_(vis), m_(inicio), estilo_(estilo), modelo_(m_, vis.papel), corrida_(corrida),
          s_(pagina), obs_(obs), z_(vis.fator_zoom)
    {
    }

    // Reads from where `fonte` stands up to the page's end, and never from
    // `limite` (the next page's first byte) on, when it is given.
    void executar(FonteBytes& fonte, qint64 limite)
    {
        iniciar_pagina();
        Leitor leitor(fonte, formas_linguagem());
        Item item;
        while (leitor.proximo(item)) {
            if (doc_.interromper == 1 || (limite > 0 && item.posicao >= limite))
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
    double zoom(double twips) const { return static_cast<double>(inteiro(twips * z_)); }
    double largura_folha() const { return static_cast<double>(m_.largura_folha) * z_; }

    // The page image holds the whole printed page, at the zoom.
    void dimensionar()
    {
        s_.setHeight(zoom(modelo_.altura_papel()));
        s_.setWidth(zoom(std::clamp(static_cast<double>(m_.largura_folha), 144.0, 288000.0)));
    }

    // The font and colour of the launch, changed as the stream had changed
    // them before the page.
    void estilo_inicial()
    {
        if (!vis_.fonte_tela.isEmpty())
            s_.setFontName(vis_.fonte_tela);
        s_.setFontSize(vis_.tamanho_fonte_tela * z_);
        if (!estilo_.fonte.isEmpty())
            fonte(estilo_.fonte);
        if (estilo_.tamanho > 0)
            s_.setFontSize(estilo_.tamanho * z_);
        s_.setFontBold(estilo_.negrito >= 0 ? estilo_.negrito == 1 : vis_.negrito_tela);
        s_.setFontItalic(estilo_.italico >= 0 ? estilo_.italico == 1 : vis_.italico_tela);
        s_.setFontUnderline(false);
        s_.setForeColor(QBColor(std::max<int>(estilo_.cor, 0)));
        vis_.destaque_aberto = false;
    }

    // ESC "1", with the screen's stand-in when it lacks the font.
    void fonte(const QString& nome)
    {
        s_.setFontName(nome);
        if (s_.fontName() != nome) {
            s_.setFontName(fonte_substituta(nome));
            s_.setFontSize(10 * z_);
        }
    }

    void iniciar_pagina()
    {
        estilo_inicial();
        modelo_.nova_pagina();
        dimensionar();
        s_.cls();
        aplicar_margens(vis_, s_);
        s_.setCurrentX(0);
        s_.setCurrentY(modelo_.y() * z_);
        vis_.fim_destaque = 0;
        obs_.pagina(QString::number(vis_.pagina_atual));
    }

    // The search hit is drawn underlined in light blue; after it, the colour
    // of the report comes back.
    void destacar(qint64 p)
    {
        if (vis_.posicao_achada <= 0)
            return;
        if (p == vis_.posicao_achada + 1) {
            vis_.fim_destaque = vis_.posicao_achada
                + unicode_para_cp1252(vis_.texto_procurado).size() + 1;
            vis_buffer(corrida_, s_);
            vis_.cor_fora_destaque = s_.foreColor();
            vis_.destaque_aberto = true;
            s_.setFontUnderline(true);
            s_.setForeColor(QBColor(9));
        }
        if (p == vis_.fim_destaque && vis_.destaque_aberto) {
            vis_buffer(corrida_, s_);
            s_.setFontUnderline(false);
            s_.setForeColor(vis_.cor_fora_destaque);
            vis_.destaque_aberto = false;
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
        case Item::Tipo::AvancoLinha:
            vis_buffer(corrida_, s_);
            if (modelo_.avanco_linha())
                return false;
            s_.setCurrentY(modelo_.y() * z_);
            s_.setCurrentX(0);
            return true;
        case Item::Tipo::Caractere:
            if (item.byte == 9) {
                vis_buffer(corrida_, s_);
                s_.setCurrentX(cw() * 8 + s_.currentX());
            } else if (item.byte != SUB
                       && s_.currentX() < static_cast<double>(m_.largura_folha - m_.largura_caracter) * z_) {
                // As on the printer, what arrives at the right edge is dropped.
                if (acrescentar_na_corrida(corrida_, item.byte))
                    vis_buffer(corrida_, s_);
            }
            return true;
        case Item::Tipo::Comando:
            vis_buffer(corrida_, s_);
            // A command cut by the end of the file is not applied.
            return !item.completo || comando(item);
        }
        return true;
    }

    void avancar(double x) { s_.setCurrentX(std::min(x, largura_folha())); }

    bool comando(const Item& item)
    {
        const std::int64_t n = item.numeros[0];
        const auto nd = static_cast<double>(n);
        const unsigned char c = item.byte;
        switch (c) {
        case '0':
            vis_.titulo_janela = cp1252_para_unicode(item.texto);
            return true;
        case '1': fonte(cp1252_para_unicode(item.texto)); return true;
        case '2': s_.setFontBold(true); return true;
        case '3': s_.setFontBold(false); return true;
        case '4': s_.setFontItalic(true); return true;
        case '5': s_.setFontItalic(false); return true;
        case '6':
            if (n > 0)
                s_.setFontSize(nd * z_);
            return true;
        case 'B': case 'b': case 'L': case 'l': {
            const Segmento g = converter_segmento(c, item, cw(), lh(), z_);
            s_.setDrawWidth(g.largura);
            // A colour outside the palette fails the command: nothing is drawn.
            if (g.cor <= 15)
                s_.line(g.x1, g.y1, g.x2, g.y2, QBColor(g.cor), g.caixa);
            modelo_.aplicar(item);
            s_.setCurrentY(modelo_.y() * z_);
            return true;
        }
        case 'C':
            if (n <= 15) {
                if (vis_.destaque_aberto)
                    vis_.cor_fora_destaque = QBColor(static_cast<int>(n));
                else
                    s_.setForeColor(QBColor(static_cast<int>(n)));
            }
            return true;
        case 'G': return imagem(cp1252_para_unicode(item.texto));
        case 'H': avancar(s_.currentX() + nd * cw()); return true;
        case 'h': avancar(s_.currentX() + zoom(nd)); return true;
        case 'R': case 'r': definir_campo(c, item, cw(), corrida_, z_); return true;
        case 'X': s_.setCurrentX(n > 0 ? std::min((nd - 1) * cw(), largura_folha()) : 0.0); return true;
        case 'x': s_.setCurrentX(n <= m_.largura_folha ? zoom(nd) : 0.0); return true;
        case 'Z': {
            // The drawing trims the blanks of the data itself.
            const Barra b = completar_barra(item.barra, 120, 3, false);
            const double x = s_.currentX();
            visualizar_barra(s_, z_, b.padrao, b.altura, b.largura, b.texto);
            const Barra impressa = completar_barra(item.barra);
            const TamanhoBarra t = tamanho_barra(impressa.padrao, static_cast<double>(impressa.altura),
                                                 impressa.largura, impressa.texto.size());
            // The pen moves on from where the barcode began, by its size.
            if (modelo_.aplicar(item))
                return false;
            s_.setCurrentY(modelo_.y() * z_);
            avancar(x + zoom(twips_por_pixel_300 * t.w));
            return true;
        }
        default:
            // ESC "7", "8", "9", the moves down, and what is not drawn.
            if (modelo_.aplicar(item))
                return false;
            s_.setCurrentY(modelo_.y() * z_);
            return true;
        }
    }

    // ESC "G": painted so that the white parts of the picture leave the page
    // as it was. A picture that cannot be loaded is skipped.
    bool imagem(const QString& caminho)
    {
        const QImage img = vis_.imagens.carregar(caminho);
        if (img.isNull())
            return true;
        obs_.imagem_mostrar(img);
        const double w = img.width() * twips_por_pixel_imagem;
        const double h = img.height() * twips_por_pixel_imagem;
        const double x = s_.currentX(), y = s_.currentY();
        s_.paintPicture(img, x, y, zoom(w), zoom(h), true);
        obs_.imagem_fechar();
        if (modelo_.descer_por(h))
            return false;
        s_.setCurrentY(modelo_.y() * z_);
        avancar(x + zoom(w));
        return true;
    }

    void encerrar_pagina()
    {
        obs_.processar_eventos();
        s_.setScaleLeft(0);
        s_.setScaleTop(0);
        s_.setDrawWidth(1);
        s_.setDrawStyle(EstiloLinha::Pontilhado);
        // The page edges, dotted green, 64 twips inside the bottom and right.
        const double b = s_.height() - 64;
        const double r = s_.width() - 64;
        s_.line(0, b, r, b, QBColor(2), false);
        s_.line(r, 0, r, b, QBColor(2), false);
        s_.setDrawStyle(EstiloLinha::Solido);
        aplicar_margens(vis_, s_);
    }

    const Documento& doc_;
    EstadoVisualizacao& vis_;
    Metricas m_;
    const EstiloTexto& estilo_;
    ModeloPagina modelo_;
    Corrida& corrida_;
    Superficie& s_;
    Observador& obs_;
    const double z_;
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
    vis.fonte_tela = pagina.fontName();
    vis.tamanho_fonte_tela = pagina.fontSize();
    vis.negrito_tela = pagina.fontBold();
    vis.italico_tela = pagina.fontItalic();
    vis.papel = papel_da_impressora(impressora, vis.margem_superior_texto);

    // The pages are found again when they were found on another paper, page
    // height or line height than the printer would now start from.
    const bool mesma_folha = !indice.marcos.empty() && indice.papel == vis.papel
        && indice.marcos.front().metricas.altura_folha == metricas.altura_folha
        && indice.marcos.front().metricas.altura_linha == metricas.altura_linha_padrao;
    if (!doc.indice_valido || !mesma_folha)
        examinar(doc, metricas, impressora, vis.papel, indice, observador);
    pagina.setHeight(metricas.altura_folha);
    pagina.setWidth(metricas.largura_folha);
}

void visualizar(FonteBytes& fonte, const Documento& doc, EstadoVisualizacao& vis,
                const Metricas& inicio, Corrida& corrida, Superficie& pagina, Observador& observador,
                qint64 limite, const EstiloTexto& estilo)
{
    fonte.incluir_ultimo_byte(false);
    Renderizador(vis, inicio, estilo, corrida, pagina, observador, doc).executar(fonte, limite);
}

bool visualizar(const Documento& doc, const IndicePaginas& indice, EstadoVisualizacao& vis,
                const Metricas& metricas, Corrida& corrida, Superficie& pagina, Observador& observador,
                QString* erro)
{
    if (vis.renderizando) {
        // Asked for from the events that the running rendering lets run:
        // that rendering draws the page again once it is done.
        vis.renderizar_de_novo = true;
        return true;
    }
    const std::int32_t total = std::max<std::int32_t>(1, indice.total_paginas);
    FonteBytes fonte;
    if (!fonte.abrir(doc.nome_arquivo, erro))
        return false;
    vis.renderizando = true;
    do {
        vis.renderizar_de_novo = false;
        vis.pagina_atual = std::clamp<std::int32_t>(vis.pagina_atual, 1, total);
        // The page starts with the metrics, font and colour that the print
        // pass has there, and ends before the next page's first byte.
        qint64 limite = 0;
        InicioPagina inicio;
        inicio.metricas = metricas;
        if (!indice.marcos.empty())
            inicio = inicio_da_pagina(fonte, indice, vis.pagina_atual, &limite);
        fonte.posicionar(inicio.posicao);
        visualizar(fonte, doc, vis, inicio.metricas, corrida, pagina, observador, limite, inicio.estilo);
    } while (vis.renderizar_de_novo);
    vis.renderizando = false;
    return true;
}

void vis_buffer(Corrida& corrida, Superficie& pagina)
{
    desenhar_corrida(corrida, pagina);
}

std::int32_t pagina_do_achado(const QString& arquivo, const IndicePaginas& indice, std::int64_t offset)
{
    FonteBytes fonte;
    // Unreadable now: the page kept in the index before the hit.
    if (!fonte.abrir(arquivo))
        fonte.usar_memoria({});
    return pagina_da_posicao(fonte, indice, offset + 1);
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
