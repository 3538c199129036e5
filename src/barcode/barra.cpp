#include "barcode/barra.h"

#include "stream/cp1252.h"
#include "stream/numeros.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace papelada {

namespace {

// Interleaved 2 of 5, one entry a digit: five elements, "1" wide, "0" narrow.
constexpr std::array<std::string_view, 10> tabela_i25 = {
    "00110", "10001", "01001", "11000", "00101", "10100", "01100", "00011", "10010", "01010"};

// EAN character sets A (odd parity), B (even parity) and C (right half), one
// entry a digit: seven modules, "1" bar, "0" space.
constexpr std::array<std::string_view, 10> tabela_ean_a = {
    "0001101", "0011001", "0010011", "0111101", "0100011", "0110001", "0101111", "0111011", "0110111", "0001011"};
constexpr std::array<std::string_view, 10> tabela_ean_b = {
    "0100111", "0110011", "0011011", "0100001", "0011101", "0111001", "0000101", "0010001", "0001001", "0010111"};
constexpr std::array<std::string_view, 10> tabela_ean_c = {
    "1110010", "1100110", "1101100", "1000010", "1011100", "1001110", "1010000", "1000100", "1001000", "1110100"};

// EAN-13: the sets (1 = A, 2 = B) of left-half digits 2 to 6, by the first
// digit of the number. Left-half digit 1 always uses set A.
constexpr std::array<std::string_view, 10> paridade_ean13 = {
    "11111", "12122", "12212", "12221", "21122", "22112", "22211", "21212", "21221", "22121"};

// Code 39: the character, then nine elements (bar, space, bar, ..., bar),
// "1" wide, "0" narrow. A character without an entry is the space.
constexpr std::array<std::string_view, 44> tabela_c39 = {
    "0000110100", "1100100001", "2001100001", "3101100000", "4000110001", "5100110000", "6001110000",
    "7000100101", "8100100100", "9001100100", "A100001001", "B001001001", "C101001000", "D000011001",
    "E100011000", "F001011000", "G000001101", "H100001100", "I001001100", "J000011100", "K100000011",
    "L001000011", "M101000010", "N000010011", "O100010010", "P001010010", "Q000000111", "R100000110",
    "S001000110", "T000010110", "U110000001", "V011000001", "W111000000", "X010010001", "Y110010000",
    "Z011010000", "-010000101", ".110000100", " 011000100", "*010010100", "$010101000", "/010100010",
    "+010001010", "%000101010"};
constexpr int c39_espaco = 38;

int digito(char c) { return c >= '0' && c <= '9' ? c - '0' : 0; }

// Appends elements, joining a bar to the bar before it.
class Codificador {
public:
    Codigo codigo;
    int modulos = 0;    // from the barcode's start
    int fim_barra = 0;  // where the last bar ends

    void elemento(int k, bool barra, bool guarda = false)
    {
        guarda = guarda && barra;
        auto& e = codigo.elementos;
        if (!e.empty() && e.back().barra == barra && e.back().guarda == guarda)
            e.back().modulos += k;
        else
            e.push_back({k, barra, guarda});
        modulos += k;
        if (barra)
            fim_barra = modulos;
    }
    // Bar, space, bar, ... with the widths in modules given by the digits.
    void alternados(std::string_view larguras, bool guarda = false)
    {
        for (std::size_t i = 0; i < larguras.size(); ++i)
            elemento(larguras[i] - '0', i % 2 == 0, guarda);
    }
    // One EAN digit of set 1 (A), 2 (B) or 3 (C).
    void ean(const QByteArray& dados, qsizetype i, int conjunto)
    {
        const int v = i < dados.size() ? digito(dados[i]) : 0;
        const auto& tabela = conjunto == 1 ? tabela_ean_a : conjunto == 2 ? tabela_ean_b : tabela_ean_c;
        for (const char m : tabela[v])
            elemento(1, m == '1');
    }
    // The EAN centre guard: space, bar, space, bar, space.
    void centro()
    {
        elemento(1, false);
        alternados("1111", true);
    }
    // Text from two modules right of the last line of the last bar.
    void legenda_apos_barra(const QByteArray& texto) { codigo.legendas.push_back({fim_barra + 2, -1, texto}); }
};

} // namespace

