#include "stream/comandos.h"

#include "stream/numeros.h"

#include <cmath>

namespace papelada {

Segmento converter_segmento(unsigned char comando, const Item& item, double cw, double lh,
                            double escala_twips)
{
    Segmento s;
    const auto& n = item.numeros;
    s.caixa = comando == 'B' || comando == 'b';
    if (comando == 'L') {
        s.x1 = std::fabs((n[0] - 1.0) * cw);
        s.y1 = std::fabs((n[1] - 0.5) * lh);
        s.x2 = std::fabs((n[2] - 1.0) * cw);
        s.y2 = std::fabs((n[3] - 0.5) * lh);
    } else if (comando == 'B') {
        s.x1 = std::fabs((n[0] - 0.5) * cw);
        s.y1 = std::fabs((n[1] - 0.5) * lh);
        s.x2 = std::fabs((n[2] - 0.5) * cw);
        s.y2 = std::fabs((n[3] - 0.5) * lh);
    } else {
        s.x1 = static_cast<double>(inteiro(n[0] * escala_twips));
        s.y1 = static_cast<double>(inteiro(n[1] * escala_twips));
        s.x2 = static_cast<double>(inteiro(n[2] * escala_twips));
        s.y2 = static_cast<double>(inteiro(n[3] * escala_twips));
    }
    s.largura = n[4] == 0 ? 1 : static_cast<int>(std::min<std::int64_t>(n[4], 32767));
    s.cor = static_cast<int>(std::min<std::int64_t>(n[5], 255));
    return s;
}

Barra completar_barra(const CamposBarra& c, std::int64_t altura_padrao, std::int16_t largura_padrao,
                      bool aparar)
{
    Barra b;
    b.padrao = (c.padrao < 1 || c.padrao > 4) ? 1 : static_cast<int>(c.padrao);
    b.altura = c.altura == 0 ? altura_padrao : c.altura;
    b.largura = c.largura == 0 ? largura_padrao : limitar<std::int16_t>(c.largura);
    b.texto = c.texto;
    if (aparar) {
        while (!b.texto.isEmpty() && b.texto.front() == ' ')
            b.texto.remove(0, 1);
        while (!b.texto.isEmpty() && b.texto.back() == ' ')
            b.texto.chop(1);
    }
    if (b.padrao == 1 && b.texto.size() % 2 == 1)
        b.texto.prepend('0');
    return b;
}

TamanhoBarra tamanho_barra(int padrao, double altura, double largura, qsizetype comprimento)
{
    const double n = static_cast<double>(comprimento);
    switch (padrao) {
    case 2: return {altura + 8, largura * 103};
    case 3: return {altura + 8, largura * 67};
    case 4: return {altura, largura * (15 * n + 30)};
    default: return {altura, largura * (9 * n + 9)};
    }
}

} // namespace papelada
