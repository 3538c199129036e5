// papelada-cli visualizar: one page of a report as the preview draws it,
// written as a PNG image.
#include "cli/comando.h"
#include "cli/documento_cli.h"
#include "preview/procura.h"
#include "preview/visualizacao.h"
#include "stream/arquivo_saida.h"
#include "stream/numeros.h"
#include "stream/superficie_imagem.h"

#include <QFileInfo>

using namespace papelada;
using namespace papelada::cli;

namespace {

const char* const uso = "visualizar ARQUIVO PAGINA SAIDA.png [--zoom PCT] [--procurar TEXTO] "
                        "[--pdf | --impressora NOME]";

int visualizar_pagina(const QStringList& argumentos)
{
    QStringList args = argumentos;
    QString zoom, procurado;
    const bool procurar = args.contains(QStringLiteral("--procurar"));
    if (!tirar_opcao(args, QStringLiteral("--zoom"), zoom)
        || !tirar_opcao(args, QStringLiteral("--procurar"), procurado) || args.size() < 3)
        return falha_de_uso("visualizar", uso);
    const QString arquivo = args.takeFirst();
    const QString texto_pagina = args.takeFirst();
    const QString destino = args.takeFirst();
    EstadoVisualizacao vis;
    int percentual = 100;
    if (!zoom.isEmpty()) {
        const double v = valor_texto(zoom);
        if (v < 40 || v > 180) {
            erros() << "papelada-cli: o zoom vai de 40 a 180 por cento.\n";
            return erro_uso;
        }
        percentual = static_cast<int>(arredondar(v));
    }

    DocumentoCli d;
    if (const int r = abrir_documento(arquivo, args, d); r != ok)
        return r;

    vis.margem_esquerda_texto = QString::number(d.doc.margem_esquerda);
    vis.margem_superior_texto = QString::number(d.doc.margem_superior);
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

    if (procurar) {
        QString erro;
        qint64 f = -1;
        if (!procurar_no_arquivo(arquivo, QFileInfo(arquivo).size(), procurado, 0, f, &erro)) {
            erros() << "papelada-cli: " << erro << "\n";
            return erro_entrada;
        }
        vis.texto_procurado = procurado;
        if (f < 0)
            erros() << "Texto não localizado\n";
        else
            saida() << "Texto localizado na página " << pagina_do_achado(indice, f) << "\n";
        vis.posicao_achada = std::max<std::int64_t>(f, 0);
    }

    QString erro;
    if (!visualizar(d.doc, indice, vis, d.metricas, corrida, pagina, calado, &erro)) {
        erros() << "papelada-cli: " << erro << "\n";
        return erro_entrada;
    }
    ArquivoSaida png(destino);
    if (!png.abrir(&erro, {arquivo}) || !pagina.imagem().save(&png, "PNG") || !png.concluir(&erro)) {
        erros() << "papelada-cli: " << (png.erro().isEmpty() ? erro : png.erro()) << "\n";
        return erro_saida;
    }
    return ok;
}

} // namespace

PAPELADA_COMANDO("visualizar", uso,
                  "grava uma página como a visualização a mostra, em PNG", visualizar_pagina);
