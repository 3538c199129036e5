// Papelada: prints, previews and saves the spool file named on the command
// line, or one opened with "Abrir".
#include "app/aplicacao.h"
#include "app/dialogos.h"
#include "app/form1.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvel"));
    QCoreApplication::setApplicationName(QStringLiteral("Papelada"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PAPELADA_VERSAO));
    papelada::carregar_traducoes(app);
    QApplication::setWindowIcon(papelada::icone_programa());
    // Lets the desktop match the window with its entry (and so its icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("br.com.orvel.Papelada"));

    papelada::DialogosQt dialogos;
    papelada::Form1 janela(dialogos, papelada::linha_de_comando(QCoreApplication::arguments()));
    janela.mostrar_avisos_do_sistema();
    if (!janela.Form_Load())
        return 1;
    QObject::connect(&janela, &papelada::Form1::encerrar, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    janela.show();
    return app.exec();
}
