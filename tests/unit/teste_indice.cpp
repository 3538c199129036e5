// The page index: where pages begin, read as one stream across blocks.
#include "analysis/indice.h"
#include "comum/apoio.h"
#include "comum/comparacao.h"
#include "comum/gravador.h"
#include "comum/superficie_gravacao.h"

#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

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
// The printer of those pages.
const SuperficieGravacao folha(300, 2400, 1200);


// Every page's start, as the index finds them again from its first page.
std::vector<InicioPagina> todas(FonteBytes& f, const IndicePaginas& indice)
{
    std::vector<InicioPagina> r;
    percorrer_paginas(f, indice, 1, [&](std::int32_t p, const InicioPagina& inicio) {
        EXPECT_EQ(p, static_cast<std::int32_t>(r.size()) + 1);
        r.push_back(inicio);
        return true;
    });
    EXPECT_EQ(indice.total_paginas, static_cast<std::int32_t>(r.size()));
    return r;
}

std::vector<qint64> posicoes(const std::vector<InicioPagina>& paginas)
{
    std::vector<qint64> r;
    for (const InicioPagina& p : paginas)
        r.push_back(p.posicao);
    return r;
}

std::vector<qint64> inicios(const QByteArray& dados)
{
    FonteBytes f;
    f.usar_memoria(dados);
    IndicePaginas indice;
    Observador nada;
    examinar(f, metricas_curtas(), folha, trator, indice, nada);
    return posicoes(todas(f, indice));
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
        // The last byte is never interpreted, and the page that the end of
        // the document begins right after a page end is not printed; every
        // other page begun is, blank or not.
        Caso{"paginas_vazias_no_fim", "AB\f\r\n\f\f.", {1, 4, 7}},
        Caso{"linha_fora_da_paleta_nao_desenha", "AB\f" + esc("L1,1,2,2,1,16,") + ".", {1}},
        Caso{"lf_no_fim_da_pagina", "1\n2\n3\n4\n5.", {1, 9}},
        Caso{"esc_d_esconde", esc("D") + QByteArray(34, '\f') + QByteArray(34, '\n') + "A\fB.", {1, 73}},
        Caso{"numero_engole_o_lf", esc("Y1\n") + "1\n2\n3\n4.", {1}},
        Caso{"esc_y_abaixo_da_pagina", "A" + esc("Y6,") + "B" + esc("Y7,") + "C.", {1, 11}},
        Caso{"esc_v_abaixo_da_pagina", "A" + esc("V5,") + "B" + esc("v1,") + "C.", {1, 11}},
        Caso{"esc_a_e_esc_7", esc("A2,") + "1\n2" + esc("7120,") + "\n3\n4\n5.", {1, 7, 19}},
        Caso{"linha_deixa_a_pena", esc("l0,0,0,1100,1,0,") + "A\nB.", {1, 20}},
        Caso{"barra_abaixo_da_pagina", "A" + esc("Z1,251,1,12,") + "B.", {1, 15}}),
    nome_do_caso);

TEST(Indice, MultiploExatoDoBlocoEProgresso)
{
    QByteArray d(2 * 8192, 'x');
    d[8191] = '\f';
    d[2 * 8192 - 1] = '\f';
    const QString arq = gravar(QStringLiteral("dois_blocos.spl"), d);
    Documento doc;
    doc.nome_arquivo = arq;
    doc.tamanho_arquivo = d.size();
    IndicePaginas indice;
    ObservadorGravador obs;
    ASSERT_TRUE(examinar(doc, metricas_curtas(), folha, trator, indice, obs));
    EXPECT_TRUE(doc.indice_valido);
    FonteBytes f;
    ASSERT_TRUE(f.abrir(arq));
    EXPECT_EQ(posicoes(todas(f, indice)), (std::vector<qint64>{1, 8193}));
    // The bar ends full, then emptied.
    ASSERT_GE(obs.fracoes.size(), 2);
    EXPECT_EQ(obs.fracoes.mid(obs.fracoes.size() - 2), (QList<double>{1.0, 0.0}));
    EXPECT_EQ(obs.so(QStringLiteral("quadro:")), (QStringList{"Analisando os dados a Imprimir:1",
                                                              "Analisando os dados a Imprimir:0"}));
}

