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

    // The search hit: its text underlined in light blue; the report's colour
    // is kept aside meanwhile.
    void destacar(bool sim) override;
    void setForeColor(const QColor& cor) override;

protected:
    // An active painter whose world transform maps twips to device pixels,
    // or null when the device cannot be painted on.
    virtual QPainter* pintor() = 0;
    // Device pixels a twip: dpi / 1440 unless the device shows the page at
    // another scale than it lays it out.
    virtual double pixels_por_twip() const { return dpi_ / 1440.0; }

    void desenhar_glifos(QPointF topo, const QString& texto, const Disposicao* disposicao) override;
    void desenhar_linha(QPointF a, QPointF b, const QColor& cor, bool caixa) override;
    void desenhar_imagem(const QImage& imagem, const QRectF& destino, bool e_logico) override;

    // Sets up a painter that has just begun on the device.
    void preparar_pintor(QPainter& p) const;

private:
    bool destaque_ = false;
    QColor cor_fora_destaque_;
    bool sublinhado_fora_destaque_ = false;
};

} // namespace papelada
