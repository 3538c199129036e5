// Helpers shared by the tests.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>

// GoogleTest shows texts as text, not as lists of 16-bit units.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace papelada::teste {

// Folders of the build and of the source tree.
QString dir_build();
QString dir_fonte();
// papelada-cli in the build folder.
QString cli();

// A temporary folder that lives as long as the test process.
QString pasta_temporaria();
// Writes bytes to a new file in the temporary folder and returns its path.
QString gravar(const QString& nome, const QByteArray& dados);
QByteArray ler(const QString& caminho);

struct Resultado {
    int codigo = -1;
    QString saida;
    QString erros;
};
// Runs a program and waits for it (at most `segundos`).
Resultado executar(const QString& programa, const QStringList& argumentos, int segundos = 120);
// True when a program is on the PATH.
bool existe_programa(const QString& nome);

// Words of a PDF page with their boxes, as pdftotext -bbox gives them (points).
struct Palavra {
    QString texto;
    double x_min = 0, y_min = 0, x_max = 0, y_max = 0;
    int pagina = 0;
};
QList<Palavra> palavras_pdf(const QString& pdf);
int paginas_pdf(const QString& pdf);

} // namespace papelada::teste
