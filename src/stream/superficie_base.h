// Scale, pen, font and colour state that every surface keeps the same way.
// Implementations only measure text and draw, in twips from the corner of
// the paper.
#pragma once

#include "stream/superficie.h"

#include <QPointF>
#include <QRectF>

namespace papelada {

class SuperficieBase : public Superficie {
public:
    // `dpi`: device pixels per inch (the unit of the pixel scale mode).
    explicit SuperficieBase(double dpi);

    void setScaleMode(ModoEscala modo) override;
    ModoEscala scaleMode() const override { return modo_; }
    void setScaleLeft(double v) override { escala_esquerda_ = v; }
    void setScaleTop(double v) override { escala_topo_ = v; }
    double scaleLeft() const override { return escala_esquerda_; }
    double scaleTop() const override { return escala_topo_; }
    double scaleWidth() const override { return width() * unidades_por_twip(); }
    double scaleHeight() const override { return height() * unidades_por_twip(); }

    double currentX() const override { return para_usuario_x(pena_x_); }
    double currentY() const override { return para_usuario_y(pena_y_); }
    void setCurrentX(double x) override { pena_x_ = para_twips_x(x); }
    void setCurrentY(double y) override { pena_y_ = para_twips_y(y); }

    QString fontName() const override { return fonte_.lido; }
    void setFontName(const QString& nome) override;
    double fontSize() const override { return fonte_.tamanho; }
    void setFontSize(double pontos) override;
    bool fontBold() const override { return fonte_.negrito; }
    void setFontBold(bool v) override { fonte_.negrito = v; fonte_alterada(); }
    bool fontItalic() const override { return fonte_.italico; }
    void setFontItalic(bool v) override { fonte_.italico = v; fonte_alterada(); }
    bool fontUnderline() const override { return fonte_.sublinhado; }
    void setFontUnderline(bool v) override { fonte_.sublinhado = v; fonte_alterada(); }
    bool fontStrikethru() const override { return fonte_.riscado; }
    void setFontStrikethru(bool v) override { fonte_.riscado = v; fonte_alterada(); }

    QColor foreColor() const override { return cor_; }
    void setForeColor(const QColor& cor) override { cor_ = cor; }
    int drawWidth() const override { return largura_linha_; }
    void setDrawWidth(int largura) override { largura_linha_ = largura < 1 ? 1 : largura; }
    EstiloLinha drawStyle() const override { return estilo_; }
    void setDrawStyle(EstiloLinha estilo) override { estilo_ = estilo; }

    void print(const QString& texto) override;
    double textWidth(const QString& texto) const override;
    double textHeight(const QString& texto) const override;
    void line(double x1, double y1, double x2, double y2, const QColor& cor, bool caixa) override;
    void paintPicture(const QImage& imagem, double x, double y, double w, double h,
                      bool e_logico) override;

    void setDesenho(bool ligado) override { desenho_ = ligado; }

    double dpi() const override { return dpi_; }

protected:
    struct Fonte {
        QString nome = QStringLiteral("Courier New"); // as requested
        QString lido = QStringLiteral("Courier New"); // as read back
        double tamanho = 10;
        bool negrito = false, italico = false, sublinhado = false, riscado = false;
    };

    // Twips in, current scale units out, and back.
    double unidades_por_twip() const { return modo_ == ModoEscala::Twips ? 1.0 : dpi_ / 1440.0; }
    double para_usuario_x(double t) const { return t * unidades_por_twip() + escala_esquerda_; }
    double para_usuario_y(double t) const { return t * unidades_por_twip() + escala_topo_; }
    double para_twips_x(double v) const { return (v - escala_esquerda_) / unidades_por_twip(); }
    double para_twips_y(double v) const { return (v - escala_topo_) / unidades_por_twip(); }
    // Half a device pixel, in twips: one-pixel lines then cover whole pixels.
    double meio_pixel() const { return 720.0 / dpi_; }

    // The name that a font asked for under `nome` reads back as.
    virtual QString nome_lido(const QString& nome) const = 0;
    virtual void fonte_alterada() {}
    // Extent of a text in the current font, in twips.
    virtual double largura_texto(const QString& texto) const = 0;
    virtual double altura_texto(const QString& texto) const = 0;
    // Drawing, in twips from the corner of the paper.
    virtual void desenhar_texto(QPointF topo_esquerdo, const QString& texto) = 0;
    virtual void desenhar_linha(QPointF a, QPointF b, const QColor& cor, bool caixa) = 0;
    virtual void desenhar_imagem(const QImage& imagem, const QRectF& destino, bool e_logico) = 0;

    double dpi_;
    ModoEscala modo_ = ModoEscala::Twips;
    double escala_esquerda_ = 0, escala_topo_ = 0;
    double pena_x_ = 0, pena_y_ = 0; // twips from the corner
    Fonte fonte_;
    QColor cor_ = Qt::black;
    int largura_linha_ = 1;
    EstiloLinha estilo_ = EstiloLinha::Solido;
    bool desenho_ = true;
};

} // namespace papelada
