// "Enviar por e-mail...": the report's chosen pages as a PDF attachment in
// the desktop's mail program, from the main window's Spool menu and from the
// preview's tool strip. Both take pages and margins from the main window's
// fields, checked as for printing.
#pragma once

#include <functional>

class QToolBar;

namespace papelada {

// Adds the e-mail button to the preview's tool bar when `acao` is set.
void botao_email(QToolBar* barra, const std::function<void()>& acao);

} // namespace papelada
