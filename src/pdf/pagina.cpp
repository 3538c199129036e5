// What a page shows: its content stream (text, outlines, lines, boxes and
// pictures) and the page object written when it ends.
#include "pdf/escritor.h"

#include "pdf/fontes.h"
#include "pdf/objetos.h"
#include "stream/politica_imagens.h"

#include <QCryptographicHash>
#include <QFile>
#include <QPainterPath>
#include <QTransform>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <libdeflate.h>
#ifdef __SSE2__
#include <emmintrin.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <string_view>

namespace papelada::pdf {

namespace {

// Largest page side, in twips (200 inches), and smallest.
constexpr double pagina_maxima = 288000;
constexpr double pagina_minima = 20;

// The words and numbers of page operators, gathered on the stack and added
// to the page a buffer at a time: a run or a line costs one or two appends.
// Numbers are written as numero() writes them.
class Operador {
public:
    explicit Operador(QByteArray& destino) : destino_(destino) {}
    Operador(const Operador&) = delete;
    Operador& operator=(const Operador&) = delete;
    ~Operador() { destino_.append(buf_, usados_); }

    // Where the next byte goes in the page.
    qsizetype posicao() const { return destino_.size() + static_cast<qsizetype>(usados_); }

    Operador& operator<<(std::string_view t)
    {
        if (t.size() > sizeof buf_ - usados_) {
            destino_.append(buf_, usados_);
            usados_ = 0;
            if (t.size() > sizeof buf_) {
                destino_.append(t.data(), static_cast<qsizetype>(t.size()));
                return *this;
            }
        }
        std::memcpy(buf_ + usados_, t.data(), t.size());
        usados_ += t.size();
        return *this;
    }
    Operador& operator<<(const QByteArray& t) { return *this << std::string_view(t.constData(), static_cast<size_t>(t.size())); }
    Operador& operator<<(const char* t) { return *this << std::string_view(t); }
    Operador& operator<<(char c) { return *this << std::string_view(&c, 1); }

    // At most three decimals, within plus or minus 1e8 (a number that is not
    // finite is 0).
    Operador& operator<<(double v)
    {
        if (sizeof buf_ - usados_ < numero_maximo) {
            destino_.append(buf_, usados_);
            usados_ = 0;
        }
        char* p = numero(buf_ + usados_, v);
        usados_ = static_cast<size_t>(p - buf_);
        return *this;
    }
    // Numbers separated by spaces.
    Operador& operator<<(std::initializer_list<double> v)
    {
        bool primeiro = true;
        for (const double x : v) {
            if (!primeiro)
                *this << ' ';
            primeiro = false;
            *this << x;
        }
        return *this;
    }

private:
    QByteArray& destino_;
    char buf_[256];
    size_t usados_ = 0;
};

// Bytes of a literal string: most need no escape and go in as they are,
// a stretch at a time.
// The bytes a literal string escapes.
constexpr auto especial_literal = [] {
    std::array<bool, 256> t{};
    for (const unsigned char c : {'(', ')', '\\', '\r', '\n'})
        t[c] = true;
    return t;
}();

// Where the first byte of `b` that needs an escape is (`n` when none).
qsizetype sem_escape(const unsigned char* b, qsizetype n)
{
    qsizetype i = 0;
#ifdef __SSE2__
    // Sixteen bytes at a time up to the block of the first.
    const __m128i abre = _mm_set1_epi8('('), fecha = _mm_set1_epi8(')'), barra = _mm_set1_epi8('\\'),
                  cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        const __m128i e = _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, abre), _mm_cmpeq_epi8(v, fecha)),
                                                    _mm_or_si128(_mm_cmpeq_epi8(v, barra), _mm_cmpeq_epi8(v, cr))),
                                       _mm_cmpeq_epi8(v, lf));
        if (_mm_movemask_epi8(e) != 0)
            break;
    }
#endif
    while (i < n && !especial_literal[b[i]])
        ++i;
    return i;
}

char escape_de(unsigned char c)
{
    return c == '\r' ? 'r' : c == '\n' ? 'n' : static_cast<char>(c);
}

