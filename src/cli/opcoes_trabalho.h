// What enviar and vigiar share with imprimir: the report's messages on the
// terminal (their page range and margins are read as imprimir reads them).
#pragma once

#include "print/trabalho.h"

#include <QSet>

namespace papelada::cli {

// The report's messages, warnings and errors on standard error. Measurement
// and every pass show a message again; the terminal gets each one once.
class ObservadorMensagens : public Observador {
public:
    void mensagem(const QString& texto) override;
    void aviso(const QString& texto) override;
    void erro(const QString& texto) override;

private:
    QSet<QString> mostradas_;
};

} // namespace papelada::cli
