// Tables of cases kept as text files under tests/casos: the bytes given and
// the outcome they must give. A file holds one case after another:
//
//   == name
//   < bytes            (lines joined; "<*N bytes" repeats them N times)
//   > outcome          (lines joined by a line feed)
//
// Lines starting with "#" and blank lines are comments. Bytes and outcomes
// are escaped text: \e (escape), \n, \r, \f, \t, \0, \\, \xHH, and \{N}
// repeating the byte before it up to N of it.
//
// With PAPELADA_REESCREVER_CASOS=1 in the environment, a table whose
// outcomes differ is written back with the outcomes found, for review in the
// version history when a rule changes on purpose.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <ostream>

namespace papelada::teste {

struct CasoArquivo {
    QString nome;
    QByteArray entrada;
    QString esperado;
    QString obtido;
};
inline void PrintTo(const CasoArquivo& c, std::ostream* os) { *os << c.nome.toStdString(); }

// Runs `resultado` on every case of tests/casos/`arquivo` and fills
// `obtido`; in the rewrite mode, writes the file back when some case
// differs. Returns the cases; an unreadable or malformed file gives one case
// named "arquivo ilegível" whose outcome says why.
QList<CasoArquivo> conferir_casos(const QString& arquivo, const std::function<QString(const QByteArray&)>& resultado);

} // namespace papelada::teste
