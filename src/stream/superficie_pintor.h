// A surface drawn with QPainter: the preview's page image. Text is measured
// by the same code as the printer's (SuperficieGlifos).
#pragma once

#include "stream/superficie_glifos.h"

#include <QPainter>

namespace papelada {

class SuperficiePintor : public SuperficieGlifos {
public:
    explicit SuperficiePintor(double dpi);
    ~SuperficiePintor() override;

protected:
    // An active painter whose world transform maps twips to device pixels,
    // or null when the device cannot be painted on.
    virtual QPainter* pintor() = 0;

    void desenhar_glifos(QPointF topo, const QString& texto, const Disposicao* disposicao) override;
    void desenhar_linha(QPointF a, QPointF b, const QColor& cor, bool caixa) override;
    void desenhar_imagem(const QImage& imagem, const QRectF& destino, bool e_logico) override;

    // Sets up a painter that has just begun on the device.
    void preparar_pintor(QPainter& p) const;
};

} // namespace papelada
