// The drawing surface: what the interpreters need from a printer or from a
// page image. Coordinates are in the current scale (twips, or device pixels),
// measured from the scale origin; ScaleLeft and ScaleTop are minus the
// margins, so that (0, 0) is the margin corner.
#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>
#include <mutex>

namespace papelada {

enum class ModoEscala { Twips = 1, Pixels = 3 };
enum class EstiloLinha { Solido = 0, Pontilhado = 2 };

constexpr int bandeja_trator = 8; // paper source: tractor feed
constexpr int orientacao_retrato = 1;
constexpr int orientacao_paisagem = 2;

class Superficie {
public:
    virtual ~Superficie() = default;

    // Setting the scale mode puts the origin back at the corner; the pen
    // keeps its place on the paper.
    virtual void setScaleMode(ModoEscala modo) = 0;
    virtual ModoEscala scaleMode() const = 0;
    virtual void setScaleLeft(double v) = 0;
    virtual void setScaleTop(double v) = 0;
    virtual double scaleLeft() const = 0;
    virtual double scaleTop() const = 0;
    // Size of the drawable area in the current scale.
    virtual double scaleWidth() const = 0;
    virtual double scaleHeight() const = 0;

    // Size in twips. The printer's height can be written (page length).
    virtual double width() const = 0;
    virtual double height() const = 0;
    virtual void setWidth(double twips) = 0;
    virtual void setHeight(double twips) = 0;

    // The pen, in the current scale.
    virtual double currentX() const = 0;
    virtual double currentY() const = 0;
    virtual void setCurrentX(double x) = 0;
    virtual void setCurrentY(double y) = 0;

    // Font of the next text; size in points. A name that the system lacks
    // reads back as the family actually used.
    virtual QString fontName() const = 0;
    virtual void setFontName(const QString& nome) = 0;
    virtual double fontSize() const = 0;
    virtual void setFontSize(double pontos) = 0;
    virtual bool fontBold() const = 0;
    virtual void setFontBold(bool v) = 0;
    virtual bool fontItalic() const = 0;
    virtual void setFontItalic(bool v) = 0;
    virtual bool fontUnderline() const = 0;
    virtual void setFontUnderline(bool v) = 0;
    virtual bool fontStrikethru() const = 0;
    virtual void setFontStrikethru(bool v) = 0;

    virtual QColor foreColor() const = 0;
    virtual void setForeColor(const QColor& cor) = 0;
    // Line width in device pixels (at least 1).
    virtual int drawWidth() const = 0;
    virtual void setDrawWidth(int largura) = 0;
    virtual EstiloLinha drawStyle() const = 0;
    virtual void setDrawStyle(EstiloLinha estilo) = 0;

    // Draws the text with its top at the pen; afterwards the pen stands just
    // right of the text, at the same y.
    virtual void print(const QString& texto) = 0;
    virtual double textWidth(const QString& texto) const = 0;
    virtual double textHeight(const QString& texto) const = 0;
    // A line, or the outline of a box, between two points; the pen ends at
    // the second point.
    virtual void line(double x1, double y1, double x2, double y2, const QColor& cor, bool caixa) = 0;
    // Draws a picture scaled to w x h. With `e_logico` (SRCAND) the white
    // parts of the picture leave the surface as it was.
    virtual void paintPicture(const QImage& imagem, double x, double y, double w, double h,
                              bool e_logico = false) = 0;
    // As paintPicture, for the picture file `caminho` of `tamanho` pixels
    // (as its header says), where the device takes the file as it is,
    // without decoding it (a PNG into a PDF). False, nothing drawn, where it
    // does not: the caller then decodes the picture for paintPicture.
    virtual bool paintPictureFile(const QString& /*caminho*/, QSize /*tamanho*/, double /*x*/, double /*y*/,
                                  double /*w*/, double /*h*/)
    {
        return false;
    }

