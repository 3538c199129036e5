// The main window's printing: the preview, the print job with its fields and
// progress, and what the core reports while it works.
#include "app/form1_comum.h"

#include "app/janela_visualizacao.h"
#include "app/segundo_plano.h"
#include "app/widgets.h"
#include "print/trabalho.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <optional>

namespace papelada {

namespace {

const QString filtro_pdf = QStringLiteral("Arquivos PDF(*.pdf)");

} // namespace

void Form1::Command6_Click()
{
    if (doc_.nome_arquivo.isEmpty() || ocupada())
        return;
    // The preview draws with the margins a print would take, or none.
    PedidoImpressao pedido;
    TextosPedido margens;
    margens.margem_esquerda = texto_margem_esquerda->text();
    margens.margem_superior = texto_margem_superior->text();
    if (const std::optional<Recusa> recusa =
            validar_pedido(margens, limites_da_impressora(doc_, metricas_, *impressora_, observador()), pedido)) {
        recusar(recusa->campo == Campo::MargemEsquerda ? texto_margem_esquerda : texto_margem_superior,
                texto_recusa(*recusa));
        return;
    }
    rotulo_aviso->hide();
    ContextoVisualizacao contexto;
    contexto.doc = &doc_;
    contexto.metricas = &metricas_;
    contexto.indice = &indice_;
    contexto.impressora = impressora_.get();
    contexto.observador = &observador();
    contexto.margem_esquerda = texto_margem_esquerda->text();
    contexto.margem_superior = texto_margem_superior->text();
    contexto.dialogos = &dialogos_;
    contexto.enviar_por_email = [this] { enviar_por_email_Click(); };
    QPointer<Form1> eu(this);
    // The page index may be built on the preview's worker meanwhile.
    bloquear_comandos(true);
    QWidget* janela = papelada::Command6_Click(contexto, this, [eu] {
        if (eu)
            QTimer::singleShot(0, eu, &Form1::Form_Activate);
    });
    bloquear_comandos(false);
    if (janela)
        visualizacao_ = janela;
}

void Form1::Command1_Click()
{
    if (ocupada() || doc_.nome_arquivo.isEmpty())
        return;
    PedidoImpressao pedido;
    // Nothing is asked or printed before every field is right.
    if (!validar(pedido))
        return;
    if (impressora_->deviceName() == impressora_pdf) {
        // The report's name in the folder of the last PDF (or the report's).
        const QFileInfo origem(doc_.nome_arquivo);
        const QString anterior = impressora_->arquivoSaida();
        const QString pasta = anterior.isEmpty() ? origem.absolutePath() : QFileInfo(anterior).absolutePath();
        const QString sugestao = pasta + QLatin1Char('/') + origem.completeBaseName() + QStringLiteral(".pdf");
        const QString destino = dialogos_.salvar_arquivo(this, sugestao, filtro_pdf, QStringLiteral("pdf"));
        if (destino.isEmpty())
            return;
        pedido.arquivo_saida = destino;
    }

    // The pages are those validar() read: a change made while the job runs
    // serves the next one.
    const bool encerrar_apos = caixa_encerrar->isChecked();
    const bool excluir_arquivo = caixa_excluir->isChecked();

    trabalhando_ = true;
    const ResultadoTrabalho resultado = imprimir_relatorio({doc_, metricas_, *impressora_}, pedido, observador());
    if (resultado.fim != FimTrabalho::Falhou) {
        // Every pass ran: the margins typed are the ones to start with next time.
        guardar_margens();
    }
    const bool encerrar = resultado.fim == FimTrabalho::Impresso && encerrar_apos;
    if (resultado.fim != FimTrabalho::Falhou && !encerrar) {
        // The window stays: the stream may have left another font on the
        // printer, and the next job must start from the report's own.
        medir();
    }
    trabalhando_ = false;
    // Whatever way the job ended, the window is usable again.
    observacao_->imprimindo(false);
    observacao_->quadro({}, false);

    if (encerrar) {
        if (excluir_arquivo)
            excluir_arquivo_mostrado();
        terminar();
        return;
    }
    if (resultado.fim == FimTrabalho::Falhou)
        avisar(QStringLiteral("O relatório não foi impresso. %1").arg(resultado.erro), Dialogos::Icone::Critico);
    else if (resultado.fim == FimTrabalho::Recusado)
        avisar(resultado.erro, Dialogos::Icone::Critico);
    else if (resultado.tipo == TipoFalha::Imagem) {
        // A note, not a box: the report was printed, only without these.
        rotulo_aviso->setText(QStringLiteral("Impresso sem imagens: %1").arg(resultado.imagens_perdidas.join(u' ')));
        rotulo_aviso->show();
    }
    else if (resultado.fim == FimTrabalho::Cancelado) {
        rotulo_aviso->setText(QStringLiteral("Impressão interrompida: nada foi impresso."));
        rotulo_aviso->show();
    } else if (resultado.paginas == 0) {
        avisar(QStringLiteral("Nada foi impresso: o trabalho não teve nenhuma página."));
    }
    if (fechar_apos_trabalho_)
        terminar();
}

bool Form1::validar(PedidoImpressao& pedido)
{
    rotulo_aviso->hide();
    if (doc_.tamanho_arquivo <= 1) {
        recusar(nullptr, QStringLiteral("O relatório está vazio: não há nada a imprimir."));
        return false;
    }
    TextosPedido textos{texto_margem_esquerda->text(), texto_margem_superior->text(), texto_copias->text(),
                        opcao_selecionar->isChecked(), texto_primeira_pagina->text(), texto_ultima_pagina->text()};
    // The pages as this job's pass will find them, with the top margin
    // typed; the preview keeps its own index.
    LimitesPedido limites = limites_da_impressora(doc_, metricas_, *impressora_, observador());
    const auto contar = limites.total_paginas;
    limites.total_paginas = [&contar](const MargensMm& margem) {
        Ampulheta ampulheta;
        return contar(margem);
    };
    const std::optional<Recusa> recusa = validar_pedido(textos, limites, pedido);
    if (!recusa)
        return true;
    QLineEdit* const campos[] = {texto_margem_esquerda, texto_margem_superior, texto_copias, texto_primeira_pagina,
                                 texto_ultima_pagina};
    recusar(campos[static_cast<int>(recusa->campo)], texto_recusa(*recusa));
    return false;
}

void Form1::recusar(QLineEdit* campo, const QString& texto)
{
    rotulo_aviso->setText(texto);
    rotulo_aviso->show();
    if (campo) {
        campo->setFocus();
        campo->selectAll();
    }
}

void Form1::Command5_Click()
{
    if (dialogos_.perguntar(this, QStringLiteral("Interromper a Impressão?"), titulo_aplicacao))
        doc_.interromper = 1;
}

void Form1::Option_Click()
{
    const bool selecionar = opcao_selecionar->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{texto_primeira_pagina, texto_ultima_pagina, rotulo_de, rotulo_ate})
        w->setVisible(selecionar);
    selecionar_paginas_ = selecionar;
}

void Form1::guardar_altura()
{
    if (altura_antes_ == 0)
        altura_antes_ = height();
}

void Form1::restaurar_altura()
{
    if (altura_antes_ == 0 || quadro_progresso->isVisible() || rotulo_gravando->isVisible() || andamento_->isVisible())
        return;
    const int altura = altura_antes_;
    altura_antes_ = 0;
    if (isMaximized() || isFullScreen())
        return;
    // The layouts first lower the window's minimum height.
    centralWidget()->layout()->activate();
    layout()->activate();
    resize(width(), std::max(altura, minimumSizeHint().height()));
}

} // namespace papelada
