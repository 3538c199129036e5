#include "print/trabalho_arquivo.h"

#include "print/pedido.h"

#include "analysis/medicao.h"
#include "print/superficie_impressora.h"
#include "stream/fonte_bytes.h"

#include <QFileInfo>

namespace papelada {

namespace {

// Passes the report's messages on, and turns the caller's stop request into
// the interruption flag that the pass tests before each byte.
class Repasse : public Observador {
public:
    Repasse(Observador& destino, Documento& doc, const std::function<bool()>& parar)
        : destino_(destino), doc_(doc), parar_(parar)
    {
    }
    void processar_eventos() override
    {
        destino_.processar_eventos();
        if (parar_ && parar_())
            doc_.interromper = 1;
    }
    void progresso(double fracao) override { destino_.progresso(fracao); }
    void mensagem(const QString& texto) override { destino_.mensagem(texto); }
    void aviso(const QString& texto) override { destino_.aviso(texto); }
    void erro(const QString& texto) override { destino_.erro(texto); }

private:
    Observador& destino_;
    Documento& doc_;
    const std::function<bool()>& parar_;
};

} // namespace

ResultadoTrabalho imprimir_arquivo(const TrabalhoArquivo& t, Observador& observador)
{
    Documento doc;
    doc.nome_arquivo = t.relatorio;
    {
        FonteBytes fonte;
        QString erro;
        if (!fonte.abrir(t.relatorio, &erro))
            return {FimTrabalho::Falhou, 0, QStringLiteral("O relatório não foi impresso. %1").arg(erro), TipoFalha::Entrada, {}};
        doc.tamanho_arquivo = fonte.tamanho();
    }
    SuperficieImpressora impressora(t.impressora);
    if (impressora.deviceName() != t.impressora)
        return {FimTrabalho::Recusado, 0, QStringLiteral("A impressora \"%1\" não pôde ser usada.").arg(t.impressora),
                TipoFalha::Impressora, {}};

    Repasse repasse(observador, doc, t.parar);
    Metricas metricas;
    abrir_relatorio(doc, metricas, impressora, repasse, nullptr, OpcoesMedicao{.manter_impressora = true});
    // The request is checked as the window checks it.
    // A text of another shape is refused whole, as the first of its fields.
    TextosPedido textos;
    textos.margem_esquerda = QString::number(doc.margem_esquerda);
    textos.margem_superior = QString::number(doc.margem_superior);
    if (t.margens && !margens_da_linha(*t.margens, textos))
        textos.margem_esquerda = *t.margens;
    if (t.paginas && !paginas_da_linha(*t.paginas, textos))
        textos.intervalo = true, textos.primeira = *t.paginas;
    PedidoImpressao pedido;
    if (const auto recusa = validar_pedido(textos, limites_da_impressora(doc, metricas, impressora, repasse), pedido))
        return {FimTrabalho::Recusado, 0, texto_recusa(*recusa), TipoFalha::Uso, {}};
    if (t.impressora == impressora_pdf)
        pedido.arquivo_saida = QFileInfo(t.pdf).absoluteFilePath();
    ResultadoTrabalho r = imprimir_relatorio({doc, metricas, impressora}, pedido, repasse);
    if (r.fim == FimTrabalho::Impresso && r.paginas == 0)
        return {FimTrabalho::Recusado, 0,
                QStringLiteral("Nada foi impresso: o relatório não tem páginas a imprimir%1.")
                    .arg(t.paginas ? QStringLiteral(" no intervalo pedido") : QString()),
                TipoFalha::Saida, {}};
    return r;
}

} // namespace papelada
