#include "app/segundo_plano.h"

#include "app/widgets.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QSemaphore>
#include <QTimer>
#include <memory>

namespace papelada {

namespace {
// Work shorter than this shows no row at all.
constexpr int espera_para_mostrar_ms = 300;
} // namespace

SegundoPlano::SegundoPlano(QWidget* pai) : QWidget(pai)
{
    setObjectName(QStringLiteral("segundo_plano"));
    rotulo_ = nomear(new QLabel(this), "segundo_plano_texto");
    barra_ = nomear(new QProgressBar(this), "segundo_plano_barra");
    barra_->setRange(0, 1000);
    barra_->setTextVisible(false);
    barra_->setMaximumWidth(240);
    botao_cancelar_ = nomear(new QPushButton(QStringLiteral("Cancelar"), this), "segundo_plano_cancelar");
    botao_cancelar_->setToolTip(QStringLiteral("Interromper este trabalho"));
    connect(botao_cancelar_, &QPushButton::clicked, this, &SegundoPlano::cancelar);
    auto* linha = new QHBoxLayout(this);
    linha->setContentsMargins(0, 0, 0, 0);
    adicionar(linha, {rotulo_, barra_, botao_cancelar_});
    linha->addStretch();
    hide();
}

void SegundoPlano::executar(const QString& texto, const std::function<void()>& trabalho, QObject* no_fio)
{
    rodando_ = true;
    cancelado_ = false;
    fracao_ = -1;
    rotulo_->setText(texto);
    barra_->setRange(0, 0);

    QEventLoop laco;
    QSemaphore fim;
    std::atomic<bool> terminou{false};
    const auto tarefa = [&] {
        trabalho();
        terminou = true;
        QMetaObject::invokeMethod(&laco, [&laco] { laco.quit(); }, Qt::QueuedConnection);
        fim.release();
    };
    std::unique_ptr<QThread> fio;
    if (!no_fio)
        fio.reset(QThread::create(tarefa));
    QTimer relogio;
    relogio.setInterval(100);
    connect(&relogio, &QTimer::timeout, this, [this] {
        if (fracao_ >= 0) {
            barra_->setRange(0, 1000);
            barra_->setValue(static_cast<int>(fracao_ * 1000));
        }
    });
    QTimer::singleShot(espera_para_mostrar_ms, this, [this] {
        if (rodando_) {
            show();
            Q_EMIT mostrado();
        }
    });
    relogio.start();
    Q_EMIT iniciado();
    if (fio)
        fio->start();
    else
        QMetaObject::invokeMethod(no_fio, tarefa, Qt::QueuedConnection);
    laco.exec();
    // The program is ending: the work stops before it waits for it.
    if (!terminou)
        cancelar();
    fim.acquire();
    if (fio)
        fio->wait();

    rodando_ = false;
    hide();
    Q_EMIT terminado();
}

void SegundoPlano::cancelar()
{
    if (!rodando_ || cancelado_.exchange(true))
        return;
    Q_EMIT cancelamento();
}

} // namespace papelada
