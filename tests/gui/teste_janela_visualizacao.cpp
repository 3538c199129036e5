// The preview window driven from the main window as a user drives it:
// activation, page navigation and the page box, zoom, scrolling, search,
// and when the page index is built (print from the preview is
// teste_impressao_janela's). What a page
// looks like, the search's matching and its highlight, and a page asked for
// while another is drawn are checked on the core (teste_visualizacao).
#include "app/janela_form3.h"
#include "app/segundo_plano.h"
#include "gui/roteiro.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <tuple>

using namespace papelada;
using papelada::teste::controle;
using papelada::teste::DialogosRoteiro;

namespace {

constexpr int total_paginas = 14;

// Fourteen pages separated by form feeds. Page 3 begins with the word that
// the search looks for, page 5 holds it once more; nothing else does.
QByteArray relatorio()
{
    QByteArray r;
    for (int p = 1; p <= total_paginas; ++p) {
        if (p > 1)
            r += '\f';
        if (p == 3)
            r += "Alvo na primeira linha\r\n";
        r += "Pagina " + QByteArray::number(p) + "\r\nconteudo comum\r\n";
        if (p == 5)
            r += "outro ALVO aqui\r\n";
    }
    return r + '\x1a'; // the last byte is never drawn
}

QString texto(QWidget* janela, const char* nome) { return controle<QLabel>(*janela, nome)->text(); }
void clicar(QWidget* janela, const char* nome) { controle<QToolButton>(*janela, nome)->click(); }

QList<int> paginas(const QSignalSpy& spy)
{
    QList<int> r;
    for (const QList<QVariant>& sinal : spy)
        r.append(sinal.at(0).toInt());
    return r;
}

} // namespace

// The preview of the test's main window, showing page 1 (the test fails when it does not).
#define ABRIR(janela) Form3* janela = abrir(); QVERIFY(janela)

class TesteJanelaVisualizacao : public QObject {
    Q_OBJECT

    QString caminho_;
    std::unique_ptr<DialogosRoteiro> dialogos_;
    std::unique_ptr<Form1> principal_;

    // The main window on the report, and its preview showing page 1.
    Form3* abrir()
    {
        principal_->Command6_Click();
        auto* janela = principal_->findChild<Form3*>();
        return janela && QTest::qWaitFor([&] { return janela->estado().pagina_atual == 1; }) ? janela : nullptr;
    }

private Q_SLOTS:
    void init()
    {
        caminho_ = teste::gravar(QStringLiteral("relatorio.spl"), relatorio());
        dialogos_ = std::make_unique<DialogosRoteiro>();
        principal_ = teste::janela_principal(*dialogos_, caminho_);
        principal_->show();
    }

    void cleanup() { principal_.reset(); } // before the dialogs it answers to

    void abertura_e_navegacao()
    {
        ABRIR(janela);
        // The viewport above the horizontal bar, left of the vertical one,
        // the tool strip at the bottom.
        auto* visor = controle<QWidget>(*janela, "Picture2");
        auto* vertical = controle<QScrollBar>(*janela, "VScroll1");
        auto* horizontal = controle<QScrollBar>(*janela, "HScroll1");
        QVERIFY(visor->geometry().right() < vertical->geometry().left());
        QVERIFY(horizontal->geometry().bottom() < controle<QWidget>(*janela, "Frame1")->geometry().top());
        // The scroll range is the page: its end meets the view's end, and
        // a bar shows only when the page does not fit.
        for (auto [barra, pagina, vista] : {std::tuple{horizontal, janela->imagem().width(), visor->width()},
                                            std::tuple{vertical, janela->imagem().height(), visor->height()}}) {
            QCOMPARE(barra->maximum(), std::max(0, pagina - vista));
            QCOMPARE(barra->pageStep(), vista);
            QCOMPARE(barra->isVisible(), pagina > vista);
        }
        QCOMPARE(texto(janela, "Label4"), QString::number(total_paginas));

        // Previous on page 1 and next on the last page draw the same page again.
        QSignalSpy desenhadas(janela, &Form3::pagina_renderizada);
        for (const char* botao : {"Picture5", "Picture3", "Picture3", "Picture5", "Picture4", "Picture3", "Picture6"})
            clicar(janela, botao);
        QCOMPARE(paginas(desenhadas), (QList<int>{1, 2, 3, 2, total_paginas, total_paginas, 1}));
        QCOMPARE(texto(janela, "Label2"), QStringLiteral("1"));

        // Coming back to the preview from another window does not turn the page.
        clicar(janela, "Picture3");
        desenhadas.clear();
        janela->Form_Activate();
        QCOMPARE(janela->estado().pagina_atual, 2);
        QCOMPARE(desenhadas.count(), 0);
    }

