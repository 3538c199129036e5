#include "stream/leitor.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace papelada {

namespace {

// The bytes that are no text character: line feed, form feed, carriage
// return and escape.
constexpr bool separa_caracteres(unsigned char c)
{
    return c == 10 || c == 12 || c == 13 || c == ESC;
}

TabelaFormas montar_linguagem()
{
    TabelaFormas t{};
    t.fill(Forma::Nenhuma);
    for (unsigned char c : {'0', '1', 'G'})
        t[c] = Forma::Texto;
    for (unsigned char c : {'6', '7', '8', 'A', 'C', 'H', 'h', 'V', 'v', 'X', 'x', 'Y', 'y'})
        t[c] = Forma::Numero;
    for (unsigned char c : {'B', 'b', 'L', 'l'})
        t[c] = Forma::Lista6;
    t['R'] = t['r'] = Forma::Lista3;
    t['Z'] = Forma::Barra;
    t['D'] = Forma::Registro68;
    t['F'] = Forma::Registro54;
    return t;
}

// Whether the separator at `p[k]` ends a count of characters; a carriage
// return is passed over and counted when `retornos` asks for it.
inline bool encerra_contagem(const unsigned char* p, size_t k, size_t* retornos)
{
    if (!separa_caracteres(p[k]))
        return false;
    if (retornos == nullptr || p[k] != '\r')
        return true;
    ++*retornos;
    return false;
}

// Among the control bytes `bits` of the block at `base`, those from `i` on,
// the first that ends the count; none (-1) when no one does.
inline size_t primeiro_que_encerra(const unsigned char* p, size_t base, size_t i, unsigned bits,
                                   size_t* retornos)
{
    for (bits &= ~0u << (i - base); bits != 0; bits &= bits - 1) {
        const size_t k = base + static_cast<size_t>(std::countr_zero(bits));
        if (encerra_contagem(p, k, retornos))
            return k;
    }
    return static_cast<size_t>(-1);
}

#if defined(__SSE2__)
// The bytes up to ESC (27) among the 16 at `p`, a bit each.
inline unsigned controles_sse2(const unsigned char* p)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(static_cast<char>(ESC))), v)));
}
#endif

// The same among the 32 at `p`.
inline std::uint32_t controles32(const unsigned char* p)
{
#if defined(__SSE2__)
    return controles_sse2(p) | controles_sse2(p + 16) << 16;
#else
    std::uint32_t bits = 0;
    for (unsigned i = 0; i < 32; ++i)
        bits |= static_cast<std::uint32_t>(p[i] <= ESC) << i;
    return bits;
#endif
}

// Text is looked at a block at a time for any byte up to ESC (27); the few
// control bytes among them that are characters (a tab, say) are then passed
// one by one. The last block of a span overlaps the one before it rather
// than going byte by byte, its bytes already looked at left out.
size_t contar_sse2(const unsigned char* p, size_t n, size_t* retornos)
{
#if defined(__SSE2__)
    if (n >= 16) {
        for (size_t i = 0; i < n; i += 16) {
            const size_t base = std::min(i, n - 16);
            if (const size_t k = primeiro_que_encerra(p, base, i, controles_sse2(p + base), retornos);
                k != static_cast<size_t>(-1))
                return k;
        }
        return n;
    }
#endif
    for (size_t i = 0; i < n; ++i)
        if (p[i] <= ESC && encerra_contagem(p, i, retornos))
            return i;
    return n;
}

#if defined(__x86_64__)
// The same, 32 bytes in one instruction where the processor has them.
[[gnu::target("avx2")]] size_t contar_avx2(const unsigned char* p, size_t n, size_t* retornos)
{
    if (n < 32)
        return contar_sse2(p, n, retornos);
    const __m256i teto = _mm256_set1_epi8(static_cast<char>(ESC));
    for (size_t i = 0; i < n; i += 32) {
        const size_t base = std::min(i, n - 32);
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + base));
        const auto bits = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_min_epu8(v, teto), v)));
        if (const size_t k = primeiro_que_encerra(p, base, i, bits, retornos); k != static_cast<size_t>(-1))
            return k;
    }
    return n;
}
#endif

} // namespace

