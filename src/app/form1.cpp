#include "app/form1.h"

#include "analysis/medicao.h"
#include "app/widgets.h"
#include "app/janelas_auxiliares.h"
#include "app/janela_visualizacao.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace papelada {

namespace {

// Width of the progress bar in twips; the bar counts in these units.
constexpr int largura_barra = 6495;

const QString filtro_abrir = QStringLiteral("Arquivos de Spool(*.spl);;Todos os arquivos(*.*)");
const QString filtro_salvar = QStringLiteral("Arquivos de Spool(*.spl);;Arquivos Texto(*.txt)");
const QString filtro_pdf = QStringLiteral("Arquivos PDF(*.pdf)");

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
    Label4 = rotulo("Label4", QStringLiteral("Arquivo"));
    QFont negrito = Label4->font();
    negrito.setBold(true);
    Label4->setFont(negrito);
    Label5 = rotulo("Label5", QStringLiteral("Nenhum arquivo selecionado"));
    Label5->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label5->setMinimumWidth(260);
    Label5->setWordWrap(true);
    Label3 = rotulo("Label3");
    Label3->setWordWrap(true);
    Label3->setStyleSheet(QStringLiteral("color: #1a4f8b;"));
    Label3->hide();
    Check1 = nomear(new QCheckBox(QStringLiteral("Excluir arquivo ao encerrar"), central), "Check1");

    // Printer.
    Frame3 = nomear(new QGroupBox(QStringLiteral("Impressora"), central), "Frame3");
    Label8 = nomear(new QLabel(Frame3), "Label8");
    Label9 = nomear(new QLabel(Frame3), "Label9");
    Label8->setWordWrap(true);
    Label9->setWordWrap(true);
    auto* l3 = new QVBoxLayout(Frame3);
    l3->addWidget(Label8);
    l3->addWidget(Label9);
    l3->addStretch();

    // Pages and copies.
    Frame1 = nomear(new QGroupBox(QStringLiteral("Seleção"), central), "Frame1");
    Option1 = nomear(new QRadioButton(QStringLiteral("Imprimir todas as Páginas"), Frame1), "Option1");
    Option1->setToolTip(QStringLiteral("Seleciona impressão de todas as páginas"));
    Option1->setChecked(true);
    Option2 = nomear(new QRadioButton(QStringLiteral("Selecionar páginas"), Frame1), "Option2");
    Option2->setToolTip(QStringLiteral("Clique aqui para selecionar páginas"));
    Label10 = nomear(new QLabel(QStringLiteral("de"), Frame1), "Label10");
    Text1 = nomear(new QLineEdit(QStringLiteral("1"), Frame1), "Text1");
    Text1->setToolTip(QStringLiteral("Número da primeira página a imprimir"));
    Label6 = nomear(new QLabel(QStringLiteral("até"), Frame1), "Label6");
    Text2 = nomear(new QLineEdit(QStringLiteral("1"), Frame1), "Text2");
    Text2->setToolTip(QStringLiteral("Número da última página a imprimir"));
    Label7 = nomear(new QLabel(QStringLiteral("Cópias"), Frame1), "Label7");
    Text3 = nomear(new QLineEdit(QStringLiteral("1"), Frame1), "Text3");
    Text3->setToolTip(QStringLiteral("Número de Cópias a Imprimir"));
    for (QLineEdit* t : {Text1, Text2, Text3})
        t->setFixedWidth(56);
    auto* l1 = new QGridLayout(Frame1);
    l1->addWidget(Option1, 0, 0, 1, 5);
    l1->addWidget(Option2, 1, 0, 1, 5);
    l1->addWidget(Label10, 2, 0);
    l1->addWidget(Text1, 2, 1);
    l1->addWidget(Label6, 2, 2);
    l1->addWidget(Text2, 2, 3);
    l1->addWidget(Label7, 3, 0);
    l1->addWidget(Text3, 3, 1);
    l1->setColumnStretch(4, 1);
    connect(Option1, &QRadioButton::toggled, this, &Form1::Option_Click);
    Option_Click();

    // Margins.
    Label13 = rotulo("Label13", QStringLiteral("Margem Esquerda"));
    Text5 = caixa("Text5", QStringLiteral("0"), 56);
    Label14 = rotulo("Label14", QStringLiteral("mm"));
    Label12 = rotulo("Label12", QStringLiteral("Margem Superior"));
    Text4 = caixa("Text4", QStringLiteral("0"), 56);
    Label15 = rotulo("Label15", QStringLiteral("mm"));
    auto* margens = new QHBoxLayout;
    adicionar(margens, {Label13, Text5, Label14});
    margens->addSpacing(16);
    adicionar(margens, {Label12, Text4, Label15});
    margens->addStretch();

    Check2 = nomear(new QCheckBox(QStringLiteral("Encerrar após a Impressão"), central), "Check2");

