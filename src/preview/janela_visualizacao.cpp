// Placeholder until the preview window lands.
#include "preview/janela_visualizacao.h"

namespace papelada {

QWidget* Command6_Click(const ContextoVisualizacao&, QWidget*, std::function<void()>)
{
    return nullptr;
}

} // namespace papelada
