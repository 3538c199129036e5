// The print interpreter on the recording surface: runs and their fields, the
// right edge, positioning, page ends of each kind, selected pages, progress,
// interruption, images and the pen after a barcode.
#include "comum/apoio.h"
#include "comum/casos.h"
#include "comum/comparacao.h"
#include "comum/gravador.h"
#include "analysis/indice.h"
#include "print/interpretador.h"

#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

// One pass over `bytes`, prepared as the print job prepares it: the pen at
// the top offset.
struct Passe : ImpressoraGravada {
    Corrida corrida;
    bool selecionar = false;
    Passagem passagem{selecionar};

    // "Selecionar páginas" with pages `primeira` to `ultima`.
    void selecionar_paginas(double primeira, double ultima)
    {
        selecionar = true;
        passagem.primeira_pagina = primeira;
        passagem.ultima_pagina = ultima;
    }

    // From the first byte, or as a range print begins: from the start of
    // page `retomar_em` that the page list keeps.
    QString rodar(const QByteArray& bytes, std::int32_t retomar_em = 1)
    {
        sup.setCurrentX(0);
        sup.setCurrentY(sup.paperBin() == bandeja_trator ? 0 : 2 * m.altura_linha);
        FonteBytes fonte;
        fonte.usar_memoria(bytes);
        std::optional<InicioPagina> inicio;
        if (retomar_em > 1 && (inicio = achar_pagina(fonte, m, sup, retomar_em, obs, passagem.imagens_com_erro)))
            fonte.posicionar(inicio->posicao);
        passagem.retomar = inicio ? &*inicio : nullptr;
        imprimir_passagem(fonte, doc, m, corrida, sup, passagem, obs);
        passagem.retomar = nullptr;
        return resumo(sup.registro);
    }
};

TEST(Interpretador, CasosDoArquivo)
{
    // FIGURA stands for a red picture of 10 x 4 pixels.
    const QByteArray png = gravar_figura(QStringLiteral("figura.png"), {10, 4}, Qt::red).toLocal8Bit();
    const auto desenho = [&png](QByteArray bytes) {
        Passe p;
        QStringList r{p.rodar(bytes.replace("FIGURA", png))};
        if (!p.obs.log.isEmpty())
            r << p.obs.log.join(u' ');
        if (!(p.m == ImpressoraGravada().m) || p.sup.height() != 16838)
            r << QStringLiteral("medidas linha %1 coluna %2 folha %3 papel %4")
                     .arg(p.m.altura_linha).arg(p.m.largura_caracter).arg(p.m.altura_folha).arg(p.sup.height());
        return r.join(u'\n');
    };
    for (const CasoArquivo& c : conferir_casos(QStringLiteral("interpretador.casos"), desenho))
        EXPECT_EQ(c.obtido, c.esperado) << c.nome.toStdString();
}

TEST(Interpretador, SoAsPaginasSelecionadas)
{
    // Empty page fields are 0: no page at all.
    const std::tuple<double, double, const char*> casos[] = {
        {2, 3, "P2@0,480 | NP | P3@0,480 | NP"}, {3, 2, ""}, {0, 0, ""}, {5, 9, "P5@0,480 | NP"}, {7, 9, ""}};
    for (const auto& [primeira, ultima, esperado] : casos) {
        Passe p;
        p.selecionar_paginas(primeira, ultima);
        EXPECT_EQ(p.rodar("P1\fP2\fP3\fP4\fP5\f."), QString::fromLatin1(esperado)) << primeira << "-" << ultima;
        if (primeira != 2)
            continue;
        // Page 1 is read through, pages 2 and 3 are drawn, 4 and 5 are never read.
        EXPECT_EQ(p.obs.log.join(u' '), QStringLiteral("acao:Examinando a Página acao:Imprimindo a Página pagina:2 "
                                                        "acao:Imprimindo a Página acao:Imprimindo a Página pagina:3 "
                                                        "acao:Imprimindo a Página"));
        EXPECT_EQ(p.passagem.pagina, 4);
        EXPECT_EQ(p.sup.currentX(), 0);
        EXPECT_EQ(p.sup.currentY(), 0);
    }
}

TEST(Interpretador, OModoELidoACadaVez)
{
    // Switching to "Selecionar páginas" in the middle of a pass takes effect
    // at once: the rest of page 1 is out of the range, and its page end
    // begins no new page.
    Passe p;
    p.passagem.primeira_pagina = 5;
    p.passagem.ultima_pagina = 9;
    p.obs.ao_processar = [&] { p.selecionar = true; };
    EXPECT_EQ(p.rodar(QByteArray(128, 'a') + "\nb\fc\fd\f."), QString(QByteArray(128, 'a')) + QStringLiteral("@0,480"));
}

