#include "stream/nome_arquivo.h"

namespace papelada {

namespace {

// Length of the well-formed UTF-8 sequence at `p` (no overlong forms, no
// surrogates, nothing past U+10FFFF), 0 when there is none.
int sequencia(const unsigned char* p, qsizetype resta)
{
    const unsigned char c = p[0];
    int n;
    char32_t v;
    if (c < 0x80)
        return 1;
    if (c >= 0xc2 && c <= 0xdf)
        n = 2, v = c & 0x1f;
    else if (c >= 0xe0 && c <= 0xef)
        n = 3, v = c & 0x0f;
    else if (c >= 0xf0 && c <= 0xf4)
        n = 4, v = c & 0x07;
    else
        return 0;
    if (resta < n)
        return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xc0) != 0x80)
            return 0;
        v = (v << 6) | (p[i] & 0x3f);
    }
    if ((n == 3 && v < 0x800) || (n == 4 && (v < 0x10000 || v > 0x10ffff)) || (v >= 0xd800 && v <= 0xdfff))
        return 0;
    return n;
}

} // namespace

QString nome_de_bytes(QByteArrayView bytes)
{
    QString nome;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (qsizetype i = 0; i < bytes.size();) {
        qsizetype j = i;
        for (int n; j < bytes.size() && (n = sequencia(p + j, bytes.size() - j)) > 0;)
            j += n;
        nome += QString::fromUtf8(bytes.sliced(i, j - i));
        if (j < bytes.size())
            nome += QChar(char16_t(0xdc00 + p[j++]));
        i = j;
    }
    return nome;
}

QByteArray bytes_do_nome(const QString& nome)
{
    QByteArray bytes;
    qsizetype inicio = 0;
    for (qsizetype i = 0; i < nome.size(); ++i) {
        const char16_t u = nome[i].unicode();
        const bool solto = u >= 0xdc80 && u <= 0xdcff && (i == 0 || !nome[i - 1].isHighSurrogate());
        if (!solto)
            continue;
        bytes += QStringView(nome).sliced(inicio, i - inicio).toUtf8();
        bytes += char(u - 0xdc00);
        inicio = i + 1;
    }
    return bytes + QStringView(nome).sliced(inicio).toUtf8();
}

} // namespace papelada
