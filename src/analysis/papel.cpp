// Portuguese names of the platform's paper size codes.
#include "analysis/medicao.h"

#include <array>

namespace papelada {

namespace {

// Codes 1 to 41; 256 is the user-defined paper.
constexpr std::array<const char*, 41> nomes = {
    "Carta 8.1/2 x 11",
    "Carta mini, 8.1/2 x 11",
    "Tabloide 11 x 17",
    "Ledger, 17 x 11",
    "Legal, 8 1/2 x 14",
    "Statement, 5 1/2 x 8 1/2",
    "Executivo, 7 1/2 x 10 1/2",
    "A3, 297 x 420 mm",
    "A4, 210 x 297 mm",
    "A4 mini, 210 x 297 mm",
    "A5, 148 x 210 mm",
    "B4, 250 x 354 mm",
    "B5, 182 x 257 mm",
    "Folio, 8 1/2 x 13",
    "Quarto, 215 x 275 mm",
    "10 x 14",
    "11 x 17",
    "Nota, 8 1/2 x 11",
    "Envelope #9, 3 7/8 x 8 7/8",
    "Envelope #10, 4 1/8 x 9 1/2",
    "Envelope #11, 4 1/2 x 10 3/8",
    "Envelope #12, 4 1/2 x 11",
    "Envelope #14, 5 x 11 1/2",
    "C size sheet",
    "D size sheet",
    "E size sheet",
    "Envelope DL, 110 x 220 mm",
    "Envelope C5, 162 x 229 mm",
    "Envelope C3, 324 x 458 mm",
    "Envelope C4, 229 x 324 mm",
    "Envelope C6, 114 x 162 mm",
    "Envelope C65, 114 x 229 mm",
    "Envelope B4, 250 x 353 mm",
    "Envelope B5, 176 x 250 mm",
    "Envelope B6, 176 x 125 mm",
    "Envelope, 110 x 230 mm",
    "Envelope Monarch, 3 7/8 x 7 1/2",
    "Envelope, 3 5/8 x 6 1/2",
    "Formulário Contínuo Largo, 14 7/8 x 11",
    "German Standard Fanfold, 8 1/2 x 12",
    "German Legal Fanfold, 8 1/2 x 13",
};

} // namespace

QString nome_papel(int codigo)
{
    if (codigo >= 1 && codigo <= static_cast<int>(nomes.size()))
        return QString::fromUtf8(nomes[static_cast<std::size_t>(codigo - 1)]);
    if (codigo == 256)
        return QStringLiteral("Definido pelo usuário");
    return QStringLiteral("Formulário não identificado");
}

} // namespace papelada
