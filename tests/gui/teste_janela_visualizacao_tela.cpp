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

namespace {

QByteArray relatorio_com_barras()
{
    QByteArray r;
    r += "\x1b" "2" "RELATORIO DE VENDAS - FILIAL CENTRO\r\n";
    r += "\x1b" "3" "Emitido para conferencia da visualizacao\r\n\r\n";
    r += "\x1b" "b" "200,900,9500,3300,2,1,";   // a blue box, in twips
    r += "\x1b" "y" "1100," "\x1b" "x" "400,";
    r += "Cliente: Papelaria Central Ltda.\r\n";
    r += "\x1b" "B" "3,10,60,14,1,4,";           // a red box, in cells
    r += "\x1b" "l" "200,3600,9500,3600,3,0,";  // a thick black line
    r += "\x1b" "y" "4000," "\x1b" "x" "600,";
    r += "\x1b" "Z" "2,400,3,7891234567895,";    // EAN-13
    r += "\x1b" "y" "4000," "\x1b" "x" "5200,";
    r += "\x1b" "Z" "4,400,3,PAPELADA,";         // Code 39
    r += "\x1b" "y" "6300," "\x1b" "x" "0,";
    for (int i = 1; i <= 20; ++i)
        r += "Item " + QByteArray::number(i) + "      quantidade " + QByteArray::number(i * 3)
             + "      valor " + QByteArray::number(i * 12) + ",50\r\n";
    r += "\f" "Segunda pagina\r\n" "\x1a";
    return r;
}

} // namespace

class TesteJanelaVisualizacaoTela : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void visualizacao_na_tela()
    {
        const QString captura = qEnvironmentVariable("PAPELADA_CAPTURA");
        if (captura.isEmpty())
            QSKIP("PAPELADA_CAPTURA não indicado");
        QTemporaryDir pasta;
        const QString caminho = pasta.filePath(QStringLiteral("barras.spl"));
        teste::gravar_arquivo(caminho, relatorio_com_barras());
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
