// The symbology tables and the element routines that put one barcode element
// after another onto a surface. The printer and the preview draw the same
// elements; they differ only in their geometry (how wide a module is, how
// many lines make a bar and how far apart they are), which travels with the
// barcode being drawn. Only the barcode command uses these; they are exposed
// for its tests.
#pragma once

#include "stream/superficie.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <string_view>

namespace papelada {

// Interleaved 2 of 5, one entry a digit: five elements, "1" wide, "0" narrow.
inline constexpr std::array<std::string_view, 10> tabela_i25 = {
    "00110", "10001", "01001", "11000", "00101", "10100", "01100", "00011", "10010", "01010"};

// EAN character sets A (odd parity), B (even parity) and C (right half), one
// entry a digit: seven modules, "1" bar, "0" space.
inline constexpr std::array<std::string_view, 10> tabela_ean_a = {
    "0001101", "0011001", "0010011", "0111101", "0100011",
    "0110001", "0101111", "0111011", "0110111", "0001011"};
inline constexpr std::array<std::string_view, 10> tabela_ean_b = {
    "0100111", "0110011", "0011011", "0100001", "0011101",
    "0111001", "0000101", "0010001", "0001001", "0010111"};
inline constexpr std::array<std::string_view, 10> tabela_ean_c = {
    "1110010", "1100110", "1101100", "1000010", "1011100",
    "1001110", "1010000", "1000100", "1001000", "1110100"};

// EAN-13: the sets (1 = A, 2 = B) of left-half digits 2 to 6, by the first
// digit of the number. Left-half digit 1 always uses set A.
inline constexpr std::array<std::string_view, 10> paridade_ean13 = {
    "11111", "12122", "12212", "12221", "21122", "22112", "22211", "21212", "21221", "22121"};

// Code 39: the character, then nine elements (bar, space, bar, ..., bar),
// "1" wide, "0" narrow. Lookup takes the first entry whose character matches;
// a character that has none is drawn as the space (entry 38).
inline constexpr std::array<std::string_view, 44> tabela_c39 = {
    "0000110100", "1100100001", "2001100001", "3101100000", "4000110001", "5100110000",
    "6001110000", "7000100101", "8100100100", "9001100100", "A100001001", "B001001001",
    "C101001000", "D000011001", "E100011000", "F001011000", "G000001101", "H100001100",
    "I001001100", "J000011100", "K100000011", "L001000011", "M101000010", "N000010011",
    "O100010010", "P001010010", "Q000000111", "R100000110", "S001000110", "T000010110",
    "U110000001", "V011000001", "W111000000", "X010010001", "Y110010000", "Z011010000",
    "-010000101", ".110000100", " 011000100", "*010010100", "$010101000", "/010100010",
    "+010001010", "%000101010"};
inline constexpr int c39_espaco = 38;

// Where the barcode being drawn stands, in the units of its surface.
struct EstadoBarra {
    double bar_x = 0;    // next element starts here; each routine leaves it past what it drew
    double bar_topo = 0; // top of every bar
    double bar_base = 0; // bottom of the data bars
    std::int64_t bar_base_guarda = 0; // bottom of the EAN guard bars (printer)
};

// How one group of elements becomes lines: a bar of k modules is
// near(k x `linhas_por_modulo`) lines `passo` apart (stepping before or after
// each line); a space of k modules moves on by `folga` + k x `espaco_por_modulo`.
struct Traco {
    double linhas_por_modulo = 1;
    double passo = 1;
    bool passo_antes = false;
    double folga = 0;
    double espaco_por_modulo = 1;
};

struct Geometria {
    Traco padrao;  // Interleaved 2 of 5 elements and the EAN guards
    Traco digitos; // EAN digits and Code 39 characters
    double folga_separador = 0; // added to the first space of the EAN centre guard
    double base_guarda = 0;     // bottom of the EAN guard bars
    double modulo = 0;          // narrow module, for the EAN text positions
    double recuo_texto_ean8 = 0; // EAN-8 digit groups stand this far right of their guard
};

// Printer: the module is `bar_largura` device pixels, one-pixel lines one
// pixel apart, guard bars down to `bar_base_guarda`.
Geometria geometria_impressora(std::int16_t bar_largura, const EstadoBarra& estado);
// Preview page: the module is 15 x `fator_zoom` units; guard bars reach
// 90 x `fator_zoom` below the data bars.
Geometria geometria_visualizacao(double fator_zoom, const EstadoBarra& estado);

// One barcode being drawn on one surface. Lines that would fall off the
// surface are not drawn (a huge module or a long text cannot flood the page
// or hang the drawing), but the barcode advances and the pen ends as if
// they had been.
struct Desenho {
    Desenho(Superficie& superficie, const EstadoBarra& estado, const Geometria& geometria);
    Superficie& superficie;
    EstadoBarra estado;
    Geometria geometria;
    double x_maximo, y_maximo; // right and bottom edge of the surface
};

// Interleaved 2 of 5: one digit pair (`normal` in the bars, `invertido` in
// the spaces), the start and the stop pattern.
void imprimir_bar(Desenho& d, std::string_view normal, std::string_view invertido);
void imprimir_start(Desenho& d);
void imprimir_end(Desenho& d);
// One EAN digit (seven modules) from set `coluna` (1 A, 2 B, 3 C; any other
// value leaves seven space modules). A missing digit (empty) counts as 0.
void imprimir_ean(Desenho& d, const QByteArray& caracter, int coluna);
void imprimir_start_ean(Desenho& d);
void imprimir_end_ean(Desenho& d);
void imprimir_separador(Desenho& d);
// One Code 39 character and the narrow gap after it.
void imprimir_c39(Desenho& d, char caracter);

// The symbology `padrao` (1 Interleaved 2 of 5, 2 EAN-13, 3 EAN-8,
// 4 Code 39; anything else draws nothing) with its human-readable digits.
void desenhar_simbologia(Desenho& d, int padrao, const QByteArray& dados);

} // namespace papelada
