// Spool files are written in code page 1252: one byte, one character.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

namespace papelada {

// The characters of 0x80 to 0x9F; the rest of the code page equals Latin-1.
// 0x80 is the euro sign; the five codes that the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for themselves.
inline constexpr char16_t cp1252_80_9f[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The character of one byte (run once a byte of text: kept inline).
inline QChar cp1252_para_unicode(unsigned char byte)
{
    return QChar(byte >= 0x80 && byte <= 0x9F ? cp1252_80_9f[byte - 0x80] : char16_t(byte));
}
QString cp1252_para_unicode(const QByteArray& bytes);
// The characters of `n` bytes into `destino`, sixteen at a time where they
// are all ASCII.
void cp1252_para_unicode(const char* bytes, qsizetype n, QChar* destino);

// The byte of a character, or '?' when the code page has none.
unsigned char unicode_para_cp1252(QChar c);
QByteArray unicode_para_cp1252(const QString& texto);

// Upper-case form of a byte, for case-insensitive comparisons of text in the
// code page (letters with accents included).
unsigned char maiuscula_cp1252(unsigned char byte);

} // namespace papelada
