#include "preview/procura.h"

#include "preview/visualizacao.h"
#include "stream/cp1252.h"
#include "stream/fonte_bytes.h"
#include "stream/leitor.h"

#include <QByteArray>
#include <vector>

namespace papelada {

namespace {

constexpr qsizetype tamanho_bloco = 1024 * 1024;

// The printed text in blocks, each byte with its file offset.
class TextoImpresso {
public:
    TextoImpresso(const QByteArray& procurado, qint64 inicio) : comprimento_(procurado.size()), inicio_(inicio) {}

    void acrescentar(const unsigned char* bytes, qsizetype n, qint64 offset)
    {
        for (qsizetype i = 0; i < n; ++i)
            acrescentar(bytes[i], offset + i);
    }
    void acrescentar(unsigned char byte, qint64 offset)
    {
        // A hit begins at or after `inicio`: nothing before it is kept.
        if (offset < inicio_)
            return;
        texto_.append(static_cast<char>(byte));
        offsets_.push_back(offset);
    }
    bool cheio() const { return texto_.size() >= tamanho_bloco; }

    // The file offset of the first hit in the text held, or -1; the end of
    // the text stays for a hit across the border with the next block.
    qint64 procurar(const QString& procurado)
    {
        const qint64 p = procurar_texto(texto_, procurado, 0);
        if (p >= 0)
            return offsets_[static_cast<std::size_t>(p)];
        const qsizetype manter = std::min<qsizetype>(comprimento_ - 1, texto_.size());
        texto_ = texto_.right(manter);
        offsets_.erase(offsets_.begin(), offsets_.end() - manter);
        return -1;
    }

private:
    qsizetype comprimento_;
    qint64 inicio_;
    QByteArray texto_;
    std::vector<qint64> offsets_;
};

bool falhar(QString* erro, const QString& texto)
{
    if (erro)
        *erro = texto;
    return false;
}

} // namespace

bool procurar_no_arquivo(const QString& caminho, qint64 tamanho, const QString& procurado, qint64 inicio,
                         qint64& achado, QString* erro, const std::atomic<bool>* cancelar,
                         const std::function<void(double)>& progresso)
{
    achado = -1;
    const QByteArray alvo = unicode_para_cp1252(procurado);
    FonteBytes fonte;
    if (!fonte.abrir(caminho, erro))
        return false;
    if (alvo.isEmpty() || inicio < 0 || inicio >= tamanho)
        return true;
    // A file that became shorter than it was is reported rather than
    // searched in part.
    if (fonte.tamanho() < tamanho)
        return falhar(erro, QStringLiteral("O arquivo %1 ficou menor desde o início da procura.").arg(caminho));

    Leitor leitor(fonte, formas_linguagem());
    TextoImpresso texto(alvo, inicio);
    Item item;
    for (;;) {
        if (fonte.posicao() >= tamanho)
            break; // what was added since the search began is not searched
        const qint64 base = fonte.posicao();
        const auto caracteres = leitor.caracteres(tamanho - base);
        if (!caracteres.empty()) {
            texto.acrescentar(caracteres.data(), static_cast<qsizetype>(caracteres.size()), base);
        } else if (!leitor.proximo(item)) {
            break;
        } else if (item.tipo != Item::Tipo::Comando) {
            texto.acrescentar(item.byte, item.posicao - 1);
        }
        if (texto.cheio()) {
            if ((achado = texto.procurar(procurado)) >= 0)
                return true;
            if (cancelar && *cancelar)
                return falhar(erro, QStringLiteral("Procura cancelada."));
            if (progresso)
                progresso(static_cast<double>(fonte.posicao()) / tamanho);
        }
    }
    if (!fonte.integro(erro))
        return false;
    achado = texto.procurar(procurado);
    return true;
}

} // namespace papelada
