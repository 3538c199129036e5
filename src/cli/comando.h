// The subcommands of papelada-cli. Each lives in a file of its own and
// registers itself with PAPELADA_COMANDO.
#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <memory>
#include <vector>

namespace papelada {
class ArquivoSaida;
class PastaTemporaria;
}

namespace papelada::cli {

// Exit codes.
constexpr int ok = 0;
constexpr int erro_uso = 1;
constexpr int erro_entrada = 2;
constexpr int erro_saida = 3;
// Done, but the result lacks something the report asked for (a picture
// that could not be loaded).
constexpr int aviso = 4;

struct Comando {
    const char* nome;
    const char* uso;       // "imprimir ARQUIVO [--pdf SAIDA.pdf] ..."
    const char* descricao; // one line, in Portuguese
    std::function<int(const QStringList& argumentos)> executar;
};

void registrar(const Comando& c);
const std::vector<Comando>& comandos();

QTextStream& saida();
QTextStream& erros();

// A call that the command cannot take: "papelada-cli NOME: motivo" when
// there is a reason, then the command's usage line (the registered one when
// `uso` is null). Returns erro_uso.
int falha_de_uso(const char* nome, const char* uso, const QString& motivo = {});

// Reads the arguments of command `nome` with `p`, which holds the command's
// options and arguments; "--help" and "-h" are added here. Options take
// their values as "--opcao valor" or "--opcao=valor", and "--" ends the
// options. Returns `seguir` when the command goes on; otherwise the exit
// code, after the help (ok) or a usage message (erro_uso) was written.
constexpr int seguir = -1;
int ler_linha(QCommandLineParser& p, const char* nome, const QStringList& args);

// "-" as a report: standard input, copied into a temporary file (the
// reader needs a file it can go back in). Other names are returned as they
// are; "" with a message when standard input could not be copied.
QString arquivo_de_entrada(const QString& nome);

// A file that a command writes: "-" is standard output. The command writes
// caminho(); entregar() then sends a temporary file down standard output,
// so that a failed command sends nothing half-made. A command that can write
// to a device asks for `no_lugar`: standard output sent to a regular file is
// then written in place (no_lugar() is not null), and cut back to what it
// held if the command fails or is stopped; never when it is `entrada`.
class Saida {
public:
    explicit Saida(const QString& nome, bool no_lugar = false, const QString& entrada = {});
    ~Saida();
    bool padrao() const { return padrao_; }
    QString caminho() const { return caminho_; }
    QIODevice* no_lugar() const;
    // ok, or erro_saida after the message.
    int entregar();

private:
    bool padrao_ = false;
    QString caminho_;
    std::unique_ptr<ArquivoSaida> no_lugar_;
    std::unique_ptr<PastaTemporaria> pasta_;
};

struct Registro {
    explicit Registro(const Comando& c) { registrar(c); }
};

} // namespace papelada::cli

#define PAPELADA_CONCAT2(a, b) a##b
#define PAPELADA_CONCAT(a, b) PAPELADA_CONCAT2(a, b)
#define PAPELADA_COMANDO(...)                                                                  \
    static const ::papelada::cli::Registro PAPELADA_CONCAT(registro_comando_, __LINE__){         \
        ::papelada::cli::Comando{__VA_ARGS__}}
