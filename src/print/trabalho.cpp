#include "print/trabalho.h"

#include "analysis/indice.h"
#include "pdf/compressao.h"
#include "print/interpretador.h"
#include "print/paralelo.h"
#include "print/superficie_impressora.h"
#include "stream/arquivo_saida.h"
#include "stream/fonte_bytes.h"
#include "stream/numeros.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

namespace papelada {

namespace {

const QString titulo_quadro = QStringLiteral("Evolução da Impressão");

// Passes everything on, and keeps the pictures that could not be drawn: a
// document without them was printed, but not whole.
class ObservadorDoTrabalho final : public Observador {
public:
    ObservadorDoTrabalho(Observador& o, Documento& doc, const SuperficieImpressora* impressora)
        : o_(o), doc_(doc), impressora_(impressora)
    {
    }
    QStringList perdidas;
    QString falha_de_escrita; // the file failed: the passes were stopped

    void quadro(const QString& t, bool v) override { o_.quadro(t, v); }
    void acao(const QString& t) override { o_.acao(t); }
    void pagina(const QString& t) override { o_.pagina(t); }
    void progresso(double f) override { o_.progresso(f); }
    void processar_eventos() override
    {
        o_.processar_eventos();
        // A file that can no longer be written stops the job at once.
        if (impressora_ && falha_de_escrita.isEmpty()) {
            falha_de_escrita = impressora_->falha_de_escrita();
            if (!falha_de_escrita.isEmpty())
                doc_.interromper = 1;
        }
    }
    void mensagem(const QString& t) override { o_.mensagem(t); }
    void aviso(const QString& t) override { o_.aviso(t); }
    void erro(const QString& t) override
    {
        if (!perdidas.contains(t))
            perdidas << t;
        o_.erro(t);
    }
    bool mostra_imagens() const override { return o_.mostra_imagens(); }
    void imagem_mostrar(const QImage& i) override { o_.imagem_mostrar(i); }
    void imagem_fechar() override { o_.imagem_fechar(); }
    void imprimindo(bool a) override { o_.imprimindo(a); }

private:
    Observador& o_;
    Documento& doc_;
    const SuperficieImpressora* impressora_;
};

} // namespace

Relatorio::Relatorio(Documento& d, Metricas& m, SuperficieImpressora& i)
    : doc(d), metricas(m), impressora(i), sistema(&i)
{
}

int passagens_de_copias(double copias)
{
    if (!(copias > 1))
        return 1;
    return static_cast<int>(std::min<double>(std::ceil(copias), std::numeric_limits<int>::max()));
}

ResultadoTrabalho imprimir_relatorio(const Relatorio& relatorio, const PedidoImpressao& pedido,
                                     Observador& observador_chamador)
{
    Documento& doc = relatorio.doc;
    Metricas& metricas = relatorio.metricas;
    Superficie& impressora = relatorio.impressora;
    // Only the system's printer has an output file and counts what it hands over.
    SuperficieImpressora* real = relatorio.sistema;
    ObservadorDoTrabalho observador(observador_chamador, doc, real);
    if (real) {
        real->setArquivoSaida(pedido.arquivo_saida.isEmpty() ? real->arquivoSaida() : pedido.arquivo_saida,
                              doc.nome_arquivo, !pedido.saida_provisoria);
        // A print queue shows the job under the report's file name.
        real->setTituloTrabalho(pedido.titulo.isEmpty() ? QFileInfo(doc.nome_arquivo).fileName() : pedido.titulo);
    }

    // The file is looked at before anything is drawn: a report that has gone
    // since it was opened prints nothing at all.
    FonteBytes fonte;
    QString erro;
    if (!fonte.abrir(doc.nome_arquivo, &erro))
        return {FimTrabalho::Falhou, 0, erro, TipoFalha::Entrada, {}};
    fonte.fechar();
    // Nor is a job started whose file could only be refused at its end.
    if (real && !real->arquivoSaida().isEmpty() && real->deviceName() == impressora_pdf
        && !conferir_destino(real->arquivoSaida(), {doc.nome_arquivo}, &erro))
        return {FimTrabalho::Recusado, 0, erro, TipoFalha::Saida, {}};

    const bool so_intervalo = !pedido.todas;
    impressora.setScaleMode(ModoEscala::Twips);
    Passagem passagem(so_intervalo);
    // The pages are drawn on the threads the request asks for; the job's
    // own thread then only finds where their blocks begin and writes them.
    const int nucleos = pdf::fios_de_trabalho();
    const int fios = std::min(qEnvironmentVariableIsSet("PAPELADA_FIOS") ? nucleos
                              : pedido.fios > 0                       ? pedido.fios
                                                                      : fios_padrao,
                              fios_de_desenho);
    const bool em_fios = real && fios > 1;
    // The writer compresses on the cores that do not draw, and on its own
    // thread, which otherwise waits for those that draw.
    if (real)
        real->setFiosEscritor(em_fios ? std::max(1, nucleos - fios) : 0);
    Corrida corrida;
    // Every copy begins on the paper the job began on: a page length that a
    // copy set lasts to its end only.
    const double altura_papel = impressora.height();
    for (int copias = pedido.copias;;) {
        observador.quadro(titulo_quadro, true);
        passagem.pagina = 1;
        passagem.primeira_pagina = pedido.paginas.primeira;
        passagem.ultima_pagina = pedido.paginas.ultima;
        impressora.setScaleLeft(static_cast<double>(origem_margem(pedido.margens.esquerda)));
        impressora.setScaleTop(static_cast<double>(origem_margem(pedido.margens.superior)));
        const bool primeira_selecionada = passagem.primeira_pagina <= 1 && 1 <= passagem.ultima_pagina;
        observador.acao(so_intervalo && !primeira_selecionada ? QStringLiteral("Examinando a Página")
                                                              : QStringLiteral("Imprimindo a Página"));
        observador.imprimindo(true);

        // The top offset still uses the line height of the previous pass.
        impressora.setCurrentX(0);
        impressora.setCurrentY(topo_da_pagina(impressora, metricas.altura_linha));
        impressora.setHeight(altura_papel);
        metricas.altura_folha = para_i32(impressora.height());
        metricas.largura_folha = para_i32(impressora.width());
        metricas.largura_caracter = metricas.largura_caracter_padrao;
        metricas.altura_linha = metricas.altura_linha_padrao;

        // Every pass reads the file with a source of its own. A file that
        // could not be read to its end, or changed size, is no report that
        // was printed.
        bool aberto = true;
        // A range begins at the start of its first page: from the page list
        // the range was checked against, when it was made for this pass
        // (the report's last message before it is told again), else found
        // by the pass itself on a printer that draws nothing (which tells
        // the messages of the pages before).
        const bool de_intervalo = so_intervalo && passagem.primeira_pagina > 1
                                  && passagem.primeira_pagina <= passagem.ultima_pagina;
        const auto primeira = static_cast<std::int32_t>(std::min(std::ceil(passagem.primeira_pagina), 2e9));
        std::optional<InicioPagina> inicio;
        if (de_intervalo && pedido.indice && (aberto = fonte.abrir(doc.nome_arquivo, &erro))) {
            inicio = pagina_do_indice(fonte, *pedido.indice, impressora, metricas, primeira);
            fonte.fechar();
            if (inicio && !inicio->mensagem.isEmpty())
                observador.mensagem(inicio->mensagem);
        }
        if (em_fios) {
            aberto = imprimir_passagem_em_fios(doc, metricas, *real, passagem, observador, fios, &erro,
                                               inicio ? &*inicio : nullptr);
        } else if ((aberto = fonte.abrir(doc.nome_arquivo, &erro))) {
            corrida.limpar();
            if (de_intervalo && !inicio)
                inicio = achar_pagina(fonte, metricas, impressora, primeira, observador, passagem.imagens_com_erro);
            if (inicio)
                fonte.posicionar(inicio->posicao);
            passagem.retomar = inicio ? &*inicio : nullptr;
            imprimir_passagem(fonte, doc, metricas, corrida, impressora, passagem, observador);
            passagem.retomar = nullptr;
            aberto = doc.interromper == 1 || fonte.integro(&erro);
            fonte.fechar();
        }

        observador.progresso(0);
        observador.quadro(titulo_quadro, false);
        observador.imprimindo(false);
        if (!aberto) {
            // The file went away or changed: the copies already drawn are not
            // handed over as if the job had been done.
            impressora.killDoc();
            return {FimTrabalho::Falhou, 0, erro, TipoFalha::Entrada, {}};
        }

        // Once interrupted, every further pass would stop at its first byte.
        if (--copias <= 0 || doc.interromper == 1)
            break;
        if (impressora.currentX() != 0 || impressora.currentY() != 0)
            impressora.newPage();
    }

    if (doc.interromper == 1) {
        impressora.newPage();
        impressora.killDoc();
        doc.interromper = 0;
        if (!observador.falha_de_escrita.isEmpty())
            return {FimTrabalho::Recusado, 0, observador.falha_de_escrita, TipoFalha::Saida, {}};
        return {FimTrabalho::Cancelado, 0, {}, TipoFalha::Interrompido, {}};
    }
    if (!impressora.endDoc()) {
        const QString motivo = impressora.erro();
        const bool arquivo = real && !real->arquivoSaida().isEmpty() && real->deviceName() == impressora_pdf;
        return {FimTrabalho::Recusado, 0, motivo.isEmpty() ? QStringLiteral("A impressão falhou.") : motivo,
                arquivo ? TipoFalha::Saida : TipoFalha::Impressora, {}};
    }
    const bool perdeu = !observador.perdidas.isEmpty();
    return {FimTrabalho::Impresso, real ? real->paginasEntregues() : 0, {},
            perdeu ? TipoFalha::Imagem : TipoFalha::Nenhuma, observador.perdidas};
}

} // namespace papelada
