// Spool files are written in code page 1252: one byte, one character.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

namespace papelada {

// The character of one byte. 0x80 is the euro sign; the five codes that the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for
// themselves.
QChar cp1252_para_unicode(unsigned char byte);
QString cp1252_para_unicode(const QByteArray& bytes);

// The byte of a character, or '?' when the code page has none.
unsigned char unicode_para_cp1252(QChar c);
QByteArray unicode_para_cp1252(const QString& texto);

// Upper-case form of a byte, for case-insensitive comparisons of text in the
// code page (letters with accents included).
unsigned char maiuscula_cp1252(unsigned char byte);

} // namespace papelada
