#include "analysis/indice.h"

#include "stream/cp1252.h"
#include "stream/leitor.h"
#include "stream/modelo_pagina.h"

#include <QSize>

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <limits>
#include <utility>

namespace papelada {

namespace {

const QString titulo_analise = QStringLiteral("Analisando os dados a Imprimir");

// The first line feed, form feed or escape in [p, fim), or fim: the only
// bytes the index looks at. Sixteen bytes are compared at a time.
const unsigned char* proximo_interessante(const unsigned char* p, const unsigned char* fim)
{
#ifdef __SSE2__
    const __m128i lf = _mm_set1_epi8(10), ff = _mm_set1_epi8(12), esc = _mm_set1_epi8(ESC);
    while (fim - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i iguais = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, ff)),
                                            _mm_cmpeq_epi8(v, esc));
        if (const int mascara = _mm_movemask_epi8(iguais))
            return p + __builtin_ctz(static_cast<unsigned>(mascara));
        p += 16;
    }
#endif
    while (p < fim && *p != 10 && *p != 12 && *p != ESC)
        ++p;
    return p;
}

// What the scan does with the start of each page after the first: true to
// read on.
using NovaPagina = std::function<bool(std::int32_t, const InicioPagina&)>;

// The scan: the pen's height as the print pass moves it, and where each
// page begins.
class Varredura {
public:
    // From the start of page `pagina`.
    Varredura(const InicioPagina& inicio, std::int32_t pagina, const Papel& papel, NovaPagina nova)
        : metricas_(inicio.metricas), estilo_(inicio.estilo), modelo_(metricas_, papel),
          nova_(std::move(nova)), pagina_(pagina)
    {
        modelo_.nova_pagina();
    }

    bool parada() const { return parada_; }

    // A command as the reader hands it out. One cut short by the end of the
    // file is not applied: the stream ends right after it.
    void comando(const Item& it, qint64 inicio_seguinte)
    {
        if (!it.completo)
            return;
        estilo(it);
        bool fim = false;
        switch (it.byte) {
        case 'G': {
            const double h = altura_imagem(it.texto);
            if (h < 0)
                return;
            texto();
            fim = modelo_.descer_por(h);
            break;
        }
        case 'L':
        case 'l':
        case 'B':
        case 'b':
            // Drawn only in a colour of the palette.
            if (it.numeros[5] <= 15)
                texto();
            fim = modelo_.aplicar(it);
            break;
        case 'Z':
            texto();
            fim = modelo_.aplicar(it);
            break;
        default: fim = modelo_.aplicar(it); break;
        }
        if (fim)
            quebra(inicio_seguinte);
    }

    void texto() { ultima_desenhada_ = pagina_; }
    bool desenhada() const { return ultima_desenhada_ == pagina_; }

    void avanco_linha(qint64 inicio_seguinte)
    {
        if (modelo_.avanco_linha())
            quebra(inicio_seguinte);
    }
    void avanco_pagina(qint64 inicio_seguinte)
    {
        if (modelo_.fim_de_pagina())
            quebra(inicio_seguinte);
    }

    // Last pages that nothing is drawn on are not printed (the printer
    // begins a page when it draws on it), so they are no pages.
    std::int32_t paginas() const { return std::max<std::int32_t>(1, ultima_desenhada_); }

private:
    void quebra(qint64 inicio_seguinte)
    {
        // More pages than a count can hold: the last ones join the last page.
        if (pagina_ >= std::numeric_limits<std::int32_t>::max() - 1)
            return;
        ++pagina_;
        if (!nova_(pagina_, InicioPagina{inicio_seguinte, metricas_, estilo_}))
            parada_ = true;
    }

    // The font and colour commands, which last from page to page.
    void estilo(const Item& it)
    {
        const std::int64_t n = it.numeros[0];
        switch (it.byte) {
        case '1': estilo_.fonte = cp1252_para_unicode(it.texto); break;
        case '2':
        case '3': estilo_.negrito = it.byte == '2'; break;
        case '4':
        case '5': estilo_.italico = it.byte == '4'; break;
        case '6':
            if (n > 0)
                estilo_.tamanho = static_cast<double>(n);
            break;
        case 'C':
            if (n <= 15)
                estilo_.cor = static_cast<std::int8_t>(n);
            break;
        default: break;
        }
    }

    // Height of a picture in twips, -1 when it cannot be loaded (the
    // command is then skipped, as the print pass skips it).
    static double altura_imagem(const QByteArray& caminho)
    {
        const QSize t = tamanho_imagem(cp1252_para_unicode(caminho));
        return t.isValid() ? t.height() * twips_por_pixel_imagem : -1.0;
    }

    Metricas metricas_;
    EstiloTexto estilo_;
    ModeloPagina modelo_;
    NovaPagina nova_;
    std::int32_t pagina_;               // the page being scanned
    std::int32_t ultima_desenhada_ = 0; // the last page with something drawn on it
    bool parada_ = false;
};

