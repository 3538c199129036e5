#include "cli/documento_cli.h"

#include "cli/comando.h"
#include "stream/fonte_bytes.h"
#include "stream/observador.h"

namespace papelada::cli {

int conferir_relatorio(const QString& arquivo, qint64* tamanho)
{
    FonteBytes fonte;
    QString erro;
    if (!fonte.abrir(arquivo, &erro)) {
        erros() << "papelada-cli: " << erro << "\n";
        return erro_entrada;
    }
    if (tamanho)
        *tamanho = fonte.tamanho();
    return ok;
}

int conferir_impressora(const QString& nome)
{
    // "Arquivo PDF" is always there; the system is not asked about it.
    if (nome == impressora_pdf || impressoras_instaladas().contains(nome))
        return ok;
    erros() << "papelada-cli: a impressora \"" << nome << "\" não está instalada.\n";
    return erro_saida;
}

bool tirar_opcao(QStringList& args, const QString& nome, QString& valor)
{
    valor.clear();
    const qsizetype i = args.indexOf(nome);
    if (i < 0)
        return true;
    if (i + 1 >= args.size())
        return false;
    valor = args[i + 1];
    args.remove(i, 2);
    return true;
}

int abrir_documento(const QString& arquivo, QStringList& args, DocumentoCli& d)
{
    QString nome_impressora;
    if (!tirar_opcao(args, QStringLiteral("--impressora"), nome_impressora)) {
        erros() << "papelada-cli: --impressora pede o nome de uma impressora.\n";
        return erro_uso;
    }
    const bool pdf = args.removeAll(QStringLiteral("--pdf")) > 0;
    if (pdf && !nome_impressora.isEmpty()) {
        erros() << "papelada-cli: use --pdf ou --impressora, não os dois.\n";
        return erro_uso;
    }
    if (pdf)
        nome_impressora = impressora_pdf;
    if (!args.isEmpty()) {
        erros() << "papelada-cli: argumento inesperado: " << args.first() << "\n";
        return erro_uso;
    }

    if (const int r = conferir_relatorio(arquivo, &d.doc.tamanho_arquivo); r != ok)
        return r;
    if (!nome_impressora.isEmpty()) {
        if (const int r = conferir_impressora(nome_impressora); r != ok)
            return r;
    }
    d.doc.nome_arquivo = arquivo;
    d.impressora = std::make_unique<SuperficieImpressora>(nome_impressora);
    Observador calado;
    OpcoesMedicao opcoes;
    opcoes.manter_impressora = !nome_impressora.isEmpty();
    const Medicao m = abrir_relatorio(d.doc, d.metricas, *d.impressora, calado, nullptr, opcoes);
    for (const QString& aviso : m.avisos)
        erros() << aviso << "\n";
    return ok;
}

} // namespace papelada::cli
