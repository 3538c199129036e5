// What the core tells the user while it works. The windows show it; the
// command-line tool writes some of it to the terminal; tests record it.
// Every method does nothing by default.
#pragma once

#include <QImage>
#include <QString>

namespace papelada {

class Observador {
public:
    virtual ~Observador() = default;

    // The progress frame ("Evolução da Impressão", "Analisando os dados a
    // Imprimir"): caption and visibility.
    virtual void quadro(const QString& /*titulo*/, bool /*visivel*/) {}
    // What is being done ("Imprimindo a Página", "Examinando a Página").
    virtual void acao(const QString& /*texto*/) {}
    // The page number label.
    virtual void pagina(const QString& /*texto*/) {}
    // Progress bar, 0 to 1.
    virtual void progresso(double /*fracao*/) {}
    // Lets the user interface handle pending events; this is where a request
    // to interrupt a print reaches the running pass.
    virtual void processar_eventos() {}

    // Message of ESC "0".
    virtual void mensagem(const QString& /*texto*/) {}
    // A warning that needs the user's attention (the paper fit check).
    virtual void aviso(const QString& /*texto*/) {}
    // A failure worth telling (a picture that cannot be loaded, a file that
    // cannot be opened).
    virtual void erro(const QString& /*texto*/) {}

    // The small window shown while a picture is printed. An observer that
    // shows none lets the printer take a picture's file without decoding it.
    virtual bool mostra_imagens() const { return true; }
    virtual void imagem_mostrar(const QImage& /*imagem*/) {}
    virtual void imagem_fechar() {}

    // Measurement: the report chose its printer (ESC "D") or font (ESC "F");
    // the window disables the controls that would change them.
    virtual void impressora_escolhida(const QString& /*nome*/, const QString& /*papel*/) {}
    virtual void fonte_escolhida() {}
    // Measurement finished.
    virtual void medicao_concluida() {}

    // Progress of a saved text copy ("Gravando ... . Linha n"); an empty
    // text hides it.
    virtual void gravando(const QString& /*texto*/) {}

    // A print pass starts (true) or ends (false): the window disables every
    // command but "Interromper" while it runs, and restores them afterwards.
    virtual void imprimindo(bool /*ativo*/) {}
};

} // namespace papelada
