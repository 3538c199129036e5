// A print pass whose pages are drawn on several threads. The job's printer
// reads the report through once, drawing nothing (as pages out of a range
// are read), and at the first page of every block of pages hands the page
// start it stands at to the next free thread. That thread restores the
// start on a printer of its own, set up as the job's was when the pass
// began, draws the block's pages and nothing else, recording them; the
// job's printer writes the recorded pages into its document in page order.
// The document is the one the single pass makes, byte for byte, and the
// pass ends in the single pass's state, since the job's printer read it.
#pragma once

#include "print/interpretador.h"
#include "print/superficie_impressora.h"

namespace papelada {

// Pages in each thread's block.
constexpr std::int64_t paginas_por_faixa = 4;
// Threads that draw at most.
constexpr int fios_de_desenho = 8;

// One pass of the job on `fios` drawing threads (1 to fios_de_desenho), as
// imprimir_passagem() on `impressora` from the first byte of
// `doc.nome_arquivo` (or from `inicio`, the start of the range's first
// page), with the same end state: pen, font, metrics and page
// count. The report's messages reach `observador` in the order of the
// pass, the page number and progress as the pages are written. False when
// the file could not be read to its end or changed size (`erro` says why);
// an interruption is no failure.
bool imprimir_passagem_em_fios(Documento& doc, Metricas& metricas, SuperficieImpressora& impressora,
                               Passagem& passagem, Observador& observador, int fios, QString* erro,
                               const InicioPagina* inicio = nullptr);

} // namespace papelada
