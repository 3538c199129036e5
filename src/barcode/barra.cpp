#include "barcode/barra.h"

#include "barcode/elementos.h"
#include "stream/numeros.h"

namespace papelada {

namespace {

// The data with the spaces at both ends removed.
QByteArray aparar(const QByteArray& texto)
{
    qsizetype inicio = 0, fim = texto.size();
    while (inicio < fim && texto[inicio] == ' ')
        ++inicio;
    while (fim > inicio && texto[fim - 1] == ' ')
        --fim;
    return texto.mid(inicio, fim - inicio);
}

// A barcode that starts at the pen, its data bars `altura` tall.
EstadoBarra na_pena(const Superficie& superficie, double altura)
{
    EstadoBarra estado;
    estado.bar_x = superficie.currentX();
    estado.bar_topo = superficie.currentY();
    estado.bar_base = estado.bar_topo + altura;
    return estado;
}

// The symbology drawn from `estado` in `geometria`, the data without its
// outer blanks.
void desenhar(Superficie& superficie, const EstadoBarra& estado, const Geometria& geometria,
              int padrao, const QByteArray& texto)
{
    Desenho desenho(superficie, estado, geometria);
    desenhar_simbologia(desenho, padrao, aparar(texto));
}

} // namespace

void imprimir_barra(Superficie& impressora, int& bar_padrao, std::int64_t& bar_altura,
                    std::int16_t& bar_largura, QByteArray& bar_texto)
{
    // The barcode is drawn in device pixels. The scale in force on entry
    // (twips, with the margins as its origin) comes back afterwards, so that
    // what follows the barcode keeps the margins, as on the preview.
    const ModoEscala modo = impressora.scaleMode();
    const double esquerda = impressora.scaleLeft();
    const double topo = impressora.scaleTop();

    // Device pixels per 1/300 inch, from the page height in both scales (the
    // pixel height taken as a whole number, however tall the page).
    const double altura_twips = impressora.scaleHeight();
    impressora.setScaleMode(ModoEscala::Pixels);
    const double altura_pixels = static_cast<double>(arredondar(impressora.scaleHeight()));
    const double fator = altura_twips > 0 ? (altura_pixels / altura_twips * 1440) / 300 : 1;
    bar_altura = arredondar(static_cast<double>(bar_altura) * fator);

    EstadoBarra estado = na_pena(impressora, static_cast<double>(bar_altura));
    estado.bar_base_guarda = arredondar(estado.bar_topo + 1.1 * static_cast<double>(bar_altura));
    desenhar(impressora, estado, geometria_impressora(bar_largura, estado), bar_padrao, bar_texto);

    impressora.setScaleMode(modo);
    impressora.setScaleLeft(esquerda);
    impressora.setScaleTop(topo);
}

void visualizar_barra(Superficie& pagina, double fator_zoom, int bar_padrao, std::int64_t bar_altura,
                      std::int16_t, const QByteArray& bar_texto)
{
    const EstadoBarra estado = na_pena(pagina, 5 * static_cast<double>(bar_altura) * fator_zoom);
    desenhar(pagina, estado, geometria_visualizacao(fator_zoom, estado), bar_padrao, bar_texto);
}

} // namespace papelada