    void caixa_de_pagina()
    {
        ABRIR(janela);
        auto* caixa = controle<QLineEdit>(*janela, "Text1");
        // Each keystroke shows its page: typing 12 shows page 1, then page
        // 12; an empty box (as a letter) is page 1.
        QSignalSpy desenhadas(janela, &Form3::pagina_renderizada);
        QTest::keyClicks(caixa, QStringLiteral("12"));
        QTest::keyClicks(caixa, QStringLiteral("\b\b"));
        QCOMPARE(paginas(desenhadas), (QList<int>{1, 12, 1, 1}));
        // Halves to the even page, the number ends at a comma, at most the last page.
        const QList<QPair<QString, int>> casos = {{QStringLiteral("4.5"), 4}, {QStringLiteral("5.5"), 6},
                                                  {QStringLiteral("7,9"), 7},
                                                  {QStringLiteral("99999999999"), total_paginas}};
        for (const auto& [digitado, pagina] : casos) {
            caixa->setText(digitado);
            QCOMPARE(janela->estado().pagina_atual, pagina);
            QCOMPARE(texto(janela, "Label2"), QString::number(pagina));
            QCOMPARE(caixa->text(), digitado); // the box keeps what was typed
        }
    }

    void zoom()
    {
        ABRIR(janela);
        const int largura_100 = janela->imagem().width();
        QSignalSpy desenhadas(janela, &Form3::pagina_renderizada);
        auto* caixa = controle<QLineEdit>(*janela, "Text2");
        const auto zoom = [&] { return janela->estado().percentual_zoom; };
        for (int i = 0; i < 6; ++i) // the last click, at the top, only draws again
            clicar(janela, "Picture9");
        QCOMPARE(zoom(), 180);
        QCOMPARE(caixa->text(), QStringLiteral("180%"));
        QVERIFY(janela->imagem().width() > largura_100 * 17 / 10);
        for (int i = 0; i < 8; ++i)
            clicar(janela, "Picture10");
        QCOMPARE(zoom(), 40);
        QCOMPARE(desenhadas.count(), 14);

        // A typed value in range is taken as it is; one out of range is
        // ignored, but the page is drawn again.
        for (const char* digitado : {"75", "200", "39.9", "abc"}) {
            caixa->setText(QString::fromLatin1(digitado));
            QTest::keyClick(caixa, Qt::Key_Return);
            QCOMPARE(zoom(), 75);
        }
        QCOMPARE(desenhadas.count(), 18);
        clicar(janela, "Picture9");
        QCOMPARE(zoom(), 95);
    }