void literal(QByteArray& s, const unsigned char* b, qsizetype n)
{
    qsizetype de = 0;
    for (qsizetype i = sem_escape(b, n); i < n; ++i) {
        if (!especial_literal[b[i]])
            continue;
        s.append(reinterpret_cast<const char*>(b + de), i - de);
        const char escape[2] = {'\\', escape_de(b[i])};
        s.append(escape, 2);
        de = i + 1;
    }
    s.append(reinterpret_cast<const char*>(b + de), n - de);
}

// A 64-bit digest of `n` bytes, four lanes of eight bytes at a time: a page
// costs a fraction of a microsecond.
quint64 resumo64(const char* p, qsizetype n)
{
    constexpr quint64 k = 0x9E3779B97F4A7C15ull;
    const auto misturar = [](quint64 h, quint64 v) {
        h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
        return h ^ (h >> 31);
    };
    const auto ler = [p](qsizetype i) {
        quint64 v;
        std::memcpy(&v, p + i, 8);
        return v;
    };
    // Four lanes in four variables: kept in registers, multiplied as plain
    // 64-bit numbers.
    quint64 a = k ^ static_cast<quint64>(n), b = k * 3, c = k * 5, d = k * 7;
    qsizetype i = 0;
    for (; i + 32 <= n; i += 32) {
        a = misturar(a, ler(i));
        b = misturar(b, ler(i + 8));
        c = misturar(c, ler(i + 16));
        d = misturar(d, ler(i + 24));
    }
    for (; i < n; ++i)
        a = misturar(a, static_cast<unsigned char>(p[i]));
    return misturar(misturar(misturar(a, b), c), d);
}

} // namespace

void Escritor::iniciar_pagina(double largura, double altura)
{
    if (terminado_)
        return;
    if (prevendo_) {
        esquecer_codigos();
        prevista_.eventos.clear();
        prevista_.remendos.clear();
        etiqueta_anotada_ = -1;
    } else {
        iniciar_arquivo();
        terminar_pagina();
    }
    auto medida = [](double v) { return std::isfinite(v) ? std::clamp(v, pagina_minima, pagina_maxima) : 11906.0; };
    largura_ = medida(largura);
    altura_ = medida(altura);
    pagina_aberta_ = true;
    pagina_virgem_ = true;
    // Pages of a report are much alike: the buffer starts as large as the
    // last page's content, and rarely grows.
    conteudo_.clear();
    conteudo_.reserve(tamanho_pagina_anterior_ + tamanho_pagina_anterior_ / 8 + 64);
    // Twips, from the top left corner, y growing down.
    Operador(conteudo_) << "0.05 0 0 -0.05 0 " << altura_ / 20 << " cm\n";
    texto_aberto_ = false;
    recurso_atual_ = nullptr;
    preenchimento_ = traco_ = {};
    largura_linha_ = -1;
    modo_texto_ = 0;
    estilo_traco_ = -1;
}

void Escritor::terminar_pagina()
{
    if (!pagina_aberta_)
        return;
    fechar_texto();
    pagina_aberta_ = false;
    const ChaveConteudo chave{resumo64(conteudo_.constData(), conteudo_.size()),
                              static_cast<quint32>(libdeflate_adler32(1, conteudo_.constData(), static_cast<size_t>(conteudo_.size()))),
                              conteudo_.size()};
    resumo_.addData(QByteArrayView(reinterpret_cast<const char*>(&chave.hash), sizeof chave.hash));
    resumo_.addData(QByteArrayView(reinterpret_cast<const char*>(&chave.adler), sizeof chave.adler));
    resumo_.addData(QByteArrayView(reinterpret_cast<const char*>(&chave.tamanho), sizeof chave.tamanho));
    tamanho_pagina_anterior_ = conteudo_.size();
    int conteudo = conteudos_.value(chave, 0);
    if (conteudo == 0) {
        conteudo = novo_objeto();
        if (conteudos_.size() < conteudos_maximos)
            conteudos_.insert(chave, conteudo);
        escrever_fluxo(conteudo, {}, std::move(conteudo_), true);
    }
    const int pagina = novo_objeto();
    paginas_.acrescentar(pagina);
    conteudo_ = QByteArray();
    QByteArray s;
    iniciar_objeto(pagina);
    Operador(s) << "<< /Type /Page /Parent " << ref(obj_paginas_) << " /MediaBox [0 0 "
                << std::initializer_list<double>{largura_ / 20, altura_ / 20} << "] /Resources "
                << ref(obj_recursos_) << " /Contents " << ref(conteudo) << " >>\nendobj\n";
    escrever(s);
}

