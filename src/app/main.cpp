// Papelada: prints, previews and saves the spool file named on the command
// line, or one opened with "Abrir".
#include "app/aplicacao.h"
#include "app/dialogos.h"
#include "app/form1.h"
#include "stream/nome_arquivo.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The whole command line is the report's path, even where it looks like
    // one of Qt's options (-reverse, -style): Qt sees only the program's
    // name and takes its settings from the environment (QT_QPA_PLATFORM,
    // QT_STYLE_OVERRIDE, QT_SCALE_FACTOR...).
    QStringList argumentos;
    for (int i = 0; i < argc; ++i)
        argumentos << papelada::nome_de_bytes(argv[i]);
    int argc_qt = 1;
    QApplication app(argc_qt, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvel"));
    QCoreApplication::setApplicationName(QStringLiteral("Papelada"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PAPELADA_VERSAO));
    papelada::carregar_traducoes(app);
    QApplication::setWindowIcon(papelada::icone_programa());
    // Lets the desktop match the window with its entry (and so its icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("br.com.orvel.Papelada"));

    papelada::DialogosQt dialogos;
    papelada::Form1 janela(dialogos, papelada::linha_de_comando(argumentos));
    janela.mostrar_avisos_do_sistema();
    if (!janela.Form_Load())
        return janela.encerrando() ? 0 : 1; // closed while the report was read, or no report
    QObject::connect(&janela, &papelada::Form1::encerrar, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    janela.show();
    return app.exec();
}
