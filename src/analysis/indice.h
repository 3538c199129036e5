// The page index: where each page of the open report begins, so that the
// preview can jump straight to any page. The pages are the printed pages:
// the scan moves the pen down the page as the print pass does (line feeds,
// form feeds, ESC "9", the moves, the page length, pictures and barcodes),
// but looks at the text between only to see that something is drawn.
#pragma once

#include "stream/estado.h"
#include "stream/fonte_bytes.h"
#include "stream/modelo_pagina.h"
#include "stream/observador.h"

namespace papelada {

// Size of the blocks between two progress reports.
constexpr qint64 bloco_indice = 8192;

// Builds the index of `doc.nome_arquivo` as a print pass on `papel` finds
// its pages: from the measured line height and character width and the page
// height in `metricas`. Each page's start keeps the metrics in force there. Progress
// goes to the observer ("Analisando os dados a Imprimir") once per block. On
// return the index holds at least one page and `doc.indice_valido` is true.
// When the file cannot be opened the result is false, the index one page at
// position 1, `doc.indice_valido` stays false and `erro` says why.
bool examinar(Documento& doc, const Metricas& metricas, const Papel& papel, IndicePaginas& indice,
              Observador& observador, QString* erro = nullptr);

// The same on an open source (a file or bytes in memory), from its current
// position to its end.
void examinar(FonteBytes& fonte, const Metricas& metricas, const Papel& papel, IndicePaginas& indice,
              Observador& observador);

} // namespace papelada
