#include "stream/terminal.h"

#include <cerrno>
#include <unistd.h>

namespace papelada {

SaidaTerminal::SaidaTerminal(int fd) : fd_(fd)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

QByteArray SaidaTerminal::escapar(const char* dados, qint64 n, bool& c2_pendente)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray s;
    s.reserve(static_cast<qsizetype>(n) + 8);
    for (qint64 i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(dados[i]);
        if (c2_pendente) {
            c2_pendente = false;
            if (b >= 0x80 && b <= 0x9F) { // U+0080 to U+009F in UTF-8
                s += "\\u00";
                s += hex[b >> 4];
                s += hex[b & 0xF];
                continue;
            }
            s += '\xC2';
        }
        if (b == 0xC2) {
            c2_pendente = true;
        } else if ((b < 0x20 && b != '\n' && b != '\t') || b == 0x7F) {
            s += "\\x";
            s += hex[b >> 4];
            s += hex[b & 0xF];
        } else {
            s += static_cast<char>(b);
        }
    }
    return s;
}

qint64 SaidaTerminal::writeData(const char* dados, qint64 n)
{
    const QByteArray s = escapar(dados, n, c2_pendente_);
    for (qsizetype feito = 0; feito < s.size();) {
        const ssize_t k = ::write(fd_, s.constData() + feito, static_cast<size_t>(s.size() - feito));
        if (k < 0 && errno == EINTR)
            continue;
        if (k <= 0) {
            falha_ = k < 0 ? errno : EIO;
            return -1;
        }
        feito += k;
    }
    return n;
}

} // namespace papelada
