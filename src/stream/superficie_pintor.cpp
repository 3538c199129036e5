#include "stream/superficie_pintor.h"

#include <QGlyphRun>
#include <QPaintEngine>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <vector>

namespace papelada {

namespace {

// Rows or columns of the source for each of `n` device rows or columns: as
// many as fit whole, one more every time the remainder adds up to `n`.
std::vector<int> passos(int origem, int n)
{
    std::vector<int> r(static_cast<size_t>(n));
    int resto = 0;
    for (int& k : r) {
        k = origem / n;
        resto += origem % n;
        if (resto >= n) {
            resto -= n;
            ++k;
        }
    }
    return r;
}

// A picture brought down to w x h device pixels (no more than it has) as a
// PDF reader brings it: each device pixel is the mean of the whole block of
// source pixels it takes.
QImage em_blocos(const QImage& imagem, int w, int h)
{
    const QImage fonte = imagem.convertToFormat(QImage::Format_ARGB32);
    QImage r(w, h, QImage::Format_ARGB32);
    const auto inicios = [](const std::vector<int>& passo) {
        std::vector<int> inicio(passo.size());
        for (size_t i = 1; i < passo.size(); ++i)
            inicio[i] = inicio[i - 1] + passo[i - 1];
        return inicio;
    };
    const auto nx = passos(fonte.width(), w), ny = passos(fonte.height(), h);
    const auto x0 = inicios(nx), y0 = inicios(ny);
    for (size_t y = 0; y < ny.size(); ++y) {
        auto* destino = reinterpret_cast<QRgb*>(r.scanLine(static_cast<int>(y)));
        for (size_t x = 0; x < nx.size(); ++x) {
            int soma[4] = {0, 0, 0, 0};
            for (int v = y0[y]; v < y0[y] + ny[y]; ++v) {
                const auto* l = reinterpret_cast<const QRgb*>(fonte.constScanLine(v));
                for (int u = x0[x]; u < x0[x] + nx[x]; ++u) {
                    soma[0] += qRed(l[u]);
                    soma[1] += qGreen(l[u]);
                    soma[2] += qBlue(l[u]);
                    soma[3] += qAlpha(l[u]);
                }
            }
            const int n = nx[x] * ny[y];
            destino[x] = qRgba(soma[0] / n, soma[1] / n, soma[2] / n, soma[3] / n);
        }
    }
    return r;
}

} // namespace

SuperficiePintor::SuperficiePintor(double dpi) : SuperficieGlifos(dpi) {}
SuperficiePintor::~SuperficiePintor() = default;

void SuperficiePintor::destacar(bool sim)
{
    if (sim == destaque_)
        return;
    if (sim) {
        cor_fora_destaque_ = cor_;
        sublinhado_fora_destaque_ = fonte_.sublinhado;
        cor_ = QBColor(9);
    } else {
        cor_ = cor_fora_destaque_;
    }
    destaque_ = sim;
    setFontUnderline(sim || sublinhado_fora_destaque_);
}

void SuperficiePintor::setForeColor(const QColor& cor)
{
    (destaque_ ? cor_fora_destaque_ : cor_) = cor;
}

void SuperficiePintor::preparar_pintor(QPainter& p) const
{
    const double k = pixels_por_twip();
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
        corrida.setRawData(d->indices, d->posicoes, static_cast<int>(d->n));
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
        const double espessura = std::max(m.lineWidth(), 1.0 / pixels_por_twip());
        p->fillRect(QRectF(base.x(), base.y() + m.underlinePos(), largura, espessura), cor_);
    }
}

void SuperficiePintor::desenhar_linha(QPointF a, QPointF b, const QColor& cor, bool caixa)
{
    QPainter* p = pintor();
    if (!p)
        return;
    // Widths are in the layout's device pixels, drawn at least one pixel wide.
    QPen caneta(cor);
    caneta.setCosmetic(true);
    caneta.setWidth(std::max(1, static_cast<int>(std::lround(largura_linha_ * 1440.0 / dpi_ * pixels_por_twip()))));
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
    // A picture drawn smaller than it is is brought to its size in device
    // pixels first, averaging the pixels it takes together, as a PDF reader
    // scales the printed picture down; a larger one is left to the painter.
    const QRectF canto = p->worldTransform().mapRect(destino);
    const QRect alvo(QPoint(qRound(canto.left()), qRound(canto.top())),
                     QPoint(qRound(canto.right()) - 1, qRound(canto.bottom()) - 1));
    if (alvo.width() > 0 && alvo.height() > 0 && alvo.width() <= imagem.width() && alvo.height() <= imagem.height()) {
        const QImage pronta = em_blocos(imagem, alvo.width(), alvo.height());
        p->save();
        p->resetTransform();
        p->drawImage(alvo.topLeft(), pronta);
        p->restore();
    } else {
        p->drawImage(destino, imagem);
    }
    p->setCompositionMode(modo);
}

} // namespace papelada
