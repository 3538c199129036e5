// The preview of a report with boxes, lines and barcodes as it appears on
// the screen: run with "-platform xcb" on an X server and PAPELADA_CAPTURA
// naming a file, it keeps a screenshot of the whole screen there, which
// sh/teste_janela_visualizacao_tela.sh checks (colours, the barcode read
// back). Without a file to write it has nothing to show: what the window
// draws offscreen is checked by teste_janela_visualizacao.
#include "app/form1.h"
#include "gui/roteiro.h"
#include "app/janela_form3.h"

#include <QDir>
#include <QProcess>
#include <memory>

using namespace papelada;

class TesteJanelaVisualizacaoTela : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void visualizacao_na_tela()
    {
        const QString captura = qEnvironmentVariable("PAPELADA_CAPTURA");
        if (captura.isEmpty())
            QSKIP("PAPELADA_CAPTURA não indicado");
        // Bold and italic titles, a blue box in twips and a red one in
        // cells, a thick line, an EAN-13 and a Code 39, twenty lines of
        // items and a second page.
        const QString caminho = teste::gravar(
            QStringLiteral("barras.spl"), teste::ler(teste::dir_fonte() + QStringLiteral("/tests/casos/barras_na_tela.spl")));
        teste::DialogosRoteiro dialogos;
        Form1 principal(dialogos, caminho, impressora_pdf);
        QVERIFY(principal.Form_Load());
        principal.show();
        principal.Command6_Click();
        auto* janela = principal.findChild<Form3*>();
        QVERIFY(janela);
        QTRY_COMPARE(janela->estado().pagina_atual, 1);
        QVERIFY(QTest::qWaitForWindowExposed(janela));
        janela->raise();
        janela->activateWindow();
        QTest::qWait(500);
        QDir().mkpath(QFileInfo(captura).absolutePath());
        QCOMPARE(QProcess::execute(QStringLiteral("import"),
                                   {QStringLiteral("-window"), QStringLiteral("root"), captura}),
                 0);
    }
};

PAPELADA_TESTE_JANELA(TesteJanelaVisualizacaoTela)

#include "teste_janela_visualizacao_tela.moc"
