#include "preview/procura.h"

#include "preview/visualizacao.h"
#include "stream/cp1252.h"
#include "stream/fonte_bytes.h"

#include <QByteArray>

namespace papelada {

namespace {
constexpr qint64 tamanho_bloco = 4 * 1024 * 1024;
}

bool procurar_no_arquivo(const QString& caminho, qint64 tamanho, const QString& procurado, qint64 inicio,
                         qint64& achado, QString* erro)
{
    achado = -1;
    const qsizetype comprimento = unicode_para_cp1252(procurado).size();
    FonteBytes fonte;
    if (!fonte.abrir(caminho, erro))
        return false;
    if (comprimento == 0 || inicio < 0 || inicio >= tamanho)
        return true;
    fonte.incluir_ultimo_byte(true);
    fonte.posicionar(inicio + 1);
    // Each block starts with the end of the one before, one byte shorter
    // than the text: a hit across the border is found once, in the block it
    // ends in.
    QByteArray bloco;
    qint64 base = inicio; // file offset of bloco[0]
    while (base < tamanho) {
        const qsizetype sobra = bloco.size();
        while (bloco.size() - sobra < tamanho_bloco && fonte.posicao() < tamanho) {
            const auto j = fonte.janela();
            if (j.empty())
                break;
            const auto n = static_cast<qsizetype>(std::min<qint64>(static_cast<qint64>(j.size()), tamanho - fonte.posicao()));
            bloco.append(reinterpret_cast<const char*>(j.data()), n);
            fonte.avancar(n);
        }
        if (bloco.size() == sobra)
            break; // the end of the file
        const qint64 p = procurar_texto(bloco, procurado, 0);
        if (p >= 0) {
            achado = base + p;
            return true;
        }
        const qsizetype manter = std::min<qsizetype>(comprimento - 1, bloco.size());
        base += bloco.size() - manter;
        bloco = bloco.right(manter);
    }
    // A file that became shorter than it was is reported rather than
    // searched in part.
    if (fonte.posicao() >= tamanho)
        return true;
    if (fonte.integro(erro) && erro)
        *erro = QStringLiteral("O arquivo %1 ficou menor desde o início da procura.").arg(caminho);
    return false;
}

} // namespace papelada