    // Progress.
    Frame2 = nomear(new QGroupBox(QStringLiteral("Evolução da Impressão"), central), "Frame2");
    Label1 = nomear(new QLabel(Frame2), "Label1");
    Label2 = nomear(new QLabel(Frame2), "Label2");
    Picture1 = nomear(new QProgressBar(Frame2), "Picture1");
    Picture1->setRange(0, largura_barra);
    Picture1->setValue(0);
    Picture1->setTextVisible(false);
    Command5 = nomear(new QPushButton(QStringLiteral("Interromper"), Frame2), "Command5");
    Command5->setToolTip(QStringLiteral("Interromper a impressão"));
    Command5->setEnabled(false);
    Command5->hide();
    auto* l2 = new QGridLayout(Frame2);
    l2->addWidget(Label1, 0, 0);
    l2->addWidget(Label2, 0, 1);
    l2->addWidget(Picture1, 1, 0, 1, 3);
    l2->addWidget(Command5, 0, 2, Qt::AlignRight);
    l2->setColumnStretch(1, 1);
    Frame2->hide();

    Label11 = rotulo("Label11", QStringLiteral("Gravando Linha"));
    Label11->setWordWrap(true);
    Label11->hide();

    // Commands.
    Command1 = botao("Command1", QStringLiteral("Imprimir"), QStringLiteral("Imprimir o Relatório"));
    Command6 = botao("Command6", QStringLiteral("Visualizar"), QStringLiteral("Visualizar impressão"));
    Command8 = botao("Command8", QStringLiteral("Abrir"), QStringLiteral("Abrir um novo arquivo de impressão"));
    Command7 = botao("Command7", QStringLiteral("Salvar"), QStringLiteral("Gravar o conteúdo deste relatório em disco"));
    Command3 = botao("Command3", QStringLiteral("Impressora"), QStringLiteral("Selecionar impressora"));
    Command4 = botao("Command4", QStringLiteral("Fontes"), QStringLiteral("Escolher nova fonte de impressão"));
    Command2 = botao("Command2", QStringLiteral("Sair"), QStringLiteral("Abandonar o programa"));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);

    auto* arquivo = new QGridLayout;
    arquivo->addWidget(Label4, 0, 0, Qt::AlignTop);
    arquivo->addWidget(Label5, 0, 1);
    arquivo->addWidget(Label3, 1, 1);
    arquivo->addWidget(Check1, 2, 1);
    arquivo->setColumnStretch(1, 1);

    auto* quadros = new QHBoxLayout;
    quadros->addWidget(Frame3, 1);
    quadros->addWidget(Frame1, 1);

    auto* esquerda = new QVBoxLayout;
    esquerda->addLayout(arquivo);
    esquerda->addLayout(quadros);
    esquerda->addLayout(margens);
    esquerda->addWidget(Check2);
    esquerda->addWidget(Frame2);
    esquerda->addWidget(Label11);
    esquerda->addStretch();

    auto* botoes = new QVBoxLayout;
    adicionar(botoes, {Command1, Command6, Command8, Command7, Command3, Command4});
    botoes->addStretch();
    botoes->addWidget(Command2);

    auto* tudo = new QHBoxLayout(central);
    tudo->addLayout(esquerda, 1);
    tudo->addSpacing(8);
    tudo->addLayout(botoes);
}

void Form1::montar_menus()
{
    auto acao = [this](QMenu* menu, const char* nome, const QString& texto, void (Form1::*metodo)()) {
        QAction* a = nomear(menu->addAction(texto), nome);
        connect(a, &QAction::triggered, this, metodo);
        return a;
    };
    QMenu* arquivos = nomear(menuBar()->addMenu(QStringLiteral("&Arquivos")), "arquivos");
    arquivos_abrir = acao(arquivos, "arquivos_abrir", QStringLiteral("Abri&r"), &Form1::Command8_Click);
    arquivos_salvar = acao(arquivos, "arquivos_salvar", QStringLiteral("&Salvar como..."), &Form1::Command7_Click);
    arquivos->addSeparator();
    arquivos_sair = acao(arquivos, "arquivos_sair", QStringLiteral("Sair"), &Form1::Command2_Click);

    QMenu* spool = nomear(menuBar()->addMenu(QStringLiteral("Spool")), "spool");
    spool_impressora = acao(spool, "spool_impressora", QStringLiteral("Mudar impressora"), &Form1::Command3_Click);
    spool_fontes = acao(spool, "spool_fontes", QStringLiteral("Alterar Fontes"), &Form1::Command4_Click);
    DefaultFont = acao(spool, "DefaultFont", QStringLiteral("Definir Fonte Padrão"), &Form1::DefaultFont_Click);
    spool->addSeparator();
    spool_visualizar = acao(spool, "spool_visualizar", QStringLiteral("Visualizar"), &Form1::Command6_Click);
    spool_imprimir = acao(spool, "spool_imprimir", QStringLiteral("Imprimir"), &Form1::Command1_Click);

    QMenu* ajuda = nomear(menuBar()->addMenu(QStringLiteral("Ajuda")), "ajuda");
    ajuda_sobre = acao(ajuda, "ajuda_sobre", QStringLiteral("Sobre"), &Form1::ajuda_sobre_Click);
}

