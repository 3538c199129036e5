#include "stream/fonte_bytes.h"

#include <QFileInfo>
#include <algorithm>

namespace papelada {

namespace {
constexpr qsizetype tamanho_bloco = 256 * 1024;

QString mudou_de_tamanho(const QString& caminho)
{
    return QStringLiteral("O arquivo %1 mudou de tamanho enquanto era lido.").arg(caminho);
}
} // namespace

bool FonteBytes::abrir(const QString& caminho, QString* erro)
{
    fechar();
    const QFileInfo info(caminho);
    auto falhar = [&](const QString& motivo) {
        if (erro)
            *erro = motivo;
        return false;
    };
    if (caminho.isEmpty() || !info.exists())
        return falhar(QStringLiteral("O arquivo %1 não foi encontrado.").arg(caminho));
    if (info.isDir())
        return falhar(QStringLiteral("%1 é uma pasta, não um arquivo.").arg(caminho));
    if (!info.isFile())
        return falhar(QStringLiteral("%1 não é um arquivo comum.").arg(caminho));
    arquivo_.setFileName(caminho);
    if (!arquivo_.open(QIODevice::ReadOnly))
        return falhar(QStringLiteral("Não foi possível ler o arquivo %1.").arg(caminho));
    aberto_ = true;
    em_memoria_ = false;
    tamanho_ = arquivo_.size();
    dados_.resize(tamanho_bloco);
    return true;
}

void FonteBytes::usar_memoria(QByteArray dados)
{
    fechar();
    dados_ = std::move(dados);
    em_memoria_ = true;
    aberto_ = true;
    tamanho_ = dados_.size();
    carregados_ = dados_.size();
}

void FonteBytes::fechar()
{
    if (arquivo_.isOpen())
        arquivo_.close();
    aberto_ = false;
    em_memoria_ = false;
    falha_.clear();
    dados_.clear();
    tamanho_ = posicao_ = 0;
    indice_ = carregados_ = 0;
}

bool FonteBytes::posicionar(qint64 pos)
{
    if (!aberto_ || pos < 1)
        return false;
    pos = std::min(pos, tamanho_ + 1);
    posicao_ = pos - 1;
    if (em_memoria_) {
        indice_ = static_cast<qsizetype>(posicao_);
        return true;
    }
    indice_ = carregados_ = 0;
    return arquivo_.seek(posicao_);
}

bool FonteBytes::recarregar()
{
    if (em_memoria_ || !aberto_)
        return false;
    const qint64 lidos = arquivo_.read(dados_.data(), dados_.size());
    if (lidos <= 0) {
        // Reading stops here; whoever reads is told why by integro().
        if (falha_.isEmpty())
            falha_ = lidos < 0 ? QStringLiteral("Não foi possível ler o arquivo %1: %2.")
                                     .arg(arquivo_.fileName(), arquivo_.errorString())
                               : mudou_de_tamanho(arquivo_.fileName());
        tamanho_ = posicao_;
        return false;
    }
    indice_ = 0;
    carregados_ = static_cast<qsizetype>(lidos);
    return true;
}

bool FonteBytes::integro(QString* erro) const
{
    QString motivo = falha_;
    if (motivo.isEmpty() && !em_memoria_ && arquivo_.isOpen() && arquivo_.size() != tamanho_)
        motivo = mudou_de_tamanho(arquivo_.fileName());
    if (motivo.isEmpty())
        return true;
    if (erro)
        *erro = motivo;
    return false;
}

} // namespace papelada
