// Placeholder until the measurement lands.
#include "analysis/medicao.h"

namespace papelada {

QString nome_papel(int) { return QStringLiteral("Formulário não identificado"); }

Medicao medir_relatorio(const Documento&, Metricas& m, Superficie& p, Observador&, FonteEscolhida*,
                        const OpcoesMedicao&)
{
    m.altura_folha = static_cast<std::int32_t>(p.height());
    m.largura_folha = static_cast<std::int32_t>(p.width());
    m.altura_linha = m.altura_linha_padrao = static_cast<std::int16_t>(p.textHeight(QStringLiteral("A")));
    m.largura_caracter = m.largura_caracter_padrao = static_cast<std::int16_t>(p.textWidth(QStringLiteral("A")));
    return {};
}

} // namespace papelada
