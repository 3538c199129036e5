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

void argumento_relatorio(QCommandLineParser& p)
{
    p.addPositionalArgument(QStringLiteral("ARQUIVO"), QStringLiteral("o relatório (.spl); - lê a entrada padrão."));
}

int ler_relatorio_e_impressora(const QStringList& args, const char* comando, QString& arquivo,
                               QString& impressora)
{
    QCommandLineParser p;
    opcoes_impressora(p);
    argumento_relatorio(p);
    if (const int r = ler_linha(p, comando, args); r != seguir)
        return r;
    if (!impressora_escolhida(p, comando, impressora))
        return erro_uso;
    const QStringList posicionais = p.positionalArguments();
    if (posicionais.size() != 1) {
        falha_de_uso(comando, nullptr,
                     posicionais.isEmpty() ? QString() : QStringLiteral("argumento inesperado: ") + posicionais[1]);
        return erro_uso;
    }
    arquivo = posicionais[0];
    return seguir;
}

void opcoes_impressora(QCommandLineParser& p)
{
    p.addOption({QStringLiteral("pdf"), QStringLiteral("mede na impressora \"%1\".").arg(impressora_pdf)});
    p.addOption({QStringLiteral("impressora"), QStringLiteral("mede na impressora NOME do sistema."),
                 QStringLiteral("NOME")});
}

bool impressora_escolhida(const QCommandLineParser& p, const char* comando, QString& nome)
{
    const bool pdf = p.isSet(QStringLiteral("pdf"));
    nome = pdf ? impressora_pdf : p.value(QStringLiteral("impressora"));
    if (pdf && p.isSet(QStringLiteral("impressora"))) {
        falha_de_uso(comando, nullptr, QStringLiteral("use --pdf ou --impressora, não os dois."));
        return false;
    }
    return true;
}

int abrir_documento(const QString& nome_arquivo, const QString& nome_impressora, DocumentoCli& d)
{
    const QString arquivo = arquivo_de_entrada(nome_arquivo);
    if (arquivo.isEmpty())
        return erro_entrada;
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
