#include "analysis/indice.h"

#include "print/interpretador.h"
#include "stream/numeros.h"
#include "stream/superficie_estado.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace papelada {

namespace {

const QString titulo_analise = QStringLiteral("Analisando os dados a Imprimir");

// What a pass that only finds pages tells: its progress, and, when it
// reads pages for a print, the report's messages and errors on them.
class SoProgresso final : public Observador {
public:
    explicit SoProgresso(Observador* destino, bool avisos = false) : destino_(destino), avisos_(avisos) {}
    void progresso(double fracao) override
    {
        if (destino_)
            destino_->progresso(fracao);
    }
    void processar_eventos() override
    {
        if (destino_)
            destino_->processar_eventos();
    }
    void mensagem(const QString& texto) override
    {
        if (avisos_)
            destino_->mensagem(texto);
    }
    void aviso(const QString& texto) override
    {
        if (avisos_)
            destino_->aviso(texto);
    }
    void erro(const QString& texto) override
    {
        if (avisos_)
            destino_->erro(texto);
    }

private:
    Observador* destino_;
    bool avisos_;
};

// The print pass on a copy of `impressora` that draws nothing, with the
// metrics `metricas`, from `inicio` (the first page when null) to the end of
// the file, or until `nova` returns false. Returns the pass's page count and
// whether its last page has something drawn on it.
struct Percurso {
    std::int64_t paginas = 1;
    bool ultima_tocada = false;
};
Percurso percorrer(FonteBytes& fonte, const Superficie& impressora, Metricas metricas, const InicioPagina* inicio,
                   const std::function<bool(const InicioPagina&)>& nova, Observador* observador,
                   QSet<QString>* imagens_com_erro = nullptr)
{
    SuperficieEstado estado(impressora);
    Documento doc;
    Corrida corrida;
    const bool selecionar = true;
    Passagem p(selecionar);
    so_paginas(p);
    p.retomar = inicio;
    p.ao_iniciar_pagina = nova;
    if (imagens_com_erro)
        p.imagens_com_erro = *imagens_com_erro;
    SoProgresso calado(observador, imagens_com_erro != nullptr);
    // As in the print pass, the last byte of the file is never interpreted.
    fonte.incluir_ultimo_byte(false);
    imprimir_passagem(fonte, doc, metricas, corrida, estado, p, calado);
    if (imagens_com_erro)
        *imagens_com_erro = p.imagens_com_erro;
    return {p.pagina, p.pagina_tocada};
}

} // namespace

Papel papel_da_impressora(const Superficie& impressora, const QString& margem_superior_mm)
{
    Papel p;
    p.trator = impressora.paperBin() == bandeja_trator;
    p.margem_superior = -static_cast<double>(origem_margem(margem_superior_mm));
    return p;
}

