#include "pdf/compressao.h"

#include <QByteArrayView>
#include <QThread>
#include <QtGlobal>
#include <algorithm>
#include <charconv>
#include <libdeflate.h>
#include <system_error>

namespace papelada::pdf {

namespace {

// More threads than this only wait on one another.
constexpr int fios_maximos = 64;

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

Compressores::Compressores(int fios) : quantos_(std::clamp(fios, 1, fios_maximos)) {}

Compressores::~Compressores()
{
    {
        std::lock_guard trava(mutex_);
        parar_ = true;
        fila_.clear();
    }
    ha_tarefa_.notify_all();
    for (std::thread& t : fios_)
        t.join();
}

void Compressores::fazer(TarefaCompressao& t)
{
    t.resultado = comprimir(t.dados);
    if (!t.resultado.isEmpty())
        t.dados = QByteArray();
}

std::shared_ptr<TarefaCompressao> Compressores::enviar(QByteArray dados)
{
    auto t = std::make_shared<TarefaCompressao>();
    t->dados = std::move(dados);
    {
        std::lock_guard trava(mutex_);
        try {
            while (static_cast<int>(fios_.size()) < quantos_)
                fios_.emplace_back(&Compressores::trabalhar, this);
        } catch (const std::system_error&) {
            // Fewer workers, or none: the writer then compresses what it
            // waits for itself.
            quantos_ = static_cast<int>(fios_.size());
        }
        fila_.push_back(t);
    }
    ha_tarefa_.notify_one();
    return t;
}

bool Compressores::pronta(const TarefaCompressao& t)
{
    std::lock_guard trava(mutex_);
    return t.estado == TarefaCompressao::feita;
}

void Compressores::esperar(TarefaCompressao& t)
{
    std::unique_lock trava(mutex_);
    if (t.estado == TarefaCompressao::na_fila) {
        // Left in the queue: the worker that comes to it passes it by.
        t.estado = TarefaCompressao::em_curso;
        trava.unlock();
        fazer(t);
        trava.lock();
        t.estado = TarefaCompressao::feita;
        return;
    }
    terminou_.wait(trava, [&] { return t.estado == TarefaCompressao::feita; });
}

void Compressores::trabalhar()
{
    std::unique_lock trava(mutex_);
    for (;;) {
        ha_tarefa_.wait(trava, [&] { return parar_ || !fila_.empty(); });
        if (parar_)
            return;
        const std::shared_ptr<TarefaCompressao> t = std::move(fila_.front());
        fila_.pop_front();
        if (t->estado != TarefaCompressao::na_fila)
            continue;
        t->estado = TarefaCompressao::em_curso;
        trava.unlock();
        fazer(*t);
        trava.lock();
        t->estado = TarefaCompressao::feita;
        terminou_.notify_all();
    }
}

} // namespace papelada::pdf
