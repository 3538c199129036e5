#include "app/janela_visualizacao.h"

#include "app/dialogos.h"
#include "app/envio_email_janela.h"
#include "app/widgets.h"
#include "app/janela_form3.h"
#include "app/janela_icones.h"
#include "app/observador_fio.h"
#include "app/segundo_plano.h"
#include "preview/procura.h"
#include "stream/fonte_bytes.h"
#include "stream/numeros.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>
#include <atomic>
#include <utility>

namespace papelada {

namespace {

const QString titulo_procura = QStringLiteral("Procura de Texto");

// Scroll range over one side of the page image, in its pixels: from its
// start to where its end meets the end of the view, a page of the view at a
// time on the track, a line of text an arrow.
void definir_faixa(QScrollBar* barra, int lado_imagem, int visivel)
{
    barra->setRange(0, std::max(0, lado_imagem - visivel));
    barra->setPageStep(std::max(1, visivel));
    barra->setSingleStep(std::max(1, visivel / 20));
    barra->setVisible(lado_imagem > visivel);
}

// Where the highlighted hit lies in the page image: the pixels of its colour.
QRect area_do_destaque(const QImage& imagem)
{
    const QRgb cor = QBColor(9).rgb();
    QRect area;
    const QImage img = imagem.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        const auto* linha = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((linha[x] & 0xffffff) == (cor & 0xffffff))
                area |= QRect(x, y, 1, 1);
        if (!area.isNull() && y > area.bottom() + 40)
            break; // the hit's line is behind
    }
    return area;
}

} // namespace

// ---- The searched text ---------------------------------------------------

TextoProcura::TextoProcura(QObject* pai) : QObject(pai)
{
    setObjectName(QStringLiteral("RichTextBox1"));
}

bool TextoProcura::carregar(const QString& caminho, QString* erro)
{
    FonteBytes fonte;
    if (!fonte.abrir(caminho, erro))
        return false;
    caminho_ = caminho;
    tamanho_ = fonte.tamanho();
    return true;
}

bool TextoProcura::procurar(const QString& texto, qint64 inicio, qint64& achado, QString* erro,
                            SegundoPlano& andamento) const
{
    bool ok = false;
    const QString caminho = caminho_;
    const qint64 tamanho = tamanho_;
    andamento.executar(QStringLiteral("Procurando \"%1\"...").arg(texto), [&] {
        ok = procurar_no_arquivo(caminho, tamanho, texto, inicio, achado, erro, &andamento.cancelado(),
                                 [&andamento](double f) { andamento.progresso(f); });
    });
    return ok;
}

// ---- The viewport --------------------------------------------------------

// Shows the part of the last drawn page that the scroll bars select; it only
// copies from the page image, it never reads the report.
class Form3::Visor : public QWidget {
public:
    explicit Visor(Form3* janela) : QWidget(janela), janela_(janela)
    {
        setObjectName(QStringLiteral("Picture2"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Dark));
        const QImage& pagina = janela_->quadro_;
        if (!pagina.isNull())
            p.drawImage(QPoint(std::max(0, (width() - pagina.width()) / 2), 0), pagina,
                        QRect(janela_->deslocamento(), pagina.size()));
    }

    void resizeEvent(QResizeEvent* e) override
    {
        QWidget::resizeEvent(e);
        const int altura = janela_->andamento->sizeHint().height();
        janela_->andamento->setGeometry(0, height() - altura, width(), altura);
        janela_->ajustar_barras();
    }

    // The wheel scrolls the page: down and up, or sideways with Shift or a
    // horizontal wheel; three arrow steps a notch.
    void wheelEvent(QWheelEvent* e) override
    {
        const QPoint giro = e->angleDelta();
        // With Ctrl the wheel zooms, as in document viewers.
        if (e->modifiers() & Qt::ControlModifier) {
            if (giro.y() != 0)
                giro.y() > 0 ? janela_->Picture9_Click() : janela_->Picture10_Click();
            e->accept();
            return;
        }
        const bool lateral = giro.y() == 0 || (e->modifiers() & Qt::ShiftModifier);
        QScrollBar* barra = lateral ? janela_->barra_rolagem_horizontal : janela_->barra_rolagem_vertical;
        const int delta = giro.y() != 0 ? giro.y() : giro.x();
        if (delta == 0)
            return;
        const int passos = std::max(1, std::abs(delta) * 3 / 120) * (delta > 0 ? -1 : 1);
        barra->setValue(barra->value() + passos * std::max(1, barra->singleStep()));
        e->accept();
    }

private:
    Form3* janela_;
};

