// papelada-cli vigiar: prints every report that lands in a folder, for
// programs (or other machines, through a shared folder) that can only write
// files.
//
// A report (a name ending in .spl, in any letter case, not hidden) is taken
// once its writer has closed it (inotify's close-after-write, or a move into
// the folder), or, for files that arrive without those events (network
// shares), once its size and time have held still for a second while no
// local writer had it open. Reports are printed one at a time in order of
// arrival; those already waiting at the start come first, oldest first.
//
// A report being printed lives in PASTA/.em-curso/, beside a note naming the
// PDF it goes to; afterwards it moves to PASTA/impressos/ or, with a .txt
// giving the reason, to PASTA/falhas/. A report found in .em-curso/ at the
// start was cut short: it is printed again, unless its PDF (which appears
// whole or not at all) is already there. SIGTERM or SIGINT cancels the
// running job (no document is handed over) and puts its report back.
#include "cli/comando.h"
#include "cli/documento_cli.h"
#include "cli/opcoes_trabalho.h"
#include "print/superficie_impressora.h"
#include "print/trabalho_arquivo.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace papelada::cli {

namespace {

constexpr const char* uso_vigiar =
    "vigiar (--impressora NOME | --pdf-em PASTA_SAIDA) [--margens ESQ,SUP] [--] PASTA";

const QString pasta_impressos = QStringLiteral("impressos");
const QString pasta_falhas = QStringLiteral("falhas");
const QString pasta_em_curso = QStringLiteral(".em-curso");
const QString sufixo_destino = QStringLiteral(".destino");
constexpr qint64 quietude_ms = 1000; // a file without events is still this long
constexpr int intervalo_varredura_ms = 500;

volatile std::sig_atomic_t parada_pedida = 0;
void ao_sinal(int) { parada_pedida = 1; }

bool e_relatorio(const QString& nome)
{
    return !nome.startsWith(u'.') && nome.endsWith(QLatin1String(".spl"), Qt::CaseInsensitive);
}

// `nome` in `pasta`, or, when that is taken, "base-2.ext", "base-3.ext"...
QString nome_livre(const QDir& pasta, const QString& nome)
{
    const QFileInfo i(nome);
    const QString base = i.completeBaseName(), ext = i.suffix().isEmpty() ? QString() : u'.' + i.suffix();
    QString livre = nome;
    for (int n = 2; QFileInfo::exists(pasta.filePath(livre)) || QFileInfo(pasta.filePath(livre)).isSymLink(); ++n)
        livre = QStringLiteral("%1-%2%3").arg(base).arg(n).arg(ext);
    return pasta.filePath(livre);
}

// Moves a file within the folder's file system in one step (never by a copy,
// which a crash could leave doubled). "" or the system's reason.
QString mover(const QString& de, const QString& para)
{
    if (::rename(QFile::encodeName(de).constData(), QFile::encodeName(para).constData()) == 0)
        return {};
    return QString::fromLocal8Bit(strerror(errno));
}

// A file seen in the folder: its size and time at the last look.
struct Visto {
    qint64 tamanho = -1;
    QDateTime modificado;
};

class Vigia {
public:
    QDir pasta;
    QString impressora; // a queue, or "Arquivo PDF" with saida_pdf
    QDir saida_pdf;
    std::optional<QString> margens; // ESQ,SUP as typed

    int preparar();
    int executar();

private:
    // Prints the report at `em_curso` (in .em-curso/) and moves it on.
    // False when a stop request cancelled it (it is back in the folder).
    bool imprimir(const QString& em_curso);
    void concluir(const QString& em_curso, const ResultadoTrabalho& r, const QString& destino);
    void ler_eventos();
    // Takes the reports without events that held still since the last
    // look; returns the age in milliseconds of the newest one it left.
    qint64 varrer();
    void chegou(const QString& nome);

