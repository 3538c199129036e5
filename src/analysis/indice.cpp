#include "analysis/indice.h"

#include "stream/cp1252.h"
#include "stream/leitor.h"
#include "stream/modelo_pagina.h"

#include <QHash>

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

// The scan: the pen's height as the print pass moves it, and where each
// page begins.
class Varredura {
public:
    Varredura(const Metricas& inicio, const Papel& papel, IndicePaginas& indice)
        : metricas_(inicio), modelo_(metricas_, papel), indice_(indice)
    {
        indice_.inicio_pagina.assign(1, 1);
        indice_.metricas_pagina.assign(1, metricas_);
        indice_.estilo_pagina.assign(1, estilo_);
        indice_.total_paginas = 0;
        indice_.papel = papel;
        modelo_.nova_pagina();
    }

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

    bool avanco_linha(qint64 inicio_seguinte)
    {
        return modelo_.avanco_linha() && quebra(inicio_seguinte);
    }
    bool avanco_pagina(qint64 inicio_seguinte)
    {
        return modelo_.fim_de_pagina() && quebra(inicio_seguinte);
    }

    // After the scan: last pages that nothing is drawn on are not printed
    // (the printer begins a page when it draws on it), so they are no pages.
    void concluir()
    {
        const std::int32_t paginas = std::max<std::int32_t>(1, ultima_desenhada_);
        indice_.inicio_pagina.resize(static_cast<size_t>(paginas));
        indice_.metricas_pagina.resize(static_cast<size_t>(paginas));
        indice_.estilo_pagina.resize(static_cast<size_t>(paginas));
        indice_.total_paginas = paginas;
    }

private:
    bool quebra(qint64 inicio_seguinte)
    {
        // More pages than a count can hold: the last ones join the last page.
        if (pagina_ >= std::numeric_limits<std::int32_t>::max() - 1)
            return true;
        ++pagina_;
        indice_.inicio_pagina.push_back(inicio_seguinte);
        indice_.metricas_pagina.push_back(metricas_);
        indice_.estilo_pagina.push_back(estilo_);
        return true;
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
    // command is then skipped). Each picture is loaded once per scan.
    double altura_imagem(const QByteArray& caminho)
    {
        const auto achada = alturas_.constFind(caminho);
        if (achada != alturas_.constEnd())
            return *achada;
        const QImage img = carregar_imagem(cp1252_para_unicode(caminho));
        const double h = img.isNull() ? -1.0 : img.height() * twips_por_pixel_imagem;
        alturas_.insert(caminho, h);
        return h;
    }

    Metricas metricas_;
    EstiloTexto estilo_;
    ModeloPagina modelo_;
    IndicePaginas& indice_;
    std::int32_t pagina_ = 1;           // the page being scanned
    std::int32_t ultima_desenhada_ = 0; // the last page with something drawn on it
    QHash<QByteArray, double> alturas_;
};

} // namespace

void examinar(FonteBytes& fonte, const Metricas& metricas, const Papel& papel, IndicePaginas& indice,
              Observador& observador)
{
    observador.acao({});
    observador.pagina({});
    observador.quadro(titulo_analise, true);

    // Every pass starts from the measured metrics, on the printer's page.
    Metricas inicio = metricas;
    inicio.altura_linha = metricas.altura_linha_padrao;
    inicio.largura_caracter = metricas.largura_caracter_padrao;
    Varredura v(inicio, papel, indice);
    // As in the print pass, the last byte of the file is never interpreted.
    fonte.incluir_ultimo_byte(false);
    Leitor leitor(fonte, formas_linguagem());
    const qint64 tamanho = fonte.tamanho();
    qint64 proximo_bloco = (fonte.posicao() / bloco_indice + 1) * bloco_indice;

    for (;;) {
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
            observador.progresso(tamanho > 0 ? static_cast<double>(proximo_bloco) / tamanho : 1.0);
            observador.processar_eventos();
            proximo_bloco += bloco_indice;
        }
    }

    v.concluir();
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

} // namespace papelada
