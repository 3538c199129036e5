#include "app/janela_icones.h"

#include "app/aplicacao.h"

namespace papelada {

QIcon icone(Icone qual)
{
    struct Figura {
        const char* tema;    // the freedesktop name
        const char* arquivo; // the program's own, in its resources
    };
    static constexpr Figura figuras[] = {
        {"go-first", "primeira"},         {"go-previous", "anterior"},
        {"go-next", "proxima"},           {"go-last", "ultima"},
        {"zoom-out", "menos_zoom"},       {"zoom-in", "mais_zoom"},
        {"zoom-fit-width", "ajustar_largura"}, {"zoom-fit-best", "pagina_inteira"},
        {"edit-find", "procurar"},        {"go-down-search", "procurar_proxima"},
        {"document-print", "imprimir"},   {"window-close", "fechar"},
    };
    icone_programa(); // registers the resources
    const Figura& f = figuras[static_cast<int>(qual)];
    return QIcon::fromTheme(QLatin1String(f.tema),
                            QIcon(QStringLiteral(":/papelada/icones/%1.svg").arg(QLatin1String(f.arquivo))));
}

} // namespace papelada
