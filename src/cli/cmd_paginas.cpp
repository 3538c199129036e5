// papelada-cli paginas: where each page of a report begins.
#include "analysis/indice.h"
#include "cli/comando.h"
#include "cli/documento_cli.h"
#include "stream/fonte_bytes.h"

#include <charconv>
#include <cstdio>

using namespace papelada;
using namespace papelada::cli;

namespace {

constexpr const char* uso_paginas = "paginas [--pdf | --impressora NOME] [--margens ESQ,SUP] [--] ARQUIVO";

int paginas(const QStringList& args)
{
    QString arquivo, impressora;
    LinhaPedido linha;
    if (const int r = ler_relatorio_e_impressora(args, "paginas", arquivo, impressora, linha.margens); r != seguir)
        return r;
    DocumentoCli d;
    if (const int r = abrir_documento(arquivo, impressora, d); r != ok)
        return r;
    PedidoImpressao pedido;
    if (const int r = pedido_da_linha(linha, "paginas", d.doc, d.metricas, *d.impressora, pedido); r != ok)
        return r;
    // The starts are written as the pass finds them, a block at a time, never
    // all held at once. Each waits for the next: a page begun last and left
    // blank is not printed, which only the end of the pass tells.
    saida().flush();
    QByteArray texto;
    const auto escrever = [&texto] {
        std::fwrite(texto.constData(), 1, static_cast<size_t>(texto.size()), stdout);
        texto.truncate(0);
    };
    qint64 pendente = 1, escritas = 0;
    const auto anotar = [&](qint64 posicao) {
        char numero[24];
        char* fim = std::to_chars(numero, numero + sizeof numero - 1, pendente).ptr;
        *fim++ = '\n';
        texto.append(numero, fim - numero);
        ++escritas;
        pendente = posicao;
        if (texto.size() >= 65536)
            escrever();
    };
    IndicePaginas indice;
    Observador calado;
    QString erro;
    // The pages as the print pass finds them on this printer, with the top
    // margin it prints with.
    const Papel papel = papel_da_impressora(*d.impressora, QString::number(pedido.margens.superior, 'g', 15));
    FonteBytes fonte;
    if (!fonte.abrir(d.doc.nome_arquivo, &erro)) {
        erros() << "papelada-cli: " << erro << "\n";
        return erro_entrada;
    }
    examinar(fonte, d.metricas, *d.impressora, papel, indice, calado,
             [&](const InicioPagina& inicio) { anotar(inicio.posicao); });
    if (escritas < indice.total_paginas)
        anotar(0);
    escrever();
    std::fflush(stdout);
    // A file that could not be read to its end lists no more than it read.
    if (!fonte.integro(&erro)) {
        erros() << "papelada-cli: " << erro << "\n";
        return erro_entrada;
    }
    return ok;
}

} // namespace

PAPELADA_COMANDO("paginas", uso_paginas,
                 "lista o início de cada página (posição do primeiro byte, a partir de 1)", paginas);
