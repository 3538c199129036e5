#include "print/paralelo.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace papelada {

namespace {

// A block of pages: drawn by one thread from the start of its first page,
// then written by the job's printer.
struct Faixa {
    std::int64_t primeira = 1, ultima = 1;
    std::optional<InicioPagina> inicio; // none: the pass's first byte
    std::vector<GravacaoPagina> paginas;
    qint64 posicao_fim = 0;
    bool tomada = false, pronta = false;
    bool lida = true;
    QString erro;
};

// Blocks handed out and not yet written, for each drawing thread: the pages
// in memory do not grow with the report.
constexpr size_t faixas_por_fio = 3;

// What the job's own pass tells: the report's messages in the pass's
// order; the page number and progress are told as the pages are written.
class ObservadorLeitura final : public Observador {
public:
    ObservadorLeitura(Observador& o, std::function<void()> escrever) : o_(o), escrever_(std::move(escrever)) {}
    void processar_eventos() override
    {
        escrever_();
        o_.processar_eventos();
    }
    void mensagem(const QString& t) override { o_.mensagem(t); }
    void aviso(const QString& t) override { o_.aviso(t); }
    void erro(const QString& t) override { o_.erro(t); }

private:
    Observador& o_;
    std::function<void()> escrever_;
};

// Stops a thread's pass once the job stops, and notes the pictures it could
// not draw on their pages, for the job to tell.
class ObservadorFio final : public Observador {
public:
    ObservadorFio(Documento& doc, const std::atomic<bool>& parar, const Passagem& p, GravacaoPaginas& g)
        : doc_(doc), parar_(parar), p_(p), g_(g)
    {
    }
    void processar_eventos() override
    {
        if (parar_.load(std::memory_order_relaxed))
            doc_.interromper = 1;
    }
    // Nothing is shown: a picture's file may go into the document as it is.
    bool mostra_imagens() const override { return false; }
    // A picture's failure is told right after the pass notes its path.
    void erro(const QString& t) override
    {
        for (const QString& c : p_.imagens_com_erro)
            if (!notadas_.contains(c)) {
                notadas_.insert(c);
                g_.falha_imagem(c, t);
                return;
            }
    }

private:
    Documento& doc_;
    const std::atomic<bool>& parar_;
    const Passagem& p_;
    GravacaoPaginas& g_;
    QSet<QString> notadas_;
};

// The job's pictures on the writer's thread: each one that could not be
// drawn is told once a job, the job's own pass having noted those it found
// unreadable before any thread drew their pages.
class ImagensEscritas final : public ImagensDoTrabalho {
public:
    ImagensEscritas(CacheImagens& cache, QSet<QString>& com_erro, Observador& o)
        : cache_(cache), com_erro_(com_erro), o_(o)
    {
    }
    QImage decodificar(const QString& caminho) override
    {
        QString motivo;
        QImage imagem = cache_.carregar(caminho, &motivo);
        if (!motivo.isEmpty())
            falhou(caminho, motivo);
        return imagem;
    }
    void falhou(const QString& caminho, const QString& motivo) override
    {
        if (!com_erro_.contains(caminho)) {
            com_erro_.insert(caminho);
            o_.erro(motivo);
        }
    }

private:
    CacheImagens& cache_;
    QSet<QString>& com_erro_;
    Observador& o_;
};

class Oficina {
public:
    Oficina(const Documento& doc, const Metricas& metricas, const SuperficieImpressora& impressora,
            const Passagem& passagem, int fios)
        : nome_(doc.nome_arquivo), metricas_(metricas), modelo_(impressora, descarte_), imagens_(passagem.imagens),
          limite_(faixas_por_fio * static_cast<size_t>(fios))
    {
        for (int i = 0; i < fios; ++i)
            fios_.emplace_back([this] { trabalhar(); });
    }
    ~Oficina()
    {
        parar();
        for (std::thread& t : fios_)
            t.join();
    }

