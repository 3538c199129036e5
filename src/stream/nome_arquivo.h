// File names are bytes. Names in UTF-8 read as text; any other byte (a name
// written in Latin-1 by an older application) is kept as the lone
// surrogate U+DC80..U+DCFF and written back as that same byte, so that a
// name always reaches the system as it came.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace papelada {

QString nome_de_bytes(QByteArrayView bytes);
QByteArray bytes_do_nome(const QString& nome);

} // namespace papelada
