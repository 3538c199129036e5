#include "stream/arquivo_saida.h"

#include <QFileInfo>

namespace papelada {

namespace {
bool falhar(QString* erro, const QString& motivo)
{
    if (erro)
        *erro = motivo;
    return false;
}
} // namespace

bool abrir_saida(QSaveFile& arquivo, QString* erro)
{
    const QString destino = arquivo.fileName();
    if (destino.isEmpty())
        return falhar(erro, QStringLiteral("Informe o nome do arquivo de destino."));
    const QFileInfo info(destino);
    if (info.isDir())
        return falhar(erro, QStringLiteral("%1 é uma pasta. Escolha um nome de arquivo.").arg(destino));
    if (info.exists() && !info.isFile())
        return falhar(erro, QStringLiteral("%1 não é um arquivo comum e não pode ser gravado.").arg(destino));
    if (!arquivo.open(QIODevice::WriteOnly))
        return falhar(erro, erro_gravacao(arquivo));
    return true;
}

QString erro_gravacao(const QSaveFile& arquivo)
{
    return QStringLiteral("Não foi possível gravar o arquivo %1: %2.")
        .arg(arquivo.fileName(), arquivo.errorString());
}

} // namespace papelada
