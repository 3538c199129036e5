#include "stream/superficie.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <sys/stat.h>

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

namespace {
constexpr int maximo = 10000; // pixels a side
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

QSize tamanho_imagem(const QString& caminho)
{
    const QFileInfo info(caminho);
    if (caminho.isEmpty() || !info.isFile())
        return {};
    QImageReader leitor(caminho);
    leitor.setAutoTransform(false);
    const QSize tamanho = leitor.size();
    const QImage::Format formato = leitor.imageFormat();
    if (tamanho.isValid() && !tamanho.isEmpty() && formato != QImage::Format_Invalid && leitor.canRead()) {
        if (tamanho.width() > maximo || tamanho.height() > maximo)
            return {};
        // The decoder refuses pictures above its allocation limit.
        const qint64 bytes = qint64(tamanho.width()) * tamanho.height()
            * QImage::toPixelFormat(formato).bitsPerPixel() / 8;
        const int limite_mb = QImageReader::allocationLimit();
        if (limite_mb <= 0 || bytes < qint64(limite_mb) * 1024 * 1024 / 2)
            return tamanho;
    }
    const QImage imagem = carregar_imagem(caminho);
    return imagem.isNull() ? QSize() : imagem.size();
}

QImage CacheImagens::carregar(const QString& caminho, QString* erro)
{
    struct stat st {};
    if (::stat(QFile::encodeName(caminho).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return carregar_imagem(caminho, erro); // which says why
    const qint64 modificado = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    auto it = entradas_.find(caminho);
    if (it != entradas_.end()) {
        if (it->tamanho_arquivo == st.st_size && it->modificado_ns == modificado) {
            it->uso = ++relogio_;
            return it->imagem;
        }
        ocupado_ -= it->imagem.sizeInBytes();
        entradas_.erase(it);
    }
    const QImage imagem = carregar_imagem(caminho, erro);
    ++decodificadas_;
    const qint64 bytes = imagem.sizeInBytes();
    if (imagem.isNull() || bytes > limite_)
        return imagem;
    while (ocupado_ + bytes > limite_ && !entradas_.isEmpty()) {
        auto velha = entradas_.begin();
        for (auto e = entradas_.begin(); e != entradas_.end(); ++e)
            if (e->uso < velha->uso)
                velha = e;
        ocupado_ -= velha->imagem.sizeInBytes();
        entradas_.erase(velha);
    }
    entradas_.insert(caminho, Entrada{st.st_size, modificado, imagem, ++relogio_});
    ocupado_ += bytes;
    return imagem;
}

} // namespace papelada
