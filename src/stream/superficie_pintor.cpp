#include "stream/superficie_pintor.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QPaintEngine>
#include <QPen>
#include <cmath>

namespace papelada {

bool fonte_instalada(const QString& nome)
{
    static const QStringList aliases = {
        QStringLiteral("Courier New"), QStringLiteral("Arial"), QStringLiteral("Times New Roman"),
        QStringLiteral("Courier"),     QStringLiteral("Helvetica"), QStringLiteral("Times"),
    };
    if (aliases.contains(nome))
        return true;
    return QFontDatabase::families().contains(nome, Qt::CaseSensitive);
}

SuperficiePintor::SuperficiePintor(double dpi) : SuperficieBase(dpi) {}
SuperficiePintor::~SuperficiePintor() = default;

QString SuperficiePintor::nome_lido(const QString& nome) const
{
    if (fonte_instalada(nome))
        return nome;
    QFont f(nome);
    return QFontInfo(f).family();
}

QFont SuperficiePintor::fonte_qt() const
{
    QFont f(fonte_.nome);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(fonte_.tamanho * 20.0))));
    f.setBold(fonte_.negrito);
    f.setItalic(fonte_.italico);
    f.setUnderline(fonte_.sublinhado);
    f.setStrikeOut(fonte_.riscado);
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

const QFontMetricsF& SuperficiePintor::metricas() const
{
    if (!metricas_)
        metricas_.emplace(fonte_qt());
    return *metricas_;
}

double SuperficiePintor::largura_texto(const QString& texto) const
{
    return metricas().horizontalAdvance(texto);
}

double SuperficiePintor::altura_texto(const QString&) const
{
    return metricas().height();
}

void SuperficiePintor::preparar_pintor(QPainter& p) const
{
    const double k = dpi_ / 1440.0;
    p.setWorldTransform(QTransform::fromScale(k, k));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
}

void SuperficiePintor::desenhar_texto(QPointF topo, const QString& texto)
{
    QPainter* p = pintor();
    if (!p || texto.isEmpty())
        return;
    p->setFont(fonte_qt());
    p->setPen(cor_);
    p->drawText(QPointF(topo.x(), topo.y() + metricas().ascent()), texto);
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
