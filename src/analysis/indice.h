// The page index: where each page of the open report begins, so that the
// preview can jump straight to any page. The pages are the printed pages:
// the index is the print pass itself, on a printer that draws nothing.
#pragma once

#include "stream/estado.h"
#include "stream/fonte_bytes.h"
#include "stream/superficie.h"
#include "stream/observador.h"

#include <QSet>
#include <functional>
#include <optional>

namespace papelada {

// The paper of `impressora`, with the top margin as typed in millimetres.
Papel papel_da_impressora(const Superficie& impressora, const QString& margem_superior_mm);

// Builds the index of `doc.nome_arquivo` as a print pass on `impressora`
// (its font, resolution and page size; the paper source and top margin of
// `papel`) finds its pages, from the metrics in `metricas`. The index counts every page and keeps the start of
// a few, with the metrics, font and colour in force there (see
// IndicePaginas); the pages between are found again by percorrer_paginas. Progress
// goes to the observer ("Analisando os dados a Imprimir"). On
// return the index counts at least one page and `doc.indice_valido` is true.
// When the file cannot be opened the result is false, the index one page at
// position 1, `doc.indice_valido` stays false and `erro` says why.
bool examinar(Documento& doc, const Metricas& metricas, const Superficie& impressora, const Papel& papel,
              IndicePaginas& indice, Observador& observador, QString* erro = nullptr);

// The same on an open source (a file or bytes in memory), from its current
// position to its end. `cada`, when given, is handed the start of every page
// after the first as the pass finds it (a page begun last and left blank
// included: the index's count says whether it is printed).
using CadaInicio = std::function<void(const InicioPagina&)>;
void examinar(FonteBytes& fonte, const Metricas& metricas, const Superficie& impressora, const Papel& papel,
              IndicePaginas& indice, Observador& observador, const CadaInicio& cada = {});

// Reads the report on from the start the index kept before page `primeira`
// (brought into 1 .. total_paginas) and hands `cada` the number and start
// of that page and of each one after it, in order, until `cada` returns false
// or the last page is handed out. `fonte` is the report the index was built
// on; it is left positioned wherever the reading stopped.
void percorrer_paginas(FonteBytes& fonte, const IndicePaginas& indice, std::int32_t primeira,
                       const std::function<bool(std::int32_t, const InicioPagina&)>& cada);

// The start of page `pagina` (2 or more) of the pass that begins now on
// `impressora` (pen, margins and paper as the print job set them) with the
// metrics `metricas`, reading `fonte` from where it stands; none when the
// pass ends before it. The report's messages and errors on the pages before
// go to `avisos`, a picture's error once (see Passagem::imagens_com_erro).
std::optional<InicioPagina> achar_pagina(FonteBytes& fonte, const Metricas& metricas, const Superficie& impressora,
                                        std::int32_t pagina, Observador& avisos, QSet<QString>& imagens_com_erro);

// The start of page `pagina` (2 or more) of a pass that begins as one on
// `impressora` with `metricas` would, found from the start `indice` keeps
// nearest before it, without telling the pages' messages; none when the
// index was made for a pass that begins otherwise, or has no such page.
std::optional<InicioPagina> pagina_do_indice(FonteBytes& fonte, const IndicePaginas& indice,
                                             const Superficie& impressora, const Metricas& metricas,
                                             std::int32_t pagina);

// The start of page `pagina` (brought into 1 .. total_paginas) and, in
// `seguinte`, the first byte of the page after it (0 after the last page).
InicioPagina inicio_da_pagina(FonteBytes& fonte, const IndicePaginas& indice, std::int32_t pagina,
                              qint64* seguinte = nullptr);

// The page in which the byte at the 1-based file position `posicao` lies.
std::int32_t pagina_da_posicao(FonteBytes& fonte, const IndicePaginas& indice, qint64 posicao);

} // namespace papelada