// ---- The window ----------------------------------------------------------

Form3::Form3(const ContextoVisualizacao& contexto, QWidget* principal, std::function<void()> ao_fechar)
    : QWidget(principal, Qt::Window), ctx_(contexto), ao_fechar_(std::move(ao_fechar))
{
    setObjectName(QStringLiteral("Form3"));
    setAttribute(Qt::WA_DeleteOnClose);
    no_fio_ = new QObject;
    no_fio_->moveToThread(&fio_desenho_);
    connect(&fio_desenho_, &QThread::finished, no_fio_, &QObject::deleteLater);
    fio_desenho_.start();
    QMetaObject::invokeMethod(
        no_fio_, [this] { superficie_ = std::make_unique<SuperficieImagem>(); }, Qt::BlockingQueuedConnection);
    setWindowTitle(vis_.titulo_janela);
    if (!ctx_.dialogos)
        dialogos_proprios_ = std::make_unique<DialogosQt>();
    montar();
    atalhos();
    dispor_na_tela(principal);
}

Form3::~Form3()
{
    QMetaObject::invokeMethod(no_fio_, [this] { superficie_.reset(); }, Qt::BlockingQueuedConnection);
    fio_desenho_.quit();
    fio_desenho_.wait();
}

Dialogos& Form3::dialogos()
{
    return ctx_.dialogos ? *ctx_.dialogos : *dialogos_proprios_;
}

void Form3::montar()
{
    // The page surface itself is an image; this hidden widget stands for it
    // and takes its size.
    pagina_inteira = nomear(new QWidget(this), "Picture1");
    pagina_inteira->hide();

    imagem_pagina = new Visor(this);
    barra_rolagem_horizontal = nomear(new QScrollBar(Qt::Horizontal, this), "HScroll1");
    barra_rolagem_vertical = nomear(new QScrollBar(Qt::Vertical, this), "VScroll1");
    for (QScrollBar* barra : {barra_rolagem_horizontal, barra_rolagem_vertical}) {
        connect(barra, &QScrollBar::valueChanged, imagem_pagina, qOverload<>(&QWidget::update));
    }

    montar_ferramentas();
    // Over the foot of the view, so that the view keeps its size (and the
    // scroll ranges theirs) when the row shows.
    andamento = new SegundoPlano(imagem_pagina);
    andamento->setAutoFillBackground(true);

    connect(campo_pagina, &QLineEdit::textChanged, this, &Form3::Text1_Change);
    connect(campo_zoom, &QLineEdit::returnPressed, this, &Form3::Text2_LostFocus);
    campo_pagina->installEventFilter(this);
    campo_zoom->installEventFilter(this);

    texto_procura = new TextoProcura(this);

    // The viewport fills what the vertical bar and the tool strip leave.
    auto* grade = new QGridLayout(this);
    grade->setContentsMargins(2, 2, 2, 2);
    grade->setSpacing(0);
    grade->addWidget(imagem_pagina, 0, 0);
    grade->addWidget(barra_rolagem_vertical, 0, 1);
    grade->addWidget(barra_rolagem_horizontal, 1, 0);
    grade->addWidget(barra_ferramentas, 2, 0, 1, 2);
    grade->setRowStretch(0, 1);
    grade->setColumnStretch(0, 1);
}

