// Text laid out with the system's fonts: the font of the surface as a QFont,
// its metrics, and the glyphs and advances of its characters. Every surface
// that draws real text (the printer's PDF pages and the preview's page image)
// measures through this code, so both place text alike.
#pragma once

#include "stream/superficie_base.h"

#include <QFont>
#include <QFontMetricsF>
#include <QList>
#include <QRawFont>
#include <memory>
#include <optional>

namespace papelada {

class SuperficieGlifos : public SuperficieBase {
public:
    explicit SuperficieGlifos(double dpi);
    ~SuperficieGlifos() override;

    // The font as drawn: its pixel size is in twips.
    QFont fonte_qt() const;

protected:
    QString nome_lido(const QString& nome) const override;
    void fonte_alterada() override;
    double largura_texto(const QString& texto) const override;
    double altura_texto(const QString& texto) const override;

    const QFontMetricsF& metricas() const;

    // Glyph indexes of `texto` in fonte_crua() and the x of each glyph from
    // the start of the run; false when the font lacks one of its characters
    // (or draws a style it has no face for): such a run is shaped as usual,
    // with the fallback fonts of the platform.
    bool glifos(const QString& texto, QList<quint32>* indices, QList<QPointF>* posicoes,
                double* largura) const;
    // The face of the current font whose glyphs glifos() hands out.
    const QRawFont& fonte_crua() const;

private:
    mutable std::optional<QFontMetricsF> metricas_;

    // Glyphs and advances of the characters of the current font, looked up
    // once per font instead of shaping every run: a report uses at most the
    // 256 characters of its code page.
    struct Glifos;
    Glifos& tabela_glifos() const;
    mutable std::unique_ptr<Glifos> glifos_;
};

// Names of fonts that fontconfig maps to installed faces with the same
// metrics (Liberation, DejaVu): they count as installed.
bool fonte_instalada(const QString& nome);

} // namespace papelada
