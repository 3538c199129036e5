// The print interpreter: one pass over a spool file, drawn on the printer
// page after page, and the flush of the text run.
#pragma once

#include "stream/estado.h"
#include "stream/fonte_bytes.h"
#include "stream/observador.h"
#include "stream/superficie.h"

#include <QSet>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace papelada {

// What the print job sets before each pass.
struct Passagem {
    explicit Passagem(const bool& selecionar) : selecionar_paginas(selecionar) {}
    // The flag is kept by reference: a temporary would be gone before the
    // pass reads it.
    explicit Passagem(bool&&) = delete;

    // "Selecionar páginas": read each time the mode is needed, since the
    // option can be switched while a pass runs.
    const bool& selecionar_paginas;
    double primeira_pagina = 0; // numeric values of the page fields
    double ultima_pagina = 0;
    std::int64_t pagina = 1;    // page of the pass; counts only when selecting pages
    bool no_intervalo(std::int64_t p) const
    {
        return primeira_pagina <= static_cast<double>(p) && static_cast<double>(p) <= ultima_pagina;
    }

    // Pictures already reported as unreadable during this job: a missing
    // logo on every page is told once (by the pass that draws the page).
    QSet<QString> imagens_com_erro;
    // Pictures decoded once for the whole job, shared by its threads.
    std::shared_ptr<CacheImagens> imagens = std::make_shared<CacheImagens>();

    // A pass that begins at a page start rather than at the first byte:
    // the source stands at that page's first byte, and the surface, the
    // metrics and the run are as at the start of a pass; the pass puts them
    // in the state of the page start.
    const InicioPagina* retomar = nullptr;
    // Told of every page start after the first, in order; false stops the
    // pass there.
    std::function<bool(const InicioPagina&)> ao_iniciar_pagina;
    // Left by the pass: whether anything was drawn, or would have been on a
    // page read through, on the page where it ended. A printer adds no page
    // for a page begun and left blank at the end of the document.
    bool pagina_tocada = false;

    // A search hit to show: the 1-based file positions of its first byte and
    // of the byte after it (none when not first < after). The run is cut at
    // both edges and the surface is told (Superficie::destacar).
    qint64 destaque_inicio = 0, destaque_fim = 0;
};

// A pass that draws no page and never stops before the end of the file:
// how the pages of a print are found without printing.
void so_paginas(Passagem& passagem);

// Where the pen goes at the top of a page: two lines of `altura_linha` down,
// or the very top on tractor-fed paper.
double topo_da_pagina(const Papel& papel, double altura_linha);
double topo_da_pagina(const Superficie& impressora, double altura_linha);

// Draws the pending text run at the pen, placed in the run field when one is
// set, then clears the run and the field's edges (the alignment stays).
void imprimir_buffer(Corrida& corrida, Superficie& impressora);

// One pass: reads `fonte` from where it stands to the end of the file, the
// interruption flag, or the page end of the last selected page. The caller
// prepares pen, margins, metrics and run before it.
void imprimir_passagem(FonteBytes& fonte, Documento& doc, Metricas& metricas, Corrida& corrida,
                       Superficie& impressora, Passagem& passagem, Observador& observador);

} // namespace papelada
