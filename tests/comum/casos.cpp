#include "comum/casos.h"
#include "comum/apoio.h"

#include <QFile>
#include <QMap>
#include <QSet>

namespace papelada::teste {

namespace {

struct Linhas {
    int primeira_saida = -1, ultima_entrada = -1;
};

QString caminho_casos(const QString& arquivo) { return dir_fonte() + QStringLiteral("/tests/casos/") + arquivo; }

} // namespace

QByteArray desescapar(QByteArrayView t)
{
    QByteArray r;
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] != '\\' || i + 1 == t.size()) {
            r += t[i];
            continue;
        }
        const char c = t[++i];
        switch (c) {
        case 'e': r += '\x1b'; break;
        case 'n': r += '\n'; break;
        case 'r': r += '\r'; break;
        case 'f': r += '\f'; break;
        case 't': r += '\t'; break;
        case '0': r += '\0'; break;
        case 'x':
            r += static_cast<char>(t.sliced(i + 1, std::min<qsizetype>(2, t.size() - i - 1)).toByteArray().toInt(nullptr, 16));
            i += 2;
            break;
        case '{': {
            const qsizetype fim = t.indexOf('}', i);
            const qsizetype n = t.sliced(i + 1, fim - i - 1).toByteArray().toLongLong();
            if (!r.isEmpty() && n > 0)
                r += QByteArray(n - 1, r.back());
            i = fim;
            break;
        }
        default: r += c; break;
        }
    }
    return r;
}

QString escapar(const QByteArray& bytes)
{
    QByteArray r;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        qsizetype n = 1;
        while (i + n < bytes.size() && bytes[i + n] == bytes[i])
            ++n;
        const char* nome = c == 27 ? "\\e" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\f' ? "\\f"
                         : c == '\t' ? "\\t" : c == 0 ? "\\0" : c == '\\' ? "\\\\" : nullptr;
        if (nome)
            r += nome;
        else if (c == ' ' && i + 1 == bytes.size()) // kept from editors that trim lines
            r += "\\x20";
        else if (c < 32 || c == 127)
            r += "\\x" + QByteArray::number(c, 16).rightJustified(2, '0');
        else
            r += static_cast<char>(c);
        if (n >= 8 && c != '\\') { // long runs as a count
            r += "\\{" + QByteArray::number(n) + '}';
            i += n - 1;
        }
    }
    return QString::fromUtf8(r);
}

static QList<CasoArquivo> ler(const QString& arquivo, QList<QByteArray>* texto, QList<Linhas>* linhas)
{
    QFile f(caminho_casos(arquivo));
    if (!f.open(QIODevice::ReadOnly))
        return {{QStringLiteral("arquivo ilegível"), {}, f.errorString(), {}}};
    const QList<QByteArray> todas = f.readAll().split('\n');
    QList<CasoArquivo> casos;
    QList<Linhas> onde;
    for (qsizetype n = 0; n < todas.size(); ++n) {
        const QByteArray& l = todas[n];
        if (l.startsWith("== ")) {
            casos.append(CasoArquivo{QString::fromUtf8(l.mid(3).trimmed()), {}, {}, {}});
            onde.append(Linhas{});
        } else if (l.isEmpty() || l.startsWith('#')) {
            continue;
        } else if (casos.isEmpty() || !(l.startsWith('<') || l.startsWith('>'))) {
            return {{QStringLiteral("arquivo ilegível"), {}, QStringLiteral("linha %1: %2").arg(n + 1).arg(QString::fromUtf8(l)), {}}};
        } else if (l.startsWith('<')) {
            qsizetype vezes = 1, inicio = 1;
            if (l.startsWith("<*")) {
                inicio = l.indexOf(' ');
                vezes = l.mid(2, inicio - 2).toLongLong();
            }
            const QByteArray bytes = desescapar(QByteArrayView(l).sliced(std::min(inicio + 1, l.size())));
            for (qsizetype k = 0; k < vezes; ++k)
                casos.back().entrada += bytes;
            onde.back().ultima_entrada = int(n);
        } else {
            CasoArquivo& c = casos.back();
            if (onde.back().primeira_saida >= 0)
                c.esperado += u'\n';
            else
                onde.back().primeira_saida = int(n);
            c.esperado += QString::fromUtf8(desescapar(QByteArrayView(l).sliced(std::min<qsizetype>(2, l.size()))));
        }
    }
    if (texto)
        *texto = todas;
    if (linhas)
        *linhas = onde;
    return casos;
}

QList<CasoArquivo> ler_casos(const QString& arquivo) { return ler(arquivo, nullptr, nullptr); }

QList<CasoArquivo> conferir_casos(const QString& arquivo, const std::function<QString(const QByteArray&)>& resultado)
{
    QList<QByteArray> texto;
    QList<Linhas> linhas;
    QList<CasoArquivo> casos = ler(arquivo, &texto, &linhas);
    bool diferem = false;
    for (CasoArquivo& c : casos) {
        if (linhas.isEmpty()) // the file could not be read
            return casos;
        c.obtido = resultado(c.entrada);
        diferem |= c.obtido != c.esperado;
    }
    if (!diferem || qgetenv("PAPELADA_REESCREVER_CASOS") != "1")
        return casos;
    // The outcome lines of each case are replaced by those found, where
    // they stood (or after its bytes); names, bytes and comments stay.
    QMap<int, QByteArray> inserir;
    QSet<int> velhas;
    for (qsizetype k = 0; k < casos.size(); ++k) {
        QByteArray novas;
        for (const QString& l : casos[k].obtido.split(u'\n'))
            novas += "> " + escapar(l.toUtf8()).toUtf8() + '\n';
        const int em = linhas[k].primeira_saida >= 0 ? linhas[k].primeira_saida : linhas[k].ultima_entrada + 1;
        inserir[em] = novas;
    }
    for (qsizetype n = 0; n < texto.size(); ++n)
        if (texto[n].startsWith('>'))
            velhas.insert(int(n));
    QByteArray saida;
    for (qsizetype n = 0; n < texto.size(); ++n) {
        if (inserir.contains(int(n)))
            saida += inserir[int(n)];
        if (!velhas.contains(int(n)))
            saida += texto[n] + (n + 1 < texto.size() ? "\n" : "");
    }
    QFile f(caminho_casos(arquivo));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(saida);
    return casos;
}

} // namespace papelada::teste
