// The main window: its controls and menus, its events, and leaving the program.
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
#include "stream/nome_arquivo.h"

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
#include <sys/stat.h>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

namespace papelada {

namespace {

// Controls of the main window, named as the rest of the program finds them.
QLabel* novo_rotulo(QWidget* pai, const char* nome, const QString& texto = {})
{
    return nomear(new QLabel(texto, pai), nome);
}

QLineEdit* nova_caixa(QWidget* pai, const char* nome, const QString& texto, int largura)
{
    auto* t = nomear(new QLineEdit(texto, pai), nome);
    t->setFixedWidth(largura);
    return t;
}

QPushButton* novo_botao(QWidget* pai, const char* nome, const QString& texto, const QString& dica)
{
    auto* b = nomear(new QPushButton(texto, pai), nome);
    b->setToolTip(dica);
    return b;
}

} // namespace

QString linha_de_comando(const QStringList& argumentos)
{
    return argumentos.mid(1).join(QLatin1Char(' '));
}

bool arquivo_localizado(const QString& caminho)
{
    struct stat st {};
    return !caminho.isEmpty() && ::stat(bytes_do_nome(caminho).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

Form1::Form1(Dialogos& dialogos, const QString& linha_comando, const QString& impressora, QWidget* pai)
    : QMainWindow(pai), dialogos_(dialogos), linha_comando_(linha_comando),
      impressora_(std::make_unique<SuperficieImpressora>(impressora)), observacao_(std::make_unique<Observacao>(*this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Papelada  Impressão de Relatórios"));
    setWindowIcon(icone_programa());
    montar();
    montar_menus();
}

Form1::~Form1() = default;

void Form1::montar()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    montar_arquivo(central);
    montar_impressora(central);
    montar_selecao(central);
    QBoxLayout* margens = montar_margens(central);
    montar_progresso(central);
    montar_comandos(central);
    dispor(central, margens);
}

void Form1::montar_arquivo(QWidget* central)
{
    // The file.
    rotulo_titulo_arquivo = novo_rotulo(central, "Label4", QStringLiteral("Arquivo"));
    QFont negrito = rotulo_titulo_arquivo->font();
    negrito.setBold(true);
    rotulo_titulo_arquivo->setFont(negrito);
    rotulo_arquivo = novo_rotulo(central, "Label5", QStringLiteral("Nenhum arquivo selecionado"));
    rotulo_arquivo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    rotulo_arquivo->setMinimumWidth(260);
    rotulo_arquivo->setWordWrap(true);
    // A long path wraps instead of widening the window.
    rotulo_arquivo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    rotulo_mensagem = novo_rotulo(central, "Label3");
    rotulo_mensagem->setWordWrap(true);
    rotulo_mensagem->setStyleSheet(QStringLiteral("color: #1a4f8b;"));
    rotulo_mensagem->hide();
    caixa_excluir = nomear(new QCheckBox(QStringLiteral("Excluir arquivo ao encerrar"), central), "Check1");
}

void Form1::montar_impressora(QWidget* central)
{
    // Printer.
    quadro_impressora = nomear(new QGroupBox(QStringLiteral("Impressora"), central), "Frame3");
    rotulo_impressora = nomear(new QLabel(quadro_impressora), "Label8");
    rotulo_papel = nomear(new QLabel(quadro_impressora), "Label9");
    rotulo_impressora->setWordWrap(true);
    rotulo_papel->setWordWrap(true);
    auto* l3 = new QVBoxLayout(quadro_impressora);
    l3->addWidget(rotulo_impressora);
    l3->addWidget(rotulo_papel);
    l3->addStretch();
}

void Form1::montar_selecao(QWidget* central)
{
    // Pages and copies.
    quadro_selecao = nomear(new QGroupBox(QStringLiteral("Seleção"), central), "Frame1");
    opcao_todas = nomear(new QRadioButton(QStringLiteral("Imprimir todas as Páginas"), quadro_selecao), "Option1");
    opcao_todas->setToolTip(QStringLiteral("Seleciona impressão de todas as páginas"));
    opcao_todas->setChecked(true);
    opcao_selecionar = nomear(new QRadioButton(QStringLiteral("Selecionar páginas"), quadro_selecao), "Option2");
    opcao_selecionar->setToolTip(QStringLiteral("Clique aqui para selecionar páginas"));
    rotulo_de = nomear(new QLabel(QStringLiteral("de"), quadro_selecao), "Label10");
    texto_primeira_pagina = nomear(new QLineEdit(QStringLiteral("1"), quadro_selecao), "Text1");
    texto_primeira_pagina->setToolTip(QStringLiteral("Número da primeira página a imprimir"));
    rotulo_ate = nomear(new QLabel(QStringLiteral("até"), quadro_selecao), "Label6");
    texto_ultima_pagina = nomear(new QLineEdit(QStringLiteral("1"), quadro_selecao), "Text2");
    texto_ultima_pagina->setToolTip(QStringLiteral("Número da última página a imprimir"));
    rotulo_copias = nomear(new QLabel(QStringLiteral("Cópias"), quadro_selecao), "Label7");
    texto_copias = nomear(new QLineEdit(QStringLiteral("1"), quadro_selecao), "Text3");
    texto_copias->setToolTip(QStringLiteral("Número de Cópias a Imprimir"));
    for (QLineEdit* t : {texto_primeira_pagina, texto_ultima_pagina, texto_copias})
        t->setFixedWidth(56);
    // The frame keeps its size whichever option is chosen.
    for (QWidget* w : std::initializer_list<QWidget*>{texto_primeira_pagina, texto_ultima_pagina, rotulo_de, rotulo_ate}) {
        QSizePolicy p = w->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        w->setSizePolicy(p);
    }
    auto* l1 = new QGridLayout(quadro_selecao);
    l1->addWidget(opcao_todas, 0, 0, 1, 5);
    l1->addWidget(opcao_selecionar, 1, 0, 1, 5);
    l1->addWidget(rotulo_de, 2, 0);
    l1->addWidget(texto_primeira_pagina, 2, 1);
    l1->addWidget(rotulo_ate, 2, 2);
    l1->addWidget(texto_ultima_pagina, 2, 3);
    l1->addWidget(rotulo_copias, 3, 0);
    l1->addWidget(texto_copias, 3, 1);
    l1->setColumnStretch(4, 1);
    connect(opcao_todas, &QRadioButton::toggled, this, &Form1::Option_Click);
    Option_Click();
}

QBoxLayout* Form1::montar_margens(QWidget* central)
{
    // Margins.
    rotulo_margem_esquerda = novo_rotulo(central, "Label13", QStringLiteral("Margem Esquerda"));
    texto_margem_esquerda = nova_caixa(central, "Text5", QStringLiteral("0"), 56);
    rotulo_mm_esquerda = novo_rotulo(central, "Label14", QStringLiteral("mm"));
    rotulo_margem_superior = novo_rotulo(central, "Label12", QStringLiteral("Margem Superior"));
    texto_margem_superior = nova_caixa(central, "Text4", QStringLiteral("0"), 56);
    rotulo_mm_superior = novo_rotulo(central, "Label15", QStringLiteral("mm"));
    auto* margens = new QHBoxLayout;
    adicionar(margens, {rotulo_margem_esquerda, texto_margem_esquerda, rotulo_mm_esquerda});
    margens->addSpacing(16);
    adicionar(margens, {rotulo_margem_superior, texto_margem_superior, rotulo_mm_superior});
    margens->addStretch();
    connect(texto_margem_esquerda, &QLineEdit::textEdited, this, [this] { editada_esquerda_ = true; });
    connect(texto_margem_superior, &QLineEdit::textEdited, this, [this] { editada_superior_ = true; });

    return margens;
}

void Form1::montar_progresso(QWidget* central)
{
    // Why a job was not started, next to the fields.
    rotulo_aviso = novo_rotulo(central, "rotulo_aviso");
    rotulo_aviso->setWordWrap(true);
    rotulo_aviso->setStyleSheet(QStringLiteral("color: #b00020;"));
    rotulo_aviso->hide();

    caixa_encerrar = nomear(new QCheckBox(QStringLiteral("Encerrar após a Impressão"), central), "Check2");

    // Progress.
    quadro_progresso = nomear(new QGroupBox(QStringLiteral("Evolução da Impressão"), central), "Frame2");
    rotulo_acao = nomear(new QLabel(quadro_progresso), "Label1");
    rotulo_pagina = nomear(new QLabel(quadro_progresso), "Label2");
    barra_progresso = nomear(new QProgressBar(quadro_progresso), "Picture1");
    barra_progresso->setRange(0, largura_barra);
    barra_progresso->setValue(0);
    barra_progresso->setTextVisible(false);
    botao_interromper = nomear(new QPushButton(QStringLiteral("Interromper"), quadro_progresso), "Command5");
    botao_interromper->setToolTip(QStringLiteral("Interromper a impressão"));
    botao_interromper->setEnabled(false);
    botao_interromper->hide();
    auto* l2 = new QGridLayout(quadro_progresso);
    l2->addWidget(rotulo_acao, 0, 0);
    l2->addWidget(rotulo_pagina, 0, 1);
    l2->addWidget(barra_progresso, 1, 0, 1, 3);
    l2->addWidget(botao_interromper, 0, 2, Qt::AlignRight);
    l2->setColumnStretch(1, 1);
    quadro_progresso->hide();

    rotulo_gravando = novo_rotulo(central, "Label11", QStringLiteral("Gravando Linha"));
    rotulo_gravando->setWordWrap(true);
    rotulo_gravando->hide();
    botao_cancelar_copia = nomear(new QPushButton(QStringLiteral("Cancelar"), central), "botao_cancelar_copia");
    botao_cancelar_copia->setToolTip(QStringLiteral("Cancelar a gravação: nada é gravado"));
    botao_cancelar_copia->hide();
    connect(botao_cancelar_copia, &QPushButton::clicked, this, [this] { cancelar_copia_ = true; });
}

void Form1::montar_comandos(QWidget* central)
{
    // Commands.
    botao_imprimir = novo_botao(central, "Command1", QStringLiteral("Imprimir"), QStringLiteral("Imprimir o Relatório"));
    botao_visualizar = novo_botao(central, "Command6", QStringLiteral("Visualizar"), QStringLiteral("Visualizar impressão"));
    botao_abrir = novo_botao(central, "Command8", QStringLiteral("Abrir"), QStringLiteral("Abrir um novo arquivo de impressão"));
    botao_salvar = novo_botao(central, "Command7", QStringLiteral("Salvar"),
                         QStringLiteral("Gravar o conteúdo deste relatório em disco"));
    botao_impressora = novo_botao(central, "Command3", QStringLiteral("Impressora"), QStringLiteral("Selecionar impressora"));
    botao_fontes = novo_botao(central, "Command4", QStringLiteral("Fontes"), QStringLiteral("Escolher nova fonte de impressão"));
    botao_sair = novo_botao(central, "Command2", QStringLiteral("Sair"), QStringLiteral("Abandonar o programa"));
    botao_imprimir->setDefault(true);
    // Enter presses the focused button; elsewhere it prints (keyPressEvent).
    for (QPushButton* b : {botao_imprimir, botao_visualizar, botao_abrir, botao_salvar, botao_impressora,
                           botao_fontes, botao_sair, botao_interromper, botao_cancelar_copia})
        b->setAutoDefault(true);
    connect(botao_imprimir, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(botao_sair, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(botao_impressora, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(botao_fontes, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(botao_interromper, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(botao_visualizar, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(botao_salvar, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(botao_abrir, &QPushButton::clicked, this, &Form1::Command8_Click);
}

void Form1::dispor(QWidget* central, QBoxLayout* margens)
{
    auto* arquivo = new QGridLayout;
    arquivo->addWidget(rotulo_titulo_arquivo, 0, 0, Qt::AlignTop);
    arquivo->addWidget(rotulo_arquivo, 0, 1);
    arquivo->addWidget(rotulo_mensagem, 1, 1);
    arquivo->addWidget(caixa_excluir, 2, 1);
    arquivo->setColumnStretch(1, 1);

    auto* quadros = new QHBoxLayout;
    quadros->addWidget(quadro_impressora, 1);
    quadros->addWidget(quadro_selecao, 1);

    auto* esquerda = new QVBoxLayout;
    esquerda->addLayout(arquivo);
    esquerda->addLayout(quadros);
    esquerda->addLayout(margens);
    esquerda->addWidget(rotulo_aviso);
    esquerda->addWidget(caixa_encerrar);
    esquerda->addWidget(quadro_progresso);
    auto* copia = new QHBoxLayout;
    copia->addWidget(rotulo_gravando, 1);
    copia->addWidget(botao_cancelar_copia, 0, Qt::AlignTop);
    esquerda->addLayout(copia);
    andamento_ = new SegundoPlano(central);
    // A report that takes long to read at start-up shows the window at once,
    // with the reading's row.
    connect(andamento_, &SegundoPlano::mostrado, this, [this] {
        if (!isVisible()) {
            centrar();
            show();
        }
        guardar_altura();
    });
    connect(andamento_, &SegundoPlano::terminado, this, &Form1::restaurar_altura);
    esquerda->addWidget(andamento_);
    esquerda->addStretch();

    auto* botoes = new QVBoxLayout;
    adicionar(botoes,
              {botao_imprimir, botao_visualizar, botao_abrir, botao_salvar, botao_impressora, botao_fontes});
    botoes->addStretch();
    botoes->addWidget(botao_sair);

    auto* tudo = new QHBoxLayout(central);
    tudo->addLayout(esquerda, 1);
    tudo->addSpacing(8);
    tudo->addLayout(botoes);

    // Tab goes through the fields, then the commands, and ends on "Sair".
    const std::initializer_list<QWidget*> ordem{
        caixa_excluir,        opcao_todas,      opcao_selecionar,  texto_primeira_pagina, texto_ultima_pagina,
        texto_copias,         texto_margem_esquerda, texto_margem_superior, caixa_encerrar, botao_interromper,
        botao_cancelar_copia, botao_imprimir,   botao_visualizar,  botao_abrir,           botao_salvar,
        botao_impressora,     botao_fontes,     botao_sair};
    for (auto i = ordem.begin(); i + 1 != ordem.end(); ++i)
        setTabOrder(*i, *(i + 1));
}

void Form1::montar_menus()
{
    auto acao = [this](QMenu* menu, const char* nome, const QString& texto, void (Form1::*metodo)()) {
        QAction* a = nomear(menu->addAction(texto), nome);
        connect(a, &QAction::triggered, this, metodo);
        return a;
    };
    QMenu* arquivos = nomear(menuBar()->addMenu(QStringLiteral("&Arquivos")), "arquivos");
    acao_abrir = acao(arquivos, "arquivos_abrir", QStringLiteral("Abri&r..."), &Form1::Command8_Click);
    acao_salvar = acao(arquivos, "arquivos_salvar", QStringLiteral("&Salvar como..."), &Form1::Command7_Click);
    arquivos->addSeparator();
    acao_sair = acao(arquivos, "arquivos_sair", QStringLiteral("Sa&ir"), &Form1::Command2_Click);

    QMenu* spool = nomear(menuBar()->addMenu(QStringLiteral("S&pool")), "spool");
    acao_impressora = acao(spool, "spool_impressora", QStringLiteral("&Mudar impressora..."), &Form1::Command3_Click);
    acao_fontes = acao(spool, "spool_fontes", QStringLiteral("Alterar &Fontes..."), &Form1::Command4_Click);
    acao_fonte_padrao = acao(spool, "DefaultFont", QStringLiteral("&Definir Fonte Padrão..."), &Form1::DefaultFont_Click);
    spool->addSeparator();
    acao_visualizar = acao(spool, "spool_visualizar", QStringLiteral("&Visualizar"), &Form1::Command6_Click);
    acao_imprimir = acao(spool, "spool_imprimir", QStringLiteral("&Imprimir"), &Form1::Command1_Click);
    acao_enviar_email = acao(spool, "spool_enviar", QStringLiteral("&Enviar por e-mail..."), &Form1::enviar_por_email_Click);

    QMenu* ajuda = nomear(menuBar()->addMenu(QStringLiteral("Aj&uda")), "ajuda");
    acao_sobre = acao(ajuda, "ajuda_sobre", QStringLiteral("&Sobre"), &Form1::ajuda_sobre_Click);

    acao_abrir->setShortcut(QKeySequence::Open);
    acao_salvar->setShortcut(QKeySequence::Save);
    acao_imprimir->setShortcut(QKeySequence::Print);
}

bool Form1::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        QTimer::singleShot(0, this, &Form1::Form_Activate);
    return QMainWindow::event(e);
}

void Form1::Form_Activate()
{
    if (!doc_.imprimir_ao_ativar || ocupada())
        return;
    doc_.imprimir_ao_ativar = false;
    Command1_Click();
}

void Form1::keyPressEvent(QKeyEvent* e)
{
    // Enter where no button takes it: the default button, "Imprimir".
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
        if (botao_imprimir->isEnabled() && botao_imprimir->isVisible())
            botao_imprimir->animateClick();
        e->accept();
        return;
    }
    QMainWindow::keyPressEvent(e);
}

void Form1::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    mostrar_adiados();
}

void Form1::mostrar_adiados()
{
    if (!avisos_adiados_.isEmpty() && !carregando_)
        QTimer::singleShot(0, this, [this] {
            for (const QString& texto : std::exchange(avisos_adiados_, {}))
                avisar(texto);
        });
}

void Form1::mostrar_avisos_do_sistema()
{
    encaminhar_avisos(this, [this](const QString& texto) {
        if (isVisible())
            observacao_->aviso(texto);
        else if (!avisos_adiados_.contains(texto))
            avisos_adiados_.append(texto);
    });
}

void Form1::avisar(const QString& texto, Dialogos::Icone icone)
{
    if (carregando_) {
        avisos_adiados_.append(texto);
        return;
    }
    dialogos_.mensagem(this, texto, titulo_aplicacao, icone);
}

void Form1::ajuda_sobre_Click()
{
    if (!about_)
        about_ = new FrmAbout(dialogos_, this);
    about_->show();
    about_->raise();
    about_->activateWindow();
}

bool Form1::ocupada() const
{
    return trabalhando_ || copiando_ || andamento_->rodando();
}

void Form1::Command2_Click()
{
    if (ocupada())
        return;
    guardar_margens();
    if (caixa_excluir->isChecked())
        excluir_arquivo_mostrado();
    terminar();
}

void Form1::excluir_arquivo_mostrado()
{
    // The box names the file the window shows, whether it came from the
    // command line or from "Abrir".
    if (doc_.nome_arquivo.isEmpty())
        return;
    QFile arquivo(doc_.nome_arquivo);
    if (!arquivo.remove())
        avisar(QStringLiteral("Não foi possível excluir o arquivo %1: %2").arg(doc_.nome_arquivo, arquivo.errorString()));
}

void Form1::terminar()
{
    fechar_apos_trabalho_ = false;
    close();
}

void Form1::closeEvent(QCloseEvent* e)
{
    if (ocupada()) {
        // The running job, copy or measurement is stopped first; the window
        // closes when it has cancelled its document.
        doc_.interromper = 1;
        cancelar_copia_ = true;
        andamento_->cancelar();
        fechar_apos_trabalho_ = true;
        e->ignore();
        return;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{form2_, about_, visualizacao_})
        if (w)
            w->close();
    // Leaving by the title bar or the keyboard stores the margins as "Sair" does.
    guardar_margens();
    e->accept();
    if (!terminando_) {
        terminando_ = true;
        Q_EMIT encerrar();
    }
}

} // namespace papelada
