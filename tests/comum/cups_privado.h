// A CUPS scheduler of the test's own, with queues that write PDF files into a
// temporary folder. Nothing of the machine's own printing setup is touched:
// the scheduler listens on a socket in that folder, and CUPS_SERVER points
// this process (and the programs it starts) at it.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace papelada::teste {

class CupsPrivado {
public:
    CupsPrivado();
    ~CupsPrivado();

    // Starts the scheduler; false (with the reason in motivo()) when this
    // machine cannot run one (not root, cupsd missing). With `instalado`, a
    // prefix that Papelada was installed into (holding lib/cups/filter and
    // share/cups/mime), the scheduler also takes the filters and the type
    // and conversion rules installed there.
    bool iniciar(const QString& instalado = {});
    // Adds a queue that writes each job as a PDF into the file `saida`, with
    // `midia` as its default paper (empty: the PPD's own, Letter); on
    // failure, what lpadmin said.
    ::testing::AssertionResult adicionar_fila(const QString& nome, const QString& saida,
                                              const QString& midia = QStringLiteral("iso_a4_210x297mm"));
    // Waits until the queue has no pending jobs and `saida` exists (seconds);
    // on failure, the scheduler's error log.
    ::testing::AssertionResult esperar_pdf(const QString& saida, int segundos = 60) const;
    QString pasta() const { return dir_->path(); }
    // A file in the folder the queues may write into.
    QString saida(const QString& arquivo) const { return pasta() + QStringLiteral("/saida/") + arquivo; }
    QString motivo() const { return motivo_; }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    qint64 pid_ = 0;
    QString motivo_;
    QByteArray cups_server_anterior_;
};

// A test that prints through a scheduler of its own, skipped on a machine
// that cannot run one.
class TesteComCups : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!cups.iniciar())
            GTEST_SKIP() << cups.motivo().toStdString();
    }

    CupsPrivado cups;
};

} // namespace papelada::teste
