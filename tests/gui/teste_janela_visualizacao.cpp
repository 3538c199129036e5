// The preview window driven from the main window as a user drives it:
// activation, page navigation and the page box, zoom, scrolling, search,
// print from the preview, and when the page index is built.
#include "app/form1.h"
#include "gui/roteiro.h"
#include "app/janela_form3.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <memory>

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

QString texto(QWidget* janela, const char* nome)
{
    return controle<QLabel>(janela, nome)->text();
}

// Pixels of the search highlight (light blue) in a page image.
int pixels_destaque(const QImage& imagem)
{
    int n = 0;
    for (int y = 0; y < imagem.height(); ++y)
        for (int x = 0; x < imagem.width(); ++x) {
            const QColor c = imagem.pixelColor(x, y);
            n += c.blue() > 180 && c.red() < 120 && c.green() < 120;
        }
    return n;
}

QList<int> paginas(const QSignalSpy& spy)
{
    QList<int> r;
    for (const QList<QVariant>& sinal : spy)
        r.append(sinal.at(0).toInt());
    return r;
}

} // namespace

class TesteJanelaVisualizacao : public QObject {
    Q_OBJECT

    QTemporaryDir pasta_;
    QString caminho_;
    std::unique_ptr<DialogosRoteiro> dialogos_;
    std::unique_ptr<Form1> principal_;

    // The main window on the report, and its preview showing page 1.
    Form3* abrir()
    {
        principal_->Command6_Click();
        auto* janela = principal_->findChild<Form3*>();
        if (janela && !QTest::qWaitFor([&] { return janela->estado().pagina_atual == 1; }))
            return nullptr;
        return janela;
    }

private Q_SLOTS:
    void init()
    {
        caminho_ = pasta_.filePath(QStringLiteral("relatorio.spl"));
        teste::gravar_arquivo(caminho_, relatorio());
        dialogos_ = std::make_unique<DialogosRoteiro>();
        principal_ = std::make_unique<Form1>(*dialogos_, caminho_, impressora_pdf);
        QVERIFY(principal_->Form_Load());
        principal_->show();
    }

    void cleanup()
    {
        principal_.reset();
        dialogos_.reset();
    }

    void controles_e_dicas()
    {
        principal_->Command6_Click();
        auto* janela = principal_->findChild<Form3*>();
        QVERIFY(janela);
        QCOMPARE(janela->windowTitle(), QStringLiteral("Visualização de Relatório"));
        // Before the first activation the page labels are blank.
        QCOMPARE(texto(janela, "Label2"), QString());
        QCOMPARE(texto(janela, "Label4"), QString());
        QCOMPARE(texto(janela, "Label1"), QStringLiteral("Página"));
        QCOMPARE(texto(janela, "Label3"), QStringLiteral("de"));
        QCOMPARE(texto(janela, "Label5"), QStringLiteral("Ver página"));
        const QList<QPair<const char*, QString>> dicas = {
            {"Text1", QStringLiteral("Escolha o número da página a visualizar")},
            {"Picture6", QStringLiteral("Vai para a primeira página")},
            {"Picture5", QStringLiteral("Retrocede uma página")},
            {"Picture3", QStringLiteral("Avança uma página")},
            {"Picture4", QStringLiteral("Avança para a última página")},
            {"Picture10", QStringLiteral("Menos Zoom")},
            {"Picture9", QStringLiteral("Mais Zoom")},
            {"Text2", QStringLiteral("Informe a porcentagem de zoom")},
            {"Picture11", QStringLiteral("Procura um texto a partir do início do Relatório")},
            {"Picture12", QStringLiteral("Continua a procura de um texto")},
            {"Picture8", QStringLiteral("Imprimir o relatório")},
            {"Picture7", QStringLiteral("Fechar a visualização retornando para o janela principal")},
        };
        for (const auto& [nome, dica] : dicas) {
            auto* w = controle<QWidget>(janela, nome);
            QVERIFY2(w, nome);
            QCOMPARE(w->toolTip(), dica);
        }
        for (const char* nome : {"Picture1", "Picture2", "HScroll1", "VScroll1", "Frame1", "RichTextBox1"})
            QVERIFY2(janela->findChild<QObject*>(QLatin1String(nome)), nome);
        for (const char* nome : {"Picture3", "Picture8", "Picture11"})
            QVERIFY2(!controle<QToolButton>(janela, nome)->icon().isNull(), nome);
        QVERIFY(controle<QWidget>(janela, "Picture12")->isHidden());
        QVERIFY(controle<QWidget>(janela, "Picture1")->isHidden());
    }