TEST(Interpretador, TopoZeroNoTrator)
{
    Passe p;
    p.sup.setPaperBin(bandeja_trator);
    EXPECT_EQ(p.rodar("A\fB\n" + esc("Y1;C\nZ")), QStringLiteral("A@0,0 | NP | B@0,0 | C@0,0"));
}

TEST(Interpretador, ProgressoACada128Bytes)
{
    Passe p;
    p.rodar(QByteArray(300, 'a') + "\nZ");
    EXPECT_EQ(p.obs.progressos, 2);
    EXPECT_EQ(p.obs.eventos, 2);
    // Escape commands and control bytes at a multiple of 128 do not count.
    Passe q;
    q.rodar(QByteArray(127, '\n') + esc("7100;") + QByteArray(200, '\r') + "Z");
    EXPECT_EQ(q.obs.progressos, 0);
}

TEST(Interpretador, InterrupcaoParaNoByteSeguinte)
{
    Passe p;
    p.obs.ao_processar = [&] { p.doc.interromper = 1; };
    // The run collected so far is drawn; nothing after the 128th byte.
    EXPECT_EQ(p.rodar(QByteArray(130, 'a') + "\nB\fC\nZ"), QString(QByteArray(128, 'a')) + QStringLiteral("@0,480"));
}

// The drawing calls of each page of a recording; a page ends with its
// NewPage.
QList<QStringList> por_pagina(const QStringList& registro)
{
    QList<QStringList> paginas(1);
    for (const QString& linha : registro) {
        paginas.back() << linha;
        if (linha == QLatin1String("NewPage"))
            paginas.append(QStringList{});
    }
    return paginas;
}

TEST(Interpretador, IntervalosComoAImpressaoInteira)
{
    const QByteArray png = gravar_figura(QStringLiteral("intervalo.png"), {20, 30}, Qt::blue).toLocal8Bit();
    const auto intervalos = [&png](QByteArray bytes) {
        bytes.replace("FIGURA", png);
        Passe inteira;
        inteira.rodar(bytes);
        const QList<QStringList> paginas = por_pagina(inteira.sup.registro);
        QStringList r{QStringLiteral("%1 páginas").arg(paginas.size())};
        for (qsizetype k = 1; k <= paginas.size(); ++k) {
            Passe ate_o_fim, so_uma, do_inicio_guardado;
            ate_o_fim.selecionar_paginas(static_cast<double>(k), 1e9);
            so_uma.selecionar_paginas(static_cast<double>(k), static_cast<double>(k));
            do_inicio_guardado.selecionar_paginas(static_cast<double>(k), 1e9);
            ate_o_fim.rodar(bytes);
            so_uma.rodar(bytes);
            do_inicio_guardado.rodar(bytes, static_cast<std::int32_t>(k));
            QStringList daqui;
            for (qsizetype j = k - 1; j < paginas.size(); ++j)
                daqui += paginas[j];
            if (ate_o_fim.sup.registro != daqui || ate_o_fim.sup.drawWidth() != inteira.sup.drawWidth())
                r << QStringLiteral("página %1 até o fim").arg(k);
            if (do_inicio_guardado.sup.registro != daqui)
                r << QStringLiteral("página %1 do início guardado").arg(k);
            if (so_uma.sup.registro != paginas[k - 1])
                r << QStringLiteral("página %1 sozinha").arg(k);
        }
        return r.join(u'\n');
    };
    for (const CasoArquivo& c : conferir_casos(QStringLiteral("intervalos.casos"), intervalos))
        EXPECT_EQ(c.obtido, c.esperado) << c.nome.toStdString();
}

TEST(Interpretador, CorridaSemCampoEmPartes)
{
    // A line of megabytes is drawn in parts that continue one another; the
    // characters that arrive once the pen is past the edge are dropped.
    Passe p;
    p.rodar(QByteArray(3 * 1024 * 1024, 'x') + "\nA\nZ");
    ASSERT_EQ(p.sup.registro.size(), 2);
    EXPECT_TRUE(p.sup.registro[0].startsWith(QStringLiteral("Print \"xxxx")));
    EXPECT_EQ(p.sup.registro[0].count(u'x'), 64 * 1024);
    EXPECT_TRUE(p.sup.registro[1].startsWith(QStringLiteral("Print \"A\" 0,720")));
}

} // namespace
