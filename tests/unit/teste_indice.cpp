// The page index: where pages begin, read as one stream across blocks.
#include "analysis/indice.h"
#include "comum/apoio.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

// Five lines of 240 twips fill a page of 1200: the fifth line feed ends it.
Metricas metricas_curtas()
{
    Metricas m;
    m.altura_linha = 240;
    m.altura_folha = 1200;
    return m;
}

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

std::vector<qint64> inicios(const QByteArray& dados, Metricas m = metricas_curtas())
{
    FonteBytes f;
    f.usar_memoria(dados);
    IndicePaginas indice;
    Observador nada;
    examinar(f, m, indice, nada);
    EXPECT_EQ(indice.total_paginas, static_cast<std::int32_t>(indice.inicio_pagina.size()));
    return indice.inicio_pagina;
}

// The rules written byte by byte, with the escape command and the skips of
// ESC "D" and "F" carried on wherever they fall.
std::vector<qint64> referencia(const QByteArray& d, const Metricas& m)
{
    std::vector<qint64> r{1};
    std::int64_t altura = 0;
    const qint64 n = d.size();
    for (qint64 i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(d[i]);
        if (c == 10) {
            const std::int64_t h = altura + m.altura_linha;
            if (h > m.altura_folha - m.altura_linha) {
                r.push_back(i + 2);
                altura = 0;
            } else {
                altura = h;
            }
        } else if (c == 12) {
            r.push_back(i + 2);
            altura = 0;
        } else if (c == 27) {
            if (++i >= n)
                break;
            const unsigned char k = static_cast<unsigned char>(d[i]);
            if (k == '9') {
                r.push_back(i + 2);
                altura = 0;
            } else if (k == 'D') {
                i += 68;
            } else if (k == 'F') {
                i += 54;
            }
        }
    }
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
        Caso{"sem_quebra", "ABC", {1}},
        Caso{"termina_em_ff", "AB\f", {1, 4}},
        Caso{"ff_no_meio", "AB\fCD", {1, 4}},
        Caso{"lf_no_limite_nao_quebra", "1\n2\n3\n4\n5", {1}},
        Caso{"lf_alem_do_limite", "1\n2\n3\n4\n5\n6", {1, 11}},
        Caso{"ff_zera_altura", "1\n2\n\f3\n4\n5\n6\n7\n8", {1, 6, 16}},
        Caso{"esc_9", "A" + esc("9") + "B", {1, 4}},
        Caso{"esc_d_esconde", esc("D") + QByteArray(34, '\f') + QByteArray(34, '\n') + "A\fB", {1, 73}},
        Caso{"esc_f_esconde", esc("F") + QByteArray(54, '\f') + "\fB", {1, 58}},
        Caso{"esc_seguido_de_ff", esc("\f") + "A", {1}},
        Caso{"esc_no_fim", "A\x1b", {1}},
        Caso{"registro_cortado_pelo_fim", esc("D\f\f\f"), {1}},
        Caso{"parametros_passam", esc("Y3\f") + "A", {1, 5}}),
    nome_do_caso);

TEST(Indice, EscapeNoFimDeUmBlocoUsaOProximoBloco)
{
    // ESC as the block's last byte and "9" as the next block's first.
    QByteArray d(8191, 'x');
    d += esc("9") + "yy";
    EXPECT_EQ(inicios(d), (std::vector<qint64>{1, 8194}));
    // The same with ESC "D": its record hides a form feed in the next block.
    QByteArray r(8191, 'x');
    r += esc("D") + QByteArray(10, '\f') + QByteArray(58, 'x') + "\fz";
    EXPECT_EQ(inicios(r), (std::vector<qint64>{1, 8263}));
}

TEST(Indice, RegistroAtravessaOFimDoBloco)
{
    for (int antes : {8150, 8170, 8189, 8190}) {
        QByteArray d(antes, 'x');
        d += esc("F") + QByteArray(54, '\n') + "\fA";
        const qint64 ff = antes + 2 + 54 + 1;
        EXPECT_EQ(inicios(d), (std::vector<qint64>{1, ff + 1})) << antes;
    }
}

TEST(Indice, IgualAoByteAByteEmDadosAleatorios)
{
    // Dense control bytes so that escapes, records and page ends fall on
    // every kind of block boundary.
    const char alfabeto[] = {'\n', '\f', '\x1b', '9', 'D', 'F', 'a', 'b', '\r', 'x'};
    QRandomGenerator rng(4242);
    const Metricas m = metricas_curtas();
    for (int rodada = 0; rodada < 20; ++rodada) {
        QByteArray d(3 * 8192 + rng.bounded(8192), 'a');
        for (char& c : d)
            c = alfabeto[rng.bounded(static_cast<int>(sizeof alfabeto))];
        ASSERT_EQ(inicios(d, m), referencia(d, m)) << "rodada " << rodada;
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
    ASSERT_TRUE(examinar(doc, metricas_curtas(), indice, obs));
    EXPECT_TRUE(doc.indice_valido);
    EXPECT_EQ(indice.inicio_pagina, (std::vector<qint64>{1, 8193, 16385}));
    EXPECT_EQ(indice.total_paginas, 3);
    // One report a block, the full bar, then the bar emptied.
    EXPECT_EQ(obs.fracoes, (QList<double>{0.5, 1.0, 1.0, 0.0}));
    EXPECT_EQ(obs.eventos, 3);
    EXPECT_EQ(obs.quadros, (QStringList{"Analisando os dados a Imprimir+",
                                        "Analisando os dados a Imprimir-"}));
}

TEST(Indice, CemMilPaginas)
{
    QByteArray d;
    for (int i = 0; i < 100000; ++i)
        d += "linha\f";
    d += "fim";
    const auto v = inicios(d);
    ASSERT_EQ(v.size(), 100001u);
    EXPECT_EQ(v[100000], 600001);
    EXPECT_EQ(v[521], 521 * 6 + 1);
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
    EXPECT_FALSE(examinar(doc, metricas_curtas(), indice, nada, &erro));
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
    EXPECT_EQ(r.saida, QStringLiteral("1\n3\n6\n8\n"));
    EXPECT_EQ(executar(cli(), {QStringLiteral("paginas"), arq + "x", QStringLiteral("--pdf")}).codigo, 2);
    EXPECT_EQ(executar(cli(), {QStringLiteral("paginas")}).codigo, 1);
}

} // namespace
