// State shared by the routines that read a spool file: the open document,
// the character metrics and page limits, the pending text run, the page index.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace papelada {

struct Documento {
    QString nome_arquivo;              // "" when none
    qint64 tamanho_arquivo = 0;        // bytes
    std::int16_t interromper = 0;      // 1 = stop printing
    std::int32_t margem_esquerda = 0;  // millimetres
    std::int32_t margem_superior = 0;
    bool imprimir_ao_ativar = false;   // the preview asked for a print job
    bool indice_valido = false;        // the page index matches file and font
};

// Character metrics and page limits, in twips. The current values change as a
// pass reads ESC "7", "8" and "A"; every pass starts from the defaults that
// measurement found.
struct Metricas {
    std::int16_t altura_linha = 0;
    std::int16_t largura_caracter = 0;
    std::int16_t altura_linha_padrao = 0;
    std::int16_t largura_caracter_padrao = 0;
    std::int32_t altura_folha = 0;
    std::int32_t largura_folha = 0;

    bool operator==(const Metricas&) const = default;
};

// The text run: characters read since the last flush, and the run field
// (a horizontal span for the next run; both edges 0 means no field).
struct Corrida {
    QByteArray buffer;
    QString texto; // the characters of the run being drawn; kept for its room
    std::int16_t campo_inicio = 0;
    std::int16_t campo_fim = 0;
    std::int16_t campo_alinhamento = 0; // 0 left, 1 right, 2 centre

    bool tem_campo() const { return campo_inicio != 0 || campo_fim != 0; }
    void limpar()
    {
        buffer.clear();
        campo_inicio = campo_fim = campo_alinhamento = 0;
    }
};

// What places the pages on the paper besides the metrics.
struct Papel {
    bool trator = false;        // tractor feed: pages start at the very top
    double margem_superior = 0; // twips from the paper's top edge down to y = 0
    double margem_esquerda = 0; // twips from the paper's left edge across to x = 0
    bool operator==(const Papel&) const = default;
};

// What the stream has changed of the font and colour since its pass began:
// the font name (when `com_fonte`: a stream may name "" too), the size in
// points (0 when unchanged), bold and italic (-1 when unchanged, else 0 or
// 1) and the palette colour (-1).
struct EstiloTexto {
    QString fonte;
    bool com_fonte = false;
    double tamanho = 0;
    std::int8_t negrito = -1, italico = -1, cor = -1;
};

// Where a page begins, and everything a pass has there: the 1-based file
// position of the page's first byte, the page's number, the metrics, the
// font and colour the stream has set, the width of lines, the height of the
// paper the page is printed on, the pen, and a run field still waiting for
// its run. A pass
// can begin at any page from it (the run is empty) and go on as the pass
// from the first byte goes on.
struct InicioPagina {
    qint64 posicao = 1;
    std::int32_t pagina = 1;
    double x = 0, y = 0; // the pen, in twips from the margins
    Metricas metricas;
    EstiloTexto estilo;
    double altura_papel = 0; // 0: the printer's own
    int largura_linha = 0;   // device pixels; 0: the printer's own
    std::int16_t campo_inicio = 0, campo_fim = 0, campo_alinhamento = 0;
    QString mensagem; // the report's last message before the page
};

// A page whose start the index keeps.
using MarcoPagina = InicioPagina;

// The page index. It keeps the start of page 1 and then of a page whenever
// `passo` pages or `bytes_passo` bytes have gone by since the last one kept;
// any other page is found by reading on from the start kept before it (see
// analysis/indice.h), so that the index stays small for a report of any
// length. When more than `maximo_marcos` starts would be kept, both steps
// double and every other start is let go.
constexpr std::int32_t passo_inicial_marcos = 64;
constexpr qint64 bytes_passo_inicial_marcos = qint64(1) << 20;
struct IndicePaginas {
    std::vector<MarcoPagina> marcos; // in the order of their pages
    std::int32_t passo = passo_inicial_marcos;          // each scan begins with these steps
    qint64 bytes_passo = bytes_passo_inicial_marcos;
    std::int32_t maximo_marcos = 8192;
    Papel papel; // the paper the pages were found on
    // The printer as the pass began on it (font, colour, resolution, paper):
    // pages are found again from a kept start on a copy of it.
    std::shared_ptr<const class SuperficieEstado> impressora;
    std::int32_t total_paginas = 0;
};

} // namespace papelada
