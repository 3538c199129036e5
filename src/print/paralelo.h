// A print pass drawn on several threads. Each thread reads the whole report
// with a printer of its own set up as the job's, drawing only its share of
// the pages (blocks of a few pages in turn) and reading the others through
// as pages out of the range are read, so that every page starts in the
// state the single pass gives it. The drawn pages are handed back in page
// order to the job's printer, which writes them into its one document: the
// document is the one the single pass makes, byte for byte.
#pragma once

#include "print/interpretador.h"
#include "print/superficie_impressora.h"

namespace papelada {

// Pages in each thread's block.
constexpr std::int64_t paginas_por_faixa = 4;
// Threads that draw at most: each keeps fonts and a few blocks of pages, and
// reads the whole report.
constexpr int fios_de_desenho = 8;

// One pass of the job on `fios` threads (2 or more, at most
// fios_de_desenho), as
// imprimir_passagem() on `impressora` with a source of its own opened on
// `doc.nome_arquivo`, and with the same end state: pen, font, metrics and
// page count. The messages of the pages reach `observador` in page order;
// the page number and progress as the pages are written. False when the
// file could not be read to its end or changed size (`erro` says why); an
// interruption is no failure.
bool imprimir_passagem_em_fios(Documento& doc, Metricas& metricas, SuperficieImpressora& impressora,
                               Passagem& passagem, Observador& observador, int fios, QString* erro);

} // namespace papelada
