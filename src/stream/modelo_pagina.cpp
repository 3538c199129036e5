#include "stream/modelo_pagina.h"

#include "stream/comandos.h"
#include "stream/numeros.h"

#include <algorithm>

namespace papelada {

Papel papel_da_impressora(const Superficie& impressora, const QString& margem_superior_mm)
{
    Papel p;
    p.trator = impressora.paperBin() == bandeja_trator;
    p.margem_superior = -static_cast<double>(origem_margem(margem_superior_mm));
    return p;
}

bool ModeloPagina::fim_de_pagina()
{
    nova_pagina();
    return true;
}

bool ModeloPagina::ir_para(double y)
{
    if (descida_encerra(y, pe_da_pagina(papel_, m_, altura_papel_)))
        return fim_de_pagina();
    y_ = y;
    return false;
}

bool ModeloPagina::avanco_linha()
{
    if (avanco_encerra(y_, pe_da_pagina(papel_, m_, altura_papel_), m_))
        return fim_de_pagina();
    y_ += m_.altura_linha;
    return false;
}

bool ModeloPagina::descer_por(double altura)
{
    return ir_para(y_ + altura);
}

bool ModeloPagina::aplicar(const Item& item)
{
    switch (item.tipo) {
    case Item::Tipo::AvancoLinha:
        return avanco_linha();
    case Item::Tipo::AvancoPagina:
        return fim_de_pagina();
    case Item::Tipo::Caractere:
    case Item::Tipo::RetornoCarro:
        return false;
    case Item::Tipo::Comando:
        break;
    }
    if (!item.completo)
        return false;
    const auto n = static_cast<double>(item.numeros[0]);
    switch (item.byte) {
    case '7':
    case '8':
    case 'A': aplicar_metrica(item, m_); return false;
    case '9': return fim_de_pagina();
    case 'V': return ir_para(y_ + n * m_.altura_linha);
    case 'v': return ir_para(y_ + n);
    case 'Y': return ir_para(n >= 1 ? (n - 1) * m_.altura_linha : 0.0);
    case 'y': return ir_para(n);
    case 'B':
    case 'b':
    case 'L':
    case 'l': {
        // A line leaves the pen at its second point; one in a colour outside
        // the palette is not drawn and leaves the pen where it was.
        const Segmento s = converter_segmento(item.byte, item, m_.largura_caracter, m_.altura_linha);
        if (s.cor <= 15)
            y_ = s.y2;
        return false;
    }
    case 'Z': {
        const Barra b = completar_barra(item.barra);
        const TamanhoBarra t = tamanho_barra(b.padrao, static_cast<double>(b.altura), b.largura,
                                             b.texto.size());
        return descer_por(twips_por_pixel_300 * t.h);
    }
    default: return false;
    }
}

} // namespace papelada
