#include "app/form1.h"

#include "analysis/indice.h"
#include "analysis/medicao.h"
#include "app/aplicacao.h"
#include "app/widgets.h"
#include "app/janela_visualizacao.h"
#include "app/janelas_auxiliares.h"
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

// Width of the progress bar in twips; the bar counts in these units.
constexpr int largura_barra = 6495;

const QString filtro_abrir = QStringLiteral("Arquivos de Spool(*.spl);;Todos os arquivos(*)");
const QString filtro_salvar = QStringLiteral("Arquivos de Spool(*.spl);;Arquivos Texto(*.txt)");
const QString filtro_pdf = QStringLiteral("Arquivos PDF(*.pdf)");

// The largest number of copies a job takes.
constexpr int maximo_copias = 999;

// A number as the user types it: blanks around it allowed, a decimal comma
// or point. Nothing for anything else.
std::optional<double> numero_digitado(const QString& texto)
{
    QString t = texto.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

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

QString linha_de_comando(const QStringList& argumentos)
{
    return argumentos.mid(1).join(QLatin1Char(' '));
}

bool arquivo_localizado(const QString& caminho)
{
    return !caminho.isEmpty() && QFileInfo(caminho).isFile();
}

Form1::Form1(Dialogos& dialogos, const QString& linha_comando, const QString& impressora, QWidget* pai)
    : QMainWindow(pai), dialogos_(dialogos), linha_comando_(linha_comando),
      impressora_(std::make_unique<SuperficieImpressora>(impressora))
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

    auto rotulo = [central](const char* nome, const QString& texto = {}) {
        return nomear(new QLabel(texto, central), nome);
    };
    auto caixa = [central](const char* nome, const QString& texto, int largura) {
        auto* t = nomear(new QLineEdit(texto, central), nome);
        t->setFixedWidth(largura);
        return t;
    };
    auto botao = [central](const char* nome, const QString& texto, const QString& dica) {
        auto* b = nomear(new QPushButton(texto, central), nome);
        b->setToolTip(dica);
        return b;
    };

    // The file.
    rotulo_titulo_arquivo = rotulo("Label4", QStringLiteral("Arquivo"));
    QFont negrito = rotulo_titulo_arquivo->font();
    negrito.setBold(true);
    rotulo_titulo_arquivo->setFont(negrito);
    rotulo_arquivo = rotulo("Label5", QStringLiteral("Nenhum arquivo selecionado"));
    rotulo_arquivo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    rotulo_arquivo->setMinimumWidth(260);
    rotulo_arquivo->setWordWrap(true);
    // A long path wraps instead of widening the window.
    rotulo_arquivo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    rotulo_mensagem = rotulo("Label3");
    rotulo_mensagem->setWordWrap(true);
    rotulo_mensagem->setStyleSheet(QStringLiteral("color: #1a4f8b;"));
    rotulo_mensagem->hide();
    caixa_excluir = nomear(new QCheckBox(QStringLiteral("Excluir arquivo ao encerrar"), central), "Check1");

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

    // Margins.
    rotulo_margem_esquerda = rotulo("Label13", QStringLiteral("Margem Esquerda"));
    texto_margem_esquerda = caixa("Text5", QStringLiteral("0"), 56);
    rotulo_mm_esquerda = rotulo("Label14", QStringLiteral("mm"));
    rotulo_margem_superior = rotulo("Label12", QStringLiteral("Margem Superior"));
    texto_margem_superior = caixa("Text4", QStringLiteral("0"), 56);
    rotulo_mm_superior = rotulo("Label15", QStringLiteral("mm"));
    auto* margens = new QHBoxLayout;
    adicionar(margens, {rotulo_margem_esquerda, texto_margem_esquerda, rotulo_mm_esquerda});
    margens->addSpacing(16);
    adicionar(margens, {rotulo_margem_superior, texto_margem_superior, rotulo_mm_superior});
    margens->addStretch();
    connect(texto_margem_esquerda, &QLineEdit::textEdited, this, [this] { editada_esquerda_ = true; });
    connect(texto_margem_superior, &QLineEdit::textEdited, this, [this] { editada_superior_ = true; });

    // Why a job was not started, next to the fields.
    rotulo_aviso = rotulo("rotulo_aviso");
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

    rotulo_gravando = rotulo("Label11", QStringLiteral("Gravando Linha"));
    rotulo_gravando->setWordWrap(true);
    rotulo_gravando->hide();
    botao_cancelar_copia = nomear(new QPushButton(QStringLiteral("Cancelar"), central), "botao_cancelar_copia");
    botao_cancelar_copia->setToolTip(QStringLiteral("Cancelar a gravação: nada é gravado"));
    botao_cancelar_copia->hide();
    connect(botao_cancelar_copia, &QPushButton::clicked, this, [this] { cancelar_copia_ = true; });

    // Commands.
    botao_imprimir = botao("Command1", QStringLiteral("Imprimir"), QStringLiteral("Imprimir o Relatório"));
    botao_visualizar = botao("Command6", QStringLiteral("Visualizar"), QStringLiteral("Visualizar impressão"));
    botao_abrir = botao("Command8", QStringLiteral("Abrir"), QStringLiteral("Abrir um novo arquivo de impressão"));
    botao_salvar = botao("Command7", QStringLiteral("Salvar"),
                         QStringLiteral("Gravar o conteúdo deste relatório em disco"));
    botao_impressora = botao("Command3", QStringLiteral("Impressora"), QStringLiteral("Selecionar impressora"));
    botao_fontes = botao("Command4", QStringLiteral("Fontes"), QStringLiteral("Escolher nova fonte de impressão"));
    botao_sair = botao("Command2", QStringLiteral("Sair"), QStringLiteral("Abandonar o programa"));
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

    QMenu* ajuda = nomear(menuBar()->addMenu(QStringLiteral("Aj&uda")), "ajuda");
    acao_sobre = acao(ajuda, "ajuda_sobre", QStringLiteral("&Sobre"), &Form1::ajuda_sobre_Click);

    acao_abrir->setShortcut(QKeySequence::Open);
    acao_salvar->setShortcut(QKeySequence::Save);
    acao_imprimir->setShortcut(QKeySequence::Print);
}