void examinar(FonteBytes& fonte, const Metricas& metricas, const Superficie& impressora, const Papel& papel,
              IndicePaginas& indice, Observador& observador, const CadaInicio& cada)
{
    observador.acao({});
    observador.pagina({});
    observador.quadro(titulo_analise, true);

    // The printer as a pass begins on it: the paper source and top margin
    // of `papel`, the pen at the top of the first page (which still uses
    // the line height in force), then the measured metrics.
    auto modelo = std::make_shared<SuperficieEstado>(impressora);
    modelo->setScaleMode(ModoEscala::Twips);
    modelo->setPaperBin(papel.trator ? bandeja_trator : 0);
    modelo->setScaleTop(-papel.margem_superior);
    modelo->setScaleLeft(-papel.margem_esquerda);
    modelo->setCurrentX(0);
    modelo->setCurrentY(topo_da_pagina(papel, metricas.altura_linha));
    indice.impressora = modelo;
    InicioPagina primeira;
    primeira.metricas = metricas;
    primeira.metricas.altura_folha = static_cast<std::int32_t>(impressora.height());
    primeira.metricas.largura_folha = static_cast<std::int32_t>(impressora.width());
    primeira.metricas.altura_linha = metricas.altura_linha_padrao;
    primeira.metricas.largura_caracter = metricas.largura_caracter_padrao;
    primeira.altura_papel = modelo->height();
    primeira.x = modelo->currentX();
    primeira.y = modelo->currentY();
    indice.marcos.assign(1, primeira);
    indice.passo = passo_inicial_marcos;
    indice.bytes_passo = bytes_passo_inicial_marcos;
    indice.papel = papel;
    indice.total_paginas = 0;
    const auto maximo = static_cast<size_t>(std::max(2, indice.maximo_marcos));
    // A start is kept when the last one kept lies a step of pages or of
    // bytes behind, so that no page is found again from far away.
    const auto longe = [&indice](const InicioPagina& inicio) {
        const MarcoPagina& ultimo = indice.marcos.back();
        return inicio.pagina - ultimo.pagina >= indice.passo || inicio.posicao - ultimo.posicao >= indice.bytes_passo;
    };
    const Percurso r = percorrer(fonte, *modelo, primeira.metricas, nullptr, [&](const InicioPagina& inicio) {
        if (cada)
            cada(inicio);
        if (!longe(inicio))
            return true;
        if (indice.marcos.size() == maximo) {
            // Every other start is let go, and the steps double.
            for (size_t k = 1; 2 * k < indice.marcos.size(); ++k)
                indice.marcos[k] = std::move(indice.marcos[2 * k]);
            indice.marcos.resize((indice.marcos.size() + 1) / 2);
            indice.passo = static_cast<std::int32_t>(std::min<qint64>(2 * qint64(indice.passo),
                                                                       std::numeric_limits<std::int32_t>::max()));
            indice.bytes_passo *= 2;
            if (!longe(inicio))
                return true;
        }
        indice.marcos.push_back(inicio);
        return true;
    }, &observador);

    // Every page the pass begins is printed, except one begun at a page end
    // and left blank when the document ends there.
    std::int64_t total = r.paginas;
    if (total > 1 && !r.ultima_tocada)
        --total;
    indice.total_paginas = static_cast<std::int32_t>(std::min<std::int64_t>(total, std::numeric_limits<std::int32_t>::max() - 1));
    // Starts found after the last page go.
    while (indice.marcos.size() > 1 && indice.marcos.back().pagina > indice.total_paginas)
        indice.marcos.pop_back();
    observador.progresso(1.0);
    observador.processar_eventos();
    observador.progresso(0.0);
    observador.quadro(titulo_analise, false);
}

bool examinar(Documento& doc, const Metricas& metricas, const Superficie& impressora, const Papel& papel,
              IndicePaginas& indice, Observador& observador, QString* erro)
{
    FonteBytes fonte;
    const bool aberto = fonte.abrir(doc.nome_arquivo, erro);
    if (!aberto)
        fonte.usar_memoria({});
    examinar(fonte, metricas, impressora, papel, indice, observador);
    // A file that could not be read is tried again at the next preview.
    doc.indice_valido = aberto;
    return aberto;
}

namespace {

// The first page after `pagina` whose start is kept, or none.
const MarcoPagina* marco_seguinte(const IndicePaginas& indice, std::int32_t pagina)
{
    const auto it = std::upper_bound(indice.marcos.begin(), indice.marcos.end(), pagina,
                                     [](std::int32_t p, const MarcoPagina& m) { return p < m.pagina; });
    return it == indice.marcos.end() ? nullptr : &*it;
}

} // namespace

void percorrer_paginas(FonteBytes& fonte, const IndicePaginas& indice, std::int32_t primeira,
                       const std::function<bool(std::int32_t, const InicioPagina&)>& cada)
{
    if (indice.marcos.empty())
        return;
    const std::int32_t total = std::max<std::int32_t>(1, indice.total_paginas);
    primeira = std::clamp<std::int32_t>(primeira, 1, total);
    // The last start kept at or before the page.
    const MarcoPagina* seguinte = marco_seguinte(indice, primeira);
    const MarcoPagina& marco = seguinte ? *(seguinte - 1) : indice.marcos.back();
    const std::int32_t pagina = marco.pagina;
    if (pagina == primeira && !cada(pagina, marco))
        return;
    if (pagina == total || !fonte.posicionar(marco.posicao))
        return;
    const InicioPagina* inicio = &marco == &indice.marcos.front() ? nullptr : &marco;
    percorrer(fonte, *indice.impressora, indice.marcos.front().metricas, inicio, [&](const InicioPagina& i) {
        if (i.pagina < primeira)
            return true;
        return cada(i.pagina, i) && i.pagina < total;
    }, nullptr);
}

