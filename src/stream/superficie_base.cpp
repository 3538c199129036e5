#include "stream/superficie_base.h"

#include "stream/politica_imagens.h"

#include <algorithm>
#include <cmath>

namespace papelada {

SuperficieBase::SuperficieBase(double dpi) : dpi_(dpi > 0 ? dpi : 300) {}

void SuperficieBase::setScaleMode(ModoEscala modo)
{
    modo_ = modo;
    escala_esquerda_ = escala_topo_ = 0;
}

void SuperficieBase::setFontName(const QString& nome)
{
    if (!admitir_nome_fonte(nome))
        return; // a job that names too many fonts keeps the one it has
    fonte_.nome = nome;
    fonte_.lido = nome_lido(nome);
    fonte_alterada();
}

void SuperficieBase::setFontSize(double pontos)
{
    // A font has a size of at least a twentieth of a point and at most 2048
    // points; anything else is brought into that range.
    if (!std::isfinite(pontos) || pontos < 0.05)
        pontos = 0.05;
    fonte_.tamanho = std::min(pontos, 2048.0);
    fonte_alterada();
}

void SuperficieBase::print(const QString& texto)
{
    if (desenho_)
        desenhar_texto(QPointF(pena_x_, pena_y_), texto);
    pena_x_ += largura_texto(texto);
}

double SuperficieBase::textWidth(const QString& texto) const
{
    return largura_texto(texto) * unidades_por_twip();
}

double SuperficieBase::textHeight(const QString& texto) const
{
    return altura_texto(texto) * unidades_por_twip();
}

void SuperficieBase::line(double x1, double y1, double x2, double y2, const QColor& cor, bool caixa)
{
    const QPointF a(para_twips_x(x1), para_twips_y(y1));
    const QPointF b(para_twips_x(x2), para_twips_y(y2));
    if (desenho_)
        desenhar_linha(a, b, cor, caixa);
    pena_x_ = b.x();
    pena_y_ = b.y();
}

void SuperficieBase::paintPicture(const QImage& imagem, double x, double y, double w, double h,
                                  bool e_logico)
{
    if (!desenho_)
        return;
    const double u = unidades_por_twip();
    desenhar_imagem(imagem, QRectF(para_twips_x(x), para_twips_y(y), w / u, h / u), e_logico);
}

} // namespace papelada
