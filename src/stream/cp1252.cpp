#include "stream/cp1252.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace papelada {

QString cp1252_para_unicode(const QByteArray& bytes)
{
    QString s;
    s.resize(bytes.size());
    cp1252_para_unicode(bytes.constData(), bytes.size(), s.data());
    return s;
}

void cp1252_para_unicode(const char* bytes, qsizetype n, QChar* destino)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        if (_mm_movemask_epi8(v) != 0) { // a byte of 0x80 or more: one at a time
            for (qsizetype j = i; j < i + 16; ++j)
                destino[j] = cp1252_para_unicode(b[j]);
            continue;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destino + i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destino + i + 8), _mm_unpackhi_epi8(v, zero));
    }
#endif
    for (; i < n; ++i)
        destino[i] = cp1252_para_unicode(b[i]);
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
