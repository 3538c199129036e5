// Effects of commands that several interpreters compute the same way.
#pragma once

#include "stream/estado.h"
#include "stream/leitor.h"
#include "stream/superficie.h"

#include <cstdint>

namespace papelada {

// ESC "7" (line height), "8" (character width) and "A" (page height, in
// lines of the line height in force), stored into the metrics as every
// interpreter stores them. Any other command changes nothing.
void aplicar_metrica(const Item& item, Metricas& metricas);

// The two points of a line or box command (ESC "L", "l", "B", "b").
// Upper-case letters give cell numbers, converted with the cell width and
// line step; lower-case letters give twips.
struct Segmento {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int largura = 1; // pen width in pixels; 0 is taken as 1
    int cor = 0;     // palette index
    bool caixa = false;
};
Segmento converter_segmento(unsigned char comando, const Item& item, double largura_celula,
                            double altura_linha);

// The run field of ESC "R" (edges given as columns, converted with the cell
// width to the left edge of the column) or ESC "r" (edges in twips), stored
// into the run's field. The alignment is kept as written.
void definir_campo(unsigned char comando, const Item& item, double largura_celula, Corrida& corrida);

// Draws the pending run at the pen, or placed in its run field (left, right,
// or centred without its outer blanks), then empties it; the field serves one
// run only. Nothing happens for an empty run: a pending field waits for the
// next run that has characters. A field too wide for 16 bits places nothing.
// Every run is drawn by this.
void desenhar_corrida(Corrida& corrida, Superficie& superficie);
// A run read through where nothing needs its width: emptied, and its field
// used up, as desenhar_corrida leaves them, without measuring it.
// `caracteres` counts characters of the run never added to it; nothing
// happens to a run without any.
void passar_corrida(Corrida& corrida, qsizetype caracteres = 0);

// Barcode fields completed as the interpreters deliver them: symbology
// outside 1 to 4 taken as 1, default height and module width, and for
// Interleaved 2 of 5 a "0" in front of data of odd length; the blanks at
// both ends of the data removed.
struct Barra {
    int padrao = 1;
    std::int64_t altura = 120;
    std::int16_t largura = 3;
    QByteArray texto;
};
Barra completar_barra(const CamposBarra& campos, std::int64_t altura_padrao = 120,
                      std::int16_t largura_padrao = 3);

// Size of a barcode in 300 dots-per-inch pixels, for moving the pen after it.
struct TamanhoBarra {
    double h = 0, w = 0;
};
TamanhoBarra tamanho_barra(int padrao, double altura, double largura, qsizetype comprimento);

// Twips in one pixel at 300 dots per inch.
constexpr double twips_por_pixel_300 = 4.8;

} // namespace papelada