    int inotify_ = -1;
    int trava_ = -1;
    QStringList prontos_;               // closed by their writers, in order of arrival
    QSet<QString> escrevendo_;          // written to and not closed yet
    QHash<QString, Visto> sem_eventos_; // waiting to hold still
    QHash<QString, QDateTime> intocaveis_; // could not be claimed, as they were then
    ObservadorMensagens observador_;
};

int Vigia::preparar()
{
    for (const QString& sub : {pasta_impressos, pasta_falhas, pasta_em_curso}) {
        if (!pasta.mkpath(sub)) {
            erros() << "papelada-cli vigiar: não foi possível criar a pasta " << pasta.filePath(sub) << ".\n";
            return erro_saida;
        }
    }
    // One watcher per folder: a second one would take the first one's job
    // in progress for an interrupted one and print it again.
    trava_ = ::open(QFile::encodeName(pasta.filePath(pasta_em_curso)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (trava_ < 0 || ::flock(trava_, LOCK_EX | LOCK_NB) != 0) {
        erros() << "papelada-cli vigiar: a pasta " << pasta.path() << " já está sendo vigiada por outro processo.\n";
        return erro_saida;
    }
    inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0
        || inotify_add_watch(inotify_, QFile::encodeName(pasta.path()).constData(),
                             IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_MODIFY | IN_ONLYDIR)
               < 0) {
        erros() << "papelada-cli vigiar: não foi possível vigiar a pasta " << pasta.path() << ": "
                << QString::fromLocal8Bit(strerror(errno)) << ".\n";
        return erro_saida;
    }
    struct sigaction acao = {};
    acao.sa_handler = ao_sinal; // no SA_RESTART: poll() returns at once
    sigaction(SIGTERM, &acao, nullptr);
    sigaction(SIGINT, &acao, nullptr);
    return ok;
}

int Vigia::executar()
{
    saida() << "Vigiando " << pasta.path() << " (" << (impressora == impressora_pdf ? saida_pdf.path() : impressora)
            << ").\n";
    saida().flush();
    // Jobs cut short by the end of an earlier run come first.
    const QDir em_curso(pasta.filePath(pasta_em_curso));
    for (const QString& nome : em_curso.entryList(QDir::Files | QDir::Hidden, QDir::Time | QDir::Reversed)) {
        if (!nome.endsWith(sufixo_destino) && !parada_pedida && !imprimir(em_curso.filePath(nome)))
            return ok;
    }
    // Reports already waiting come before any that arrives now, once they
    // have held still for a moment: a writer may be at work on one.
    const qint64 mais_novo = varrer();
    ::usleep(static_cast<useconds_t>(std::clamp<qint64>(quietude_ms - mais_novo, 100, quietude_ms) * 1000));
    varrer();
    QElapsedTimer desde_varredura;
    desde_varredura.start();
    while (!parada_pedida) {
        ler_eventos();
        if (desde_varredura.elapsed() >= intervalo_varredura_ms) {
            varrer();
            desde_varredura.restart();
        }
        if (!prontos_.isEmpty()) {
            const QString nome = prontos_.takeFirst();
            const QString destino = em_curso.filePath(nome);
            // Claimed by moving it: gone from the folder, it cannot be taken again.
            const QFileInfo origem(pasta.filePath(nome));
            if (!origem.isFile())
                continue;
            const QString erro = QFileInfo::exists(destino) ? QStringLiteral("já há um em curso") : mover(origem.filePath(), destino);
            if (!erro.isEmpty()) {
                // Left where it is (another user's file in a shared folder)
                // until it changes; said once.
                intocaveis_.insert(nome, origem.lastModified());
                erros() << "Falhou: " << nome << ": não foi possível tirá-lo da pasta (" << erro << "); fica onde está.\n";
                erros().flush();
            } else if (!imprimir(destino)) {
                break;
            }
            continue;
        }
        pollfd p{inotify_, POLLIN, 0};
        ::poll(&p, 1, intervalo_varredura_ms / 2);
    }
    saida() << "Vigilância encerrada.\n";
    return ok;
}

void Vigia::chegou(const QString& nome)
{
    escrevendo_.remove(nome);
    sem_eventos_.remove(nome);
    if (!prontos_.contains(nome))
        prontos_.append(nome);
}

void Vigia::ler_eventos()
{
    alignas(inotify_event) char dados[16384];
    for (;;) {
        const ssize_t n = ::read(inotify_, dados, sizeof dados);
        if (n <= 0)
            return;
        for (ssize_t i = 0; i < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(dados + i);
            i += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            if (e->mask & IN_Q_OVERFLOW) {
                // Events were lost: every file is judged by holding still.
                escrevendo_.clear();
                continue;
            }
            const QString nome = e->len ? QFile::decodeName(e->name) : QString();
            if (!e_relatorio(nome) || (e->mask & IN_ISDIR))
                continue;
            if (e->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) {
                intocaveis_.remove(nome);
                chegou(nome);
            } else {
                // Written to again: wait for its writer to close it.
                prontos_.removeAll(nome);
                escrevendo_.insert(nome);
            }
        }
    }
}

qint64 Vigia::varrer()
{
    const QFileInfoList arquivos = pasta.entryInfoList(QDir::Files, QDir::Time | QDir::Reversed);
    const QDateTime agora = QDateTime::currentDateTime();
    qint64 mais_novo = quietude_ms;
    for (const QFileInfo& a : arquivos) {
        const QString nome = a.fileName();
        if (!e_relatorio(nome) || prontos_.contains(nome) || escrevendo_.contains(nome)
            || intocaveis_.value(nome) == a.lastModified())
            continue;
        const Visto agora_visto{a.size(), a.lastModified()};
        const qint64 idade = a.lastModified().msecsTo(agora);
        const auto anterior = sem_eventos_.constFind(nome);
        if (idade >= quietude_ms && anterior != sem_eventos_.constEnd() && anterior->tamanho == agora_visto.tamanho
            && anterior->modificado == agora_visto.modificado) {
            chegou(nome);
        } else {
            sem_eventos_.insert(nome, agora_visto);
            mais_novo = std::min(mais_novo, idade);
        }
    }
    // Names that went away without being taken.
    for (auto i = sem_eventos_.begin(); i != sem_eventos_.end();)
        i = QFileInfo::exists(pasta.filePath(i.key())) ? std::next(i) : sem_eventos_.erase(i);
    return mais_novo;
}

bool Vigia::imprimir(const QString& em_curso)
{
    const QFileInfo origem(em_curso);
    const QString nota = em_curso + sufixo_destino;
    TrabalhoArquivo t;
    t.relatorio = em_curso;
    t.impressora = impressora;
    t.margens = margens;
    t.parar = [] { return parada_pedida != 0; };
    if (impressora == impressora_pdf) {
        // The note names the PDF before it is written, so that a restart
        // knows whether the report was printed.
        QFile lida(nota);
        if (lida.open(QIODevice::ReadOnly))
            t.pdf = QString::fromUtf8(lida.readAll());
        if (!t.pdf.isEmpty() && QFileInfo::exists(t.pdf)) {
            concluir(em_curso, {FimTrabalho::Impresso, 0, {}, TipoFalha::Nenhuma, {}}, t.pdf);
            return true;
        }
        if (!t.pdf.isEmpty()) {
            // A writer killed mid-job leaves its hidden ".NOME.pdf.xxxx" beside the target.
            const QString nome = QFileInfo(t.pdf).fileName();
            for (const QString& sobra : saida_pdf.entryList({u'.' + nome + QStringLiteral(".*")}, QDir::Files | QDir::Hidden))
                saida_pdf.remove(sobra);
        }
        t.pdf = nome_livre(saida_pdf, origem.completeBaseName() + QStringLiteral(".pdf"));
        QSaveFile escrita(nota);
        if (!escrita.open(QIODevice::WriteOnly) || escrita.write(t.pdf.toUtf8()) < 0 || !escrita.commit()) {
            concluir(em_curso,
                     {FimTrabalho::Recusado, 0, QStringLiteral("não foi possível anotar o trabalho em %1.").arg(nota),
                      TipoFalha::Saida, {}},
                     {});
            return true;
        }
    }
    const ResultadoTrabalho r = imprimir_arquivo(t, observador_);
    if (r.fim == FimTrabalho::Cancelado) {
        // Put back for the next run; nothing of it was handed over.
        mover(em_curso, nome_livre(pasta, origem.fileName()));
        QFile::remove(nota);
        saida() << "Cancelado: " << origem.fileName() << ".\n";
        saida().flush();
        return false;
    }
    concluir(em_curso, r, t.pdf);
    return true;
}

void Vigia::concluir(const QString& em_curso, const ResultadoTrabalho& r, const QString& destino)
{
    const QString nome = QFileInfo(em_curso).fileName();
    if (r.fim == FimTrabalho::Impresso) {
        saida() << "Impresso: " << nome << " -> " << (destino.isEmpty() ? impressora : destino) << "\n";
        const QString erro = mover(em_curso, nome_livre(QDir(pasta.filePath(pasta_impressos)), nome));
        if (!erro.isEmpty())
            erros() << "Aviso: " << nome << " ficou em " << pasta_em_curso << " (" << erro << ").\n";
    } else {
        const QString falha = nome_livre(QDir(pasta.filePath(pasta_falhas)), nome);
        QSaveFile motivo(falha + QStringLiteral(".txt"));
        if (motivo.open(QIODevice::WriteOnly)) {
            motivo.write(r.erro.toUtf8() + '\n');
            motivo.commit();
        }
        mover(em_curso, falha);
        erros() << "Falhou: " << nome << ": " << r.erro << "\n";
    }
    QFile::remove(em_curso + sufixo_destino);
    saida().flush();
    erros().flush();
}

int vigiar(const QStringList& args)
{
    QCommandLineParser p;
    const QCommandLineOption impressora{QStringLiteral("impressora"), QStringLiteral("imprime na impressora NOME do sistema."),
                                        QStringLiteral("NOME")};
    const QCommandLineOption pdf_em{QStringLiteral("pdf-em"),
                                    QStringLiteral("grava cada relatório como PDF na pasta PASTA_SAIDA."),
                                    QStringLiteral("PASTA_SAIDA")};
    p.addOptions({impressora, pdf_em});
    opcao_margens(p);
    p.addPositionalArgument(QStringLiteral("PASTA"), QStringLiteral("a pasta onde chegam os relatórios (.spl)."));
    if (const int r = ler_linha(p, "vigiar", args); r != seguir)
        return r;

    Vigia v;
    QString problema;
    const QStringList posicionais = p.positionalArguments();
    if (posicionais.size() != 1)
        problema = posicionais.isEmpty() ? QStringLiteral("indique a pasta a vigiar.")
                                         : QStringLiteral("mais de uma pasta indicada (%1).").arg(posicionais[1]);
    else if (p.isSet(impressora) == p.isSet(pdf_em))
        problema = QStringLiteral("use --impressora NOME ou --pdf-em PASTA_SAIDA (um dos dois).");
    else if (p.isSet(impressora) && (p.value(impressora).isEmpty() || p.value(impressora) == impressora_pdf))
        problema = QStringLiteral("para gravar PDFs use --pdf-em PASTA_SAIDA.");
    else if (p.isSet(pdf_em) && p.value(pdf_em).isEmpty())
        problema = QStringLiteral("--pdf-em precisa do nome da pasta.");
    TextosPedido forma;
    const LinhaPedido linha = linha_pedido(p);
    if (problema.isEmpty())
        problema = forma_do_pedido(linha, forma);
    v.margens = linha.margens;
    if (!problema.isEmpty())
        return falha_de_uso("vigiar", uso_vigiar, problema);

    v.pasta = QDir(QFileInfo(posicionais[0]).absoluteFilePath());
    if (!QFileInfo(v.pasta.path()).isDir()) {
        erros() << "papelada-cli vigiar: a pasta " << posicionais[0] << " não existe.\n";
        return erro_entrada;
    }
    if (p.isSet(impressora)) {
        v.impressora = p.value(impressora);
        if (const int r = conferir_impressora(v.impressora); r != ok)
            return r;
    } else {
        v.impressora = impressora_pdf;
        v.saida_pdf = QDir(QFileInfo(p.value(pdf_em)).absoluteFilePath());
        if (!v.saida_pdf.mkpath(QStringLiteral("."))) {
            erros() << "papelada-cli vigiar: não foi possível criar a pasta " << p.value(pdf_em) << ".\n";
            return erro_saida;
        }
    }
    if (const int r = v.preparar(); r != ok)
        return r;
    return v.executar();
}

} // namespace

PAPELADA_COMANDO("vigiar", uso_vigiar, "imprime cada relatório que chega a uma pasta, um de cada vez", vigiar);

} // namespace papelada::cli
