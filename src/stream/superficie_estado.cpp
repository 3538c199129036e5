#include "stream/superficie_estado.h"

#include <algorithm>
#include <cmath>

namespace papelada {

SuperficieEstado::SuperficieEstado(const Superficie& m)
    : SuperficieGlifos(m.dpi()), largura_(m.width()), altura_(m.height()), bandeja_(m.paperBin())
{
    setScaleMode(m.scaleMode());
    setScaleLeft(m.scaleLeft());
    setScaleTop(m.scaleTop());
    setCurrentX(m.currentX());
    setCurrentY(m.currentY());
    copiar_estilo(*this, m);
    setDesenho(false);
}

double altura_do_papel(double altura_folha)
{
    return std::clamp(altura_folha, 144.0, 288000.0);
}

void SuperficieEstado::setHeight(double twips)
{
    if (std::isfinite(twips))
        altura_ = altura_do_papel(twips);
}

} // namespace papelada