Codigo codificar_barra(int padrao, const QByteArray& dados)
{
    Codificador c;
    switch (padrao) {
    case 1:
        c.alternados("1111");
        for (qsizetype i = 0; i + 1 < dados.size(); i += 2) {
            const std::string_view barras = tabela_i25[digito(dados[i])];
            const std::string_view espacos = tabela_i25[digito(dados[i + 1])];
            for (std::size_t k = 0; k < 5; ++k) {
                c.elemento(barras[k] == '1' ? 3 : 1, true);
                c.elemento(espacos[k] == '1' ? 3 : 1, false);
            }
        }
        c.alternados("311");
        break;
    case 2: {
        // The first digit stands in the room left of the start guard.
        c.elemento(8, false);
        c.codigo.legendas.push_back({0, 0, dados.left(1)});
        c.alternados("111", true);
        c.legenda_apos_barra(dados.mid(1, 6));
        const std::string_view paridade = paridade_ean13[dados.isEmpty() ? 0 : digito(dados[0])];
        c.ean(dados, 1, 1);
        for (qsizetype i = 2; i <= 6; ++i)
            c.ean(dados, i, paridade[static_cast<std::size_t>(i - 2)] - '0');
        c.centro();
        c.legenda_apos_barra(dados.mid(7, 6));
        for (qsizetype i = 7; i <= 12; ++i)
            c.ean(dados, i, 3);
        c.alternados("111", true);
        break;
    }
    case 3:
        c.alternados("111", true);
        c.legenda_apos_barra(dados.left(4));
        for (qsizetype i = 0; i < 4; ++i)
            c.ean(dados, i, 1);
        c.centro();
        c.legenda_apos_barra(dados.mid(4, 4));
        for (qsizetype i = 4; i < 8; ++i)
            c.ean(dados, i, 3);
        c.alternados("111", true);
        break;
    case 4:
        for (const char ch : QByteArray("*" + dados.toUpper() + "*")) {
            const auto achado = std::find_if(tabela_c39.begin(), tabela_c39.end(),
                                             [ch](std::string_view e) { return e.front() == ch; });
            const std::string_view entrada = achado != tabela_c39.end() ? *achado : tabela_c39[c39_espaco];
            for (std::size_t k = 1; k <= 9; ++k)
                c.elemento(entrada[k] == '1' ? 3 : 1, k % 2 == 1);
            c.elemento(1, false);
        }
        break;
    default: break;
    }
    return c.codigo;
}

void desenhar_barra(Superficie& s, const Barra& barra)
{
    const Codigo codigo = codificar_barra(barra.padrao, barra.texto);
    const ModoEscala modo = s.scaleMode();
    const double esquerda = s.scaleLeft(), topo_escala = s.scaleTop();
    const double x0 = s.currentX(), y0 = s.currentY();
    const int largura_linha = s.drawWidth();
    const EstiloLinha estilo = s.drawStyle();

    // Device pixels per 1/300 inch, from the page height in both scales (the
    // pixel height taken as a whole number, however tall the page).
    const double altura_twips = s.scaleHeight();
    s.setScaleMode(ModoEscala::Pixels);
    const double altura_pixels = static_cast<double>(arredondar(s.scaleHeight()));
    const double fator = altura_twips > 0 ? (altura_pixels / altura_twips * 1440) / 300 : 1;
    const auto altura = static_cast<double>(arredondar(static_cast<double>(barra.altura) * fator));
    const double x = s.currentX(), topo = s.currentY();
    const double base = topo + altura;
    const auto base_guarda = static_cast<double>(arredondar(topo + 1.1 * altura));
    const double x_maximo = s.scaleWidth(), y_maximo = s.scaleHeight();
    const double w = barra.largura;

    s.setDrawWidth(1);
    s.setDrawStyle(EstiloLinha::Solido);
    // A bar of k modules is k x w lines, one pixel apart.
    double modulos = 0;
    for (const Elemento& e : codigo.elementos) {
        if (e.barra && topo <= y_maximo) {
            const double fim = x + (modulos + e.modulos) * w;
            const double pe = std::min(e.guarda ? base_guarda : base, y_maximo);
            for (double linha = x + modulos * w; linha < fim && linha <= x_maximo; ++linha)
                s.line(linha, topo, linha, pe, QBColor(0), false);
        }
        modulos += e.modulos;
        if (x + modulos * w > x_maximo)
            break;
    }
    for (const Legenda& l : codigo.legendas) {
        s.setCurrentX(x + l.modulos * w + l.pixels);
        s.setCurrentY(base);
        s.print(cp1252_para_unicode(l.texto));
    }

    s.setDrawWidth(largura_linha);
    s.setDrawStyle(estilo);
    s.setScaleMode(modo);
    s.setScaleLeft(esquerda);
    s.setScaleTop(topo_escala);
    s.setCurrentX(x0);
    s.setCurrentY(y0);
}

} // namespace papelada
