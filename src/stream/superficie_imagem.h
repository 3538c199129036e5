// The preview's page image: a surface that draws into a QImage kept for
// copying, 15 twips a pixel (a 96 dots-per-inch screen).
#pragma once

#include "stream/superficie_pintor.h"

#include <QImage>

namespace papelada {

class SuperficieImagem : public SuperficiePintor {
public:
    SuperficieImagem(double largura_twips = 11906, double altura_twips = 16838);
    ~SuperficieImagem() override;

    double width() const override { return largura_; }
    double height() const override { return altura_; }
    void setWidth(double twips) override;
    void setHeight(double twips) override;
    void cls() override;

    // The page as drawn so far.
    const QImage& imagem();

protected:
    QPainter* pintor() override;

private:
    void redimensionar(double largura, double altura);
    void encerrar_pintor();

    double largura_, altura_;
    QImage imagem_;
    QPainter pintor_;
};

} // namespace papelada
