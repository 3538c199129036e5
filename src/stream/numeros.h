// Numbers as the report language and the window fields read them.
#pragma once

#include <QString>
#include <cmath>
#include <cstdint>
#include <limits>

namespace papelada {

// Numeric value of a text: the longest leading part that reads as a decimal
// number ("." as decimal point), 0 when there is none. Leading blanks and a
// sign are accepted; "12,5" is 12 and "75%" is 75.
double valor_texto(const QString& texto);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Non-finite values give 0 and huge ones saturate.
inline std::int64_t arredondar(double v)
{
    if (!std::isfinite(v))
        return 0;
    constexpr double limite = 9.0e18;
    if (v >= limite)
        return static_cast<std::int64_t>(limite);
    if (v <= -limite)
        return -static_cast<std::int64_t>(limite);
    return static_cast<std::int64_t>(std::nearbyint(v));
}

// Rounds toward minus infinity ("Int").
inline std::int64_t inteiro(double v)
{
    return arredondar(std::floor(v));
}

// A value stored into a field that cannot hold it is clamped to the field.
template <typename T>
inline T limitar(std::int64_t v)
{
    if (v > std::numeric_limits<T>::max())
        return std::numeric_limits<T>::max();
    if (v < std::numeric_limits<T>::min())
        return std::numeric_limits<T>::min();
    return static_cast<T>(v);
}

inline std::int16_t para_i16(double v) { return limitar<std::int16_t>(arredondar(v)); }
inline std::int32_t para_i32(double v) { return limitar<std::int32_t>(arredondar(v)); }

// Integer division after rounding both operands (halves to even); the
// quotient drops its remainder, towards zero. Division by zero gives 0.
inline std::int64_t dividir_inteiro(double a, double b)
{
    const std::int64_t na = arredondar(a), nb = arredondar(b);
    return nb == 0 ? 0 : na / nb;
}

// Millimetres to twips.
constexpr double twips_por_mm = 1440.0 / 25.4;

// Scale origin for a margin in millimetres: the whole twips below
// -margin x 1440 / 25.4, so that (0, 0) lies that far inside the page.
inline std::int64_t origem_margem(double mm)
{
    return inteiro(mm * -1440.0 / 25.4);
}
inline std::int64_t origem_margem(const QString& texto_mm)
{
    return origem_margem(valor_texto(texto_mm));
}

} // namespace papelada
