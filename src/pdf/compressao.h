// Streams deflated on worker threads while the pages go on being drawn. The
// writer hands the streams over in batches, so that a worker is woken once
// for many pages, and takes the results back in the order the file needs
// them; a stream is deflated by exactly one thread, whichever claims it
// first.
#pragma once

#include <QByteArray>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace papelada::pdf {

// Deflated in the zlib format; empty when compression fails.
QByteArray comprimir(const QByteArray& dados);

// Threads a print job works on: PAPELADA_FIOS when it holds a whole number
// from 1 up, otherwise every core. One is the single thread of old, without
// any worker.
int fios_de_trabalho();

struct TarefaCompressao {
    enum Estado { na_fila, em_curso, feita };
    QByteArray dados;     // as given, kept until the task is dropped
    QByteArray resultado; // deflated; empty when compression failed
    std::atomic<int> estado = na_fila;
    quint64 lote = 0; // the batch it goes out in
    bool pronta() const { return estado.load(std::memory_order_acquire) == feita; }
};

class Compressores {
public:
    // `fios` worker threads, started with the first batch. Following the
    // load (`segundo_a_carga`), a batch goes to the workers only when the
    // machine has a core to spare for them at that moment; otherwise the
    // writer compresses it at once, as one thread would, and a server whose
    // cores are all busy spends no time handing pages over.
    Compressores(int fios, bool segundo_a_carga);
    // Tasks not yet taken are dropped; those being compressed are finished
    // and thrown away.
    ~Compressores();
    Compressores(const Compressores&) = delete;
    Compressores& operator=(const Compressores&) = delete;

    // The task joins the batch being gathered, which goes out to the
    // workers once it holds enough bytes.
    std::shared_ptr<TarefaCompressao> enviar(QByteArray dados);
    // Hands over the batch being gathered, however small, when the workers
    // are running; a job too short to fill one batch starts no thread, and
    // its writer compresses every stream as it waits for it.
    void publicar_resto();
    // Whether the workers have had `t` for long enough that the writer
    // should no longer draw ahead of it: two batches a worker have gone out
    // since.
    bool atrasada(const TarefaCompressao& t) const { return t.lote + 2 * static_cast<quint64>(quantos_) <= publicados_; }
    // Returns once `t` is done; a task no worker has claimed yet is done on
    // the calling thread.
    void esperar(TarefaCompressao& t);

private:
    using Lote = std::vector<std::shared_ptr<TarefaCompressao>>;
    void publicar();
    // Whether the threads ready to run on the machine right now, less this
    // job's busy workers, leave one of the job's cores free; taken to be so
    // when the kernel does not tell. A job kept to some of the cores of a
    // larger machine thus errs towards compressing on its own thread.
    bool nucleo_livre() const;
    void trabalhar();
    // Claims `t` for the calling thread; false when another thread has.
    static bool tomar(TarefaCompressao& t);
    static void fazer(TarefaCompressao& t);
    // Compresses `t` on the calling thread unless another has claimed it.
    static bool fazer_aqui(TarefaCompressao& t);
    // Starts the workers not yet running; false when none runs.
    bool comecar_fios();
    void concluir(TarefaCompressao& t);

    int quantos_;
    int nucleos_;
    int carga_ = -1; // the kernel's load figures, open while the load is followed
    std::atomic<int> ocupados_ = 0; // workers at a batch
    // Gathered on the writer's thread, not yet seen by any worker.
    Lote aberto_;
    qsizetype bytes_abertos_ = 0;
    quint64 publicados_ = 0;

    std::mutex mutex_;
    std::condition_variable ha_lote_, terminou_;
    std::deque<Lote> fila_;
    std::vector<std::thread> fios_;
    std::atomic<bool> parar_ = false;
};

} // namespace papelada::pdf
