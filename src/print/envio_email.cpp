#include "print/envio_email.h"

#include "print/superficie_impressora.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>
#include <vector>

namespace papelada {

namespace {

// The folders of the attachments made by this program: removed with their
// files when it ends.
std::vector<std::unique_ptr<QTemporaryDir>>& pastas_dos_anexos()
{
    static std::vector<std::unique_ptr<QTemporaryDir>> pastas;
    return pastas;
}

const QString sem_programa = QStringLiteral(
    "Não há programa de e-mail configurado neste computador (o xdg-email, do pacote xdg-utils, %1). "
    "O PDF não foi enviado.");

// What xdg-email's exit codes mean.
QString motivo_da_saida(int codigo, const QString& detalhe)
{
    QString motivo;
    switch (codigo) {
    case 3:
        motivo = sem_programa.arg(QStringLiteral("não achou nenhum"));
        break;
    case 4:
        motivo = QStringLiteral("O programa de e-mail não pôde abrir a mensagem. O PDF não foi enviado.");
        break;
    default:
        motivo = QStringLiteral("O programa de e-mail recusou a mensagem (código %1). O PDF não foi enviado.")
                     .arg(codigo);
    }
    return detalhe.isEmpty() ? motivo : motivo + QStringLiteral(" (%1)").arg(detalhe);
}

} // namespace

QString nome_do_anexo(const QString& relatorio)
{
    const QString base = QFileInfo(relatorio).completeBaseName();
    return (base.isEmpty() ? QStringLiteral("relatorio") : base) + QStringLiteral(".pdf");
}

bool endereco_aceitavel(const QString& para)
{
    return !para.trimmed().isEmpty() && !para.startsWith(u'-');
}

ResultadoTrabalho fazer_anexo(TrabalhoArquivo& t, Observador& observador, const QString& nome)
{
    auto pasta = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/papelada-email-XXXXXX"));
    if (!pasta->isValid())
        return {FimTrabalho::Recusado, 0,
                QStringLiteral("Não foi possível criar uma pasta temporária para o PDF: %1.").arg(pasta->errorString())};
    t.impressora = impressora_pdf;
    t.pdf = pasta->filePath(nome_do_anexo(nome.isEmpty() ? t.relatorio : nome));
    const ResultadoTrabalho r = imprimir_arquivo(t, observador);
    if (r.fim == FimTrabalho::Impresso)
        pastas_dos_anexos().push_back(std::move(pasta));
    return r;
}

void abrir_email(const QString& pdf, const QString& assunto, const QString& para,
                 std::function<void(const QString& erro)> fim)
{
    const QString programa = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (programa.isEmpty()) {
        fim(sem_programa.arg(QStringLiteral("não está instalado")));
        return;
    }
    QStringList argumentos{QStringLiteral("--attach"), pdf, QStringLiteral("--subject"), assunto};
    if (!para.isEmpty())
        argumentos << para;
    auto* processo = new QProcess(QCoreApplication::instance());
    processo->setProcessChannelMode(QProcess::ForwardedOutputChannel);
    auto avisar = std::make_shared<std::function<void(const QString&)>>(std::move(fim));
    QObject::connect(processo, &QProcess::finished, processo, [processo, avisar](int codigo, QProcess::ExitStatus estado) {
        const QString detalhe = QString::fromLocal8Bit(processo->readAllStandardError()).trimmed().section(u'\n', 0, 0);
        processo->deleteLater();
        if (estado != QProcess::NormalExit)
            (*avisar)(QStringLiteral("O programa de e-mail terminou de forma anormal. O PDF não foi enviado."));
        else
            (*avisar)(codigo == 0 ? QString() : motivo_da_saida(codigo, detalhe));
    });
    QObject::connect(processo, &QProcess::errorOccurred, processo, [processo, avisar](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return;
        processo->deleteLater();
        (*avisar)(sem_programa.arg(QStringLiteral("não pôde ser executado: ") + processo->errorString()));
    });
    processo->start(programa, argumentos);
}

} // namespace papelada
