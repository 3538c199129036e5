// Saved copies of the open report: byte for byte, or as plain text with the
// escape commands removed. Both write atomically (the target appears complete
// or not at all) and refuse a target that is the source itself.
#pragma once

#include "stream/observador.h"

#include <QString>
#include <atomic>
#include <functional>

class QIODevice;

namespace papelada {

// Byte-for-byte copy. False, with a message in `erro`, when it failed or
// was cancelled (`cancelar` set, read between blocks; nothing is written
// then). `progresso` hears the share copied, 0 to 1, after each block.
bool copiar_arquivo(const QString& original, const QString& destino, QString* erro = nullptr,
                    const std::atomic<bool>* cancelar = nullptr,
                    const std::function<void(double)>& progresso = {});

// The plain-text copy: the report's characters, line feeds, carriage returns
// and form feeds, without escape commands and without the file's last byte.
// Progress ("Gravando <arq2> . Linha <n>") goes to the observer once per
// line (a carriage return, or a line feed that does not follow one), and the
// observer's events run there; when `cancelar` is then true the copy stops
// and nothing is written.
bool copiartexto(const QString& original, const QString& arq2, Observador& observador,
                 QString* erro = nullptr, const bool* cancelar = nullptr);

// "Salvar": the text copy when the name ends in ".TXT" (any case), else the
// byte-for-byte copy.
bool salvar_copia(const QString& original, const QString& destino, Observador& observador,
                  QString* erro = nullptr, const bool* cancelar = nullptr);

// Copies what is left of `de` into `para` (standard input into a file, a
// finished file down standard output), flushing a file at the end. "" when
// done, else what went wrong.
QString copiar_fluxo(QIODevice& de, QIODevice& para);

} // namespace papelada
