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

    // Control characters are drawn as blanks (see texto_visivel).
    void print(const QString& texto) override;

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
    // The bold and the italic asked for that this face does not have: they
    // are made up in the drawing (strokes, slant).
    bool negrito_sintetico() const;
    bool italico_sintetico() const;

private:
    mutable std::optional<QFontMetricsF> metricas_;

    // Glyphs and advances of the characters of the current font, looked up
    // once per font instead of shaping every run: a report uses at most the
    // 256 characters of its code page.
    struct Glifos;
    Glifos& tabela_glifos() const;
    mutable std::unique_ptr<Glifos> glifos_;
};

// The text as it is drawn and measured: a tab, the other control bytes (0
// to 31 and 127) and the bytes the code page leaves undefined are blanks as
// wide as a space, in every run, whatever else it holds.
QString texto_visivel(const QString& texto);

// Whether a face is bold and italic by its own file (the weight and style
// flags of its OS/2 and head tables). The platform reports the styles it
// makes up for a family that lacks them as real ones.
struct EstiloFace {
    bool negrito = false;
    bool italico = false;
};
EstiloFace estilo_da_face(const QRawFont& face);

// Names of fonts that fontconfig maps to installed faces with the same
// metrics (Liberation, DejaVu): they count as installed.
bool fonte_instalada(const QString& nome);

} // namespace papelada
