// What the core tells the main window while it works.
#include "app/form1_comum.h"

#include "app/janelas_auxiliares.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace papelada {

Observador& Form1::observador()
{
    return *observacao_;
}

void Form1::Observacao::quadro(const QString& titulo, bool visivel)
{
    if (!titulo.isEmpty())
        j_.quadro_progresso->setTitle(titulo);
    if (!visivel)
        j_.barra_progresso->setValue(0);
    if (visivel != j_.quadro_progresso->isVisible()) {
        if (visivel)
            j_.guardar_altura();
        j_.quadro_progresso->setVisible(visivel);
        if (!visivel)
            j_.restaurar_altura();
    }
}

void Form1::Observacao::acao(const QString& texto)
{
    j_.rotulo_acao->setText(texto);
    j_.rotulo_acao->show();
}

void Form1::Observacao::pagina(const QString& texto)
{
    j_.rotulo_pagina->setText(texto);
}

void Form1::Observacao::progresso(double fracao)
{
    j_.barra_progresso->setValue(static_cast<int>(std::clamp(fracao, 0.0, 1.0) * largura_barra));
}

void Form1::Observacao::processar_eventos()
{
    if (j_.copiando_) {
        // The copy reports every line: the window shows one every 100 ms.
        if (relogio_copia_.isValid() && relogio_copia_.elapsed() < 100)
            return;
        relogio_copia_.start();
        j_.rotulo_gravando->setText(linha_copia_);
    }
    j_.dialogos_.processar_eventos();
}

void Form1::Observacao::mensagem(const QString& texto)
{
    j_.rotulo_mensagem->setText(texto);
    j_.rotulo_mensagem->show();
}

void Form1::Observacao::aviso(const QString& texto)
{
    // Measuring again after each job repeats the report's warnings: the user
    // sees each once per file.
    if (avisos_dados_.contains(texto))
        return;
    avisos_dados_.insert(texto);
    j_.avisar(texto);
}

void Form1::Observacao::erro(const QString& texto)
{
    // A picture left out of a print is told when the job ends, without a
    // box that would hold up an unattended job.
    if (!j_.trabalhando_)
        j_.avisar(texto);
}

void Form1::Observacao::imagem_mostrar(const QImage& imagem)
{
    if (!j_.form2_)
        j_.form2_ = new Form2(&j_);
    j_.form2_->mostrar(imagem);
}

void Form1::Observacao::imagem_fechar()
{
    if (j_.form2_) {
        j_.form2_->close();
        j_.form2_->deleteLater();
        j_.form2_.clear();
    }
}

void Form1::Observacao::impressora_escolhida(const QString& nome, const QString& papel)
{
    j_.rotulo_impressora->setText(nome);
    j_.rotulo_papel->setText(papel);
    j_.desabilitar(j_.botao_impressora, j_.acao_impressora);
}

void Form1::Observacao::fonte_escolhida()
{
    j_.desabilitar(j_.botao_fontes, j_.acao_fontes);
}

void Form1::Observacao::gravando(const QString& texto)
{
    linha_copia_ = texto;
    QLabel* linha = j_.rotulo_gravando;
    if (texto.isEmpty() || !j_.copiando_ || !relogio_copia_.isValid())
        linha->setText(texto);
    if (texto.isEmpty() == linha->isHidden())
        return;
    if (!texto.isEmpty())
        j_.guardar_altura();
    linha->setVisible(!texto.isEmpty());
    if (texto.isEmpty())
        j_.restaurar_altura();
}

void Form1::Observacao::imprimindo(bool ativo)
{
    j_.bloquear_comandos(ativo);
    j_.botao_interromper->setEnabled(ativo);
    j_.botao_interromper->setVisible(ativo);
}

void Form1::bloquear_comandos(bool sim)
{
    if (sim == bloqueada_)
        return; // already in that state
    bloqueada_ = sim;
    if (sim) {
        for (QWidget* b : std::initializer_list<QWidget*>{botao_imprimir, botao_sair, botao_impressora, botao_fontes,
                                                          botao_visualizar, botao_salvar, botao_abrir}) {
            estado_botoes_.append({b, b->isEnabled()});
            b->setEnabled(false);
        }
        // The menus run the same commands: they wait as well.
        for (QAction* a : {acao_abrir, acao_salvar, acao_sair, acao_impressora, acao_fontes, acao_fonte_padrao,
                           acao_visualizar, acao_imprimir, acao_enviar_email}) {
            estado_menus_.append({a, a->isEnabled()});
            a->setEnabled(false);
        }
        return;
    }
    for (const auto& [b, habilitado] : std::as_const(estado_botoes_))
        b->setEnabled(habilitado);
    for (const auto& [a, habilitada] : std::as_const(estado_menus_))
        a->setEnabled(habilitada);
    estado_botoes_.clear();
    estado_menus_.clear();
}

void Form1::desabilitar(QWidget* botao, QAction* acao)
{
    botao->setEnabled(false);
    acao->setEnabled(false);
    // Waiting commands come back disabled.
    for (auto& [b, habilitado] : estado_botoes_)
        habilitado = habilitado && b != botao;
    for (auto& [a, habilitada] : estado_menus_)
        habilitada = habilitada && a != acao;
}

} // namespace papelada
