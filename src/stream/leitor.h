// The report language: control bytes, text characters and escape commands
// with their parameters. Every part of the program that reads a spool file
// reads it through this one reader; they differ only in what they do with the
// items, and in which parameter form they expect after each command byte.
#pragma once

#include "stream/estado.h"
#include "stream/fonte_bytes.h"

#include <QByteArray>
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <span>

namespace papelada {

constexpr unsigned char ESC = 27;
constexpr unsigned char SUB = 26; // also ends numbers, texts and barcode fields

// What follows a command byte.
enum class Forma : unsigned char {
    Nenhuma,    // nothing (also every unknown command)
    Numero,     // decimal digits, ended by the first other byte (consumed)
    Texto,      // bytes up to the first byte below 32 (consumed); trailing blanks removed
    Lista3,     // three numbers
    Lista6,     // six numbers
    Barra,      // four fields ended by "," or byte 26
    Registro68, // fixed record of 68 bytes (printer)
    Registro54, // fixed record of 54 bytes (font)
};
using TabelaFormas = std::array<Forma, 256>;

// The language as the printer pass and the preview read it.
const TabelaFormas& formas_linguagem();
// Measurement: ESC "C" takes no parameter, so the digits after it are text.
const TabelaFormas& formas_medicao();

// Numbers never overflow: digits beyond this value leave it there. Every
// field that holds a number is narrower, so the value is clamped again when it
// is stored (see numeros.h).
constexpr std::int64_t numero_maximo = 2147483647;
// A text parameter keeps at most this many bytes; the rest is read and dropped.
constexpr qsizetype texto_maximo = 32768;

// A text run without a field that grows this long is drawn in parts: its
// width is the sum of its characters' widths, so the parts land where the
// whole run would, and a line of millions of bytes is never held in memory.
// Long before this size the pen is past the right edge, and the characters
// that follow are dropped as for any run that reached it.
constexpr qsizetype corrida_em_partes = 64 * 1024;
// A run placed in a field must be measured whole; beyond this size its
// characters are dropped.
constexpr qsizetype corrida_maxima_campo = 1024 * 1024;

// Adds a character to the run within those sizes; true when the run is to
// be drawn now.
inline bool acrescentar_na_corrida(Corrida& corrida, unsigned char byte)
{
    if (corrida.tem_campo()) {
        if (corrida.buffer.size() < corrida_maxima_campo)
            corrida.buffer.append(static_cast<char>(byte));
        return false;
    }
    corrida.buffer.append(static_cast<char>(byte));
    return corrida.buffer.size() >= corrida_em_partes;
}

// The same for many characters at once: takes from the front of `bytes`
// what the run takes of them one by one (a run with a field drops what
// passes its size); true when the run is to be drawn before the rest.
inline bool acrescentar_na_corrida(Corrida& corrida, std::span<const unsigned char>& bytes)
{
    const qsizetype limite = corrida.tem_campo() ? corrida_maxima_campo : corrida_em_partes;
    const auto n = static_cast<size_t>(std::clamp<qsizetype>(limite - corrida.buffer.size(), 0,
                                                             static_cast<qsizetype>(bytes.size())));
    corrida.buffer.append(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(n));
    if (corrida.tem_campo()) {
        bytes = {};
        return false;
    }
    bytes = bytes.subspan(n);
    return corrida.buffer.size() >= corrida_em_partes;
}

struct CamposBarra {
    std::int64_t padrao = 0;  // symbology as written
    std::int64_t altura = 0;  // bar height in 1/300 inch
    std::int64_t largura = 0; // narrow module in printer pixels
    QByteArray texto;         // data, already filtered, blanks not trimmed
};

struct Item {
    enum class Tipo { Caractere, AvancoLinha, AvancoPagina, RetornoCarro, Comando };
    Tipo tipo = Tipo::Caractere;
    unsigned char byte = 0; // the character, or the command byte after ESC
    qint64 posicao = 0;     // 1-based file position of the item's first byte

    // Parameters of a command. `completo` is false when the end of the file
    // cut the parameters before their last field began: such a command is not
    // applied. After any command cut by the end, the stream has ended.
    bool completo = true;
    std::array<std::int64_t, 6> numeros{}; // Numero, Lista3, Lista6
    QByteArray texto;                      // Texto, or the bytes of a record
    CamposBarra barra;                     // Barra
};

class Leitor {
public:
    explicit Leitor(FonteBytes& fonte, const TabelaFormas& formas = formas_linguagem())
        : fonte_(fonte), formas_(&formas) {}

    // The next item; false at the end of the stream.
    bool proximo(Item& item);

    // The characters that come next, in bulk: every byte up to the next line
    // feed, form feed, carriage return or escape, or to the end of the bytes
    // held now, consumed. Each is the item proximo() would give one by one.
    // Empty when the next item is no character (or the stream has ended).
    // At most `maximo` of them. The span stays valid until the next call to
    // the reader.
    std::span<const unsigned char> caracteres(qint64 maximo = std::numeric_limits<qint64>::max());
    // Whole lines of characters, in bulk: passes over line feeds, each with
    // the characters (and carriage returns, which change nothing) before it,
    // while no other item comes between them, among the bytes held now.
    // Before each line `tomar(n)` is asked, with the number of its
    // characters, whether the line is taken; the first refused is left
    // unread. Returns how many lines were taken.
    template <class Tomar>
    qint64 linhas_de_texto(Tomar&& tomar);
    // The same lines, at most `maximo` of them, passed without a question
    // each: how many were passed, and how many characters they held.
    struct Linhas {
        qint64 linhas = 0;
        qint64 caracteres = 0;
    };
    Linhas linhas_inteiras(qint64 maximo);
    // The byte the next item begins with, when it is at hand without reading
    // the file; -1 otherwise.
    int espiar() const { return fim_ ? -1 : fonte_.espiar(); }

    bool terminado() const { return fim_; }

private:
    bool ler_numero(std::int64_t& valor, bool& comecou);
    void ler_parametros(Forma forma, Item& item);

    FonteBytes& fonte_;
    const TabelaFormas* formas_;
    bool fim_ = false;
};

// How many bytes at the front of `p` are characters; with `retornos`, the
// carriage returns among them are passed over too and counted there.
size_t contar_caracteres(const unsigned char* p, size_t n, size_t* retornos = nullptr);

template <class Tomar>
qint64 Leitor::linhas_de_texto(Tomar&& tomar)
{
    if (fim_)
        return 0;
    const std::span<const unsigned char> janela = fonte_.janela();
    qint64 linhas = 0;
    size_t lidos = 0; // through the last line feed taken
    for (;;) {
        size_t retornos = 0;
        const size_t k = lidos + contar_caracteres(janela.data() + lidos, janela.size() - lidos, &retornos);
        const size_t n = k - lidos - retornos;
        if (k == janela.size() || janela[k] != '\n' || !tomar(static_cast<qint64>(n)))
            break;
        ++linhas;
        lidos = k + 1;
    }
    fonte_.avancar(static_cast<qsizetype>(lidos));
    return linhas;
}

} // namespace papelada
