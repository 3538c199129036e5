// Saved copies: the plain-text copy drops the commands (the cases are in
// tests/casos/copia.casos), the copy is chosen by the target's name.
#include "comum/apoio.h"
#include "comum/casos.h"
#include "comum/gravador.h"
#include "stream/copia.h"
#include "stream/cp1252.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

TEST(Copia, CasosDoArquivo)
{
    const auto copia = [](const QByteArray& bytes) {
        const QString origem = gravar(QStringLiteral("texto.spl"), bytes);
        const QString destino = pasta_temporaria() + QStringLiteral("/texto.txt");
        ObservadorGravador obs;
        QString erro;
        if (!copiartexto(origem, destino, obs, &erro))
            return erro;
        return QString::fromLatin1(ler(destino)) + u'\n' + obs.log.join(QStringLiteral(" | ")).replace(destino, QStringLiteral("TXT"));
    };
    for (const CasoArquivo& c : conferir_casos(QStringLiteral("copia.casos"), copia))
        EXPECT_EQ(c.obtido, c.esperado) << c.nome.toStdString();
}

TEST(Copia, EscolhaPeloNome)
{
    // A name ending in ".txt", in any case, gets the text copy (ESC and the
    // byte after it, and the last byte, left out); any other, every byte.
    QByteArray dados = esc("Y10\x1a") + "texto\f";
    for (int i = 0; i < 256; ++i)
        dados += static_cast<char>(i);
    const QString origem = gravar(QStringLiteral("original.spl"), dados);
    Observador nada;
    for (const char* nome : {"copia.spl", "copia.prn", "copia", "copia.txt.bak", "copia.txt", "COPIA.TXT", "copia.Txt"}) {
        const QString d = pasta_temporaria() + u'/' + QLatin1String(nome);
        ASSERT_TRUE(salvar_copia(origem, d, nada)) << nome;
        const bool texto = d.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive);
        EXPECT_EQ(ler(d).size(), texto ? 6 + 253 : dados.size()) << nome;
        EXPECT_TRUE(ler(d).startsWith(texto ? QByteArray("texto\f") : dados)) << nome;
    }
}

// The text copy of each sample holds every line of its printed text (the
// digits printed under an EAN barcode are its data, not report text).
TEST(Copia, AmostrasGuardamOTextoImpresso)
{
    for (const char* amostra : {"boleto", "relatorio_imagem", "relatorio_vendas"}) {
        const QString spl = dir_fonte() + QStringLiteral("/samples/%1.spl").arg(QLatin1String(amostra));
        const QString txt = pasta_temporaria() + QStringLiteral("/%1.TXT").arg(QLatin1String(amostra));
        const QString pdf = pasta_temporaria() + QStringLiteral("/%1.pdf").arg(QLatin1String(amostra));
        Resultado r = executar(cli(), {QStringLiteral("salvar"), spl, txt});
        ASSERT_EQ(r.codigo, 0) << r.erros.toStdString();
        executar(cli(), {QStringLiteral("imprimir"), spl, QStringLiteral("--pdf"), pdf});
        r = executar(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        ASSERT_EQ(r.codigo, 0) << amostra;
        static const QRegularExpression brancos(QStringLiteral("\\s+")), dados_da_barra(QStringLiteral("^[\\d ]{8,}$"));
        const QString copia = cp1252_para_unicode(ler(txt)).remove(brancos);
        int linhas = 0;
        for (const QString& linha : r.saida.split(u'\n')) {
            if (linha.trimmed().isEmpty() || dados_da_barra.match(linha).hasMatch())
                continue;
            ++linhas;
            EXPECT_TRUE(copia.contains(QString(linha).remove(brancos))) << amostra << ": " << linha.toStdString();
        }
        EXPECT_GT(linhas, 5) << amostra;
    }
}

} // namespace
