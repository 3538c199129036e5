// papeladatopdf: the CUPS filter that turns a spool file into PDF with
// Papelada's own print pass, so that any queue of a server with Papelada
// installed prints .spl jobs from any client. The scheduler calls it as it
// calls every filter:
//
//     papeladatopdf TRABALHO USUARIO TITULO COPIAS OPCOES [ARQUIVO]
//
// The report comes from ARQUIVO, or from standard input; the PDF goes to
// standard output, on the report's own paper, titled with the job's title. Messages go to standard error
// with the level prefixes that the scheduler logs. Copies and page ranges
// are left to the PDF stage that follows in every queue, which applies them
// to whatever PDF it gets: done here as well, they would be done twice.
#include "analysis/medicao.h"
#include "print/pedido.h"
#include "print/superficie_impressora.h"
#include "print/trabalho.h"
#include "stream/copia.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

using namespace papelada;

namespace {

QTextStream& log()
{
    static QTextStream s(stderr);
    return s;
}

// The report's messages and warnings go to the scheduler's log.
class ObservadorLog : public Observador {
public:
    void mensagem(const QString& texto) override { log() << "INFO: " << texto << "\n"; }
    void aviso(const QString& texto) override { log() << "WARNING: " << QString(texto).replace(u'\n', u' ') << "\n"; }
    // A picture left out: the job still prints, without it.
    void erro(const QString& texto) override { log() << "WARNING: " << texto << "\n"; }
};

int falhar(const QString& motivo)
{
    log() << "ERROR: " << motivo << "\n";
    log().flush();
    return 1;
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
    // A filter runs without a screen or a session, as the scheduler's user.
    // Its own folder (in the scheduler's temporary folder) holds the report
    // read from standard input, the PDF being made, and the settings the
    // measurement reads and writes: margins and default fonts then come from
    // the system-wide settings (/etc/xdg/Orvel/Papelada.ini) or the defaults,
    // never from whoever the scheduler runs as.
    QTemporaryDir pasta;
    if (!pasta.isValid())
        return falhar(QStringLiteral("não foi possível criar uma pasta temporária: %1").arg(pasta.errorString()));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(pasta.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(pasta.path() + QStringLiteral("/configuracao")));
    QGuiApplication app(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Orvel"));
    QGuiApplication::setApplicationName(QStringLiteral("Papelada"));

    // The print job names its document after the report's file: the report is
    // read under the job's title, from a link to the scheduler's copy or from
    // standard input.
    QString titulo = QString::fromUtf8(argv[3]).replace(u'/', u'_');
    if (titulo.isEmpty() || titulo.startsWith(u'.'))
        titulo.prepend(QStringLiteral("relatorio"));
    Documento doc;
    doc.nome_arquivo = pasta.path() + u'/' + titulo;
    if (argc == 7) {
        if (!QFile::link(QFile::decodeName(argv[6]), doc.nome_arquivo))
            doc.nome_arquivo = QFile::decodeName(argv[6]);
    } else {
        QFile entrada, copia(doc.nome_arquivo);
        if (!entrada.open(stdin, QIODevice::ReadOnly) || !copia.open(QIODevice::WriteOnly))
            return falhar(QStringLiteral("não foi possível guardar a entrada padrão."));
        const QString erro = copiar_fluxo(entrada, copia);
        if (!erro.isEmpty())
            return falhar(QStringLiteral("não foi possível guardar a entrada padrão: %1").arg(erro));
    }

    // The built-in PDF printer: its paper is the one the report's printer
    // record names, A4 when it names none.
    SuperficieImpressora impressora(impressora_pdf);
    ObservadorLog observador;
    Metricas metricas;
    const Medicao medicao = abrir_relatorio(doc, metricas, impressora, observador, nullptr,
                                            OpcoesMedicao{.manter_impressora = true});
    if (!medicao.arquivo_lido)
        return falhar(medicao.erro);

    // The system's margins, checked as the window checks typed ones.
    PedidoImpressao pedido;
    TextosPedido margens;
    margens.margem_esquerda = QString::number(doc.margem_esquerda);
    margens.margem_superior = QString::number(doc.margem_superior);
    if (const auto recusa = validar_pedido(margens, limites_da_impressora(doc, metricas, impressora, observador), pedido))
        return falhar(texto_recusa(*recusa));
    pedido.arquivo_saida = pasta.path() + QStringLiteral("/saida.pdf");
    const ResultadoTrabalho r = imprimir_relatorio({doc, metricas, impressora}, pedido, observador);
    if (r.fim != FimTrabalho::Impresso)
        return falhar(r.erro.isEmpty() ? QStringLiteral("a impressão foi interrompida.") : r.erro);
    if (r.paginas == 0) {
        log() << "INFO: o relatório não tem páginas a imprimir.\n";
        return 0;
    }

    QFile pdf(pedido.arquivo_saida), saida;
    if (!pdf.open(QIODevice::ReadOnly) || !saida.open(stdout, QIODevice::WriteOnly))
        return falhar(QStringLiteral("não foi possível ler o PDF feito: %1").arg(pdf.errorString()));
    const QString erro = copiar_fluxo(pdf, saida);
    if (!erro.isEmpty())
        return falhar(QStringLiteral("não foi possível entregar o PDF: %1").arg(erro));
    if (r.tipo == TipoFalha::Imagem)
        log() << "WARNING: o relatório foi convertido sem " << r.imagens_perdidas.size() << " imagem(ns).\n";
    log() << "INFO: " << r.paginas << " página(s) convertida(s) em PDF.\n";
    return 0;
}
