#include "stream/comandos.h"

#include "stream/cp1252.h"
#include "stream/numeros.h"

#include <cmath>

namespace papelada {

void aplicar_metrica(const Item& item, Metricas& m)
{
    const std::int64_t n = item.numeros[0];
    switch (item.byte) {
    case '7': m.altura_linha = limitar<std::int16_t>(n); break;
    case '8': m.largura_caracter = limitar<std::int16_t>(n); break;
    case 'A': m.altura_folha = limitar<std::int32_t>(n * m.altura_linha); break;
    default: break;
    }
}

Segmento converter_segmento(unsigned char comando, const Item& item, double cw, double lh)
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
        s.x1 = static_cast<double>(n[0]);
        s.y1 = static_cast<double>(n[1]);
        s.x2 = static_cast<double>(n[2]);
        s.y2 = static_cast<double>(n[3]);
    }
    s.largura = n[4] == 0 ? 1 : static_cast<int>(std::min<std::int64_t>(n[4], 32767));
    s.cor = static_cast<int>(std::min<std::int64_t>(n[5], 255));
    return s;
}

void definir_campo(unsigned char comando, const Item& item, double cw, Corrida& corrida)
{
    const auto borda = [&](std::int64_t v) {
        return comando == 'R' ? para_i16(std::fabs((static_cast<double>(v) - 1.0) * cw))
                              : limitar<std::int16_t>(v);
    };
    corrida.campo_inicio = borda(item.numeros[0]);
    corrida.campo_fim = borda(item.numeros[1]);
    corrida.campo_alinhamento = limitar<std::int16_t>(item.numeros[2]);
}

void desenhar_corrida(Corrida& c, Superficie& s)
{
    if (c.buffer.isEmpty())
        return;
    const int largura = c.campo_fim - c.campo_inicio + 1;
    const bool campo = c.tem_campo() && largura == static_cast<std::int16_t>(largura);
    qsizetype ini = 0, fim = c.buffer.size();
    if (campo && c.campo_alinhamento == 2) {
        while (ini < fim && c.buffer[ini] == ' ')
            ++ini;
        while (fim > ini && c.buffer[fim - 1] == ' ')
            --fim;
    }
    // Into the room the run's text had before: no allocation a run.
    QString& texto = c.texto;
    texto.resize(fim - ini);
    cp1252_para_unicode(c.buffer.constData() + ini, fim - ini, texto.data());
    if (campo) {
        switch (c.campo_alinhamento) {
        case 0: s.setCurrentX(c.campo_inicio); break;
        case 1: s.setCurrentX(c.campo_inicio + largura - s.textWidth(texto)); break;
        case 2:
            s.setCurrentX(static_cast<double>(c.campo_inicio
                                              + dividir_inteiro(largura - s.textWidth(texto), 2)));
            break;
        default: break;
        }
    }
    s.print(texto);
    c.campo_inicio = c.campo_fim = 0;
    c.buffer.truncate(0);
}

void passar_corrida(Corrida& c, qsizetype caracteres)
{
    if (c.buffer.isEmpty() && caracteres == 0)
        return;
    c.campo_inicio = c.campo_fim = 0;
    c.buffer.truncate(0);
}

Barra completar_barra(const CamposBarra& c, std::int64_t altura_padrao, std::int16_t largura_padrao)
{
    Barra b;
    b.padrao = (c.padrao < 1 || c.padrao > 4) ? 1 : static_cast<int>(c.padrao);
    b.altura = c.altura == 0 ? altura_padrao : c.altura;
    b.largura = c.largura == 0 ? largura_padrao : limitar<std::int16_t>(c.largura);
    b.texto = c.texto;
    while (!b.texto.isEmpty() && b.texto.front() == ' ')
        b.texto.remove(0, 1);
    while (!b.texto.isEmpty() && b.texto.back() == ' ')
        b.texto.chop(1);
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