    // The keys and the wheel of document viewers.
    void rolagem()
    {
        ABRIR(janela);
        auto* v = controle<QScrollBar>(*janela, "VScroll1");
        auto* visor = controle<QWidget>(*janela, "Picture2");
        clicar(janela, "Picture9");
        clicar(janela, "Picture9"); // 140 %: the page is well taller than the view
        QVERIFY(v->maximum() > v->singleStep() + v->pageStep());
        // The view only copies from the page image, at the scroll offset.
        auto* h = controle<QScrollBar>(*janela, "HScroll1");
        h->setValue(h->maximum());
        v->setValue(100);
        QSignalSpy desenhadas(janela, &Form3::pagina_renderizada);
        const QImage tela = visor->grab().toImage();
        for (const QPoint p : {QPoint(0, 0), QPoint(10, 37), QPoint(40, 300)})
            QCOMPARE(tela.pixelColor(p), janela->imagem().pixelColor(p + QPoint(h->maximum(), 100)));
        QCOMPARE(desenhadas.count(), 0);
        enum { Topo = -1, Pe = -2 };
        struct Caso { Qt::Key tecla; int pagina, valor; }; // the page shown and where the view is on it
        const int passo = v->singleStep();
        const Caso casos[] = {
            {Qt::Key_End, 1, Pe},  {Qt::Key_PageDown, 2, Topo}, {Qt::Key_Down, 2, passo},
            {Qt::Key_Space, 2, passo + v->pageStep()}, {Qt::Key_Up, 2, v->pageStep()},
            {Qt::Key_Home, 2, Topo}, {Qt::Key_End, 2, Pe}, {Qt::Key_Space, 3, Topo}, {Qt::Key_PageUp, 2, Topo},
        };
        for (const Caso& c : casos) {
            QTest::keyClick(visor, c.tecla);
            QCOMPARE(janela->estado().pagina_atual, c.pagina);
            QCOMPARE(v->value(), c.valor == Topo ? 0 : c.valor == Pe ? v->maximum() : c.valor);
        }
        // The wheel scrolls; with Ctrl it zooms (and the page's top shows).
        struct Giro { int giro; Qt::KeyboardModifier tecla; int zoom, valor; };
        for (const Giro g : {Giro{120, Qt::ControlModifier, 160, 0}, Giro{-120, Qt::ControlModifier, 140, 0},
                             Giro{-120, Qt::ControlModifier, 120, 0}, Giro{-120, Qt::NoModifier, 120, 3 * v->singleStep()}}) {
            QWheelEvent roda(QPointF(50, 50), visor->mapToGlobal(QPointF(50, 50)), {}, QPoint(0, g.giro), Qt::NoButton,
                             g.tecla, Qt::NoScrollPhase, false);
            QApplication::sendEvent(visor, &roda);
            QCOMPARE(janela->estado().percentual_zoom, g.zoom);
            QCOMPARE(v->value(), g.valor);
        }
        // Whole page: no bar; page width: no horizontal bar.
        clicar(janela, "pagina_inteira");
        QTRY_VERIFY(v->isHidden() && controle<QScrollBar>(*janela, "HScroll1")->isHidden());
        clicar(janela, "ajustar_largura");
        QTRY_VERIFY(controle<QScrollBar>(*janela, "HScroll1")->isHidden());
        QVERIFY(janela->imagem().width() > visor->width() * 9 / 10);
    }

    // Only what is printed is searched: not the text of a command, not a
    // font record; a hit low on the page is scrolled into view.
    void procura_no_texto_impresso()
    {
        QByteArray r = "\x1b" "0Lote 60\x1a" + teste::registro_fonte("Courier New", 10) + "inicio\r\n";
        for (int i = 0; i < 45; ++i)
            r += "linha\r\n";
        r += "total 60\r\n\x1a";
        teste::gravar(QStringLiteral("relatorio.spl"), r);
        dialogos_->abrir = {caminho_};
        principal_->Command8_Click();
        ABRIR(janela);
        for (auto [procurado, achado] : {std::pair{"courier", qsizetype(-1)}, std::pair{"60", r.indexOf("total 60") + 6}}) {
            dialogos_->textos = {QString::fromLatin1(procurado)};
            dialogos_->mensagens.clear();
            clicar(janela, "Picture11");
            QCOMPARE(janela->estado().posicao_achada, std::max<qint64>(achado, 0));
            QCOMPARE(dialogos_->mensagens.size(), achado < 0 ? 1 : 0);
        }
        QCOMPARE(janela->estado().pagina_atual, 1);
        QVERIFY(controle<QScrollBar>(*janela, "VScroll1")->value() > 0);
        const QImage vista = controle<QWidget>(*janela, "Picture2")->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto *pontos = reinterpret_cast<const QRgb*>(vista.constBits()), *fim = pontos + vista.sizeInBytes() / 4;
        QVERIFY(std::find(pontos, fim, QBColor(9).rgb()) != fim); // the hit's highlight shows
    }