// ---- Start-up ----------------------------------------------------------

bool Form1::Form_Load()
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
    // The window is sized and centred once it shows what it holds.
    const auto centrar = [this] {
        adjustSize();
        if (const QScreen* tela = screen()) {
            const QRect area = tela->availableGeometry();
            resize(std::min(width(), area.width()), height());
            move(area.x() + (area.width() - frameGeometry().width()) / 2,
                 area.y() + (area.height() - frameGeometry().height()) / 2);
        }
    };
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
    {
        Ampulheta ampulheta;
        abrir_relatorio(doc_, metricas_, *impressora_, *this, &fonte_dialogo_);
    }
    mostrar_margens();
    centrar();
    return true;
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
    for (QAction* a : {acao_salvar, acao_visualizar, acao_imprimir})
        a->setEnabled(sim);
}

void Form1::mostrar_margens()
{
    texto_margem_superior->setText(QString::number(doc_.margem_superior));
    texto_margem_esquerda->setText(QString::number(doc_.margem_esquerda));
}

void Form1::recarregar_margens()
{
    ler_margens(doc_.margem_esquerda, doc_.margem_superior);
    margens_do_trator(*impressora_, doc_);
    // A tractor-fed form prints from its corner, whatever was typed.
    const bool trator = impressora_->paperBin() == bandeja_trator;
    if (trator)
        editada_esquerda_ = editada_superior_ = false;
    if (!editada_esquerda_)
        texto_margem_esquerda->setText(QString::number(doc_.margem_esquerda));
    if (!editada_superior_)
        texto_margem_superior->setText(QString::number(doc_.margem_superior));
}

void Form1::guardar_margens()
{
    if (!editada_esquerda_ && !editada_superior_)
        return; // the stored margins stay as they are
    std::int32_t esquerda = 0, superior = 0;
    ler_margens(esquerda, superior);
    const double largura = impressora_->width(), altura = impressora_->height();
    // Only a margin typed in and valid replaces the stored one.
    const auto valor = [](bool editada, const QLineEdit* campo, double limite_twips, std::int32_t guardada) {
        const std::optional<double> mm = numero_digitado(campo->text());
        if (editada && mm && *mm >= 0 && *mm * 1440 / 25.4 < limite_twips)
            return QString::number(*mm, 'f', 2);
        return QString::number(guardada);
    };
    gravar_margens(valor(editada_esquerda_, texto_margem_esquerda, largura, esquerda),
                   valor(editada_superior_, texto_margem_superior, altura, superior), doc_.margem_esquerda,
                   doc_.margem_superior);
}

void Form1::medir()
{
    Ampulheta ampulheta;
    medir_relatorio(doc_, metricas_, *impressora_, *this, &fonte_dialogo_);
}

void Form1::Form_Activate()
{
    if (!doc_.imprimir_ao_ativar || trabalhando_)
        return;
    doc_.imprimir_ao_ativar = false;
    Command1_Click();
}

bool Form1::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        QTimer::singleShot(0, this, &Form1::Form_Activate);
    return QMainWindow::event(e);
}

// ---- Open and save -------------------------------------------------------

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
    avisos_dados_.clear();
    medir();
    recarregar_margens();
    caixa_excluir->setChecked(false);
}

