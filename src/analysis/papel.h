// The platform's paper size codes: their Portuguese names and their sizes.
#pragma once

#include <QPageSize>
#include <QSizeF>
#include <QString>

namespace papelada {

// The paper name of a platform paper code ("A4, 210 x 297 mm"), or
// "Formulário não identificado".
QString nome_papel(int codigo);

// The size of a platform paper code in whole twips, width and height as the
// paper is fed; an empty size for a code without one (0, 256, and codes the
// platform does not know).
QSizeF tamanho_papel(int codigo);

// A paper size in whole twips, from the unit it is defined in, so that inch
// papers come out exact (8 1/2 in: 12240 twips, not 12241 from 215.9 mm).
QSizeF twips_papel(const QPageSize& tamanho);

} // namespace papelada
