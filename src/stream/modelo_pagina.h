// Where the pages of a report end. The print pass, the page index and the
// preview follow these rules alike, so that page N is the same page in all
// three: the index finds where each page begins, the preview draws from one
// of those starts, and the printer counts page ends as it reads.
#pragma once

#include "stream/estado.h"
#include "stream/leitor.h"
#include "stream/superficie.h"
#include "stream/superficie_estado.h"

#include <QString>
#include <algorithm>

namespace papelada {

// The paper of `impressora`, with the top margin as typed in millimetres.
Papel papel_da_impressora(const Superficie& impressora, const QString& margem_superior_mm);

// The pen's height at the top of every page: two lines down, or the very
// top on tractor-fed paper.
inline double topo_da_pagina(const Papel& papel, double altura_linha)
{
    return papel.trator ? 0.0 : 2.0 * altura_linha;
}

// The lowest y a move may reach on a page printed on `altura_papel` twips
// of paper: the page length, but never below the paper's foot (a longer
// length takes effect on the next page), and raised by the top margin,
// which pushes everything down: what is drawn always lands on the paper.
inline double pe_da_pagina(const Papel& papel, const Metricas& m, double altura_papel)
{
    return std::min(static_cast<double>(m.altura_folha), altura_papel) - papel.margem_superior;
}

// A line feed with the pen at `y` ends the page when the next line would
// reach the page's last line.
inline bool avanco_encerra(double y, double pe, const Metricas& m)
{
    return y + m.altura_linha >= pe - m.altura_linha;
}

// A move down to `y` (ESC "Y", "y", "V", "v", or below a picture or a
// barcode) ends the page when `y` lies below its foot.
inline bool descida_encerra(double y, double pe) { return y > pe; }

// The pen's height through a page as the print pass moves it, in the
// printer's twips. `metricas` changes with ESC "7", "8" and "A".
class ModeloPagina {
public:
    ModeloPagina(Metricas& metricas, const Papel& papel) : m_(metricas), papel_(papel) {}

    double y() const { return y_; }
    // The height of the paper the page is printed on.
    double altura_papel() const { return altura_papel_; }
    void nova_pagina()
    {
        y_ = topo_da_pagina(papel_, m_.altura_linha);
        altura_papel_ = altura_do_papel(m_.altura_folha);
    }

    // Applies one item; true when it ends the page (the pen then stands at
    // the top of the next one). A picture (ESC "G") is left to the caller,
    // which knows its height: see descer_por().
    bool aplicar(const Item& item);
    // Down by the height of a picture or barcode; true when the page ends.
    bool descer_por(double altura);
    // A line feed; true when it ends the page.
    bool avanco_linha();
    // The page ends (always true).
    bool fim_de_pagina();

private:
    bool ir_para(double y);

    Metricas& m_;
    Papel papel_;
    double y_ = 0;
    double altura_papel_ = 0;
};

} // namespace papelada
