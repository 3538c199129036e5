#include "stream/arquivo_saida.h"

#include "stream/limpeza.h"
#include "stream/nome_arquivo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdlib>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace papelada {

namespace {

constexpr qsizetype tamanho_buffer = 256 * 1024;
constexpr int maximo_saltos = 40; // as the kernel, before ELOOP

bool falhar(QString* erro, const QString& motivo)
{
    if (erro)
        *erro = motivo;
    return false;
}

QByteArray nativo(const QString& caminho)
{
    return bytes_do_nome(caminho);
}

QString motivo_sistema(int codigo)
{
    return qt_error_string(codigo);
}

// `caminho` with its folder resolved, so that a relative link target is read
// from where the link really is.
QString com_pasta_real(const QString& caminho)
{
    const QFileInfo info(caminho);
    char real[PATH_MAX];
    if (!::realpath(nativo(info.absolutePath()).constData(), real))
        return info.absoluteFilePath();
    const QString pasta = nome_de_bytes(real);
    return (pasta == u'/' ? QString() : pasta) + u'/' + info.fileName();
}

// Follows the symbolic links at the end of `caminho`. A link in a sticky
// folder that anyone may write to is followed only when it belongs to this
// user or to the folder's owner: anyone could have planted it there.
bool seguir_links(const QString& destino, QString& caminho, QString* erro)
{
    caminho = com_pasta_real(destino);
    for (int saltos = 0;; ++saltos) {
        struct stat l {};
        if (::lstat(nativo(caminho).constData(), &l) != 0 || !S_ISLNK(l.st_mode))
            return true; // a new file, or one that opening will report
        if (saltos == maximo_saltos)
            return falhar(erro, erro_gravacao(destino, motivo_sistema(ELOOP)));
        const QString pasta = QFileInfo(caminho).absolutePath();
        struct stat p {};
        if (::stat(nativo(pasta).constData(), &p) == 0 && (p.st_mode & S_ISVTX) && (p.st_mode & S_IWOTH)
            && l.st_uid != ::geteuid() && l.st_uid != p.st_uid)
            return falhar(erro, QStringLiteral("%1 é um link simbólico de outro usuário numa pasta "
                                               "compartilhada e não será seguido. Escolha outro nome.")
                                    .arg(destino));
        char alvo[PATH_MAX];
        const ssize_t n = ::readlink(nativo(caminho).constData(), alvo, sizeof alvo);
        if (n < 0 || n == static_cast<ssize_t>(sizeof alvo))
            return falhar(erro, erro_gravacao(destino, motivo_sistema(n < 0 ? errno : ENAMETOOLONG)));
        const QString texto = nome_de_bytes(QByteArrayView(alvo, static_cast<qsizetype>(n)));
        caminho = com_pasta_real(QDir::isAbsolutePath(texto) ? texto : pasta + u'/' + texto);
    }
}

// A hidden name beside the target, short enough that a target name at the
// system's limit still has one.
QString nome_temporario(const QString& pasta)
{
    return pasta + QStringLiteral("/.~") + QString::number(QRandomGenerator::global()->bounded(1u << 30), 36);
}

// A file without a name in `pasta`, which no interruption can leave behind;
// -1 where the file system has no such files.
int arquivo_anonimo(const QString& pasta)
{
    return ::open(nativo(pasta).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
}

// Gives the anonymous file `fd` the name `caminho`.
bool dar_nome(int fd, const QByteArray& caminho)
{
    if (::linkat(fd, "", AT_FDCWD, caminho.constData(), AT_EMPTY_PATH) == 0)
        return true;
    const QByteArray proprio = "/proc/self/fd/" + QByteArray::number(fd);
    return ::linkat(AT_FDCWD, proprio.constData(), AT_FDCWD, caminho.constData(), AT_SYMLINK_FOLLOW) == 0;
}

// The folder takes a new file and its first bytes: a missing folder, one
// that cannot be written and a full disk are told before any work is done.
bool conferir_pasta(const QString& destino, const QString& pasta, QString* erro)
{
    struct stat p {};
    if (::stat(nativo(pasta).constData(), &p) != 0)
        return falhar(erro, erro_gravacao(destino, motivo_sistema(errno)));
    const int fd = arquivo_anonimo(pasta);
    if (fd < 0) {
        if (errno == EACCES || errno == EROFS || errno == ENOSPC || errno == EDQUOT)
            return falhar(erro, erro_gravacao(destino, motivo_sistema(errno)));
        return ::access(nativo(pasta).constData(), W_OK | X_OK) == 0
                   || falhar(erro, erro_gravacao(destino, motivo_sistema(errno)));
    }
    const int r = ::posix_fallocate(fd, 0, 4096);
    ::close(fd);
    if (r == ENOSPC || r == EDQUOT || r == EFBIG)
        return falhar(erro, erro_gravacao(destino, motivo_sistema(r)));
    return true;
}

// Whether the file `d` is one of `entradas` (the same device and node,
// reached by name, symbolic link or hard link).
bool uma_das_entradas(const struct stat& d, const QStringList& entradas)
{
    for (const QString& entrada : entradas) {
        struct stat e {};
        if (!entrada.isEmpty() && ::stat(nativo(entrada).constData(), &e) == 0 && e.st_dev == d.st_dev
            && e.st_ino == d.st_ino)
            return true;
    }
    return false;
}

} // namespace

QString erro_gravacao(const QString& arquivo, const QString& motivo)
{
    return QStringLiteral("Não foi possível gravar o arquivo %1: %2.").arg(arquivo, motivo);
}

bool conferir_destino(const QString& destino, const QStringList& entradas, QString* erro, QString* real)
{
    if (destino.isEmpty())
        return falhar(erro, QStringLiteral("Informe o nome do arquivo de destino."));
    QString caminho;
    if (!seguir_links(destino, caminho, erro) || !conferir_pasta(destino, QFileInfo(caminho).absolutePath(), erro))
        return false;
    struct stat d {};
    if (::stat(nativo(caminho).constData(), &d) == 0) {
        if (S_ISDIR(d.st_mode))
            return falhar(erro, QStringLiteral("%1 é uma pasta. Escolha um nome de arquivo.").arg(destino));
        if (!S_ISREG(d.st_mode))
            return falhar(erro, QStringLiteral("%1 não é um arquivo comum e não pode ser gravado.").arg(destino));
        if (uma_das_entradas(d, entradas))
            return falhar(erro, QStringLiteral("O arquivo de destino %1 é o próprio arquivo aberto. "
                                               "Escolha outro nome.")
                                    .arg(destino));
    }
    if (real)
        *real = caminho;
    return true;
}

ArquivoSaida::ArquivoSaida(QString destino) : destino_(std::move(destino)) {}

ArquivoSaida::ArquivoSaida(int descritor) : destino_(QStringLiteral("saída padrão")), no_lugar_(descritor) {}

QString ArquivoSaida::mensagem(int codigo) const
{
    if (no_lugar_ >= 0)
        return QStringLiteral("Não foi possível escrever na saída padrão: %1.").arg(motivo_sistema(codigo));
    return erro_gravacao(destino_, motivo_sistema(codigo));
}

bool ArquivoSaida::abrir_no_lugar(const QStringList& entradas)
{
    struct stat d {};
    const int modo = ::fcntl(no_lugar_, F_GETFL);
    if (::fstat(no_lugar_, &d) != 0 || !S_ISREG(d.st_mode) || modo < 0 || (modo & O_APPEND)
        || (modo & O_ACCMODE) == O_RDONLY || ::lseek(no_lugar_, 0, SEEK_CUR) != d.st_size)
        return false;
    if (uma_das_entradas(d, entradas))
        return false;
    fd_ = no_lugar_;
    inicio_ = d.st_size;
    guarda_ = std::make_unique<Temporario>(fd_, inicio_);
    return true;
}

ArquivoSaida::~ArquivoSaida()
{
    descartar();
}

bool ArquivoSaida::abrir(QString* erro, const QStringList& entradas)
{
    descartar();
    falhou_ = false;
    falhou_visto_.store(false);
    erro_.clear();
    buffer_.clear();
    escrito_ = false;
    if (no_lugar_ >= 0) {
        if (!abrir_no_lugar(entradas))
            return falhar(erro, erro_ = QStringLiteral("A saída padrão não pode ser escrita no lugar."));
        QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        return true;
    }
    if (!conferir_destino(destino_, entradas, &erro_, &real_))
        return falhar(erro, erro_);
    const QString pasta = QFileInfo(real_).absolutePath();
    // Without a name until it is whole, where the file system allows;
    // otherwise under a hidden name beside the target (the rename stays on
    // one file system), removed if a signal ends the program.
    fd_ = arquivo_anonimo(pasta);
    for (int tentativa = 0; fd_ < 0; ++tentativa) {
        temporario_ = nome_temporario(pasta);
        const Criacao bloco;
        fd_ = ::open(nativo(temporario_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || tentativa == 100)) {
            const int codigo = errno;
            temporario_.clear();
            erro_ = erro_gravacao(destino_, motivo_sistema(codigo));
            return falhar(erro, erro_);
        }
        if (fd_ >= 0)
            guarda_ = std::make_unique<Temporario>(nativo(temporario_));
    }
    // A file that is replaced keeps its permissions.
    struct stat anterior {};
    if (::stat(nativo(real_).constData(), &anterior) == 0)
        ::fchmod(fd_, anterior.st_mode & 07777);
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return true;
}

bool ArquivoSaida::falhar_sistema(int codigo)
{
    if (!falhou_) {
        erro_ = mensagem(codigo);
        // A device's reason, which its user puts in a sentence of its own.
        setErrorString(no_lugar_ < 0 ? erro_
                                     : QStringLiteral("erro ao escrever na saída padrão (%1)").arg(motivo_sistema(codigo)));
        falhou_visto_.store(true, std::memory_order_release);
    }
    falhou_ = true;
    return false;
}

bool ArquivoSaida::esvaziar()
{
    qsizetype feito = 0;
    while (!falhou_ && feito < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.constData() + feito, static_cast<size_t>(buffer_.size() - feito));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return falhar_sistema(n < 0 ? errno : ENOSPC);
        feito += n;
    }
    escrito_ = escrito_ || feito > 0;
    buffer_.truncate(0); // its room stays for the next bytes
    return !falhou_;
}

