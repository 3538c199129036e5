// Test main: Qt without a screen, and a settings store of the test's own so
// that no test ever touches the user's settings.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configuracao;
    qputenv("XDG_CONFIG_HOME", configuracao.path().toUtf8());
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvel"));
    QCoreApplication::setApplicationName(QStringLiteral("Papelada"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
