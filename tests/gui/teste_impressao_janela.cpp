// Printing from the main window: the PDF file, the buttons during and after
// the job, "Interromper", the preview's request and "Encerrar após a
// Impressão", fields refused before anything prints, and a window that stays
// responsive while a 100 MB report prints.
#include "gui/roteiro.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QRadioButton>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>

using namespace papelada;
using papelada::teste::controle;
using papelada::teste::DialogosRoteiro;

namespace {

// A report of `paginas` pages of 20 lines, each page ended by a form feed.
QByteArray relatorio(int paginas)
{
    QByteArray r;
    for (int p = 1; p <= paginas; ++p) {
        for (int l = 1; l <= 20; ++l)
            r += QStringLiteral("Pagina %1 linha %2 do relatorio de teste\r\n").arg(p).arg(l).toLatin1();
        r += '\f';
    }
    return r + '\x1a';
}

const char* const comandos[] = {"Command1", "Command2", "Command3", "Command4", "Command6", "Command7", "Command8"};

} // namespace

class TesteImpressaoJanela : public QObject {
    Q_OBJECT

    static QString arquivo(const QString& nome, const QByteArray& dados) { return teste::gravar(nome, dados); }
    static QString em(const QString& nome) { return teste::pasta_temporaria() + u'/' + nome; }

    static std::unique_ptr<Form1> janela(DialogosRoteiro& d, const QString& linha)
    {
        auto j = teste::janela_principal(d, linha);
        j->show();
        return j;
    }

