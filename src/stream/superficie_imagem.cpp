#include "stream/superficie_imagem.h"

#include <algorithm>
#include <cmath>

namespace papelada {

namespace {
constexpr double dpi_tela = 96.0;
// A page image never grows beyond this many pixels a side (about 3 metres of
// paper at 100 %); larger requests are clamped, never allocated.
constexpr int lado_maximo = 12000;

int pixels(double twips, double zoom)
{
    const double p = twips * zoom / twips_por_pixel_imagem;
    if (!std::isfinite(p))
        return 1;
    return static_cast<int>(std::clamp<double>(std::lround(std::min(p, 1e9)), 1, lado_maximo));
}
} // namespace

SuperficieImagem::SuperficieImagem(double largura_twips, double altura_twips)
    : SuperficiePintor(dpi_tela), largura_(largura_twips), altura_(altura_twips)
{
}

SuperficieImagem::~SuperficieImagem()
{
    encerrar_pintor();
}

void SuperficieImagem::encerrar_pintor()
{
    if (pintor_.isActive())
        pintor_.end();
}

void SuperficieImagem::fixar()
{
    if (fixada_)
        return;
    encerrar_pintor();
    const int w = pixels(largura_, zoom_), h = pixels(altura_, zoom_);
    if (imagem_.width() != w || imagem_.height() != h)
        imagem_ = QImage(w, h, QImage::Format_RGB32);
    imagem_.fill(Qt::white);
    largura_fixada_ = largura_;
    altura_fixada_ = altura_;
    fixada_ = true;
}

QPainter* SuperficieImagem::pintor()
{
    fixar();
    if (!pintor_.isActive()) {
        if (!pintor_.begin(&imagem_))
            return nullptr;
        preparar_pintor(pintor_);
    }
    return &pintor_;
}

double SuperficieImagem::width() const
{
    return fixada_ ? largura_fixada_ : largura_;
}

double SuperficieImagem::height() const
{
    return fixada_ ? altura_fixada_ : altura_;
}

void SuperficieImagem::setWidth(double twips)
{
    if (std::isfinite(twips))
        largura_ = twips;
}

void SuperficieImagem::setHeight(double twips)
{
    if (std::isfinite(twips))
        altura_ = twips;
}

void SuperficieImagem::setEscala(double zoom, double dpi)
{
    if (std::isfinite(zoom) && zoom > 0)
        zoom_ = zoom;
    if (std::isfinite(dpi) && dpi > 0)
        dpi_ = dpi;
    encerrar_pintor();
    fixada_ = false;
}

void SuperficieImagem::cls()
{
    encerrar_pintor();
    fixada_ = false;
    pena_x_ = para_twips_x(0);
    pena_y_ = para_twips_y(0);
}

const QImage& SuperficieImagem::imagem()
{
    fixar();
    encerrar_pintor();
    return imagem_;
}

} // namespace papelada
