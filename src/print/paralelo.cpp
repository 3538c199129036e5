#include "print/paralelo.h"

#include <QSet>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace papelada {

namespace {

// A block of pages of one thread, in page order from `primeira`.
struct Faixa {
    std::int64_t primeira = 1;
    std::vector<GravacaoPagina> paginas;
    bool fim = false;          // the pass ended on one of these pages
    qint64 tamanho_arquivo = 0;
};

// Blocks a thread has drawn and the writer has not taken yet: at most this
// many, so that the pages in memory do not grow with the report.
constexpr size_t faixas_em_espera = 2;

// One thread of the pass: its own printer, metrics, run and source; the
// observer of its pass (it keeps what the pass tells on its pages) and the
// recorder of its printer.
class Fio final : public Observador, public Gravador {
public:
    Fio(const Documento& doc, const Metricas& metricas, const SuperficieImpressora& modelo,
        const Passagem& passagem, int fio, int fios, std::atomic<bool>& parar)
        : doc_(doc), metricas_(metricas), impressora_(modelo, *this), passagem_(selecionar_), parar_(parar)
    {
        doc_.interromper = 0;
        if (passagem.selecionar_paginas) {
            passagem_.primeira_pagina = passagem.primeira_pagina;
            passagem_.ultima_pagina = passagem.ultima_pagina;
        } else {
            passagem_.primeira_pagina = 1;
            passagem_.ultima_pagina = std::numeric_limits<double>::infinity();
        }
        passagem_.pagina = passagem.pagina;
        passagem_.faixa = paginas_por_faixa;
        passagem_.fios = fios;
        passagem_.fio = fio;
        passagem_.imagens_com_erro = passagem.imagens_com_erro;
        passagem_.imagens = passagem.imagens; // pictures decoded by earlier passes
        proxima_ = passagem.pagina;
    }

    void executar()
    {
        FonteBytes fonte;
        fonte_ = &fonte;
        if (fonte.abrir(doc_.nome_arquivo, &erro_)) {
            Corrida corrida;
            imprimir_passagem(fonte, doc_, metricas_, corrida, impressora_, passagem_, *this);
            lido_ = doc_.interromper == 1 || fonte.integro(&erro_);
            if (lido_ && doc_.interromper != 1)
                concluir();
            fonte.fechar();
        }
        fonte_ = nullptr;
        std::lock_guard l(mutex_);
        fechado_ = true;
        pronto_.notify_all();
    }

    // The next block, in order; null once the thread ends without more.
    std::unique_ptr<Faixa> receber()
    {
        std::unique_lock l(mutex_);
        pronto_.wait(l, [&] { return !fila_.empty() || fechado_; });
        if (fila_.empty())
            return nullptr;
        std::unique_ptr<Faixa> f = std::move(fila_.front());
        fila_.pop_front();
        livre_.notify_all();
        return f;
    }

    // A block written: its room serves the thread's next blocks.
    void devolver(std::unique_ptr<Faixa> f)
    {
        std::lock_guard l(mutex_);
        if (devolvidas_.size() < faixas_em_espera + 1)
            devolvidas_.push_back(std::move(f));
    }

    // Nothing more is taken: blocks still to come are thrown away, and a
    // thread waiting to hand one over goes on (to its end, or to the
    // interruption).
    void dispensar()
    {
        std::lock_guard l(mutex_);
        dispensado_ = true;
        fila_.clear();
        livre_.notify_all();
    }

    bool lido() const { return lido_; }
    QString falha() const { return erro_; }
    const Metricas& metricas() const { return metricas_; }
    const SuperficieImpressora& impressora() const { return impressora_; }
    const Passagem& passagem() const { return passagem_; }

