#include "print/trabalho.h"

#include "analysis/medicao.h"
#include "print/interpretador.h"
#include "stream/fonte_bytes.h"
#include "stream/numeros.h"

#include <QFile>

namespace papelada {

namespace {

const QString titulo_quadro = QStringLiteral("Evolução da Impressão");

} // namespace

ResultadoTrabalho Command1_Click(Documento& doc, Metricas& metricas, Superficie& impressora,
                                 PedidoImpressao& pedido, Observador& observador,
                                 FonteEscolhida* dialogo)
{
    // The file is looked at before anything is drawn: a report that has gone
    // since it was opened prints nothing at all.
    FonteBytes fonte;
    QString erro;
    if (!fonte.abrir(doc.nome_arquivo, &erro))
        return {FimTrabalho::Falhou, QStringLiteral("O relatório não foi impresso. %1").arg(erro)};
    fonte.fechar();

    double copias = valor_texto(pedido.copias);
    impressora.setScaleMode(ModoEscala::Twips);
    Passagem passagem(pedido.selecionar_paginas);
    Corrida corrida;
    for (;;) {
        observador.quadro(titulo_quadro, true);
        passagem.pagina = 1;
        passagem.primeira_pagina = valor_texto(pedido.primeira_pagina);
        passagem.ultima_pagina = valor_texto(pedido.ultima_pagina);
        impressora.setScaleLeft(static_cast<double>(origem_margem(pedido.margem_esquerda)));
        impressora.setScaleTop(static_cast<double>(origem_margem(pedido.margem_superior)));
        const bool primeira_selecionada = passagem.primeira_pagina <= 1 && 1 <= passagem.ultima_pagina;
        observador.acao(pedido.selecionar_paginas && !primeira_selecionada
                            ? QStringLiteral("Examinando a Página")
                            : QStringLiteral("Imprimindo a Página"));
        observador.imprimindo(true);

        // The top offset still uses the line height of the previous pass.
        impressora.setCurrentX(0);
        impressora.setCurrentY(topo_da_pagina(impressora, metricas.altura_linha));
        metricas.altura_folha = para_i32(impressora.height());
        metricas.largura_folha = para_i32(impressora.width());
        metricas.largura_caracter = metricas.largura_caracter_padrao;
        metricas.altura_linha = metricas.altura_linha_padrao;

        // Every pass reads the file from its first byte with a source of its own.
        const bool aberto = fonte.abrir(doc.nome_arquivo, &erro);
        if (aberto) {
            corrida.limpar();
            imprimir_passagem(fonte, doc, metricas, corrida, impressora, passagem, observador);
            fonte.fechar();
        }

        observador.progresso(0);
        observador.quadro(titulo_quadro, false);
        observador.imprimindo(false);
        if (!aberto) {
            // The file went away between two copies: the copies already drawn
            // are not handed over as if the job had been done.
            impressora.killDoc();
            return {FimTrabalho::Falhou, QStringLiteral("A impressão foi cancelada. %1").arg(erro)};
        }

        copias -= 1;
        // Once interrupted, every further pass would stop at its first byte.
        if (copias <= 0 || doc.interromper == 1)
            break;
        if (impressora.currentX() != 0 || impressora.currentY() != 0)
            impressora.newPage();
    }

    if (pedido.salvar_margens)
        gravar_margens(pedido.margem_esquerda, pedido.margem_superior, doc.margem_esquerda,
                       doc.margem_superior);

    if (doc.interromper == 1) {
        impressora.newPage();
        impressora.killDoc();
        doc.interromper = 0;
        // The stream may have left another font on the printer; the next
        // job must start from the report's own.
        medir_relatorio(doc, metricas, impressora, observador, dialogo);
        return {FimTrabalho::Cancelado, {}};
    }

    if (!impressora.endDoc()) {
        // The window stays: the report is measured again, as after any job
        // that does not end the program.
        const QString motivo = impressora.erro();
        medir_relatorio(doc, metricas, impressora, observador, dialogo);
        return {FimTrabalho::Falhou, motivo.isEmpty() ? QStringLiteral("A impressão falhou.") : motivo};
    }
    if (pedido.encerrar_apos) {
        // The file named when the program started, which need not be the one
        // just printed.
        if (pedido.excluir_arquivo && !pedido.linha_de_comando.isEmpty())
            QFile::remove(pedido.linha_de_comando);
        return {FimTrabalho::Encerrar, {}};
    }
    medir_relatorio(doc, metricas, impressora, observador, dialogo);
    return {FimTrabalho::Impresso, {}};
}

} // namespace papelada
