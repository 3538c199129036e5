// The page index: where pages begin, read as one stream across blocks.
#include "analysis/indice.h"
#include "stream/modelo_pagina.h"
#include "comum/apoio.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

// Lines of 240 twips on a page of 1200, on tractor paper (no top offset):
// the fourth line feed ends a page.
Metricas metricas_curtas()
{
    Metricas m;
    m.altura_linha = m.altura_linha_padrao = 240;
    m.largura_caracter = m.largura_caracter_padrao = 120;
    m.altura_folha = 1200;
    m.largura_folha = 2400;
    return m;
}
const Papel trator{true, 0};

struct Contador : Observador {
    int progressos = 0, eventos = 0;
    QStringList quadros;
    QList<double> fracoes;
    void quadro(const QString& t, bool v) override { quadros << t + (v ? "+" : "-"); }
    void progresso(double f) override
    {
        ++progressos;
        fracoes << f;
    }
    void processar_eventos() override { ++eventos; }
};

std::vector<qint64> inicios(const QByteArray& dados, const Papel& papel = trator)
{
    FonteBytes f;
    f.usar_memoria(dados);
    IndicePaginas indice;
    Observador nada;
    examinar(f, metricas_curtas(), papel, indice, nada);
    EXPECT_EQ(indice.total_paginas, static_cast<std::int32_t>(indice.inicio_pagina.size()));
    EXPECT_EQ(indice.metricas_pagina.size(), indice.inicio_pagina.size());
    return indice.inicio_pagina;
}

// The same pages found item by item, without the scan's shortcuts.
std::vector<qint64> referencia(const QByteArray& d)
{
    FonteBytes f;
    f.usar_memoria(d);
    Metricas m = metricas_curtas();
    ModeloPagina modelo(m, trator);
    modelo.nova_pagina();
    Leitor leitor(f);
    std::vector<qint64> r{1};
    size_t desenhadas = 0;
    Item it;
    while (leitor.proximo(it)) {
        if ((it.tipo == Item::Tipo::Caractere)
            || (it.tipo == Item::Tipo::Comando && it.completo
                && (it.byte == 'Z' || (QByteArray("LlBb").contains(static_cast<char>(it.byte)) && it.numeros[5] <= 15))))
            desenhadas = r.size();
        if (modelo.aplicar(it))
            r.push_back(f.posicao() + 1);
    }
    r.resize(std::max<size_t>(1, desenhadas));
    return r;
}

struct Caso {
    const char* nome;
    QByteArray dados;
    std::vector<qint64> esperado;
};
void PrintTo(const Caso& c, std::ostream* os) { *os << c.nome; }

class Regras : public ::testing::TestWithParam<Caso> {};

TEST_P(Regras, InicioDasPaginas) { EXPECT_EQ(inicios(GetParam().dados), GetParam().esperado); }

INSTANTIATE_TEST_SUITE_P(
    Indice, Regras,
    ::testing::Values(
        Caso{"vazio", "", {1}},
        Caso{"ff", "AB\fCD", {1, 4}},
        // The last byte is never interpreted, and a last page with nothing
        // drawn on it is never printed; a blank page in between is.
        Caso{"ff_no_penultimo_byte", "AB\f.", {1}},
        Caso{"paginas_vazias_no_fim", "AB\f\r\n\f\f.", {1}},
        Caso{"pagina_vazia_no_meio", "AB\f\fC.", {1, 4, 5}},
        Caso{"linha_fora_da_paleta_nao_desenha", "AB\f" + esc("L1,1,2,2,1,16,") + ".", {1}},
        Caso{"lf_no_fim_da_pagina", "1\n2\n3\n4\n5.", {1, 9}},
        Caso{"esc_9", "A" + esc("9") + "B.", {1, 4}},
        Caso{"esc_d_esconde", esc("D") + QByteArray(34, '\f') + QByteArray(34, '\n') + "A\fB.", {1, 73}},
        Caso{"numero_engole_o_lf", esc("Y1\n") + "1\n2\n3\n4.", {1}},
        Caso{"esc_y_abaixo_da_pagina", "A" + esc("Y6,") + "B" + esc("Y7,") + "C.", {1, 11}},
        Caso{"esc_v_abaixo_da_pagina", "A" + esc("V5,") + "B" + esc("v1,") + "C.", {1, 11}},
        Caso{"esc_a_e_esc_7", esc("A2,") + "1\n2" + esc("7120,") + "\n3\n4\n5.", {1, 7, 19}},
        Caso{"linha_deixa_a_pena", esc("l0,0,0,1100,1,0,") + "A\nB.", {1, 20}},
        Caso{"barra_abaixo_da_pagina", "A" + esc("Z1,251,1,12,") + "B.", {1, 15}}),
    nome_do_caso);