    // Observador: a page end, and the interruption.
    void pagina(const QString&) override { avancar(passagem_.pagina); }
    void processar_eventos() override
    {
        if (parar_.load(std::memory_order_relaxed))
            doc_.interromper = 1;
    }
    void mensagem(const QString& texto) override { avisar(AvisoPagina::Tipo::Mensagem, texto); }
    void aviso(const QString& texto) override { avisar(AvisoPagina::Tipo::Aviso, texto); }
    void erro(const QString& texto) override { avisar(AvisoPagina::Tipo::Erro, texto); }

    // Gravador.
    GravacaoPagina& pagina_atual() override { return registro(passagem_.pagina); }

private:
    // What the pass tells on its own pages; the other threads tell the rest.
    void avisar(AvisoPagina::Tipo tipo, const QString& texto)
    {
        if (passagem_.minha(passagem_.pagina))
            registro(passagem_.pagina).avisos.push_back({tipo, texto});
    }

    // The record of page `p`, one of this thread's: its block is begun
    // when the first of them is needed.
    GravacaoPagina& registro(std::int64_t p)
    {
        const std::int64_t primeira = (p - 1) / paginas_por_faixa * paginas_por_faixa + 1;
        if (!atual_ || atual_->primeira != primeira) {
            atual_ = reaproveitada();
            atual_->primeira = primeira;
            atual_->fim = false;
            atual_->tamanho_arquivo = fonte_ ? fonte_->tamanho() : 0;
            atual_->paginas.resize(static_cast<size_t>(paginas_por_faixa));
            for (std::int64_t i = 0; i < paginas_por_faixa; ++i) {
                GravacaoPagina& g = atual_->paginas[static_cast<size_t>(i)];
                g.limpar();
                g.selecionada = passagem_.no_intervalo(primeira + i);
            }
        }
        return atual_->paginas[static_cast<size_t>(p - primeira)];
    }

    // A block the writer gave back, or a new one.
    std::unique_ptr<Faixa> reaproveitada()
    {
        std::lock_guard l(mutex_);
        if (devolvidas_.empty())
            return std::make_unique<Faixa>();
        std::unique_ptr<Faixa> f = std::move(devolvidas_.back());
        devolvidas_.pop_back();
        return f;
    }

    // The pages before `ate` have ended: a block whose last page ended is
    // handed over.
    void avancar(std::int64_t ate)
    {
        for (; proxima_ < ate; ++proxima_) {
            if (!passagem_.minha(proxima_))
                continue;
            GravacaoPagina& g = registro(proxima_);
            g.terminou = true;
            g.posicao_fim = fonte_ ? fonte_->posicao() : 0;
            // Laid out here too: the writer's thread only names the fonts
            // and pictures.
            if (g.selecionada && g.tocada)
                g.prever(previsor_, fontes_);
            if (proxima_ % paginas_por_faixa == 0)
                entregar();
        }
    }

    // The pass ended on page passagem_.pagina: its block, when it is this
    // thread's, is the last one.
    void concluir()
    {
        const std::int64_t fim = passagem_.pagina;
        avancar(fim);
        if (!passagem_.minha(fim))
            return;
        registro(fim);
        atual_->fim = true;
        atual_->paginas.resize(static_cast<size_t>(fim - atual_->primeira + 1));
        entregar();
    }

    void entregar()
    {
        std::unique_lock l(mutex_);
        livre_.wait(l, [&] { return fila_.size() < faixas_em_espera || dispensado_; });
        if (!dispensado_)
            fila_.push_back(std::move(atual_));
        atual_.reset();
        pronto_.notify_all();
    }

    Documento doc_;
    Metricas metricas_;
    SuperficieImpressora impressora_;
    bool selecionar_ = true;
    Passagem passagem_;
    std::atomic<bool>& parar_;
    FonteBytes* fonte_ = nullptr;
    bool lido_ = false;
    QString erro_;
    std::unique_ptr<Faixa> atual_;
    pdf::Escritor previsor_{pdf::Escritor::SoPrevisao{}};
    FontesCruas fontes_;
    std::int64_t proxima_ = 1; // the first page not known to have ended

