#include "stream/fonte_bytes.h"

#include "stream/nome_arquivo.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    auto falhar = [&](const QString& motivo) {
        if (erro)
            *erro = motivo;
        return false;
    };
    // Opened by its bytes, whatever they are, and looked at once opened.
    const int fd = caminho.isEmpty() ? -1 : ::open(bytes_do_nome(caminho).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR || caminho.isEmpty()))
        return falhar(QStringLiteral("O arquivo %1 não foi encontrado.").arg(caminho));
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (fd >= 0)
            ::close(fd);
        return falhar(QStringLiteral("Não foi possível ler o arquivo %1.").arg(caminho));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return falhar(S_ISDIR(st.st_mode) ? QStringLiteral("%1 é uma pasta, não um arquivo.").arg(caminho)
                                          : QStringLiteral("%1 não é um arquivo comum.").arg(caminho));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!arquivo_.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return falhar(QStringLiteral("Não foi possível ler o arquivo %1.").arg(caminho));
    }
    caminho_ = caminho;
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
                                     .arg(caminho_, arquivo_.errorString())
                               : mudou_de_tamanho(caminho_);
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
        motivo = mudou_de_tamanho(caminho_);
    if (motivo.isEmpty())
        return true;
    if (erro)
        *erro = motivo;
    return false;
}

} // namespace papelada
