// Pages drawn on one thread and written on another: what the printer hands
// its PDF writer for a page, kept until the writer's thread takes it, in the
// order it was drawn. Fonts are kept by their description and pictures as
// they were decoded, so that the writer's thread draws them with fonts of its
// own and recognises a picture it has written.
#pragma once

#include "pdf/escritor.h"
#include "print/destino_paginas.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <deque>
#include <vector>

namespace papelada {

// The writer's own faces for the fonts that the pages name.
class FontesCruas {
public:
    const QRawFont& fonte(const DescricaoFonte& descricao);

private:
    std::deque<std::pair<DescricaoFonte, QRawFont>> fontes_; // references to them hold
};

// A text in `fonte` whose characters are not all in its face, or whose
// style the face lacks, with its top at `base` minus the ascent: shaped by
// the platform, with its fallback fonts, and each piece written in the face
// it came out in, underline and strike-out included.
void escrever_texto_composto(pdf::Escritor& escritor, const QFont& fonte, const QString& texto, QPointF base,
                             const QColor& cor);

// The underline and strike-out of a text `largura` twips wide whose baseline
// starts at `base`, as rectangles handed to `desenhar(QRectF)`.
template <class F>
void tracos_do_texto(const QFontMetricsF& m, bool sublinhado, bool riscado, QPointF base, double largura,
                     F desenhar)
{
    if (sublinhado)
        desenhar(QRectF(base.x(), base.y() + m.underlinePos(), largura, m.lineWidth()));
    if (riscado)
        desenhar(QRectF(base.x(), base.y() - m.strikeOutPos(), largura, m.lineWidth()));
}

// The job's side of the pictures of recorded pages, on the writer's thread.
class ImagensDoTrabalho {
public:
    virtual ~ImagensDoTrabalho() = default;
    // The pixels of a PNG file that no longer goes in as it is (it changed
    // since its page was drawn); null when it cannot be read.
    virtual QImage decodificar(const QString& caminho) = 0;
    // A picture that could not be drawn on the page, where it was met.
    virtual void falhou(const QString& caminho, const QString& motivo) = 0;
};

class GravacaoPagina {
public:
    // As the writer's methods of the same names; glyphs at their natural
    // advances.
    void glifos(const DescricaoFonte& fonte, const quint32* indices, const char16_t* caracteres, qsizetype n,
                QPointF origem, const QColor& cor, bool negrito, bool italico);
    void retangulo_cheio(const QRectF& r, const QColor& cor);
    void linha(QPointF a, QPointF b, const QColor& cor, double largura, bool pontilhada, bool caixa);
    void imagem(const QImage& imagem, const QRectF& destino);
    // A PNG file that goes into the document as it is: named here, read
    // only by the writer.
    void imagem_png(const QString& caminho, QSize tamanho, const QRectF& destino);
    // See escrever_texto_composto().
    void texto_composto(const DescricaoFonte& fonte, const QString& texto, QPointF base, const QColor& cor);
    // A picture that could not be drawn.
    void falha_imagem(const QString& caminho, const QString& motivo);

    // Draws it all on the writer's page, in the order it came, telling
    // `imagens` (if any) of the pictures that could not be drawn.
    void reproduzir(pdf::Escritor& escritor, FontesCruas& fontes, ImagensDoTrabalho* imagens) const;
    // Tells only the pictures that could not be drawn, in order.
    void contar_falhas(ImagensDoTrabalho& imagens) const;
    // Lays the page out on `escritor`, a writer that writes no file, into
    // `prevista`, unless it holds text that the platform shapes.
    void prever(pdf::Escritor& escritor, FontesCruas& fontes);
    // The writer's faces for the page's fonts, by their tags.
    std::vector<QRawFont> faces(FontesCruas& fontes) const;

    // The page laid out, when `tem_prevista`.
    pdf::PaginaPrevista prevista;
    bool tem_prevista = false;

    // Something was drawn (even an empty text): the page exists, of this
    // size, the printer's when the first thing was drawn on it.
    bool tocada = false;
    QSizeF tamanho;
    // The page ended (the printer went on to a new one).
    bool terminou = false;

private:
    struct Operacao {
        enum class Tipo : quint8 { Glifos, Composto, Retangulo, Linha, Imagem, Png, Falha };
        explicit Operacao(Tipo t) : tipo(t) {}
        Tipo tipo;
        bool negrito = false, italico = false; // glyphs; for lines: dotted, box
        int indice = 0;    // font
        qsizetype inicio = 0, n = 0; // glyphs; text, picture or file (and reason)
        QPointF a, b;      // origin or base; rectangle or line
        double largura = 0;
        QColor cor;
    };
    int indice_fonte(const DescricaoFonte& fonte);

    std::vector<Operacao> operacoes_;
    std::vector<DescricaoFonte> fontes_;
    std::vector<quint32> indices_;
    std::vector<char16_t> caracteres_;
    std::vector<QString> textos_;
    std::vector<QImage> imagens_;
    std::vector<std::pair<QString, QSize>> arquivos_;
};

// The pages a printer draws on a thread of its own, recorded one after
// another; the last one is the page being drawn.
class GravacaoPaginas final : public DestinoPaginas {
public:
    std::vector<GravacaoPagina> paginas;

    bool pagina(QSizeF tamanho) override;
    void glifos(const DescricaoFonte& fonte, const QRawFont&, const quint32* indices, const QPointF*,
                const char16_t* caracteres, qsizetype n, QPointF origem, const QColor& cor, bool negrito,
                bool italico) override
    {
        atual().glifos(fonte, indices, caracteres, n, origem, cor, negrito, italico);
    }
    void texto_composto(const DescricaoFonte& fonte, const QString& texto, QPointF base, const QColor& cor) override
    {
        atual().texto_composto(fonte, texto, base, cor);
    }
    void retangulo_cheio(const QRectF& r, const QColor& cor) override { atual().retangulo_cheio(r, cor); }
    void linha(QPointF a, QPointF b, const QColor& cor, double largura, bool pontilhada, bool caixa) override
    {
        atual().linha(a, b, cor, largura, pontilhada, caixa);
    }
    void imagem(const QImage& imagem, const QRectF& destino) override { atual().imagem(imagem, destino); }
    // A PNG file whose header lets it go in as it is: the writer reads it.
    bool imagem_png(const QString& caminho, QSize tamanho, const QRectF& destino) override;
    void nova_pagina() override;
    void falha_imagem(const QString& caminho, const QString& motivo) { atual().falha_imagem(caminho, motivo); }

private:
    GravacaoPagina& atual();
};

} // namespace papelada
