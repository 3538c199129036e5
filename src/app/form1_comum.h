// What the parts of the main window share: how a typed number is read and
// the unit of the progress bar.
#pragma once

#include <QLocale>
#include <QString>
#include <cmath>
#include <optional>

namespace papelada {

// Width of the progress bar in twips; the bar counts in these units.
inline constexpr int largura_barra = 6495;

// A number as the user types it: blanks around it allowed, a decimal comma
// or point. Nothing for anything else.
inline std::optional<double> numero_digitado(const QString& texto)
{
    QString t = texto.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace papelada
