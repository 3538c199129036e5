// The barcode command: Interleaved 2 of 5, EAN-13, EAN-8 and Code 39, drawn
// at the surface's pen. No check digit is computed or verified: every digit
// drawn comes from the data.
#pragma once

#include "stream/superficie.h"

#include <QByteArray>
#include <cstdint>

namespace papelada {

// Printer side. `bar_altura` arrives in 1/300 inch and comes back converted to
// the printer's device pixels; `bar_largura` is the narrow module in device
// pixels. The surface is switched to pixels and back to twips; the scale
// origin (the margins) is restored afterwards.
void imprimir_barra(Superficie& impressora, int& bar_padrao, std::int64_t& bar_altura,
                    std::int16_t& bar_largura, QByteArray& bar_texto);

// Preview side, on the page image at zoom factor `fator_zoom` (1.0 at 100 %).
// Changes none of its arguments.
void visualizar_barra(Superficie& pagina, double fator_zoom, int bar_padrao,
                      std::int64_t bar_altura, std::int16_t bar_largura,
                      const QByteArray& bar_texto);

} // namespace papelada
