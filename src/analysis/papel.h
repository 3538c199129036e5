// The platform's paper size codes: their Portuguese names and their sizes.
#pragma once

#include <QPageSize>
#include <QString>

namespace papelada {

// The paper name of a platform paper code ("A4, 210 x 297 mm"), or
// "Formulário não identificado".
QString nome_papel(int codigo);

// The size of a platform paper code, in the unit the paper is defined in
// (inches or millimetres), or an invalid size for a code without one (0, 256,
// and codes the platform does not know).
QPageSize tamanho_papel(int codigo);

// A dimension of a paper size in whole twips, from the unit it is defined
// in, so that inch papers come out exact (8 1/2 in: 12240 twips).
double twips_papel(const QPageSize& tamanho, bool altura);

} // namespace papelada
