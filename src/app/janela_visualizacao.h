// The preview window and its launch (the "Visualizar" command).
#pragma once

#include "stream/estado.h"
#include "stream/observador.h"
#include "stream/superficie.h"

#include <QString>
#include <functional>

class QWidget;

namespace papelada {

class Dialogos;

// What the preview needs from the main window.
struct ContextoVisualizacao {
    Documento* doc = nullptr;
    Metricas* metricas = nullptr;
    IndicePaginas* indice = nullptr;
    Superficie* impressora = nullptr; // page geometry and font come from the printer
    Observador* observador = nullptr; // progress of the page index, in the main window
    QString margem_esquerda;          // Text5, millimetres
    QString margem_superior;          // Text4
    Dialogos* dialogos = nullptr;     // message and input boxes; the Qt ones when null
    std::function<void()> enviar_por_email; // the tool strip's e-mail button, when offered
};

// Prepares the preview (zoom 100 %, page geometry and screen font from the
// printer, the page index when it is not valid) and shows the preview window,
// not modal. Its print button sets `doc->imprimir_ao_ativar` and closes it;
// `ao_fechar` runs whenever the window closes, so that the main window can
// start the print job that the preview asked for.
QWidget* Command6_Click(const ContextoVisualizacao& contexto, QWidget* principal,
                        std::function<void()> ao_fechar);

} // namespace papelada