    void janela_e_barras_de_rolagem()
    {
        Form3* janela = abrir();
        QVERIFY(janela);
        // Nearly the whole screen, the viewport taking all that the vertical
        // bar and the tool strip leave.
        const QRect tela = janela->screen()->availableGeometry();
        QVERIFY(janela->width() >= tela.width() * 9 / 10);
        auto* visor = controle<QWidget>(janela, "Picture2");
        auto* frame = controle<QWidget>(janela, "Frame1");
        auto* vertical = controle<QScrollBar>(janela, "VScroll1");
        auto* horizontal = controle<QScrollBar>(janela, "HScroll1");
        QVERIFY(visor->geometry().right() < vertical->geometry().left());
        QVERIFY(visor->geometry().bottom() < horizontal->geometry().top());
        QVERIFY(horizontal->geometry().bottom() < frame->geometry().top());
        QVERIFY(visor->width() > janela->width() - vertical->width() - 10);

        // An A4 page: 11906 x 16838 twips.
        QCOMPARE(principal_->metricas().largura_folha, 11906);
        QCOMPARE(horizontal->maximum(), 744);
        QCOMPARE(horizontal->pageStep(), 248);
        QCOMPARE(horizontal->singleStep(), 25);
        QCOMPARE(vertical->maximum(), 1052); // 16838 / 16 = 1052.375
        QCOMPARE(horizontal->value(), 0);
    }

