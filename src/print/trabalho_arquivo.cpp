#include "print/trabalho_arquivo.h"

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
            return {FimTrabalho::Falhou, 0, QStringLiteral("O relatório não foi impresso. %1").arg(erro)};
        doc.tamanho_arquivo = fonte.tamanho();
    }
    SuperficieImpressora impressora(t.impressora);
    if (impressora.deviceName() != t.impressora)
        return {FimTrabalho::Recusado, 0, QStringLiteral("A impressora \"%1\" não pôde ser usada.").arg(t.impressora)};

    Repasse repasse(observador, doc, t.parar);
    Metricas metricas;
    abrir_relatorio(doc, metricas, impressora, repasse, nullptr, OpcoesMedicao{.manter_impressora = true});
    PedidoImpressao pedido;
    pedido.todas = !t.paginas;
    pedido.paginas = t.paginas.value_or(IntervaloPaginas{});
    if (t.impressora == impressora_pdf)
        pedido.arquivo_saida = QFileInfo(t.pdf).absoluteFilePath();
    pedido.margens = t.margens.value_or(
        MargensMm{static_cast<double>(doc.margem_esquerda), static_cast<double>(doc.margem_superior)});
    ResultadoTrabalho r = imprimir_relatorio({doc, metricas, impressora}, pedido, repasse);
    if (r.fim == FimTrabalho::Impresso && r.paginas == 0)
        return {FimTrabalho::Recusado, 0,
                QStringLiteral("Nada foi impresso: o relatório não tem páginas a imprimir%1.")
                    .arg(t.paginas ? QStringLiteral(" no intervalo pedido") : QString())};
    return r;
}

} // namespace papelada
