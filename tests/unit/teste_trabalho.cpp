// The print job: copies, the page between copies, selected pages over
// several copies, interruption, margins, a file that has gone, and a printer
// that refuses the document.
#include "comum/apoio.h"
#include "comum/gravador.h"
#include "print/superficie_impressora.h"
#include "print/trabalho.h"
#include "stream/limpeza.h"

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

// A job on the recording surface.
struct Trabalho : ImpressoraGravada {
    PedidoImpressao pedido;
    ResultadoTrabalho resultado;

    QString rodar(const QByteArray& bytes, const QString& nome = QStringLiteral("trabalho.spl"))
    {
        doc.nome_arquivo = gravar(nome, bytes);
        doc.tamanho_arquivo = bytes.size();
        return rodar_arquivo();
    }
    QString rodar_arquivo()
    {
        resultado = imprimir_relatorio({doc, m, sup}, pedido, obs);
        return resumo(sup.registro);
    }
};

TEST(Trabalho, Copias)
{
    // A count is taken down by one per pass until it is 0 or less.
    const std::pair<double, int> passagens[] = {{-3, 1}, {0, 1}, {1, 1}, {2, 2}, {2.5, 3}, {1e12, 2147483647}};
    for (const auto& [copias, esperadas] : passagens)
        EXPECT_EQ(passagens_de_copias(copias), esperadas) << copias;

    // Two copies each.
    struct {
        QByteArray bytes;
        bool trator;
        double so_pagina; // 0: every page
        const char* esperado;
    } casos[] = {
        {"A\n.", false, 0, "A@0,480 | NP | A@0,480 | EndDoc"},
        // After the form feed the pen stands at the top offset: NewPage once more ...
        {"A\f\x1a", false, 0, "A@0,480 | NP | NP | A@0,480 | NP | EndDoc"},
        // ... but on tractor paper the top offset is 0: no blank page.
        {"A\f\x1a", true, 0, "A@0,0 | NP | A@0,0 | NP | EndDoc"},
        // Selected pages end on the fresh page of their last NewPage.
        {"A\fB\fC\f.", false, 2, "B@0,480 | NP | B@0,480 | NP | EndDoc"},
        // The second copy starts two lines of the height left by the first
        // pass down, with the default metrics again, and still in bold.
        {esc("7300;A") + esc("2\n."), false, 0, "A@0,480 | NP | A@0,600 b | EndDoc"},
    };
    for (const auto& c : casos) {
        Trabalho t;
        if (c.trator)
            t.sup.setPaperBin(bandeja_trator);
        t.pedido.copias = 2;
        t.pedido.todas = c.so_pagina == 0;
        t.pedido.paginas = {c.so_pagina, c.so_pagina};
        EXPECT_EQ(t.rodar(c.bytes), QString::fromLatin1(c.esperado));
        EXPECT_EQ(t.resultado.fim, FimTrabalho::Impresso);
    }
}

TEST(Trabalho, MargensEJanela)
{
    Trabalho t;
    t.pedido.margens = {12.5, 10};
    t.pedido.copias = 2;
    t.rodar("A\n.");
    EXPECT_EQ(t.sup.scaleLeft(), -709);
    EXPECT_EQ(t.sup.scaleTop(), -567);
    EXPECT_EQ(t.sup.scaleMode(), ModoEscala::Twips);
    // Per copy: the frame and the buttons are taken and given back.
    const QString copia = QStringLiteral("quadro:Evolução da Impressão:1 acao:Imprimindo a Página imprimindo:1 "
                                         "quadro:Evolução da Impressão:0 imprimindo:0");
    EXPECT_EQ(t.obs.log.join(u' '), copia + u' ' + copia);

    Trabalho sel;
    sel.pedido.todas = false;
    sel.pedido.paginas = {2, 3};
    sel.rodar("A\n.");
    EXPECT_EQ(sel.obs.log.value(1), QStringLiteral("acao:Examinando a Página"));
}

TEST(Trabalho, InterrupcaoCancelaODocumento)
{
    Trabalho t;
    t.pedido.copias = 3;
    int chamadas = 0;
    t.obs.ao_processar = [&] {
        if (++chamadas == 2)
            t.doc.interromper = 1;
    };
    // Interrupted at byte 256 of the first copy: what was collected is drawn,
    // nothing after it, and the document is cancelled.
    const QString r = t.rodar(QByteArray(300, 'a') + "\fB\n.");
    EXPECT_EQ(r, QString(QByteArray(256, 'a')) + QStringLiteral("@0,480 | NP | KillDoc"));
    EXPECT_EQ(t.resultado.fim, FimTrabalho::Cancelado);
    EXPECT_EQ(t.doc.interromper, 0);
    EXPECT_EQ(t.sup.documentos_cancelados, 1);
    EXPECT_EQ(t.sup.documentos_encerrados, 0);
}

