// The fonts of a PDF document: one entry per face the pages use and, per face
// and size, simple fonts of at most 256 one-byte codes, chained when a face
// needs more. Once the document ends, each font gets a subset of its face
// with just its glyphs, shared by the fonts of the face whose codes agree.
#pragma once

#include "pdf/escritor.h"
#include "pdf/subconjunto.h"
#include "stream/cp1252.h"

#include <QList>
#include <array>

namespace papelada::pdf {

struct Escritor::Face {
    QByteArray chave;
    FaceFonte dados;
    // A Type 1 face is embedded as its OpenType copy, when there is one;
    // its glyphs are those of the copy, matched by character (`sem_glifo`
    // for a glyph that has no match and is drawn as outlines).
    QRawFont gemea;
    QHash<quint32, quint32> traducao;
    static constexpr quint32 sem_glifo = 0xffffffff;
};

struct Escritor::Recurso {
    Face* face = nullptr;
    QRawFont fonte;
    QByteArray nome;    // "F1"
    double tamanho = 0; // twips to the em
    std::vector<qint16> codigo; // by glyph index; -1 while it has none
    std::array<quint32, 256> glifo{};
    std::array<double, 256> avanco{};
    std::array<char16_t, 256> caractere{};
    std::array<bool, 256> ocupado{};
    int livres = 256;
    Recurso* seguinte = nullptr; // where glyphs go once the codes run out
    bool encadeado = false;      // it follows another font of its face
    int obj_fonte = 0;
    int obj_descritor = 0;  // of the subset this font draws from
    QByteArray nome_base;   // its tag and the face's PostScript name

    // The code of glyph `g`, or -1 when it has none here.
    int codigo_de(quint32 g) const { return g < codigo.size() ? codigo[g] : -1; }

    // Gives glyph `g` a code: the code-page byte of its character when that
    // is free (the text then reads as itself in the page), else the first
    // free one. -1 when all are taken.
    int atribuir(quint32 g, char16_t c)
    {
        if (g >= codigo.size() || livres == 0)
            return -1;
        int k = -1;
        if (c) {
            const int preferido = unicode_para_cp1252(QChar(c));
            if ((preferido != '?' || c == u'?') && !ocupado[preferido])
                k = preferido;
        }
        for (int i = 32; k < 0 && i < 256 + 32; ++i)
            if (!ocupado[i % 256])
                k = i % 256;
        ocupado[k] = true;
        --livres;
        codigo[g] = static_cast<qint16>(k);
        glifo[k] = g;
        caractere[k] = c;
        avanco[k] = avanco_de(g);
        return k;
    }

    // The advance of glyph `g`, asked of the face once.
    double avanco_de(quint32 g)
    {
        if (avancos.size() != codigo.size())
            avancos.assign(codigo.size(), -1);
        double& a = avancos[g];
        if (a < 0)
            a = fonte.advancesForGlyphIndexes(QList<quint32>{g}, QRawFont::SeparateAdvances).value(0).x();
        return a;
    }
    std::vector<double> avancos; // by glyph index; -1 until asked
};

} // namespace papelada::pdf
