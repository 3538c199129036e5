#include "barcode/elementos.h"

#include "stream/cp1252.h"
#include "stream/numeros.h"

#include <algorithm>

namespace papelada {

namespace {

int digito(char c) { return c >= '0' && c <= '9' ? c - '0' : 0; }
int digito(std::string_view texto, std::size_t i) { return i < texto.size() ? digito(texto[i]) : 0; }

// One line of a bar, down from the top of the barcode. Only the part on the
// surface is drawn.
void linha(Desenho& d, double x, double base)
{
    if (d.estado.bar_topo > d.y_maximo)
        return;
    d.superficie.line(x, d.estado.bar_topo, x, std::min(base, d.y_maximo), QBColor(0), false);
}

// A bar of k modules. The pen ends at the bottom of its last line.
void barra(Desenho& d, const Traco& t, int k, double base)
{
    // To a whole number of lines, halves to the even one (1.5 and 2.5 give 2).
    const int linhas = para_i16(k * t.linhas_por_modulo);
    if (linhas <= 0)
        return;
    double& x = d.estado.bar_x;
    const double inicio = x;
    double ultima = x;
    for (int i = 0; i < linhas; ++i) {
        if (t.passo_antes)
            x += t.passo;
        if (x > d.x_maximo) {
            // The rest of the bar lies beyond the right edge.
            x = inicio + linhas * t.passo;
            ultima = t.passo_antes ? x : x - t.passo;
            break;
        }
        linha(d, x, base);
        ultima = x;
        if (!t.passo_antes)
            x += t.passo;
    }
    d.superficie.setCurrentX(ultima);
    d.superficie.setCurrentY(base);
}

void espaco(Desenho& d, const Traco& t, int k, double folga_extra = 0)
{
    d.estado.bar_x += folga_extra + t.folga + k * t.espaco_por_modulo;
}

int largura(bool largo) { return largo ? 3 : 1; }

// Fixed patterns of Interleaved 2 of 5 and the EAN guards: bar, space, bar,
// ... with the widths in modules given by the digits of `larguras`.
void elementos(Desenho& d, std::string_view larguras, double base)
{
    for (std::size_t i = 0; i < larguras.size(); ++i) {
        if (i % 2 == 0)
            barra(d, d.geometria.padrao, digito(larguras[i]), base);
        else
            espaco(d, d.geometria.padrao, digito(larguras[i]));
    }
}

void escrever(Desenho& d, double x, const QByteArray& texto)
{
    d.superficie.setCurrentX(x);
    d.superficie.setCurrentY(d.estado.bar_base);
    d.superficie.print(cp1252_para_unicode(texto));
}

// Character n (from 1) of the data, empty beyond its end.
QByteArray caractere(const QByteArray& dados, int n) { return dados.mid(n - 1, 1); }

} // namespace

Geometria geometria_impressora(std::int16_t bar_largura, const EstadoBarra& estado)
{
    const double w = bar_largura;
    Geometria g;
    g.padrao = Traco{w, 1, false, 0, w};
    g.digitos = g.padrao;
    g.folga_separador = 0;
    g.base_guarda = static_cast<double>(estado.bar_base_guarda);
    g.modulo = w;
    g.recuo_texto_ean8 = 2 * w;
    return g;
}

Geometria geometria_visualizacao(double fator_zoom, const EstadoBarra& estado)
{
    const double modulo = 15 * fator_zoom;
    Geometria g;
    g.padrao = Traco{fator_zoom, 15, false, 0, modulo};
    g.digitos = Traco{modulo, 1, true, 15, modulo};
    g.folga_separador = 15;
    g.base_guarda = estado.bar_base + 90 * fator_zoom;
    g.modulo = modulo;
    g.recuo_texto_ean8 = 30; // whatever the zoom
    return g;
}

Desenho::Desenho(Superficie& s, const EstadoBarra& e, const Geometria& g)
    : superficie(s), estado(e), geometria(g), x_maximo(s.scaleLeft() + s.scaleWidth()),
      y_maximo(s.scaleTop() + s.scaleHeight())
{
}

void imprimir_bar(Desenho& d, std::string_view normal, std::string_view invertido)
{
    const Traco& t = d.geometria.padrao;
    for (std::size_t i = 0; i < 5; ++i) {
        barra(d, t, largura(digito(normal, i) != 0), d.estado.bar_base);
        espaco(d, t, largura(digito(invertido, i) != 0));
    }
}

void imprimir_start(Desenho& d) { elementos(d, "1111", d.estado.bar_base); }

void imprimir_end(Desenho& d) { elementos(d, "311", d.estado.bar_base); }

void imprimir_ean(Desenho& d, const QByteArray& caracter, int coluna)
{
    const int v = caracter.isEmpty() ? 0 : digito(caracter.front());
    std::string_view padrao;
    switch (coluna) {
    case 1: padrao = tabela_ean_a[v]; break;
    case 2: padrao = tabela_ean_b[v]; break;
    case 3: padrao = tabela_ean_c[v]; break;
    default: break;
    }
    const Traco& t = d.geometria.digitos;
    for (std::size_t i = 0; i < 7; ++i) {
        if (i < padrao.size() && padrao[i] == '1')
            barra(d, t, 1, d.estado.bar_base);
        else
            espaco(d, t, 1);
    }
}

void imprimir_start_ean(Desenho& d) { elementos(d, "111", d.geometria.base_guarda); }

void imprimir_end_ean(Desenho& d) { imprimir_start_ean(d); }

void imprimir_separador(Desenho& d)
{
    espaco(d, d.geometria.padrao, 1, d.geometria.folga_separador);
    elementos(d, "1111", d.geometria.base_guarda);
}

void imprimir_c39(Desenho& d, char caracter)
{
    const auto achado = std::find_if(tabela_c39.begin(), tabela_c39.end(),
                                     [caracter](std::string_view e) { return e.front() == caracter; });
    const std::string_view entrada = achado != tabela_c39.end() ? *achado : tabela_c39[c39_espaco];
    const Traco& t = d.geometria.digitos;
    for (std::size_t i = 1; i <= 9; ++i) {
        const int k = largura(entrada[i] == '1');
        if (i % 2 == 1)
            barra(d, t, k, d.estado.bar_base);
        else
            espaco(d, t, k);
    }
    espaco(d, t, 1);
}

void desenhar_simbologia(Desenho& d, int padrao, const QByteArray& dados)
{
    // Bars are drawn with a solid one-pixel pen, whatever lines before them
    // left; the pen is given back afterwards.
    Superficie& s = d.superficie;
    const int largura_linha = s.drawWidth();
    const EstiloLinha estilo = s.drawStyle();
    s.setDrawWidth(1);
    s.setDrawStyle(EstiloLinha::Solido);

    const double w = d.geometria.modulo;
    switch (padrao) {
    case 1: {
        imprimir_start(d);
        bool impar = true;
        std::string_view lembrado;
        for (char c : dados) {
            if (impar)
                lembrado = tabela_i25[digito(c)];
            else
                imprimir_bar(d, lembrado, tabela_i25[digito(c)]);
            impar = !impar;
        }
        imprimir_end(d);
        break;
    }
    case 2: {
        d.estado.bar_x += 8 * w; // room for the first digit
        const double x_primeiro_digito = d.estado.bar_x - 7 * w;
        imprimir_start_ean(d);
        const double x_apos_inicio = s.currentX();
        const std::string_view paridade = paridade_ean13[dados.isEmpty() ? 0 : digito(dados.front())];
        imprimir_ean(d, caractere(dados, 2), 1);
        for (int n = 3; n <= 7; ++n)
            imprimir_ean(d, caractere(dados, n), digito(paridade, static_cast<std::size_t>(n - 3)));
        imprimir_separador(d);
        const double x_apos_separador = s.currentX();
        for (int n = 8; n <= 13; ++n)
            imprimir_ean(d, caractere(dados, n), 3);
        imprimir_end_ean(d);
        escrever(d, x_primeiro_digito - w, dados.mid(0, 1));
        escrever(d, x_apos_inicio + 2 * w, dados.mid(1, 6));
        escrever(d, x_apos_separador + 2 * w, dados.mid(7, 6));
        break;
    }
    case 3: {
        imprimir_start_ean(d);
        const double x_apos_inicio = s.currentX();
        for (int n = 1; n <= 4; ++n)
            imprimir_ean(d, caractere(dados, n), 1);
        imprimir_separador(d);
        const double x_apos_separador = s.currentX();
        for (int n = 5; n <= 8; ++n)
            imprimir_ean(d, caractere(dados, n), 3);
        imprimir_end_ean(d);
        escrever(d, x_apos_inicio + d.geometria.recuo_texto_ean8, dados.mid(0, 4));
        escrever(d, x_apos_separador + d.geometria.recuo_texto_ean8, dados.mid(4, 4));
        break;
    }
    case 4:
        imprimir_c39(d, '*');
        for (char c : dados.toUpper())
            imprimir_c39(d, c);
        imprimir_c39(d, '*');
        break;
    default: break;
    }

    s.setDrawWidth(largura_linha);
    s.setDrawStyle(estilo);
}

} // namespace papelada
