#include "alvos.h"

#include "analysis/indice.h"
#include "analysis/medicao.h"
#include "preview/visualizacao.h"
#include "print/interpretador.h"
#include "print/superficie_impressora.h"
#include "print/trabalho.h"
#include "stream/copia.h"
#include "stream/superficie_imagem.h"
#include "stream/leitor.h"
#include "stream/politica_imagens.h"
#include "comum/superficie_gravacao.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace papelada::fuzz {

namespace {

// Every item of every consumer's table, to the end.
void ler_tudo(const QByteArray& dados)
{
    for (const TabelaFormas* formas :
         {&formas_linguagem(), &formas_medicao()}) {
        for (bool ultimo : {false, true}) {
            FonteBytes fonte;
            fonte.usar_memoria(dados);
            fonte.incluir_ultimo_byte(ultimo);
            Leitor leitor(fonte, *formas);
            Item item;
            qint64 anterior = 0;
            while (leitor.proximo(item)) {
                // Items move forward through the file, never back.
                if (item.posicao <= anterior)
                    __builtin_trap();
                anterior = item.posicao;
            }
        }
    }
}

// The bytes as a spool file on disk, for the consumers that open a path.
QString como_arquivo(const QByteArray& dados)
{
    static QTemporaryFile arquivo;
    if (!arquivo.isOpen() && !arquivo.open())
        return {};
    arquivo.resize(0);
    arquivo.seek(0);
    arquivo.write(dados);
    arquivo.flush();
    return arquivo.fileName();
}

void medir(const QByteArray& dados)
{
    Documento doc;
    doc.nome_arquivo = como_arquivo(dados);
    doc.tamanho_arquivo = dados.size();
    Metricas metricas;
    SuperficieGravacao impressora;
    Observador observador;
    medir_relatorio(doc, metricas, impressora, observador);
}

// Courier New 10 on a page of the given size, in twips.
Metricas metricas_fixas(std::int32_t largura_folha, std::int32_t altura_folha)
{
    Metricas m;
    m.altura_linha = m.altura_linha_padrao = 240;
    m.largura_caracter = m.largura_caracter_padrao = 120;
    m.largura_folha = largura_folha;
    m.altura_folha = altura_folha;
    return m;
}

// A print pass of the whole input on `impressora`, or of its pages 2 to 3.
void passagem(const QByteArray& dados, Superficie& impressora, bool selecionar)
{
    FonteBytes fonte;
    fonte.usar_memoria(dados);
    Documento doc;
    doc.tamanho_arquivo = dados.size();
    Metricas metricas = metricas_fixas(11906, 16838);
    Corrida corrida;
    Passagem passagem(selecionar);
    passagem.primeira_pagina = 2;
    passagem.ultima_pagina = 3;
    Observador observador;
    imprimir_passagem(fonte, doc, metricas, corrida, impressora, passagem, observador);
}

// On the recording printer, all pages and then pages 2 to 3.
void imprimir(const QByteArray& dados)
{
    for (bool selecionar : {false, true}) {
        SuperficieGravacao impressora;
        passagem(dados, impressora, selecionar);
    }
}

// On the real printer, into a PDF file: text in any font and size,
// pictures, lines and page lengths reach the PDF writer. A document it hands
// over is whole.
void imprimir_pdf(const QByteArray& dados)
{
    static QTemporaryDir pasta;
    const QString arquivo = pasta.filePath(QStringLiteral("saida.pdf"));
    SuperficieImpressora impressora(impressora_pdf);
    impressora.setArquivoSaida(arquivo);
    passagem(dados, impressora, false);
    if (impressora.endDoc() && impressora.paginasEntregues() > 0) {
        QFile f(arquivo);
        if (!f.open(QIODevice::ReadOnly) || !f.read(8).startsWith("%PDF-1.") || !f.seek(f.size() - 6)
            || f.read(6) != "%%EOF\n")
            __builtin_trap();
    }
}

// The print job on one thread and on three: the same PDF, byte for byte
// (apart from its date and identifier), or the same failure.
void imprimir_em_fios(const QByteArray& dados)
{
    static QTemporaryDir pasta;
    static const QRegularExpression data(QStringLiteral("/CreationDate \\(D:[0-9]+Z\\)"));
    static const QRegularExpression id(QStringLiteral("/ID \\[<[0-9A-F]+> <[0-9A-F]+>\\]"));
    Documento doc;
    doc.nome_arquivo = como_arquivo(dados);
    doc.tamanho_arquivo = dados.size();
    QByteArray pdfs[2];
    FimTrabalho fins[2];
    for (int i = 0; i < 2; ++i) {
        qputenv("PAPELADA_FIOS", i == 0 ? "1" : "3");
        SuperficieImpressora impressora(impressora_pdf);
        Metricas metricas = metricas_fixas(11906, 16838);
        PedidoImpressao pedido;
        pedido.arquivo_saida = pasta.filePath(QStringLiteral("fios.pdf"));
        QFile::remove(pedido.arquivo_saida);
        Observador observador;
        fins[i] = imprimir_relatorio({doc, metricas, impressora}, pedido, observador).fim;
        QFile f(pedido.arquivo_saida);
        if (f.open(QIODevice::ReadOnly))
            pdfs[i] = QString::fromLatin1(f.readAll()).remove(data).remove(id).toLatin1();
    }
    qunsetenv("PAPELADA_FIOS");
    if (fins[0] != fins[1] || pdfs[0] != pdfs[1])
        __builtin_trap();
}

void indexar(const QByteArray& dados)
{
    FonteBytes fonte;
    fonte.usar_memoria(dados);
    fonte.incluir_ultimo_byte(true);
    const Metricas metricas = metricas_fixas(11906, 16838);
    IndicePaginas indice;
    Observador observador;
    const SuperficieImagem impressora(11906, 16838);
    examinar(fonte, metricas, impressora, Papel{}, indice, observador);
    if (indice.total_paginas < 1 || indice.marcos.empty() || indice.marcos[0].posicao != 1)
        __builtin_trap();
}

// Every page of the input on a small page image.
void visualizar_paginas(const QByteArray& dados)
{
    Documento doc;
    doc.nome_arquivo = como_arquivo(dados);
    doc.tamanho_arquivo = dados.size();
    Metricas metricas = metricas_fixas(4800, 4800);
    IndicePaginas indice;
    Observador observador;
    SuperficieImagem pagina(4800, 4800);
    if (!examinar(doc, metricas, pagina, Papel{}, indice, observador))
        return;
    EstadoVisualizacao vis;
    Corrida corrida;
    for (std::int32_t p = 1; p <= std::min<std::int32_t>(indice.total_paginas, 8); ++p) {
        vis.pagina_atual = p;
        visualizar(doc, indice, vis, metricas, corrida, pagina, observador);
    }
}

// The copy goes into a folder of its own, removed with everything in it when
// the program ends.
void copiar_texto(const QByteArray& dados)
{
    static QTemporaryDir pasta;
    if (!pasta.isValid())
        return;
    Observador observador;
    copiartexto(como_arquivo(dados), pasta.filePath(QStringLiteral("copia.txt")), observador);
}

// Each input is a report of its own: the picture and font-name budgets
// start whole, so that what an input does never depends on the ones before.
std::vector<Alvo> um_trabalho_cada(std::vector<Alvo> lista)
{
    for (Alvo& a : lista)
        a.executar = [f = std::move(a.executar)](const QByteArray& dados) {
            iniciar_orcamento_imagens();
            f(dados);
        };
    return lista;
}

} // namespace

const std::vector<Alvo>& alvos()
{
    static const std::vector<Alvo> lista = um_trabalho_cada({
        {"leitor", ler_tudo},
        {"medicao", medir},
        {"impressao", imprimir},
        {"pdf", imprimir_pdf},
        {"fios", imprimir_em_fios},
        {"indice", indexar},
        {"visualizacao", visualizar_paginas},
        {"copia", copiar_texto},
    });
    return lista;
}

} // namespace papelada::fuzz
