// The pictures of the preview's tool strip: the desktop theme's, or the
// program's own drawings where the theme has none.
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
    AjustarLargura,
    PaginaInteira,
    Procurar,   // find from the start
    ProcurarProxima,
    Imprimir,
    Fechar,
};

QIcon icone(Icone qual);

} // namespace papelada
