#include "pdf/compressao.h"

#include <QByteArrayView>
#include <QThread>
#include <QtGlobal>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <libdeflate.h>
#include <system_error>
#include <unistd.h>

namespace papelada::pdf {

namespace {

// More threads than this only wait on one another.
constexpr int fios_maximos = 64;

// A batch goes out to the workers once it holds this many bytes, or this
// many streams: a worker is woken a few hundred times a second at most,
// and the pages of a batch are a few hundred kilobytes in memory.
constexpr qsizetype bytes_por_lote = 256 << 10;
constexpr int tarefas_por_lote = 64;

struct Liberar {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

} // namespace

// Level 1: the pages of a long report go out as fast as they are drawn.
// Each thread keeps its compressor; the output depends on the bytes alone,
// so a stream comes out the same whichever thread deflated it.
QByteArray comprimir(const QByteArray& dados)
{
    thread_local const std::unique_ptr<libdeflate_compressor, Liberar> compressor(libdeflate_alloc_compressor(1));
    if (!compressor)
        return {};
    const size_t limite = libdeflate_zlib_compress_bound(compressor.get(), static_cast<size_t>(dados.size()));
    QByteArray saida(static_cast<qsizetype>(limite), Qt::Uninitialized);
    const size_t n = libdeflate_zlib_compress(compressor.get(), dados.constData(), static_cast<size_t>(dados.size()),
                                              saida.data(), limite);
    if (n == 0)
        return {};
    saida.truncate(static_cast<qsizetype>(n));
    return saida;
}

int fios_de_trabalho()
{
    const QByteArray pedido = qgetenv("PAPELADA_FIOS").trimmed();
    int n = 0;
    const auto r = std::from_chars(pedido.constData(), pedido.constData() + pedido.size(), n);
    if (pedido.isEmpty() || r.ec != std::errc() || r.ptr != pedido.constData() + pedido.size() || n < 1)
        n = QThread::idealThreadCount();
    return std::clamp(n, 1, fios_maximos);
}

Compressores::Compressores(int fios, bool segundo_a_carga)
    : quantos_(std::clamp(fios, 1, fios_maximos)), nucleos_(QThread::idealThreadCount())
{
    // The fourth field counts the threads that run or are ready to, across
    // the machine (and this one among them): "0.50 0.40 0.30 3/250 12345".
    if (segundo_a_carga)
        carga_ = ::open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
}

bool Compressores::nucleo_livre() const
{
    char texto[128];
    const ssize_t n = carga_ < 0 ? -1 : ::pread(carga_, texto, sizeof texto, 0);
    if (n <= 0)
        return true;
    // The number just before the '/'.
    const char* barra = static_cast<const char*>(std::memchr(texto, '/', static_cast<size_t>(n)));
    if (!barra)
        return true;
    const char* inicio = barra;
    while (inicio > texto && inicio[-1] >= '0' && inicio[-1] <= '9')
        --inicio;
    int prontos = 0;
    if (std::from_chars(inicio, barra, prontos).ptr != barra)
        return true;
    return prontos - ocupados_.load(std::memory_order_relaxed) < nucleos_;
}

Compressores::~Compressores()
{
    if (carga_ >= 0)
        ::close(carga_);
    {
        std::lock_guard trava(mutex_);
        parar_ = true;
        fila_.clear();
    }
    ha_lote_.notify_all();
    for (std::thread& t : fios_)
        t.join();
}

bool Compressores::tomar(TarefaCompressao& t)
{
    int esperado = TarefaCompressao::na_fila;
    return t.estado.compare_exchange_strong(esperado, TarefaCompressao::em_curso, std::memory_order_acquire);
}

void Compressores::fazer(TarefaCompressao& t)
{
    t.resultado = comprimir(t.dados);
}

bool Compressores::fazer_aqui(TarefaCompressao& t)
{
    // Left in its batch: the worker that comes to it passes it by.
    if (!tomar(t))
        return false;
    fazer(t);
    t.estado.store(TarefaCompressao::feita, std::memory_order_relaxed);
    return true;
}

void Compressores::concluir(TarefaCompressao& t)
{
    {
        std::lock_guard trava(mutex_);
        t.estado.store(TarefaCompressao::feita, std::memory_order_release);
    }
    // Without a waiter this costs no system call.
    terminou_.notify_all();
}

std::shared_ptr<TarefaCompressao> Compressores::enviar(QByteArray dados)
{
    auto t = std::make_shared<TarefaCompressao>();
    bytes_abertos_ += dados.size();
    t->dados = std::move(dados);
    t->lote = publicados_;
    aberto_.push_back(t);
    if (bytes_abertos_ >= bytes_por_lote || static_cast<int>(aberto_.size()) >= tarefas_por_lote)
        publicar();
    return t;
}

void Compressores::publicar()
{
    if (aberto_.empty())
        return;
    if (nucleo_livre() && comecar_fios()) {
        {
            std::lock_guard trava(mutex_);
            fila_.push_back(std::move(aberto_));
        }
        ha_lote_.notify_one();
    } else {
        for (const std::shared_ptr<TarefaCompressao>& t : aberto_)
            fazer_aqui(*t);
    }
    aberto_.clear();
    bytes_abertos_ = 0;
    ++publicados_;
}

bool Compressores::comecar_fios()
{
    try {
        while (static_cast<int>(fios_.size()) < quantos_)
            fios_.emplace_back(&Compressores::trabalhar, this);
    } catch (const std::system_error&) {
        // Fewer workers, or none: the writer then compresses every batch
        // itself.
        quantos_ = std::max(1, static_cast<int>(fios_.size()));
    }
    return !fios_.empty();
}

void Compressores::publicar_resto()
{
    if (!fios_.empty())
        publicar();
}

void Compressores::esperar(TarefaCompressao& t)
{
    if (fazer_aqui(t))
        return;
    std::unique_lock trava(mutex_);
    terminou_.wait(trava, [&] { return t.pronta(); });
}

void Compressores::trabalhar()
{
    std::unique_lock trava(mutex_);
    for (;;) {
        ha_lote_.wait(trava, [&] { return parar_ || !fila_.empty(); });
        if (parar_)
            return;
        Lote lote = std::move(fila_.front());
        fila_.pop_front();
        ++ocupados_;
        trava.unlock();
        for (const std::shared_ptr<TarefaCompressao>& t : lote) {
            if (parar_)
                break;
            if (tomar(*t)) {
                fazer(*t);
                concluir(*t);
            }
        }
        lote.clear();
        --ocupados_;
        trava.lock();
    }
}

} // namespace papelada::pdf
