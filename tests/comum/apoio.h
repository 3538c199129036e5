// Helpers shared by the tests.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>
#include <string>

QT_BEGIN_NAMESPACE
class QProcess;
class QSettings;

// GoogleTest shows texts as text, not as lists of 16-bit units.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace papelada {
class Superficie;
}

namespace papelada::teste {

// Folders of the build and of the source tree.
QString dir_build();
QString dir_fonte();
// papelada-cli in the build folder.
QString cli();

// A temporary folder that lives as long as the test process.
QString pasta_temporaria();
// The settings store as the programs open it (in the test's own folder:
// see main.cpp), read and written directly.
QSettings loja();
// Writes bytes to a new file in the temporary folder and returns its path.
QString gravar(const QString& nome, const QByteArray& dados);
QByteArray ler(const QString& caminho);
// Writes a picture of one colour as a PNG file in the temporary folder and
// returns its path ("" when it could not be written).
QString gravar_figura(const QString& nome, QSize tamanho, const QColor& cor);

struct Resultado {
    int codigo = -1;
    QString saida;
    QString erros;
};
// Runs a program and waits for it (at most `segundos`), with `ambiente`
// ("NOME=valor") added to the test's own environment. A program that does
// not start gives code -1 and its name in `erros`.
Resultado executar(const QString& programa, const QStringList& argumentos, int segundos = 120,
                   const QStringList& ambiente = {});
// Waits for a program already started (at most `segundos`; then it is
// killed and the code is -1).
Resultado concluir(QProcess& programa, int segundos = 120);

// The rows of a table under tests/casos: its lines that are neither blank
// nor comments ("#"), split at tabs.
QList<QStringList> tabela(const QString& arquivo);

// Words of a PDF page with their boxes, as pdftotext -bbox gives them (points).
struct Palavra {
    QString texto;
    double x_min = 0, y_min = 0, x_max = 0, y_max = 0;
    int pagina = 0;
};
QList<Palavra> palavras_pdf(const QString& pdf);
int paginas_pdf(const QString& pdf);
// The barcodes zbarimg reads in a picture file, as it names them
// ("EAN-13:5901234123457"), sorted.
QStringList ler_codigos(const QString& imagem);

// A page of a PDF as a reader draws it, in shades of grey (or in colour),
// `dpi` pixels to the inch; a null image when the reader fails.
enum class Programa { poppler, mupdf };
QImage rasterizar(const QString& pdf, int pagina = 1, double dpi = 72, Programa leitor = Programa::poppler, bool cinza = true);
// The same as a PNG file in the temporary folder, for pages too large to be
// read back whole: its path, or "" when the reader fails.
QString rasterizar_png(const QString& pdf, int pagina = 1, double dpi = 72, Programa leitor = Programa::poppler,
                       bool cinza = true);
// Dark pixels (grey below 128) of a picture, or of part of it.
int tinta(const QImage& imagem, QRect parte = {});
// qpdf reads every object and decodes every stream of a PDF: "" when it does,
// else what it says.
QString defeitos_pdf(const QString& pdf);

// A surface's font in short: name and size, then " b", " i", " u", " s" for
// bold, italic, underline and strike-through ("Arial 12 b").
QString fonte_de(const Superficie& s);

// Bytes of a spool file: an escape command and what follows it.
inline QByteArray esc(const char* resto) { return QByteArray("\x1b") + resto; }
inline QByteArray esc(char comando, const QByteArray& parametros = {})
{
    return QByteArray(1, '\x1b') + comando + parametros;
}
// ESC "D" with the head of a printer-settings record: the name, then
// orientation, paper, paper source and colour as 16-bit numbers. Bytes that
// would mean something in the stream (LF, FF, ESC) stand in the fields that
// are not read.
QByteArray registro_impressora(const QByteArray& nome, int orientacao, int papel, int bandeja, int cor = 0);
// ESC "F" with the head of a font record: the name, the size in points and
// the styles; a form feed stands in a field that is not read.
QByteArray registro_fonte(const QByteArray& nome, int tamanho, bool negrito = false, bool italico = false,
                          bool sublinhado = false, bool riscado = false);

// The name GoogleTest gives each case of a table: the case's `nome`.
inline constexpr auto nome_do_caso = [](const auto& info) { return std::string(info.param.nome); };

} // namespace papelada::teste
