// papeladatopdf: the CUPS filter that turns a spool file into PDF with
// Papelada's own print pass, so that any queue of a server with Papelada
// installed prints .spl jobs from any client. The scheduler calls it as it
// calls every filter:
//
//     papeladatopdf TRABALHO USUARIO TITULO COPIAS OPCOES [ARQUIVO]
//
// The report comes from ARQUIVO, or from standard input; the PDF goes to
// standard output page by page as the pages are done, titled with the job's
// title. The pages are laid out on the paper the report's printer record
// names, else on the job's paper (its "media" option) or the queue's
// default paper, so that the queue prints them as they are. Messages go to
// standard error with the level prefixes that the scheduler logs. Copies and
// page ranges are left to the PDF stage that follows in every queue, which
// applies them to whatever PDF it gets: done here as well, they would be
// done twice.
//
// The filter runs for whoever sent the job, as the scheduler's user: it
// reads no one's own settings (only the machine's), takes pictures only from
// the folder the machine's settings allow, and leaves no named file behind:
// a report from standard input is kept in a file without a name, so a job
// stopped with SIGTERM at any moment leaves nothing in the temporary folder.
#include "analysis/medicao.h"
#include "print/biblioteca_cups.h"
#include "print/fluxo_cups.h"
#include "print/pedido.h"
#include "print/superficie_impressora.h"
#include "print/trabalho.h"
#include "settings/configuracoes.h"
#include "stream/limpeza.h"
#include "stream/politica_imagens.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSet>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

using namespace papelada;

namespace {

QTextStream& log()
{
    static QTextStream s(stderr);
    return s;
}

// The report's messages and warnings go to the scheduler's log. Pictures
// that could not be used are told once for the whole job: a report naming
// a thousand of them makes one line, not a thousand.
class ObservadorLog : public Observador {
public:
    void mensagem(const QString& texto) override { log() << "INFO: " << linha(texto) << "\n"; }
    void aviso(const QString& texto) override { log() << "WARNING: " << linha(texto) << "\n"; }
    void erro(const QString& texto) override
    {
        if (recusas_.isEmpty())
            primeira_ = texto;
        recusas_.insert(texto);
    }
    void concluir()
    {
        if (recusas_.size() == 1)
            log() << "WARNING: " << linha(primeira_) << "\n";
        else if (recusas_.size() > 1)
            log() << "WARNING: " << recusas_.size() << " imagens não foram impressas; a primeira: "
                  << linha(primeira_) << "\n";
        log().flush();
    }

private:
    static QString linha(QString texto) { return texto.replace(u'\n', u' '); }
    QSet<QString> recusas_;
    QString primeira_;
};

int falhar(const QString& motivo)
{
    log() << "ERROR: " << motivo << "\n";
    log().flush();
    return 1;
}

// Standard input in a file of the temporary folder that has no name: it
// goes with the process, however the process ends. The report is read
// through /proc as often as the print pass needs.
QString guardar_entrada(QString* erro)
{
    const QByteArray pasta = QFile::encodeName(QDir::tempPath());
    int fd = ::open(pasta.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // A file system without unnamed files: named for an instant.
        QByteArray modelo = pasta + "/papeladatopdf-XXXXXX";
        const Criacao bloco;
        fd = ::mkostemp(modelo.data(), O_CLOEXEC);
        if (fd >= 0)
            ::unlink(modelo.constData());
    }
    if (fd < 0) {
        *erro = QString::fromLocal8Bit(std::strerror(errno));
        return {};
    }
    char bloco[1 << 16];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, bloco, sizeof bloco);
        if (n == 0)
            break;
        if (n < 0 && errno == EINTR)
            continue;
        for (ssize_t feito = 0; n > 0 && feito < n;) {
            const ssize_t w = ::write(fd, bloco + feito, static_cast<size_t>(n - feito));
            if (w < 0 && errno != EINTR) {
                *erro = QString::fromLocal8Bit(std::strerror(errno));
                return {};
            }
            feito += std::max<ssize_t>(w, 0);
        }
        if (n < 0) {
            *erro = QString::fromLocal8Bit(std::strerror(errno));
            return {};
        }
    }
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

