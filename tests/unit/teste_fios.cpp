// A print on several threads: the PDF comes out byte for byte as on one,
// whatever the pages hold.
#include "comum/apoio.h"
#include "print/gravacao.h"
#include "stream/superficie.h"
#include <QBuffer>
#include <QImage>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

// The PDF papelada-cli writes for `spl` on `fios` threads ("": the default,
// one drawing thread and the others compressing), and what it told on the
// terminal after it; empty on failure.
QByteArray imprimir(const QString& spl, const QStringList& opcoes, const char* fios)
{
    *fios ? qputenv("PAPELADA_FIOS", fios) : qunsetenv("PAPELADA_FIOS");
    qputenv("SOURCE_DATE_EPOCH", "1");
    const QString pdf = spl + QStringLiteral(".") + QLatin1String(fios) + QStringLiteral(".pdf");
    const Resultado r = executar(cli(), QStringList{QStringLiteral("imprimir"), spl, QStringLiteral("--pdf"), pdf,
                                                    QStringLiteral("--margens"), QStringLiteral("10,10")}
                                            + opcoes);
    qunsetenv("PAPELADA_FIOS");
    qunsetenv("SOURCE_DATE_EPOCH");
    // 4: printed without a picture that some reports name and do not have.
    EXPECT_TRUE(r.codigo == 0 || r.codigo == 4) << r.erros.toStdString();
    // The decoder's own complaints come as its threads run.
    const QStringList linhas = r.erros.split(u'\n').filter(QRegularExpression(QStringLiteral("^(?!libpng)")));
    return ler(pdf) + linhas.join(u'\n').toUtf8() + QByteArray::number(r.codigo);
}

// A picture file with an alpha channel that fades across it.
QString figura_translucida(const QString& nome)
{
    QImage figura(40, 30, QImage::Format_ARGB32);
    for (int y = 0; y < figura.height(); ++y)
        for (int x = 0; x < figura.width(); ++x)
            figura.setPixelColor(x, y, QColor(x * 6, y * 8, 90, 255 - x * 5));
    const QString caminho = pasta_temporaria() + u'/' + nome;
    return figura.save(caminho, "PNG") ? caminho : QString();
}

// Page `p` of a report of everything a page can hold, different on each page.
QByteArray pagina_variada(int p, const QByteArray& figuras)
{
    QByteArray s;
    const char* faces[] = {"DejaVu Sans", "Liberation Serif", "Courier New", "DejaVu Sans Mono"};
    s += esc("1") + faces[p % 4] + "\n" + esc("6") + QByteArray::number(8 + p % 5) + ";";
    s += p % 2 ? esc("2") : esc("3");
    s += p % 3 ? esc("5") : esc("4");
    s += esc("C") + QByteArray::number(p % 16) + ";";
    for (int l = 0; l < 12; ++l)
        s += "Pagina " + QByteArray::number(p) + " linha " + QByteArray::number(l) + " a\xe7\xe3o \xe9 " +
             QByteArray(20 + (p * 7 + l) % 30, char('A' + (p + l) % 26)) + "\n";
    s += esc("l100,200,5000,") + QByteArray::number(200 + p * 10) + ",3,4,";
    s += esc("b300,300,2000,1500,1,2,");
    s += esc("G") + figuras.split('|').value(p % 3) + "\n";
    s += esc("Z") + QByteArray::number(1 + p % 4) + ",80,2," + QByteArray::number(5901234123457LL + p) + ",";
    // Now and then a message, a picture that is not there, a longer page,
    // blank pages, text the platform shapes with other faces (a bold the
    // family lacks, symbols without letters).
    if (p % 5 == 0)
        s += esc("0") + "Mensagem da pagina " + QByteArray::number(p) + "\n" + esc("Gnao_existe.png\n");
    if (p % 6 == 0)
        s += esc("A") + QByteArray::number(60 + p) + ";";
    if (p % 7 == 3)
        s += esc("1") + "DejaVu Math TeX Gyre\n" + esc("2") + "Negrito sem face ffi\n" + esc("1") +
             "D050000L\n" + "Simbolos \x80 fi\n";
    if (p % 9 == 0)
        s += "\f\f";
    // In Liberation Sans the no-break space is the space's glyph: on page 2
    // it takes that glyph's code first, so that the spaces of pages 12, 22
    // and 32, in the same font, have another code than on a page of their
    // own.
    if (p % 10 == 2)
        s += esc("1") + "Liberation Sans\n" + esc("6") + "30;" + esc("3") + esc("5") +
             (p == 2 ? "\xa0" "A B\n" : "A B\n");
    return s + "\f";
}

