#include "print/fluxo_cups.h"

#include "print/biblioteca_cups.h"

#include <QRegularExpression>
#include <QSizeF>
#include <utility>

namespace papelada {

QPageSize papel_da_midia(const QString& midia)
{
    static const QRegularExpression pwg(QStringLiteral("_([0-9.]+)x([0-9.]+)(mm|in)$"));
    for (const QString& nome : midia.split(u',', Qt::SkipEmptyParts)) {
        const auto m = pwg.match(nome.trimmed());
        if (m.hasMatch()) {
            const QSizeF s(m.captured(1).toDouble(), m.captured(2).toDouble());
            if (s.isEmpty())
                continue;
            const auto unidade = m.captured(3) == QLatin1String("mm") ? QPageSize::Millimeter : QPageSize::Inch;
            const QPageSize::PageSizeId id = QPageSize::id(s, unidade, QPageSize::FuzzyMatch);
            return id == QPageSize::Custom ? QPageSize(s, unidade) : QPageSize(id);
        }
        for (int i = 0; i < QPageSize::LastPageSize; ++i) {
            const auto id = static_cast<QPageSize::PageSizeId>(i);
            if (QPageSize::key(id).compare(nome.trimmed(), Qt::CaseInsensitive) == 0)
                return QPageSize(id);
        }
    }
    return {};
}

QPageSize papel_padrao_da_fila(const QString& fila)
{
    const LibCups* c = libcups();
    if (!c)
        return {};
    cups_dest_t* destinos = nullptr;
    const int n = c->cupsGetDests2(CUPS_HTTP_DEFAULT, &destinos);
    cups_dest_t* dest = c->cupsGetDest(fila.toUtf8().constData(), nullptr, n, destinos);
    QPageSize papel;
    if (dest) {
        if (const char* midia = c->cupsGetOption("media", dest->num_options, dest->options))
            papel = papel_da_midia(QString::fromUtf8(midia));
        if (!papel.isValid()) {
            // The queue's "media-default" (cupsGetDestMediaDefault answers
            // the locale's paper instead, whatever the queue says).
            if (cups_dinfo_t* info = c->cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
                if (ipp_attribute_t* a = c->cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "media"))
                    papel = papel_da_midia(QString::fromUtf8(c->ippGetString(a, 0, nullptr)));
                c->cupsFreeDestInfo(info);
            }
        }
    }
    c->cupsFreeDests(n, destinos);
    return papel;
}

FluxoCups::FluxoCups(const QString& fila, const QString& titulo, int n, cups_option_t* opcoes)
    : fila_(fila), titulo_(titulo), num_opcoes_(n), opcoes_(opcoes)
{
    open(QIODevice::WriteOnly);
}

FluxoCups::~FluxoCups()
{
    cancelar();
    if (opcoes_) // made by the library, which is loaded then
        libcups()->cupsFreeOptions(num_opcoes_, opcoes_);
}

bool FluxoCups::falhar(const QString& motivo)
{
    // The scheduler's reason may end in a period of its own.
    QString m = motivo.trimmed();
    while (m.endsWith(QLatin1Char('.')))
        m.chop(1);
    setErrorString(QStringLiteral("A impressora \"%1\" não aceitou o documento: %2.").arg(fila_, m));
    return false;
}

bool FluxoCups::iniciar()
{
    if (concluido_)
        return false; // cancelled: the reason was given then
    if (iniciado())
        return true;
    cups_ = libcups();
    if (!cups_)
        return falhar(erro_libcups());
    // A connection of the job's own: the default one stays free to cancel it.
    conexao_ = cups_->httpConnect2(cups_->cupsServer(), cups_->ippPort(), nullptr, AF_UNSPEC, cups_->cupsEncryption(),
                                   1, 30000, nullptr);
    if (!conexao_)
        return falhar(QString::fromUtf8(cups_->cupsLastErrorString()));
    const QByteArray fila = fila_.toUtf8(), titulo = titulo_.toUtf8();
    trabalho_ = cups_->cupsCreateJob(conexao_, fila.constData(), titulo.constData(), num_opcoes_, opcoes_);
    if (trabalho_ <= 0) {
        trabalho_ = 0;
        fechar_conexao();
        return falhar(QString::fromUtf8(cups_->cupsLastErrorString()));
    }
    if (cups_->cupsStartDocument(conexao_, fila.constData(), trabalho_, titulo.constData(), CUPS_FORMAT_PDF, 1)
        != HTTP_STATUS_CONTINUE) {
        const QString motivo = QString::fromUtf8(cups_->cupsLastErrorString());
        cancelar();
        return falhar(motivo);
    }
    const QByteArray antes = std::exchange(pendente_, {});
    return enviar(antes.constData(), antes.size());
}

bool FluxoCups::enviar(const char* dados, qint64 n)
{
    if (n > 0 && cups_->cupsWriteRequestData(conexao_, dados, static_cast<size_t>(n)) != HTTP_STATUS_CONTINUE)
        return falhar(QString::fromUtf8(cups_->cupsLastErrorString()));
    return true;
}

qint64 FluxoCups::writeData(const char* dados, qint64 n)
{
    if (concluido_)
        return -1;
    if (!iniciado()) {
        pendente_.append(dados, n);
        return n;
    }
    return enviar(dados, n) ? n : -1;
}

bool FluxoCups::concluir()
{
    if (!iniciar())
        return false;
    const QByteArray fila = fila_.toUtf8();
    if (cups_->cupsFinishDocument(conexao_, fila.constData()) != IPP_STATUS_OK) {
        const QString motivo = QString::fromUtf8(cups_->cupsLastErrorString());
        cancelar();
        return falhar(motivo);
    }
    concluido_ = true;
    fechar_conexao();
    return true;
}

void FluxoCups::cancelar()
{
    pendente_.clear();
    if (iniciado() && !concluido_) {
        const QByteArray fila = fila_.toUtf8();
        cups_->cupsCancelJob2(CUPS_HTTP_DEFAULT, fila.constData(), trabalho_, 0);
    }
    concluido_ = true;
    fechar_conexao();
}

void FluxoCups::fechar_conexao()
{
    if (conexao_)
        cups_->httpClose(conexao_);
    conexao_ = nullptr;
}

} // namespace papelada
