// Names and sizes of the platform's paper size codes.
#include "analysis/papel.h"

#include <QSizeF>
#include <array>
#include <cmath>

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

// Codes whose size Qt's lookup of the platform's codes gets wrong (or does
// not know), with the sizes the platform prints them at.
struct PapelExato {
    int codigo;
    double largura, altura;
    QPageSize::Unit unidade;
};
constexpr PapelExato exatos[] = {
    {12, 250, 354, QPageSize::Millimeter},  // B4, not JIS B4 (257 x 364 mm)
    {14, 8.5, 13, QPageSize::Inch},         // Folio, unknown to Qt
    {15, 215, 275, QPageSize::Millimeter},  // Quarto, not 8.5 x 10.83 in
    {20, 4.125, 9.5, QPageSize::Inch},      // Envelope #10, not 4.12 in wide
    {24, 17, 22, QPageSize::Inch},          // C sheet, not Architect C (18 x 24 in)
    {25, 22, 34, QPageSize::Inch},          // D sheet, not Architect D (24 x 36 in)
    {26, 34, 44, QPageSize::Inch},          // E sheet, not Architect E (36 x 48 in)
};

} // namespace

QSizeF tamanho_papel(int codigo)
{
    for (const PapelExato& p : exatos)
        if (p.codigo == codigo) {
            const double fator = p.unidade == QPageSize::Inch ? 1440.0 : 1440.0 / 25.4;
            return {std::round(p.largura * fator), std::round(p.altura * fator)};
        }
    const QPageSize::PageSizeId id = QPageSize::id(codigo);
    if (codigo <= 0 || codigo == 256 || id == QPageSize::Custom)
        return {};
    return twips_papel(QPageSize(id));
}

QSizeF twips_papel(const QPageSize& tamanho)
{
    QSizeF s = tamanho.definitionSize();
    double fator = 1440.0 / 25.4;
    switch (tamanho.definitionUnits()) {
    case QPageSize::Inch: fator = 1440.0; break;
    case QPageSize::Point: fator = 20.0; break;
    case QPageSize::Millimeter: break;
    default: s = tamanho.size(QPageSize::Millimeter); break; // units papers are not given in
    }
    return {std::round(s.width() * fator), std::round(s.height() * fator)};
}

QString nome_papel(int codigo)
{
    if (codigo >= 1 && codigo <= static_cast<int>(nomes.size()))
        return QString::fromUtf8(nomes[static_cast<std::size_t>(codigo - 1)]);
    if (codigo == 256)
        return QStringLiteral("Definido pelo usuário");
    return QStringLiteral("Formulário não identificado");
}

} // namespace papelada
