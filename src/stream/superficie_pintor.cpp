#include "stream/superficie_pintor.h"

#include <QGlyphRun>
#include <QPaintEngine>
#include <QPen>
#include <algorithm>
#include <cmath>

namespace papelada {

SuperficiePintor::SuperficiePintor(double dpi) : SuperficieGlifos(dpi) {}
SuperficiePintor::~SuperficiePintor() = default;

void SuperficiePintor::preparar_pintor(QPainter& p) const
{
    const double k = dpi_ / 1440.0;
    p.setWorldTransform(QTransform::fromScale(k, k));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
}

void SuperficiePintor::desenhar_glifos(QPointF topo, const QString& texto, const Disposicao* d)
{
    QPainter* p = pintor();
    if (!p || texto.isEmpty())
        return;
    p->setPen(cor_);
    const QPointF base(topo.x(), topo.y() + ascendente());
    double largura = 0;
    if (d) {
        QGlyphRun corrida;
        corrida.setRawFont(fonte_crua());
        corrida.setRawData(d->indices, posicoes(*d), static_cast<int>(d->n));
        corrida.setStrikeOut(fonte_.riscado);
        largura = d->largura;
        p->drawGlyphRun(base, corrida);
    } else {
        QFont fonte = fonte_qt();
        fonte.setUnderline(false);
        p->setFont(fonte);
        p->drawText(base, texto);
        largura = largura_texto(texto);
    }
    if (fonte_.sublinhado) {
        // Drawn here, in the page's own coordinates: the painter's
        // decoration of a run would be placed with the scale applied twice.
        const QFontMetricsF& m = metricas();
        const double espessura = std::max(m.lineWidth(), 1440.0 / dpi_);
        p->fillRect(QRectF(base.x(), base.y() + m.underlinePos(), largura, espessura), cor_);
    }
}

void SuperficiePintor::desenhar_linha(QPointF a, QPointF b, const QColor& cor, bool caixa)
{
    QPainter* p = pintor();
    if (!p)
        return;
    QPen caneta(cor);
    caneta.setCosmetic(true);
    caneta.setWidth(largura_linha_);
    caneta.setStyle(estilo_ == EstiloLinha::Pontilhado ? Qt::DotLine : Qt::SolidLine);
    caneta.setCapStyle(Qt::SquareCap);
    p->setPen(caneta);
    p->setBrush(Qt::NoBrush);
    // A line of odd width is centred on the middle of its pixels, as the
    // device draws one-pixel lines.
    const double d = (largura_linha_ % 2) ? meio_pixel() : 0.0;
    const QPointF desvio(d, d);
    if (caixa)
        p->drawRect(QRectF(a + desvio, b + desvio).normalized());
    else if (a == b)
        p->drawPoint(a + desvio);
    else
        p->drawLine(a + desvio, b + desvio);
}

void SuperficiePintor::desenhar_imagem(const QImage& imagem, const QRectF& destino, bool e_logico)
{
    QPainter* p = pintor();
    if (!p || imagem.isNull())
        return;
    const auto modo = p->compositionMode();
    if (e_logico && p->paintEngine() && p->paintEngine()->type() == QPaintEngine::Raster)
        p->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    p->drawImage(destino, imagem);
    p->setCompositionMode(modo);
}

} // namespace papelada
