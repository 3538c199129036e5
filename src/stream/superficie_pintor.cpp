#include "stream/superficie_pintor.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGlyphRun>
#include <QHash>
#include <QPaintEngine>
#include <QPen>
#include <QRawFont>
#include <array>
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

struct SuperficiePintor::Glifos {
    struct Glifo {
        quint32 indice = 0;
        double avanco = 0;
        bool lido = false;
    };
    QRawFont fonte;
    bool utilizavel = false;
    std::array<Glifo, 256> latin1{}; // U+0000 to U+00FF
    QHash<char16_t, Glifo> outros;   // the rest of the code page (the euro sign...)

    const Glifo& glifo(QChar c)
    {
        const char16_t u = c.unicode();
        Glifo& g = u < 256 ? latin1[u] : outros[u];
        if (!g.lido) {
            g.lido = true;
            const QList<quint32> i = fonte.glyphIndexesForString(QString(c));
            if (i.size() == 1 && i[0] != 0) {
                g.indice = i[0];
                g.avanco = fonte.advancesForGlyphIndexes(i, QRawFont::SeparateAdvances).value(0).x();
            }
        }
        return g;
    }
};

SuperficiePintor::SuperficiePintor(double dpi) : SuperficieBase(dpi) {}
SuperficiePintor::~SuperficiePintor() = default;

void SuperficiePintor::fonte_alterada()
{
    metricas_.reset();
    glifos_.reset();
}

bool SuperficiePintor::glifos(const QString& texto, QList<quint32>* indices, QList<QPointF>* posicoes,
                              double* largura) const
{
    if (!glifos_) {
        glifos_ = std::make_unique<Glifos>();
        const QFont f = fonte_qt();
        glifos_->fonte = QRawFont::fromFont(f);
        // A face of the wanted weight and slant: otherwise the platform
        // would have to make one up while shaping.
        glifos_->utilizavel = glifos_->fonte.isValid()
                              && (glifos_->fonte.weight() >= QFont::DemiBold) == f.bold()
                              && (glifos_->fonte.style() != QFont::StyleNormal) == f.italic();
    }
    if (!glifos_->utilizavel)
        return false;
    double x = 0;
    if (indices) {
        indices->resize(texto.size());
        posicoes->resize(texto.size());
    }
    for (qsizetype k = 0; k < texto.size(); ++k) {
        const Glifos::Glifo& g = glifos_->glifo(texto[k]);
        if (g.indice == 0)
            return false;
        if (indices) {
            (*indices)[k] = g.indice;
            (*posicoes)[k] = QPointF(x, 0);
        }
        x += g.avanco;
    }
    *largura = x;
    return true;
}

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
    double largura = 0;
    if (glifos(texto, nullptr, nullptr, &largura))
        return largura;
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
    p->setPen(cor_);
    const QPointF base(topo.x(), topo.y() + metricas().ascent());
    QList<quint32> indices;
    QList<QPointF> posicoes;
    double largura = 0;
    if (glifos(texto, &indices, &posicoes, &largura)) {
        QGlyphRun corrida;
        corrida.setRawFont(glifos_->fonte);
        corrida.setGlyphIndexes(indices);
        corrida.setPositions(posicoes);
        corrida.setUnderline(fonte_.sublinhado);
        corrida.setStrikeOut(fonte_.riscado);
        p->drawGlyphRun(base, corrida);
        return;
    }
    p->setFont(fonte_qt());
    p->drawText(base, texto);
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
