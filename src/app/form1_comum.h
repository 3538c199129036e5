// What the parts of the main window share: how a typed number is read and
// the unit of the progress bar.
#pragma once

#include "print/pedido.h" // numero_digitado: a number as the user types it

namespace papelada {

// Width of the progress bar in twips; the bar counts in these units.
inline constexpr int largura_barra = 6495;

} // namespace papelada
