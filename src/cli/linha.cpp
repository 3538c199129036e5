// The command line of each subcommand, and "-" for standard input and output.
#include "cli/comando.h"
#include "stream/arquivo_saida.h"
#include "stream/copia.h"
#include "stream/limpeza.h"

#include <QCoreApplication>
#include <QFile>
#include <QTranslator>
#include <cstdio>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace papelada::cli {

namespace {

// Qt's parser in Portuguese: its errors and the headings of the help.
class TradutorParser : public QTranslator {
public:
    QString translate(const char* contexto, const char* texto, const char*, int) const override
    {
        if (qstrcmp(contexto, "QCommandLineParser") != 0)
            return {};
        static const struct {
            const char* de;
            const char* para;
        } textos[] = {
            {"Missing value after '%1'.", "falta o valor de %1."},
            {"Unexpected value after '%1'.", "%1 não leva valor."},
            {"[options]", "[opções]"},
            {"Options:", "Opções:"},
            {"Arguments:", "Argumentos:"},
        };
        for (const auto& t : textos)
            if (qstrcmp(texto, t.de) == 0)
                return QString::fromUtf8(t.para);
        return {};
    }
    bool isEmpty() const override { return false; }
};

const Comando* achar(const char* nome)
{
    for (const Comando& c : comandos())
        if (qstrcmp(c.nome, nome) == 0)
            return &c;
    return nullptr;
}

// How an option the command does not know was written ("--cor", "-x").
QString como_escrita(const QStringList& args, const QString& nome)
{
    for (const QString& a : args) {
        if (a == QLatin1String("--"))
            break;
        const QString sem_valor = a.section(u'=', 0, 0);
        if (sem_valor == QLatin1String("--") + nome || sem_valor == u'-' + nome)
            return sem_valor;
    }
    return (nome.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + nome;
}

} // namespace

int ler_linha(QCommandLineParser& p, const char* nome, const QStringList& args)
{
    static TradutorParser tradutor;
    static const bool instalado = QCoreApplication::installTranslator(&tradutor);
    Q_UNUSED(instalado);

    const Comando* c = achar(nome);
    const char* uso = c ? c->uso : nome;
    const QCommandLineOption ajuda({QStringLiteral("h"), QStringLiteral("help")},
                                   QStringLiteral("mostra esta ajuda."));
    p.addOption(ajuda);
    p.setApplicationDescription(c ? QString::fromUtf8(c->descricao) : QString());
    if (!p.parse(QStringList{QStringLiteral("papelada-cli")} + args)) {
        const QStringList desconhecidas = p.unknownOptionNames();
        if (desconhecidas.isEmpty())
            return falha_de_uso(nome, uso, p.errorText());
        return falha_de_uso(nome, uso,
                            QStringLiteral("argumento inválido: %1 não é uma opção de %2.")
                                .arg(como_escrita(args, desconhecidas.first()), QString::fromUtf8(nome)));
    }
    if (p.isSet(ajuda)) {
        // Qt's first line names the program by its path; ours names the command.
        QString texto = p.helpText();
        texto = QStringLiteral("Uso: papelada-cli %1\n").arg(QString::fromUtf8(uso)) + texto.section(u'\n', 1);
        saida() << texto;
        return ok;
    }
    return seguir;
}

QString arquivo_de_entrada(const QString& nome)
{
    if (nome != QLatin1String("-"))
        return nome;
    // One copy per run, kept until the program ends.
    static const PastaTemporaria pasta(QStringLiteral("entrada.spl"));
    const QString caminho = pasta.arquivo();
    QFile entrada, copia(caminho);
    if (!pasta.valida() || !entrada.open(stdin, QIODevice::ReadOnly)
        || !copia.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        erros() << "papelada-cli: não foi possível guardar a entrada padrão numa pasta temporária.\n";
        return {};
    }
    const QString erro = copiar_fluxo(entrada, copia);
    if (!erro.isEmpty()) {
        erros() << "papelada-cli: não foi possível guardar a entrada padrão: " << erro << ".\n";
        return {};
    }
    return caminho;
}

Saida::Saida(const QString& nome, bool no_lugar, const QString& entrada)
    : padrao_(nome == QLatin1String("-")), caminho_(nome)
{
    if (!padrao_)
        return;
    // Messages sent to the same file would land inside the document.
    struct stat o {}, e {};
    const bool com_mensagens = ::fstat(STDOUT_FILENO, &o) == 0 && ::fstat(STDERR_FILENO, &e) == 0
                               && o.st_dev == e.st_dev && o.st_ino == e.st_ino;
    if (no_lugar && !com_mensagens) {
        saida().flush();
        std::fflush(stdout);
        no_lugar_ = std::make_unique<ArquivoSaida>(STDOUT_FILENO);
        if (no_lugar_->abrir(nullptr, {entrada}))
            return;
        no_lugar_.reset();
    }
    pasta_ = std::make_unique<PastaTemporaria>(QStringLiteral("saida"));
    caminho_ = pasta_->valida() ? pasta_->arquivo() : QStringLiteral("/nao-ha-pasta-temporaria/saida");
}

Saida::~Saida() = default;

QIODevice* Saida::no_lugar() const
{
    return no_lugar_.get();
}

int Saida::entregar()
{
    if (!padrao_)
        return ok;
    if (no_lugar_) {
        QString erro;
        if (no_lugar_->concluir(&erro))
            return ok;
        erros() << "papelada-cli: " << erro << "\n";
        return erro_saida;
    }
    saida().flush();
    std::fflush(stdout);
    QFile feito(caminho_), padrao;
    if (!feito.open(QIODevice::ReadOnly) || !padrao.open(stdout, QIODevice::WriteOnly)) {
        erros() << "papelada-cli: não foi possível escrever na saída padrão.\n";
        return erro_saida;
    }
    // The kernel copies the file across where it can; otherwise, or for
    // what it left, the bytes go through here.
    off_t enviados = 0;
    while (enviados < feito.size()) {
        if (::sendfile(STDOUT_FILENO, feito.handle(), &enviados, static_cast<size_t>(feito.size() - enviados)) <= 0)
            break;
    }
    const QString erro = feito.seek(enviados) ? copiar_fluxo(feito, padrao) : feito.errorString();
    if (!erro.isEmpty()) {
        erros() << "papelada-cli: não foi possível escrever na saída padrão: " << erro << ".\n";
        return erro_saida;
    }
    return ok;
}

} // namespace papelada::cli
