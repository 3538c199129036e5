// The main window's printing: the preview, the print job with its fields and
// progress, and what the core reports while it works.
#include "app/form1.h"
#include "app/form1_comum.h"

#include "analysis/indice.h"
#include "analysis/medicao.h"
#include "app/aplicacao.h"
#include "app/widgets.h"
#include "app/janela_visualizacao.h"
#include "app/janelas_auxiliares.h"
#include "app/segundo_plano.h"
#include "print/pedido.h"
#include "print/trabalho.h"
#include "stream/copia.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

namespace papelada {

namespace {

const QString filtro_pdf = QStringLiteral("Arquivos PDF(*.pdf)");

} // namespace

void Form1::Command6_Click()
{
    if (doc_.nome_arquivo.isEmpty() || trabalhando_)
        return;
    // The preview draws with the margins a print would take, or none.
    PedidoImpressao pedido;
    TextosPedido margens;
    margens.margem_esquerda = texto_margem_esquerda->text();
    margens.margem_superior = texto_margem_superior->text();
    if (const std::optional<Recusa> recusa =
            validar_pedido(margens, limites_da_impressora(doc_, metricas_, *impressora_, *this), pedido)) {
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
    contexto.observador = this;
    contexto.margem_esquerda = texto_margem_esquerda->text();
    contexto.margem_superior = texto_margem_superior->text();
    contexto.dialogos = &dialogos_;
    contexto.enviar_por_email = [this] { enviar_por_email_Click(); };
    QPointer<Form1> eu(this);
    QWidget* janela = papelada::Command6_Click(contexto, this, [eu] {
        if (eu)
            QTimer::singleShot(0, eu, &Form1::Form_Activate);
    });
    if (janela)
        visualizacao_ = janela;
}

void Form1::Command1_Click()
{
    if (trabalhando_ || copiando_ || doc_.nome_arquivo.isEmpty())
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
    const ResultadoTrabalho resultado = imprimir_relatorio({doc_, metricas_, *impressora_}, pedido, *this);
    if (resultado.fim != FimTrabalho::Falhou) {
        // Every pass ran: the margins typed are the ones to start with next time.
        guardar_margens();
    }
    const bool encerrar = resultado.fim == FimTrabalho::Impresso && encerrar_apos;
    if (resultado.fim != FimTrabalho::Falhou && !encerrar) {
        // The window stays: the stream may have left another font on the
        // printer, and the next job must start from the report's own.
        medir_relatorio(doc_, metricas_, *impressora_, *this, &fonte_dialogo_);
    }
    trabalhando_ = false;
    // Whatever way the job ended, the window is usable again.
    imprimindo(false);
    quadro({}, false);

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
    LimitesPedido limites = limites_da_impressora(doc_, metricas_, *impressora_, *this);
    const auto contar = limites.total_paginas;
    limites.total_paginas = [&contar](double margem) {
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

void Form1::quadro(const QString& titulo, bool visivel)
{
    if (!titulo.isEmpty())
        quadro_progresso->setTitle(titulo);
    if (!visivel)
        barra_progresso->setValue(0);
    if (visivel != quadro_progresso->isVisible()) {
        if (visivel)
            guardar_altura();
        quadro_progresso->setVisible(visivel);
        if (!visivel)
            restaurar_altura();
    }
}

void Form1::guardar_altura()
{
    if (altura_antes_ == 0)
        altura_antes_ = height();
}

void Form1::restaurar_altura()
{
    if (altura_antes_ == 0 || quadro_progresso->isVisible() || rotulo_gravando->isVisible())
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

void Form1::acao(const QString& texto)
{
    rotulo_acao->setText(texto);
    rotulo_acao->show();
}

void Form1::pagina(const QString& texto)
{
    rotulo_pagina->setText(texto);
}

void Form1::progresso(double fracao)
{
    barra_progresso->setValue(static_cast<int>(std::clamp(fracao, 0.0, 1.0) * largura_barra));
}

void Form1::processar_eventos()
{
    if (copiando_) {
        // The copy reports every line: the window shows one every 100 ms.
        if (relogio_copia_.isValid() && relogio_copia_.elapsed() < 100)
            return;
        relogio_copia_.start();
        rotulo_gravando->setText(linha_copia_);
    }
    dialogos_.processar_eventos();
}

void Form1::mensagem(const QString& texto)
{
    rotulo_mensagem->setText(texto);
    rotulo_mensagem->show();
}

void Form1::aviso(const QString& texto)
{
    // Measuring again after each job repeats the report's warnings: the user
    // sees each once per file.
    if (avisos_dados_.contains(texto))
        return;
    avisos_dados_.insert(texto);
    avisar(texto);
}

void Form1::erro(const QString& texto)
{
    // A picture left out of a print is told when the job ends, without a
    // box that would hold up an unattended job.
    if (trabalhando_)
        return;
    avisar(texto);
}

void Form1::imagem_mostrar(const QImage& imagem)
{
    if (!form2_)
        form2_ = new Form2(this);
    form2_->mostrar(imagem);
}

void Form1::imagem_fechar()
{
    if (form2_) {
        form2_->close();
        form2_->deleteLater();
        form2_.clear();
    }
}

void Form1::impressora_escolhida(const QString& nome, const QString& papel)
{
    rotulo_impressora->setText(nome);
    rotulo_papel->setText(papel);
    botao_impressora->setEnabled(false);
    acao_impressora->setEnabled(false);
}

void Form1::fonte_escolhida()
{
    botao_fontes->setEnabled(false);
    acao_fontes->setEnabled(false);
}

void Form1::imprimindo(bool ativo)
{
    if (ativo == em_passagem_)
        return; // already in that state
    em_passagem_ = ativo;
    if (ativo) {
        estado_impressora_ = botao_impressora->isEnabled();
        estado_fontes_ = botao_fontes->isEnabled();
        for (QPushButton* b : {botao_imprimir, botao_sair, botao_impressora, botao_fontes, botao_visualizar,
                               botao_salvar, botao_abrir})
            b->setEnabled(false);
        // The menus run the same commands: they wait as well.
        for (QAction* a : {acao_abrir, acao_salvar, acao_sair, acao_impressora, acao_fontes,
                           acao_fonte_padrao, acao_visualizar, acao_imprimir}) {
            estado_menus_.append({a, a->isEnabled()});
            a->setEnabled(false);
        }
        botao_interromper->setEnabled(true);
        botao_interromper->show();
    } else {
        for (QPushButton* b : {botao_imprimir, botao_sair, botao_visualizar, botao_salvar, botao_abrir})
            b->setEnabled(true);
        botao_impressora->setEnabled(estado_impressora_);
        botao_fontes->setEnabled(estado_fontes_);
        for (const auto& [a, habilitada] : std::as_const(estado_menus_))
            a->setEnabled(habilitada);
        estado_menus_.clear();
        botao_interromper->setEnabled(false);
        botao_interromper->hide();
    }
}

} // namespace papelada
