// Saved copies: the plain-text copy drops the commands, both copies appear
// complete or not at all, and the open file is never the target.
#include "comum/apoio.h"
#include "comum/gravador.h"
#include "stream/copia.h"
#include "stream/cp1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace papelada;
using namespace papelada::teste;

namespace {


QString nova_pasta(const QString& nome)
{
    const QString p = pasta_temporaria() + u'/' + nome;
    QDir().mkpath(p);
    return p;
}

using Caso = CasoBytes;

class CopiaTexto : public ::testing::TestWithParam<Caso> {};

TEST_P(CopiaTexto, BytesGravados)
{
    const QString origem = gravar(QStringLiteral("texto_%1.spl").arg(GetParam().nome), GetParam().entrada);
    const QString destino = pasta_temporaria() + QStringLiteral("/texto_%1.txt").arg(GetParam().nome);
    Observador nada;
    QString erro;
    ASSERT_TRUE(copiartexto(origem, destino, nada, &erro)) << erro.toStdString();
    EXPECT_EQ(ler(destino), QByteArray(GetParam().esperado));
}

INSTANTIATE_TEST_SUITE_P(
    Copia, CopiaTexto,
    ::testing::Values(
        Caso{"vazio", "", ""},
        Caso{"ultimo_byte_fica_de_fora", "ABC\f", "ABC"},
        Caso{"controles_ficam", "A\r\nB\fC\x01\x1a.", "A\r\nB\fC\x01\x1a"},
        Caso{"parametros_ate_o_26", esc("Y10\x1a") + "\n" + esc("1Arial\x1a") + "A" + esc("Z1,80,2,12\x1a") + "B.", "\nAB"},
        // Parameters end as the print pass reads them, not at the next 26.
        Caso{"numero_termina_no_primeiro_nao_digito", esc("Y10;") + "A" + esc("C12,") + "B" + esc("X3\n") + "C.", "ABC"},
        Caso{"texto_termina_no_controle", esc("1Courier New\r") + "\nA" + esc("0Aviso\n") + "B.", "\nAB"},
        Caso{"listas_e_barra", esc("R1,20,1,") + "A" + esc("b1,2,3,4,1,0,") + "B" + esc("Z2,80,2,789,") + "C\x1a.", "ABC\x1a"},
        Caso{"esc_3_tira_dois_bytes", "A" + esc("3") + "B.", "AB"},
        Caso{"esc_9_some", "A" + esc("9") + "B.", "AB"},
        Caso{"registro_d", esc("D") + QByteArray(68, '\n') + "B.", "B"},
        Caso{"registro_f", esc("F") + QByteArray(54, '\f') + "B.", "B"},
        Caso{"texto_ate_o_fim", "A" + esc("Gimagem.bmp"), "A"},
        Caso{"escape_no_fim", "AB\x1b", "AB"}),
    nome_do_caso);

TEST(Copia, ProgressoPorRetornoDeCarro)
{
    const QString origem = gravar(QStringLiteral("linhas.spl"), "1\r\n2\r\n3\r\n.");
    const QString destino = pasta_temporaria() + QStringLiteral("/linhas.txt");
    ObservadorGravador p;
    ASSERT_TRUE(copiartexto(origem, destino, p));
    const QString base = QStringLiteral("Gravando ") + destino + QStringLiteral(" . Linha ");
    EXPECT_EQ(p.so(QStringLiteral("gravando:")), (QStringList{base + "1", base + "2", base + "3", base + "4", QString()}));
    EXPECT_EQ(p.eventos, 3);
}

TEST(Copia, ByteAByteEEscolhaPeloNome)
{
    QByteArray dados = esc("Y10\x1a") + "texto\f";
    for (int i = 0; i < 256; ++i)
        dados += static_cast<char>(i);
    const QString origem = gravar(QStringLiteral("original.spl"), dados);
    Observador nada;
    for (const char* nome : {"copia.spl", "copia.prn", "copia", "copia.txt.bak"}) {
        const QString d = pasta_temporaria() + u'/' + QLatin1String(nome);
        ASSERT_TRUE(salvar_copia(origem, d, nada)) << nome;
        EXPECT_EQ(ler(d), dados) << nome;
    }
    for (const char* nome : {"copia.txt", "COPIA.TXT", "copia.Txt"}) {
        const QString d = pasta_temporaria() + u'/' + QLatin1String(nome);
        ASSERT_TRUE(salvar_copia(origem, d, nada)) << nome;
        EXPECT_TRUE(ler(d).startsWith("texto\f")) << nome;
        // ESC and the byte after it, and the last byte, are left out.
        EXPECT_EQ(ler(d).size(), 6 + 253) << nome;
    }
}

TEST(Copia, DestinoQueNaoPodeSerGravado)
{
    const QString origem = gravar(QStringLiteral("fonte_ok.spl"), "abc\r\ndef.");
    Observador nada;
    struct Alvo {
        QString caminho;
        const char* trecho;
    };
    for (const Alvo& a : {Alvo{nova_pasta(QStringLiteral("uma_pasta")), "é uma pasta"},
                          Alvo{QStringLiteral("/dev/full"), "não é um arquivo comum"},
                          Alvo{pasta_temporaria() + QStringLiteral("/nao/existe/x.spl"), "Não foi possível gravar"}}) {
        QString erro;
        EXPECT_FALSE(copiar_arquivo(origem, a.caminho, &erro)) << a.caminho.toStdString();
        EXPECT_TRUE(erro.contains(QString::fromUtf8(a.trecho))) << erro.toStdString();
        erro.clear();
        EXPECT_FALSE(copiartexto(origem, a.caminho, nada, &erro));
        EXPECT_TRUE(erro.contains(QString::fromUtf8(a.trecho))) << erro.toStdString();
    }
    QString erro;
    EXPECT_FALSE(copiar_arquivo(pasta_temporaria() + QStringLiteral("/sumiu.spl"),
                                pasta_temporaria() + QStringLiteral("/x.spl"), &erro));
    EXPECT_FALSE(erro.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(pasta_temporaria() + QStringLiteral("/x.spl")));
}

// The disk fills up half-way: a file size limit makes every write beyond
// 64 KiB fail, as a full disk does.
class DiscoCheio : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &antigo_), 0);
        anterior_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit novo = antigo_;
        novo.rlim_cur = 64 * 1024;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &novo), 0);
    }
    void TearDown() override
    {
        ::setrlimit(RLIMIT_FSIZE, &antigo_);
        std::signal(SIGXFSZ, anterior_);
    }
    rlimit antigo_{};
    void (*anterior_)(int) = nullptr;
};

