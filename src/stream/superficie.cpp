#include "stream/superficie.h"

#include "stream/politica_imagens.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <sys/stat.h>
#include <unistd.h>

namespace papelada {

void copiar_estilo(Superficie& s, const Superficie& m)
{
    s.setFontName(m.fontName());
    s.setFontSize(m.fontSize());
    s.setFontBold(m.fontBold());
    s.setFontItalic(m.fontItalic());
    s.setFontUnderline(m.fontUnderline());
    s.setFontStrikethru(m.fontStrikethru());
    s.setForeColor(m.foreColor());
    s.setDrawWidth(m.drawWidth());
    s.setDrawStyle(m.drawStyle());
}

bool mesmo_estilo(const Superficie& a, const Superficie& b)
{
    return a.fontName() == b.fontName() && a.fontSize() == b.fontSize() && a.fontBold() == b.fontBold()
           && a.fontItalic() == b.fontItalic() && a.fontUnderline() == b.fontUnderline()
           && a.fontStrikethru() == b.fontStrikethru() && a.foreColor() == b.foreColor()
           && a.drawWidth() == b.drawWidth() && a.drawStyle() == b.drawStyle();
}

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
// Where a file stands: a picture is taken as the same while its size and
// modification time are.
bool identidade(const QString& caminho, qint64* tamanho, qint64* modificado)
{
    // Resolved as the loader resolves it (beneath the allowed folder in a
    // filter job).
    struct stat st {};
    const int fd = abrir_imagem(caminho);
    const bool ok = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (fd >= 0)
        ::close(fd);
    if (!ok)
        return false;
    *tamanho = st.st_size;
    *modificado = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}
} // namespace

QSize tamanho_imagem(const QString& caminho)
{
    // Only its size is kept.
    struct Medida {
        qint64 tamanho_arquivo, modificado_ns;
        QSize tamanho;
    };
    thread_local QHash<QString, Medida> medidas;
    qint64 tamanho = 0, modificado = 0;
    if (!identidade(caminho, &tamanho, &modificado))
        return {};
    const auto it = medidas.constFind(caminho);
    if (it != medidas.cend() && it->tamanho_arquivo == tamanho && it->modificado_ns == modificado)
        return it->tamanho;
    const QSize medido = medir_imagem(caminho);
    if (medidas.size() >= 4096)
        medidas.clear();
    medidas.insert(caminho, Medida{tamanho, modificado, medido});
    return medido;
}

QImage CacheImagens::carregar(const QString& caminho, QString* erro)
{
    qint64 tamanho = 0, modificado = 0;
    if (!identidade(caminho, &tamanho, &modificado))
        return carregar_imagem(caminho, erro); // which says why
    std::lock_guard trava(mutex_);
    auto it = entradas_.find(caminho);
    if (it != entradas_.end()) {
        if (it->tamanho_arquivo == tamanho && it->modificado_ns == modificado) {
            it->uso = ++relogio_;
            return it->imagem;
        }
        ocupado_ -= it->imagem.sizeInBytes();
        entradas_.erase(it);
    }
    const QImage imagem = carregar_imagem(caminho, erro);
    ++decodificadas_;
    const qint64 bytes = imagem.sizeInBytes();
    const quint64 agora = ++relogio_;
    if (imagem.isNull() || bytes > limite_)
        return imagem;
    // When the pictures in use do not all fit, those kept stay, each found
    // again at its next use, and the new one is not kept: pushing out the
    // picture used longest ago would push out, in a report that cycles
    // through its pictures, the very one needed next. A picture not used in
    // the last `em_uso` loads makes room as before.
    constexpr quint64 em_uso = 1024;
    while (ocupado_ + bytes > limite_ && !entradas_.isEmpty()) {
        auto velha = entradas_.begin();
        for (auto e = entradas_.begin(); e != entradas_.end(); ++e)
            if (e->uso < velha->uso)
                velha = e;
        if (agora - velha->uso < em_uso)
            return imagem;
        ocupado_ -= velha->imagem.sizeInBytes();
        entradas_.erase(velha);
    }
    entradas_.insert(caminho, Entrada{tamanho, modificado, imagem, agora});
    ocupado_ += bytes;
    return imagem;
}

} // namespace papelada
