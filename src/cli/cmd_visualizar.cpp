// papelada-cli visualizar: one page of a report as the preview draws it,
// written as a PNG image.
#include "cli/comando.h"
#include "cli/documento_cli.h"
#include "preview/procura.h"
#include "preview/visualizacao.h"
#include "stream/arquivo_saida.h"
#include "stream/numeros.h"
#include "stream/superficie_imagem.h"


using namespace papelada;
using namespace papelada::cli;

namespace {

const char* const uso = "visualizar [--zoom PCT] [--procurar TEXTO] [--pdf | --impressora NOME] [--margens ESQ,SUP] [--] "
                        "ARQUIVO PAGINA SAIDA.png";

int visualizar_pagina(const QStringList& args)
{
    QCommandLineParser linha;
    const QCommandLineOption zoom(QStringLiteral("zoom"), QStringLiteral("ampliação, de 40 a 180 por cento."),
                                  QStringLiteral("PCT"), QStringLiteral("100"));
    const QCommandLineOption procurar(QStringLiteral("procurar"),
                                      QStringLiteral("procura TEXTO a partir do início e o destaca."),
                                      QStringLiteral("TEXTO"));
    linha.addOption(zoom);
    linha.addOption(procurar);
    opcoes_impressora(linha);
    opcao_margens(linha);
    argumento_relatorio(linha);
    linha.addPositionalArgument(QStringLiteral("PAGINA"), QStringLiteral("o número da página."));
    linha.addPositionalArgument(QStringLiteral("SAIDA.png"), QStringLiteral("a imagem; - é a saída padrão."));
    if (const int r = ler_linha(linha, "visualizar", args); r != seguir)
        return r;
    QString impressora;
    if (!impressora_escolhida(linha, "visualizar", impressora))
        return erro_uso;
    const QStringList posicionais = linha.positionalArguments();
    if (posicionais.size() != 3)
        return falha_de_uso("visualizar", uso);
    const QString& arquivo_dado = posicionais[0];
    const QString& texto_pagina = posicionais[1];
    Saida destino(posicionais[2]);
    // The image may go down standard output: what is said goes elsewhere.
    QTextStream& avisos = destino.padrao() ? erros() : saida();
    EstadoVisualizacao vis;
    const double v = valor_texto(linha.value(zoom));
    if (v < 40 || v > 180) {
        erros() << "papelada-cli: o zoom vai de 40 a 180 por cento.\n";
        return erro_uso;
    }
    const int percentual = static_cast<int>(arredondar(v));

    DocumentoCli d;
    if (const int r = abrir_documento(arquivo_dado, impressora, d); r != ok)
        return r;
    const QString arquivo = d.doc.nome_arquivo;

    // The page as it prints, with the margins checked as a print checks them.
    PedidoImpressao pedido;
    if (const int r = pedido_da_linha(linha_pedido(linha), "visualizar", d.doc, d.metricas, *d.impressora, pedido);
        r != ok)
        return r;
    vis.margem_esquerda_texto = QString::number(pedido.margens.esquerda, 'g', 15);
    vis.margem_superior_texto = QString::number(pedido.margens.superior, 'g', 15);
    IndicePaginas indice;
    Corrida corrida;
    SuperficieImagem pagina;
    Observador calado;
    iniciar_visualizacao(d.doc, d.metricas, indice, vis, *d.impressora, pagina, calado);
    vis.percentual_zoom = percentual;
    vis.fator_zoom = percentual / 100.0;
    // As the page box of the window: brought into the report's pages.
    vis.pagina_atual = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        arredondar(valor_texto(texto_pagina)), 1, std::max(1, indice.total_paginas)));

    if (linha.isSet(procurar)) {
        const QString procurado = linha.value(procurar);
        QString erro;
        qint64 f = -1;
        if (!procurar_no_arquivo(arquivo, d.doc.tamanho_arquivo, procurado, 0, f, &erro)) {
            erros() << "papelada-cli: " << erro << "\n";
            return erro_entrada;
        }
        vis.texto_procurado = procurado;
        if (f < 0)
            erros() << "Texto não localizado\n";
        else
            avisos << "Texto localizado na página " << pagina_do_achado(arquivo, indice, f) << "\n";
        vis.posicao_achada = std::max<std::int64_t>(f, 0);
    }

    QString erro;
    if (!visualizar(d.doc, indice, vis, d.metricas, corrida, pagina, calado, &erro)) {
        erros() << "papelada-cli: " << erro << "\n";
        return erro_entrada;
    }
    ArquivoSaida png(destino.caminho());
    if (!png.abrir(&erro, {arquivo}) || !pagina.imagem().save(&png, "PNG") || !png.concluir(&erro)) {
        erros() << "papelada-cli: " << (png.erro().isEmpty() ? erro : png.erro()) << "\n";
        return erro_saida;
    }
    return destino.entregar();
}

} // namespace

PAPELADA_COMANDO("visualizar", uso,
                  "grava uma página como a visualização a mostra, em PNG", visualizar_pagina);
