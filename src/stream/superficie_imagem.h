// The preview's page image: a surface that draws into a QImage kept for
// copying, 15 twips a pixel at 100 % (a 96 dots-per-inch screen). The page
// is laid out as the printer lays it out (see setEscala) and, as on the
// printer, keeps the size it had when drawing began on it: a size set
// later is the next page's.
#pragma once

#include "stream/superficie_pintor.h"

#include <QImage>

namespace papelada {

class SuperficieImagem : public SuperficiePintor {
public:
    SuperficieImagem(double largura_twips = 11906, double altura_twips = 16838);
    ~SuperficieImagem() override;

    double width() const override;
    double height() const override;
    void setWidth(double twips) override;
    void setHeight(double twips) override;
    int paperBin() const override { return bandeja_; }
    void setPaperBin(int codigo) override { bandeja_ = codigo; }
    void setEscala(double zoom, double dpi) override;
    void cls() override;

    // The page as drawn so far.
    const QImage& imagem();

protected:
    QPainter* pintor() override;
    double pixels_por_twip() const override { return zoom_ / twips_por_pixel_imagem; }

private:
    // The image of the page, of the size in force, begun when first needed.
    void fixar();
    void encerrar_pintor();

    double largura_, altura_;
    double largura_fixada_ = 0, altura_fixada_ = 0;
    double zoom_ = 1.0;
    int bandeja_ = 0;
    bool fixada_ = false; // the image has the page's size
    QImage imagem_;
    QPainter pintor_;
};

} // namespace papelada
