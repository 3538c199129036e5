#include "stream/numeros.h"

namespace papelada {

double valor_texto(const QString& texto)
{
    int i = 0;
    const int n = texto.size();
    while (i < n && (texto[i] == u' ' || texto[i] == u'\t'))
        ++i;
    double sinal = 1.0;
    if (i < n && (texto[i] == u'-' || texto[i] == u'+')) {
        if (texto[i] == u'-')
            sinal = -1.0;
        ++i;
    }
    double valor = 0.0;
    bool algum = false;
    while (i < n && texto[i] >= u'0' && texto[i] <= u'9') {
        valor = valor * 10.0 + (texto[i].unicode() - u'0');
        algum = true;
        ++i;
    }
    if (i < n && texto[i] == u'.') {
        ++i;
        double escala = 0.1;
        while (i < n && texto[i] >= u'0' && texto[i] <= u'9') {
            valor += (texto[i].unicode() - u'0') * escala;
            escala /= 10.0;
            algum = true;
            ++i;
        }
    }
    if (!algum || !std::isfinite(valor))
        return 0.0;
    return sinal * valor;
}

} // namespace papelada
