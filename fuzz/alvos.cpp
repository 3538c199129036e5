#include "alvos.h"

#include "analysis/medicao.h"
#include "stream/leitor.h"
#include "stream/superficie_gravacao.h"

#include <QTemporaryFile>

namespace papelada::fuzz {

namespace {

// Every item of every consumer's table, to the end.
void ler_tudo(const QByteArray& dados)
{
    for (const TabelaFormas* formas :
         {&formas_linguagem(), &formas_medicao(), &formas_indice(), &formas_copia_texto()}) {
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

} // namespace

const std::vector<Alvo>& alvos()
{
    static const std::vector<Alvo> lista = {
        {"leitor", ler_tudo},
        {"medicao", medir},
    };
    return lista;
}

} // namespace papelada::fuzz
