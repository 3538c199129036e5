// The pictures of the preview's tool strip, drawn in code so that they stay
// sharp at any screen scale.
#pragma once

#include <QIcon>

namespace papelada {

enum class Icone {
    Primeira,   // first page
    Anterior,   // previous page
    Proxima,    // next page
    Ultima,     // last page
    MenosZoom,
    MaisZoom,
    Procurar,   // find from the start
    ProcurarProxima,
    Imprimir,
    Fechar,
};

QIcon icone(Icone qual);

} // namespace papelada
