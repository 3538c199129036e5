#include "stream/cp1252.h"

namespace papelada {

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
        if (cp1252_80_9f[i] == u)
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
