// TrueType faces for the PDF writer: the tables of a face as the font engine
// has them, and a font program with only the glyphs a document uses.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <set>

class QRawFont;

namespace papelada::pdf {

struct FaceTrueType {
    QMap<QByteArray, QByteArray> tabelas; // by tag ("head", "glyf", "cvt "...)
    int unidades_por_em = 1000;
    int numero_glifos = 0;
    // Outlines in "glyf" and a licence that allows embedding. A face without
    // both is drawn as outlines instead of text.
    bool incorporavel = false;
    QByteArray nome_postscript; // safe for a PDF name
    // In thousandths of the em, as a PDF font descriptor wants them.
    int caixa[4] = {0, 0, 1000, 1000};
    int ascendente = 800, descendente = -200, altura_maiusculas = 700;
    double angulo_italico = 0;
    bool fixa = false;
};

// Reads the face of `fonte`. Damaged or missing tables leave it not
// embeddable; nothing here trusts the sizes and offsets a font declares.
FaceTrueType ler_face(const QRawFont& fonte);

// A font program of `face` with the outlines of the glyphs in `usados` only
// (and of glyph 0 and of the glyphs composite glyphs are made of). Every
// glyph keeps its index, so that text drawn with the whole face draws the
// same with the subset. Empty when the face is not embeddable.
QByteArray subconjunto(const FaceTrueType& face, const std::set<quint32>& usados);

// Glyphs that the composite glyph `indice` is made of, directly.
std::set<quint32> componentes(const FaceTrueType& face, quint32 indice);

} // namespace papelada::pdf
