// The main window's document: start-up on the command line's report, "Abrir"
// and "Salvar".
#include "app/form1_comum.h"

#include "analysis/medicao.h"
#include "app/observador_fio.h"
#include "app/segundo_plano.h"
#include "print/gravacao.h"
#include "stream/copia.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <atomic>

namespace papelada {

namespace {

const QString filtro_abrir = QStringLiteral("Arquivos de Spool(*.spl);;Todos os arquivos(*)");
const QString filtro_salvar = QStringLiteral("Arquivos de Spool(*.spl);;Arquivos Texto(*.txt)");

} // namespace

bool Form1::Form_Load()
{
    // What start-up has to say comes with the window, once it shows.
    carregando_ = !isVisible();
    const bool r = carregar();
    carregando_ = false;
    if (isVisible())
        mostrar_adiados();
    return r;
}

bool Form1::carregar()
{
    aplicar_fonte_padrao(*impressora_, &fonte_dialogo_);

    doc_.imprimir_ao_ativar = false;
    doc_.indice_valido = false;
    mostrar_impressora();

    const bool localizado = arquivo_localizado(linha_comando_);
    if (!localizado) {
        // The stored margins are read (a missing one is stored) even when no
        // report opens; opening one reads them itself.
        ler_margens(doc_.margem_esquerda, doc_.margem_superior);
    }
    if (linha_comando_.isEmpty()) {
        sem_documento();
        centrar();
        return true;
    }
    if (!localizado) {
        dialogos_.mensagem(this, QStringLiteral("Arquivo ") + linha_comando_ + QStringLiteral(" não foi localizado."),
                           QStringLiteral("Papelada"), Dialogos::Icone::Critico);
        return false;
    }
    rotulo_arquivo->setText(linha_comando_);
    doc_.tamanho_arquivo = QFileInfo(linha_comando_).size();
    doc_.nome_arquivo = linha_comando_;
    doc_.interromper = 0;
    const bool medido = medir(true);
    if (terminando_)
        return false;
    if (medido)
        mostrar_margens();
    centrar();
    return true;
}

// The window is sized and centred once it shows what it holds.
void Form1::centrar()
{
    adjustSize();
    if (const QScreen* tela = screen()) {
        const QRect area = tela->availableGeometry();
        resize(std::min(width(), area.width()), height());
        move(area.x() + (area.width() - frameGeometry().width()) / 2,
             area.y() + (area.height() - frameGeometry().height()) / 2);
    }
}

void Form1::sem_documento()
{
    rotulo_arquivo->setText(QStringLiteral("Nenhum arquivo selecionado"));
    doc_.nome_arquivo.clear();
    doc_.tamanho_arquivo = 0;
    doc_.interromper = 0;
    // The stored margins stay in the fields: they are what the next report
    // prints with.
    mostrar_margens();
    habilitar_documento(false);
}

void Form1::habilitar_documento(bool sim)
{
    for (QPushButton* b : {botao_visualizar, botao_imprimir, botao_salvar})
        b->setEnabled(sim);
    for (QAction* a : {acao_salvar, acao_visualizar, acao_imprimir, acao_enviar_email})
        a->setEnabled(sim);
}

bool Form1::medir(bool abrir)
{
    // The worker has copies of the document (the window stops it through
    // its copy), the metrics and the font: an open preview reads the
    // window's meanwhile.
    Documento doc = doc_;
    doc.interromper = 0;
    Metricas metricas = metricas_;
    FonteEscolhida fonte = fonte_dialogo_;
    ObservadorEntreFios ponte(this, observador());
    bool medido = false;
    bloquear_comandos(true);
    const auto parar = connect(andamento_, &SegundoPlano::cancelamento, this,
                               [&doc] { std::atomic_ref<std::int16_t>(doc.interromper).store(1); });
    andamento_->executar(QStringLiteral("Lendo o relatório..."), [&] {
        // A copy of the printer measures: the fonts it loads belong to this
        // thread and end with it. The window's printer takes its state.
        GravacaoPaginas sem_paginas; // a printer that only measures draws none
        SuperficieImpressora copia(*impressora_, sem_paginas);
        if (abrir)
            abrir_relatorio(doc, metricas, copia, ponte, &fonte);
        else
            medir_relatorio(doc, metricas, copia, ponte, &fonte);
        if (andamento_->cancelado())
            return;
        if (copia.deviceName() != impressora_->deviceName())
            impressora_->selectPrinter(copia.deviceName());
        impressora_->tomar_estado(copia);
        medido = true;
    });
    disconnect(parar);
    bloquear_comandos(false);
    if (medido) {
        doc_.margem_esquerda = doc.margem_esquerda;
        doc_.margem_superior = doc.margem_superior;
        metricas_ = metricas;
        fonte_dialogo_ = fonte;
    } else {
        // Half read, the report is not offered: printer, metrics and font
        // stay as they were.
        if (abrir)
            ler_margens(doc_.margem_esquerda, doc_.margem_superior);
        sem_documento();
        mostrar_impressora();
        rotulo_aviso->setText(QStringLiteral("Leitura cancelada: nenhum relatório aberto."));
        rotulo_aviso->show();
    }
    if (fechar_apos_trabalho_ && !trabalhando_)
        terminar();
    return medido;
}

void Form1::Command8_Click()
{
    const QString pasta = doc_.nome_arquivo.isEmpty() ? QString() : QFileInfo(doc_.nome_arquivo).absolutePath();
    const QString escolhido = dialogos_.abrir_arquivo(this, pasta, filtro_abrir);
    dialogos_.processar_eventos();
    if (escolhido.isEmpty())
        return;

    // A preview still showing the previous report would read the new file
    // through the old page index.
    if (visualizacao_)
        visualizacao_->close();

    doc_.nome_arquivo = escolhido;
    doc_.imprimir_ao_ativar = false;
    doc_.indice_valido = false;
    for (QPushButton* b : {botao_impressora, botao_fontes})
        b->setEnabled(true);
    acao_fontes->setEnabled(true);
    acao_impressora->setEnabled(true);
    rotulo_arquivo->setText(escolhido);
    doc_.tamanho_arquivo = QFileInfo(escolhido).size();
    doc_.interromper = 0;
    habilitar_documento(true);
    rotulo_mensagem->hide();
    rotulo_aviso->hide();
    observacao_->esquecer_avisos();
    caixa_excluir->setChecked(false);
    if (medir())
        recarregar_margens();
}

void Form1::Command7_Click()
{
    if (doc_.nome_arquivo.isEmpty())
        return;
    const QFileInfo origem(doc_.nome_arquivo);
    const QString inicial = origem.exists() ? origem.absoluteFilePath() : origem.absolutePath();
    const QString destino = dialogos_.salvar_arquivo(this, inicial, filtro_salvar, QStringLiteral("spl"));
    if (destino.isEmpty() || ocupada())
        return;
    QString falha;
    bool gravado = false;
    const bool texto = destino.right(4).toUpper() == QLatin1String(".TXT");
    bloquear_para_copia(true, texto);
    if (texto) {
        gravado = salvar_copia(doc_.nome_arquivo, destino, observador(), &falha, &cancelar_copia_);
    } else {
        // Byte for byte on a worker: a large report takes a while.
        const QString original = doc_.nome_arquivo;
        andamento_->executar(QStringLiteral("Gravando ") + destino, [&] {
            gravado = copiar_arquivo(original, destino, &falha, &andamento_->cancelado(),
                                     [this](double f) { andamento_->progresso(f); });
        });
    }
    const bool cancelada = cancelar_copia_ || (!texto && andamento_->cancelado());
    bloquear_para_copia(false, texto);
    if (cancelada) {
        rotulo_aviso->setText(QStringLiteral("Gravação cancelada: nada foi gravado."));
        rotulo_aviso->show();
    } else if (!gravado) {
        if (falha.isEmpty())
            falha = QStringLiteral("Não foi possível gravar o arquivo %1.").arg(destino);
        avisar(falha, Dialogos::Icone::Critico);
    }
    if (fechar_apos_trabalho_)
        terminar();
}

void Form1::bloquear_para_copia(bool sim, bool texto)
{
    copiando_ = sim;
    cancelar_copia_ = false;
    observacao_->reiniciar_copia();
    for (QPushButton* b : {botao_imprimir, botao_abrir, botao_salvar, botao_sair})
        b->setEnabled(!sim);
    for (QAction* a : {acao_imprimir, acao_abrir, acao_salvar, acao_sair})
        a->setEnabled(!sim);
    botao_cancelar_copia->setVisible(sim && texto);
}

} // namespace papelada