    // A block from the start of page `primeira` (none: the first byte) to
    // the end of page `ultima`.
    void publicar(std::int64_t primeira, std::int64_t ultima, const InicioPagina* inicio)
    {
        auto f = std::make_unique<Faixa>();
        f->primeira = primeira;
        f->ultima = ultima;
        if (inicio)
            f->inicio = *inicio;
        std::lock_guard l(mutex_);
        faixas_.push_back(std::move(f));
        ha_faixa_.notify_one();
    }
    // No more blocks come.
    void encerrar_publicacao()
    {
        std::lock_guard l(mutex_);
        publicacao_encerrada_ = true;
        ha_faixa_.notify_all();
    }
    void parar()
    {
        parar_ = true;
        std::lock_guard l(mutex_);
        publicacao_encerrada_ = true;
        ha_faixa_.notify_all();
        pronta_.notify_all();
    }

    // The first block not yet written, once drawn, when `esperar` or when
    // it is drawn already, or when too many are waiting; null otherwise and
    // when none is left.
    std::unique_ptr<Faixa> proxima(bool esperar)
    {
        std::unique_lock l(mutex_);
        if (faixas_.empty())
            return nullptr;
        if (!esperar && !faixas_.front()->pronta && faixas_.size() <= limite_)
            return nullptr;
        pronta_.wait(l, [&] { return faixas_.front()->pronta || parar_; });
        if (!faixas_.front()->pronta)
            return nullptr;
        std::unique_ptr<Faixa> f = std::move(faixas_.front());
        faixas_.pop_front();
        return f;
    }

private:
    void trabalhar()
    {
        // A printer and metrics of this thread's, brought back to the pass's
        // start for every block; the fonts it has laid out stay.
        GravacaoPaginas gravacao;
        SuperficieImpressora impressora(modelo_, gravacao);
        pdf::Escritor previsor{pdf::Escritor::SoPrevisao{}};
        FontesCruas fontes;
        for (;;) {
            Faixa* f = nullptr;
            {
                std::unique_lock l(mutex_);
                ha_faixa_.wait(l, [&] { return parar_ || publicacao_encerrada_ || livre() != nullptr; });
                f = parar_ ? nullptr : livre();
                if (!f)
                    return;
                f->tomada = true;
            }
            impressora.tomar_estado(modelo_);
            desenhar(*f, impressora, gravacao);
            f->paginas = std::move(gravacao.paginas);
            gravacao.paginas.clear();
            // Laid out here too: the writer's thread only names the fonts
            // and pictures.
            for (GravacaoPagina& g : f->paginas)
                if (g.tocada && g.terminou)
                    g.prever(previsor, fontes);
            std::lock_guard l(mutex_);
            f->pronta = true;
            pronta_.notify_all();
        }
    }

    Faixa* livre()
    {
        for (auto& f : faixas_)
            if (!f->tomada)
                return f.get();
        return nullptr;
    }

    void desenhar(Faixa& f, SuperficieImpressora& impressora, GravacaoPaginas& gravacao)
    {
        Documento doc;
        doc.nome_arquivo = nome_;
        FonteBytes fonte;
        if (!fonte.abrir(nome_, &f.erro) || (f.inicio && !fonte.posicionar(f.inicio->posicao))) {
            f.lida = false;
            return;
        }
        Metricas metricas = metricas_;
        Corrida corrida;
        const bool selecionar = true;
        Passagem p(selecionar);
        p.primeira_pagina = static_cast<double>(f.primeira);
        p.ultima_pagina = static_cast<double>(f.ultima);
        p.pagina = f.primeira;
        p.imagens = imagens_;
        p.retomar = f.inicio ? &*f.inicio : nullptr;
        ObservadorFio observador(doc, parar_, p, gravacao);
        imprimir_passagem(fonte, doc, metricas, corrida, impressora, p, observador);
        f.posicao_fim = fonte.posicao();
        f.lida = doc.interromper == 1 || fonte.integro(&f.erro);
    }

    const QString nome_;
    const Metricas metricas_;
    GravacaoPaginas descarte_;
    const SuperficieImpressora modelo_; // as the pass begins
    const std::shared_ptr<CacheImagens> imagens_;
    const size_t limite_;

    std::mutex mutex_;
    std::condition_variable ha_faixa_, pronta_;
    std::deque<std::unique_ptr<Faixa>> faixas_;
    bool publicacao_encerrada_ = false;
    std::atomic<bool> parar_{false};
    std::vector<std::thread> fios_;
};

} // namespace

