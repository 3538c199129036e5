// A surface drawn with QPainter: the printer's pages and the preview's page
// image share this code, so that both draw the same way.
#pragma once

#include "stream/superficie_base.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <memory>
#include <optional>

namespace papelada {

class SuperficiePintor : public SuperficieBase {
public:
    explicit SuperficiePintor(double dpi);
    ~SuperficiePintor() override;

    // The font as drawn: its pixel size is in twips, the painter's unit.
    QFont fonte_qt() const;

protected:
    // An active painter whose world transform maps twips to device pixels,
    // or null when the device cannot be painted on.
    virtual QPainter* pintor() = 0;

    QString nome_lido(const QString& nome) const override;
    void fonte_alterada() override;
    double largura_texto(const QString& texto) const override;
    double altura_texto(const QString& texto) const override;
    void desenhar_texto(QPointF topo_esquerdo, const QString& texto) override;
    void desenhar_linha(QPointF a, QPointF b, const QColor& cor, bool caixa) override;
    void desenhar_imagem(const QImage& imagem, const QRectF& destino, bool e_logico) override;

    // Sets up a painter that has just begun on the device.
    void preparar_pintor(QPainter& p) const;

private:
    const QFontMetricsF& metricas() const;
    mutable std::optional<QFontMetricsF> metricas_;

    // Glyphs and advances of the characters of the current font, looked up
    // once per font instead of shaping every run: a report uses at most the
    // 256 characters of its code page.
    struct Glifos;
    // Glyph indexes and the x of each glyph for `texto`; false when the font
    // lacks one of its characters (or draws a style it has no face for): such
    // a run is shaped as usual, with the fallback fonts of the platform.
    bool glifos(const QString& texto, QList<quint32>* indices, QList<QPointF>* posicoes,
                double* largura) const;
    mutable std::unique_ptr<Glifos> glifos_;
};

// Names of fonts that fontconfig maps to installed faces with the same
// metrics (Liberation, DejaVu): they count as installed.
bool fonte_instalada(const QString& nome);

} // namespace papelada
