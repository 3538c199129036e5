// The page index: where each page of the open report begins, so that the
// preview can jump straight to any page. The scan is coarser than the
// interpreters: it looks only at the bytes that end a page (line feeds that
// fill the page, form feeds, ESC "9") and skips the printer and font records;
// every other command and its parameters pass as ordinary bytes.
#pragma once

#include "stream/estado.h"
#include "stream/fonte_bytes.h"
#include "stream/observador.h"

namespace papelada {

// Size of the blocks between two progress reports.
constexpr qint64 bloco_indice = 8192;

// Builds the index of `doc.nome_arquivo` with the current line height and
// page height. The file is read as one stream, every byte included. Progress
// goes to the observer ("Analisando os dados a Imprimir") once per block. On
// return the index holds at least one page and `doc.indice_valido` is true.
// When the file cannot be opened the result is false, the index one page at
// position 1, `doc.indice_valido` stays false and `erro` says why.
bool examinar(Documento& doc, const Metricas& metricas, IndicePaginas& indice,
              Observador& observador, QString* erro = nullptr);

// The same on an open source (a file or bytes in memory), from its current
// position to its end.
void examinar(FonteBytes& fonte, const Metricas& metricas, IndicePaginas& indice,
              Observador& observador);

} // namespace papelada
