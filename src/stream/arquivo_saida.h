// Files that the user asks Papelada to write (copies, PDF pages, PNG pages)
// are written whole or not at all, and only where a file belongs.
#pragma once

#include <QSaveFile>
#include <QString>

namespace papelada {

// Opens `arquivo` for an atomic write. A folder, and anything that exists
// but is not a regular file (a device such as /dev/full, a FIFO), is refused
// before a byte is written: such a target would either swallow the bytes
// without a word, or be replaced by a file. On failure `erro` gets a message
// for the user.
bool abrir_saida(QSaveFile& arquivo, QString* erro);

// "Não foi possível gravar o arquivo X: motivo."
QString erro_gravacao(const QSaveFile& arquivo);

} // namespace papelada