// ---- Start-up ----------------------------------------------------------

bool Form1::Form_Load()
{
    aplicar_fonte_padrao(*impressora_, &fonte_dialogo_);

    adjustSize();
    if (const QScreen* tela = screen()) {
        const QRect area = tela->availableGeometry();
        move(area.x() + (area.width() - frameGeometry().width()) / 2,
             area.y() + (area.height() - frameGeometry().height()) / 2);
    }

    ler_margens(doc_.margem_esquerda, doc_.margem_superior);
    doc_.imprimir_ao_ativar = false;
    doc_.indice_valido = false;
    mostrar_impressora();

    if (linha_comando_.isEmpty()) {
        sem_documento();
        return true;
    }
    if (!arquivo_localizado(linha_comando_)) {
        dialogos_.mensagem(this, QStringLiteral("Arquivo ") + linha_comando_ + QStringLiteral(" não foi localizado."),
                           QStringLiteral("Papelada"), Dialogos::Icone::Critico);
        return false;
    }
    Label5->setText(linha_comando_);
    doc_.tamanho_arquivo = QFileInfo(linha_comando_).size();
    doc_.nome_arquivo = linha_comando_;
    doc_.interromper = 0;
    medir();
    margens_do_trator(*impressora_, doc_);
    mostrar_margens();
    return true;
}

void Form1::sem_documento()
{
    Label5->setText(QStringLiteral("Nenhum arquivo selecionado"));
    doc_.nome_arquivo.clear();
    doc_.tamanho_arquivo = 0;
    doc_.interromper = 0;
    doc_.margem_esquerda = doc_.margem_superior = 0;
    mostrar_margens();
    habilitar_documento(false);
}

void Form1::habilitar_documento(bool sim)
{
    for (QPushButton* b : {Command6, Command1, Command7})
        b->setEnabled(sim);
    for (QAction* a : {arquivos_salvar, spool_visualizar, spool_imprimir})
        a->setEnabled(sim);
}

void Form1::mostrar_margens()
{
    Text4->setText(QString::number(doc_.margem_superior));
    Text5->setText(QString::number(doc_.margem_esquerda));
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
    for (QPushButton* b : {Command3, Command4})
        b->setEnabled(true);
    spool_fontes->setEnabled(true);
    spool_impressora->setEnabled(true);
    Label5->setText(escolhido);
    doc_.tamanho_arquivo = QFileInfo(escolhido).size();
    doc_.interromper = 0;
    habilitar_documento(true);
    Label3->hide();
    medir();
    Check1->setChecked(false);
}

void Form1::Command7_Click()
{
    if (doc_.nome_arquivo.isEmpty())
        return;
    const QFileInfo origem(doc_.nome_arquivo);
    const QString inicial = origem.exists() ? origem.absoluteFilePath() : origem.absolutePath();
    const QString destino = dialogos_.salvar_arquivo(this, inicial, filtro_salvar, QStringLiteral("spl"));
    if (destino.isEmpty())
        return;
    QString falha;
    if (!salvar_copia(doc_.nome_arquivo, destino, *this, &falha)) {
        if (falha.isEmpty())
            falha = QStringLiteral("Não foi possível gravar o arquivo %1.").arg(destino);
        avisar(falha, Dialogos::Icone::Critico);
    }
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
    Label8->setText(impressora_->deviceName());
    Label9->setText(nome_papel(impressora_->paperSize()));
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
    contexto.margem_esquerda = Text5->text();
    contexto.margem_superior = Text4->text();
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
    if (trabalhando_ || doc_.nome_arquivo.isEmpty())
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
        impressora_->setArquivoSaida(destino);
    }

    PedidoImpressao pedido;
    pedido.selecionar_paginas = Option2->isChecked();
    pedido.primeira_pagina = Text1->text();
    pedido.ultima_pagina = Text2->text();
    pedido.copias = Text3->text();
    pedido.margem_esquerda = Text5->text();
    pedido.margem_superior = Text4->text();
    pedido.encerrar_apos = Check2->isChecked();
    pedido.excluir_arquivo = Check1->isChecked();
    pedido.linha_de_comando = linha_comando_;

    trabalhando_ = true;
    pedido_ativo_ = &pedido;
    const ResultadoTrabalho resultado =
        papelada::Command1_Click(doc_, metricas_, *impressora_, pedido, *this, &fonte_dialogo_);
    pedido_ativo_ = nullptr;
    trabalhando_ = false;
    // Whatever way the job ended, the window is usable again.
    imprimindo(false);
    quadro({}, false);

    switch (resultado.fim) {
    case FimTrabalho::Encerrar:
        // The job has already removed the spool file if asked to; one that it
        // could not remove is tried once more here, so the user hears why.
        if (pedido.excluir_arquivo && !linha_comando_.isEmpty() && QFileInfo::exists(linha_comando_))
            excluir_linha_de_comando();
        terminar();
        return;
    case FimTrabalho::Falhou:
        avisar(resultado.erro.isEmpty() ? QStringLiteral("A impressão não pôde ser concluída.") : resultado.erro,
               Dialogos::Icone::Critico);
        break;
    case FimTrabalho::Impresso:
    case FimTrabalho::Cancelado:
        break;
    }
    if (fechar_apos_trabalho_)
        terminar();
}