std::optional<InicioPagina> achar_pagina(FonteBytes& fonte, const Metricas& metricas, const Superficie& impressora,
                                        std::int32_t pagina, Observador& avisos, QSet<QString>& imagens_com_erro)
{
    std::optional<InicioPagina> achada;
    if (pagina <= 1)
        return achada;
    percorrer(fonte, impressora, metricas, nullptr, [&](const InicioPagina& i) {
        if (i.pagina < pagina)
            return true;
        achada = i;
        return false;
    }, &avisos, &imagens_com_erro);
    return achada;
}

std::optional<InicioPagina> pagina_do_indice(FonteBytes& fonte, const IndicePaginas& indice,
                                             const Superficie& impressora, const Metricas& metricas,
                                             std::int32_t pagina)
{
    std::optional<InicioPagina> achada;
    if (!indice.impressora || indice.marcos.empty() || pagina < 2 || pagina > indice.total_paginas)
        return achada;
    const Superficie& m = *indice.impressora;
    const auto trator = [](const Superficie& s) { return s.paperBin() == bandeja_trator; };
    const bool mesma = indice.marcos.front().metricas == metricas && m.scaleMode() == impressora.scaleMode()
                       && m.scaleLeft() == impressora.scaleLeft() && m.scaleTop() == impressora.scaleTop()
                       && m.width() == impressora.width() && m.height() == impressora.height()
                       && m.dpi() == impressora.dpi() && trator(m) == trator(impressora)
                       && m.currentX() == impressora.currentX() && m.currentY() == impressora.currentY()
                       && mesmo_estilo(m, impressora);
    if (!mesma)
        return achada;
    percorrer_paginas(fonte, indice, pagina, [&](std::int32_t p, const InicioPagina& i) {
        if (p == pagina)
            achada = i;
        return false;
    });
    return achada;
}

InicioPagina inicio_da_pagina(FonteBytes& fonte, const IndicePaginas& indice, std::int32_t pagina,
                              qint64* seguinte)
{
    InicioPagina inicio = indice.marcos.empty() ? InicioPagina{} : InicioPagina(indice.marcos.front());
    qint64 depois = 0;
    bool achada = false;
    percorrer_paginas(fonte, indice, pagina, [&](std::int32_t p, const InicioPagina& i) {
        if (achada) {
            depois = i.posicao;
            return false;
        }
        inicio = i;
        achada = true;
        // A next page whose start is kept is not looked for through this one.
        const MarcoPagina* m = marco_seguinte(indice, p);
        if (m && m->pagina == p + 1) {
            depois = m->posicao;
            return false;
        }
        return true;
    });
    if (seguinte)
        *seguinte = depois;
    return inicio;
}

std::int32_t pagina_da_posicao(FonteBytes& fonte, const IndicePaginas& indice, qint64 posicao)
{
    const auto& marcos = indice.marcos;
    if (marcos.empty())
        return 1;
    // The last start kept at or before the byte, then the pages after it up
    // to the next start kept.
    const auto depois = std::upper_bound(marcos.begin() + 1, marcos.end(), posicao,
                                         [](qint64 p, const MarcoPagina& m) { return p < m.posicao; });
    std::int32_t achada = (depois - 1)->pagina;
    const std::int32_t limite = depois == marcos.end() ? std::numeric_limits<std::int32_t>::max() : depois->pagina;
    percorrer_paginas(fonte, indice, achada, [&](std::int32_t p, const InicioPagina& inicio) {
        if (inicio.posicao > posicao)
            return false;
        achada = p;
        return p + 1 < limite;
    });
    return achada;
}

} // namespace papelada
