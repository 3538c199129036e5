// Long work off the window's thread: a row with what is being done, a
// progress bar and "Cancelar", shown while a worker runs. The window keeps
// repainting and taking keys meanwhile.
#pragma once

#include <QWidget>
#include <atomic>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace papelada {

class SegundoPlano : public QWidget {
    Q_OBJECT
public:
    explicit SegundoPlano(QWidget* pai);

    // Runs `trabalho` on a worker and returns when it has ended; the events
    // of the program run in the meantime. `texto` says what is done. The
    // worker reads cancelado() and tells its progress with progresso().
    // It runs in the thread of `no_fio` when one is given (a worker that
    // keeps what it owns from one work to the next), on a new one otherwise.
    void executar(const QString& texto, const std::function<void()>& trabalho, QObject* no_fio = nullptr);

    bool rodando() const { return rodando_; }
    void cancelar();
    const std::atomic<bool>& cancelado() const { return cancelado_; }
    // From any thread: the share done, 0 to 1. Work that never tells it
    // shows a busy bar.
    void progresso(double fracao) { fracao_ = fracao; }
    double fracao() const { return fracao_; }

Q_SIGNALS:
    // The work is about to start on its worker; its row shows (it takes a
    // while); it is asked to stop; it has ended.
    void iniciado();
    void mostrado();
    void cancelamento();
    void terminado();

private:
    QLabel* rotulo_;
    QProgressBar* barra_;
    QPushButton* botao_cancelar_;
    bool rodando_ = false;
    std::atomic<bool> cancelado_{false};
    std::atomic<double> fracao_{-1};
};

} // namespace papelada