TEST(Trabalho, ArquivoQueSumiu)
{
    Trabalho t;
    t.doc.nome_arquivo = pasta_temporaria() + QStringLiteral("/nao-existe.spl");
    t.rodar_arquivo();
    EXPECT_EQ(t.resultado.fim, FimTrabalho::Falhou);
    EXPECT_TRUE(t.resultado.erro.contains(QStringLiteral("nao-existe.spl"))) << t.resultado.erro.toStdString();
    EXPECT_TRUE(t.sup.registro.isEmpty());
    EXPECT_TRUE(t.obs.log.isEmpty());

    // Removed between two copies: the copy already drawn is not handed over.
    Trabalho u;
    u.pedido.copias = 2;
    u.obs.ao_processar = [&] { QFile::remove(u.doc.nome_arquivo); };
    u.rodar(QByteArray(200, 'a') + "\n.", QStringLiteral("some.spl"));
    EXPECT_EQ(u.resultado.fim, FimTrabalho::Falhou);
    EXPECT_EQ(u.sup.documentos_cancelados, 1);
    EXPECT_EQ(u.sup.documentos_encerrados, 0);
    EXPECT_TRUE(u.obs.log.endsWith(QStringLiteral("imprimindo:0")));
}

// A report that shrinks or grows while it prints is not reported as printed.
TEST(Trabalho, ArquivoQueMudaDeTamanho)
{
    for (const qint64 novo : {qint64(300 * 1024), qint64(600 * 1024 + 10)}) {
        Trabalho t;
        bool feito = false;
        t.obs.ao_processar = [&] {
            if (!std::exchange(feito, true))
                QFile(t.doc.nome_arquivo).resize(novo);
        };
        t.rodar(QByteArray(600 * 1024, 'a'), QStringLiteral("muda.spl"));
        EXPECT_EQ(t.resultado.fim, FimTrabalho::Falhou) << novo;
        EXPECT_TRUE(t.resultado.erro.contains(QStringLiteral("mudou de tamanho"))) << t.resultado.erro.toStdString();
        EXPECT_EQ(t.sup.documentos_encerrados, 0);
    }
}

TEST(Trabalho, ImpressoraQueRecusa)
{
    SuperficieImpressora p(impressora_pdf);
    Documento doc;
    doc.nome_arquivo = gravar(QStringLiteral("recusa.spl"), "A\n.");
    Metricas m{240, 120, 240, 120, 16838, 11906};
    PedidoImpressao pedido;
    pedido.arquivo_saida = pasta_temporaria() + QStringLiteral("/pasta/que/falta/x.pdf");
    ObservadorGravador obs;
    const ResultadoTrabalho r = imprimir_relatorio({doc, m, p}, pedido, obs);
    EXPECT_EQ(r.fim, FimTrabalho::Recusado);
    EXPECT_EQ(r.paginas, 0);
    EXPECT_TRUE(r.erro.contains(QStringLiteral("x.pdf"))) << r.erro.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pedido.arquivo_saida));
}

} // namespace

// The pages drawn on several threads: an interruption cancels the document,
// a report that changes size fails the job, and neither leaves a file or
// keeps the job waiting on a thread.
TEST(Trabalho, FiosInterrompidosOuSemArquivo)
{
    QByteArray relatorio;
    for (int p = 1; p <= 2000; ++p)
        relatorio += "Pagina " + QByteArray::number(p) + "\n" + QByteArray(1500, 'x') + "\n\f";
    qputenv("PAPELADA_FIOS", "3");
    for (const bool interromper : {true, false}) {
        SuperficieImpressora p(impressora_pdf);
        Documento doc;
        doc.nome_arquivo = gravar(QStringLiteral("fios_interrompidos.spl"), relatorio);
        Metricas m{240, 120, 240, 120, 16838, 11906};
        PedidoImpressao pedido;
        pedido.arquivo_saida = pasta_temporaria() + QStringLiteral("/fios_interrompidos.pdf");
        QFile::remove(pedido.arquivo_saida);
        ObservadorGravador obs;
        obs.ao_processar = [&] {
            if (obs.eventos != 3)
                return;
            if (interromper)
                doc.interromper = 1;
            else
                QFile(doc.nome_arquivo).resize(relatorio.size() / 2);
        };
        const ResultadoTrabalho r = imprimir_relatorio({doc, m, p}, pedido, obs);
        EXPECT_EQ(r.fim, interromper ? FimTrabalho::Cancelado : FimTrabalho::Falhou);
        EXPECT_EQ(r.erro.contains(QStringLiteral("mudou de tamanho")), !interromper) << r.erro.toStdString();
        EXPECT_EQ(doc.interromper, 0);
        EXPECT_FALSE(QFileInfo::exists(pedido.arquivo_saida));
        EXPECT_FALSE(p.documentoAberto());
    }
    qunsetenv("PAPELADA_FIOS");
}

// A signal that lands on another thread while a temporary folder is being
// made ends the program only once the folder is registered, and so removed.
TEST(LimpezaDeathTest, SinalDuranteACriacaoDeUmaPasta)
{
    const QByteArray pasta = QFile::encodeName(pasta_temporaria() + QStringLiteral("/feita_durante_o_sinal"));
    ::rmdir(pasta.constData());
    const auto criar = [&] {
        instalar_limpeza();
        std::atomic<bool> feita{false};
        std::thread outro([&] {
            while (!feita.load())
                std::this_thread::yield();
            ::kill(::getpid(), SIGTERM);
            for (;;)
                ::pause();
        });
        Temporario guarda;
        {
            const Criacao bloco;
            ::mkdir(pasta.constData(), 0700);
            feita.store(true);
            ::usleep(200'000); // the signal is there, waiting
            guarda = Temporario(pasta, true);
        }
        ::sleep(10);
        std::_Exit(0);
    };
    EXPECT_EXIT(criar(), testing::KilledBySignal(SIGTERM), "");
    EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(pasta)));
}
