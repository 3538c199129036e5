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

// The largest number of copies a job takes.
constexpr int maximo_copias = 999;

// A whole number from `minimo` to `maximo`, or nothing.
std::optional<int> inteiro_digitado(const QString& texto, int minimo, int maximo)
{
    bool ok = false;
    const int v = QLocale::c().toInt(texto.trimmed(), &ok);
    if (!ok || v < minimo || v > maximo)
        return std::nullopt;
    return v;
}

QString milimetros(double twips)
{
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(twips * 25.4 / 1440, 'f', 0);
}

} // namespace

void Form1::Command6_Click()
{
    if (doc_.nome_arquivo.isEmpty() || trabalhando_)
        return;
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

    // Only the page option may still change while the passes run.
    selecionar_paginas_ = opcao_selecionar->isChecked();
    pedido.so_intervalo = &selecionar_paginas_;
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
    if (resultado.fim == FimTrabalho::Falhou || resultado.fim == FimTrabalho::Recusado)
        avisar(resultado.erro, Dialogos::Icone::Critico);
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
    const auto margem = [this](QLineEdit* campo, const QString& nome, double limite_twips, double& valor) {
        const std::optional<double> mm = numero_digitado(campo->text());
        if (mm && *mm >= 0 && *mm * 1440 / 25.4 < limite_twips) {
            valor = *mm;
            return true;
        }
        recusar(campo, QStringLiteral("%1: digite um número de 0 a %2 mm (o tamanho do papel), com vírgula ou ponto.")
                           .arg(nome, milimetros(limite_twips)));
        return false;
    };
    if (!margem(texto_margem_esquerda, QStringLiteral("Margem Esquerda"), impressora_->width(),
                pedido.margens.esquerda)
        || !margem(texto_margem_superior, QStringLiteral("Margem Superior"), impressora_->height(),
                   pedido.margens.superior))
        return false;

    const std::optional<int> copias = inteiro_digitado(texto_copias->text(), 1, maximo_copias);
    if (!copias) {
        recusar(texto_copias, QStringLiteral("Cópias: digite um número inteiro de 1 a %1.").arg(maximo_copias));
        return false;
    }
    pedido.copias = *copias;

    if (!opcao_selecionar->isChecked())
        return true;
    // The pages as this job's pass will find them, with the top margin
    // typed; the preview keeps its own index.
    int total = 1;
    {
        Ampulheta ampulheta;
        Documento copia = doc_;
        IndicePaginas indice;
        examinar(copia, metricas_, *impressora_, papel_da_impressora(*impressora_, QString::number(pedido.margens.superior)),
                 indice, *this);
        quadro({}, false);
        total = std::max(indice.total_paginas, 1);
    }
    const std::optional<int> primeira = inteiro_digitado(texto_primeira_pagina->text(), 1, total);
    const std::optional<int> ultima = inteiro_digitado(texto_ultima_pagina->text(), 1, total);
    const QString intervalo = total == 1 ? QStringLiteral("O relatório tem 1 página.")
                                         : QStringLiteral("O relatório tem %1 páginas.").arg(total);
    if (!primeira || !ultima) {
        recusar(primeira ? texto_ultima_pagina : texto_primeira_pagina,
                QStringLiteral("Páginas: digite números inteiros de 1 a %1. %2").arg(total).arg(intervalo));
        return false;
    }
    if (*primeira > *ultima) {
        recusar(texto_primeira_pagina,
                QStringLiteral("Páginas: a primeira (%1) vem depois da última (%2).").arg(*primeira).arg(*ultima));
        return false;
    }
    pedido.paginas = {double(*primeira), double(*ultima)};
    return true;
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
