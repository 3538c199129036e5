#include "app/janela_icones.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace papelada {

namespace {

// Drawn on a 24 x 24 grid.
constexpr int lado = 24;

const QColor azul(30, 90, 170);
const QColor cinza(70, 70, 70);

void triangulo(QPainter& p, double x, bool para_direita)
{
    QPainterPath t;
    if (para_direita) {
        t.moveTo(x, 5);
        t.lineTo(x + 9, 12);
        t.lineTo(x, 19);
    } else {
        t.moveTo(x + 9, 5);
        t.lineTo(x, 12);
        t.lineTo(x + 9, 19);
    }
    t.closeSubpath();
    p.fillPath(t, azul);
}

void barra(QPainter& p, double x)
{
    p.fillRect(QRectF(x, 5, 2.5, 14), azul);
}

// A magnifying glass; `sinal` is drawn inside the lens ('+', '-' or none).
void lupa(QPainter& p, char sinal)
{
    p.setPen(QPen(cinza, 2.2));
    p.setBrush(QColor(225, 238, 255));
    p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
    p.setPen(QPen(cinza, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15, 15), QPointF(21, 21));
    p.setPen(QPen(azul, 2));
    if (sinal == '+' || sinal == '-')
        p.drawLine(QPointF(6.5, 10), QPointF(13.5, 10));
    if (sinal == '+')
        p.drawLine(QPointF(10, 6.5), QPointF(10, 13.5));
}

void impressora(QPainter& p)
{
    p.setPen(QPen(cinza, 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 3, 10, 7));            // sheet going in
    p.setBrush(QColor(160, 160, 160));
    p.drawRoundedRect(QRectF(3, 9, 18, 8), 2, 2); // body
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 14, 10, 7));           // printed sheet
    p.setPen(QPen(cinza, 1));
    p.drawLine(QPointF(9, 17), QPointF(15, 17));
    p.drawLine(QPointF(9, 19), QPointF(14, 19));
}

void fechar(QPainter& p)
{
    p.setPen(QPen(QColor(180, 40, 40), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6, 6), QPointF(18, 18));
    p.drawLine(QPointF(18, 6), QPointF(6, 18));
}

} // namespace

QIcon icone(Icone qual)
{
    QPixmap imagem(lado * 2, lado * 2);
    imagem.setDevicePixelRatio(2);
    imagem.fill(Qt::transparent);
    QPainter p(&imagem);
    p.setRenderHint(QPainter::Antialiasing);
    switch (qual) {
    case Icone::Primeira:
        barra(p, 5);
        triangulo(p, 9, false);
        break;
    case Icone::Anterior:
        triangulo(p, 7, false);
        break;
    case Icone::Proxima:
        triangulo(p, 8, true);
        break;
    case Icone::Ultima:
        triangulo(p, 6, true);
        barra(p, 16.5);
        break;
    case Icone::MenosZoom:
        lupa(p, '-');
        break;
    case Icone::MaisZoom:
        lupa(p, '+');
        break;
    case Icone::Procurar:
        lupa(p, ' ');
        break;
    case Icone::ProcurarProxima: {
        lupa(p, ' ');
        QPainterPath seta;
        seta.moveTo(16, 1);
        seta.lineTo(23, 5);
        seta.lineTo(16, 9);
        seta.closeSubpath();
        p.fillPath(seta, azul);
        break;
    }
    case Icone::Imprimir:
        impressora(p);
        break;
    case Icone::Fechar:
        fechar(p);
        break;
    }
    p.end();
    return QIcon(imagem);
}

} // namespace papelada
