// Where the printer's pages go: the PDF document it writes, or the record of
// pages that another thread writes into that document later.
#pragma once

#include "stream/superficie_glifos.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace papelada {

class DestinoPaginas {
public:
    virtual ~DestinoPaginas() = default;
    // Something is drawn on the page now: the page begins, of `tamanho`
    // (twips), unless it has begun. False when nothing can be drawn (the
    // document failed).
    virtual bool pagina(QSizeF tamanho) = 0;
    // Glyphs of `face`, the face of `fonte` on the drawing thread, placed
    // from `origem` (the baseline's start) at their own positions, or at
    // their natural advances when `posicoes` is null.
    virtual void glifos(const DescricaoFonte& fonte, const QRawFont& face, const quint32* indices,
                        const QPointF* posicoes, const char16_t* caracteres, qsizetype n, QPointF origem,
                        const QColor& cor, bool negrito, bool italico) = 0;
    // A text shaped by the platform with its fallback fonts, its baseline
    // starting at `base`.
    virtual void texto_composto(const DescricaoFonte& fonte, const QString& texto, QPointF base,
                                const QColor& cor) = 0;
    virtual void retangulo_cheio(const QRectF& r, const QColor& cor) = 0;
    virtual void linha(QPointF a, QPointF b, const QColor& cor, double largura, bool pontilhada, bool caixa) = 0;
    virtual void imagem(const QImage& imagem, const QRectF& destino) = 0;
    // A PNG picture taken from its file as it is; false when it is not
    // (the caller then draws its pixels).
    virtual bool imagem_png(const QString& /*caminho*/, QSize /*tamanho*/, const QRectF& /*destino*/) { return false; }
    // The page ends; the next one begins when something is drawn on it.
    virtual void nova_pagina() = 0;
};

} // namespace papelada
