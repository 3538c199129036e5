#include "stream/politica_imagens.h"

#include "pdf/escritor.h"
#include "stream/superficie.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QImageReader>
#include <QXmlStreamReader>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <array>
#include <atomic>
#include <algorithm>
#include <mutex>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace papelada {

namespace {

// SVG pictures are read whole to be checked; larger ones are refused.
constexpr qint64 svg_maximo = qint64(8) << 20;

struct Estado {
    std::mutex trava;
    PoliticaImagens politica;
    // Pictures of this job (device, node, size, time): admitted or not.
    QHash<QByteArray, bool> decididas;
    qint64 admitidos = 0;    // pixels of the admitted pictures
    qint64 decodificados = 0; // pixels decoded, every time
    QSet<QString> nomes_fonte;
    // Counts the jobs begun: names a thread saw admitted stay admitted
    // until the next.
    std::atomic<unsigned> trabalho{0};
};

Estado& estado()
{
    static Estado e;
    return e;
}

struct Descritor {
    int fd = -1;
    ~Descritor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Component by component from `dir`: no "..", no symbolic link.
int abrir_passo_a_passo(int dir, const QByteArray& relativo)
{
    const QList<QByteArray> partes = relativo.split('/');
    Descritor atual;
    int base = dir;
    for (qsizetype i = 0; i < partes.size(); ++i) {
        const QByteArray& parte = partes[i];
        const bool ultima = i == partes.size() - 1;
        if (parte == "..") {
            errno = EXDEV;
            return -1;
        }
        if ((parte.isEmpty() || parte == ".") && !ultima)
            continue;
        const int flags = ultima ? O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC
                                 : O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        const int fd = ::openat(base, parte.isEmpty() ? "." : parte.constData(), flags);
        if (fd < 0)
            return -1;
        if (ultima)
            return fd;
        Descritor proximo{fd};
        std::swap(atual.fd, proximo.fd);
        base = atual.fd;
    }
    errno = ENOENT;
    return -1;
}

// Everything that goes wrong with a picture in a filter job reads the same.
QString recusada(const QString& caminho)
{
    return QStringLiteral("A imagem %1 não pode ser usada neste servidor.").arg(caminho);
}

// True when an SVG picture refers to nothing outside itself: every link is
// to an element of its own ("#nome") or a picture inside it ("data:").
bool svg_fechado(const QByteArray& dados)
{
    QXmlStreamReader xml(dados);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::DTD && !xml.entityDeclarations().isEmpty())
            return false;
        if (!xml.isStartElement())
            continue;
        for (const QXmlStreamAttribute& a : xml.attributes()) {
            if (a.name() != QLatin1String("href") && a.name() != QLatin1String("base"))
                continue;
            const QString v = a.value().trimmed().toString();
            if (!v.startsWith(u'#') && !v.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
                return false;
        }
    }
    return !xml.hasError();
}

// Whether every pixel of an ARGB32 picture is opaque.
bool opaca(const QImage& imagem)
{
    for (int y = 0; y < imagem.height(); ++y) {
        const auto* linha = reinterpret_cast<const QRgb*>(imagem.constScanLine(y));
        for (int x = 0; x < imagem.width(); ++x)
            if (qAlpha(linha[x]) != 255)
                return false;
    }
    return true;
}

// The picture's key in this job's decisions.
QByteArray chave(const struct stat& st)
{
    return QByteArray::number(quint64(st.st_dev)) + ':' + QByteArray::number(quint64(st.st_ino)) + ':'
           + QByteArray::number(qint64(st.st_size)) + ':' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.'
           + QByteArray::number(qint64(st.st_mtim.tv_nsec));
}

} // namespace

void definir_politica_imagens(const PoliticaImagens& politica)
{
    Estado& e = estado();
    {
        std::lock_guard trava(e.trava);
        e.politica = politica;
        if (e.politica.pasta_permitida && !e.politica.pasta_permitida->isEmpty())
            e.politica.pasta_permitida = QDir::cleanPath(*e.politica.pasta_permitida);
    }
    iniciar_orcamento_imagens();
}