void Escritor::fechar_texto()
{
    if (texto_aberto_) {
        conteudo_.append("ET\n");
        texto_aberto_ = false;
    }
}

void Escritor::definir_cor(const QColor& cor, bool traco)
{
    const QRgb c = cor.rgb();
    Cor& atual = traco ? traco_ : preenchimento_;
    if (atual.definida && atual.rgb == c)
        return;
    atual = {true, c};
    Operador(conteudo_) << std::initializer_list<double>{qRed(c) / 255.0, qGreen(c) / 255.0, qBlue(c) / 255.0}
                        << (traco ? " RG\n" : " rg\n");
}

void Escritor::largura_traco(double largura)
{
    if (largura != largura_linha_) {
        largura_linha_ = largura;
        Operador(conteudo_) << largura << " w\n";
    }
}

void Escritor::tinta(const QColor& cor, bool negrito, double tamanho)
{
    definir_cor(cor, false);
    if (!negrito)
        return;
    // A bold the face lacks: the outlines are stroked as well as filled,
    // with solid strokes.
    definir_cor(cor, true);
    largura_traco(tamanho / 30);
    if (estilo_traco_ == -1 || estilo_traco_ == 1) {
        estilo_traco_ = 2; // solid; the next line sets its ends again
        conteudo_.append("[] 0 d\n");
    }
}

