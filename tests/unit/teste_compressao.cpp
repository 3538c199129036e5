// Streams deflated on worker threads, in batches, come back as the calling
// thread deflates them, whichever thread took each one.
#include "pdf/compressao.h"
#include <gtest/gtest.h>

using namespace papelada::pdf;

TEST(Compressao, CadaFluxoComoNumFio)
{
    for (int fios : {1, 3}) {
        Compressores c(fios, false);
        std::vector<std::pair<QByteArray, std::shared_ptr<TarefaCompressao>>> enviados;
        for (int i = 0; i < 400; ++i) {
            // Empty streams, pages, and now and then one larger than a batch.
            const QByteArray dados = QByteArray::number(i).repeated(i % 97 == 0 ? 200'000 : i % 5 * 300);
            enviados.emplace_back(dados, c.enviar(dados));
        }
        c.publicar_resto();
        // Waited for from the last: most were taken by the workers first.
        for (auto it = enviados.rbegin(); it != enviados.rend(); ++it) {
            c.esperar(*it->second);
            EXPECT_EQ(it->second->resultado, comprimir(it->first)) << fios << " fios";
        }
        // Thrown away with batches still being compressed: no hang, no crash.
        Compressores d(fios, false);
        for (int i = 0; i < 200; ++i)
            d.enviar(QByteArray(50'000, char(i)));
    }
}