PoliticaImagens politica_imagens()
{
    Estado& e = estado();
    std::lock_guard trava(e.trava);
    return e.politica;
}

void iniciar_orcamento_imagens()
{
    Estado& e = estado();
    std::lock_guard trava(e.trava);
    e.decididas.clear();
    e.admitidos = e.decodificados = 0;
    e.nomes_fonte.clear();
    ++e.trabalho;
}

bool admitir_nome_fonte(const QString& nome)
{
    Estado& e = estado();
    // A report switches among a few fonts line after line: those this
    // thread saw admitted in this job are known without the lock.
    thread_local struct {
        unsigned trabalho = ~0u;
        std::array<QString, 4> nomes;
        size_t proximo = 0;
    } vistos;
    const unsigned trabalho = e.trabalho.load();
    const auto fim = vistos.nomes.begin() + static_cast<std::ptrdiff_t>(std::min(vistos.proximo, vistos.nomes.size()));
    if (vistos.trabalho == trabalho && std::find(vistos.nomes.begin(), fim, nome) != fim)
        return true;
    {
        std::lock_guard trava(e.trava);
        if (!e.nomes_fonte.contains(nome)) {
            if (e.nomes_fonte.size() >= nomes_fonte_por_trabalho)
                return false;
            e.nomes_fonte.insert(nome);
        }
    }
    if (vistos.trabalho != trabalho)
        vistos = {trabalho, {}, 0};
    vistos.nomes[vistos.proximo++ % vistos.nomes.size()] = nome;
    return true;
}

