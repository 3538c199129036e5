// papelada-cli: the core of Papelada without a window.
#include "cli/comando.h"
#include "stream/limpeza.h"
#include "stream/nome_arquivo.h"
#include "stream/terminal.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <vector>

namespace papelada::cli {

namespace {
std::vector<Comando>& lista()
{
    static std::vector<Comando> l;
    return l;
}
} // namespace

void registrar(const Comando& c) { lista().push_back(c); }
const std::vector<Comando>& comandos() { return lista(); }

namespace {
SaidaTerminal& terminal_saida()
{
    static SaidaTerminal terminal(STDOUT_FILENO);
    return terminal;
}
} // namespace

// Report text reaches the terminal with its control characters escaped.
QTextStream& saida()
{
    static QTextStream s(&terminal_saida());
    return s;
}

QTextStream& erros()
{
    static SaidaTerminal terminal(STDERR_FILENO);
    static QTextStream s(&terminal);
    return s;
}

int falha_de_uso(const char* nome, const char* uso, const QString& motivo)
{
    if (!motivo.isEmpty())
        erros() << "papelada-cli " << nome << ": " << motivo << "\n";
    if (!uso || !*uso) {
        for (const Comando& c : comandos())
            if (qstrcmp(c.nome, nome) == 0)
                uso = c.uso;
    }
    erros() << "Uso: papelada-cli " << (uso ? uso : nome) << "\n";
    return erro_uso;
}

// Everything meant for standard output got there: a full disk or a closed
// pipe is an output error, whatever the command did.
int concluir_saida(int codigo)
{
    saida().flush();
    int falha = terminal_saida().falha();
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        falha = falha ? falha : (errno ? errno : EIO);
    // A command that failed has said why already.
    if (falha && (codigo == ok || codigo == aviso)) {
        erros() << "papelada-cli: não foi possível escrever na saída padrão: " << qt_error_string(falha) << ".\n";
        codigo = erro_saida;
    }
    erros().flush();
    return codigo;
}

} // namespace papelada::cli

namespace {

using namespace papelada::cli;

void ajuda(QTextStream& s)
{
    s << "Papelada " PAPELADA_VERSAO " - Impressão de Relatórios\n\n"
      << "Uso: papelada-cli COMANDO [ARGUMENTOS]\n\n"
      << "Comandos:\n";
    for (const Comando& c : comandos())
        s << "  " << c.uso << "\n      " << c.descricao << "\n";
    s << "\nOpções gerais:\n"
      << "  --help, -h      mostra esta ajuda\n"
      << "  --version, -v   mostra a versão\n"
      << "\nCada comando explica as suas opções: papelada-cli COMANDO --help.\n"
      << "Um ARQUIVO \"-\" lê o relatório da entrada padrão; \"--\" encerra as opções.\n"
      << "\nCódigos de saída:\n"
      << "  0  feito\n"
      << "  1  chamada inválida (opção, campo fora do limite)\n"
      << "  2  o relatório não pôde ser lido\n"
      << "  3  a saída falhou (arquivo, saída padrão cheia ou fechada, impressora)\n"
      << "  4  feito, mas com aviso: faltou conteúdo (uma imagem não pôde ser usada)\n"
      << "Interrompido por um sinal, nada fica para trás e o código é o do sinal.\n";
    s.flush();
}

} // namespace

int main(int argc, char** argv)
{
    // An interrupted command leaves no temporary file behind.
    papelada::instalar_limpeza();
    // The core needs fonts, not a screen: without a display the program
    // runs on Qt's offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Outside a desktop session there is no runtime folder; Qt would use its
    // own fallback and say so on every run. Use that folder quietly.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray pasta = QFile::encodeName(QDir::tempPath()) + "/runtime-" + QByteArray::number(::getuid());
        if (::mkdir(pasta.constData(), 0700) == 0 || errno == EEXIST)
            qputenv("XDG_RUNTIME_DIR", pasta);
    }
    // The arguments are taken as they are, names as bytes; Qt's own options
    // come from the environment, never from the command line.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << papelada::nome_de_bytes(argv[i]);
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")
        || args[0] == QLatin1String("ajuda")) {
        ajuda(args.isEmpty() ? erros() : saida());
        return concluir_saida(args.isEmpty() ? erro_uso : ok);
    }
    if (args[0] == QLatin1String("--version") || args[0] == QLatin1String("-v")) {
        saida() << "Papelada " PAPELADA_VERSAO "\n";
        return concluir_saida(ok);
    }
    const QString nome = args.takeFirst();
    for (const Comando& c : comandos()) {
        if (nome != QLatin1String(c.nome))
            continue;
        // Only a command starts the application (fonts, settings): the help
        // and the version are told without it.
        int argc_qt = 1;
        QGuiApplication app(argc_qt, argv);
        QGuiApplication::setOrganizationName(QStringLiteral("Orvel"));
        QGuiApplication::setApplicationName(QStringLiteral("Papelada"));
        QGuiApplication::setApplicationVersion(QStringLiteral(PAPELADA_VERSAO));
        // A platform without fonts ("minimal") would give stand-ins that
        // nothing can be measured or drawn with.
        if (QFontDatabase::families().isEmpty()) {
            erros() << "papelada-cli: a plataforma gráfica \"" << QGuiApplication::platformName()
                    << "\" não oferece fontes, sem as quais nada pode ser medido nem impresso. "
                       "Use QT_QPA_PLATFORM=offscreen.\n";
            return concluir_saida(erro_saida);
        }
        return concluir_saida(c.executar(args));
    }
    erros() << "papelada-cli: comando desconhecido: " << nome << "\n"
            << "Use \"papelada-cli --help\" para ver os comandos.\n";
    erros().flush();
    return erro_uso;
}
