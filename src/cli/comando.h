// The subcommands of papelada-cli. Each lives in a file of its own and
// registers itself with PAPELADA_COMANDO.
#pragma once

#include <QStringList>
#include <QTextStream>
#include <functional>
#include <vector>

namespace papelada::cli {

// Exit codes.
constexpr int ok = 0;
constexpr int erro_uso = 1;
constexpr int erro_entrada = 2;
constexpr int erro_saida = 3;

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
// there is a reason, then the command's usage line. Returns erro_uso.
int falha_de_uso(const char* nome, const char* uso, const QString& motivo = {});

struct Registro {
    explicit Registro(const Comando& c) { registrar(c); }
};

} // namespace papelada::cli

#define PAPELADA_CONCAT2(a, b) a##b
#define PAPELADA_CONCAT(a, b) PAPELADA_CONCAT2(a, b)
#define PAPELADA_COMANDO(...)                                                                  \
    static const ::papelada::cli::Registro PAPELADA_CONCAT(registro_comando_, __LINE__){         \
        ::papelada::cli::Comando{__VA_ARGS__}}
