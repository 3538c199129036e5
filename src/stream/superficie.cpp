#include "stream/superficie.h"

#include <QFileInfo>
#include <QImageReader>

namespace papelada {

QColor QBColor(int indice)
{
    static const QColor paleta[16] = {
        {0, 0, 0},     {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
        {128, 0, 0},   {128, 0, 128}, {128, 128, 0}, {192, 192, 192},
        {128, 128, 128}, {0, 0, 255}, {0, 255, 0},   {0, 255, 255},
        {255, 0, 0},   {255, 0, 255}, {255, 255, 0}, {255, 255, 255},
    };
    if (indice < 0 || indice > 15)
        return paleta[0];
    return paleta[indice];
}

QImage carregar_imagem(const QString& caminho, QString* erro)
{
    auto falhar = [&](const QString& motivo) {
        if (erro)
            *erro = motivo;
        return QImage();
    };
    const QFileInfo info(caminho);
    if (caminho.isEmpty() || !info.exists())
        return falhar(QStringLiteral("A imagem %1 não foi encontrada.").arg(caminho));
    if (!info.isFile())
        return falhar(QStringLiteral("%1 não é um arquivo de imagem.").arg(caminho));
    QImageReader leitor(caminho);
    leitor.setAutoTransform(false);
    const QSize tamanho = leitor.size();
    constexpr int maximo = 10000;
    if (tamanho.isValid() && (tamanho.width() > maximo || tamanho.height() > maximo))
        return falhar(QStringLiteral("A imagem %1 é grande demais (%2 x %3 pixels).")
                          .arg(caminho).arg(tamanho.width()).arg(tamanho.height()));
    QImage imagem;
    if (!leitor.read(&imagem))
        return falhar(QStringLiteral("Não foi possível ler a imagem %1: %2.")
                          .arg(caminho, leitor.errorString()));
    if (imagem.width() > maximo || imagem.height() > maximo)
        return falhar(QStringLiteral("A imagem %1 é grande demais.").arg(caminho));
    return imagem;
}

} // namespace papelada
