// Equality of the state the readers of a report keep, so that tests compare
// whole states and GoogleTest shows them.
#pragma once

#include "stream/estado.h"

#include <ostream>

namespace papelada {

inline bool operator==(const EstiloTexto& a, const EstiloTexto& b)
{
    return a.fonte == b.fonte && a.tamanho == b.tamanho && a.negrito == b.negrito && a.italico == b.italico
           && a.cor == b.cor;
}

inline bool operator==(const InicioPagina& a, const InicioPagina& b)
{
    return a.posicao == b.posicao && a.metricas == b.metricas && a.estilo == b.estilo;
}

inline void PrintTo(const InicioPagina& p, std::ostream* os)
{
    const Metricas& m = p.metricas;
    *os << "byte " << p.posicao << " linha " << m.altura_linha << "/" << m.altura_linha_padrao << " coluna "
        << m.largura_caracter << "/" << m.largura_caracter_padrao << " folha " << m.largura_folha << "x"
        << m.altura_folha << " fonte \"" << p.estilo.fonte.toStdString() << "\" " << p.estilo.tamanho << " "
        << int(p.estilo.negrito) << int(p.estilo.italico) << " cor " << int(p.estilo.cor);
}

} // namespace papelada
