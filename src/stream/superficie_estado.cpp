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
    setFontName(m.fontName());
    setFontSize(m.fontSize());
    setFontBold(m.fontBold());
    setFontItalic(m.fontItalic());
    setFontUnderline(m.fontUnderline());
    setFontStrikethru(m.fontStrikethru());
    setForeColor(m.foreColor());
    setDrawWidth(m.drawWidth());
    setDrawStyle(m.drawStyle());
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
