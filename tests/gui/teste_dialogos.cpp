// The real dialogs as the user meets them: Qt's own texts in Portuguese, the
// extension that the save dialog's filter gives, the font dialog on the
// report's font and the printer chooser. Run on an X server with
// PAPELADA_CAPTURAS naming a folder, each step also leaves a screenshot there.
#include "app/escolha_impressora.h"
#include "comum/cups_privado.h"
#include "gui/roteiro.h"
#include "print/superficie_impressora.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <cups/cups.h>

using namespace papelada;

namespace {

// Keeps a picture of `janela` as the screen shows it, when asked to.
void capturar(QWidget* janela, const QString& nome)
{
    const QString pasta = qEnvironmentVariable("PAPELADA_CAPTURAS");
    if (pasta.isEmpty())
        return;
    QVERIFY(QTest::qWaitForWindowExposed(janela));
    QTest::qWait(300);
    QDir().mkpath(pasta);
    const QRect area = janela->frameGeometry();
    const QPixmap tela = janela->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    QVERIFY(tela.save(pasta + QLatin1Char('/') + nome + QStringLiteral(".png")));
}

// Runs `acao` on the modal dialog as soon as it shows (the test's hand on
// the dialog); `abrir` is what shows it.
template <typename Dialogo>
void com_dialogo(const std::function<void()>& abrir, const std::function<void(Dialogo*)>& acao)
{
    bool feito = false;
    QTimer relogio;
    QObject::connect(&relogio, &QTimer::timeout, [&] {
        auto* d = qobject_cast<Dialogo*>(QApplication::activeModalWidget());
        if (feito || !d || !d->isVisible())
            return;
        feito = true;
        acao(d);
    });
    relogio.start(20);
    abrir();
    QVERIFY(feito);
}

QStringList textos_dos_botoes(const QWidget* janela)
{
    QStringList textos;
    for (const QPushButton* b : janela->findChildren<QPushButton*>())
        textos << (b->isVisible() ? b->text().remove(u'&') : QString());
    return textos;
}

} // namespace

class TesteDialogos : public QObject {
    Q_OBJECT

    QTemporaryDir pasta_;
    DialogosQt dialogos_;

private Q_SLOTS:
    void janela_principal_com_caminho_longo()
    {
        QString caminho = teste::pasta_temporaria();
        while (caminho.size() < 240)
            caminho += QStringLiteral("/relatorios_mensais_da_filial");
        teste::DialogosRoteiro d;
        auto j = teste::janela_principal(d, teste::gravar(caminho.mid(teste::pasta_temporaria().size() + 1)
                                                              + QStringLiteral("/vendas.spl"), "Vendas\r\n\f\x1a"));
        j->show();
        QVERIFY(QTest::qWaitForWindowExposed(j.get()));
        // The whole path shows, wrapped, in a window that fits the screen.
        auto* rotulo = teste::controle<QLabel>(*j, "Label5");
        QVERIFY(rotulo->text().size() >= 250);
        QVERIFY(rotulo->height() >= rotulo->heightForWidth(rotulo->width()));
        QVERIFY(rotulo->heightForWidth(rotulo->width()) > 3 * rotulo->fontMetrics().height());
        QVERIFY(j->frameGeometry().width() <= j->screen()->availableGeometry().width());
        capturar(j.get(), QStringLiteral("principal_caminho_longo"));
    }

    // Qt's words come from its Portuguese translation; a bare name gets the
    // extension of the filter selected.
    void arquivo_em_portugues()
    {
        QString escolhido;
        com_dialogo<QFileDialog>(
            [&] {
                escolhido = dialogos_.salvar_arquivo(nullptr, pasta_.filePath(QStringLiteral("relatorio.spl")),
                                                     QStringLiteral("Arquivos de Spool(*.spl);;Arquivos Texto(*.txt)"),
                                                     QStringLiteral("spl"));
            },
            [](QFileDialog* d) {
                capturar(d, QStringLiteral("dialogo_salvar"));
                const QStringList botoes = textos_dos_botoes(d);
                QVERIFY2(botoes.contains(QStringLiteral("Salvar")) && botoes.contains(QStringLiteral("Cancelar")),
                         qPrintable(botoes.join(u',')));
                for (const QLabel* l : d->findChildren<QLabel*>())
                    QVERIFY2(!l->text().startsWith(QStringLiteral("Look in")), qPrintable(l->text()));
                auto* tipos = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                QVERIFY(tipos);
                tipos->setFocus();
                QTest::keyClick(tipos, Qt::Key_Down); // as the user picks "Arquivos Texto"
                auto* nome = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                nome->setText(QStringLiteral("copia"));
                QTest::keyClick(nome, Qt::Key_Return);
            });
        QCOMPARE(escolhido, pasta_.filePath(QStringLiteral("copia.txt")));
    }

