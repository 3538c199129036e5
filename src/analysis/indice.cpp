#include "analysis/indice.h"

#include "stream/leitor.h"

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <limits>

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

class Varredura {
public:
    Varredura(const Metricas& m, IndicePaginas& indice) : metricas_(m), indice_(indice)
    {
        indice_.inicio_pagina.assign(1, 1);
        indice_.total_paginas = 0;
    }

    // Line feed at the 1-based position p: the page ends when the line no
    // longer fits (strictly greater).
    void avanco_linha(qint64 p)
    {
        const std::int64_t h = altura_acumulada_ + metricas_.altura_linha;
        if (h > std::int64_t{metricas_.altura_folha} - metricas_.altura_linha)
            quebra(p + 1);
        else
            altura_acumulada_ = h;
    }

    void quebra(qint64 inicio_seguinte)
    {
        altura_acumulada_ = 0;
        // More pages than a count can hold: the last ones join the last page.
        if (indice_.total_paginas >= std::numeric_limits<std::int32_t>::max() - 1)
            return;
        ++indice_.total_paginas;
        indice_.inicio_pagina.push_back(inicio_seguinte);
    }

private:
    const Metricas& metricas_;
    IndicePaginas& indice_;
    std::int64_t altura_acumulada_ = 0;
};

} // namespace

void examinar(FonteBytes& fonte, const Metricas& metricas, IndicePaginas& indice,
              Observador& observador)
{
    observador.acao({});
    observador.pagina({});
    observador.quadro(titulo_analise, true);

    Varredura v(metricas, indice);
    fonte.incluir_ultimo_byte(true);
    Leitor leitor(fonte, formas_indice());
    const qint64 tamanho = fonte.tamanho();
    qint64 proximo_bloco = (fonte.posicao() / bloco_indice + 1) * bloco_indice;

    for (;;) {
        auto janela = fonte.janela();
        if (janela.empty())
            break;
        // Never past the end of the current block, so that progress is shown
        // once per block.
        const qint64 ate_bloco = proximo_bloco - fonte.posicao();
        const auto* const inicio = janela.data();
        const auto* const fim = inicio + std::min<qint64>(static_cast<qint64>(janela.size()), ate_bloco);
        const qint64 base = fonte.posicao(); // position of the byte before `inicio`

        const unsigned char* p = inicio;
        bool comando = false;
        while (p < fim) {
            const unsigned char* q = proximo_interessante(p, fim);
            if (q == fim) {
                p = fim;
                break;
            }
            const qint64 pos = base + (q - inicio) + 1;
            if (*q == ESC) {
                // The command byte and a record may lie beyond this window:
                // the reader takes them from the stream.
                p = q;
                comando = true;
                break;
            }
            if (*q == 10)
                v.avanco_linha(pos);
            else
                v.quebra(pos + 1);
            p = q + 1;
        }
        fonte.avancar(p - inicio);
        if (comando) {
            Item item;
            if (!leitor.proximo(item))
                break;
            if (item.byte == '9')
                v.quebra(item.posicao + 2);
            if (leitor.terminado())
                break;
        }
        while (fonte.posicao() >= proximo_bloco) {
            observador.progresso(tamanho > 0 ? static_cast<double>(proximo_bloco) / tamanho : 1.0);
            observador.processar_eventos();
            proximo_bloco += bloco_indice;
        }
    }

    ++indice.total_paginas;
    observador.progresso(1.0);
    observador.processar_eventos();
    observador.progresso(0.0);
    observador.quadro(titulo_analise, false);
}

bool examinar(Documento& doc, const Metricas& metricas, IndicePaginas& indice,
              Observador& observador, QString* erro)
{
    FonteBytes fonte;
    const bool aberto = fonte.abrir(doc.nome_arquivo, erro);
    if (!aberto)
        fonte.usar_memoria({});
    examinar(fonte, metricas, indice, observador);
    // A file that could not be read is tried again at the next preview.
    doc.indice_valido = aberto;
    return aberto;
}

} // namespace papelada
