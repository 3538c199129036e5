// The faces the PDF writer embeds: read from the tables the font engine has,
// and cut down by HarfBuzz's subsetter to the glyphs a document uses.
#pragma once

#include <QByteArray>
#include <QRawFont>
#include <QString>
#include <map>
#include <memory>
#include <set>

struct hb_face_t;
struct hb_font_t;

namespace papelada::pdf {

enum class Contornos { nenhum, truetype, cff };

struct FaceFonte {
    std::shared_ptr<hb_face_t> hb; // the face's tables, for the subsetter
    std::shared_ptr<hb_font_t> hb_fonte; // for the names of a CFF face's glyphs
    Contornos contornos = Contornos::nenhum;
    int numero_glifos = 0;
    // Outlines the subsetter takes and a licence that allows embedding. A
    // face without both is drawn as outlines instead of text.
    bool incorporavel = false;
    // Why a face that could have been text is drawn as outlines; empty when
    // it is text, or when its licence or its outlines say so.
    QString problema;
    QByteArray nome_postscript; // safe for a PDF name
    // In thousandths of the em, as a PDF font descriptor wants them.
    int caixa[4] = {0, 0, 1000, 1000};
    int ascendente = 800, descendente = -200, altura_maiusculas = 700;
    double angulo_italico = 0;
    bool fixa = false;
};

// Reads the face of `fonte`. Nothing here trusts the sizes and offsets a
// font declares: HarfBuzz checks every table before it reads one.
FaceFonte ler_face(const QRawFont& fonte);

// The same family and style in an OpenType file, when `fonte` is a face
// without OpenType tables (a Type 1 font: "Helvetica" may resolve to the
// Type 1 copy of a face also installed as CFF). Invalid when there is none.
// Its glyph indexes are its own: glyphs are matched by character.
QRawFont gemea_opentype(const QRawFont& fonte);

// A font program of `face` (an OpenType file; TrueType or CFF outlines as
// the face has them) with the outlines of the glyphs in `usados` only, and
// of glyph 0 and of the glyphs that others are made of. Every glyph keeps
// its index, so that the codes that stand for glyphs in the pages stay
// valid. Empty when the face is not embeddable or the subsetter fails.
QByteArray subconjunto(const FaceFonte& face, const std::set<quint32>& usados);

// The font program of a simple font (one-byte codes) of `face` whose code c
// stands for glyph `codigos[c]`, with the outlines of those glyphs only.
// TrueType: the subset with a character map from the codes to the glyphs
// (Macintosh Roman and Windows symbol, at U+F000 + code), which a symbolic
// TrueType font is read through. CFF: the bare CFF program of the subset,
// whose glyphs the font's encoding reaches by their names (nome_glifo).
// Empty as for subconjunto().
QByteArray programa_simples(const FaceFonte& face, const std::map<int, quint32>& codigos);

// The name of glyph `g` of a CFF face; empty when it has none.
QByteArray nome_glifo(const FaceFonte& face, quint32 g);

} // namespace papelada::pdf