TEST(Indice, ArquivoQueNaoAbre)
{
    Documento doc;
    doc.nome_arquivo = pasta_temporaria() + QStringLiteral("/nao_existe.spl");
    IndicePaginas indice;
    MarcoPagina marco;
    marco.posicao = 5;
    marco.pagina = 2;
    indice.marcos.assign(3, marco);
    indice.total_paginas = 3;
    Observador nada;
    QString erro;
    EXPECT_FALSE(examinar(doc, metricas_curtas(), folha, trator, indice, nada, &erro));
    EXPECT_FALSE(doc.indice_valido);
    EXPECT_EQ(indice.total_paginas, 1);
    ASSERT_EQ(indice.marcos.size(), 1u);
    EXPECT_EQ(indice.marcos[0].posicao, 1);
    EXPECT_FALSE(erro.isEmpty());
}

// A report of many pages whose line height, character width, page length,
// font and colour change from page to page, ended each in its own way (form
// feed, ESC "9", a move below the foot, a picture taller than the page),
// some with a small picture inside, one 2.5 MB long. Each page is looked up
// on its own, in no order, from the start the index kept before it, with
// the starts kept as usual and so few that the steps double: it begins where
// the report was written to begin it, with the state written before it, and
// is found again within a step of pages and of bytes.
TEST(Indice, PaginasAchadasDeNovoComoForamEscritas)
{
    const QString alta = gravar_figura(QStringLiteral("alta.png"), QSize(3, 200), Qt::red);
    const QString baixa = gravar_figura(QStringLiteral("baixa.png"), QSize(4, 2), Qt::blue);
    ASSERT_FALSE(alta.isEmpty());
    ASSERT_FALSE(baixa.isEmpty());
    const char* fontes[] = {"Arial", "Courier New", "Times"};
    constexpr int total = 300;

    QByteArray d;
    InicioPagina estado;
    estado.metricas = metricas_curtas();
    std::vector<InicioPagina> esperado{estado};
    const auto n = [](int v) { return QByteArray::number(v) + ','; };
    for (int k = 1; k < total; ++k) {
        d += "pagina " + QByteArray::number(k) + "\r\n";
        Metricas& m = estado.metricas;
        EstiloTexto& e = estado.estilo;
        if (k % 5 == 0)
            d += esc('G', baixa.toLatin1() + '\x1a');
        if (k == 100)
            d += QByteArray(5 << 19, 'x');
        if (k % 3 == 0) {
            m.altura_linha = static_cast<std::int16_t>(200 + 10 * (k % 11));
            d += esc('7', n(m.altura_linha));
        }
        if (k % 7 == 0) {
            m.largura_caracter = static_cast<std::int16_t>(100 + k % 13);
            d += esc('8', n(m.largura_caracter));
        }
        if (k % 5 == 1) {
            m.altura_folha = (4 + k % 3) * m.altura_linha;
            d += esc('A', n(4 + k % 3));
        }
        if (k % 4 == 1) {
            e.fonte = QString::fromLatin1(fontes[k % 3]);
            d += esc('1', QByteArray(fontes[k % 3]) + '\x1a');
        }
        if (k % 6 == 2) {
            e.negrito = (k / 6) % 2;
            d += esc(e.negrito ? "2" : "3");
        }
        if (k % 9 == 4) {
            e.italico = (k / 9) % 2;
            d += esc(e.italico ? "4" : "5");
        }
        if (k % 8 == 3) {
            e.tamanho = 8 + k % 5;
            d += esc('6', n(8 + k % 5)) + esc('6', n(0)); // a size 0 is no size
        }
        if (k % 10 == 4) {
            e.cor = static_cast<std::int8_t>(k % 16);
            d += esc('C', n(k % 16)) + esc('C', n(20)); // nor is a colour outside the palette
        }
        switch (k % 4) {
        case 0: d += '\f'; break;
        case 1: d += esc("9"); break;
        case 2: d += esc('Y', n(999)); break;
        default: d += esc('G', alta.toLatin1() + '\x1a'); break;
        }
        estado.posicao = d.size() + 1;
        esperado.push_back(estado);
    }
    d += "fim\n.";

    for (const std::int32_t maximo : {8192, 3}) {
        SCOPED_TRACE(maximo);
        FonteBytes f;
        f.usar_memoria(d);
        IndicePaginas indice;
        indice.maximo_marcos = maximo;
        Observador nada;
        examinar(f, metricas_curtas(), folha, trator, indice, nada);
        ASSERT_EQ(indice.total_paginas, total);
        EXPECT_LE(indice.marcos.size(), static_cast<size_t>(maximo));
        EXPECT_EQ(indice.passo, maximo == 3 ? 128 : 64);

        const std::vector<InicioPagina> seguidas = todas(f, indice);
        ASSERT_EQ(seguidas.size(), esperado.size());
        std::vector<std::int32_t> ordem(total);
        std::iota(ordem.begin(), ordem.end(), 1);
        std::shuffle(ordem.begin(), ordem.end(), std::mt19937(7));
        for (const std::int32_t p : ordem) {
            const auto& e = esperado[static_cast<size_t>(p - 1)];
            EXPECT_EQ(seguidas[static_cast<size_t>(p - 1)], e) << "página " << p;
            qint64 seguinte = -1;
            EXPECT_EQ(inicio_da_pagina(f, indice, p, &seguinte), e) << "página " << p;
            EXPECT_EQ(seguinte, p < total ? esperado[static_cast<size_t>(p)].posicao : 0) << "página " << p;
            const MarcoPagina& m = *std::prev(std::upper_bound(
                indice.marcos.begin(), indice.marcos.end(), p,
                [](std::int32_t q, const MarcoPagina& marco) { return q < marco.pagina; }));
            EXPECT_LT(p - m.pagina, indice.passo) << "página " << p;
            if (p > m.pagina) {
                EXPECT_LT(esperado[static_cast<size_t>(p - 2)].posicao - m.posicao, indice.bytes_passo)
                    << "página " << p;
            }
            // The first byte of a page, and the byte before it.
            EXPECT_EQ(pagina_da_posicao(f, indice, e.posicao), p);
            EXPECT_EQ(pagina_da_posicao(f, indice, e.posicao - 1), std::max(1, p - 1));
        }
    }
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

TEST(Indice, FiguraQueNaoSeLeNaoOcupaLugar)
{
    // A picture the print pass cannot decode is skipped there, header sound
    // or not, so the pages found without printing must skip it too. A sound
    // picture 200 pixels high (3000 twips) ends the page on its own.
    const QString boa = gravar_figura(QStringLiteral("boa.png"), QSize(3, 200), Qt::red);
    ASSERT_FALSE(boa.isEmpty());
    QFile f(boa);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray png = f.readAll();
    const QString so_cabecalho = gravar(QStringLiteral("so_cabecalho.png"), png.left(40));
    const QString pixels_estragados = gravar(QStringLiteral("estragada.png"), png.left(png.size() - 30));
    const auto com = [](const QString& caminho) {
        return "A" + esc('G', caminho.toLatin1() + '\x1a') + "\nB\nC.";
    };
    const std::vector<qint64> sem_figura = inicios(com(QStringLiteral("/nao/existe.png")));
    EXPECT_EQ(sem_figura, std::vector<qint64>{1});
    EXPECT_NE(inicios(com(boa)), sem_figura);
    EXPECT_EQ(inicios(com(so_cabecalho)), sem_figura);
    EXPECT_EQ(inicios(com(pixels_estragados)), sem_figura);
}
