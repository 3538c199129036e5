// The main window: the open report, printer and font, the print job with its
// progress, open and save, leaving the program and the About box.
#pragma once

#include "app/dialogos.h"
#include "print/superficie_impressora.h"
#include "settings/configuracoes.h"
#include "stream/estado.h"
#include "stream/observador.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <memory>

class QAction;
class QBoxLayout;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace papelada {

class Form2;
class FrmAbout;
class SegundoPlano;
struct PedidoImpressao;

// The program's command line: its arguments joined with single spaces, as
// the calling application wrote the path.
QString linha_de_comando(const QStringList& argumentos);
// True when the path names exactly one existing regular file. Wildcard
// characters are taken literally.
bool arquivo_localizado(const QString& caminho);

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    // `impressora`: the printer to start on ("" for the system's default).
    Form1(Dialogos& dialogos, const QString& linha_comando, const QString& impressora = {},
          QWidget* pai = nullptr);
    ~Form1() override;

    // Start-up. False when the command line names no file: the user has been
    // told and the program is to end.
    bool Form_Load();
    // Runs the print job that the preview asked for, once per request.
    void Form_Activate();
    // The warnings of the settings store and the other modules are shown
    // in this window too, not only on the terminal.
    void mostrar_avisos_do_sistema();

    void Command1_Click(); // Imprimir
    void Command2_Click(); // Sair
    void Command3_Click(); // Impressora
    void Command4_Click(); // Fontes
    void Command5_Click(); // Interromper
    void Command6_Click(); // Visualizar
    void Command7_Click(); // Salvar
    void Command8_Click(); // Abrir
    void DefaultFont_Click();
    void enviar_por_email_Click(); // in envio_email_janela.cpp
    void ajuda_sobre_Click();

    Documento& documento() { return doc_; }
    Metricas& metricas() { return metricas_; }
    SuperficieImpressora& impressora() { return *impressora_; }
    FonteEscolhida& fonte_dialogo() { return fonte_dialogo_; }
    bool trabalhando() const { return trabalhando_; }
    bool copiando() const { return copiando_; }
    // What the core tells this window while it works.
    Observador& observador();

    // Measuring, copying or a job running: the commands wait.
    bool ocupada() const;
    // The program is ending (the user closed the window).
    bool encerrando() const { return terminando_; }

Q_SIGNALS:
    // The program is to end.
    void encerrar();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    class Observacao;

    bool carregar();
    void mostrar_adiados();
    void centrar();
    // The window's controls, a group at a time, then their places.
    void montar();
    void montar_arquivo(QWidget* central);
    void montar_impressora(QWidget* central);
    void montar_selecao(QWidget* central);
    QBoxLayout* montar_margens(QWidget* central);
    void montar_progresso(QWidget* central);
    void montar_comandos(QWidget* central);
    void dispor(QWidget* central, QBoxLayout* margens);
    void montar_menus();
    void sem_documento();
    void habilitar_documento(bool sim);
    void mostrar_margens();
    void mostrar_impressora();
    // Opening (`abrir`: with the stored margins) or measuring again the
    // report, on a worker: the window repaints meanwhile and "Cancelar"
    // leaves it without a report. False when cancelled.
    bool medir(bool abrir = false);
    // Every command but "Interromper" waits while a pass or a measurement
    // runs; they come back as they were.
    void bloquear_comandos(bool sim);
    // The report chose the printer or font: their command stays disabled.
    void desabilitar(QWidget* botao, QAction* acao);
    void aplicar_fonte(const FonteEscolhida& f);
    // The font dialog starts on the printer's font.
    void fonte_da_impressora();
    // Reads the fields of the job into `pedido`. False, with the message next
    // to the fields and the faulty field focused, when one is not valid.
    bool validar(PedidoImpressao& pedido);
    void recusar(QLineEdit* campo, const QString& texto);
    // The stored margins, for the fields the user has not changed.
    void recarregar_margens();
    // Stores the margins the user changed (and found valid); the others keep
    // their stored values.
    void guardar_margens();
    // `texto`: the text copy, which has its own "Cancelar" next to its line.
    void bloquear_para_copia(bool sim, bool texto);
    // After the progress frame, the copy line or the row of long work is
    // hidden the window takes its former height again.
    void guardar_altura();
    void restaurar_altura();
    void excluir_arquivo_mostrado();
    // A message box titled with the program's name.
    void avisar(const QString& texto, Dialogos::Icone icone = Dialogos::Icone::Exclamacao);
    void terminar();
    void Option_Click();

    Dialogos& dialogos_;
    QString linha_comando_;
    std::unique_ptr<SuperficieImpressora> impressora_;
    Documento doc_;
    Metricas metricas_;
    IndicePaginas indice_;
    FonteEscolhida fonte_dialogo_;
    // "Selecionar páginas" as the running job reads it.
    bool selecionar_paginas_ = false;
    bool trabalhando_ = false;
    bool fechar_apos_trabalho_ = false;
    bool terminando_ = false;
    // Enabled states kept while the commands wait.
    bool bloqueada_ = false;
    QList<QPair<QWidget*, bool>> estado_botoes_;
    QList<QPair<QAction*, bool>> estado_menus_;
    // The text copy: running, asked to stop.
    bool copiando_ = false, cancelar_copia_ = false;
    // Margin fields typed in by the user since they were last filled.
    bool editada_esquerda_ = false, editada_superior_ = false;
    // Messages given before the window first showed: they come with it.
    QStringList avisos_adiados_;
    bool carregando_ = false;
    int altura_antes_ = 0;

    QLabel *rotulo_titulo_arquivo, *rotulo_arquivo, *rotulo_mensagem;
    QLabel *rotulo_impressora, *rotulo_papel;
    QLabel *rotulo_de, *rotulo_ate, *rotulo_copias;
    QLabel *rotulo_margem_esquerda, *rotulo_mm_esquerda, *rotulo_margem_superior, *rotulo_mm_superior;
    QLabel *rotulo_acao, *rotulo_pagina, *rotulo_gravando, *rotulo_aviso;
    QLineEdit *texto_primeira_pagina, *texto_ultima_pagina, *texto_copias;
    QLineEdit *texto_margem_esquerda, *texto_margem_superior;
    QCheckBox *caixa_excluir, *caixa_encerrar;
    QRadioButton *opcao_todas, *opcao_selecionar;
    QGroupBox *quadro_selecao, *quadro_progresso, *quadro_impressora;
    QProgressBar* barra_progresso;
    QPushButton *botao_imprimir, *botao_sair, *botao_impressora, *botao_fontes, *botao_interromper;
    QPushButton *botao_visualizar, *botao_salvar, *botao_abrir, *botao_cancelar_copia;
    SegundoPlano* andamento_; // the byte-for-byte copy
    QAction *acao_abrir, *acao_salvar, *acao_sair;
    QAction *acao_impressora, *acao_fontes, *acao_fonte_padrao, *acao_visualizar, *acao_imprimir;
    QAction* acao_sobre;
    QAction* acao_enviar_email;

    std::unique_ptr<Observacao> observacao_;
    QPointer<Form2> form2_;
    QPointer<FrmAbout> about_;
    QPointer<QWidget> visualizacao_;
};

} // namespace papelada