    static void verificar_ociosa(Form1& j)
    {
        for (const char* nome : comandos)
            QVERIFY2(controle<QPushButton>(j, nome)->isEnabled(), nome);
        QVERIFY(!controle<QPushButton>(j, "Command5")->isVisible() && !controle<QPushButton>(j, "Command5")->isEnabled());
        QVERIFY(!controle<QGroupBox>(j, "Frame2")->isVisible());
        for (const char* nome : {"arquivos_abrir", "arquivos_sair", "spool_imprimir", "spool_fontes"})
            QVERIFY2(j.findChild<QAction*>(QLatin1String(nome))->isEnabled(), nome);
    }

private Q_SLOTS:
    void imprimir_em_pdf()
    {
        DialogosRoteiro d;
        // Bold from the first byte: the job leaves the printer in bold, and
        // the measurement after it gives the report's own font back.
        auto j = janela(d, arquivo(QStringLiteral("duas.spl"), "\x1b" "2" + relatorio(2)));
        const QString pdf = em(QStringLiteral("saida.pdf"));
        d.salvar << pdf;
        controle<QLineEdit>(*j, "Text3")->setText(QStringLiteral("3"));
        controle<QLineEdit>(*j, "Text5")->selectAll();
        QTest::keyClicks(controle<QLineEdit>(*j, "Text5"), QStringLiteral("12,5"));

        bool visto_imprimindo = false;
        d.ao_processar = [&] {
            if (visto_imprimindo)
                return;
            visto_imprimindo = true;
            QVERIFY(controle<QGroupBox>(*j, "Frame2")->isVisible());
            QCOMPARE(controle<QLabel>(*j, "Label1")->text(), QStringLiteral("Imprimindo a Página"));
            for (const char* nome : comandos)
                QVERIFY2(!controle<QPushButton>(*j, nome)->isEnabled(), nome);
            QVERIFY(!j->findChild<QAction*>(QStringLiteral("arquivos_abrir"))->isEnabled());
            QVERIFY(controle<QPushButton>(*j, "Command5")->isEnabled() && controle<QPushButton>(*j, "Command5")->isVisible());
        };
        const int altura = j->height();
        controle<QPushButton>(*j, "Command1")->click();
        QVERIFY(visto_imprimindo);
        QCOMPARE(j->height(), altura); // the progress frame gave its room back
        QCOMPARE(d.filtros_salvar, QStringList{QStringLiteral("Arquivos PDF(*.pdf)")});
        QCOMPARE(d.iniciais_salvar, QStringList{em(QStringLiteral("duas.pdf"))});
        QVERIFY2(d.mensagens.isEmpty(), d.mensagens.isEmpty() ? "" : qPrintable(d.mensagens[0].texto));
        QVERIFY(QFileInfo::exists(pdf));
        if (!QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            // Three copies of two pages; the byte after the last form feed
            // leaves the pen below the top, so each further copy starts on a
            // new page.
            QCOMPARE(teste::paginas_pdf(pdf), 8);
        verificar_ociosa(*j);
        QCOMPARE(j->documento().margem_esquerda, 12); // stored after the job
        QVERIFY(!j->impressora().fontBold());
    }

    void campos_recusados_data()
    {
        QTest::addColumn<QByteArray>("dados");
        QTest::addColumn<QStringList>("campos"); // "Nome=texto" typed before printing
        QTest::addColumn<QString>("mensagem");
        QTest::addColumn<QString>("foco");
        QTest::newRow("relatorio vazio") << QByteArray("\x1a") << QStringList{} << "está vazio" << "";
        // The refusals that every edge shares.
        QFile casos(QStringLiteral(PAPELADA_DIR_FONTE "/tests/casos/recusas.txt"));
        QVERIFY(casos.open(QIODevice::ReadOnly));
        while (!casos.atEnd()) {
            const QStringList c = QString::fromUtf8(casos.readLine()).chopped(1).split(u'\t');
            if (c.size() != 3 || c[0].startsWith(u'#'))
                continue;
            QStringList campos = c[0].split(u' ');
            if (c[0].startsWith(QLatin1String("Text1")))
                campos.prepend(QStringLiteral("Option2="));
            QTest::newRow(qPrintable(c[0])) << relatorio(3) << campos << c[1] << c[2];
        }
    }

    // Nothing is asked (no PDF name) and nothing printed; the reason shows
    // next to the fields and the faulty field has the focus.
    void campos_recusados()
    {
        QFETCH(QByteArray, dados);
        QFETCH(QStringList, campos);
        QFETCH(QString, mensagem);
        QFETCH(QString, foco);
        DialogosRoteiro d;
        auto j = janela(d, arquivo(QStringLiteral("recusado.spl"), dados));
        for (const QString& c : std::as_const(campos)) {
            const QString nome = c.section(u'=', 0, 0), texto = c.section(u'=', 1);
            if (auto* opcao = j->findChild<QRadioButton*>(nome))
                opcao->click();
            else
                j->findChild<QLineEdit*>(nome)->setText(texto);
        }
        d.salvar << em(QStringLiteral("recusado.pdf"));
        controle<QPushButton>(*j, "Command1")->click();
        QVERIFY(d.iniciais_salvar.isEmpty());
        QVERIFY(!QFileInfo::exists(em(QStringLiteral("recusado.pdf"))));
        auto* aviso = controle<QLabel>(*j, "rotulo_aviso");
        QVERIFY(aviso->isVisible());
        QVERIFY2(aviso->text().contains(mensagem), qPrintable(aviso->text()));
        if (!foco.isEmpty())
            QCOMPARE(j->focusWidget(), j->findChild<QWidget*>(foco));
        QVERIFY(d.mensagens.isEmpty());
        verificar_ociosa(*j);
    }

    // Enter anywhere but on a button prints; the paper warning of a report
    // too wide is given once for the file, not again after each job.
    void enter_imprime_e_aviso_uma_vez()
    {
        DialogosRoteiro d;
        auto j = janela(d, arquivo(QStringLiteral("larga.spl"), QByteArray(200, 'L') + "\r\n\f\x1a"));
        QVERIFY(QTest::qWaitForWindowExposed(j.get()));
        QCOMPARE(d.mensagens.size(), 1);
        QVERIFY(d.mensagens[0].texto.contains(QStringLiteral("largura da Folha")));
        const QString pdf = em(QStringLiteral("larga.pdf"));
        d.salvar << pdf << pdf;
        controle<QLineEdit>(*j, "Text3")->setFocus();
        QTest::keyClick(controle<QLineEdit>(*j, "Text3"), Qt::Key_Return);
        QTRY_COMPARE(d.iniciais_salvar.size(), 1);
        QTRY_VERIFY(QFileInfo::exists(pdf) && !j->trabalhando());
        j->findChild<QAction*>(QStringLiteral("spool_imprimir"))->trigger();
        QCOMPARE(d.iniciais_salvar.size(), 2);
        QCOMPARE(d.mensagens.size(), 1);
    }

    void imprimir_da_visualizacao()
    {
        DialogosRoteiro d;
        auto j = janela(d, arquivo(QStringLiteral("visualizada.spl"), relatorio(2)));
        const QString pdf = em(QStringLiteral("visualizada.pdf"));
        d.salvar << pdf << em(QStringLiteral("de novo.pdf"));
        controle<QPushButton>(*j, "Command6")->click();
        QPointer<QWidget> previa = j->findChild<QWidget*>(QStringLiteral("Form3"));
        QVERIFY(previa && previa->isVisible());
        QVERIFY(d.iniciais_salvar.isEmpty());

        // The preview's print control asks for a job and closes the preview.
        controle<QToolButton>(*previa, "Picture8")->click();
        QTRY_VERIFY(!previa);
        QTRY_VERIFY(QFileInfo::exists(pdf));
        // Each request prints once, however often the window is activated.
        j->Form_Activate();
        QTest::qWait(100);
        QCOMPARE(d.iniciais_salvar.size(), 1);
        QVERIFY(!j->documento().imprimir_ao_ativar);
        verificar_ociosa(*j);
    }

    // "Excluir arquivo ao encerrar" deletes the file printed, the one the
    // window shows: the command line's, or one opened later (with or
    // without a command line).
    void encerrar_apos_a_impressao()
    {
        for (const auto& [com_linha, outro_aberto] : {std::pair{true, false}, std::pair{true, true}, std::pair{false, true}}) {
            const QString spool = arquivo(QStringLiteral("encerrar.spl"), relatorio(1));
            const QString outro = arquivo(QStringLiteral("outro.spl"), relatorio(1));
            DialogosRoteiro d;
            auto j = janela(d, com_linha ? spool : QString());
            if (outro_aberto) {
                d.abrir << outro;
                controle<QPushButton>(*j, "Command8")->click();
            }
            QSignalSpy fim(j.get(), &Form1::encerrar);
            const QString pdf = em(QStringLiteral("encerrar.pdf"));
            d.salvar << pdf;
            controle<QCheckBox>(*j, "Check2")->setChecked(true);
            controle<QCheckBox>(*j, "Check1")->setChecked(true);
            controle<QPushButton>(*j, "Command1")->click();
            QVERIFY(QFile::remove(pdf));
            QCOMPARE(QFileInfo::exists(spool), outro_aberto);
            QCOMPARE(QFileInfo::exists(outro), !outro_aberto);
            QCOMPARE(fim.size(), 1);
            QVERIFY(d.mensagens.isEmpty());
        }
    }

    void fechar_a_janela_durante_a_impressao()
    {
        DialogosRoteiro d;
        auto j = janela(d, arquivo(QStringLiteral("fechada.spl"), relatorio(1000)));
        QSignalSpy fim(j.get(), &Form1::encerrar);
        const QString pdf = em(QStringLiteral("fechada.pdf"));
        d.salvar << pdf;
        int passos = 0;
        d.ao_processar = [&] {
            if (++passos == 50) {
                j->close(); // the window waits for the job to stop
                QVERIFY(j->isVisible());
                QCOMPARE(fim.size(), 0);
            }
        };
        controle<QPushButton>(*j, "Command1")->click();
        QVERIFY(passos >= 50);
        QVERIFY(!j->trabalhando());
        QVERIFY(!j->isVisible());
        QCOMPARE(fim.size(), 1);
        QVERIFY(!QFileInfo::exists(pdf));
    }

    // Nothing prints when the report is gone (the user is told) or the PDF's
    // name is not given (nothing runs at all).
    void nada_impresso()
    {
        for (const bool removido : {true, false}) {
            const QString spool = arquivo(QStringLiteral("removido.spl"), relatorio(1));
            DialogosRoteiro d;
            auto j = janela(d, spool);
            if (removido) {
                QFile::remove(spool);
                d.salvar << em(QStringLiteral("removido.pdf"));
            }
            controle<QPushButton>(*j, "Command1")->click();
            QCOMPARE(d.iniciais_salvar.size(), 1);
            QCOMPARE(d.mensagens.size(), removido ? 1 : 0);
            QVERIFY(removido ? d.mensagens[0].titulo == titulo_aplicacao : d.eventos_processados == 0);
            QVERIFY(!QFileInfo::exists(em(QStringLiteral("removido.pdf"))));
            verificar_ociosa(*j);
        }
    }

    // 100 MB: the progress bar moves, a timer keeps firing and "Interromper"
    // stops the job; nothing is written.
    void relatorio_de_100_mb_responde_e_interrompe()
    {
        DialogosRoteiro d; // 2532 blocks of 41420 bytes: just over 100 MB
        auto j = janela(d, arquivo(QStringLiteral("grande.spl"), relatorio(50).chopped(1).repeated(2532)));
        const QString pdf = em(QStringLiteral("grande.pdf"));
        d.salvar << pdf;
        d.respostas << false << true; // "No" first: the job goes on; then "Yes"

        auto* barra = controle<QProgressBar>(*j, "Picture1");
        auto* interromper = controle<QPushButton>(*j, "Command5");
        QList<int> valores;
        QElapsedTimer desde_o_inicio;
        desde_o_inicio.start();
        QTimer relogio;
        QObject::connect(&relogio, &QTimer::timeout, [&] {
            if (!j->trabalhando())
                return;
            valores << barra->value();
            // "Interromper" after a few ticks (No), and again once the bar
            // has moved, or after a minute on a slow machine (Yes).
            const bool segundo = d.perguntas.size() == 1 && valores.size() >= 8
                                 && (valores.last() > valores.first() || desde_o_inicio.elapsed() > 60000);
            if (valores.size() == 5 || segundo) {
                QVERIFY(interromper->isEnabled() && interromper->isVisible());
                interromper->click();
            }
        });
        relogio.start(100);
        controle<QPushButton>(*j, "Command1")->click();
        relogio.stop();

        QVERIFY2(valores.size() >= 8, qPrintable(QStringLiteral("%1 ticks").arg(valores.size())));
        QVERIFY(valores.last() > valores.first()); // the bar moved
        QVERIFY(std::is_sorted(valores.begin(), valores.end()));
        QCOMPARE(d.perguntas, QStringList(2, titulo_aplicacao + QStringLiteral("|Interromper a Impressão?")));
        QVERIFY(!QFileInfo::exists(pdf));
        QCOMPARE(j->documento().interromper, std::int16_t(0));
        QVERIFY(d.mensagens.isEmpty());
        verificar_ociosa(*j);
        QCOMPARE(barra->value(), 0);
    }
};

PAPELADA_TESTE_JANELA(TesteImpressaoJanela)
#include "teste_impressao_janela.moc"