// The tool strip: the page, the zoom, the search, print and close.
void Form3::montar_ferramentas()
{
    // A tool bar: what does not fit a narrow window goes behind its ">>".
    barra_ferramentas = nomear(new QToolBar(this), "Frame1");
    barra_ferramentas->setIconSize(QSize(24, 24));

    const auto botao = [this](const char* nome, Icone figura, const QString& dica, void (Form3::*acao)()) {
        auto* b = nomear(new QToolButton(barra_ferramentas), nome);
        b->setIcon(icone(figura));
        b->setIconSize(QSize(24, 24));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus); // the keys stay with the page
        b->setToolTip(dica);
        connect(b, &QToolButton::clicked, this, acao);
        return b;
    };
    const auto rotulo = [this](const char* nome, const QString& texto) {
        return nomear(new QLabel(texto, barra_ferramentas), nome);
    };

    botao_primeira = botao("Picture6", Icone::Primeira, QStringLiteral("Vai para a primeira página"),
                           &Form3::Picture6_Click);
    botao_anterior = botao("Picture5", Icone::Anterior, QStringLiteral("Retrocede uma página"),
                           &Form3::Picture5_Click);
    rotulo_pagina = rotulo("Label1", QStringLiteral("Página"));
    rotulo_numero_pagina = rotulo("Label2", {});
    rotulo_de = rotulo("Label3", QStringLiteral("de"));
    rotulo_total_paginas = rotulo("Label4", {});
    // The numbers take the room of the widest so that the controls after
    // them stay where they are as the pages turn.
    for (QLabel* numero : {rotulo_numero_pagina, rotulo_total_paginas}) {
        numero->setMinimumWidth(numero->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
        numero->setAlignment(Qt::AlignCenter);
    }
    botao_proxima = botao("Picture3", Icone::Proxima, QStringLiteral("Avança uma página"), &Form3::Picture3_Click);
    botao_ultima = botao("Picture4", Icone::Ultima, QStringLiteral("Avança para a última página"),
                         &Form3::Picture4_Click);
    rotulo_ver_pagina = rotulo("Label5", QStringLiteral("Ver página"));
    campo_pagina = nomear(new QLineEdit(barra_ferramentas), "Text1");
    campo_pagina->setToolTip(QStringLiteral("Escolha o número da página a visualizar"));
    campo_pagina->setFixedWidth(campo_pagina->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    botao_menos_zoom = botao("Picture10", Icone::MenosZoom, QStringLiteral("Menos Zoom"), &Form3::Picture10_Click);
    campo_zoom = nomear(new QLineEdit(QStringLiteral("100%"), barra_ferramentas), "Text2");
    campo_zoom->setToolTip(QStringLiteral("Informe a porcentagem de zoom"));
    campo_zoom->setFixedWidth(campo_zoom->fontMetrics().horizontalAdvance(QStringLiteral("180%")) + 16);
    botao_mais_zoom = botao("Picture9", Icone::MaisZoom, QStringLiteral("Mais Zoom"), &Form3::Picture9_Click);
    botao_ajustar_largura = botao("ajustar_largura", Icone::AjustarLargura, QStringLiteral("Ajustar à largura"),
                                  &Form3::ajustar_largura);
    botao_pagina_inteira = botao("pagina_inteira", Icone::PaginaInteira, QStringLiteral("Página inteira"),
                                 &Form3::pagina_inteira_na_tela);
    botao_procurar = botao("Picture11", Icone::Procurar,
                           QStringLiteral("Procura um texto a partir do início do Relatório"),
                           &Form3::Picture11_Click);
    botao_procurar_proxima = botao("Picture12", Icone::ProcurarProxima,
                                   QStringLiteral("Continua a procura de um texto"), &Form3::Picture12_Click);
    botao_imprimir = botao("Picture8", Icone::Imprimir, QStringLiteral("Imprimir o relatório"),
                           &Form3::Picture8_Click);
    botao_fechar = botao("Picture7", Icone::Fechar,
                         QStringLiteral("Fechar a visualização retornando para o janela principal"),
                         &Form3::Picture7_Click);

    dispor_ferramentas();
}

// The tool strip's controls in groups, the actions on the whole report last.
void Form3::dispor_ferramentas()
{
    const auto grupo = [this](std::initializer_list<QWidget*> controles) {
        for (QWidget* w : controles)
            barra_ferramentas->addWidget(w);
        barra_ferramentas->addSeparator();
    };
    grupo({botao_primeira, botao_anterior, rotulo_pagina, rotulo_numero_pagina, rotulo_de, rotulo_total_paginas,
           botao_proxima, botao_ultima});
    grupo({rotulo_ver_pagina, campo_pagina});
    grupo({botao_menos_zoom, campo_zoom, botao_mais_zoom, botao_ajustar_largura, botao_pagina_inteira});
    barra_ferramentas->addWidget(botao_procurar);
    acao_procurar_proxima = barra_ferramentas->addWidget(botao_procurar_proxima);
    acao_procurar_proxima->setVisible(false); // until a search finds something
    auto* mola = new QWidget(barra_ferramentas);
    mola->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    barra_ferramentas->addWidget(mola);
    // Actions on the whole report (print, and any other way of sending it
    // out) sit together before the close button.
    botao_email(barra_ferramentas, ctx_.enviar_por_email);
    barra_ferramentas->addWidget(botao_imprimir);
    barra_ferramentas->addWidget(botao_fechar);
}

void Form3::atalhos()
{
    const auto atalho = [this](const QKeySequence& teclas, void (Form3::*acao)()) {
        connect(new QShortcut(teclas, this), &QShortcut::activated, this, acao);
    };
    atalho(QKeySequence(Qt::Key_PageDown), &Form3::Picture3_Click);
    atalho(QKeySequence(Qt::Key_PageUp), &Form3::Picture5_Click);
    atalho(QKeySequence(Qt::CTRL | Qt::Key_Home), &Form3::Picture6_Click);
    atalho(QKeySequence(Qt::CTRL | Qt::Key_End), &Form3::Picture4_Click);
    atalho(QKeySequence(Qt::CTRL | Qt::Key_F), &Form3::Picture11_Click);
    atalho(QKeySequence(Qt::Key_F3), &Form3::Picture12_Click);
    atalho(QKeySequence(Qt::CTRL | Qt::Key_Plus), &Form3::Picture9_Click);
    atalho(QKeySequence(Qt::CTRL | Qt::Key_Equal), &Form3::Picture9_Click);
    atalho(QKeySequence(Qt::CTRL | Qt::Key_Minus), &Form3::Picture10_Click);
    atalho(QKeySequence(Qt::Key_Escape), &Form3::Picture7_Click);
    atalho(QKeySequence(Qt::CTRL | Qt::Key_0), &Form3::ajustar_largura);
    atalho(QKeySequence(Qt::CTRL | Qt::Key_P), &Form3::Picture8_Click);
}

// Nearly the whole screen: 95 % of its width and 90 % of its height, frame
// included, a little in from its top left corner.
void Form3::dispor_na_tela(QWidget* principal)
{
    QScreen* tela = principal ? principal->screen() : QGuiApplication::primaryScreen();
    if (!tela)
        return;
    const QRect area = tela->availableGeometry();
    const int moldura = style()->pixelMetric(QStyle::PM_TitleBarHeight)
                        + 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    move(area.x() + area.width() * 25 / 1000, area.y() + area.height() * 5 / 100);
    resize(area.width() * 95 / 100, std::max(200, area.height() * 90 / 100 - moldura));
}

bool Form3::iniciar()
{
    vis_.margem_esquerda_texto = ctx_.margem_esquerda;
    vis_.margem_superior_texto = ctx_.margem_superior;
    // The page index, when it is built, shows its progress in the main
    // window; the surface takes the printer's page and font on its worker.
    Observador& progresso = ctx_.observador ? *ctx_.observador : observador_mudo_;
    ObservadorEntreFios ponte(this, progresso);
    andamento->executar(QStringLiteral("Preparando a visualização..."), [&] {
        iniciar_visualizacao(*ctx_.doc, *ctx_.metricas, *ctx_.indice, vis_, *ctx_.impressora, *superficie_, ponte);
    }, no_fio_);
    setWindowTitle(vis_.titulo_janela);
    pagina_inteira->resize(static_cast<int>(superficie_->width() / twips_por_pixel_imagem),
                           static_cast<int>(superficie_->height() / twips_por_pixel_imagem));
    mostrado_ = vis_;
    return !andamento->cancelado();
}

bool Form3::ocupada() const
{
    return andamento->rodando();
}

QPoint Form3::deslocamento() const
{
    return QPoint(barra_rolagem_horizontal->value(), barra_rolagem_vertical->value());
}

void Form3::ajustar_barras()
{
    definir_faixa(barra_rolagem_horizontal, quadro_.width(), imagem_pagina->width());
    definir_faixa(barra_rolagem_vertical, quadro_.height(), imagem_pagina->height());
}

void Form3::rolar_para(bool fim)
{
    barra_rolagem_vertical->setValue(fim ? barra_rolagem_vertical->maximum() : 0);
}

void Form3::mostrar_destaque()
{
    if (vis_.posicao_achada <= 0)
        return;
    const QRect area = area_do_destaque(quadro_);
    if (area.isNull())
        return;
    const QRect vista(deslocamento(), imagem_pagina->size());
    // A hit out of view comes to a third of the view's height.
    if (!vista.contains(area))
        barra_rolagem_vertical->setValue(area.top() - imagem_pagina->height() / 3);
    if (area.right() >= vista.right() || area.left() < vista.left())
        barra_rolagem_horizontal->setValue(area.left() - imagem_pagina->width() / 3);
}

void Form3::keyPressEvent(QKeyEvent* e)
{
    // The keys of document viewers, where no field takes them.
    QScrollBar* v = barra_rolagem_vertical;
    QScrollBar* h = barra_rolagem_horizontal;
    switch (e->key()) {
    case Qt::Key_Down: v->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_Up: v->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Right: h->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_Left: h->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Home: rolar_para(false); break;
    case Qt::Key_End: rolar_para(true); break;
    case Qt::Key_Space:
        // Space reads on: down a view, and at the page's foot the next page.
        if (v->value() < v->maximum())
            v->triggerAction(e->modifiers() & Qt::ShiftModifier ? QAbstractSlider::SliderPageStepSub
                                                                : QAbstractSlider::SliderPageStepAdd);
        else if (!(e->modifiers() & Qt::ShiftModifier))
            Picture3_Click();
        break;
    default: QWidget::keyPressEvent(e); return;
    }
    e->accept();
}

// ---- Activation and closing ----------------------------------------------

bool Form3::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        QTimer::singleShot(0, this, &Form3::Form_Activate);
    return QWidget::event(e);
}