void Escritor::glifos(const QRawFont& fonte, const quint32* indices, const QPointF* posicoes,
                      const char16_t* caracteres, qsizetype n, QPointF origem, const QColor& cor,
                      bool negrito, bool italico, bool naturais)
{
    if (!pagina_aberta_ || n <= 0 || !fonte.isValid())
        return;
    pagina_virgem_ = false;
    if (prevendo_ && etiqueta_ != etiqueta_anotada_) {
        prevista_.eventos.push_back({PaginaPrevista::Evento::Tipo::Fonte, etiqueta_});
        etiqueta_anotada_ = etiqueta_;
    }
    Recurso* r = &recurso_para(fonte);
    // Glyphs at their natural advances may come without positions: they are
    // then found from the advances of the font's codes as the glyphs are
    // written. Where glyphs are drawn one by one, or the font's codes stand
    // for another face's glyphs, the positions are laid out here.
    std::vector<QPointF> dispostas;
    naturais |= !posicoes;
    if (!posicoes && (!r->face->dados.incorporavel || r->face->gemea.isValid() || !(r->fonte == fonte))) {
        dispostas.resize(static_cast<size_t>(n));
        const QList<quint32> lista(indices, indices + n);
        const QList<QPointF> avancos = fonte.advancesForGlyphIndexes(lista, QRawFont::SeparateAdvances);
        double x = 0;
        for (qsizetype k = 0; k < n; ++k) {
            dispostas[static_cast<size_t>(k)] = QPointF(x, 0);
            x += avancos.value(k).x();
        }
        posicoes = dispostas.data();
    }
    if (!r->face->dados.incorporavel) {
        contornos(fonte, indices, posicoes, n, origem, cor, negrito, italico);
        return;
    }
    auto caractere = [&](qsizetype k) -> char16_t { return caracteres ? caracteres[k] : 0; };
    std::vector<quint32> copias; // glyphs of the face's OpenType copy
    if (r->face->gemea.isValid()) {
        copias.resize(static_cast<size_t>(n));
        for (qsizetype k = 0; k < n; ++k) {
            copias[static_cast<size_t>(k)] = traduzir(fonte, *r->face, indices[k], caractere(k));
            if (copias[static_cast<size_t>(k)] == Face::sem_glifo)
                contornos(fonte, indices + k, posicoes + k, 1, origem, cor, negrito, italico);
        }
        indices = copias.data();
    }
    if (!texto_aberto_) {
        conteudo_.append("BT\n");
        texto_aberto_ = true;
    }
    tinta(cor, negrito, r->tamanho);
    const int modo = negrito ? 2 : 0;
    if (modo != modo_texto_) {
        modo_texto_ = modo;
        conteudo_.append(modo ? "2 Tr\n" : "0 Tr\n");
    }

    qsizetype k = 0;
    double x_natural = 0; // without positions: the x of glyph k from `origem`
    while (k < n) {
        // A stretch: glyphs of one font of the chain, on one baseline.
        int c = -1;
        Recurso* seg = onde(*r, indices[k], caractere(k), &c);
        if (!seg) {
            ++k; // not a glyph of this face, nor an advance
            continue;
        }
        const double x = posicoes ? posicoes[k].x() : x_natural;
        const double y = posicoes ? posicoes[k].y() : 0.0;
        const qsizetype primeiro = k;
        if (naturais) {
            k = string_natural(*r, *seg, c, indices, caracteres, k, n, {origem.x() + x, origem.y() + y}, italico);
            // Where another stretch follows, it starts where this one ends.
            if (k < n)
                for (qsizetype i = primeiro; i < k; ++i)
                    x_natural += seg->avanco[seg->codigo_de(indices[i])];
            continue;
        }
        if (codigos_.size() < static_cast<size_t>(n))
            codigos_.resize(static_cast<size_t>(n));
        unsigned char* codigos = codigos_.data();
        {
            const qsizetype antes = conteudo_.size();
            conteudo_.resize(antes + espaco_trecho(*seg));
            char* fim = posicionar_trecho(conteudo_.data() + antes, *r, *seg, {origem.x() + x, origem.y() + y}, italico);
            conteudo_.truncate(fim - conteudo_.data());
        }
        // The stretch: glyphs of this font of the chain on this baseline. A
        // glyph keeps the one font of the chain where it has a code: most
        // glyphs of a run are found in the font of the one before.
        const QPointF* p = posicoes + primeiro;
        // Where a glyph stands apart from where the advance of the one
        // before leaves it, the difference is written in thousandths of the
        // em (a positive number moves left), and the string is shown with TJ.
        const auto desvio = [&](qsizetype i) { return p[i].x() - (p[i - 1].x() + seg->avanco[codigos[i - 1]]); };
        bool ajustes = false;
        for (int codigo = c;;) { // kept apart from `c`, whose address onde() takes
            codigos[k - primeiro] = static_cast<unsigned char>(codigo);
            if (++k == n || posicoes[k].y() != y)
                break;
            if ((codigo = seg->codigo_de(indices[k])) < 0) {
                if (onde(*r, indices[k], caractere(k), &c) != seg)
                    break;
                codigo = c;
            }
            ajustes |= std::abs(desvio(k - primeiro)) > 0.01;
        }
        const qsizetype m = k - primeiro;
        if (!ajustes) {
            conteudo_.append('(');
            literal(conteudo_, codigos, m);
            conteudo_.append(") Tj\n");
            continue;
        }
        conteudo_.append("[(");
        qsizetype de = 0;
        for (qsizetype i = 1; i < m; ++i) {
            if (const double d = desvio(i); std::abs(d) > 0.01) {
                literal(conteudo_, codigos + de, i - de);
                Operador(conteudo_) << ") " << -d * 1000 / seg->tamanho << " (";
                de = i;
            }
        }
        literal(conteudo_, codigos + de, m - de);
        conteudo_.append(")] TJ\n");
    }
}

namespace {
char* copiar(char* p, std::string_view t)
{
    std::memcpy(p, t.data(), t.size());
    return p + t.size();
}
} // namespace

qsizetype Escritor::espaco_trecho(const Recurso& seg)
{
    return seg.nome.size() + 3 * static_cast<qsizetype>(numero_maximo) + 32;
}

char* Escritor::posicionar_trecho(char* p, Recurso& primeiro, Recurso& seg, QPointF origem, bool italico)
{
    if (&seg != recurso_atual_) {
        recurso_atual_ = &seg;
        *p++ = '/';
        if (prevendo_)
            prevista_.remendos.push_back({p - conteudo_.constData(), etiqueta_, elo(primeiro, &seg), {}});
        else
            p = copiar(p, std::string_view(seg.nome.constData(), static_cast<size_t>(seg.nome.size())));
        *p++ = ' ';
        p = numero(p, seg.tamanho);
        p = copiar(p, " Tf\n");
    }
    p = copiar(p, italico ? "1 0 0.21 -1 " : "1 0 0 -1 ");
    // Lines of a report mostly start at one x.
    if (origem.x() != x_escrito_) {
        x_escrito_ = origem.x();
        static_assert(sizeof x_texto_ >= numero_maximo);
        x_tamanho_ = static_cast<size_t>(numero(x_texto_.data(), origem.x()) - x_texto_.data());
    }
    p = copiar(p, std::string_view(x_texto_.data(), x_tamanho_));
    *p++ = ' ';
    p = numero(p, origem.y());
    return copiar(p, " Tm\n");
}

