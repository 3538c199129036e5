// The preview's text search over the spool file itself, read in blocks, so
// that a report of any size is searched with the memory of one block.
#pragma once

#include <QString>
#include <cstdint>

namespace papelada {

// The first occurrence of `procurado` at or after the 0-based offset
// `inicio`, among the first `tamanho` bytes of the file (the length it had
// when the search began), letters compared without regard to case. `achado`
// gets the 0-based offset of the hit, or -1. False, with a message, when the
// file could not be read.
bool procurar_no_arquivo(const QString& caminho, qint64 tamanho, const QString& procurado, qint64 inicio,
                         qint64& achado, QString* erro = nullptr);

} // namespace papelada
