#include "stream/copia.h"

#include "stream/arquivo_saida.h"

#include "stream/fonte_bytes.h"
#include "stream/leitor.h"

#include <QFileInfo>
#include <QSaveFile>
#include <sys/stat.h>

namespace papelada {

namespace {

constexpr qsizetype bloco_gravacao = 256 * 1024;

bool falhar(QString* erro, const QString& motivo)
{
    if (erro)
        *erro = motivo;
    return false;
}

// Same file: the same path after links are resolved, or the same device and
// node (a hard link).
bool mesmo_arquivo(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath(), cb = QFileInfo(b).canonicalFilePath();
    if (!ca.isEmpty() && ca == cb)
        return true;
    struct stat sa {}, sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0
        && ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

// The checks made before anything is written, and the atomic target.
class Destino {
public:
    explicit Destino(const QString& caminho) : arquivo_(caminho) {}

    bool abrir(const QString& original, QString* erro)
    {
        const QString& destino = arquivo_.fileName();
        if (!destino.isEmpty() && mesmo_arquivo(original, destino))
            return falhar(erro, QStringLiteral("O arquivo de destino %1 é o próprio arquivo "
                                               "aberto. Escolha outro nome para a cópia.")
                                    .arg(destino));
        return abrir_saida(arquivo_, erro);
    }

    bool gravar(const QByteArray& dados, QString* erro)
    {
        if (arquivo_.write(dados) != dados.size()) {
            const QString m = mensagem();
            // Nothing of an incomplete copy is left behind.
            arquivo_.cancelWriting();
            return falhar(erro, m);
        }
        return true;
    }

    bool concluir(QString* erro)
    {
        if (!arquivo_.commit())
            return falhar(erro, mensagem());
        return true;
    }

private:
    QString mensagem() const { return erro_gravacao(arquivo_); }

    QSaveFile arquivo_;
};

} // namespace

bool copiar_arquivo(const QString& original, const QString& destino, QString* erro)
{
    FonteBytes fonte;
    if (!fonte.abrir(original, erro))
        return false;
    fonte.incluir_ultimo_byte(true);
    Destino alvo(destino);
    if (!alvo.abrir(original, erro))
        return false;
    for (auto j = fonte.janela(); !j.empty(); j = fonte.janela()) {
        const auto n = static_cast<qsizetype>(j.size());
        if (!alvo.gravar(QByteArray::fromRawData(reinterpret_cast<const char*>(j.data()), n), erro))
            return false;
        fonte.avancar(n);
    }
    return alvo.concluir(erro);
}

bool copiartexto(const QString& original, const QString& arq2, Observador& observador,
                 QString* erro, const bool* cancelar)
{
    FonteBytes fonte;
    if (!fonte.abrir(original, erro))
        return false;
    Destino alvo(arq2);
    if (!alvo.abrir(original, erro))
        return false;

    qint64 linha = 1;
    const auto progresso = [&] {
        observador.gravando(QStringLiteral("Gravando ") + arq2 + QStringLiteral(" . Linha ")
                            + QString::number(linha));
    };
    progresso();
    // The reader never hands out the file's last byte, and drops every
    // command with its parameters as the print pass reads them (a number
    // up to the first byte that is not a digit, a text up to the first
    // control byte, the barcode's fields up to their commas or byte 26).
    Leitor leitor(fonte, formas_linguagem());
    QByteArray saida;
    Item item;
    bool ok = true;
    bool apos_retorno = false;
    while (ok && leitor.proximo(item)) {
        if (item.tipo == Item::Tipo::Comando)
            continue;
        const bool retorno = item.tipo == Item::Tipo::RetornoCarro;
        if (retorno || (item.tipo == Item::Tipo::AvancoLinha && !apos_retorno)) {
            ++linha;
            progresso();
            observador.processar_eventos();
            if (cancelar && *cancelar) {
                observador.gravando({});
                // The target is dropped unwritten.
                return falhar(erro, QStringLiteral("Cópia cancelada: %1 não foi gravado.").arg(arq2));
            }
        }
        apos_retorno = retorno;
        saida.append(static_cast<char>(item.byte));
        if (saida.size() >= bloco_gravacao) {
            ok = alvo.gravar(saida, erro);
            saida.clear();
        }
    }
    ok = ok && alvo.gravar(saida, erro) && alvo.concluir(erro);
    observador.gravando({});
    return ok;
}

bool salvar_copia(const QString& original, const QString& destino, Observador& observador,
                  QString* erro, const bool* cancelar)
{
    if (destino.right(4).toUpper() == QLatin1String(".TXT"))
        return copiartexto(original, destino, observador, erro, cancelar);
    return copiar_arquivo(original, destino, erro);
}

QString copiar_fluxo(QIODevice& de, QIODevice& para)
{
    char bloco[65536];
    for (;;) {
        const qint64 n = de.read(bloco, sizeof bloco);
        if (n == 0) {
            auto* arquivo = qobject_cast<QFileDevice*>(&para);
            return arquivo && !arquivo->flush() ? arquivo->errorString() : QString();
        }
        if (n < 0)
            return de.errorString();
        if (para.write(bloco, n) != n)
            return para.errorString();
    }
}

} // namespace papelada