void Form3::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    imagem_pagina->setFocus();
    // A screen without a window manager may never activate the window; the
    // first page must show all the same.
    if (!ativada_)
        QTimer::singleShot(0, this, &Form3::Form_Activate);
}

void Form3::Form_Activate()
{
    rotulo_total_paginas->setText(QString::number(ctx_.indice->total_paginas));
    if (ativada_)
        return;
    ativada_ = true;
    Picture3_Click();
}

void Form3::closeEvent(QCloseEvent* e)
{
    // A page being drawn or a search stops first; the window closes then.
    if (ocupada()) {
        andamento->cancelar();
        e->ignore();
        pendentes_.push_back(&Form3::Picture7_Click);
        return;
    }
    fechada_ = true;
    pendentes_.clear();
    QWidget::closeEvent(e);
    if (auto avisar = std::exchange(ao_fechar_, nullptr))
        avisar();
}

void Form3::Picture7_Click()
{
    close();
}

void Form3::Picture8_Click()
{
    if (adiado(&Form3::Picture8_Click))
        return;
    ctx_.doc->imprimir_ao_ativar = true;
    close();
}

// ---- Rendering -----------------------------------------------------------

bool Form3::adiado(void (Form3::*acao)())
{
    if (!ocupada())
        return false;
    pendentes_.push_back(acao);
    return true;
}

