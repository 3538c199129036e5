// A CUPS print job that takes its document while it is being written. The
// job is created on the queue once the caller says so (when the first page is
// done); what was written before waits in memory, and everything after goes
// straight to the scheduler, so no temporary file grows with the document.
// A job not concluded is cancelled in the queue: it never prints.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QPageSize>
#include <QString>

typedef struct _http_s http_t;
typedef struct cups_option_s cups_option_t;

namespace papelada {

struct LibCups;

// The paper a CUPS "media" value names: a PWG self-describing name
// ("iso_a4_210x297mm", "na_letter_8.5x11in") or a PPD name ("A4", "Letter"),
// the first of a list ("A4,Tray1") that names one; invalid when none does.
QPageSize papel_da_midia(const QString& midia);
// The paper a queue prints on when a job asks for none: the "media" of the
// user's options for it (lpoptions) or of its own defaults, else its default
// media (from its PPD or its IPP attributes); invalid when it says none.
QPageSize papel_padrao_da_fila(const QString& fila);

class FluxoCups : public QIODevice {
public:
    // The job's options (`n` of them, which the stream frees) go with it.
    FluxoCups(const QString& fila, const QString& titulo, int n = 0, cups_option_t* opcoes = nullptr);
    ~FluxoCups() override;

    // Creates the job and sends what was written so far; false with the
    // reason in errorString().
    bool iniciar();
    bool iniciado() const { return trabalho_ > 0; }
    // The document is complete: the job may print.
    bool concluir();
    // The document is abandoned: a job already created is cancelled.
    void cancelar();

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* dados, qint64 n) override;

private:
    bool falhar(const QString& motivo);
    bool enviar(const char* dados, qint64 n);
    void fechar_conexao();

    QString fila_, titulo_;
    QByteArray pendente_;
    int num_opcoes_ = 0;
    cups_option_t* opcoes_ = nullptr;
    const LibCups* cups_ = nullptr; // once the job is begun
    http_t* conexao_ = nullptr;
    int trabalho_ = 0;
    bool concluido_ = false;
};

} // namespace papelada
