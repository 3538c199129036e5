// Placeholder until the settings store lands.
#include "settings/configuracoes.h"

namespace papelada {

void ler_margens(std::int32_t& e, std::int32_t& s) { e = s = 10; }
void gravar_margens(const QString&, const QString&, std::int32_t&, std::int32_t&) {}
bool set_default_font(Superficie&, FonteEscolhida*) { return false; }
void aplicar_fonte_reserva(Superficie& p)
{
    p.setFontName(QStringLiteral("Courier New"));
    p.setFontSize(10);
    p.setFontBold(false);
    p.setFontItalic(false);
}
void gravar_fonte_padrao(Superficie&) {}
void recalcular_metricas(Superficie&, Metricas&) {}

} // namespace papelada
