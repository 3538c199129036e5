// The print job: one pass of the print interpreter per copy, inside one
// print document, with margins, selected pages, progress and interruption.
#pragma once

#include "stream/estado.h"
#include "stream/observador.h"
#include "stream/superficie.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace papelada {

class SuperficieImpressora;

// An opened report: its document state and metrics, and the printer it was
// measured on (which also receives the print document).
struct Relatorio {
    Relatorio(Documento& d, Metricas& m, Superficie& i) : doc(d), metricas(m), impressora(i) {}
    // The system's printer: the job also names its output file and title,
    // draws on threads and counts the pages handed over.
    Relatorio(Documento& d, Metricas& m, SuperficieImpressora& i);
    Documento& doc;
    Metricas& metricas;
    Superficie& impressora;
    SuperficieImpressora* const sistema = nullptr;
};

// Pages counted from 1 as the job counts page ends; the bounds may be
// fractions (a page is in the range when it lies between them).
struct IntervaloPaginas {
    double primeira = 1;
    double ultima = 1;
};

struct MargensMm {
    double esquerda = 0;
    double superior = 0;
};

struct PedidoImpressao {
    // Every page, or only `paginas`.
    bool todas = true;
    IntervaloPaginas paginas;
    int copias = 1; // passes over the file; fewer than 1 is one
    MargensMm margens;
    // The file that the PDF printer writes ("" keeps the printer's own),
    // and whether it is only a step to standard output.
    QString arquivo_saida;
    bool saida_provisoria = false;
    // The document's title ("": the report's file name).
    QString titulo;
    // Threads that draw the pages (0: fios_padrao).
    int fios = 0;
    // The page list the range was checked against, when the check made one:
    // the range begins from the start it keeps nearest before its first page.
    std::shared_ptr<const IndicePaginas> indice;
};

// Threads that draw a job's pages unless it asks for others.
constexpr int fios_padrao = 1;

enum class FimTrabalho {
    Impresso,  // the document was ended and handed to the printer
    Cancelado, // interrupted: the document was cancelled, nothing printed;
               // the interruption flag is cleared again
    Recusado,  // every pass ran, but the printer refused the document
    Falhou,    // the spool file could not be read: nothing was handed over
};

// What went wrong, so that each edge (window, command line, print server)
// chooses its own words and exit status.
enum class TipoFalha {
    Nenhuma,
    Uso,          // the request itself (a field out of range, a bad option)
    Entrada,      // the report could not be read
    Saida,        // the file or stream being written failed
    Impressora,   // the printer or queue refused the document
    Imagem,       // printed, but a picture could not be drawn: a warning
    Interrompido, // stopped by the user
};

struct ResultadoTrabalho {
    FimTrabalho fim = FimTrabalho::Impresso;
    int paginas = 0; // pages the printer took (every copy); 0 on other surfaces
    QString erro;    // for Recusado and Falhou: the facts (path, system's reason)
    TipoFalha tipo = TipoFalha::Nenhuma;
    // Printed, but these pictures were left out (each with its reason): the
    // document lost content, which is worth a warning.
    QStringList imagens_perdidas;
};

// Passes for a number of copies that may have a fraction: one more until
// the count is down to 0 or below, so 2.5 copies are three passes and 0 (or
// less) is one.
int passagens_de_copias(double copias);

// Prints the report. The spool file is checked before anything is drawn;
// each pass then opens it again from its first byte, and a file that has gone
// by then cancels the document. Progress and the report's messages go to
// `observador`; the job stores nothing, deletes nothing and does not measure
// the report again.
ResultadoTrabalho imprimir_relatorio(const Relatorio& relatorio, const PedidoImpressao& pedido,
                                     Observador& observador);

} // namespace papelada
