// papelada-cli as a caller meets it: version, help, unknown commands.
#include "comum/apoio.h"

#include <gtest/gtest.h>

using namespace papelada::teste;

TEST(Cli, VersaoEAjuda)
{
    const Resultado versao = executar(cli(), {QStringLiteral("--version")});
    EXPECT_EQ(versao.codigo, 0);
    EXPECT_EQ(versao.saida.trimmed(), QStringLiteral("Papelada 1.1.109"));

    const Resultado ajuda = executar(cli(), {QStringLiteral("--help")});
    EXPECT_EQ(ajuda.codigo, 0);
    EXPECT_TRUE(ajuda.saida.contains(QStringLiteral("Uso: papelada-cli COMANDO")));

    const Resultado vazio = executar(cli(), {});
    EXPECT_EQ(vazio.codigo, 1);
    EXPECT_TRUE(vazio.erros.contains(QStringLiteral("Uso:")));

    const Resultado desconhecido = executar(cli(), {QStringLiteral("voar")});
    EXPECT_EQ(desconhecido.codigo, 1);
    EXPECT_TRUE(desconhecido.erros.contains(QStringLiteral("comando desconhecido: voar")));
}
