#include "stream/cp1252.h"

#include <array>

namespace papelada {

namespace {

// 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> tabela_80_9f = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QChar cp1252_para_unicode(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return QChar(tabela_80_9f[byte - 0x80]);
    return QChar(char16_t(byte));
}

QString cp1252_para_unicode(const QByteArray& bytes)
{
    QString s;
    s.resize(bytes.size());
    QChar* out = s.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = cp1252_para_unicode(static_cast<unsigned char>(bytes[i]));
    return s;
}

unsigned char unicode_para_cp1252(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<unsigned char>(u);
    for (int i = 0; i < 32; ++i)
        if (tabela_80_9f[i] == u)
            return static_cast<unsigned char>(0x80 + i);
    return '?';
}

QByteArray unicode_para_cp1252(const QString& texto)
{
    QByteArray b;
    b.resize(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i)
        b[i] = static_cast<char>(unicode_para_cp1252(texto[i]));
    return b;
}

unsigned char maiuscula_cp1252(unsigned char byte)
{
    if (byte >= 'a' && byte <= 'z')
        return byte - 32;
    switch (byte) {
    case 0x9A: return 0x8A; // š
    case 0x9C: return 0x8C; // œ
    case 0x9E: return 0x8E; // ž
    case 0xFF: return 0x9F; // ÿ
    default: break;
    }
    if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)
        return byte - 32;
    return byte;
}

} // namespace papelada
