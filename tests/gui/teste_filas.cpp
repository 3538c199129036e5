// The printer chooser's state column on queues of a scheduler of the test's
// own: stopped, not taking jobs, with and without a reason.
#include "app/escolha_impressora.h"
#include "comum/apoio.h"
#include "comum/cups_privado.h"
#include "gui/roteiro.h"

#include <cups/cups.h>

using namespace papelada;

class TesteFilas : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void situacao()
    {
        teste::CupsPrivado cups;
        if (!cups.iniciar())
            QSKIP(qPrintable(cups.motivo()));
        cupsSetServer(nullptr); // the scheduler named by CUPS_SERVER from now on
        struct Caso {
            const char *fila, *comando, *motivo; // what the administrator did to the queue
            const char* situacao;
        };
        const Caso casos[] = {
            {"pronta", nullptr, nullptr, "Pronta"},
            {"parada", "cupsdisable", nullptr, "Pausada"},
            {"parada_motivo", "cupsdisable", "Sem toner.", "Pausada: Sem toner"},
            {"recusa", "cupsreject", nullptr, "Não aceita trabalhos"},
            {"recusa_motivo", "cupsreject", "Manutenção ..", "Não aceita trabalhos: Manutenção"},
        };
        for (const Caso& c : casos) {
            const QString fila = QString::fromLatin1(c.fila);
            const ::testing::AssertionResult criada = cups.adicionar_fila(fila, cups.saida(fila + QStringLiteral(".pdf")));
            QVERIFY2(criada, criada.message());
            const QStringList motivo = c.motivo ? QStringList{QStringLiteral("-r"), QString::fromUtf8(c.motivo)} : QStringList{};
            if (c.comando)
                QCOMPARE(teste::executar(QString::fromLatin1(c.comando), motivo + QStringList{fila}, 10).codigo, 0);
            QCOMPARE(descrever_impressora(fila).situacao, QString::fromUtf8(c.situacao));
        }
    }
};

PAPELADA_TESTE_JANELA(TesteFilas)
#include "teste_filas.moc"
