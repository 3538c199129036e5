#include "comum/superficie_gravacao.h"

namespace papelada {

namespace {
QString num(double v) { return QString::number(v, 'g', 10); }
} // namespace

SuperficieGravacao::SuperficieGravacao(double dpi, double largura_twips, double altura_twips)
    : SuperficieBase(dpi), largura_(largura_twips), altura_(altura_twips)
{
}

void SuperficieGravacao::setScaleMode(ModoEscala modo)
{
    SuperficieBase::setScaleMode(modo);
    registro << QStringLiteral("ScaleMode %1").arg(static_cast<int>(modo));
}

void SuperficieGravacao::cls()
{
    registro << QStringLiteral("Cls");
    pena_x_ = para_twips_x(0);
    pena_y_ = para_twips_y(0);
}

void SuperficieGravacao::newPage()
{
    registro << QStringLiteral("NewPage");
    ++pagina_;
    pena_x_ = para_twips_x(0);
    pena_y_ = para_twips_y(0);
}

bool SuperficieGravacao::endDoc()
{
    registro << QStringLiteral("EndDoc");
    ++documentos_encerrados;
    pagina_ = 1;
    return true;
}

void SuperficieGravacao::killDoc()
{
    registro << QStringLiteral("KillDoc");
    ++documentos_cancelados;
    pagina_ = 1;
}

bool SuperficieGravacao::selectPrinter(const QString& nome)
{
    if (!impressoras.contains(nome))
        return false;
    impressora_ = nome;
    return true;
}

QString SuperficieGravacao::nome_lido(const QString& nome) const
{
    return fontes.contains(nome) ? nome : QStringLiteral("Courier New");
}

double SuperficieGravacao::largura_texto(const QString& texto) const
{
    return texto.size() * fonte_.tamanho * 12.0;
}

double SuperficieGravacao::altura_texto(const QString&) const
{
    return fonte_.tamanho * 24.0;
}

QString SuperficieGravacao::ponto(QPointF t) const
{
    return num(para_usuario_x(t.x())) + u',' + num(para_usuario_y(t.y()));
}

void SuperficieGravacao::desenhar_texto(QPointF topo, const QString& texto)
{
    registro << QStringLiteral("Print \"%1\" %2 [%3 %4 %5 %6 %7 %8 %9]")
                    .arg(texto, ponto(topo), fonte_.lido, num(fonte_.tamanho))
                    .arg(fonte_.negrito ? "b" : "-", fonte_.italico ? "i" : "-",
                         fonte_.sublinhado ? "u" : "-", fonte_.riscado ? "s" : "-")
                    .arg(cor_.name());
}

void SuperficieGravacao::desenhar_linha(QPointF a, QPointF b, const QColor& cor, bool caixa)
{
    registro << QStringLiteral("%1 %2 %3 %4 w=%5 s=%6")
                    .arg(caixa ? "Box" : "Line", ponto(a), ponto(b), cor.name())
                    .arg(largura_linha_)
                    .arg(static_cast<int>(estilo_));
}

void SuperficieGravacao::desenhar_imagem(const QImage&, const QRectF& d, bool e_logico)
{
    const double u = unidades_por_twip();
    registro << QStringLiteral("Picture %1 %2x%3 e=%4")
                    .arg(ponto(d.topLeft()), num(d.width() * u), num(d.height() * u))
                    .arg(e_logico ? 1 : 0);
}

} // namespace papelada
