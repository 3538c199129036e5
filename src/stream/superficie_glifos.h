// Text laid out with the system's fonts: the font of the surface as a QFont,
// its metrics, and the glyphs and advances of its characters. Every surface
// that draws real text (the printer's PDF pages and the preview's page image)
// measures through this code, so both place text alike.
#pragma once

#include "stream/superficie_base.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QRawFont>
#include <memory>
#include <optional>
#include <vector>

namespace papelada {

// What makes a font as drawn: the name asked for, the pixel size (twips)
// and the styles. Plain values, so that a font can be named to another
// thread, which makes its own QFont of it.
struct DescricaoFonte {
    QString nome;
    int pixels = 0;
    bool negrito = false, italico = false, sublinhado = false, riscado = false;
    bool operator==(const DescricaoFonte&) const = default;
    QFont fonte_qt() const;
};

class SuperficieGlifos : public SuperficieBase {
public:
    explicit SuperficieGlifos(double dpi);
    ~SuperficieGlifos() override;

    // The font as drawn: its pixel size is in twips.
    QFont fonte_qt() const { return descricao_fonte().fonte_qt(); }
    DescricaoFonte descricao_fonte() const;
    // The same, of the font drawn now, without a copy.
    const DescricaoFonte& descricao_atual() const;

    // Control characters are drawn as blanks (see texto_visivel). The glyphs
    // of a run are looked up once, for the drawing and the pen's advance.
    void print(const QString& texto) override;

    // Fonts whose glyph tables and metrics are kept: a job that goes back
    // and forth between a few fonts builds each once.
    static constexpr int fontes_guardadas = 32;

protected:
    // The glyphs of a run in fonte_crua(): glyph indexes, the character each
    // glyph shows (a blank for a control byte, see texto_visivel), and the
    // run's width. The glyphs stand on one baseline, each where the advance
    // of the one before leaves it (their natural advances), so no position
    // is laid out unless asked for (see posicoes()). The arrays belong to the
    // surface and hold until the next run is laid out.
    struct Disposicao {
        const quint32* indices = nullptr;
        const char16_t* caracteres = nullptr;
        qsizetype n = 0;
        double largura = 0;
    };

    QString nome_lido(const QString& nome) const override;
    void fonte_alterada() override;
    double largura_texto(const QString& texto) const override;
    double altura_texto(const QString& texto) const override;
    // Lays the text out, then draws it with desenhar_glifos().
    void desenhar_texto(QPointF topo_esquerdo, const QString& texto) final;
    // Draws a run with its top at `topo`: its glyphs `disposicao` (then
    // `texto` is the run as given, whose visible characters they hold), or,
    // when `disposicao` is null, the visible text `texto` (see texto_visivel)
    // shaped by the platform (see glifos()).
    virtual void desenhar_glifos(QPointF topo, const QString& texto, const Disposicao* disposicao) = 0;

    const QFontMetricsF& metricas() const;
    // metricas().ascent(), asked once a font: every run needs it.
    double ascendente() const;

    // Lays out `texto` in the current font, its control bytes as blanks;
    // false when the font lacks one of its characters (or draws a style it
    // has no face for): such a run is shaped as usual, with the fallback
    // fonts of the platform.
    bool glifos(const QString& texto, Disposicao* disposicao) const;
    // The x of each glyph of the run last laid out, from the start of the
    // run, on a baseline at 0: the sums of the advances before it.
    const QPointF* posicoes(const Disposicao& disposicao) const;
    // The face of the current font whose glyphs glifos() hands out.
    const QRawFont& fonte_crua() const;
    // The bold and the italic asked for that this face does not have: they
    // are made up in the drawing (strokes, slant).
    bool negrito_sintetico() const;
    bool italico_sintetico() const;

private:
    // Glyphs, advances and metrics of one font, built when the font is
    // first drawn or measured: a report uses at most the 256 characters of
    // its code page.
    struct FonteGuardada;
    FonteGuardada& fonte_atual() const { return atual_ ? *atual_ : escolher_fonte(); }
    // Finds the current font among those kept, or builds it.
    FonteGuardada& escolher_fonte() const;
    // The font's size in twips, as fonte_qt() asks for it.
    int pixels_fonte() const;
    // The width of `texto` laid out as glifos() lays it out; false as there.
    bool largura_glifos(const QString& texto, double* largura) const;

    mutable std::vector<std::unique_ptr<FonteGuardada>> fontes_;
    mutable FonteGuardada* atual_ = nullptr; // null after a change, until used
    mutable quint64 relogio_ = 0;
    mutable QHash<QString, QString> nomes_lidos_;
    // A small number for each font name met, its place here: the fonts kept
    // are told apart by numbers; a report names few fonts, so a switch finds
    // the number by comparing the names, without hashing them.
    mutable std::vector<QString> nomes_;
    mutable QString ultimo_nome_;
    mutable int ultimo_id_ = -1;
    // The glyphs of the last run laid out.
    mutable std::vector<quint32> indices_;
    mutable std::vector<char16_t> caracteres_;
    mutable std::vector<QPointF> posicoes_;
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