void Form3::renderizar()
{
    if (fechada_ || adiado(&Form3::redisplay))
        return;
    // The page is drawn on a worker, from copies of what the main window may
    // change meanwhile; the surface and the text run are the worker's until
    // it ends. "Cancelar" or closing the window stops it.
    Documento doc = *ctx_.doc;
    doc.interromper = 0;
    const IndicePaginas indice = *ctx_.indice;
    const Metricas metricas = *ctx_.metricas;
    EstadoVisualizacao vis = vis_;
    QString falha;
    bool desenhada = false;
    QImage imagem;
    const auto parar = connect(andamento, &SegundoPlano::cancelamento, this,
                               [&doc] { std::atomic_ref<std::int16_t>(doc.interromper).store(1); });
    andamento->executar(QStringLiteral("Desenhando a página %1...").arg(std::max(1, vis.pagina_atual)), [&] {
        Observador calado; // the window shows the page when it is done
        desenhada = visualizar(doc, indice, vis, metricas, corrida_, *superficie_, calado, &falha);
        if (desenhada)
            imagem = superficie_->imagem();
    }, no_fio_);
    disconnect(parar);
    if (andamento->cancelado()) {
        // Half a page is not shown: the last page drawn stays.
        vis_ = mostrado_;
        campo_zoom->setText(QString::number(vis_.percentual_zoom) + QLatin1Char('%'));
    } else if (desenhada) {
        vis_ = mostrado_ = std::move(vis);
        quadro_ = std::move(imagem);
        rotulo_numero_pagina->setText(QString::number(vis_.pagina_atual));
        pagina_inteira->resize(quadro_.size());
        setWindowTitle(vis_.titulo_janela);
        ajustar_barras();
        mostrar_destaque();
        imagem_pagina->update();
        Q_EMIT pagina_renderizada(vis_.pagina_atual);
    } else {
        dialogos().mensagem(this, falha, titulo_aplicacao, Dialogos::Icone::Exclamacao);
    }
    executar_pendentes();
}