qsizetype Escritor::string_natural(Recurso& primeiro, Recurso& seg, int codigo, const quint32* indices,
                                   const char16_t* caracteres, qsizetype k, qsizetype n, QPointF origem,
                                   bool italico)
{
    // The font, the place and the string go into the page as they are
    // made, the codes escaped as they are found: the string is at most
    // twice as long as its glyphs.
    const qsizetype antes = conteudo_.size();
    conteudo_.resize(antes + 2 * (n - k) + espaco_trecho(seg) + 8);
    char* const inicio = conteudo_.data();
    char* p = posicionar_trecho(inicio + antes, primeiro, seg, origem, italico);
    *p++ = '(';
    const qint16* por_glifo = seg.codigo.data();
    const quint32 glifos = static_cast<quint32>(seg.codigo.size());
    auto* const cadeia = reinterpret_cast<unsigned char*>(p);
    for (;;) {
        *p++ = static_cast<char>(codigo);
        if (++k == n)
            break;
        const quint32 g = indices[k];
        if ((codigo = g < glifos ? por_glifo[g] : -1) < 0) [[unlikely]] {
            int c = -1;
            if (onde(primeiro, g, caracteres ? caracteres[k] : 0, &c) != &seg)
                break;
            codigo = c;
        }
    }
    // The bytes that need an escape, if any, from the last back: the string
    // grows into the room kept for it.
    const qsizetype m = reinterpret_cast<unsigned char*>(p) - cadeia;
    if (const qsizetype primeiro_escape = sem_escape(cadeia, m); primeiro_escape < m) {
        qsizetype escapes = 0;
        for (qsizetype i = primeiro_escape; i < m; ++i)
            escapes += especial_literal[cadeia[i]];
        unsigned char* fim = cadeia + m + escapes;
        for (qsizetype i = m - 1; i >= primeiro_escape; --i) {
            const unsigned char c = cadeia[i];
            if (especial_literal[c]) {
                *--fim = static_cast<unsigned char>(escape_de(c));
                *--fim = '\\';
            } else {
                *--fim = c;
            }
        }
        p += escapes;
    }
    p = copiar(p, ") Tj\n");
    conteudo_.truncate(p - inicio);
    return k;
}

void Escritor::contornos(const QRawFont& fonte, const quint32* indices, const QPointF* posicoes, qsizetype n,
                         QPointF origem, const QColor& cor, bool negrito, bool italico)
{
    fechar_texto();
    tinta(cor, negrito, fonte.pixelSize());
    for (qsizetype k = 0; k < n; ++k) {
        // Outlines are in twips with y growing down: a made-up slant moves
        // their tops to the right.
        const QPointF p = origem + posicoes[k];
        const QTransform t(1, 0, italico ? -0.21 : 0, 1, p.x(), p.y());
        const QPainterPath caminho = t.map(fonte.pathForGlyph(indices[k]));
        if (caminho.isEmpty())
            continue;
        for (int i = 0; i < caminho.elementCount(); ++i) {
            const QPainterPath::Element e = caminho.elementAt(i);
            if (e.type == QPainterPath::CurveToElement && i + 2 < caminho.elementCount()) {
                const QPainterPath::Element c2 = caminho.elementAt(i + 1), fim = caminho.elementAt(i + 2);
                Operador(conteudo_) << std::initializer_list<double>{e.x, e.y, c2.x, c2.y, fim.x, fim.y} << " c\n";
                i += 2;
                continue;
            }
            Operador(conteudo_) << std::initializer_list<double>{e.x, e.y}
                                << (e.type == QPainterPath::MoveToElement ? " m\n" : " l\n");
        }
        conteudo_.append(negrito ? "B\n" : "f\n");
    }
}

void Escritor::retangulo_cheio(const QRectF& r, const QColor& cor)
{
    if (!pagina_aberta_)
        return;
    pagina_virgem_ = false;
    fechar_texto();
    definir_cor(cor, false);
    const QRectF n = r.normalized();
    Operador(conteudo_) << std::initializer_list<double>{n.x(), n.y(), n.width(), n.height()} << " re f\n";
}

