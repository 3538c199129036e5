// A report printed straight from its file on a printer the caller names, as
// the command-line tool and the e-mail and watched-folder features print: the
// report is opened and measured on that printer (its own printer record
// changes paper, source and orientation, never the printer), then printed in
// one copy by the job of the window's "Imprimir".
#pragma once

#include "print/trabalho.h"

#include <functional>
#include <optional>

namespace papelada {

struct TrabalhoArquivo {
    QString relatorio;  // the spool file
    QString impressora; // a print queue, or "Arquivo PDF"
    QString pdf;        // the file "Arquivo PDF" writes (atomically)
    // As typed, judged by the request check: "A" or "A-B" (every page when
    // not given) and "ESQ,SUP" in millimetres (the stored ones when not).
    std::optional<QString> paginas;
    std::optional<QString> margens;
    // Asked whenever the pass lets events through; true cancels the
    // document (nothing reaches the printer or the file).
    std::function<bool()> parar;
};

// Impresso only when pages were handed over; a report without pages to
// print (an empty file, a range beyond its end) is Recusado with the reason.
ResultadoTrabalho imprimir_arquivo(const TrabalhoArquivo& trabalho, Observador& observador);

} // namespace papelada
