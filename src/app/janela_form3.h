// "Visualização de Relatório": one page of the report at a time, with page
// navigation, zoom, scrolling, text search, print and close.
#pragma once

#include "app/janela_visualizacao.h"
#include "preview/visualizacao.h"
#include "stream/superficie_imagem.h"

#include <QByteArray>
#include <QImage>
#include <QThread>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QToolBar;
class QLabel;
class QLineEdit;
class QScrollBar;
class QToolButton;

namespace papelada {

class Dialogos;
class SegundoPlano;

// The plain text of the report that the search runs on, loaded again at
// every search from the start.
class TextoProcura : public QObject {
    Q_OBJECT
public:
    explicit TextoProcura(QObject* pai);
    bool carregar(const QString& caminho, QString* erro);
    // The 0-based offset of the first printed occurrence at or after
    // `inicio`, without regard to case, in `achado` (-1 when there is none).
    // False when the file could not be read or `andamento` was cancelled.
    bool procurar(const QString& texto, qint64 inicio, qint64& achado, QString* erro,
                  SegundoPlano& andamento) const;

private:
    // The file is searched where it lies, block by block, up to the length
    // it had when it was loaded.
    QString caminho_;
    qint64 tamanho_ = 0;
};

class Form3 : public QWidget {
    Q_OBJECT
public:
    Form3(const ContextoVisualizacao& contexto, QWidget* principal, std::function<void()> ao_fechar);
    ~Form3() override;

    // The launch: zoom 100 %, page geometry and font from the printer, the
    // page index when it is not valid, the scroll ranges from the page size.
    // False when the user cancelled it: the window is not to show.
    bool iniciar();

    // Shows the page count; the first activation shows page 1. Coming back
    // to the window later does not turn the page.
    void Form_Activate();

    void Picture6_Click();  // first page
    void Picture5_Click();  // previous page
    void Picture3_Click();  // next page
    void Picture4_Click();  // last page
    void Picture9_Click();  // zoom in
    void Picture10_Click(); // zoom out
    void Picture11_Click(); // find from the start
    void Picture12_Click(); // find next
    void Picture8_Click();  // print
    void Picture7_Click();  // close
    void Text1_Change();
    void Text1_LostFocus();
    void Text2_LostFocus();
    // The zoom that fits the page's width, or the whole page, in the view.
    void ajustar_largura();
    void pagina_inteira_na_tela();
    // Renders the current page again.
    void redisplay();

    const EstadoVisualizacao& estado() const { return vis_; }
    // A page is being drawn or a search runs.
    bool ocupada() const;
    // The last page drawn, as the viewport copies from it.
    const QImage& imagem() const { return quadro_; }
    // Viewport offset in page-image pixels.
    QPoint deslocamento() const;

Q_SIGNALS:
    // A page has been drawn (its number).
    void pagina_renderizada(int pagina);

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* objeto, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    class Visor;

    void montar();
    void montar_ferramentas();
    void dispor_ferramentas();
    void atalhos();
    void dispor_na_tela(QWidget* principal);
    Dialogos& dialogos();
    // True when a page is being drawn or a search runs: `acao` then runs
    // right after it.
    bool adiado(void (Form3::*acao)());
    void renderizar();
    void mudar_zoom(int passo);
    // The zoom percentage and its factor, together.
    void definir_zoom(int percentual);
    void ir_para_achado(qint64 achado);
    // Runs the search from `inicio` on a worker: the hit, -1 when there is
    // none, nothing when it failed (the user has been told) or was cancelled.
    std::optional<qint64> procurar(qint64 inicio);
    // What was asked for while a page was drawn or a search ran, in order.
    void executar_pendentes();
    // The scroll ranges from the page image and the view; a bar shows only
    // when the page does not fit that way.
    void ajustar_barras();
    // Scrolls so that the highlighted hit is in view.
    void mostrar_destaque();
    // The page's top (or, with `fim`, its foot) in view.
    void rolar_para(bool fim);
    // The zoom of the page image that makes `lado_pixels` (at 100 %) fill
    // `espaco` pixels, within the zoom limits.
    void zoom_para(double lado_pixels, int espaco);
    void texto_nao_localizado();

    ContextoVisualizacao ctx_;
    std::function<void()> ao_fechar_;
    std::unique_ptr<Dialogos> dialogos_proprios_;
    Observador observador_mudo_;

    EstadoVisualizacao vis_;
    // The state of the page shown, which a drawing stopped halfway leaves.
    EstadoVisualizacao mostrado_;
    // The worker that draws the pages, and what it alone touches: the
    // pending text run and the page surface (made, used and destroyed there).
    QThread fio_desenho_;
    QObject* no_fio_;
    Corrida corrida_;
    std::unique_ptr<SuperficieImagem> superficie_;
    QImage quadro_;
    bool ativada_ = false;
    bool fechada_ = false;
    std::deque<void (Form3::*)()> pendentes_;

    // The controls; each keeps its form name as its objectName ("Picture2",
    // "HScroll1"...), by which tests find them.
    QWidget* pagina_inteira;    // Picture1: hidden, the size of the whole page image
    Visor* imagem_pagina;       // Picture2: the part of the page in view
    QScrollBar* barra_rolagem_horizontal; // HScroll1
    QScrollBar* barra_rolagem_vertical;   // VScroll1
    QToolBar* barra_ferramentas; // Frame1
    QLabel* rotulo_pagina;      // Label1 "Página"
    QLabel* rotulo_numero_pagina; // Label2
    QLabel* rotulo_de;          // Label3 "de"
    QLabel* rotulo_total_paginas; // Label4
    QLabel* rotulo_ver_pagina;  // Label5 "Ver página"
    QLineEdit* campo_pagina;    // Text1
    QLineEdit* campo_zoom;      // Text2
    QToolButton* botao_primeira;  // Picture6
    QToolButton* botao_anterior;  // Picture5
    QToolButton* botao_proxima;   // Picture3
    QToolButton* botao_ultima;    // Picture4
    QToolButton* botao_mais_zoom; // Picture9
    QToolButton* botao_menos_zoom; // Picture10
    QToolButton* botao_procurar;   // Picture11
    QToolButton* botao_procurar_proxima; // Picture12
    QToolButton* botao_imprimir;   // Picture8
    QToolButton* botao_fechar;     // Picture7
    QToolButton* botao_ajustar_largura;
    QToolButton* botao_pagina_inteira;
    QAction* acao_procurar_proxima;
    SegundoPlano* andamento;       // a search that takes long
    TextoProcura* texto_procura;   // RichTextBox1
};

} // namespace papelada
