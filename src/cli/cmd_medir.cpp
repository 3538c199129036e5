// papelada-cli medir: measures a report as opening it in the window does and
// prints what was found, one "chave=valor" line each.
#include "analysis/medicao.h"
#include "cli/comando.h"
#include "cli/documento_cli.h"
#include "print/superficie_impressora.h"

namespace papelada::cli {

namespace {

constexpr const char* uso_medir = "medir [--pdf | --impressora NOME] [--margens ESQ,SUP] [--] ARQUIVO";

QString sim_nao(bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); }
QString numero(double v) { return QString::number(v, 'g', 15); }

int medir(const QStringList& args)
{
    QString arquivo, impressora;
    LinhaPedido linha;
    if (const int r = ler_relatorio_e_impressora(args, "medir", arquivo, impressora, linha.margens); r != seguir)
        return r;
    arquivo = arquivo_de_entrada(arquivo);
    if (arquivo.isEmpty())
        return erro_entrada;
    const bool escolhida = !impressora.isEmpty();
    if (escolhida) {
        if (const int r = conferir_impressora(impressora); r != ok)
            return r;
    }

    SuperficieImpressora p(impressora);
    Documento doc;
    doc.nome_arquivo = arquivo;
    Metricas m;
    Observador nada; // the results are printed below
    OpcoesMedicao opcoes;
    opcoes.manter_impressora = escolhida;
    const Medicao r = abrir_relatorio(doc, m, p, nada, nullptr, opcoes);
    if (!r.arquivo_lido) {
        erros() << "papelada-cli: " << r.erro << "\n";
        return erro_entrada;
    }
    // The margins a print would take here (the stored ones when not given).
    PedidoImpressao pedido;
    if (const int e = pedido_da_linha(linha, "medir", doc, m, p, pedido); e != ok)
        return e;

    QTextStream& s = saida();
    s << "impressora=" << p.deviceName() << "\n"
      << "papel=" << r.papel << "\n"
      << "fonte=" << p.fontName() << ',' << numero(p.fontSize()) << ',' << sim_nao(p.fontBold()) << ','
      << sim_nao(p.fontItalic()) << ',' << sim_nao(p.fontUnderline()) << ',' << sim_nao(p.fontStrikethru()) << "\n"
      << "altura_linha=" << m.altura_linha << "\n"
      << "largura_caracter=" << m.largura_caracter << "\n"
      << "altura_folha=" << m.altura_folha << "\n"
      << "largura_folha=" << m.largura_folha << "\n"
      << "largura_relatorio=" << numero(r.largura_relatorio) << "\n"
      << "altura_relatorio=" << numero(r.altura_relatorio) << "\n"
      << "codigo_papel=" << p.paperSize() << "\n"
      << "bandeja=" << p.paperBin() << "\n"
      << "orientacao=" << p.orientation() << "\n"
      << "cor=" << p.foreColor().name() << "\n"
      << "impressora_bloqueada=" << sim_nao(r.impressora_do_relatorio) << "\n"
      << "fonte_bloqueada=" << sim_nao(r.fonte_do_relatorio) << "\n"
      << "margens=" << numero(pedido.margens.esquerda) << ',' << numero(pedido.margens.superior) << "\n";
    for (const QString& a : r.avisos)
        s << "aviso=" << QString(a).replace(u'\n', u' ') << "\n";
    for (const QString& t : r.mensagens)
        s << "mensagem=" << t << "\n";
    return ok;
}

} // namespace

PAPELADA_COMANDO("medir", uso_medir,
                 "mede a primeira página do relatório e mostra impressora, papel, fonte e métricas",
                 medir);

} // namespace papelada::cli
