// The CUPS filter as a print server runs it: Papelada installed into a
// folder, a private scheduler that takes the installed filter and rules, and
// `lp` of a spool file to a PDF queue, which must print what papelada-cli
// prints into a PDF file.
#include "comum/apoio.h"
#include "comum/cups_privado.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace papelada::teste;

namespace {

class FiltroCups : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString instalado = cups.pasta() + QStringLiteral("/instalado");
        const Resultado r = executar(QStringLiteral(PAPELADA_CMAKE),
                                     {QStringLiteral("--install"), dir_build(), QStringLiteral("--prefix"), instalado});
        ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
        if (!cups.iniciar(instalado))
            GTEST_SKIP() << cups.motivo().toStdString();
    }

    CupsPrivado cups;
};

// Each word of a PDF with its page, sorted (reading order is pdftotext's guess).
QStringList palavras(const QString& pdf)
{
    QStringList l;
    for (const Palavra& p : palavras_pdf(pdf))
        l << QStringLiteral("%1@%2").arg(p.texto).arg(p.pagina);
    l.sort();
    return l;
}

TEST_F(FiltroCups, LpDeUmRelatorioImprimeComoOPapeladaCli)
{
    const QString saida = cups.saida(QStringLiteral("filtro.pdf"));
    ASSERT_TRUE(cups.adicionar_fila(QStringLiteral("Papelada_Filtro"), saida));
    const QString spl = gravar(QStringLiteral("vendas.spl"), ler(dir_fonte() + QStringLiteral("/samples/relatorio_vendas.spl")));
    struct {
        QStringList lp, cli;
    } casos[] = {
        {{}, {}},
        {{QStringLiteral("-o"), QStringLiteral("page-ranges=2-3")}, {QStringLiteral("--paginas"), QStringLiteral("2-3")}},
        // The queue makes the copies, one whole report after the other.
        {{QStringLiteral("-n"), QStringLiteral("2"), QStringLiteral("-o"), QStringLiteral("collate=true")},
         {QStringLiteral("--copias"), QStringLiteral("2")}},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.lp.join(u' ').toStdString());
        const QString referencia = pasta_temporaria() + QStringLiteral("/referencia.pdf");
        const Resultado cli_r = executar(cli(), QStringList{QStringLiteral("imprimir"), spl, QStringLiteral("--pdf"), referencia} + c.cli);
        ASSERT_EQ(cli_r.codigo, 0) << cli_r.erros.toStdString();
        QFile::remove(saida);
        const Resultado lp = executar(QStringLiteral("lp"), QStringList{QStringLiteral("-d"), QStringLiteral("Papelada_Filtro")} + c.lp + QStringList{spl});
        ASSERT_EQ(lp.codigo, 0) << lp.erros.toStdString();
        ASSERT_TRUE(cups.esperar_pdf(saida));
        EXPECT_EQ(paginas_pdf(saida), paginas_pdf(referencia));
        EXPECT_EQ(palavras(saida), palavras(referencia));
    }
    // The job is named after the file (in the job's control file), and so is
    // the PDF.
    EXPECT_TRUE(executar(QStringLiteral("pdfinfo"), {saida}).saida.contains(QStringLiteral("vendas.spl")));
    const QStringList controle = QDir(cups.pasta() + QStringLiteral("/spool")).entryList({QStringLiteral("c*")});
    ASSERT_FALSE(controle.isEmpty());
    EXPECT_TRUE(ler(cups.pasta() + QStringLiteral("/spool/") + controle.first()).contains("vendas.spl"));
}

} // namespace
