// papelada-cli salvar: a copy of a report, byte for byte or as plain text.
#include "cli/comando.h"
#include "cli/documento_cli.h"
#include "stream/copia.h"

using namespace papelada;
using namespace papelada::cli;

namespace {
constexpr const char* uso_salvar = "salvar ARQUIVO DESTINO";
}

PAPELADA_COMANDO("salvar", uso_salvar,
                  "grava uma cópia do relatório (texto simples quando DESTINO termina em .txt)",
                  [](const QStringList& args) {
                      if (args.size() != 2)
                          return falha_de_uso("salvar", uso_salvar);
                      if (const int r = conferir_relatorio(args[0]); r != ok)
                          return r;
                      Observador calado;
                      QString erro;
                      if (!salvar_copia(args[0], args[1], calado, &erro)) {
                          erros() << "papelada-cli: " << erro << "\n";
                          return erro_saida;
                      }
                      return ok;
                  });
