#include "stream/copia.h"

#include "stream/arquivo_saida.h"

#include "stream/fonte_bytes.h"
#include "stream/leitor.h"

namespace papelada {

namespace {

constexpr qsizetype bloco_gravacao = 256 * 1024;

bool falhar(QString* erro, const QString& motivo)
{
    if (erro)
        *erro = motivo;
    return false;
}

// The target of a copy: refused when it is the source itself; a copy that
// fails leaves nothing behind.
class Destino {
public:
    explicit Destino(const QString& caminho) : arquivo_(caminho) {}

    bool abrir(const QString& original, QString* erro) { return arquivo_.abrir(erro, {original}); }

    bool gravar(const QByteArray& dados, QString* erro)
    {
        if (arquivo_.write(dados) != dados.size()) {
            const QString m = arquivo_.erro();
            arquivo_.descartar();
            return falhar(erro, m);
        }
        return true;
    }

    bool concluir(QString* erro) { return arquivo_.concluir(erro); }

private:
    ArquivoSaida arquivo_;
};

} // namespace

bool copiar_arquivo(const QString& original, const QString& destino, QString* erro,
                    const std::atomic<bool>* cancelar, const std::function<void(double)>& progresso)
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
        // The target is dropped unwritten.
        if (cancelar && *cancelar)
            return falhar(erro, QStringLiteral("Cópia cancelada: %1 não foi gravado.").arg(destino));
        if (progresso && fonte.tamanho() > 0)
            progresso(static_cast<double>(fonte.posicao()) / fonte.tamanho());
    }
    return fonte.integro(erro) && alvo.concluir(erro);
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
    ok = ok && fonte.integro(erro) && alvo.gravar(saida, erro) && alvo.concluir(erro);
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
