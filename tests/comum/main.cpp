// Test main: Qt without a screen, temporary files in memory, a settings
// store of the test's own so that no test ever touches the user's settings,
// and the readers the tests check output with, which must all be there.
#include "comum/apoio.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Temporary files in memory where the machine has a memory file system:
    // outputs are flushed to the disk before they are renamed into place, and
    // on a busy disk that waiting was most of the suite's time.
    if (qEnvironmentVariableIsEmpty("TMPDIR") && QFileInfo(QStringLiteral("/dev/shm")).isWritable())
        qputenv("TMPDIR", "/dev/shm");
    QTemporaryDir configuracao;
    qputenv("XDG_CONFIG_HOME", configuracao.path().toUtf8());
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvel"));
    QCoreApplication::setApplicationName(QStringLiteral("Papelada"));
    ::testing::InitGoogleTest(&argc, argv);
    // Set-up installs them: one not on the PATH is a fault of the machine.
    QStringList falta;
    for (const char* nome : {"pdftotext", "pdftoppm", "pdfinfo", "pdffonts", "qpdf", "mutool", "zbarimg"})
        if (QStandardPaths::findExecutable(QLatin1String(nome)).isEmpty())
            falta << QLatin1String(nome);
    if (!falta.isEmpty()) {
        std::cerr << "programas que os testes usam não instalados (scripts/setup.sh): "
                  << falta.join(u' ').toStdString() << "\n";
        return 1;
    }
    return RUN_ALL_TESTS();
}