// The paper of the job when the report names none: the queue's PPD with the
// job's options marked (its "media" or "PageSize"), or, for a queue without
// a PPD, the job's "media" option, or the queue's default. None without the
// print service's library: the report's paper or the default then.
QPageSize papel_do_trabalho(const char* opcoes_texto)
{
    const LibCups* c = libcups();
    if (!c)
        return {};
    cups_option_t* opcoes = nullptr;
    const int n = c->cupsParseOptions(opcoes_texto, 0, &opcoes);
    QPageSize papel;
    if (const char* caminho = std::getenv("PPD"); caminho && *caminho) {
        if (ppd_file_t* ppd = c->ppdOpenFile(caminho)) {
            c->ppdMarkDefaults(ppd);
            c->cupsMarkOptions(ppd, n, opcoes);
            if (const ppd_size_t* t = c->ppdPageSize(ppd, nullptr); t && t->width > 0 && t->length > 0)
                papel = QPageSize(QSizeF(t->width, t->length), QPageSize::Point, QString(), QPageSize::FuzzyMatch);
            c->ppdClose(ppd);
        }
    }
    if (!papel.isValid())
        if (const char* midia = c->cupsGetOption("media", n, opcoes))
            papel = papel_da_midia(QString::fromUtf8(midia));
    if (!papel.isValid())
        if (const char* fila = std::getenv("PRINTER"); fila && *fila)
            papel = papel_padrao_da_fila(QString::fromUtf8(fila));
    c->cupsFreeOptions(n, opcoes);
    return papel;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 6 || argc > 7) {
        std::fputs("Uso: papeladatopdf TRABALHO USUARIO TITULO COPIAS OPCOES [ARQUIVO]\n"
                   "Filtro do CUPS: converte um relatório do Papelada (.spl) em PDF na saída padrão.\n",
                   stderr);
        return 1;
    }
    instalar_limpeza();
    // A filter runs without a screen or a session. Qt's start insists on a
    // runtime folder: one of its own, there only while Qt starts.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::optional<PastaTemporaria> execucao;
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        execucao.emplace(QString(), QDir::tempPath() + QStringLiteral("/papeladatopdf-XXXXXX"));
    const bool com_pasta = execucao && execucao->valida();
    if (com_pasta)
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(execucao->caminho()));
    QGuiApplication app(argc, argv);
    if (com_pasta)
        qunsetenv("XDG_RUNTIME_DIR");
    execucao.reset();
    QGuiApplication::setOrganizationName(QStringLiteral("Orvel"));
    QGuiApplication::setApplicationName(QStringLiteral("Papelada"));
    usar_somente_configuracoes_do_sistema();
    definir_politica_imagens(PoliticaImagens{.pasta_permitida = pasta_imagens_do_servidor()});

    Documento doc;
    if (argc == 7) {
        doc.nome_arquivo = QFile::decodeName(argv[6]);
    } else {
        QString erro;
        doc.nome_arquivo = guardar_entrada(&erro);
        if (doc.nome_arquivo.isEmpty())
            return falhar(QStringLiteral("não foi possível guardar a entrada padrão: %1").arg(erro));
    }

    // The built-in PDF printer, on the job's paper until the report's
    // printer record names another.
    SuperficieImpressora impressora(impressora_pdf);
    if (const QPageSize papel = papel_do_trabalho(argv[5]); papel.isValid())
        impressora.setPapel(papel);
    ObservadorLog observador;
    Metricas metricas;
    const Medicao medicao = abrir_relatorio(doc, metricas, impressora, observador, nullptr,
                                            OpcoesMedicao{.manter_impressora = true});
    if (!medicao.arquivo_lido)
        return falhar(medicao.erro);

    QFile saida;
    if (!saida.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return falhar(QStringLiteral("a saída padrão não pode ser escrita."));
    impressora.setDispositivoSaida(&saida);
    // The machine's margins, checked as the window checks typed ones.
    PedidoImpressao pedido;
    TextosPedido margens;
    margens.margem_esquerda = QString::number(doc.margem_esquerda);
    margens.margem_superior = QString::number(doc.margem_superior);
    if (const auto recusa = validar_pedido(margens, limites_da_impressora(doc, metricas, impressora, observador), pedido))
        return falhar(texto_recusa(*recusa));
    pedido.fios = fios_do_servidor();
    pedido.titulo = QString::fromUtf8(argv[3]);
    if (pedido.titulo.isEmpty())
        pedido.titulo = QStringLiteral("relatorio");
    const ResultadoTrabalho r = imprimir_relatorio({doc, metricas, impressora}, pedido, observador);
    observador.concluir();
    if (r.fim != FimTrabalho::Impresso)
        return falhar(r.erro.isEmpty() ? QStringLiteral("a impressão foi interrompida.") : r.erro);
    if (r.paginas == 0) {
        log() << "INFO: o relatório não tem páginas a imprimir.\n";
        return 0;
    }
    log() << "INFO: " << r.paginas << " página(s) convertida(s) em PDF.\n";
    return 0;
}