bool imprimir_passagem_em_fios(Documento& doc, Metricas& metricas, SuperficieImpressora& impressora,
                               Passagem& passagem, Observador& observador, int fios, QString* erro,
                               const InicioPagina* inicio)
{
    FonteBytes fonte;
    if (!fonte.abrir(doc.nome_arquivo, erro))
        return false;
    // The pages the job prints: blocks begin at the first of them.
    constexpr double sem_fim = std::numeric_limits<double>::infinity();
    const bool intervalo = passagem.selecionar_paginas;
    const double ultima = intervalo ? passagem.ultima_pagina : sem_fim;
    const double primeira = intervalo ? std::max(1.0, std::ceil(passagem.primeira_pagina)) : 1.0;
    const auto fim_da_faixa = [&](std::int64_t p) {
        const double u = std::min(ultima, static_cast<double>(p + paginas_por_faixa - 1));
        return static_cast<std::int64_t>(std::min(std::floor(u), 9e18));
    };

    Oficina oficina(doc, metricas, impressora, passagem, std::clamp(fios, 1, fios_de_desenho));
    bool falhou = false;
    const qint64 tamanho = fonte.tamanho();
    const bool selecionar = true;
    Passagem leitura(selecionar);
    ImagensEscritas imagens(*passagem.imagens, leitura.imagens_com_erro, observador);
    // Writes the blocks drawn, in order; with `tudo`, every one left.
    const auto escrever = [&](bool tudo) {
        while (!falhou) {
            std::unique_ptr<Faixa> f = oficina.proxima(tudo);
            if (!f)
                return;
            if (!f->lida) {
                falhou = true;
                if (erro)
                    *erro = f->erro;
                doc.interromper = 1;
                oficina.parar();
                return;
            }
            std::int64_t pagina = f->primeira;
            for (const GravacaoPagina& g : f->paginas) {
                impressora.reproduzir(g, imagens);
                if (g.terminou)
                    observador.pagina(QString::number(++pagina));
            }
            if (tamanho > 0)
                observador.progresso(std::min(1.0, static_cast<double>(f->posicao_fim) / tamanho));
        }
    };

    // The job's own pass, on its printer, draws nothing: it only finds
    // where the blocks begin.
    leitura.primeira_pagina = sem_fim;
    leitura.ultima_pagina = ultima;
    leitura.pagina = passagem.pagina;
    leitura.imagens = passagem.imagens;
    leitura.imagens_com_erro = passagem.imagens_com_erro;
    if (inicio) {
        // Read on from the range's first page, found already.
        fonte.posicionar(inicio->posicao);
        leitura.retomar = inicio;
        oficina.publicar(inicio->pagina, fim_da_faixa(inicio->pagina), inicio);
    } else if (primeira == 1 && primeira <= ultima)
        oficina.publicar(1, fim_da_faixa(1), nullptr);
    leitura.ao_iniciar_pagina = [&](const InicioPagina& s) {
        const auto p = static_cast<double>(s.pagina);
        if (p >= primeira && p <= ultima && std::fmod(p - primeira, paginas_por_faixa) == 0)
            oficina.publicar(s.pagina, fim_da_faixa(s.pagina), &s);
        escrever(false);
        return !falhou;
    };
    ObservadorLeitura calado(observador, [&] { escrever(false); });
    Corrida corrida;
    imprimir_passagem(fonte, doc, metricas, corrida, impressora, leitura, calado);
    const bool lido = doc.interromper == 1 || fonte.integro(erro);
    fonte.fechar();
    passagem.pagina = leitura.pagina;
    // Stopped at the end of the range's last page, which its thread ended in
    // the document: the pen stands where a page end leaves it.
    if (static_cast<double>(leitura.pagina) > ultima) {
        impressora.setCurrentX(0);
        impressora.setCurrentY(0);
    }
    if (lido && doc.interromper != 1) {
        oficina.encerrar_publicacao();
        escrever(true);
    }
    passagem.imagens_com_erro = leitura.imagens_com_erro;
    oficina.parar();
    if (falhou)
        doc.interromper = 0; // stopped here, for the failure told in `erro`
    return lido && !falhou;
}

} // namespace papelada