    void fonte_data()
    {
        QTest::addColumn<QString>("familia");
        QTest::addColumn<bool>("negrito");
        QTest::addColumn<bool>("italico");
        QTest::addColumn<QString>("outra"); // the family picked, "" to keep the one shown
        QTest::addColumn<QString>("nome");  // the report's font afterwards
        // "Courier New" is drawn with another family: the dialog shows that
        // family, and keeping it keeps the report's name.
        QTest::newRow("mantida") << "Courier New" << false << false << QString() << "Courier New";
        QTest::newRow("trocada") << "Courier New" << false << false << "DejaVu Sans" << "DejaVu Sans";
        QTest::newRow("sans negrito italico") << "Liberation Sans" << true << true << QString() << "Liberation Sans";
        QTest::newRow("mono italico") << "Liberation Mono" << false << true << QString() << "Liberation Mono";
        QTest::newRow("serif negrito italico") << "DejaVu Serif" << true << true << QString() << "DejaVu Serif";
        for (const char* livro : {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono"})
            QTest::newRow(livro) << livro << false << false << QString() << livro;
    }

    // Under the Portuguese translation the dialog opens on the report's
    // font and style and gives them back unchanged; it offers no effects
    // the report cannot print.
    void fonte()
    {
        QFETCH(QString, familia);
        QFETCH(bool, negrito);
        QFETCH(bool, italico);
        QFETCH(QString, outra);
        QFETCH(QString, nome);
        QVERIFY(QCoreApplication::translate("QFontDatabase", "Bold") != QStringLiteral("Bold"));
        const FonteEscolhida inicial{familia, 12, negrito, italico};
        std::optional<FonteEscolhida> escolhida;
        com_dialogo<QFontDialog>([&] { escolhida = dialogos_.escolher_fonte(nullptr, inicial); },
                                 [&](QFontDialog* d) {
                                     QCOMPARE(d->currentFont().family(), QFontInfo(QFont(familia)).family());
                                     QVERIFY(textos_dos_botoes(d).contains(QStringLiteral("Cancelar")));
                                     for (const QCheckBox* c : d->findChildren<QCheckBox*>())
                                         QVERIFY(!c->isVisibleTo(d));
                                     if (QTest::currentDataTag() == QLatin1String("mantida"))
                                         capturar(d, QStringLiteral("dialogo_fontes"));
                                     if (!outra.isEmpty())
                                         d->setCurrentFont(QFont(outra, 12));
                                     d->accept();
                                 });
        QVERIFY(escolhida);
        QCOMPARE(escolhida->nome, nome);
        QCOMPARE(escolhida->tamanho, 12.0);
        if (outra.isEmpty())
            QCOMPARE(std::pair(escolhida->negrito, escolhida->italico), std::pair(negrito, italico));
    }

    // The chooser offers printers only: no copies, pages or file of its own
    // that the job would ignore.
    void escolha_de_impressora()
    {
        QCOMPARE(descrever_impressora(QStringLiteral("Fila que nao existe")).situacao, QStringLiteral("Não encontrada"));
        for (bool aceitar : {true, false}) {
            std::optional<QString> nome;
            com_dialogo<EscolhaImpressora>([&] { nome = dialogos_.escolher_impressora(nullptr, impressora_pdf); },
                                           [&](EscolhaImpressora* d) {
                                               auto* lista = d->findChild<QTreeWidget*>();
                                               QCOMPARE(lista->currentItem()->text(0), impressora_pdf);
                                               QVERIFY(lista->currentItem()->text(1).startsWith(QStringLiteral("A4")));
                                               QVERIFY(d->findChildren<QLineEdit*>().isEmpty() && d->findChildren<QSpinBox*>().isEmpty()
                                                       && d->findChildren<QCheckBox*>().isEmpty());
                                               if (aceitar)
                                                   capturar(d, QStringLiteral("escolha_impressora"));
                                               aceitar ? d->accept() : d->reject();
                                           });
            QCOMPARE(nome, aceitar ? std::optional<QString>(impressora_pdf) : std::nullopt);
        }
    }
    // The chooser's state column on queues of a scheduler of the test's own:
    // stopped, not taking jobs, with and without the administrator's reason.
    void situacao_das_filas()
    {
        teste::CupsPrivado cups;
        if (!cups.iniciar())
            QSKIP(qPrintable(cups.motivo()));
        cupsSetServer(nullptr); // the scheduler named by CUPS_SERVER from now on
        struct Caso { const char *fila, *comando, *motivo, *situacao; }; // what the administrator did, what shows
        const Caso casos[] = {
            {"pronta", nullptr, nullptr, "Pronta"},
            {"parada", "cupsdisable", nullptr, "Pausada"},
            {"parada_motivo", "cupsdisable", "Sem toner.", "Pausada: Sem toner"},
            {"recusa", "cupsreject", nullptr, "Não aceita trabalhos"},
            {"recusa_motivo", "cupsreject", "Manutenção ..", "Não aceita trabalhos: Manutenção"},
        };
        for (const Caso& c : casos) {
            const QString fila = QString::fromLatin1(c.fila);
            const ::testing::AssertionResult criada = cups.adicionar_fila(fila, cups.saida(fila + QStringLiteral(".pdf")));
            QVERIFY2(criada, criada.message());
            const QStringList motivo = c.motivo ? QStringList{QStringLiteral("-r"), QString::fromUtf8(c.motivo)} : QStringList{};
            if (c.comando)
                QCOMPARE(teste::executar(QString::fromLatin1(c.comando), motivo + QStringList{fila}, 10).codigo, 0);
            QCOMPARE(descrever_impressora(fila).situacao, QString::fromUtf8(c.situacao));
        }
    }
};

PAPELADA_TESTE_JANELA(TesteDialogos)
#include "teste_dialogos.moc"