TEST(Fios, MesmoPdfQueNumFio)
{
    const QString vermelha = gravar_figura(QStringLiteral("fios_vermelha.png"), {30, 20}, Qt::red);
    const QString cinza = gravar_figura(QStringLiteral("fios_cinza.png"), {25, 25}, Qt::gray);
    const QString translucida = figura_translucida(QStringLiteral("fios_translucida.png"));
    ASSERT_FALSE(vermelha.isEmpty() || cinza.isEmpty() || translucida.isEmpty());
    const QByteArray figuras = (vermelha + u'|' + cinza + u'|' + translucida).toLocal8Bit();

    QByteArray variado;
    for (int p = 1; p <= 40; ++p)
        variado += pagina_variada(p, figuras);
    variado += "\x1a";
    QByteArray simples;
    for (int p = 1; p <= 300; ++p)
        simples += "Pagina " + QByteArray::number(p) + "\n" + QByteArray(60, char('a' + p % 26)) + "\f";
    simples += "\x1a";
    // PNGs whose rows do not match their checksum, one that a PDF could take
    // as it is and one it could not: drawn by no thread, each told once.
    QByteArray ruins;
    for (const QString& f : {vermelha, translucida}) {
        QByteArray b = ler(f);
        b[b.size() - 13] = char(b[b.size() - 13] ^ 1);
        ruins += esc("G") + gravar(QStringLiteral("fios_ruim%1.png").arg(ruins.size()), b).toLocal8Bit() + "\n";
    }

    const struct {
        const char* nome;
        QByteArray bytes;
        QStringList opcoes;
    } casos[] = {
        {"variado", variado, {}},
        {"variado_intervalo", variado, {QStringLiteral("--paginas"), QStringLiteral("7-23")}},
        {"variado_copias", variado, {QStringLiteral("--paginas"), QStringLiteral("24-40"), QStringLiteral("--copias"), QStringLiteral("3")}},
        {"simples", simples, {}},
        {"uma_pagina", "Uma linha\n\x1a", {}},
        {"png_corrompido", (esc("G") + figuras.split('|')[0] + "\n" + ruins + "\f").repeated(12), {}},
        // A font named "" on the way: a page start keeps that it was named.
        {"fonte_sem_nome", ler(dir_fonte() + QStringLiteral("/fuzz/corpus/fios/10f22e7eb9ca63ffde6b78fbe8e904d4b0e7d167")), {}},
    };
    for (const auto& c : casos) {
        const QString spl = gravar(QStringLiteral("fios_%1.spl").arg(QLatin1String(c.nome)), c.bytes);
        const QByteArray um = imprimir(spl, c.opcoes, "1");
        ASSERT_TRUE(um.startsWith("%PDF-")) << c.nome;
        for (const char* fios : {"2", "4", "8", ""})
            EXPECT_TRUE(imprimir(spl, c.opcoes, fios) == um) << c.nome << " em " << fios << " fios";
    }
}

// A PNG named by a page record and changed before the writer reads it goes
// in from its new pixels, never as rows that do not fit the size recorded.
TEST(Fios, FiguraQueMudaAntesDaEscrita)
{
    const QString figura = gravar_figura(QStringLiteral("fios_muda.png"), {30, 20}, Qt::red);
    GravacaoPaginas gravacao;
    gravacao.pagina({11906, 16838});
    ASSERT_TRUE(gravacao.imagem_png(figura, {30, 20}, QRectF(0, 0, 450, 300)));
    gravacao.nova_pagina();
    ASSERT_FALSE(gravar_figura(QStringLiteral("fios_muda.png"), {25, 25}, Qt::gray).isEmpty());
    struct : ImagensDoTrabalho {
        QStringList lidas;
        QImage decodificar(const QString& c) override { return lidas << c, carregar_imagem(c); }
        void falhou(const QString&, const QString&) override {}
    } imagens;
    GravacaoPagina& g = gravacao.paginas.front();
    pdf::Escritor previsor{pdf::Escritor::SoPrevisao{}};
    FontesCruas fontes;
    g.prever(previsor, fontes);
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    pdf::Escritor e(&b);
    e.iniciar_pagina(g.tamanho.width(), g.tamanho.height());
    EXPECT_FALSE(e.adotar_pagina(g.prevista, g.faces(fontes)));
    g.reproduzir(e, fontes, &imagens);
    EXPECT_TRUE(e.terminar());
    EXPECT_EQ(imagens.lidas, QStringList{figura});
    EXPECT_TRUE(b.data().contains("/Width 25 /Height 25"));
}

} // namespace
