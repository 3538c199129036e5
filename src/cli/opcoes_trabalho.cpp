#include "cli/opcoes_trabalho.h"

#include "cli/comando.h"

namespace papelada::cli {

void ObservadorMensagens::mensagem(const QString& texto)
{
    if (!mostradas_.contains(texto))
        erros() << "Mensagem do relatório: " << texto << "\n";
    mostradas_.insert(texto);
}

void ObservadorMensagens::aviso(const QString& texto)
{
    erros() << "Aviso: " << QString(texto).replace(u'\n', u' ') << "\n";
}

void ObservadorMensagens::erro(const QString& texto) { erros() << "Erro: " << texto << "\n"; }

} // namespace papelada::cli
