// What the core tells while it runs on a worker, carried over to the
// window's thread: each call reaches `destino` there, in order, as long as
// `contexto` lives. The progress bar hears a new value only when it shows,
// and the report's own font record is told once.
#pragma once

#include "stream/observador.h"

#include <QPointer>
#include <algorithm>
#include <atomic>
#include <functional>

namespace papelada {

class ObservadorEntreFios : public Observador {
public:
    ObservadorEntreFios(QObject* contexto, Observador& destino) : contexto_(contexto), destino_(destino) {}

    void quadro(const QString& titulo, bool visivel) override;
    void acao(const QString& texto) override;
    void pagina(const QString& texto) override;
    void progresso(double fracao) override;
    // The window's thread runs its own events meanwhile.
    void processar_eventos() override {}
    void mensagem(const QString& texto) override;
    void aviso(const QString& texto) override;
    void erro(const QString& texto) override;
    void impressora_escolhida(const QString& nome, const QString& papel) override;
    void fonte_escolhida() override;
    void medicao_concluida() override;

private:
    void enviar(std::function<void(Observador&)> chamada);

    QPointer<QObject> contexto_;
    Observador& destino_;
    std::atomic<int> milesimos_{-1};
    std::atomic<bool> fonte_dita_{false};
};

} // namespace papelada
