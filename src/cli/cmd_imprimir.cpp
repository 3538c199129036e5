// papelada-cli imprimir: prints a spool file with the same job as the
// window's "Imprimir" button, on a CUPS queue or into a PDF file.
#include "analysis/medicao.h"
#include "cli/comando.h"
#include "cli/documento_cli.h"
#include "print/superficie_impressora.h"
#include "print/trabalho.h"

#include <QDir>
#include <QSet>

namespace papelada::cli {

namespace {

constexpr const char* uso_imprimir =
    "imprimir [--pdf SAIDA.pdf | --impressora NOME] [--paginas A-B] [--copias N] "
    "[--margens ESQ,SUP] [--dpi N] [--] ARQUIVO";

// The report's messages and warnings, as lines on the terminal.
class ObservadorTerminal : public Observador {
public:
    void mensagem(const QString& texto) override
    {
        // Every pass shows the report's messages again; the terminal gets
        // each one once.
        if (!mostradas_.contains(texto)) {
            mostradas_.insert(texto);
            erros() << "Mensagem do relatório: " << texto << "\n";
        }
    }
    void aviso(const QString& texto) override
    {
        erros() << "Aviso: " << QString(texto).replace(u'\n', u' ') << "\n";
    }
    void erro(const QString& texto) override { erros() << "Erro: " << texto << "\n"; }
    bool mostra_imagens() const override { return false; }

private:
    QSet<QString> mostradas_;
};

struct Opcoes {
    QString arquivo;
    QString pdf;
    QString impressora;
    int dpi = 0;
};

// The options of the command, each with its check.
struct Linha {
    QCommandLineParser p;
    const QCommandLineOption pdf{QStringLiteral("pdf"), QStringLiteral("grava o relatório no arquivo PDF SAIDA.pdf; - é a saída padrão."),
                                 QStringLiteral("SAIDA.pdf")};
    const QCommandLineOption impressora{QStringLiteral("impressora"),
                                        QStringLiteral("imprime na impressora NOME do sistema (a padrão quando não dada)."),
                                        QStringLiteral("NOME")};
    const QCommandLineOption paginas{QStringLiteral("paginas"), QStringLiteral("imprime só as páginas de A a B."),
                                     QStringLiteral("A-B")};
    const QCommandLineOption copias{QStringLiteral("copias"), QStringLiteral("número de cópias (1 quando não dado)."),
                                    QStringLiteral("N")};
    const QCommandLineOption dpi{QStringLiteral("dpi"), QStringLiteral("resolução da impressora (300 quando não dada)."),
                                 QStringLiteral("N")};
    Linha()
    {
        p.addOptions({pdf, impressora, paginas, copias, dpi});
        opcao_margens(p);
        p.addPositionalArgument(QStringLiteral("ARQUIVO"), QStringLiteral("o relatório (.spl); - lê a entrada padrão."));
    }
};

// Empty result: the options are sound; otherwise what is wrong with them.
QString ler_opcoes(const Linha& l, Opcoes& o)
{
    const QStringList posicionais = l.p.positionalArguments();
    if (posicionais.size() > 1)
        return QStringLiteral("mais de um arquivo indicado (%1).").arg(posicionais[1]);
    if (posicionais.isEmpty())
        return QStringLiteral("indique o arquivo a imprimir.");
    o.arquivo = posicionais[0];
    if (l.p.isSet(l.pdf)) {
        o.pdf = l.p.value(l.pdf);
        if (o.pdf.isEmpty())
            return QStringLiteral("--pdf precisa do nome do arquivo PDF.");
    }
    if (l.p.isSet(l.impressora)) {
        o.impressora = l.p.value(l.impressora);
        if (o.impressora.isEmpty())
            return QStringLiteral("--impressora precisa do nome da impressora.");
    }
    if (l.p.isSet(l.dpi)) {
        const QString v = l.p.value(l.dpi);
        bool ok = false;
        o.dpi = v.toInt(&ok);
        if (!ok || o.dpi < 72 || o.dpi > 4800)
            return QStringLiteral("resolução inválida: %1 (de 72 a 4800 dpi).").arg(v);
    }
    if (!o.pdf.isEmpty() && !o.impressora.isEmpty())
        return QStringLiteral("use --pdf ou --impressora, não os dois.");
    if (o.impressora == impressora_pdf)
        return QStringLiteral("para imprimir em \"%1\" use --pdf SAIDA.pdf.").arg(impressora_pdf);
    return {};
}

int imprimir(const QStringList& args)
{
    Linha linha;
    if (const int r = ler_linha(linha.p, "imprimir", args); r != seguir)
        return r;
    Opcoes o;
    const QString problema = ler_opcoes(linha, o);
    if (!problema.isEmpty())
        return falha_de_uso("imprimir", uso_imprimir, problema);

    Documento doc;
    doc.nome_arquivo = arquivo_de_entrada(o.arquivo);
    if (doc.nome_arquivo.isEmpty())
        return erro_entrada;
    if (const int r = conferir_relatorio(doc.nome_arquivo, &doc.tamanho_arquivo); r != ok)
        return r;
    Saida pdf(o.pdf, true, doc.nome_arquivo);

    // A printer named here is the caller's choice and stays, whatever printer
    // the report's own record names; otherwise the system's default printer,
    // which that record may change.
    const bool escolhida = !o.pdf.isEmpty() || !o.impressora.isEmpty();
    const QString nome = !o.pdf.isEmpty() ? impressora_pdf
                         : escolhida      ? o.impressora
                                          : impressora_padrao_sistema();
    if (escolhida) {
        if (const int r = conferir_impressora(nome); r != ok)
            return r;
    }
    SuperficieImpressora impressora(nome.isEmpty() ? impressora_pdf : nome);
    if (escolhida && impressora.deviceName() != nome) {
        erros() << "A impressora \"" << nome << "\" não pôde ser usada.\n";
        return erro_saida;
    }
    if (o.dpi > 0)
        impressora.setResolucao(o.dpi);
    impressora.setDispositivoSaida(pdf.no_lugar());

    // As the window does when it starts with a file.
    ObservadorTerminal observador;
    Metricas metricas;
    abrir_relatorio(doc, metricas, impressora, observador, nullptr,
                    OpcoesMedicao{.manter_impressora = escolhida});
    if (!escolhida && impressora.deviceName() == impressora_pdf) {
        if (nome.isEmpty())
            erros() << "Não há impressora padrão no sistema. Indique uma com --impressora NOME "
                       "ou imprima num arquivo com --pdf SAIDA.pdf.\n";
        else
            erros() << "O relatório pede a impressora \"" << impressora_pdf
                    << "\": indique o arquivo com --pdf SAIDA.pdf.\n";
        return erro_saida;
    }

    PedidoImpressao pedido;
    if (const int r = pedido_da_linha(linha_pedido(linha.p), "imprimir", doc, metricas, impressora, pedido); r != ok)
        return r;
    if (!o.pdf.isEmpty())
        pedido.arquivo_saida = QDir::isAbsolutePath(pdf.caminho()) ? pdf.caminho()
                                                                   : QDir::currentPath() + u'/' + pdf.caminho();
    pedido.saida_provisoria = pdf.padrao();
    const ResultadoTrabalho r = imprimir_relatorio({doc, metricas, impressora}, pedido, observador);
    switch (r.fim) {
    case FimTrabalho::Falhou:
        erros() << "O relatório não foi impresso. " << r.erro << "\n";
        return codigo_de(r.tipo);
    case FimTrabalho::Recusado:
        erros() << r.erro << "\n";
        return codigo_de(r.tipo);
    case FimTrabalho::Cancelado:
        erros() << "A impressão foi cancelada.\n";
        return erro_saida;
    case FimTrabalho::Impresso:
        break;
    }
    const int paginas = r.paginas;
    if (paginas == 0) {
        erros() << "Nada foi impresso: o relatório não tem páginas a imprimir"
                << (pedido.todas ? QString() : QStringLiteral(" no intervalo pedido"))
                << (o.pdf.isEmpty() ? QStringLiteral(".\n")
                                    : QStringLiteral("; o arquivo %1 não foi gravado.\n").arg(o.pdf));
        return erro_saida;
    }
    // Success is told once the document is all where it goes.
    if (const int e = pdf.entregar(); e != ok)
        return e;
    if (o.pdf.isEmpty())
        saida() << paginas << " página(s) enviada(s) à impressora \"" << impressora.deviceName() << "\".\n";
    else if (pdf.padrao())
        erros() << paginas << " página(s) gravada(s) na saída padrão.\n";
    else
        saida() << paginas << " página(s) gravada(s) em " << o.pdf << ".\n";
    if (r.tipo == TipoFalha::Imagem) {
        erros() << "Aviso: o relatório foi impresso sem " << r.imagens_perdidas.size() << " imagem(ns).\n";
        return aviso;
    }
    return ok;
}

} // namespace

PAPELADA_COMANDO("imprimir", uso_imprimir,
                 "imprime um relatório numa impressora do sistema ou num arquivo PDF", imprimir);

} // namespace papelada::cli
