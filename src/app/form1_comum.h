// What the parts of the main window share: how a typed number is read, the
// unit of the progress bar, and the observer of the core's work.
#pragma once

#include "app/form1.h"
#include "print/pedido.h" // numero_digitado: a number as the user types it

#include <QElapsedTimer>
#include <QSet>

namespace papelada {

// Width of the progress bar in twips; the bar counts in these units.
inline constexpr int largura_barra = 6495;

// What the core tells the main window while it measures, prints or copies:
// the progress frame, the report's messages and warnings, the copy's line.
class Form1::Observacao : public Observador {
public:
    explicit Observacao(Form1& janela) : j_(janela) {}

    // A new file: its warnings are given again.
    void esquecer_avisos() { avisos_dados_.clear(); }
    // A copy starts or ends: its line shows at once.
    void reiniciar_copia() { relogio_copia_.invalidate(); }

    void quadro(const QString& titulo, bool visivel) override;
    void acao(const QString& texto) override;
    void pagina(const QString& texto) override;
    void progresso(double fracao) override;
    void processar_eventos() override;
    void mensagem(const QString& texto) override;
    void aviso(const QString& texto) override;
    void erro(const QString& texto) override;
    void imagem_mostrar(const QImage& imagem) override;
    void imagem_fechar() override;
    void impressora_escolhida(const QString& nome, const QString& papel) override;
    void fonte_escolhida() override;
    void gravando(const QString& texto) override;
    void imprimindo(bool ativo) override;

private:
    Form1& j_;
    // Warnings already given for the file shown.
    QSet<QString> avisos_dados_;
    // The text copy's last line and its last repaint.
    QElapsedTimer relogio_copia_;
    QString linha_copia_;
};

} // namespace papelada