    // With drawing off, text, lines and pictures move the pen as they would
    // and put nothing on the page: a page read through but not printed
    // leaves the state a printed one leaves.
    virtual void setDesenho(bool ligado) = 0;
    // Device pixels per inch: the unit of the pixel scale, and the grid
    // text is laid out on.
    virtual double dpi() const = 0;

    // Page image only: clear to the background, for a new page.
    virtual void cls() {}
    // Page image only: the page shown `zoom` times as large as a 96 dpi
    // screen shows paper, laid out as a printer of `dpi` dots per inch lays
    // it out (text, line widths, barcodes).
    virtual void setEscala(double /*zoom*/, double /*dpi*/) {}
    // Page image only: the text drawn from now on is a search hit
    // (underlined, light blue) until false; a colour set meanwhile is the
    // report's, which comes back after the hit.
    virtual void destacar(bool /*sim*/) {}

    // Printer only. Page number (1 first); NewPage ends the page and puts
    // the pen at (0, 0); EndDoc hands the document over (true on success,
    // see erro()); KillDoc cancels it: nothing reaches the printer.
    virtual int page() const { return 1; }
    virtual void newPage() {}
    virtual bool endDoc() { return true; }
    virtual void killDoc() {}
    virtual QString erro() const { return {}; }

    virtual int paperSize() const { return 0; }
    virtual void setPaperSize(int) {}
    virtual int paperBin() const { return 0; }
    virtual void setPaperBin(int) {}
    virtual int orientation() const { return orientacao_retrato; }
    virtual void setOrientation(int) {}
    virtual QString deviceName() const { return {}; }

    // The installed printers, and making one of them the current printer.
    virtual QStringList printers() const { return {}; }
    virtual bool selectPrinter(const QString&) { return false; }
};

// Palette colour for an index 0 to 15; other indexes give black.
QColor QBColor(int indice);

// Gives `s` the font, colour and lines of `modelo`; whether two surfaces
// have the same of them.
void copiar_estilo(Superficie& s, const Superficie& modelo);
bool mesmo_estilo(const Superficie& a, const Superficie& b);

// Loads a picture for ESC "G" as the picture policy allows
// (stream/politica_imagens.h): only regular files, sizes read from the
// header first, the job's budget, no SVG reference to another file. Returns
// a null image on failure, with the reason in `erro`.
QImage carregar_imagem(const QString& caminho, QString* erro = nullptr);

// The size in pixels of the picture at `caminho` as its header tells it,
// without decoding it: invalid (with the reason in `erro`) for a file that
// carregar_imagem refuses before decoding, or a PNG cut short. A format whose
// header does not tell the size is decoded.
QSize medir_imagem(const QString& caminho, QString* erro = nullptr);
// The same, each file measured once while its size and modification time
// stay the same: the size a page lays a picture out with.
QSize tamanho_imagem(const QString& caminho);

// The pictures of one job, each decoded once, shared by the threads that
// draw its pages: a picture drawn by many ESC "G" commands is read again
// only when its file changed (another size or modification time); a thread
// that asks for a picture while another decodes one waits for it. At most
// `limite` bytes of pixels are kept; a picture that does not fit beside
// those in use is not kept, and one unused for long leaves to make room.
class CacheImagens {
public:
    explicit CacheImagens(qint64 limite = qint64(256) << 20) : limite_(limite) {}
    // As carregar_imagem.
    QImage carregar(const QString& caminho, QString* erro = nullptr);
    // Pictures decoded so far (those read from the cache are not counted).
    int decodificadas() const { return decodificadas_; }

private:
    struct Entrada {
        qint64 tamanho_arquivo;
        qint64 modificado_ns;
        QImage imagem;
        quint64 uso;
    };
    std::mutex mutex_;
    QHash<QString, Entrada> entradas_;
    qint64 limite_;
    qint64 ocupado_ = 0;
    quint64 relogio_ = 0;
    int decodificadas_ = 0;
};

// Size of a picture in twips, as a 96 dots-per-inch screen shows it
// (15 twips a pixel).
constexpr double twips_por_pixel_imagem = 15.0;

} // namespace papelada
