// Placeholder until the print job lands.
#include "print/trabalho.h"

namespace papelada {

ResultadoTrabalho Command1_Click(Documento&, Metricas&, Superficie&, PedidoImpressao&, Observador&,
                                 FonteEscolhida*)
{
    return {FimTrabalho::Falhou, QStringLiteral("A impressão ainda não está disponível.")};
}

} // namespace papelada