void Form3::executar_pendentes()
{
    while (!pendentes_.empty() && !fechada_) {
        const auto acao = pendentes_.front();
        pendentes_.pop_front();
        (this->*acao)();
    }
}

void Form3::redisplay()
{
    renderizar();
}

// ---- Navigation ----------------------------------------------------------

void Form3::Picture3_Click()
{
    if (adiado(&Form3::Picture3_Click))
        return;
    vis_.pagina_atual = std::min(vis_.pagina_atual + 1, ctx_.indice->total_paginas);
    corrida_.limpar();
    rolar_para(false);
    renderizar();
}

void Form3::Picture5_Click()
{
    if (adiado(&Form3::Picture5_Click))
        return;
    vis_.pagina_atual = std::clamp(vis_.pagina_atual - 1, 1, std::max(1, ctx_.indice->total_paginas));
    rolar_para(false);
    renderizar();
}

void Form3::Picture6_Click()
{
    if (adiado(&Form3::Picture6_Click))
        return;
    vis_.pagina_atual = 1;
    rolar_para(false);
    renderizar();
}

void Form3::Picture4_Click()
{
    if (adiado(&Form3::Picture4_Click))
        return;
    vis_.pagina_atual = ctx_.indice->total_paginas;
    rolar_para(false);
    renderizar();
}

void Form3::Text1_Change()
{
    if (adiado(&Form3::Text1_Change))
        return;
    const std::int64_t pedida = arredondar(valor_texto(campo_pagina->text()));
    vis_.pagina_atual = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(pedida, 1, std::max(1, ctx_.indice->total_paginas)));
    renderizar();
}

void Form3::Text1_LostFocus()
{
    if (!ocupada())
        Text1_Change();
}

bool Form3::eventFilter(QObject* objeto, QEvent* e)
{
    if (e->type() == QEvent::FocusOut) {
        // Leaving the window or opening a menu is not leaving the box.
        const Qt::FocusReason razao = static_cast<QFocusEvent*>(e)->reason();
        if (razao != Qt::ActiveWindowFocusReason && razao != Qt::PopupFocusReason) {
            if (objeto == campo_pagina)
                Text1_LostFocus();
            else if (objeto == campo_zoom)
                Text2_LostFocus();
        }
    }
    return QWidget::eventFilter(objeto, e);
}

// ---- Zoom ----------------------------------------------------------------

namespace {
constexpr int zoom_minimo = 40, zoom_maximo = 180, passo_zoom = 20;
}

void Form3::Picture9_Click()
{
    if (!adiado(&Form3::Picture9_Click))
        mudar_zoom(passo_zoom);
}

void Form3::Picture10_Click()
{
    if (!adiado(&Form3::Picture10_Click))
        mudar_zoom(-passo_zoom);
}

// A step of the buttons, within the limits; the page is drawn again even
// when the zoom is already at its limit.
void Form3::mudar_zoom(int passo)
{
    const int novo = std::clamp(vis_.percentual_zoom + passo, zoom_minimo, zoom_maximo);
    if (novo != vis_.percentual_zoom) {
        definir_zoom(novo);
        campo_zoom->setText(QString::number(novo) + QLatin1Char('%'));
    }
    renderizar();
}

void Form3::definir_zoom(int percentual)
{
    vis_.percentual_zoom = percentual;
    vis_.fator_zoom = percentual / 100.0;
}

void Form3::zoom_para(double lado_pixels, int espaco)
{
    if (adiado(&Form3::redisplay) || quadro_.isNull() || lado_pixels <= 0)
        return;
    const int novo = std::clamp(static_cast<int>(100.0 * espaco / lado_pixels), zoom_minimo, zoom_maximo);
    definir_zoom(novo);
    campo_zoom->setText(QString::number(novo) + QLatin1Char('%'));
    renderizar();
}

void Form3::ajustar_largura()
{
    const int barra = barra_rolagem_vertical->isVisible() ? 0 : barra_rolagem_vertical->sizeHint().width();
    zoom_para(quadro_.width() / vis_.fator_zoom, imagem_pagina->width() - barra);
}