// Scans from where `fonte` stands to its end, or until the scan stops.
// Progress goes to `observador`, when there is one, once per block.
void varrer(FonteBytes& fonte, Varredura& v, Observador* observador)
{
    // As in the print pass, the last byte of the file is never interpreted.
    fonte.incluir_ultimo_byte(false);
    Leitor leitor(fonte, formas_linguagem());
    const qint64 tamanho = fonte.tamanho();
    qint64 proximo_bloco = (fonte.posicao() / bloco_indice + 1) * bloco_indice;

    while (!v.parada()) {
        auto janela = fonte.janela();
        if (janela.empty())
            break;
        // Never past the end of the current block, so that progress is shown
        // once per block.
        const qint64 ate_bloco = proximo_bloco - fonte.posicao();
        const auto* const inicio_janela = janela.data();
        const auto* const fim = inicio_janela
            + std::min<qint64>(static_cast<qint64>(janela.size()), ate_bloco);
        const qint64 base = fonte.posicao(); // position of the byte before the window

        const unsigned char* p = inicio_janela;
        bool comando = false;
        while (p < fim) {
            const unsigned char* q = proximo_interessante(p, fim);
            // Text between: drawn unless it is only carriage returns.
            if (!v.desenhada() && std::any_of(p, q, [](unsigned char c) { return c != 13; }))
                v.texto();
            if (q == fim) {
                p = fim;
                break;
            }
            if (*q == ESC) {
                // The command and its parameters may lie beyond this
                // window: the reader takes them from the stream.
                p = q;
                comando = true;
                break;
            }
            const qint64 seguinte = base + (q - inicio_janela) + 2;
            if (*q == 10)
                v.avanco_linha(seguinte);
            else
                v.avanco_pagina(seguinte);
            p = q + 1;
            if (v.parada())
                break;
        }
        fonte.avancar(p - inicio_janela);
        if (comando) {
            Item item;
            if (!leitor.proximo(item))
                break;
            v.comando(item, fonte.posicao() + 1);
            if (leitor.terminado())
                break;
        }
        while (fonte.posicao() >= proximo_bloco) {
            if (observador) {
                observador->progresso(tamanho > 0 ? static_cast<double>(proximo_bloco) / tamanho : 1.0);
                observador->processar_eventos();
            }
            proximo_bloco += bloco_indice;
        }
    }
}

} // namespace

void examinar(FonteBytes& fonte, const Metricas& metricas, const Papel& papel, IndicePaginas& indice,
              Observador& observador)
{
    observador.acao({});
    observador.pagina({});
    observador.quadro(titulo_analise, true);

    // Every pass starts from the measured metrics, on the printer's page.
    InicioPagina primeira;
    primeira.metricas = metricas;
    primeira.metricas.altura_linha = metricas.altura_linha_padrao;
    primeira.metricas.largura_caracter = metricas.largura_caracter_padrao;
    indice.marcos.assign(1, MarcoPagina{primeira, 1});
    indice.passo = passo_inicial_marcos;
    indice.bytes_passo = bytes_passo_inicial_marcos;
    indice.papel = papel;
    indice.total_paginas = 0;
    const auto maximo = static_cast<size_t>(std::max(2, indice.maximo_marcos));
    // A start is kept when the last one kept lies a step of pages or of
    // bytes behind, so that no page is found again from far away.
    const auto longe = [&indice](std::int32_t pagina, const InicioPagina& inicio) {
        const MarcoPagina& ultimo = indice.marcos.back();
        return pagina - ultimo.pagina >= indice.passo || inicio.posicao - ultimo.posicao >= indice.bytes_passo;
    };
    Varredura v(primeira, 1, papel, [&](std::int32_t pagina, const InicioPagina& inicio) {
        if (!longe(pagina, inicio))
            return true;
        if (indice.marcos.size() == maximo) {
            // Every other start is let go, and the steps double.
            for (size_t k = 1; 2 * k < indice.marcos.size(); ++k)
                indice.marcos[k] = std::move(indice.marcos[2 * k]);
            indice.marcos.resize((indice.marcos.size() + 1) / 2);
            indice.passo = static_cast<std::int32_t>(std::min<qint64>(2 * qint64(indice.passo),
                                                                       std::numeric_limits<std::int32_t>::max()));
            indice.bytes_passo *= 2;
            if (!longe(pagina, inicio))
                return true;
        }
        indice.marcos.push_back(MarcoPagina{inicio, pagina});
        return true;
    });
    varrer(fonte, v, &observador);

    indice.total_paginas = v.paginas();
    // Starts found after the last page (on pages that are not printed) go.
    while (indice.marcos.size() > 1 && indice.marcos.back().pagina > indice.total_paginas)
        indice.marcos.pop_back();
    observador.progresso(1.0);
    observador.processar_eventos();
    observador.progresso(0.0);
    observador.quadro(titulo_analise, false);
}

bool examinar(Documento& doc, const Metricas& metricas, const Papel& papel, IndicePaginas& indice,
              Observador& observador, QString* erro)
{
    FonteBytes fonte;
    const bool aberto = fonte.abrir(doc.nome_arquivo, erro);
    if (!aberto)
        fonte.usar_memoria({});
    examinar(fonte, metricas, papel, indice, observador);
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
    Varredura v(marco, pagina, indice.papel, [&](std::int32_t p, const InicioPagina& inicio) {
        if (p < primeira)
            return true;
        return cada(p, inicio) && p < total;
    });
    varrer(fonte, v, nullptr);
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