TEST_F(DiscoCheio, NadaPelaMetade)
{
    QByteArray grande;
    while (grande.size() < 1024 * 1024)
        grande += "uma linha do relatorio\r\n";
    grande += ".";
    // The source itself is written with the limit lifted.
    TearDown();
    const QString origem = gravar(QStringLiteral("grande.spl"), grande);
    SetUp();
    const QString pasta = nova_pasta(QStringLiteral("cheio"));
    const QString velho = pasta + QStringLiteral("/existente.txt");
    { QFile f(velho); ASSERT_TRUE(f.open(QIODevice::WriteOnly)); f.write("conteudo antigo"); }

    Observador nada;
    for (const QString& alvo : {pasta + QStringLiteral("/novo.spl"), pasta + QStringLiteral("/novo.txt"), velho}) {
        QString erro;
        EXPECT_FALSE(salvar_copia(origem, alvo, nada, &erro)) << alvo.toStdString();
        EXPECT_TRUE(erro.contains(QStringLiteral("Não foi possível gravar"))) << erro.toStdString();
    }
    // Nothing new in the folder, the old target unchanged, the source whole.
    EXPECT_EQ(QDir(pasta).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("existente.txt")});
    EXPECT_EQ(ler(velho), QByteArray("conteudo antigo"));
    EXPECT_EQ(ler(origem).size(), grande.size());
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

TEST(Copia, ComandoSalvar)
{
    const QString origem = gravar(QStringLiteral("cli_salvar.spl"), "A" + esc("2") + "B\f.");
    const QString txt = pasta_temporaria() + QStringLiteral("/cli_salvar.TXT");
    Resultado r = executar(cli(), {QStringLiteral("salvar"), origem, origem});
    EXPECT_EQ(r.codigo, 3);
    EXPECT_TRUE(r.erros.contains(QStringLiteral("próprio arquivo")));
    EXPECT_EQ(executar(cli(), {QStringLiteral("salvar"), origem + "x", txt}).codigo, 2);
    EXPECT_EQ(executar(cli(), {QStringLiteral("salvar"), origem}).codigo, 1);
}

} // namespace
