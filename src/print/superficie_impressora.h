// The printer: pages are drawn into a PDF document of the printer's size,
// with text measured as the preview measures it. A CUPS queue receives the
// document as a print job created when the first page is done, page by page
// (EndDoc lets it print); the built-in printer
// "Arquivo PDF" writes it to the file named by the caller (atomically: the
// file appears complete or not at all). KillDoc throws it away (a job
// already in the queue is cancelled there), so nothing of a cancelled
// document reaches a printer or a file.
#pragma once

#include "print/gravacao.h"

#include <QPageSize>
#include <QSizeF>
#include <memory>
#include <utility>

class QIODevice;

namespace papelada {

// The built-in printer, always installed.
inline const QString impressora_pdf = QStringLiteral("Arquivo PDF");

// The system's print queues, in the order the system lists them, then
// "Arquivo PDF".
QStringList impressoras_instaladas();
// The system's default queue, or "" when there is none.
QString impressora_padrao_sistema();

// The input slot of a queue that feeds continuous forms: the first of the
// queue's slots (name, text) whose name or text speaks of a tractor or of
// continuous paper; "" when there is none.
QString bandeja_continua(const QList<std::pair<QString, QString>>& bandejas);

class SuperficieImpressora : public SuperficieGlifos {
public:
    // Starts on `nome`, or on the system's default printer, or on
    // "Arquivo PDF" when the system has none.
    explicit SuperficieImpressora(const QString& nome = {});
    // A printer that draws its pages on `destino` instead of a document of
    // its own, set up as `modelo` is now (paper, resolution, pen, font,
    // colour, lines). The system is not asked again about the printer.
    SuperficieImpressora(const SuperficieImpressora& modelo, DestinoPaginas& destino);
    ~SuperficieImpressora() override;
    SuperficieImpressora(const SuperficieImpressora&) = delete;
    SuperficieImpressora& operator=(const SuperficieImpressora&) = delete;
    // Takes the state `modelo` stands in now (as the constructor above);
    // keeps its own destination and document.
    void tomar_estado(const SuperficieImpressora& modelo);

    // Writes a page recorded by a printer set up as this one into the
    // document, as the page that comes now, and ends it when it ended there.
    // This printer's own state (pen, font, page count) stays as it is.
    // The pictures that could not be drawn on it are told to `imagens`.
    void reproduzir(const GravacaoPagina& pagina, ImagensDoTrabalho& imagens);

    // Where "Arquivo PDF" writes its document; never over `entrada`, the
    // report being printed. A file only on its way to standard output is
    // not `duravel` (see ArquivoSaida::setDuravel).
    void setArquivoSaida(const QString& caminho, const QString& entrada = {}, bool duravel = true)
    {
        arquivo_saida_ = caminho;
        entrada_ = entrada;
        saida_duravel_ = duravel;
    }
    QString arquivoSaida() const { return arquivo_saida_; }
    // Where "Arquivo PDF" writes instead of a file: an open device of the
    // caller's (a filter's standard output), which takes each page as it
    // ends. Null: the file.
    void setDispositivoSaida(QIODevice* dispositivo) { dispositivo_saida_ = dispositivo; }
    // The name a print queue shows for the job ("Papelada" unless set).
    void setTituloTrabalho(const QString& titulo) { titulo_ = titulo; }
    // Threads the writer of the next document compresses its streams on (0:
    // every core; fewer when other threads draw the pages).
    void setFiosEscritor(int fios) { fios_escritor_ = fios; }
    // Device resolution in dots per inch (300 unless changed). Not while a
    // document is open.
    void setResolucao(int dpi);

    double width() const override;
    double height() const override;
    void setWidth(double) override {}
    void setHeight(double twips) override;

    int page() const override { return pagina_; }
    void newPage() override;
    bool endDoc() override;
    void killDoc() override;
    QString erro() const override;

    int paperSize() const override { return papel_; }
    void setPaperSize(int codigo) override;
    int paperBin() const override { return bandeja_; }
    void setPaperBin(int codigo) override { bandeja_ = codigo; }
    // Paper that no code of the report names (a queue's own): the code
    // becomes the size's, or 256 ("Definido pelo usuário").
    void setPapel(const QPageSize& papel);
    int orientation() const override { return orientacao_; }
    void setOrientation(int o) override;
    QString deviceName() const override { return nome_; }
    QStringList printers() const override { return impressoras_instaladas(); }
    bool selectPrinter(const QString& nome) override;

    // The document's file could not be written (a full disk): its reason, or
    // "" while writing goes well. Asked while the pages are drawn, so that
    // the job stops at once.
    QString falha_de_escrita() const;
    // True while a document has been started and not yet ended.
    bool documentoAberto() const;
    // Pages of the last document that EndDoc handed over; 0 when nothing had
    // been drawn (then no file or job was made at all).
    int paginasEntregues() const;

protected:
    void desenhar_glifos(QPointF topo, const QString& texto, const Disposicao* disposicao) override;
    void desenhar_linha(QPointF a, QPointF b, const QColor& cor, bool caixa) override;
    void desenhar_imagem(const QImage& imagem, const QRectF& destino, bool e_logico) override;
    bool paintPictureFile(const QString& caminho, QSize tamanho, double x, double y, double w, double h) override;

private:
    class DocumentoPdf;
    void adotar_padroes_da_fila();

    QString nome_;
    QString arquivo_saida_;
    QString entrada_;
    bool saida_duravel_ = true;
    QString titulo_ = QStringLiteral("Papelada");
    int papel_ = 9;
    int bandeja_ = 0;
    int orientacao_ = orientacao_retrato;
    QSizeF folha_; // twips, as the paper is fed
    double altura_forcada_ = 0; // twips written through Height, 0 when none
    QIODevice* dispositivo_saida_ = nullptr;
    int fios_escritor_ = 0;
    int pagina_ = 1;

    // The document this printer writes, and where its pages go: the
    // document, or the caller's destination.
    std::unique_ptr<DocumentoPdf> documento_;
    DestinoPaginas* destino_;
};

} // namespace papelada
