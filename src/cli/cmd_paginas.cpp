// papelada-cli paginas: where each page of a report begins.
#include "analysis/indice.h"
#include "cli/comando.h"
#include "cli/documento_cli.h"
#include "stream/fonte_bytes.h"

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
    IndicePaginas indice;
    Observador calado;
    QString erro;
    // The pages as the print pass finds them on this printer, with the top
    // margin it prints with.
    const Papel papel = papel_da_impressora(*d.impressora, QString::number(pedido.margens.superior, 'g', 15));
    if (!examinar(d.doc, d.metricas, *d.impressora, papel, indice, calado, &erro)) {
        erros() << "papelada-cli: " << erro << "\n";
        return erro_entrada;
    }
    // The starts are written as they are found again, a block at a time,
    // never all held at once.
    FonteBytes fonte;
    if (!fonte.abrir(d.doc.nome_arquivo, &erro)) {
        erros() << "papelada-cli: " << erro << "\n";
        return erro_entrada;
    }
    saida().flush();
    QByteArray texto;
    const auto escrever = [&texto] {
        std::fwrite(texto.constData(), 1, static_cast<size_t>(texto.size()), stdout);
        texto.truncate(0);
    };
    percorrer_paginas(fonte, indice, 1, [&](std::int32_t, const InicioPagina& inicio) {
        texto.append(QByteArray::number(inicio.posicao)).append('\n');
        if (texto.size() >= 65536)
            escrever();
        return true;
    });
    escrever();
    std::fflush(stdout);
    if (!fonte.integro(&erro)) {
        erros() << "papelada-cli: " << erro << "\n";
        return erro_entrada;
    }
    return ok;
}

} // namespace

PAPELADA_COMANDO("paginas", uso_paginas,
                 "lista o início de cada página (posição do primeiro byte, a partir de 1)", paginas);