void Form3::pagina_inteira_na_tela()
{
    const double largura = quadro_.width() / vis_.fator_zoom, altura = quadro_.height() / vis_.fator_zoom;
    const QSize espaco = imagem_pagina->size()
                         + QSize(barra_rolagem_vertical->isVisible() ? barra_rolagem_vertical->width() : 0,
                                 barra_rolagem_horizontal->isVisible() ? barra_rolagem_horizontal->height() : 0);
    if (largura * espaco.height() > altura * espaco.width())
        zoom_para(largura, espaco.width());
    else
        zoom_para(altura, espaco.height());
    rolar_para(false);
}

void Form3::Text2_LostFocus()
{
    if (adiado(&Form3::Text2_LostFocus))
        return;
    // "75%" reads as 75; a value outside the range is ignored.
    const double pedido = valor_texto(campo_zoom->text());
    if (pedido >= zoom_minimo && pedido <= zoom_maximo)
        definir_zoom(static_cast<int>(arredondar(pedido)));
    renderizar();
}

// ---- Search --------------------------------------------------------------

void Form3::Picture11_Click()
{
    if (adiado(&Form3::Picture11_Click))
        return;
    QString falha;
    if (!texto_procura->carregar(ctx_.doc->nome_arquivo, &falha)) {
        dialogos().mensagem(this, falha, titulo_procura, Dialogos::Icone::Exclamacao);
        return;
    }
    const std::optional<QString> resposta =
        dialogos().pedir_texto(this, QStringLiteral("Texto a Localizar"), titulo_procura);
    if (!resposta)
        return; // cancelled: the last hit stays as it was
    vis_.texto_procurado = *resposta;
    const std::optional<qint64> achado = procurar(0);
    if (!achado)
        return;
    if (*achado < 0) {
        vis_.posicao_achada = 0;
        texto_nao_localizado();
        return;
    }
    acao_procurar_proxima->setVisible(true);
    ir_para_achado(*achado);
}

std::optional<qint64> Form3::procurar(qint64 inicio)
{
    qint64 achado = -1;
    QString falha;
    const bool ok = texto_procura->procurar(vis_.texto_procurado, inicio, achado, &falha, *andamento);
    const bool cancelada = andamento->cancelado();
    std::optional<qint64> r;
    if (ok)
        r = achado;
    else if (!cancelada)
        dialogos().mensagem(this, falha, titulo_procura, Dialogos::Icone::Exclamacao);
    // What was asked for meanwhile (closing the window, another page).
    executar_pendentes();
    return fechada_ ? std::nullopt : r;
}

void Form3::Picture12_Click()
{
    if (adiado(&Form3::Picture12_Click))
        return;
    // F3 before anything was found starts a search from the beginning.
    if (!acao_procurar_proxima->isVisible()) {
        Picture11_Click();
        return;
    }
    const std::optional<qint64> achado = procurar(vis_.posicao_achada + 1);
    if (!achado)
        return;
    if (*achado < 0) {
        texto_nao_localizado();
        return;
    }
    ir_para_achado(*achado);
}

void Form3::ir_para_achado(qint64 achado)
{
    vis_.posicao_achada = achado;
    vis_.pagina_atual = pagina_do_achado(ctx_.doc->nome_arquivo, *ctx_.indice, achado);
    renderizar();
}

void Form3::texto_nao_localizado()
{
    dialogos().mensagem(this, QStringLiteral("Texto não localizado"), titulo_procura,
                        Dialogos::Icone::Informacao);
}

// ---- The launch ----------------------------------------------------------

QWidget* Command6_Click(const ContextoVisualizacao& contexto, QWidget* principal,
                        std::function<void()> ao_fechar)
{
    if (!contexto.doc || !contexto.metricas || !contexto.indice || !contexto.impressora
        || contexto.doc->nome_arquivo.isEmpty())
        return nullptr;
    // One preview at a time: a new launch replaces the one still open.
    if (principal) {
        for (Form3* aberta : principal->findChildren<Form3*>(QString(), Qt::FindDirectChildrenOnly)) {
            // Never a second reader of the report while a page is drawn.
            if (aberta->ocupada()) {
                aberta->raise();
                return aberta;
            }
            aberta->close();
        }
    }
    auto* janela = new Form3(contexto, principal, std::move(ao_fechar));
    if (!janela->iniciar()) {
        janela->close(); // "Cancelar" while the pages were found
        return nullptr;
    }
    janela->show();
    return janela;
}

} // namespace papelada
