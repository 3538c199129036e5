// "Enviar por e-mail..." from the main window's menu and the preview's
// button, with a stand-in xdg-email that keeps a copy of what it was given:
// the chosen pages arrive as a PDF named after the report; without a mail
// program the user is told.
#include "app/form1.h"
#include "gui/roteiro.h"

#include <QAction>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>

using namespace papelada;
using papelada::teste::controle;
using papelada::teste::DialogosRoteiro;

class TesteEmailJanela : public QObject {
    Q_OBJECT
private:
    QTemporaryDir pasta;
    QString registro() const { return pasta.filePath(QStringLiteral("registro")); }
    int paginas_enviadas() const { return teste::paginas_pdf(registro() + QStringLiteral(".pdf")); }

private Q_SLOTS:
    void initTestCase()
    {
        teste::gravar_arquivo(pasta.filePath(QStringLiteral("xdg-email")),
                              "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$REGISTRO.tmp\"\ncp \"$2\" \"$REGISTRO.pdf\"\n"
                              "mv \"$REGISTRO.tmp\" \"$REGISTRO\"\n");
        QFile::setPermissions(pasta.filePath(QStringLiteral("xdg-email")), QFileDevice::ExeOwner | QFileDevice::ReadOwner);
        qputenv("REGISTRO", registro().toUtf8());
        qputenv("PATH", pasta.path().toUtf8() + ':' + qgetenv("PATH"));
    }

    void menuEBotaoDaVisualizacao()
    {
        QByteArray bytes;
        for (int p = 1; p <= 4; ++p)
            bytes += "Pagina " + QByteArray::number(p) + "\r\n\f";
        const QString relatorio = teste::arquivo_em(pasta, QStringLiteral("relatorio_vendas.spl"), bytes + '\x1a');
        DialogosRoteiro dialogos;
        auto janela = teste::janela_principal(dialogos, relatorio);
        controle<QRadioButton>(*janela, "Option2")->setChecked(true);
        controle<QLineEdit>(*janela, "Text1")->setText(QStringLiteral("2"));
        controle<QLineEdit>(*janela, "Text2")->setText(QStringLiteral("3"));

        controle<QAction>(*janela, "spool_enviar")->trigger();
        QTRY_VERIFY(QFile::exists(registro()));
        const QStringList args = QString::fromUtf8(teste::ler(registro())).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(args.size(), 4);
        QCOMPARE(QFileInfo(args[1]).fileName(), QStringLiteral("relatorio_vendas.pdf"));
        QCOMPARE(args[3], QStringLiteral("relatorio_vendas"));
        QCOMPARE(paginas_enviadas(), 2);
        QVERIFY(dialogos.mensagens.isEmpty());

        QFile::remove(registro());
        janela->Command6_Click();
        QToolButton* botao = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            botao = botao ? botao : w->findChild<QToolButton*>(QStringLiteral("BotaoEmail"));
        QVERIFY(botao);
        botao->click();
        QTRY_VERIFY(QFile::exists(registro()));
        QCOMPARE(paginas_enviadas(), 2);

        // No mail program at all.
        qputenv("PATH", "/nenhum");
        controle<QAction>(*janela, "spool_enviar")->trigger();
        QTRY_COMPARE(dialogos.mensagens.size(), 1);
        QVERIFY(dialogos.mensagens[0].texto.startsWith(QStringLiteral("Não há programa de e-mail configurado")));
    }
};

PAPELADA_TESTE_JANELA(TesteEmailJanela)
#include "teste_email_janela.moc"