size_t contar_caracteres(const unsigned char* p, size_t n, size_t* retornos)
{
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        return contar_avx2(p, n, retornos);
#endif
    return contar_sse2(p, n, retornos);
}

const TabelaFormas& formas_linguagem()
{
    static const TabelaFormas t = montar_linguagem();
    return t;
}

const TabelaFormas& formas_medicao()
{
    static const TabelaFormas t = [] {
        TabelaFormas m = montar_linguagem();
        m['C'] = Forma::Nenhuma;
        return m;
    }();
    return t;
}

bool Leitor::proximo(Item& item)
{
    if (fim_)
        return false;
    unsigned char c;
    if (!fonte_.ler(c)) {
        fim_ = true;
        return false;
    }
    item.posicao = fonte_.posicao();
    item.byte = c;
    item.completo = true;
    switch (c) {
    case 10: item.tipo = Item::Tipo::AvancoLinha; return true;
    case 12: item.tipo = Item::Tipo::AvancoPagina; return true;
    case 13: item.tipo = Item::Tipo::RetornoCarro; return true;
    case ESC: break;
    default: item.tipo = Item::Tipo::Caractere; return true;
    }
    item.tipo = Item::Tipo::Comando;
    if (!fonte_.ler(c)) {
        // An escape byte whose command byte is the end of the file.
        fim_ = true;
        return false;
    }
    item.byte = c;
    ler_parametros((*formas_)[c], item);
    return true;
}

std::span<const unsigned char> Leitor::caracteres(qint64 maximo)
{
    if (fim_ || maximo <= 0)
        return {};
    const std::span<const unsigned char> janela = fonte_.janela();
    const size_t n = contar_caracteres(janela.data(), static_cast<size_t>(std::min<qint64>(
                                                          static_cast<qint64>(janela.size()), maximo)));
    fonte_.avancar(static_cast<qsizetype>(n));
    return janela.first(n);
}

namespace {

// Whole lines among the bytes `p`, as Leitor::linhas_inteiras() passes them.
class PassagemLinhas {
public:
    PassagemLinhas(const unsigned char* p, size_t n, qint64 maximo) : p_(p), n_(n), maximo_(maximo) {}

    // Looks at the control bytes a block at a time, and at the bytes that
    // are left one by one.
    void passar()
    {
        size_t i = 0;
        for (; i + 32 <= n_; i += 32)
            for (std::uint32_t bits = controles32(p_ + i); bits != 0; bits &= bits - 1)
                if (!controle(i + static_cast<size_t>(std::countr_zero(bits))))
                    return;
        for (; i < n_; ++i)
            if (p_[i] <= ESC && !controle(i))
                return;
    }

    Leitor::Linhas linhas;
    size_t fim = 0; // bytes through the last line feed passed

private:
    // One byte up to ESC; false when the lines passed end before it (a
    // form feed or an escape).
    bool controle(size_t k)
    {
        const unsigned char c = p_[k];
        if (!separa_caracteres(c))
            return true; // a tab, say: a character
        if (c == '\r') {
            ++pendentes_;
            return true;
        }
        if (c != '\n')
            return false;
        ++linhas.linhas;
        retornos_ += pendentes_;
        pendentes_ = 0;
        fim = k + 1;
        linhas.caracteres = static_cast<qint64>(fim - retornos_) - linhas.linhas;
        return linhas.linhas < maximo_;
    }

    const unsigned char* p_;
    size_t n_;
    qint64 maximo_;
    size_t retornos_ = 0;  // carriage returns on the lines passed
    size_t pendentes_ = 0; // and on the line being looked at
};

} // namespace

Leitor::Linhas Leitor::linhas_inteiras(qint64 maximo)
{
    if (fim_ || maximo <= 0)
        return {};
    const std::span<const unsigned char> janela = fonte_.janela();
    PassagemLinhas passagem(janela.data(), janela.size(), maximo);
    passagem.passar();
    fonte_.avancar(static_cast<qsizetype>(passagem.fim));
    return passagem.linhas;
}

