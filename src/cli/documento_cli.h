// A report opened by papelada-cli as the window opens it: the file, the
// printer (chosen with --pdf or --impressora NOME, else the system's
// default), the margins of the settings store, and the measurement that
// settles font and metrics.
#pragma once

#include "analysis/medicao.h"
#include "print/pedido.h"
#include "print/superficie_impressora.h"
#include "stream/estado.h"

#include <QCommandLineParser>
#include <QStringList>
#include <memory>
#include <optional>

namespace papelada::cli {

struct DocumentoCli {
    Documento doc;
    Metricas metricas;
    std::unique_ptr<SuperficieImpressora> impressora;
};

// The report, the first argument of every command ("-" reads standard input).
void argumento_relatorio(QCommandLineParser& p);
// The whole command line of a command that takes only a printer choice and
// the report: `arquivo` and `impressora` ("" for the system's default) are
// set when it returns `seguir`; otherwise the exit code, after the help or
// the usage message.
int ler_relatorio_e_impressora(const QStringList& args, const char* comando, QString& arquivo,
                               QString& impressora, std::optional<QString>& margens);

// --margens ESQ,SUP: left and top margins in millimetres, the stored ones
// when not given.
void opcao_margens(QCommandLineParser& p);
// The request's options as given on a command line (unset when not given).
struct LinhaPedido {
    std::optional<QString> margens; // ESQ,SUP
    std::optional<QString> copias;  // N
    std::optional<QString> paginas; // A-B or A
};
LinhaPedido linha_pedido(const QCommandLineParser& p);

// The fields of the request as its line gives them, split by the core into
// `textos`: "" when their shape is sound, else what is wrong (the values
// are judged by the request check).
QString forma_do_pedido(const LinhaPedido& linha, TextosPedido& textos);

// The request of command `comando` from its line, with the stored margins
// of `doc` when none are given, checked by the core against `impressora`
// and the report's pages. Returns ok, or erro_uso after the message naming
// the field and its range.
int pedido_da_linha(const LinhaPedido& linha, const char* comando, const Documento& doc,
                    const Metricas& metricas, const Superficie& impressora, PedidoImpressao& pedido);

// The exit code of a failure of the core's kind `tipo`.
int codigo_de(TipoFalha tipo);

// The options that choose the printer a report is measured on: --pdf (the
// built-in PDF printer) and --impressora NOME.
void opcoes_impressora(QCommandLineParser& p);
// The printer they chose ("" for the system's default); false after the
// usage message when both were given.
bool impressora_escolhida(const QCommandLineParser& p, const char* comando, QString& nome);

// Opens and measures `arquivo` ("-" reads standard input) on the printer
// `impressora` ("" for the system's default). Returns ok, or an exit code
// after writing the message.
int abrir_documento(const QString& arquivo, const QString& impressora, DocumentoCli& d);

// The checks that every command makes before it reads a report or picks a
// printer. Each returns ok, or an exit code after writing the message.
//
// The report opens as every pass will open it (a regular file that can be
// read); `tamanho` gets its length.
int conferir_relatorio(const QString& arquivo, qint64* tamanho = nullptr);
// A printer named on the command line is installed.
int conferir_impressora(const QString& nome);

} // namespace papelada::cli
