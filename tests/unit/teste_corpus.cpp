// Replays every kept fuzzing input through its entry point: an input that
// once crashed or hung the program stays a test.
#include "comum/apoio.h"

#include "../../fuzz/alvos.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace papelada;

TEST(Corpus, TodasAsEntradasGuardadas)
{
    int lidas = 0;
    for (const auto& alvo : fuzz::alvos()) {
        const QDir pasta(teste::dir_fonte() + QStringLiteral("/fuzz/corpus/") + QLatin1String(alvo.nome));
        for (const QString& nome : pasta.entryList(QDir::Files)) {
            SCOPED_TRACE(std::string(alvo.nome) + "/" + nome.toStdString());
            alvo.executar(teste::ler(pasta.filePath(nome)));
            ++lidas;
        }
    }
    EXPECT_GT(lidas, 0);
}
