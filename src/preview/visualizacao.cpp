#include "preview/visualizacao.h"

#include "analysis/indice.h"
#include "print/interpretador.h"
#include "stream/cp1252.h"
#include "stream/numeros.h"
#include "stream/superficie_estado.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace papelada {

namespace {

// What the print pass tells, as the preview takes it: ESC "0" names the
// window and the pictures are shown as they are drawn; progress, page
// numbers and the report's messages belong to a print.
class ObservadorPagina final : public Observador {
public:
    ObservadorPagina(Observador& destino, EstadoVisualizacao& vis) : destino_(destino), vis_(vis) {}
    void mensagem(const QString& texto) override { vis_.titulo_janela = texto; }
    void imagem_mostrar(const QImage& imagem) override { destino_.imagem_mostrar(imagem); }
    void imagem_fechar() override { destino_.imagem_fechar(); }

private:
    Observador& destino_;
    EstadoVisualizacao& vis_;
};

// The page surface as the printer `modelo` stands at the start of a pass:
// its resolution, paper, font, colour and lines, the margins as its scale
// origin, at the zoom, cleared.
void preparar_pagina(Superficie& s, const Superficie& modelo, const EstadoVisualizacao& vis)
{
    s.destacar(false);
    s.setEscala(vis.fator_zoom, modelo.dpi());
    s.setScaleMode(ModoEscala::Twips);
    s.setWidth(modelo.width());
    s.setHeight(modelo.height());
    s.setPaperBin(modelo.paperBin());
    copiar_estilo(s, modelo);
    s.setDesenho(true);
    s.cls();
    s.setScaleLeft(static_cast<double>(origem_margem(vis.margem_esquerda_texto)));
    s.setScaleTop(modelo.scaleTop());
}

// The page edges, dotted green, four pixels inside the bottom and right.
void marcar_bordas(Superficie& s, double zoom)
{
    s.destacar(false);
    s.setScaleLeft(0);
    s.setScaleTop(0);
    s.setDrawWidth(1);
    s.setDrawStyle(EstiloLinha::Pontilhado);
    const double dentro = 4 * twips_por_pixel_imagem / zoom;
    const double b = s.height() - dentro;
    const double r = s.width() - dentro;
    s.line(0, b, r, b, QBColor(2), false);
    s.line(r, 0, r, b, QBColor(2), false);
    s.setDrawStyle(EstiloLinha::Solido);
}

// One page: the print pass from the page's start `inicio` to the next
// page's start.
void desenhar_pagina(FonteBytes& fonte, const Documento& doc, const IndicePaginas& indice,
                     EstadoVisualizacao& vis, InicioPagina inicio, Corrida& corrida, Superficie& pagina,
                     Observador& observador)
{
    const SuperficieEstado sem_indice(pagina);
    const Superficie& modelo = indice.impressora ? *indice.impressora : static_cast<const Superficie&>(sem_indice);
    preparar_pagina(pagina, modelo, vis);
    observador.pagina(QString::number(vis.pagina_atual));
    Documento copia = doc;
    Metricas metricas = inicio.metricas;
    corrida.limpar();
    const bool todas = false;
    Passagem passagem(todas);
    passagem.retomar = &inicio;
    passagem.ao_iniciar_pagina = [](const InicioPagina&) { return false; };
    if (vis.posicao_achada > 0) {
        passagem.destaque_inicio = vis.posicao_achada + 1;
        passagem.destaque_fim = passagem.destaque_inicio + unicode_para_cp1252(vis.texto_procurado).size();
    }
    passagem.imagens = vis.imagens;
    ObservadorPagina obs(observador, vis);
    fonte.incluir_ultimo_byte(false);
    fonte.posicionar(inicio.posicao);
    imprimir_passagem(fonte, copia, metricas, corrida, pagina, passagem, obs);
    observador.processar_eventos();
    marcar_bordas(pagina, vis.fator_zoom);
}

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
    vis.papel = papel_da_impressora(impressora, vis.margem_superior_texto);

    // The pages are found again when they were found on another paper, page
    // height or line height than the printer would now start from.
    const bool mesma_folha = !indice.marcos.empty() && indice.papel == vis.papel
        && indice.marcos.front().metricas.altura_folha == metricas.altura_folha
        && indice.marcos.front().metricas.altura_linha == metricas.altura_linha_padrao;
    if (!doc.indice_valido || !mesma_folha)
        examinar(doc, metricas, impressora, vis.papel, indice, observador);
    pagina.setEscala(vis.fator_zoom, impressora.dpi());
    pagina.setWidth(metricas.largura_folha);
    pagina.setHeight(metricas.altura_folha);
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
        InicioPagina inicio;
        inicio.metricas = metricas;
        if (!indice.marcos.empty())
            inicio = inicio_da_pagina(fonte, indice, vis.pagina_atual);
        desenhar_pagina(fonte, doc, indice, vis, inicio, corrida, pagina, observador);
    } while (vis.renderizar_de_novo);
    vis.renderizando = false;
    return true;
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
