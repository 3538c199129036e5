// A surface that draws nothing and writes down every drawing and page call
// as a line of text, with fixed font metrics: a character is 1.2 x the font
// size in points wide and 2.4 x as high, in tenths of a point (10 points:
// 120 x 240 twips). Interpreters can then be checked without fonts or a
// printer.
#pragma once

#include "stream/superficie_base.h"

namespace papelada {

class SuperficieGravacao : public SuperficieBase {
public:
    explicit SuperficieGravacao(double dpi = 300, double largura_twips = 11906,
                                double altura_twips = 16838);

    // What was drawn, one line a call, coordinates in the scale in force:
    //   Print "texto" x,y [Fonte tamanho b i u s #rrggbb]
    //   Line x1,y1 x2,y2 #rrggbb w=1 s=0      Box ... (the same)
    //   Picture x,y wxh e=0
    //   NewPage / EndDoc / KillDoc / Cls / ScaleMode 1
    QStringList registro;

    // Fonts that exist; any other name reads back as "Courier New".
    QStringList fontes = {QStringLiteral("Courier New"), QStringLiteral("Arial"),
                          QStringLiteral("Times New Roman"), QStringLiteral("Terminal")};
    // Installed printers.
    QStringList impressoras = {QStringLiteral("Gravador"), QStringLiteral("Arquivo PDF")};

    double width() const override { return largura_; }
    double height() const override { return altura_; }
    void setWidth(double twips) override { largura_ = twips; }
    void setHeight(double twips) override { altura_ = twips; }
    void setScaleMode(ModoEscala modo) override;
    void cls() override;

    int page() const override { return pagina_; }
    void newPage() override;
    bool endDoc() override;
    void killDoc() override;
    int paperSize() const override { return papel_; }
    void setPaperSize(int codigo) override { papel_ = codigo; }
    int paperBin() const override { return bandeja_; }
    void setPaperBin(int codigo) override { bandeja_ = codigo; }
    int orientation() const override { return orientacao_; }
    void setOrientation(int o) override { orientacao_ = o; }
    QString deviceName() const override { return impressora_; }
    QStringList printers() const override { return impressoras; }
    bool selectPrinter(const QString& nome) override;

    int documentos_encerrados = 0;
    int documentos_cancelados = 0;

protected:
    QString nome_lido(const QString& nome) const override;
    double largura_texto(const QString& texto) const override;
    double altura_texto(const QString& texto) const override;
    void desenhar_texto(QPointF topo, const QString& texto) override;
    void desenhar_linha(QPointF a, QPointF b, const QColor& cor, bool caixa) override;
    void desenhar_imagem(const QImage& imagem, const QRectF& destino, bool e_logico) override;

private:
    QString ponto(QPointF t) const;

    double largura_, altura_;
    int pagina_ = 1;
    int papel_ = 9;
    int bandeja_ = 0;
    int orientacao_ = orientacao_retrato;
    QString impressora_ = QStringLiteral("Gravador");
};

} // namespace papelada
