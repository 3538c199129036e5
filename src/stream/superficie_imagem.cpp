#include "stream/superficie_imagem.h"

#include <algorithm>
#include <cmath>

namespace papelada {

namespace {
constexpr double dpi_tela = 96.0;
// A page image never grows beyond this many pixels a side (about 3 metres of
// paper at 100 %); larger requests are clamped, never allocated.
constexpr int lado_maximo = 12000;

int pixels(double twips)
{
    if (!std::isfinite(twips))
        return 1;
    return std::clamp(static_cast<int>(std::lround(twips / twips_por_pixel_imagem)), 1, lado_maximo);
}
} // namespace

SuperficieImagem::SuperficieImagem(double largura_twips, double altura_twips)
    : SuperficiePintor(dpi_tela), largura_(largura_twips), altura_(altura_twips)
{
    imagem_ = QImage(pixels(largura_), pixels(altura_), QImage::Format_RGB32);
    imagem_.fill(Qt::white);
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

QPainter* SuperficieImagem::pintor()
{
    if (!pintor_.isActive()) {
        if (!pintor_.begin(&imagem_))
            return nullptr;
        preparar_pintor(pintor_);
    }
    return &pintor_;
}

void SuperficieImagem::redimensionar(double largura, double altura)
{
    largura_ = std::isfinite(largura) ? largura : largura_;
    altura_ = std::isfinite(altura) ? altura : altura_;
    const int w = pixels(largura_), h = pixels(altura_);
    if (w == imagem_.width() && h == imagem_.height())
        return;
    encerrar_pintor();
    QImage nova(w, h, QImage::Format_RGB32);
    nova.fill(Qt::white);
    {
        QPainter p(&nova);
        p.drawImage(0, 0, imagem_);
    }
    imagem_ = std::move(nova);
}

void SuperficieImagem::setWidth(double twips) { redimensionar(twips, altura_); }
void SuperficieImagem::setHeight(double twips) { redimensionar(largura_, twips); }

void SuperficieImagem::cls()
{
    encerrar_pintor();
    imagem_.fill(Qt::white);
    pena_x_ = para_twips_x(0);
    pena_y_ = para_twips_y(0);
}

const QImage& SuperficieImagem::imagem()
{
    encerrar_pintor();
    return imagem_;
}

} // namespace papelada
