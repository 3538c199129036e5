#include "alvos.h"

#include "stream/leitor.h"

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

} // namespace

const std::vector<Alvo>& alvos()
{
    static const std::vector<Alvo> lista = {
        {"leitor", ler_tudo},
    };
    return lista;
}

} // namespace papelada::fuzz