// Digits accumulate; the first other byte ends the number and is consumed.
// Returns false when the end of the file ended it.
bool Leitor::ler_numero(std::int64_t& valor, bool& comecou)
{
    valor = 0;
    comecou = false;
    for (std::span<const unsigned char> j; !(j = fonte_.janela()).empty();) {
        comecou = true;
        size_t i = 0;
        for (; i < j.size() && j[i] >= '0' && j[i] <= '9'; ++i)
            valor = std::min<std::int64_t>(valor * 10 + (j[i] - '0'), numero_maximo);
        if (i < j.size()) {
            fonte_.avancar(static_cast<qsizetype>(i) + 1);
            return true;
        }
        fonte_.avancar(static_cast<qsizetype>(i));
    }
    fim_ = true;
    return false;
}

void Leitor::ler_parametros(Forma forma, Item& item)
{
    unsigned char c;
    bool comecou = false;
    switch (forma) {
    case Forma::Nenhuma:
        return;
    case Forma::Numero:
        if (!ler_numero(item.numeros[0], comecou))
            item.completo = comecou;
        return;
    case Forma::Lista3:
    case Forma::Lista6: {
        const int n = forma == Forma::Lista3 ? 3 : 6;
        item.numeros.fill(0);
        for (int k = 0; k < n; ++k) {
            if (!ler_numero(item.numeros[k], comecou)) {
                item.completo = (k == n - 1) && comecou;
                return;
            }
        }
        return;
    }
    case Forma::Texto: {
        item.texto.truncate(0); // keeps its room for the next text
        bool terminou = false;
        // Taken a stretch of the bytes at hand at a time.
        for (std::span<const unsigned char> j; !terminou && !(j = fonte_.janela()).empty();) {
            comecou = true;
            const auto fim = std::find_if(j.begin(), j.end(), [](unsigned char b) { return b < 32; });
            const auto n = static_cast<qsizetype>(fim - j.begin());
            item.texto.append(reinterpret_cast<const char*>(j.data()),
                              std::clamp<qsizetype>(texto_maximo - item.texto.size(), 0, n));
            terminou = fim != j.end();
            fonte_.avancar(terminou ? n + 1 : n);
        }
        if (!terminou) {
            fim_ = true;
            item.completo = comecou;
        }
        while (!item.texto.isEmpty() && item.texto.back() == ' ')
            item.texto.chop(1);
        return;
    }
    case Forma::Barra: {
        CamposBarra& b = item.barra;
        b = CamposBarra{};
        std::int64_t* campos[3] = {&b.padrao, &b.altura, &b.largura};
        for (int k = 0; k < 4; ++k) {
            bool terminou = false;
            comecou = false;
            while (fonte_.ler(c)) {
                comecou = true;
                if (c == ',' || c == SUB) {
                    terminou = true;
                    break;
                }
                if (k < 3) {
                    if (c >= '0' && c <= '9')
                        *campos[k] = std::min<std::int64_t>(*campos[k] * 10 + (c - '0'), numero_maximo);
                } else {
                    const bool aceito = b.padrao == 4 ? (c >= 32 && c <= 122) : (c >= '0' && c <= '9');
                    if (aceito && b.texto.size() < texto_maximo)
                        b.texto.append(static_cast<char>(c));
                }
            }
            if (!terminou) {
                fim_ = true;
                item.completo = (k == 3) && comecou;
                return;
            }
        }
        return;
    }
    case Forma::Registro68:
    case Forma::Registro54: {
        const qsizetype n = forma == Forma::Registro68 ? 68 : 54;
        item.texto.clear();
        item.texto.reserve(n);
        while (item.texto.size() < n && fonte_.ler(c))
            item.texto.append(static_cast<char>(c));
        if (item.texto.size() < n) {
            fim_ = true;
            item.completo = false;
        }
        return;
    }
    }
}

} // namespace papelada
