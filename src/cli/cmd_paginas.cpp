// papelada-cli paginas: where each page of a report begins.
#include "analysis/indice.h"
#include "cli/comando.h"
#include "cli/documento_cli.h"

#include <cstdio>

using namespace papelada;
using namespace papelada::cli;

namespace {

constexpr const char* uso_paginas = "paginas [--pdf | --impressora NOME] [--] ARQUIVO";

int paginas(const QStringList& args)
{
    QString arquivo, impressora;
    if (const int r = ler_relatorio_e_impressora(args, "paginas", arquivo, impressora); r != seguir)
        return r;
    DocumentoCli d;
    if (const int r = abrir_documento(arquivo, impressora, d); r != ok)
        return r;
    IndicePaginas indice;
    Observador calado;
    QString erro;
    // The pages as the print pass finds them on this printer, with the
    // stored top margin.
    const Papel papel = papel_da_impressora(*d.impressora, QString::number(d.doc.margem_superior));
    if (!examinar(d.doc, d.metricas, papel, indice, calado, &erro)) {
        erros() << "papelada-cli: " << erro << "\n";
        return erro_entrada;
    }
    QByteArray texto;
    texto.reserve(static_cast<qsizetype>(indice.total_paginas) * 12);
    for (std::int32_t p = 0; p < indice.total_paginas; ++p)
        texto.append(QByteArray::number(indice.inicio_pagina[p])).append('\n');
    saida().flush();
    std::fwrite(texto.constData(), 1, static_cast<size_t>(texto.size()), stdout);
    std::fflush(stdout);
    return ok;
}

} // namespace

PAPELADA_COMANDO("paginas", uso_paginas,
                 "lista o início de cada página (posição do primeiro byte, a partir de 1)", paginas);