void Form1::Command5_Click()
{
    if (dialogos_.perguntar(this, QStringLiteral("Interromper a Impressão?"), titulo_aplicacao))
        doc_.interromper = 1;
}

void Form1::Option_Click()
{
    const bool selecionar = Option2->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{Text1, Text2, Label10, Label6})
        w->setVisible(selecionar);
    if (pedido_ativo_)
        pedido_ativo_->selecionar_paginas = selecionar;
}

// ---- Leaving ---------------------------------------------------------------

void Form1::excluir_linha_de_comando()
{
    QFile arquivo(linha_comando_);
    if (!arquivo.remove())
        avisar(QStringLiteral("Não foi possível excluir o arquivo %1: %2").arg(linha_comando_, arquivo.errorString()));
}

void Form1::avisar(const QString& texto, Dialogos::Icone icone)
{
    dialogos_.mensagem(this, texto, titulo_aplicacao, icone);
}

void Form1::Command2_Click()
{
    if (trabalhando_)
        return;
    gravar_margens(Text5->text(), Text4->text(), doc_.margem_esquerda, doc_.margem_superior);
    if (Check1->isChecked() && !linha_comando_.isEmpty())
        excluir_linha_de_comando();
    terminar();
}

void Form1::terminar()
{
    fechar_apos_trabalho_ = false;
    close();
}

void Form1::closeEvent(QCloseEvent* e)
{
    if (trabalhando_) {
        // The running job is stopped first; the window closes when it has
        // cancelled its document.
        doc_.interromper = 1;
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
        Frame2->setTitle(titulo);
    if (!visivel)
        Picture1->setValue(0);
    Frame2->setVisible(visivel);
}

void Form1::acao(const QString& texto)
{
    Label1->setText(texto);
    Label1->show();
}

void Form1::pagina(const QString& texto)
{
    Label2->setText(texto);
}

void Form1::progresso(double fracao)
{
    Picture1->setValue(static_cast<int>(std::clamp(fracao, 0.0, 1.0) * largura_barra));
}

void Form1::processar_eventos()
{
    dialogos_.processar_eventos();
}

void Form1::mensagem(const QString& texto)
{
    Label3->setText(texto);
    Label3->show();
}

void Form1::aviso(const QString& texto)
{
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
    Label8->setText(nome);
    Label9->setText(papel);
    Command3->setEnabled(false);
    spool_impressora->setEnabled(false);
}

void Form1::fonte_escolhida()
{
    Command4->setEnabled(false);
    spool_fontes->setEnabled(false);
}

void Form1::gravando(const QString& texto)
{
    Label11->setText(texto);
    Label11->setVisible(!texto.isEmpty());
}

void Form1::imprimindo(bool ativo)
{
    if (ativo == em_passagem_)
        return; // already in that state
    em_passagem_ = ativo;
    if (ativo) {
        estado_command3_ = Command3->isEnabled();
        estado_command4_ = Command4->isEnabled();
        for (QPushButton* b : {Command1, Command2, Command3, Command4, Command6, Command7, Command8})
            b->setEnabled(false);
        // The menus run the same commands: they wait as well.
        for (QAction* a : {arquivos_abrir, arquivos_salvar, arquivos_sair, spool_impressora, spool_fontes,
                           DefaultFont, spool_visualizar, spool_imprimir}) {
            estado_menus_.append({a, a->isEnabled()});
            a->setEnabled(false);
        }
        Command5->setEnabled(true);
        Command5->show();
    } else {
        for (QPushButton* b : {Command1, Command2, Command6, Command7, Command8})
            b->setEnabled(true);
        Command3->setEnabled(estado_command3_);
        Command4->setEnabled(estado_command4_);
        for (const auto& [a, habilitada] : std::as_const(estado_menus_))
            a->setEnabled(habilitada);
        estado_menus_.clear();
        Command5->setEnabled(false);
        Command5->hide();
    }
}

} // namespace papelada
