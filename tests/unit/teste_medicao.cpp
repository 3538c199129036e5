// Measurement of a report's first page on the recording printer (10 pt:
// "A" is 120 x 240 twips; A4 is 11906 x 16838 twips): the extents, the
// metrics every pass starts from and the fit warnings (the cases are in
// tests/casos/medicao.casos), the report's printer and font records and the
// paper names.
#include "analysis/medicao.h"
#include "comum/apoio.h"
#include "comum/casos.h"
#include "comum/gravador.h"
#include "comum/superficie_gravacao.h"

#include <QSettings>
#include <gtest/gtest.h>

using namespace papelada;
using namespace papelada::teste;

namespace {

// Measures `dados` on a recording printer, as the window does (with its font
// dialog), with the settings store as it is.
struct Medir {
    SuperficieGravacao g;
    Metricas m;
    ObservadorGravador obs;
    FonteEscolhida dialogo;
    Medicao operator()(const QByteArray& dados, const OpcoesMedicao& opcoes = {})
    {
        Documento doc;
        doc.nome_arquivo = gravar(QStringLiteral("medir.spl"), dados);
        return medir_relatorio(doc, m, g, obs, &dialogo, opcoes);
    }
};

TEST(Medicao, CasosDoArquivo)
{
    // FIGURA stands for a white picture of 40 x 20 pixels.
    const QByteArray png = gravar_figura(QStringLiteral("figura.png"), {40, 20}, Qt::white).toUtf8();
    const auto medida = [&](QByteArray dados) {
        dados.replace("FIGURA", png);
        loja().clear();
        Medir medir;
        const Medicao r = medir(dados);
        const auto& [g, m, obs, dialogo] = std::tie(medir.g, medir.m, medir.obs, medir.dialogo);
        QStringList d{QStringLiteral("%1 x %2").arg(r.largura_relatorio).arg(r.altura_relatorio),
                      QStringLiteral("linha %1/%2 coluna %3/%4 folha %5 papel %6x%7 %8")
                          .arg(m.altura_linha).arg(m.altura_linha_padrao).arg(m.largura_caracter)
                          .arg(m.largura_caracter_padrao).arg(m.altura_folha).arg(g.width()).arg(g.height())
                          .arg(fonte_de(g)),
                      QStringLiteral("impressora %1 papel %2 bandeja %3 orientação %4 \"%5\"")
                          .arg(g.deviceName()).arg(g.paperSize()).arg(g.paperBin()).arg(g.orientation()).arg(r.papel)};
        // Measuring only reads the settings.
        if (const QStringList chaves = loja().allKeys(); !chaves.isEmpty())
            d << QStringLiteral("chaves gravadas: ") + chaves.join(u' ');
        // The colour of a box is no colour for the text; the font dialog
        // starts from the report's font.
        if (g.foreColor() != QBColor(0))
            d << QStringLiteral("cor do texto ") + g.foreColor().name();
        const auto fonte_dialogo = [](const FonteEscolhida& f) {
            return QStringLiteral("diálogo %1 %2 %3%4%5%6").arg(f.nome).arg(f.tamanho).arg(f.negrito).arg(f.italico)
                .arg(f.sublinhado).arg(f.riscado);
        };
        if (fonte_dialogo(dialogo) != fonte_dialogo({}))
            d << fonte_dialogo(dialogo);
        // The result's warnings and messages are those told, in order.
        if (!r.arquivo_lido || r.avisos != obs.so(QStringLiteral("aviso:"))
            || r.mensagens != obs.so(QStringLiteral("mensagem:")))
            d << QStringLiteral("resultado diferente do dito: ") + r.avisos.join(u'|') + u'/' + r.mensagens.join(u'|');
        return (d + obs.log).join(u'\n');
    };
    for (const CasoArquivo& c : conferir_casos(QStringLiteral("medicao.casos"), medida))
        EXPECT_EQ(c.obtido, c.esperado) << c.nome.toStdString();
}

TEST(Medicao, ImpressoraEscolhidaPeloChamadorFica)
{
    Medir medir;
    const auto& [g, m] = std::tie(medir.g, medir.m);
    OpcoesMedicao opcoes;
    opcoes.manter_impressora = true;
    const Medicao r = medir(registro_impressora("Arquivo PDF", 1, 9, bandeja_trator) + ".", opcoes);
    EXPECT_EQ(g.deviceName(), "Gravador");
    EXPECT_EQ(g.paperBin(), bandeja_trator);
    EXPECT_EQ(r.papel, "A4, 210 x 297 mm");
    EXPECT_EQ(m.altura_linha_padrao, 288);
    // Without a record the factor is not applied, even on tractor paper.
    medir("A\nA.");
    EXPECT_EQ(m.altura_linha_padrao, 240);
}

TEST(Medicao, FonteGuardadaDaImpressora)
{
    Medir medir;
    const auto& [g, m] = std::tie(medir.g, medir.m);
    {
        QSettings s = loja();
        s.setValue(QStringLiteral("Software/Orvel/Papelada/Gravador/FontName"), QStringLiteral("Terminal"));
        s.setValue(QStringLiteral("Software/Orvel/Papelada/Gravador/FontSize"), 5);
        s.setValue(QStringLiteral("Software/Orvel/Papelada/Gravador/FontBold"), 0);
        s.setValue(QStringLiteral("Software/Orvel/Papelada/Gravador/FontItalic"), 0);
    }
    g.setFontUnderline(true);
    const Medicao r = medir("AAAA.");
    EXPECT_EQ(fonte_de(g), "Terminal 5");
    EXPECT_EQ(m.largura_caracter_padrao, 60);
    EXPECT_EQ(m.altura_linha_padrao, 120);
    EXPECT_EQ(r.largura_relatorio, 240);
}

TEST(NomePapel, CodigosConhecidosEDesconhecidos)
{
    const std::pair<int, const char*> casos[] = {
        {9, "A4, 210 x 297 mm"},  {41, "German Legal Fanfold, 8 1/2 x 13"}, {256, "Definido pelo usuário"},
        {0, "Formulário não identificado"}, {42, "Formulário não identificado"}, {-1, "Formulário não identificado"},
    };
    for (const auto& [codigo, nome] : casos)
        EXPECT_EQ(nome_papel(codigo), QString::fromUtf8(nome)) << codigo;
}

} // namespace
