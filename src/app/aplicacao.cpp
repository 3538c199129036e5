#include "app/aplicacao.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace papelada {

bool carregar_traducoes(QCoreApplication& aplicacao)
{
    // The interface is in Brazilian Portuguese whatever the session's
    // language, so Qt's texts are too.
    auto* traducao = new QTranslator(&aplicacao);
    if (!traducao->load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete traducao;
        return false;
    }
    return QCoreApplication::installTranslator(traducao);
}

} // namespace papelada

// The resource lives in a static library: it is registered by hand.
static void registrar_recursos()
{
    Q_INIT_RESOURCE(papelada);
}

QIcon papelada::icone_programa()
{
    static const bool registrado = (registrar_recursos(), true);
    Q_UNUSED(registrado);
    return QIcon(QStringLiteral(":/papelada/papelada.svg"));
}