TEST(Indice, TopoEMargemSuperior)
{
    const QByteArray d = "1\n2\n3\n4\n5.";
    // Two lines of top offset: the second line feed ends the page.
    EXPECT_EQ(inicios(d, Papel{false, 0}), (std::vector<qint64>{1, 5, 9}));
    // A top margin raises the page's foot by as much.
    EXPECT_EQ(inicios(d, Papel{true, 480}), (std::vector<qint64>{1, 5, 9}));
}

TEST(Indice, IgualItemAItemEmDadosAleatorios)
{
    // Dense control bytes and commands, so that escapes, parameters, records
    // and page ends fall on every kind of block boundary.
    const char* pedacos[] = {"\n", "\f", "\x1b", "9", "D", "F", "Y", "V", "A", "7", "y", "3", "12",
                             ",", "a", "\r", "x"};
    QRandomGenerator rng(4242);
    for (int rodada = 0; rodada < 20; ++rodada) {
        QByteArray d;
        const int n = 3 * 8192 + rng.bounded(8192);
        while (d.size() < n)
            d += pedacos[rng.bounded(static_cast<int>(std::size(pedacos)))];
        ASSERT_EQ(inicios(d), referencia(d)) << "rodada " << rodada;
    }
}

TEST(Indice, MultiploExatoDoBlocoEProgressoPorBloco)
{
    QByteArray d(2 * 8192, 'x');
    d[8191] = '\f';
    d[2 * 8192 - 1] = '\f';
    const QString arq = gravar(QStringLiteral("dois_blocos.spl"), d);
    Documento doc;
    doc.nome_arquivo = arq;
    doc.tamanho_arquivo = d.size();
    IndicePaginas indice;
    Contador obs;
    ASSERT_TRUE(examinar(doc, metricas_curtas(), trator, indice, obs));
    EXPECT_TRUE(doc.indice_valido);
    EXPECT_EQ(indice.inicio_pagina, (std::vector<qint64>{1, 8193}));
    EXPECT_EQ(indice.total_paginas, 2);
    // One report a block (the last byte is not read), the full bar, then
    // the bar emptied.
    EXPECT_EQ(obs.fracoes, (QList<double>{0.5, 1.0, 0.0}));
    EXPECT_EQ(obs.eventos, 2);
    EXPECT_EQ(obs.quadros, (QStringList{"Analisando os dados a Imprimir+",
                                        "Analisando os dados a Imprimir-"}));
}

TEST(Indice, ArquivoQueNaoAbre)
{
    Documento doc;
    doc.nome_arquivo = pasta_temporaria() + QStringLiteral("/nao_existe.spl");
    IndicePaginas indice;
    indice.inicio_pagina = {1, 5, 9};
    indice.total_paginas = 3;
    Observador nada;
    QString erro;
    EXPECT_FALSE(examinar(doc, metricas_curtas(), trator, indice, nada, &erro));
    EXPECT_FALSE(doc.indice_valido);
    EXPECT_EQ(indice.total_paginas, 1);
    EXPECT_EQ(indice.inicio_pagina, std::vector<qint64>{1});
    EXPECT_FALSE(erro.isEmpty());
}

TEST(Indice, ComandoPaginas)
{
    const QString arq = gravar(QStringLiteral("cli_paginas.spl"), "A\fB" + esc("9") + "C\fD");
    const Resultado r = executar(cli(), {QStringLiteral("paginas"), arq, QStringLiteral("--pdf")});
    EXPECT_EQ(r.codigo, 0) << r.erros.toStdString();
    EXPECT_EQ(r.saida, QStringLiteral("1\n3\n6\n"));
    EXPECT_EQ(executar(cli(), {QStringLiteral("paginas"), arq + "x", QStringLiteral("--pdf")}).codigo, 2);
    EXPECT_EQ(executar(cli(), {QStringLiteral("paginas")}).codigo, 1);
}

} // namespace