    void primeira_ativacao_mostra_a_pagina_1()
    {
        Form3* janela = abrir();
        QVERIFY(janela);
        QCOMPARE(texto(janela, "Label2"), QStringLiteral("1"));
        QCOMPARE(texto(janela, "Label4"), QString::number(total_paginas));

        // Coming back to the preview from another window does not turn the page.
        QSignalSpy desenhadas(janela, &Form3::pagina_renderizada);
        principal_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(principal_.get()));
        janela->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(janela));
        QTest::qWait(50);
        janela->Form_Activate();
        QCOMPARE(janela->estado().pagina_atual, 1);
        QCOMPARE(desenhadas.count(), 0);
        QCOMPARE(texto(janela, "Label4"), QString::number(total_paginas));
    }

    void botoes_de_navegacao()
    {
        Form3* janela = abrir();
        QVERIFY(janela);
        QSignalSpy desenhadas(janela, &Form3::pagina_renderizada);
        const auto clicar = [&](const char* nome) { controle<QToolButton>(janela, nome)->click(); };
        clicar("Picture5"); // previous on page 1: page 1 again
        clicar("Picture3");
        clicar("Picture3");
        clicar("Picture5");
        clicar("Picture4");
        clicar("Picture3"); // next on the last page: the last page again
        clicar("Picture6");
        QCOMPARE(paginas(desenhadas), (QList<int>{1, 2, 3, 2, total_paginas, total_paginas, 1}));
        QCOMPARE(texto(janela, "Label2"), QStringLiteral("1"));
    }

    void caixa_de_pagina_data()
    {
        QTest::addColumn<QString>("digitado");
        QTest::addColumn<int>("pagina");
        QTest::newRow("zero") << "0" << 1;
        QTest::newRow("letra") << "x" << 1;
        QTest::newRow("negativo") << "-3" << 1;
        QTest::newRow("meio par") << "4.5" << 4;
        QTest::newRow("meio impar") << "5.5" << 6;
        QTest::newRow("vírgula") << "7,9" << 7;
        QTest::newRow("além do fim") << "99" << total_paginas;
        QTest::newRow("além de 16 bits") << "99999999999" << total_paginas;
    }

    void caixa_de_pagina()
    {
        QFETCH(QString, digitado);
        QFETCH(int, pagina);
        Form3* janela = abrir();
        QVERIFY(janela);
        controle<QToolButton>(janela, "Picture3")->click();
        controle<QLineEdit>(janela, "Text1")->setText(digitado);
        QCOMPARE(janela->estado().pagina_atual, pagina);
        QCOMPARE(texto(janela, "Label2"), QString::number(pagina));
        // The box keeps what was typed.
        QCOMPARE(controle<QLineEdit>(janela, "Text1")->text(), digitado);
    }

    void digitar_doze_mostra_a_1_e_depois_a_12()
    {
        Form3* janela = abrir();
        QVERIFY(janela);
        QSignalSpy desenhadas(janela, &Form3::pagina_renderizada);
        auto* caixa = controle<QLineEdit>(janela, "Text1");
        QTest::keyClicks(caixa, QStringLiteral("12"));
        QCOMPARE(paginas(desenhadas), (QList<int>{1, 12}));
        QTest::keyClick(caixa, Qt::Key_Backspace);
        QTest::keyClick(caixa, Qt::Key_Backspace); // empty box: page 1
        QCOMPARE(paginas(desenhadas), (QList<int>{1, 12, 1, 1}));
    }

    void zoom()
    {
        Form3* janela = abrir();
        QVERIFY(janela);
        const int largura_100 = janela->imagem().width();
        QSignalSpy desenhadas(janela, &Form3::pagina_renderizada);
        auto* caixa = controle<QLineEdit>(janela, "Text2");
        QCOMPARE(caixa->text(), QStringLiteral("100%"));
        auto* mais = controle<QToolButton>(janela, "Picture9");
        auto* menos = controle<QToolButton>(janela, "Picture10");
        for (int i = 0; i < 5; ++i)
            mais->click();
        QCOMPARE(janela->estado().percentual_zoom, 180);
        QCOMPARE(caixa->text(), QStringLiteral("180%"));
        QVERIFY(janela->imagem().width() > largura_100 * 17 / 10);
        mais->click(); // at the top: same zoom, page drawn again
        QCOMPARE(janela->estado().percentual_zoom, 180);
        QCOMPARE(desenhadas.count(), 6);
        for (int i = 0; i < 8; ++i)
            menos->click();
        QCOMPARE(janela->estado().percentual_zoom, 40);
        QCOMPARE(janela->estado().fator_zoom, 0.4);
        QCOMPARE(caixa->text(), QStringLiteral("40%"));
        QCOMPARE(desenhadas.count(), 14);

        caixa->setText(QStringLiteral("75"));
        QTest::keyClick(caixa, Qt::Key_Return);
        QCOMPARE(janela->estado().percentual_zoom, 75);
        QCOMPARE(janela->estado().fator_zoom, 0.75);
        QCOMPARE(caixa->text(), QStringLiteral("75")); // not rewritten
        QCOMPARE(desenhadas.count(), 15);
        for (const QString& fora : {QStringLiteral("200"), QStringLiteral("39.9"), QStringLiteral("abc")}) {
            caixa->setText(fora);
            QTest::keyClick(caixa, Qt::Key_Return);
            QCOMPARE(janela->estado().percentual_zoom, 75);
        }
        QCOMPARE(desenhadas.count(), 18); // ignored, but drawn again
        mais->click();
        QCOMPARE(janela->estado().percentual_zoom, 95);
    }

    void rolar_so_copia_a_imagem()
    {
        Form3* janela = abrir();
        QVERIFY(janela);
        controle<QToolButton>(janela, "Picture9")->click(); // 120 %
        QSignalSpy desenhadas(janela, &Form3::pagina_renderizada);
        auto* horizontal = controle<QScrollBar>(janela, "HScroll1");
        auto* vertical = controle<QScrollBar>(janela, "VScroll1");
        auto* visor = controle<QWidget>(janela, "Picture2");

        horizontal->setValue(horizontal->maximum());
        vertical->setValue(100);
        QCOMPARE(janela->deslocamento(), QPoint(892, 120)); // Int(744 x 1.2), Int(100 x 1.2)
        const QImage tela = visor->grab().toImage();
        const QImage& pagina = janela->imagem();
        const QPoint o = janela->deslocamento();
        for (const QPoint p : {QPoint(0, 0), QPoint(10, 37), QPoint(200, 300)}) {
            if (p.x() + o.x() < pagina.width() && p.y() + o.y() < pagina.height())
                QCOMPARE(tela.pixelColor(p), pagina.pixelColor(p + o));
        }

        // The wheel scrolls down, and back up.
        const int antes = vertical->value();
        QWheelEvent roda(QPointF(50, 50), visor->mapToGlobal(QPointF(50, 50)), {}, QPoint(0, -120),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(visor, &roda);
        QVERIFY(vertical->value() > antes);
        QCOMPARE(desenhadas.count(), 0);
    }

    void procura()
    {
        Form3* janela = abrir();
        QVERIFY(janela);
        QVERIFY(pixels_destaque(janela->imagem()) == 0);
        const QByteArray dados = relatorio();
        const qint64 inicio_3 = dados.indexOf("Alvo");
        const qint64 achado_5 = dados.indexOf("ALVO");

        dialogos_->textos = {QStringLiteral("alvo")};
        controle<QToolButton>(janela, "Picture11")->click();
        QCOMPARE(dialogos_->pedidos_texto, QStringList{QStringLiteral("Procura de Texto|Texto a Localizar")});
        // The hit is the first byte of page 3.
        QCOMPARE(janela->estado().posicao_achada, inicio_3);
        QCOMPARE(janela->estado().pagina_atual, 3);
        QCOMPARE(texto(janela, "Label2"), QStringLiteral("3"));
        QVERIFY(pixels_destaque(janela->imagem()) > 20);
        QVERIFY(!controle<QWidget>(janela, "Picture12")->isHidden());
        QVERIFY(dialogos_->mensagens.isEmpty());

        auto* proxima = controle<QToolButton>(janela, "Picture12");
        proxima->click();
        QCOMPARE(janela->estado().posicao_achada, achado_5);
        QCOMPARE(janela->estado().pagina_atual, 5);

        // After the last hit: the message, and the last hit stays shown.
        QSignalSpy desenhadas(janela, &Form3::pagina_renderizada);
        proxima->click();
        QCOMPARE(dialogos_->mensagens.size(), 1);
        QCOMPARE(dialogos_->mensagens[0].texto, QStringLiteral("Texto não localizado"));
        QCOMPARE(dialogos_->mensagens[0].titulo, QStringLiteral("Procura de Texto"));
        QCOMPARE(janela->estado().posicao_achada, achado_5);
        QCOMPARE(janela->estado().pagina_atual, 5);
        QCOMPARE(desenhadas.count(), 0);
        QVERIFY(pixels_destaque(janela->imagem()) > 20);

        // A search from the start that finds nothing clears the hit.
        dialogos_->textos = {QStringLiteral("inexistente")};
        controle<QToolButton>(janela, "Picture11")->click();
        QCOMPARE(dialogos_->mensagens.size(), 2);
        QCOMPARE(janela->estado().posicao_achada, 0);
        QCOMPARE(desenhadas.count(), 0);
        controle<QToolButton>(janela, "Picture3")->click();
        QVERIFY(pixels_destaque(janela->imagem()) == 0);

        // Cancelling the input box changes nothing.
        controle<QToolButton>(janela, "Picture11")->click();
        QCOMPARE(dialogos_->mensagens.size(), 2);
        QCOMPARE(janela->estado().pagina_atual, 6);
    }

    void imprimir_da_visualizacao_inicia_um_trabalho()
    {
        QPointer<Form3> janela = abrir();
        QVERIFY(janela);
        const QString pdf = pasta_.filePath(QStringLiteral("saida.pdf"));
        dialogos_->salvar = {pdf};
        controle<QToolButton>(janela, "Picture8")->click();
        QTRY_VERIFY(!janela);
        QTRY_VERIFY(QFile::exists(pdf));
        // Activating the main window again prints nothing more.
        principal_->activateWindow();
        QTest::qWait(100);
        principal_->Form_Activate();
        QCOMPARE(dialogos_->iniciais_salvar.size(), 1); // the one job asked for its output file
        QVERIFY(!principal_->documento().imprimir_ao_ativar);
    }

    void fechar_nao_imprime()
    {
        QPointer<Form3> janela = abrir();
        QVERIFY(janela);
        QTest::keyClick(janela, Qt::Key_Escape);
        QTRY_VERIFY(!janela);
        QTest::qWait(50);
        QVERIFY(dialogos_->iniciais_salvar.isEmpty());
    }

    void indice_construido_so_quando_invalido()
    {
        auto* quadro = principal_->findChild<QGroupBox*>(QStringLiteral("Frame2"));
        QVERIFY(quadro);
        int analises = 0;
        struct Contador : QObject {
            int* n;
            QGroupBox* q;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::ShowToParent
                    && q->title() == QStringLiteral("Analisando os dados a Imprimir"))
                    ++*n;
                return false;
            }
        } contador;
        contador.n = &analises;
        contador.q = quadro;
        quadro->installEventFilter(&contador);

        for (int vez = 0; vez < 2; ++vez) {
            QPointer<Form3> janela = abrir();
            QVERIFY(janela);
            janela->close();
            QTRY_VERIFY(!janela);
        }
        QCOMPARE(analises, 1);

        FonteEscolhida fonte;
        fonte.nome = QStringLiteral("Courier New");
        fonte.tamanho = 12;
        dialogos_->fontes = {fonte};
        principal_->Command4_Click();
        QVERIFY(!principal_->documento().indice_valido);
        QVERIFY(abrir());
        QCOMPARE(analises, 2);
        QVERIFY(principal_->documento().indice_valido);
        quadro->removeEventFilter(&contador);
    }

    void clique_durante_o_desenho_espera_a_pagina()
    {
        Form3* janela = abrir();
        QVERIFY(janela);
        controle<QToolButton>(janela, "Picture3")->click();
        QSignalSpy desenhadas(janela, &Form3::pagina_renderizada);
        bool durante = false;
        dialogos_->ao_processar = [&] {
            if (!durante && janela->estado().renderizando) {
                durante = true;
                controle<QToolButton>(janela, "Picture3")->click(); // arrives mid-page
                QCOMPARE(desenhadas.count(), 0);
            }
        };
        controle<QToolButton>(janela, "Picture6")->click();
        dialogos_->ao_processar = nullptr;
        QVERIFY(durante);
        QCOMPARE(paginas(desenhadas), (QList<int>{1, 2}));
        QVERIFY(!janela->estado().renderizando);
    }

    void fechar_durante_o_desenho()
    {
        QPointer<Form3> janela = abrir();
        QVERIFY(janela);
        QSignalSpy desenhadas(janela.data(), &Form3::pagina_renderizada);
        dialogos_->ao_processar = [&] {
            if (janela && janela->estado().renderizando)
                janela->close();
        };
        controle<QToolButton>(janela, "Picture3")->click();
        dialogos_->ao_processar = nullptr;
        QCOMPARE(desenhadas.count(), 1); // the page finished, then the window closed
        QTRY_VERIFY(!janela);
    }

    void teclado()
    {
        Form3* janela = abrir();
        QVERIFY(janela);
        janela->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(janela));
        QTest::keyClick(janela, Qt::Key_PageDown);
        QTest::keyClick(janela, Qt::Key_PageDown);
        QCOMPARE(janela->estado().pagina_atual, 3);
        QTest::keyClick(janela, Qt::Key_PageUp);
        QCOMPARE(janela->estado().pagina_atual, 2);
        QTest::keyClick(janela, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(janela->estado().percentual_zoom, 120);
        QTest::keyClick(janela, Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(janela, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(janela->estado().percentual_zoom, 80);
        dialogos_->textos = {QStringLiteral("alvo")};
        QTest::keyClick(janela, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(janela->estado().pagina_atual, 3);
        QTest::keyClick(janela, Qt::Key_F3);
        QCOMPARE(janela->estado().pagina_atual, 5);
        QPointer<Form3> viva(janela);
        QTest::keyClick(janela, Qt::Key_Escape);
        QTRY_VERIFY(!viva);
    }

    void arquivo_apagado_durante_a_visualizacao()
    {
        Form3* janela = abrir();
        QVERIFY(janela);
        QVERIFY(QFile::remove(caminho_));
        controle<QToolButton>(janela, "Picture3")->click();
        QCOMPARE(dialogos_->mensagens.size(), 1);
        dialogos_->textos = {QStringLiteral("alvo")};
        controle<QToolButton>(janela, "Picture11")->click();
        QCOMPARE(dialogos_->mensagens.size(), 2);
        QCOMPARE(dialogos_->mensagens[1].titulo, QStringLiteral("Procura de Texto"));
        QVERIFY(dialogos_->pedidos_texto.isEmpty());
    }
};

PAPELADA_TESTE_JANELA(TesteJanelaVisualizacao)

#include "teste_janela_visualizacao.moc"
