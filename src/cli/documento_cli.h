// A report opened by papelada-cli as the window opens it: the file, the
// printer (chosen with --pdf or --impressora NOME, else the system's
// default), the margins of the settings store, and the measurement that
// settles font and metrics.
#pragma once

#include "analysis/medicao.h"
#include "print/superficie_impressora.h"
#include "stream/estado.h"

#include <QStringList>
#include <memory>

namespace papelada::cli {

struct DocumentoCli {
    Documento doc;
    Metricas metricas;
    std::unique_ptr<SuperficieImpressora> impressora;
};

// Takes --pdf and --impressora NOME out of `args` (nothing else may be left
// there), opens and measures `arquivo`. Returns ok, or an exit code after
// writing the message.
int abrir_documento(const QString& arquivo, QStringList& args, DocumentoCli& d);

// The checks that every command makes before it reads a report or picks a
// printer. Each returns ok, or an exit code after writing the message.
//
// The report opens as every pass will open it (a regular file that can be
// read); `tamanho` gets its length.
int conferir_relatorio(const QString& arquivo, qint64* tamanho = nullptr);
// A printer named on the command line is installed.
int conferir_impressora(const QString& nome);

// Takes the value of option `nome` out of `args` ("" when absent); false
// when the option is there without a value.
bool tirar_opcao(QStringList& args, const QString& nome, QString& valor);

} // namespace papelada::cli