int abrir_sob_pasta(const QString& pasta, const QString& caminho, bool usar_openat2)
{
    QString relativo = caminho;
    if (caminho.startsWith(u'/')) {
        const QString prefixo = pasta.endsWith(u'/') ? pasta : pasta + u'/';
        if (pasta.isEmpty() || !caminho.startsWith(prefixo)) {
            errno = EXDEV;
            return -1;
        }
        relativo = caminho.mid(prefixo.size());
    }
    if (pasta.isEmpty() || relativo.isEmpty()) {
        errno = ENOENT;
        return -1;
    }
    Descritor dir{::open(QFile::encodeName(pasta).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0)
        return -1;
    const QByteArray r = QFile::encodeName(relativo);
    if (usar_openat2) {
        open_how como{};
        como.flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        como.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
        const long fd = ::syscall(SYS_openat2, dir.fd, r.constData(), &como, sizeof como);
        if (fd >= 0 || errno != ENOSYS)
            return static_cast<int>(fd);
    }
    return abrir_passo_a_passo(dir.fd, r);
}

int abrir_imagem(const QString& caminho)
{
    const PoliticaImagens p = politica_imagens();
    if (p.pasta_permitida)
        return abrir_sob_pasta(*p.pasta_permitida, caminho);
    if (caminho.isEmpty()) {
        errno = ENOENT;
        return -1;
    }
    return ::open(QFile::encodeName(caminho).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

namespace {
// A PNG's numbers: four bytes, the most significant first.
quint32 be32(const unsigned char* u)
{
    return quint32(u[0]) << 24 | quint32(u[1]) << 16 | quint32(u[2]) << 8 | u[3];
}
} // namespace

bool cabecalho_png_direto(const unsigned char* h, QSize tamanho, bool* cinza)
{
    if (std::memcmp(h, "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16) != 0 || be32(h + 16) != quint32(tamanho.width())
        || be32(h + 20) != quint32(tamanho.height()) || h[24] != 8 || (h[25] != 0 && h[25] != 2) || h[26] != 0
        || h[27] != 0 || h[28] != 0)
        return false;
    if (cinza)
        *cinza = h[25] == 0;
    return true;
}

bool png_sem_decodificar(const QString& caminho, QSize tamanho)
{
    const int fd = abrir_imagem(caminho);
    if (fd < 0)
        return false;
    unsigned char h[33];
    bool ok = ::pread(fd, h, sizeof h, 0) == sizeof h && cabecalho_png_direto(h, tamanho);
    // A transparent colour comes before the rows (a file of too many chunks
    // before them is decoded instead).
    for (off_t p = 33, n = 0; ok && (ok = ++n <= 256);) {
        unsigned char c[8];
        ok = ::pread(fd, c, 8, p) == 8 && std::memcmp(c + 4, "tRNS", 4) != 0;
        if (ok && std::memcmp(c + 4, "IDAT", 4) == 0)
            break;
        p += off_t(12) + be32(c);
    }
    ::close(fd);
    return ok;
}

namespace {

// A picture file opened as the policy allows, read up to its header.
struct Figura {
    QFile arquivo;
    struct stat st {};
    QBuffer svg;
    QImageReader leitor; // reads `arquivo`, or `svg`
    QByteArray formato;
    QSize anunciado; // from the header; invalid when it does not say
    QByteArray id;   // the picture's key in this job's decisions
};

// Decides the picture of `id` for this job once: admitted while the job's
// pixels stay within its budget. With `decodificar`, a decoding is counted
// too, and refused once the job has decoded far more than its budget.
bool admitir(const PoliticaImagens& p, const QByteArray& id, qint64 px, bool decodificar)
{
    Estado& e = estado();
    std::lock_guard trava(e.trava);
    auto it = e.decididas.constFind(id);
    if (it == e.decididas.cend()) {
        const bool cabe = e.admitidos + px <= p.pixels_por_trabalho;
        if (cabe)
            e.admitidos += px;
        it = e.decididas.insert(id, cabe);
    }
    if (!*it || !decodificar)
        return *it;
    if (e.decodificados + px > 16 * p.pixels_por_trabalho)
        return false;
    e.decodificados += px;
    return true;
}

QString orcamento(const QString& caminho)
{
    return QStringLiteral("A imagem %1 não foi usada: as imagens deste relatório passam do limite de um trabalho.")
        .arg(caminho);
}

QString grande(const QString& caminho, QSize t)
{
    return QStringLiteral("A imagem %1 é grande demais (%2 x %3 pixels) e não foi usada.")
        .arg(caminho).arg(t.width()).arg(t.height());
}

// Opens `caminho` and reads its header: false, with the reason in `erro`,
// for a file the policy refuses, that is not a picture file, or whose
// header announces a picture too large or beyond the job's budget.
bool abrir_figura(const QString& caminho, const PoliticaImagens& p, Figura& f, QString* erro, bool decodificar)
{
    const bool servidor = p.pasta_permitida.has_value();
    auto falhar = [&](const QString& motivo) {
        if (erro)
            *erro = servidor ? recusada(caminho) : motivo;
        return false;
    };
    const int fd = abrir_imagem(caminho);
    if (fd < 0)
        return falhar(errno == ENOENT ? QStringLiteral("A imagem %1 não foi encontrada.").arg(caminho)
                                      : QStringLiteral("Não foi possível abrir a imagem %1: %2.")
                                            .arg(caminho, QString::fromLocal8Bit(std::strerror(errno))));
    if (!f.arquivo.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return falhar(QStringLiteral("Não foi possível abrir a imagem %1.").arg(caminho));
    }
    if (::fstat(fd, &f.st) != 0 || !S_ISREG(f.st.st_mode))
        return falhar(QStringLiteral("%1 não é um arquivo de imagem.").arg(caminho));

    f.leitor.setDevice(&f.arquivo);
    f.leitor.setAutoTransform(false);
    f.formato = f.leitor.format();
    if (f.formato.startsWith("svg")) {
        // Read from memory once checked: nothing outside the file is looked at.
        if (f.formato != "svg" || f.st.st_size > svg_maximo)
            return falhar(QStringLiteral("A imagem SVG %1 não pode ser usada (compactada ou grande demais).")
                              .arg(caminho));
        f.svg.setData(f.arquivo.readAll());
        if (!svg_fechado(f.svg.data()))
            return falhar(QStringLiteral("A imagem SVG %1 faz referência a outros arquivos e não foi usada.")
                              .arg(caminho));
        f.svg.open(QIODevice::ReadOnly);
        f.leitor.setDevice(&f.svg);
        f.leitor.setFormat("svg");
    }
    // The size from the header, before a pixel is decoded.
    f.anunciado = f.leitor.size();
    if (f.anunciado.isValid() && qint64(f.anunciado.width()) * f.anunciado.height() > p.pixels_por_imagem) {
        if (erro)
            *erro = grande(caminho, f.anunciado);
        return false;
    }
    // The job's budget: a picture is decided once; decoding it again (another
    // pass, a cache that let it go) costs again, up to a bound.
    f.id = chave(f.st);
    const qint64 pixels = f.anunciado.isValid() ? qint64(f.anunciado.width()) * f.anunciado.height() : 0;
    if (pixels > 0 && !admitir(p, f.id, pixels, decodificar)) {
        if (erro)
            *erro = orcamento(caminho);
        return false;
    }
    return true;
}

// Whether a PNG file holds its chunks whole, up to the end chunk: a file cut
// short is found without decoding it.
bool png_inteiro(QFile& arquivo, qint64 tamanho)
{
    qint64 p = 8;
    char cabeca[8];
    while (p + 12 <= tamanho) {
        if (!arquivo.seek(p) || arquivo.read(cabeca, 8) != 8)
            return false;
        const qint64 n = be32(reinterpret_cast<const unsigned char*>(cabeca));
        if (n > tamanho - p - 12)
            return false;
        if (std::memcmp(cabeca + 4, "IEND", 4) == 0)
            return true;
        p += 12 + n;
    }
    return false;
}

} // namespace

QSize medir_imagem(const QString& caminho, QString* erro)
{
    const PoliticaImagens p = politica_imagens();
    Figura f;
    if (!abrir_figura(caminho, p, f, erro, false))
        return {};
    if (!f.anunciado.isValid()) // a format that tells its size only decoded
        return carregar_imagem(caminho, erro).size();
    if (f.formato == "png" && !png_inteiro(f.arquivo, f.st.st_size)) {
        if (erro)
            *erro = p.pasta_permitida ? recusada(caminho)
                                      : QStringLiteral("Não foi possível ler a imagem %1: o arquivo está incompleto.")
                                            .arg(caminho);
        return {};
    }
    return f.anunciado;
}

QImage carregar_imagem(const QString& caminho, QString* erro)
{
    const PoliticaImagens p = politica_imagens();
    const bool servidor = p.pasta_permitida.has_value();
    Figura f;
    if (!abrir_figura(caminho, p, f, erro, true))
        return {};
    f.leitor.setAllocationLimit(static_cast<int>(std::min<qint64>(p.pixels_por_imagem * 8 >> 20, 1024)) + 1);
    QImage imagem;
    if (!f.leitor.read(&imagem)) {
        if (erro)
            *erro = servidor ? recusada(caminho)
                             : QStringLiteral("Não foi possível ler a imagem %1: %2.").arg(caminho, f.leitor.errorString());
        return {};
    }
    const qint64 lidos = qint64(imagem.width()) * imagem.height();
    if (lidos > p.pixels_por_imagem) {
        if (erro)
            *erro = grande(caminho, imagem.size());
        return {};
    }
    if (!f.anunciado.isValid() && !admitir(p, f.id, lidos, true)) {
        if (erro)
            *erro = orcamento(caminho);
        return {};
    }
    // Eight bits a channel are all a page needs, and keep the cost of a
    // picture within four bytes a pixel.
    if (imagem.depth() > 32)
        imagem.convertTo(imagem.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    // A picture whose every pixel is opaque is kept without transparency.
    if (imagem.format() == QImage::Format_ARGB32 && opaca(imagem))
        imagem.reinterpretAsFormat(QImage::Format_RGB32);
    // A PDF can take a PNG's compressed rows as they are, read again from
    // the file; not on a server, where only what was checked here is used.
    if (f.formato == "png" && !servidor)
        imagem.setText(QString::fromLatin1(pdf::origem_imagem), QFileInfo(caminho).absoluteFilePath());
    return imagem;
}

} // namespace papelada
