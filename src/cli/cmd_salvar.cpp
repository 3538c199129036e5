// papelada-cli salvar: a copy of a report, byte for byte or as plain text.
#include "cli/comando.h"
#include "stream/copia.h"

#include <QFileInfo>

using namespace papelada;
using namespace papelada::cli;

PAPELADA_COMANDO("salvar", "salvar ARQUIVO DESTINO",
                  "grava uma cópia do relatório (texto simples quando DESTINO termina em .txt)",
                  [](const QStringList& args) {
                      if (args.size() != 2) {
                          erros() << "Uso: papelada-cli salvar ARQUIVO DESTINO\n";
                          return erro_uso;
                      }
                      if (!QFileInfo(args[0]).isFile()) {
                          erros() << "papelada-cli: o arquivo " << args[0] << " não foi encontrado.\n";
                          return erro_entrada;
                      }
                      Observador calado;
                      QString erro;
                      if (!salvar_copia(args[0], args[1], calado, &erro)) {
                          erros() << "papelada-cli: " << erro << "\n";
                          return erro_saida;
                      }
                      return ok;
                  });