void Escritor::linha(QPointF a, QPointF b, const QColor& cor, double largura, bool pontilhada, bool caixa)
{
    if (!pagina_aberta_)
        return;
    pagina_virgem_ = false;
    fechar_texto();
    definir_cor(cor, true);
    // Dots as long as the line is wide, so they change with the width.
    const int estilo = pontilhada ? 1 : 0;
    if (estilo != estilo_traco_ || (pontilhada && largura != largura_linha_)) {
        estilo_traco_ = estilo;
        if (pontilhada) {
            Operador(conteudo_) << "0 J [" << std::initializer_list<double>{largura, 2 * largura} << "] 0 d\n";
        } else {
            conteudo_.append("2 J [] 0 d\n");
        }
    }
    largura_traco(largura);
    if (caixa) {
        const QRectF r = QRectF(a, b).normalized();
        Operador(conteudo_) << std::initializer_list<double>{r.x(), r.y(), r.width(), r.height()} << " re S\n";
        return;
    }
    // A line from a point to itself still shows as a dot (square ends).
    Operador(conteudo_) << std::initializer_list<double>{a.x(), a.y()} << " m "
                        << std::initializer_list<double>{b.x(), b.y()} << " l S\n";
}

namespace {

// The rows of `imagem`, `por_linha` bytes each, without padding.
QByteArray linhas(const QImage& imagem, qsizetype por_linha)
{
    QByteArray bytes;
    bytes.reserve(por_linha * imagem.height());
    for (int y = 0; y < imagem.height(); ++y)
        bytes.append(reinterpret_cast<const char*>(imagem.constScanLine(y)), por_linha);
    return bytes;
}

QByteArray dicionario_imagem(int w, int h, bool cinza)
{
    return "/Type /XObject /Subtype /Image /Width " + QByteArray::number(w) + " /Height " + QByteArray::number(h)
           + " /BitsPerComponent 8 /ColorSpace " + (cinza ? "/DeviceGray" : "/DeviceRGB");
}

} // namespace

namespace {

quint32 be32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) << 24 | quint32(u[1]) << 16 | quint32(u[2]) << 8 | u[3];
}

// The compressed rows of a PNG of 8-bit grey or RGB samples, not interlaced
// and without transparency, `largura` x `altura` pixels, into `dados`
// (emptied first, its room kept); false for any other file. `cinza`: one
// sample a pixel.
bool linhas_png(const QByteArray& png, int largura, int altura, bool* cinza, QByteArray& dados)
{
    dados.truncate(0);
    if (dados.capacity() < png.size())
        dados.reserve(png.size() + png.size() / 4);
    if (png.size() < 33
        || !cabecalho_png_direto(reinterpret_cast<const unsigned char*>(png.constData()), QSize(largura, altura), cinza))
        return false;
    for (qsizetype p = 8; p + 12 <= png.size();) {
        const qsizetype n = be32(png.constData() + p);
        if (n > png.size() - p - 12)
            return false;
        const QByteArrayView tipo_bloco(png.constData() + p + 4, 4);
        // Rows taken without decoding them are taken only whole.
        if (tipo_bloco == "IDAT" && libdeflate_crc32(0, png.constData() + p + 4, static_cast<size_t>(n) + 4)
                                        != be32(png.constData() + p + 8 + n))
            return false;
        if (tipo_bloco == "IDAT")
            dados.append(png.constData() + p + 8, n);
        else if (tipo_bloco == "tRNS") // a colour that is transparent
            return false;
        else if (tipo_bloco == "IEND")
            return !dados.isEmpty();
        p += 12 + n;
    }
    return false; // cut short
}

} // namespace

QByteArray Escritor::objeto_png(const QImage& imagem)
{
    const QString caminho = imagem.text(QString::fromLatin1(origem_imagem));
    if (caminho.isEmpty())
        return {};
    QByteArray nome = objeto_png(caminho, imagem.size());
    if (!nome.isEmpty())
        imagens_por_chave_.insert(imagem.cacheKey(), imagens_.value(chave_png_));
    return nome;
}

