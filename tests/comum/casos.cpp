#include "comum/casos.h"
#include "comum/apoio.h"

#include <QFile>
#include <QHash>

namespace papelada::teste {

namespace {

QByteArray desescapar(QByteArrayView t)
{
    static const QHash<char, char> nomes{{'e', 27}, {'n', '\n'}, {'r', '\r'}, {'f', '\f'}, {'t', '\t'}, {'0', 0}};
    QByteArray r;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char c = i + 1 < t.size() && t[i] == '\\' ? t[++i] : 0;
        if (!c) {
            r += t[i];
        } else if (c == 'x') {
            r += static_cast<char>(t.sliced(i + 1).first(std::min<qsizetype>(2, t.size() - i - 1)).toByteArray().toInt(nullptr, 16));
            i += 2;
        } else if (c == '{') { // \{N}: the byte before, N times in all
            const qsizetype fim = t.indexOf('}', i);
            r += QByteArray(std::max<qsizetype>(0, t.sliced(i + 1, fim - i - 1).toByteArray().toLongLong() - 1), r.back());
            i = fim;
        } else {
            r += nomes.value(c, c);
        }
    }
    return r;
}

QString escapar(const QByteArray& bytes)
{
    QByteArray r;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const bool ultimo_branco = c == ' ' && i + 1 == bytes.size(); // kept from editors that trim lines
        const qsizetype nome = QByteArrayView("\x1b\n\r\f\t\0\\", 7).indexOf(char(c));
        if (nome >= 0)
            r += QByteArray("\\") + "enrft0\\"[nome];
        else if (c < 32 || c == 127 || ultimo_branco)
            r += "\\x" + QByteArray::number(c, 16).rightJustified(2, '0');
        else
            r += char(c);
    }
    return QString::fromUtf8(r);
}

// The cases, and for each the number of the line after which its outcome
// stands (its last line of bytes).
QList<CasoArquivo> ler(const QString& caminho, QList<QByteArray>& linhas, QList<qsizetype>& depois)
{
    QFile f(caminho);
    if (!f.open(QIODevice::ReadOnly))
        return {CasoArquivo{QStringLiteral("arquivo ilegível"), {}, f.errorString(), {}}};
    linhas = f.readAll().split('\n');
    QList<CasoArquivo> casos;
    bool primeira_saida = true;
    for (qsizetype n = 0; n < linhas.size(); ++n) {
        const QByteArray& l = linhas[n];
        if (l.startsWith("== ")) {
            casos.append(CasoArquivo{QString::fromUtf8(l.mid(3).trimmed()), {}, {}, {}});
            depois.append(n);
            primeira_saida = true;
        } else if (!casos.isEmpty() && l.startsWith('<')) {
            const qsizetype espaco = l.indexOf(' ');
            const qsizetype vezes = l.startsWith("<*") ? l.mid(2, espaco - 2).toLongLong() : 1;
            casos.back().entrada += desescapar(QByteArrayView(l).sliced(espaco < 0 ? l.size() : espaco + 1)).repeated(vezes);
            depois.back() = n;
        } else if (!casos.isEmpty() && l.startsWith('>')) {
            if (!primeira_saida)
                casos.back().esperado += u'\n';
            primeira_saida = false;
            casos.back().esperado += QString::fromUtf8(desescapar(QByteArrayView(l).sliced(std::min<qsizetype>(2, l.size()))));
        } else if (!l.isEmpty() && !l.startsWith('#')) {
            return {CasoArquivo{QStringLiteral("arquivo ilegível"), {}, QStringLiteral("linha %1").arg(n + 1), {}}};
        }
    }
    return casos;
}

} // namespace

QList<CasoArquivo> conferir_casos(const QString& arquivo, const std::function<QString(const QByteArray&)>& resultado)
{
    const QString caminho = dir_fonte() + QStringLiteral("/tests/casos/") + arquivo;
    QList<QByteArray> linhas;
    QList<qsizetype> depois;
    QList<CasoArquivo> casos = ler(caminho, linhas, depois);
    bool diferem = false;
    for (CasoArquivo& c : casos) {
        c.obtido = depois.isEmpty() ? QString() : resultado(c.entrada);
        diferem |= c.obtido != c.esperado;
    }
    if (!diferem || depois.isEmpty() || qgetenv("PAPELADA_REESCREVER_CASOS") != "1")
        return casos;
    // The outcome lines are written again after each case's bytes; names,
    // bytes and comments stay as they are.
    QByteArray texto;
    for (qsizetype n = 0, k = 0; n < linhas.size(); ++n) {
        if (!linhas[n].startsWith('>'))
            texto += linhas[n] + (n + 1 < linhas.size() ? "\n" : "");
        for (; k < depois.size() && depois[k] == n; ++k)
            for (const QString& l : casos[k].obtido.split(u'\n'))
                texto += QByteArray("> " + escapar(l.toUtf8()).toUtf8()).trimmed() + '\n'; // escaped: no blank at the end
    }
    QFile f(caminho);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(texto);
    return casos;
}

} // namespace papelada::teste
