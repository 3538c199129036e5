#include "analysis/indice.h"

#include "stream/leitor.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace papelada {

namespace {

const QString titulo_analise = QStringLiteral("Analisando os dados a Imprimir");

// Position of byte `c` in [inicio, fim), or fim.
const unsigned char* achar(const unsigned char* inicio, const unsigned char* fim, unsigned char c)
{
    if (inicio >= fim)
        return fim;
    const void* p = std::memchr(inicio, c, static_cast<size_t>(fim - inicio));
    return p ? static_cast<const unsigned char*>(p) : fim;
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

        const unsigned char* lf = achar(inicio, fim, 10);
        const unsigned char* ff = achar(inicio, fim, 12);
        const unsigned char* esc = achar(inicio, fim, ESC);
        const unsigned char* p = inicio;
        bool comando = false;
        while (p < fim) {
            const unsigned char* q = std::min({lf, ff, esc});
            if (q == fim) {
                p = fim;
                break;
            }
            const qint64 pos = base + (q - inicio) + 1;
            if (q == esc) {
                // The command byte and a record may lie beyond this window:
                // the reader takes them from the stream.
                p = q;
                comando = true;
                break;
            }
            if (q == lf) {
                v.avanco_linha(pos);
                lf = achar(q + 1, fim, 10);
            } else {
                v.quebra(pos + 1);
                ff = achar(q + 1, fim, 12);
            }
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