    std::mutex mutex_;
    std::condition_variable pronto_, livre_;
    std::deque<std::unique_ptr<Faixa>> fila_;
    std::vector<std::unique_ptr<Faixa>> devolvidas_;
    bool fechado_ = false;
    bool dispensado_ = false;
};

} // namespace

bool imprimir_passagem_em_fios(Documento& doc, Metricas& metricas, SuperficieImpressora& impressora,
                               Passagem& passagem, Observador& observador, int fios, QString* erro)
{
    fios = std::clamp(fios, 1, fios_de_desenho);
    std::atomic<bool> parar{false};
    std::vector<std::unique_ptr<Fio>> trabalhadores;
    for (int i = 0; i < fios; ++i)
        trabalhadores.push_back(std::make_unique<Fio>(doc, metricas, impressora, passagem, i, fios, parar));
    std::vector<std::thread> threads;
    for (auto& t : trabalhadores)
        threads.emplace_back([f = t.get()] { f->executar(); });

    // Pictures that could not be read are told once, whichever thread met them.
    QSet<QString> erros_ditos;
    bool fim = false;
    for (std::int64_t s = 0; !fim; ++s) {
        Fio& fio = *trabalhadores[static_cast<size_t>(s % fios)];
        std::unique_ptr<Faixa> faixa = fio.receber();
        if (!faixa)
            break; // the thread failed or was interrupted
        qint64 posicao = 0;
        for (size_t i = 0; i < faixa->paginas.size(); ++i) {
            const GravacaoPagina& g = faixa->paginas[i];
            if (g.selecionada)
                impressora.reproduzir(g);
            for (const AvisoPagina& a : g.avisos) {
                switch (a.tipo) {
                case AvisoPagina::Tipo::Mensagem: observador.mensagem(a.texto); break;
                case AvisoPagina::Tipo::Aviso: observador.aviso(a.texto); break;
                case AvisoPagina::Tipo::Erro:
                    if (!erros_ditos.contains(a.texto)) {
                        erros_ditos.insert(a.texto);
                        observador.erro(a.texto);
                    }
                    break;
                }
            }
            if (g.terminou) {
                if (g.selecionada)
                    impressora.newPage();
                observador.pagina(QString::number(faixa->primeira + static_cast<std::int64_t>(i) + 1));
                posicao = g.posicao_fim;
            }
        }
        if (posicao > 0 && faixa->tamanho_arquivo > 0)
            observador.progresso(std::min(1.0, static_cast<double>(posicao) / faixa->tamanho_arquivo));
        observador.processar_eventos();
        fim = faixa->fim;
        fio.devolver(std::move(faixa));
        if (doc.interromper == 1) {
            parar = true;
            break;
        }
    }
    for (auto& t : trabalhadores)
        t->dispensar();
    for (auto& t : threads)
        t.join();

    if (doc.interromper == 1)
        return true;
    for (const auto& t : trabalhadores)
        if (!t->lido()) {
            if (erro)
                *erro = t->falha();
            return false;
        }
    if (!fim) {
        // Every thread read the whole report and none ended where the pass
        // ends: the pages drawn cannot be trusted.
        if (erro)
            *erro = QStringLiteral("As páginas desenhadas em paralelo não se completaram.");
        return false;
    }

    // The pass ends as the single pass ends. The threads differ only in the
    // pen that a new page puts at the corner, when the last page to end
    // ended the pass: the state is the one of the thread that drew it.
    const std::int64_t ultima = std::max<std::int64_t>(1, trabalhadores.front()->passagem().pagina - 1);
    const Fio& dono = *trabalhadores[static_cast<size_t>((ultima - 1) / paginas_por_faixa % fios)];
    impressora.adotar_estado(dono.impressora());
    metricas = dono.metricas();
    passagem.pagina = dono.passagem().pagina;
    passagem.imagens = dono.passagem().imagens;
    for (const auto& t : trabalhadores)
        passagem.imagens_com_erro.unite(t->passagem().imagens_com_erro);
    return true;
}

} // namespace papelada