QByteArray Escritor::objeto_png(const QString& caminho, QSize tamanho)
{
    // Opened once, as any picture is opened (never blocking on a FIFO), and
    // known by what the open file is, not by what its name was a moment before.
    QFile arquivo;
    struct stat info {};
    if (const int fd = abrir_imagem(caminho); fd < 0 || !arquivo.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return {};
    }
    if (::fstat(arquivo.handle(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    // The picture is the file's while the file stays the same.
    chave_png_ = "arquivo:" + caminho.toUtf8() + '\0' + QByteArray::number(qint64(info.st_size)) + '\0'
                 + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(info.st_mtim.tv_nsec))
                 + '\0' + QByteArray::number(tamanho.width()) + 'x' + QByteArray::number(tamanho.height());
    auto it = imagens_.constFind(chave_png_);
    if (it != imagens_.cend())
        return it->nome;
    if (info.st_size > (qint64(1) << 30))
        return {};
    // The file and its rows are read into room kept from picture to picture.
    bool cinza = false;
    const auto tamanho_arquivo = static_cast<qsizetype>(info.st_size);
    if (png_lido_.capacity() < tamanho_arquivo) // a little more, for the next picture
        png_lido_.reserve(tamanho_arquivo + tamanho_arquivo / 4);
    png_lido_.resize(tamanho_arquivo);
    if (arquivo.read(png_lido_.data(), png_lido_.size()) != png_lido_.size()
        || !linhas_png(png_lido_, tamanho.width(), tamanho.height(), &cinza, png_linhas_))
        return {};
    const QByteArray& dados = png_linhas_;
    const int obj = novo_objeto();
    QByteArray dic = dicionario_imagem(tamanho.width(), tamanho.height(), cinza);
    dic.append(" /Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors ").append(cinza ? "1" : "3");
    dic.append(" /BitsPerComponent 8 /Columns ").append(QByteArray::number(tamanho.width())).append(" >>");
    escrever_fluxo(obj, dic, dados, false);
    it = imagens_.insert(chave_png_, {"Im" + QByteArray::number(static_cast<int>(imagens_.size()) + 1), obj});
    return it->nome;
}

QByteArray Escritor::objeto_imagem(const QImage& imagem)
{
    if (const auto it = imagens_por_chave_.constFind(imagem.cacheKey()); it != imagens_por_chave_.cend())
        return it->nome;
    if (QByteArray nome = objeto_png(imagem); !nome.isEmpty())
        return nome;
    const bool cinza = !imagem.hasAlphaChannel() && imagem.allGray();
    const int w = imagem.width(), h = imagem.height();
    const QByteArray pixels =
        linhas(imagem.convertToFormat(cinza ? QImage::Format_Grayscale8 : QImage::Format_RGB888), qsizetype(w) * (cinza ? 1 : 3));
    QByteArray alfa;
    if (imagem.hasAlphaChannel()) {
        alfa = linhas(imagem.convertToFormat(QImage::Format_Alpha8), w);
        if (std::all_of(alfa.cbegin(), alfa.cend(), [](char a) { return static_cast<unsigned char>(a) == 255; }))
            alfa.clear(); // opaque after all
    }
    QCryptographicHash resumo(QCryptographicHash::Sha1);
    resumo.addData(QByteArray::number(w) + 'x' + QByteArray::number(h) + (cinza ? "g" : "c"));
    resumo.addData(pixels);
    resumo.addData(alfa);
    const QByteArray chave = resumo.result();
    auto it = imagens_.constFind(chave);
    if (it == imagens_.cend()) {
        const int obj = novo_objeto();
        QByteArray dic = dicionario_imagem(w, h, cinza);
        if (!alfa.isEmpty()) {
            const int mascara = novo_objeto();
            escrever_fluxo(mascara, dicionario_imagem(w, h, true), alfa, true);
            dic.append(" /SMask ").append(ref(mascara));
        }
        escrever_fluxo(obj, dic, pixels, true);
        it = imagens_.insert(chave, {"Im" + QByteArray::number(static_cast<int>(imagens_.size()) + 1), obj});
    }
    imagens_por_chave_.insert(imagem.cacheKey(), *it);
    return it->nome;
}

void Escritor::imagem(const QImage& imagem, const QRectF& destino)
{
    if (!pagina_aberta_ || imagem.isNull())
        return;
    if (prevendo_) {
        desenhar_imagem(destino, {}, imagem);
        return;
    }
    desenhar_imagem(destino, objeto_imagem(imagem));
}

bool Escritor::imagem_png(const QString& caminho, QSize tamanho, const QRectF& destino)
{
    if (!pagina_aberta_)
        return false;
    if (prevendo_) {
        desenhar_imagem(destino, {});
        prevista_.remendos.back().arquivo = caminho;
        prevista_.remendos.back().tamanho = tamanho;
        return true;
    }
    const QByteArray nome = objeto_png(caminho, tamanho);
    if (nome.isEmpty())
        return false;
    desenhar_imagem(destino, nome);
    return true;
}

void Escritor::desenhar_imagem(const QRectF& destino, const QByteArray& nome, const QImage& prevista)
{
    pagina_virgem_ = false;
    fechar_texto();
    // The picture's first row at the top of the box.
    Operador op(conteudo_);
    op << "q "
       << std::initializer_list<double>{destino.width(), 0, 0, -destino.height(), destino.x(),
                                        destino.y() + destino.height()}
       << " cm /";
    if (prevendo_)
        prevista_.remendos.push_back({op.posicao(), -1, 0, prevista});
    else
        op << nome;
    op << " Do Q\n";
}

void Escritor::concluir_previsao(PaginaPrevista& pagina)
{
    pagina.conteudo.swap(conteudo_);
    pagina.texto_aberto = texto_aberto_;
    pagina.eventos.swap(prevista_.eventos);
    pagina.remendos.swap(prevista_.remendos);
    pagina_aberta_ = texto_aberto_ = false;
}

bool Escritor::adotar_pagina(const PaginaPrevista& p, const std::vector<QRawFont>& fontes)
{
    if (prevendo_ || !pagina_aberta_ || !pagina_virgem_ || !p.conteudo.startsWith(conteudo_))
        return false;
    auto face = [&](int tag) -> const QRawFont* {
        return tag >= 0 && static_cast<size_t>(tag) < fontes.size() && fontes[static_cast<size_t>(tag)].isValid()
                   ? &fontes[static_cast<size_t>(tag)]
                   : nullptr;
    };
    // The fonts, codes and pictures as the page's own drawing gives them out,
    // in the same order.
    bool igual = true;
    Recurso* primeiro = nullptr;
    for (const PaginaPrevista::Evento& e : p.eventos) {
        if (e.tipo == PaginaPrevista::Evento::Tipo::Fonte) {
            const QRawFont* f = face(e.valor);
            primeiro = f ? &recurso_para(*f) : nullptr;
            igual = igual && f;
            continue;
        }
        int codigo = -1;
        const Recurso* r = primeiro ? onde(*primeiro, e.glifo, e.caractere, &codigo) : nullptr;
        igual = igual && r && elo(*primeiro, r) == e.valor && codigo == e.codigo;
    }
    std::vector<QByteArray> nomes;
    nomes.reserve(p.remendos.size());
    for (const PaginaPrevista::Remendo& m : p.remendos) {
        if (m.fonte < 0) {
            nomes.push_back(m.arquivo.isEmpty() ? objeto_imagem(m.imagem) : objeto_png(m.arquivo, m.tamanho));
            igual = igual && !nomes.back().isEmpty();
            continue;
        }
        const QRawFont* f = face(m.fonte);
        const Recurso* r = f ? &recurso_para(*f) : nullptr;
        for (int i = 0; r && i < m.elo; ++i)
            r = r->seguinte;
        igual = igual && r;
        nomes.push_back(r ? r->nome : QByteArray());
    }
    if (!igual)
        return false;
    QByteArray conteudo;
    conteudo.reserve(p.conteudo.size() + 8 * static_cast<qsizetype>(nomes.size()));
    qsizetype de = 0;
    for (size_t i = 0; i < nomes.size(); ++i) {
        const qsizetype ate = p.remendos[i].posicao;
        conteudo.append(p.conteudo.constData() + de, ate - de).append(nomes[i]);
        de = ate;
    }
    conteudo.append(p.conteudo.constData() + de, p.conteudo.size() - de);
    conteudo_ = std::move(conteudo);
    texto_aberto_ = p.texto_aberto;
    pagina_virgem_ = false;
    // What the content leaves set is not followed here: anything drawn
    // after it sets it again.
    recurso_atual_ = nullptr;
    preenchimento_ = traco_ = {};
    largura_linha_ = -1;
    modo_texto_ = -1;
    estilo_traco_ = -1;
    return true;
}

} // namespace papelada::pdf
