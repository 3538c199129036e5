#include "app/aplicacao.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMutex>
#include <QPointer>
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

namespace {

QMutex trava_avisos;
QPointer<QObject> contexto_avisos;
std::function<void(const QString&)> mostrar_avisos;
QtMessageHandler tratador_anterior = nullptr;

void tratar_mensagem(QtMsgType tipo, const QMessageLogContext& onde, const QString& texto)
{
    if (tipo == QtWarningMsg && texto.startsWith(QLatin1String("Aviso: "))) {
        const QMutexLocker travado(&trava_avisos);
        if (contexto_avisos)
            QMetaObject::invokeMethod(
                contexto_avisos, [mostrar = mostrar_avisos, t = texto.mid(7)] { mostrar(t); }, Qt::QueuedConnection);
    }
    if (tratador_anterior)
        tratador_anterior(tipo, onde, texto);
}

} // namespace

void encaminhar_avisos(QObject* contexto, std::function<void(const QString&)> mostrar)
{
    const QMutexLocker travado(&trava_avisos);
    contexto_avisos = contexto;
    mostrar_avisos = std::move(mostrar);
    static const bool instalado = (tratador_anterior = qInstallMessageHandler(tratar_mensagem), true);
    Q_UNUSED(instalado);
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