qint64 ArquivoSaida::writeData(const char* dados, qint64 n)
{
    if (fd_ < 0 || falhou_)
        return -1;
    buffer_.append(dados, static_cast<qsizetype>(n));
    // The first bytes are written at once, so that a full disk shows early.
    if ((buffer_.size() >= tamanho_buffer || !escrito_) && !esvaziar())
        return -1;
    return n;
}

bool ArquivoSaida::concluir(QString* erro)
{
    if (fd_ < 0)
        return falhar(erro, erro_.isEmpty() ? mensagem(EBADF) : erro_);
    if (fd_ == no_lugar_) {
        if (!esvaziar()) {
            descartar();
            return falhar(erro, erro_);
        }
        fd_ = -1;
        guarda_.reset();
        QIODevice::close();
        return true;
    }
    // Space that the file system grants only when the data reach the disk
    // shows up at fsync or close: both are checked before the rename.
    if (esvaziar() && duravel_ && ::fsync(fd_) != 0)
        falhar_sistema(errno);
    if (!falhou_ && temporario_.isEmpty()) {
        // The anonymous file gets a hidden name only now, whole, and keeps it
        // only until the rename.
        const QString pasta = QFileInfo(real_).absolutePath();
        for (int tentativa = 0; temporario_.isEmpty(); ++tentativa) {
            const QString nome = nome_temporario(pasta);
            const Criacao bloco;
            if (dar_nome(fd_, nativo(nome))) {
                temporario_ = nome;
                guarda_ = std::make_unique<Temporario>(nativo(nome));
            } else if (errno != EEXIST || tentativa == 100) {
                falhar_sistema(errno);
                break;
            }
        }
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        falhar_sistema(errno);
    if (!falhou_ && ::rename(nativo(temporario_).constData(), nativo(real_).constData()) != 0)
        falhar_sistema(errno);
    if (falhou_) {
        if (!temporario_.isEmpty())
            ::unlink(nativo(temporario_).constData());
        temporario_.clear();
        guarda_.reset();
        QIODevice::close();
        return falhar(erro, erro_);
    }
    temporario_.clear();
    guarda_.reset();
    QIODevice::close();
    if (!duravel_)
        return true;
    // The new name is durable too; a folder that cannot be synced changes nothing.
    const int pasta = ::open(nativo(QFileInfo(real_).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (pasta >= 0) {
        ::fsync(pasta);
        ::close(pasta);
    }
    return true;
}

void ArquivoSaida::descartar()
{
    if (fd_ >= 0 && fd_ == no_lugar_) {
        // Not closed: the file is the caller's.
        [[maybe_unused]] const int r = ::ftruncate(fd_, inicio_);
        ::lseek(fd_, inicio_, SEEK_SET);
    } else if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = -1;
    if (!temporario_.isEmpty()) {
        ::unlink(nativo(temporario_).constData());
        temporario_.clear();
    }
    guarda_.reset();
    buffer_.clear();
    if (isOpen())
        QIODevice::close();
}

} // namespace papelada
