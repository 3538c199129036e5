// A surface that keeps the state of a printer and draws nothing: the pen,
// the scale, the font (measured as the printer measures it), the colour and
// the paper. A pass on it finds the pages and page starts of a print without
// printing.
#pragma once

#include "stream/superficie_glifos.h"

namespace papelada {

class SuperficieEstado final : public SuperficieGlifos {
public:
    // In the state `modelo` stands in now.
    explicit SuperficieEstado(const Superficie& modelo);
    SuperficieEstado(const SuperficieEstado& modelo) : SuperficieEstado(static_cast<const Superficie&>(modelo)) {}

    double width() const override { return largura_; }
    double height() const override { return altura_; }
    void setWidth(double twips) override { largura_ = twips; }
    void setHeight(double twips) override;
    int paperBin() const override { return bandeja_; }
    void setPaperBin(int codigo) override { bandeja_ = codigo; }

protected:
    void desenhar_glifos(QPointF, const QString&, const Disposicao*) override {}
    void desenhar_linha(QPointF, QPointF, const QColor&, bool) override {}
    void desenhar_imagem(const QImage&, const QRectF&, bool) override {}

private:
    double largura_ = 0, altura_ = 0;
    int bandeja_ = 0;
};

// The height of a page on paper: a page length from ESC "A" is kept
// between a tenth of an inch and 200 inches.
double altura_do_papel(double altura_folha);

} // namespace papelada