void Form1::Command7_Click()
{
    if (doc_.nome_arquivo.isEmpty())
        return;
    const QFileInfo origem(doc_.nome_arquivo);
    const QString inicial = origem.exists() ? origem.absoluteFilePath() : origem.absolutePath();
    const QString destino = dialogos_.salvar_arquivo(this, inicial, filtro_salvar, QStringLiteral("spl"));
    if (destino.isEmpty() || copiando_)
        return;
    QString falha;
    bloquear_para_copia(true);
    const bool gravado = salvar_copia(doc_.nome_arquivo, destino, *this, &falha, &cancelar_copia_);
    const bool cancelada = cancelar_copia_;
    bloquear_para_copia(false);
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

void Form1::bloquear_para_copia(bool sim)
{
    copiando_ = sim;
    cancelar_copia_ = false;
    relogio_copia_.invalidate();
    for (QPushButton* b : {botao_imprimir, botao_abrir, botao_salvar, botao_sair})
        b->setEnabled(!sim);
    for (QAction* a : {acao_imprimir, acao_abrir, acao_salvar, acao_sair})
        a->setEnabled(!sim);
    botao_cancelar_copia->setVisible(sim);
}

// ---- Printer and font ----------------------------------------------------

void Form1::Command3_Click()
{
    // No hourglass over the dialogs: the user is choosing, not waiting.
    dialogos_.processar_eventos();
    const std::optional<QString> nome = dialogos_.escolher_impressora(this, impressora_->deviceName());
    dialogos_.processar_eventos();
    if (nome && *nome != impressora_->deviceName()) {
        if (impressora_->selectPrinter(*nome))
            doc_.indice_valido = false; // another paper, other page ends
        else
            avisar(QStringLiteral("A impressora %1 não está disponível.").arg(*nome));
    }
    aplicar_fonte_padrao(*impressora_, &fonte_dialogo_);
    mostrar_impressora();
}

void Form1::mostrar_impressora()
{
    rotulo_impressora->setText(impressora_->deviceName());
    rotulo_papel->setText(nome_papel(impressora_->paperSize()));
}

void Form1::aplicar_fonte(const FonteEscolhida& f)
{
    impressora_->setFontName(f.nome);
    impressora_->setFontSize(f.tamanho);
    impressora_->setFontBold(f.negrito);
    impressora_->setFontItalic(f.italico);
    recalcular_metricas(*impressora_, metricas_);
    doc_.indice_valido = false;
}

void Form1::Command4_Click()
{
    const std::optional<FonteEscolhida> escolhida = dialogos_.escolher_fonte(this, fonte_dialogo_);
    if (!escolhida)
        return;
    fonte_dialogo_ = *escolhida;
    aplicar_fonte(fonte_dialogo_);
}

void Form1::DefaultFont_Click()
{
    fonte_dialogo_.nome = impressora_->fontName();
    fonte_dialogo_.tamanho = impressora_->fontSize();
    fonte_dialogo_.negrito = impressora_->fontBold();
    fonte_dialogo_.italico = impressora_->fontItalic();
    if (const std::optional<FonteEscolhida> escolhida = dialogos_.escolher_fonte(this, fonte_dialogo_)) {
        fonte_dialogo_ = *escolhida;
        aplicar_fonte(fonte_dialogo_);
    }
    gravar_fonte_padrao(*impressora_);
}

// ---- Preview -------------------------------------------------------------

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
    QPointer<Form1> eu(this);
    QWidget* janela = papelada::Command6_Click(contexto, this, [eu] {
        if (eu)
            QTimer::singleShot(0, eu, &Form1::Form_Activate);
    });
    if (janela)
        visualizacao_ = janela;
}

// ---- Printing ------------------------------------------------------------

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

// ---- Leaving ---------------------------------------------------------------

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

void Form1::avisar(const QString& texto, Dialogos::Icone icone)
{
    dialogos_.mensagem(this, texto, titulo_aplicacao, icone);
}

void Form1::Command2_Click()
{
    if (trabalhando_ || copiando_)
        return;
    guardar_margens();
    if (caixa_excluir->isChecked())
        excluir_arquivo_mostrado();
    terminar();
}

void Form1::terminar()
{
    fechar_apos_trabalho_ = false;
    close();
}

void Form1::closeEvent(QCloseEvent* e)
{
    if (trabalhando_ || copiando_) {
        // The running job or copy is stopped first; the window closes when
        // it has cancelled its document.
        doc_.interromper = 1;
        cancelar_copia_ = true;
        fechar_apos_trabalho_ = true;
        e->ignore();
        return;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{form2_, about_, visualizacao_})
        if (w)
            w->close();
    e->accept();
    if (!terminando_) {
        terminando_ = true;
        Q_EMIT encerrar();
    }
}

void Form1::ajuda_sobre_Click()
{
    if (!about_)
        about_ = new FrmAbout(dialogos_, this);
    about_->show();
    about_->raise();
    about_->activateWindow();
}

// ---- What the core reports -------------------------------------------------

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

void Form1::gravando(const QString& texto)
{
    linha_copia_ = texto;
    if (texto.isEmpty() || !copiando_ || !relogio_copia_.isValid())
        rotulo_gravando->setText(texto);
    if (texto.isEmpty() == rotulo_gravando->isHidden())
        return;
    if (!texto.isEmpty())
        guardar_altura();
    rotulo_gravando->setVisible(!texto.isEmpty());
    if (texto.isEmpty())
        restaurar_altura();
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
