// papelada-cli salvar: a copy of a report, byte for byte or as plain text.
#include "cli/comando.h"
#include "cli/documento_cli.h"
#include "stream/copia.h"

using namespace papelada;
using namespace papelada::cli;

namespace {

constexpr const char* uso_salvar = "salvar [--] ARQUIVO DESTINO";

int salvar(const QStringList& args)
{
    QCommandLineParser linha;
    argumento_relatorio(linha);
    linha.addPositionalArgument(QStringLiteral("DESTINO"),
                                QStringLiteral("a cópia (texto simples quando termina em .txt); - é a saída padrão."));
    if (const int r = ler_linha(linha, "salvar", args); r != seguir)
        return r;
    const QStringList posicionais = linha.positionalArguments();
    if (posicionais.size() != 2)
        return falha_de_uso("salvar", uso_salvar);
    const QString origem = arquivo_de_entrada(posicionais[0]);
    if (origem.isEmpty())
        return erro_entrada;
    if (const int r = conferir_relatorio(origem); r != ok)
        return r;
    Saida destino(posicionais[1]);
    Observador calado;
    QString erro;
    if (!salvar_copia(origem, destino.caminho(), calado, &erro)) {
        erros() << "papelada-cli: " << erro << "\n";
        return erro_saida;
    }
    return destino.entregar();
}

} // namespace

PAPELADA_COMANDO("salvar", uso_salvar,
                 "grava uma cópia do relatório (texto simples quando DESTINO termina em .txt)", salvar);
