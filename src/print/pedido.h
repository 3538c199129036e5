// One check of a print request, whoever makes it (the window, the preview,
// the command line, the print server): margins inside the paper, a whole
// number of copies from 1 to 999, and a page range inside the report's pages
// as the page list counts them. The check says which field is wrong and what
// it takes; the words for the user are made where the request was typed.
#pragma once

#include "print/trabalho.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace papelada {

constexpr int copias_maximas = 999;

enum class Campo { MargemEsquerda, MargemSuperior, Copias, PrimeiraPagina, UltimaPagina };

// A field refused: its value as given and the range it takes. `ordem` is
// set when both pages are in range but the first comes after the last.
struct Recusa {
    Campo campo;
    QString valor;
    double minimo = 0;
    double maximo = 0; // for margins, the paper's size in millimetres (excluded)
    bool ordem = false;
    int ultima = 0;    // with `ordem`, the last page asked for
    friend bool operator==(const Recusa&, const Recusa&) = default;
};

// The request as typed: margins in millimetres (decimal point or comma),
// copies, and the page range when only some pages are printed.
struct TextosPedido {
    QString margem_esquerda;
    QString margem_superior;
    QString copias = QStringLiteral("1");
    bool intervalo = false;
    QString primeira;
    QString ultima;
};

// The paper (in twips) and the report's page count for the margins in
// millimetres, asked only when a range must be checked. The page list that
// counted them may be left in `indice`, for the job to begin its range from.
struct LimitesPedido {
    double largura_folha = 0;
    double altura_folha = 0;
    std::function<int(const MargensMm& margens)> total_paginas;
    std::shared_ptr<IndicePaginas> indice;
};

// The margins ("ESQ,SUP", millimetres) and the pages ("A" or "A-B") as a
// command line gives them, put into the fields of `textos` that the check
// judges; false, with nothing put, when the text has not that shape.
bool margens_da_linha(const QString& texto, TextosPedido& textos);
bool paginas_da_linha(const QString& texto, TextosPedido& textos);

// Checks `textos`; on success fills the margins, copies and range of
// `pedido` and returns nothing.
std::optional<Recusa> validar_pedido(const TextosPedido& textos, const LimitesPedido& limites,
                                     PedidoImpressao& pedido);

// The limits of `impressora` for the report `doc` measured with `metricas`:
// the pages are counted as the page list counts them, on a copy of the
// document state.
LimitesPedido limites_da_impressora(const Documento& doc, const Metricas& metricas, const Superficie& impressora,
                                    Observador& observador);

// "Margem Esquerda: digite um número de 0 a 210 mm ..." for the user.
QString texto_recusa(const Recusa& r);

// A number as typed: blanks around it allowed, a decimal comma or point.
std::optional<double> numero_digitado(const QString& texto);

} // namespace papelada
