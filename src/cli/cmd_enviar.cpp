// papelada-cli enviar: the report as a PDF attachment in the desktop's mail
// program. The command waits for xdg-email to return, and the attachment is
// removed when the command ends.
#include "cli/comando.h"
#include "cli/documento_cli.h"
#include "cli/opcoes_trabalho.h"
#include "print/envio_email.h"

#include <QEventLoop>
#include <QFileInfo>

namespace papelada::cli {

namespace {

constexpr const char* uso_enviar = "enviar [--paginas A-B] [--para ENDERECO] [--margens ESQ,SUP] [--] ARQUIVO";

int enviar(const QStringList& args)
{
    QCommandLineParser p;
    const QCommandLineOption paginas{QStringLiteral("paginas"), QStringLiteral("envia só as páginas de A a B."),
                                     QStringLiteral("A-B")};
    const QCommandLineOption para{QStringLiteral("para"), QStringLiteral("o endereço do destinatário."),
                                  QStringLiteral("ENDERECO")};
    p.addOptions({paginas, para});
    opcao_margens(p);
    p.addPositionalArgument(QStringLiteral("ARQUIVO"), QStringLiteral("o relatório (.spl); - lê a entrada padrão."));
    if (const int r = ler_linha(p, "enviar", args); r != seguir)
        return r;

    TrabalhoArquivo t;
    QString problema;
    const QStringList posicionais = p.positionalArguments();
    if (posicionais.size() != 1)
        problema = posicionais.isEmpty() ? QStringLiteral("indique o arquivo a enviar.")
                                         : QStringLiteral("mais de um arquivo indicado (%1).").arg(posicionais[1]);
    const LinhaPedido linha = linha_pedido(p);
    TextosPedido forma;
    if (problema.isEmpty())
        problema = forma_do_pedido(linha, forma);
    t.paginas = linha.paginas;
    t.margens = linha.margens;
    const QString endereco = p.value(para).trimmed();
    if (problema.isEmpty() && p.isSet(para) && !endereco_aceitavel(endereco))
        problema = QStringLiteral("endereço inválido: \"%1\".").arg(p.value(para));
    if (!problema.isEmpty())
        return falha_de_uso("enviar", uso_enviar, problema);

    t.relatorio = arquivo_de_entrada(posicionais[0]);
    if (t.relatorio.isEmpty())
        return erro_entrada;
    // A report read from standard input has no name of its own.
    const QString nome = posicionais[0] == QLatin1String("-") ? QStringLiteral("relatorio") : posicionais[0];
    ObservadorMensagens observador;
    const ResultadoTrabalho r = fazer_anexo(t, observador, nome);
    if (r.fim != FimTrabalho::Impresso) {
        erros() << (r.fim == FimTrabalho::Cancelado ? QStringLiteral("O envio foi cancelado.") : r.erro) << "\n";
        return r.fim == FimTrabalho::Cancelado ? erro_saida : codigo_de(r.tipo);
    }
    const QString anexo = t.pdf;

    QString erro;
    bool feito = false;
    QEventLoop espera;
    abrir_email(anexo, QFileInfo(anexo).completeBaseName(), endereco, [&](const QString& e) {
        erro = e;
        feito = true;
        espera.quit();
    });
    if (!feito)
        espera.exec();
    if (!erro.isEmpty()) {
        erros() << erro << "\n";
        return erro_saida;
    }
    saida() << r.paginas << " página(s) entregue(s) ao programa de e-mail em " << QFileInfo(anexo).fileName() << ".\n";
    return ok;
}

} // namespace

PAPELADA_COMANDO("enviar", uso_enviar, "envia um relatório em PDF pelo programa de e-mail do computador", enviar);

} // namespace papelada::cli
