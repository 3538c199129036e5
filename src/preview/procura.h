// The preview's text search over the printed text of the spool file: the
// characters, line feeds, carriage returns and form feeds that the plain-text
// copy keeps, never the bytes of commands, their parameters or records. The
// file is read once, in blocks, so that a report of any size is searched with
// the memory of one block.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>

namespace papelada {

// The first occurrence of `procurado` in the printed text that starts at or
// after the 0-based file offset `inicio`, among the first `tamanho` bytes of
// the file (the length it had when the search began), letters compared
// without regard to case. `achado` gets the 0-based file offset of the hit's
// first byte, or -1. False, with a message, when the file could not be read
// or the search was cancelled (`cancelar` set; `progresso` hears the share
// of the file read, 0 to 1, now and then).
bool procurar_no_arquivo(const QString& caminho, qint64 tamanho, const QString& procurado, qint64 inicio,
                         qint64& achado, QString* erro = nullptr, const std::atomic<bool>* cancelar = nullptr,
                         const std::function<void(double)>& progresso = {});

} // namespace papelada
