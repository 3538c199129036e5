// Streams deflated on worker threads while the pages go on being drawn. The
// writer hands each stream over as it ends and takes the results back in the
// order the file needs them; a thread only ever works on the bytes of the
// task it took.
#pragma once

#include <QByteArray>
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
    QByteArray dados;     // given back empty once deflated
    QByteArray resultado; // deflated; empty when compression failed
    Estado estado = na_fila;
};

class Compressores {
public:
    // `fios` worker threads, started with the first task.
    explicit Compressores(int fios);
    // Tasks not yet taken are dropped; those being compressed are finished
    // and thrown away.
    ~Compressores();
    Compressores(const Compressores&) = delete;
    Compressores& operator=(const Compressores&) = delete;

    std::shared_ptr<TarefaCompressao> enviar(QByteArray dados);
    bool pronta(const TarefaCompressao& t);
    // Returns once `t` is done; a task no worker has taken yet is done on
    // the calling thread.
    void esperar(TarefaCompressao& t);

private:
    void trabalhar();
    static void fazer(TarefaCompressao& t);

    int quantos_;
    std::mutex mutex_;
    std::condition_variable ha_tarefa_, terminou_;
    std::deque<std::shared_ptr<TarefaCompressao>> fila_;
    std::vector<std::thread> fios_;
    bool parar_ = false;
};

} // namespace papelada::pdf
