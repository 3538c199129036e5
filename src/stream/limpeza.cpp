#include "stream/limpeza.h"

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <unistd.h>

namespace papelada {

namespace {

// Fixed places, so that the handler neither allocates nor locks.
struct Lugar {
    std::atomic<int> estado{0}; // 0 free, 1 being filled, 2 a file, 3 a folder, 4 a cut
    char caminho[PATH_MAX];
    int fd;
    off_t tamanho;
};
constexpr int lugares = 64;
Lugar registro[lugares];

// Blocks (Criacao) at work, and whether a signal is being handled.
std::atomic<int> criando{0};
std::atomic<bool> saindo{false};

void remover(int sinal)
{
    // Either a block sees `saindo` and makes nothing, or this sees the block
    // and waits for what it makes to be registered.
    saindo.store(true);
    while (criando.load() != 0) {
        const timespec espera{0, 100'000};
        ::nanosleep(&espera, nullptr);
    }
    for (const int tipo : {4, 2, 3})
        for (Lugar& l : registro) {
            if (l.estado.load() != tipo)
                continue;
            if (tipo == 4) {
                [[maybe_unused]] const int r = ::ftruncate(l.fd, l.tamanho);
            } else {
                tipo == 2 ? ::unlink(l.caminho) : ::rmdir(l.caminho);
            }
        }
    std::signal(sinal, SIG_DFL);
    ::raise(sinal);
}

} // namespace

void instalar_limpeza()
{
    static std::once_flag feito;
    std::call_once(feito, [] {
        struct sigaction a {};
        a.sa_handler = remover;
        sigemptyset(&a.sa_mask);
        for (const int s : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&a.sa_mask, s);
        // A signal ignored by whoever started the program (nohup, a
        // background job) stays ignored.
        for (const int s : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction antes {};
            if (::sigaction(s, nullptr, &antes) == 0 && antes.sa_handler != SIG_IGN)
                ::sigaction(s, &a, nullptr);
        }
        std::signal(SIGPIPE, SIG_IGN);
        std::signal(SIGXFSZ, SIG_IGN);
    });
}

namespace {

// Takes a free place, fills it and only then makes it seen by the handler.
template<typename Preencher>
int registrar(int tipo, Preencher preencher)
{
    for (int i = 0; i < lugares; ++i) {
        int livre = 0;
        if (registro[i].estado.compare_exchange_strong(livre, 1)) {
            preencher(registro[i]);
            registro[i].estado.store(tipo);
            return i;
        }
    }
    return -1;
}

} // namespace

int registrar_temporario(const QByteArray& caminho, bool pasta)
{
    if (caminho.isEmpty() || caminho.size() >= PATH_MAX)
        return -1;
    return registrar(pasta ? 3 : 2, [&](Lugar& l) {
        std::memcpy(l.caminho, caminho.constData(), static_cast<size_t>(caminho.size()) + 1);
    });
}

int registrar_corte(int fd, off_t tamanho)
{
    return registrar(4, [&](Lugar& l) {
        l.fd = fd;
        l.tamanho = tamanho;
    });
}

void esquecer_temporario(int r)
{
    if (r >= 0 && r < lugares)
        registro[r].estado.store(0);
}

namespace {

sigset_t sinais_de_fim()
{
    sigset_t s;
    sigemptyset(&s);
    for (const int sinal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&s, sinal);
    return s;
}

} // namespace

Criacao::Criacao()
{
    const sigset_t s = sinais_de_fim();
    ::pthread_sigmask(SIG_BLOCK, &s, &antes_);
    criando.fetch_add(1);
    if (saindo.load()) {
        criando.fetch_sub(1);
        for (;;)
            ::pause();
    }
}

Criacao::~Criacao()
{
    criando.fetch_sub(1);
    ::pthread_sigmask(SIG_SETMASK, &antes_, nullptr);
}

PastaTemporaria::PastaTemporaria(const QString& arquivo, const QString& modelo)
{
    const Criacao bloco;
    pasta_ = modelo.isEmpty() ? std::make_unique<QTemporaryDir>() : std::make_unique<QTemporaryDir>(modelo);
    if (!pasta_->isValid())
        return;
    guarda_pasta_ = Temporario(QFile::encodeName(pasta_->path()), true);
    if (!arquivo.isEmpty()) {
        arquivo_ = pasta_->filePath(arquivo);
        guarda_ = Temporario(QFile::encodeName(arquivo_));
    }
}

// The folder goes before its guards do.
PastaTemporaria::~PastaTemporaria()
{
    pasta_.reset();
}

bool PastaTemporaria::valida() const
{
    return pasta_->isValid();
}

QString PastaTemporaria::caminho() const
{
    return pasta_->path();
}

} // namespace papelada
