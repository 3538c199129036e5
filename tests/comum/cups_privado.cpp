#include "comum/cups_privado.h"

#include "comum/apoio.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace papelada::teste {

namespace {
bool escrever(const QString& caminho, const QString& texto)
{
    QFile f(caminho);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write(texto.toUtf8());
    return true;
}

// The scheduler is started detached, so it is not this process's child and
// cannot be waited for: it has ended when it is gone, or left for its new
// parent to reap.
bool em_execucao(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray stat = f.readAll();
    const qsizetype fim_do_nome = stat.lastIndexOf(')');
    return fim_do_nome >= 0 && stat.size() > fim_do_nome + 2 && stat[fim_do_nome + 2] != 'Z';
}
// Filters run with the scheduler's environment, not the test's: the
// sanitizers' options reach a filter of a sanitizer build only this way.
// The scheduler takes SetEnv from cups-files.conf only (in cupsd.conf it
// logs a request to move the line and drops it).
QString ambiente_dos_filtros()
{
    QString conf;
    for (const char* nome : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (qEnvironmentVariableIsSet(nome))
            conf += QStringLiteral("SetEnv %1 %2\n").arg(QLatin1String(nome), qEnvironmentVariable(nome));
    return conf;
}

} // namespace

CupsPrivado::CupsPrivado() : dir_(std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/papelada-cups-XXXXXX"))) {}

CupsPrivado::~CupsPrivado()
{
    // Nothing started: CUPS_SERVER was never changed.
    if (pid_ <= 0)
        return;
    ::kill(static_cast<pid_t>(pid_), SIGTERM);
    for (int i = 0; i < 50 && em_execucao(pid_); ++i)
        QThread::msleep(100);
    if (em_execucao(pid_))
        ::kill(static_cast<pid_t>(pid_), SIGKILL);
    if (cups_server_anterior_.isNull())
        qunsetenv("CUPS_SERVER");
    else
        qputenv("CUPS_SERVER", cups_server_anterior_);
}

bool CupsPrivado::iniciar(const QString& instalado)
{
    if (::geteuid() != 0) {
        motivo_ = QStringLiteral("o escalonador CUPS de teste precisa de root");
        return false;
    }
    if (!QFileInfo::exists(QStringLiteral("/usr/sbin/cupsd"))) {
        motivo_ = QStringLiteral("cupsd não instalado");
        return false;
    }
    const QString d = dir_->path();
    for (const char* sub : {"run", "spool", "spool/tmp", "cache", "state", "log", "ppd", "saida"})
        QDir().mkpath(d + u'/' + QLatin1String(sub));
    const QString socket = d + QStringLiteral("/run/cups.sock");
    // The system's programs, with the installed filters beside its own, and
    // the installed rules in the scheduler's own folder, where it reads them
    // after the system's.
    QString programas = QStringLiteral("/usr/lib/cups");
    if (!instalado.isEmpty()) {
        programas = d + QStringLiteral("/programas");
        QDir().mkpath(programas + QStringLiteral("/filter"));
        const QDir sistema(QStringLiteral("/usr/lib/cups"));
        for (const QString& parte : sistema.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (parte != QLatin1String("filter"))
                QFile::link(sistema.filePath(parte), programas + u'/' + parte);
        // The filters installed for the test first: a package of Papelada
        // installed on the machine must not stand in for them.
        for (const QString& pasta : {instalado + QStringLiteral("/lib/cups/filter"), QStringLiteral("/usr/lib/cups/filter")})
            for (const QFileInfo& f : QDir(pasta).entryInfoList(QDir::Files))
                QFile::link(f.absoluteFilePath(), programas + QStringLiteral("/filter/") + f.fileName());
        for (const QFileInfo& f : QDir(instalado + QStringLiteral("/share/cups/mime")).entryInfoList(QDir::Files))
            QFile::copy(f.absoluteFilePath(), d + u'/' + f.fileName());
    }
    escrever(d + QStringLiteral("/cupsd.conf"),
             QStringLiteral("Listen %1\nDefaultAuthType None\nLogLevel warn\nMaxJobs 0\n"
                            "PreserveJobFiles No\nPreserveJobHistory Yes\nDirtyCleanInterval 0\n"
                            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                            "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n")
                     .arg(socket));
    escrever(d + QStringLiteral("/cups-files.conf"),
             QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/spool/tmp\nCacheDir %1/cache\n"
                            "StateDir %1/state\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                            "PageLog %1/log/page_log\nFileDevice Yes\nServerBin %2\n"
                            "DataDir /usr/share/cups\nSandboxing Relaxed\nUser lp\nGroup lp\nSystemGroup root\n")
                     .arg(d, programas)
                 + ambiente_dos_filtros());
    // The scheduler runs as lp: it must reach the folder and write its parts.
    ::chmod(QFile::encodeName(d).constData(), 0777);
    for (const char* sub : {"spool", "spool/tmp", "cache", "state", "log", "saida"}) {
        const QByteArray p = QFile::encodeName(d + u'/' + QLatin1String(sub));
        ::chmod(p.constData(), 0777);
        [[maybe_unused]] const int r = ::chown(p.constData(), 7, 7);
    }
    qint64 pid = 0;
    if (!QProcess::startDetached(QStringLiteral("/usr/sbin/cupsd"),
                                 {QStringLiteral("-f"), QStringLiteral("-c"), d + QStringLiteral("/cupsd.conf"),
                                  QStringLiteral("-s"), d + QStringLiteral("/cups-files.conf")},
                                 d, &pid)) {
        motivo_ = QStringLiteral("cupsd não pôde ser iniciado");
        return false;
    }
    pid_ = pid;
    cups_server_anterior_ = qgetenv("CUPS_SERVER");
    if (!qEnvironmentVariableIsSet("CUPS_SERVER"))
        cups_server_anterior_ = QByteArray();
    qputenv("CUPS_SERVER", QFile::encodeName(socket));
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 15000) {
        if (QFileInfo::exists(socket)
            && executar(QStringLiteral("lpstat"), {QStringLiteral("-r")}, 5).saida.contains(QStringLiteral("is running")))
            return true;
        QThread::msleep(100);
    }
    motivo_ = QStringLiteral("cupsd não respondeu: %1").arg(QString::fromUtf8(ler(d + QStringLiteral("/log/error_log"))));
    return false;
}

::testing::AssertionResult CupsPrivado::adicionar_fila(const QString& nome, const QString& saida, const QString& midia)
{
    QStringList args{QStringLiteral("-p"), nome, QStringLiteral("-E"), QStringLiteral("-v"), QStringLiteral("file://") + saida,
                     QStringLiteral("-m"), QStringLiteral("lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd")};
    if (!midia.isEmpty())
        args << QStringLiteral("-o") << QStringLiteral("media=") + midia;
    const Resultado r = executar(QStringLiteral("lpadmin"), args, 60);
    if (r.codigo != 0)
        return ::testing::AssertionFailure() << "lpadmin falhou: " << r.erros.toStdString();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult CupsPrivado::esperar_pdf(const QString& saida, int segundos) const
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < segundos * 1000) {
        const Resultado r = executar(QStringLiteral("lpstat"), {QStringLiteral("-o")}, 10);
        if (r.saida.trimmed().isEmpty() && QFileInfo(saida).size() > 0)
            return ::testing::AssertionSuccess();
        QThread::msleep(200);
    }
    return ::testing::AssertionFailure() << ler(pasta() + QStringLiteral("/log/error_log")).toStdString();
}

} // namespace papelada::teste
