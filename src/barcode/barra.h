// The barcode command: Interleaved 2 of 5, EAN-13, EAN-8 and Code 39. The
// data is first encoded to the widths of the elements, then drawn at the
// surface's pen as the printer draws it. No check digit is computed or
// verified: every digit drawn comes from the data.
#pragma once

#include "stream/comandos.h"
#include "stream/superficie.h"

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace papelada {

// One element of a barcode: a bar or a space `modulos` narrow modules wide.
// The guard bars of EAN reach below the others.
struct Elemento {
    int modulos = 1;
    bool barra = false;
    bool guarda = false;
    bool operator==(const Elemento&) const = default;
};

// Digits written under the bars, from `modulos` modules right of where the
// barcode begins, moved by `pixels` device pixels.
struct Legenda {
    int modulos = 0;
    int pixels = 0;
    QByteArray texto;
    bool operator==(const Legenda&) const = default;
};

struct Codigo {
    std::vector<Elemento> elementos; // left to right, from the barcode's start
    std::vector<Legenda> legendas;
};

// The elements of `dados` in symbology `padrao` (1 Interleaved 2 of 5, 2
// EAN-13, 3 EAN-8, 4 Code 39; anything else has none). A character that is
// not a digit counts as 0; missing EAN digits are 0 in the bars and absent
// from the text; Code 39 takes letters in either case, and a character it
// lacks as a space; an unpaired last digit of Interleaved 2 of 5 is left out.
Codigo codificar_barra(int padrao, const QByteArray& dados);

// Draws the barcode at the surface's pen, in its device pixels: a module is
// `barra.largura` pixels, the data bars are `barra.altura` 1/300 inch tall
// (guard bars 10 % more), the text under them in the surface's font. Lines
// off the surface are not drawn. The scale, pen and line style are given
// back as they were.
void desenhar_barra(Superficie& superficie, const Barra& barra);

} // namespace papelada
