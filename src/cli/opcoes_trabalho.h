// What enviar and vigiar share with imprimir: the options for a page range
// and the margins (each reader returns "" when the text is sound, otherwise
// what is wrong with it), and the report's messages on the terminal.
#pragma once

#include "print/trabalho.h"

#include <QCommandLineParser>
#include <QSet>
#include <optional>

namespace papelada::cli {

QString ler_paginas(const QString& texto, std::optional<IntervaloPaginas>& paginas);
// --margens ESQ,SUP (declared by opcao_margens), read when given; the
// request check of the job judges whether they fit the paper.
QString ler_margens(const QCommandLineParser& p, std::optional<MargensMm>& margens);

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