    void procura()
    {
        ABRIR(janela);
        QVERIFY(controle<QWidget>(*janela, "Picture12")->isHidden()); // until something is found
        const QByteArray dados = relatorio();

        dialogos_->textos = {QStringLiteral("alvo")};
        clicar(janela, "Picture11");
        QCOMPARE(dialogos_->pedidos_texto, QStringList{QStringLiteral("Procura de Texto|Texto a Localizar")});
        // The hit is the first byte of page 3.
        QCOMPARE(janela->estado().posicao_achada, dados.indexOf("Alvo"));
        QCOMPARE(texto(janela, "Label2"), QStringLiteral("3"));

        clicar(janela, "Picture12");
        QCOMPARE(janela->estado().pagina_atual, 5);

        // After the last hit: the message, and the last hit stays shown.
        QSignalSpy desenhadas(janela, &Form3::pagina_renderizada);
        clicar(janela, "Picture12");
        QCOMPARE(dialogos_->mensagens.size(), 1);
        QCOMPARE(dialogos_->mensagens[0].texto, QStringLiteral("Texto não localizado"));
        QCOMPARE(janela->estado().posicao_achada, dados.indexOf("ALVO"));
        QCOMPARE(desenhadas.count(), 0);

        // A search from the start that finds nothing clears the hit.
        dialogos_->textos = {QStringLiteral("inexistente")};
        clicar(janela, "Picture11");
        QCOMPARE(dialogos_->mensagens.size(), 2);
        QCOMPARE(janela->estado().posicao_achada, 0);

        // Cancelling the input box changes nothing.
        clicar(janela, "Picture11");
        QCOMPARE(dialogos_->mensagens.size(), 2);
        QCOMPARE(janela->estado().pagina_atual, 5);
    }

    void indice_construido_so_quando_invalido()
    {
        // The page index is kept while file and font stay: a page added to
        // the file after the first preview is seen only after a font change.
        for (int vez = 0; vez < 2; ++vez) {
            QPointer<Form3> janela = abrir();
            QVERIFY(janela);
            QCOMPARE(texto(janela, "Label4"), QString::number(total_paginas));
            janela->close();
            QTRY_VERIFY(!janela);
            QFile arquivo(caminho_);
            QVERIFY(arquivo.open(QIODevice::Append));
            arquivo.write("\fPagina extra\r\n\x1a");
        }
        dialogos_->fontes = {FonteEscolhida{QStringLiteral("Courier New"), 12}};
        principal_->Command4_Click();
        ABRIR(janela);
        QCOMPARE(texto(janela, "Label4"), QString::number(total_paginas + 2));
    }

    // A page that takes long to draw (thick lines across it): the window
    // repaints and takes Esc meanwhile, and the drawing stops unseen.
    void esc_durante_um_desenho_longo()
    {
        teste::gravar(QStringLiteral("relatorio.spl"), QByteArray("\x1b" "l0,0,11000,16000,200,1\x1a").repeated(100000));
        dialogos_->abrir = {caminho_};
        principal_->Command8_Click();
        principal_->Command6_Click();
        QPointer<Form3> janela = principal_->findChild<Form3*>();
        QVERIFY(janela);
        QSignalSpy desenhadas(janela.data(), &Form3::pagina_renderizada);
        bool ocupada = false;
        connect(janela->findChild<SegundoPlano*>(), &SegundoPlano::mostrado, this, [&] {
            ocupada = janela->ocupada(); // the drawing runs while the events do
            QTest::keyClick(janela, Qt::Key_Escape);
        });
        QTRY_VERIFY(!janela);
        QVERIFY(ocupada);
        QCOMPARE(desenhadas.count(), 0);
    }

    void teclado()
    {
        ABRIR(janela);
        janela->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(janela));
        for (const Qt::Key tecla : {Qt::Key_Plus, Qt::Key_Minus, Qt::Key_Minus})
            QTest::keyClick(janela, tecla, Qt::ControlModifier);
        QCOMPARE(janela->estado().percentual_zoom, 80);
        dialogos_->textos = {QStringLiteral("alvo")};
        QTest::keyClick(janela, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClick(janela, Qt::Key_F3);
        QCOMPARE(janela->estado().pagina_atual, 5);
        // Escape closes the preview and prints nothing.
        QPointer<Form3> viva(janela);
        QTest::keyClick(janela, Qt::Key_Escape);
        QTRY_VERIFY(!viva);
        QVERIFY(dialogos_->iniciais_salvar.isEmpty());
    }

    void arquivo_apagado_durante_a_visualizacao()
    {
        ABRIR(janela);
        QVERIFY(QFile::remove(caminho_));
        clicar(janela, "Picture3");
        QCOMPARE(dialogos_->mensagens.size(), 1);
        dialogos_->textos = {QStringLiteral("alvo")};
        clicar(janela, "Picture11");
        QCOMPARE(dialogos_->mensagens.size(), 2);
        QCOMPARE(dialogos_->mensagens[1].titulo, QStringLiteral("Procura de Texto"));
        QVERIFY(dialogos_->pedidos_texto.isEmpty());
    }
};

PAPELADA_TESTE_JANELA(TesteJanelaVisualizacao)

#include "teste_janela_visualizacao.moc"
