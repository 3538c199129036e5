#include "cli/documento_cli.h"

#include "cli/comando.h"
#include "stream/fonte_bytes.h"
#include "stream/observador.h"

#include <optional>

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
                               QString& impressora, std::optional<QString>& margens)
{
    QCommandLineParser p;
    opcoes_impressora(p);
    opcao_margens(p);
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
    margens = linha_pedido(p).margens;
    return seguir;
}

void opcao_margens(QCommandLineParser& p)
{
    p.addOption({QStringLiteral("margens"),
                 QStringLiteral("margens esquerda e superior em milímetros (as guardadas quando não dadas)."),
                 QStringLiteral("ESQ,SUP")});
}

LinhaPedido linha_pedido(const QCommandLineParser& p)
{
    const QStringList dadas = p.optionNames();
    const auto valor = [&](const char* nome) {
        const QString n = QString::fromLatin1(nome);
        return dadas.contains(n) ? std::optional<QString>(p.value(n)) : std::nullopt;
    };
    return {valor("margens"), valor("copias"), valor("paginas")};
}

QString forma_do_pedido(const LinhaPedido& linha, TextosPedido& textos)
{
    if (linha.margens && !margens_da_linha(*linha.margens, textos))
        return QStringLiteral("margens inválidas: %1 (use ESQ,SUP em milímetros, por exemplo 10,15).").arg(*linha.margens);
    if (linha.copias)
        textos.copias = *linha.copias;
    if (linha.paginas && !paginas_da_linha(*linha.paginas, textos))
        return QStringLiteral("intervalo de páginas inválido: %1 (use, por exemplo, 2-5).").arg(*linha.paginas);
    return {};
}

int pedido_da_linha(const LinhaPedido& linha, const char* comando, const Documento& doc,
                    const Metricas& metricas, const Superficie& impressora, PedidoImpressao& pedido)
{
    TextosPedido textos;
    textos.margem_esquerda = QString::number(doc.margem_esquerda);
    textos.margem_superior = QString::number(doc.margem_superior);
    if (const QString problema = forma_do_pedido(linha, textos); !problema.isEmpty())
        return falha_de_uso(comando, nullptr, problema);
    Observador calado;
    if (const std::optional<Recusa> r =
            validar_pedido(textos, limites_da_impressora(doc, metricas, impressora, calado), pedido))
        return falha_de_uso(comando, nullptr, texto_recusa(*r));
    return ok;
}

int codigo_de(TipoFalha tipo)
{
    switch (tipo) {
    case TipoFalha::Nenhuma: return ok;
    case TipoFalha::Uso: return erro_uso;
    case TipoFalha::Entrada: return erro_entrada;
    case TipoFalha::Imagem: return aviso;
    case TipoFalha::Saida:
    case TipoFalha::Impressora:
    case TipoFalha::Interrompido: break;
    }
    return erro_saida;
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
