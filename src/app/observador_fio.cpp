#include "app/observador_fio.h"

#include <QMetaObject>

namespace papelada {

void ObservadorEntreFios::enviar(std::function<void(Observador&)> chamada)
{
    Observador* destino = &destino_;
    QMetaObject::invokeMethod(
        contexto_.data(), [destino, chamada = std::move(chamada)] { chamada(*destino); }, Qt::QueuedConnection);
}

void ObservadorEntreFios::quadro(const QString& titulo, bool visivel)
{
    enviar([=](Observador& o) { o.quadro(titulo, visivel); });
}

void ObservadorEntreFios::acao(const QString& texto)
{
    enviar([=](Observador& o) { o.acao(texto); });
}

void ObservadorEntreFios::pagina(const QString& texto)
{
    enviar([=](Observador& o) { o.pagina(texto); });
}

void ObservadorEntreFios::progresso(double fracao)
{
    const int milesimos = static_cast<int>(std::clamp(fracao, 0.0, 1.0) * 1000);
    if (milesimos_.exchange(milesimos) != milesimos)
        enviar([=](Observador& o) { o.progresso(fracao); });
}

void ObservadorEntreFios::mensagem(const QString& texto)
{
    enviar([=](Observador& o) { o.mensagem(texto); });
}

void ObservadorEntreFios::aviso(const QString& texto)
{
    enviar([=](Observador& o) { o.aviso(texto); });
}

void ObservadorEntreFios::erro(const QString& texto)
{
    enviar([=](Observador& o) { o.erro(texto); });
}

void ObservadorEntreFios::impressora_escolhida(const QString& nome, const QString& papel)
{
    enviar([=](Observador& o) { o.impressora_escolhida(nome, papel); });
}

void ObservadorEntreFios::fonte_escolhida()
{
    if (!fonte_dita_.exchange(true))
        enviar([](Observador& o) { o.fonte_escolhida(); });
}

void ObservadorEntreFios::medicao_concluida()
{
    enviar([](Observador& o) { o.medicao_concluida(); });
}

} // namespace papelada
