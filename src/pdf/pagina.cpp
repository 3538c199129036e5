// What a page shows: its content stream (text, outlines, lines, boxes and
// pictures) and the page object written when it ends.
#include "pdf/escritor.h"

#include "pdf/fontes.h"
#include "pdf/objetos.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QDateTime>
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
        if (sizeof buf_ - usados_ < maximo_numero) {
            destino_.append(buf_, usados_);
            usados_ = 0;
        }
        if (!std::isfinite(v))
            v = 0;
        long long m = std::llround(std::clamp(v, -1e8, 1e8) * 1000);
        char* p = buf_ + usados_;
        if (m < 0) {
            *p++ = '-';
            m = -m;
        }
        p = std::to_chars(p, buf_ + sizeof buf_, m / 1000).ptr;
        if (const int fracao = static_cast<int>(m % 1000); fracao != 0) {
            const char d[3] = {char('0' + fracao / 100), char('0' + fracao / 10 % 10), char('0' + fracao % 10)};
            const int n = d[2] != '0' ? 3 : d[1] != '0' ? 2 : 1;
            *p++ = '.';
            std::memcpy(p, d, static_cast<size_t>(n));
            p += n;
        }
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
    static constexpr size_t maximo_numero = 24; // "-100000000.001" and room to spare
    QByteArray& destino_;
    char buf_[256];
    size_t usados_ = 0;
};

// Bytes of a literal string: most need no escape and go in as they are,
// a stretch at a time.
void literal(QByteArray& s, const unsigned char* b, qsizetype n)
{
    static constexpr auto especial = [] {
        std::array<bool, 256> t{};
        for (const unsigned char c : {'(', ')', '\\', '\r', '\n'})
            t[c] = true;
        return t;
    }();
    qsizetype de = 0;
    qsizetype i = 0;
#ifdef __SSE2__
    // Sixteen bytes at a time up to the first that needs an escape.
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
    for (; i < n; ++i) {
        if (!especial[b[i]])
            continue;
        s.append(reinterpret_cast<const char*>(b + de), i - de);
        const char escape[2] = {'\\', b[i] == '\r' ? 'r' : b[i] == '\n' ? 'n' : static_cast<char>(b[i])};
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
    quint64 h[4] = {k ^ static_cast<quint64>(n), k * 3, k * 5, k * 7};
    const auto misturar = [](quint64 h, quint64 v) {
        h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
        return h ^ (h >> 31);
    };
    qsizetype i = 0;
    for (; i + 32 <= n; i += 32)
        for (int l = 0; l < 4; ++l) {
            quint64 v;
            std::memcpy(&v, p + i + 8 * l, 8);
            h[l] = misturar(h[l], v);
        }
    for (; i < n; ++i)
        h[0] = misturar(h[0], static_cast<unsigned char>(p[i]));
    return misturar(misturar(misturar(h[0], h[1]), h[2]), h[3]);
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
        {
            Operador op(conteudo_);
            if (seg != recurso_atual_) {
                recurso_atual_ = seg;
                op << '/';
                if (prevendo_)
                    prevista_.remendos.push_back({op.posicao(), etiqueta_, elo(*r, seg), {}});
                else
                    op << seg->nome;
                op << ' ' << seg->tamanho << " Tf\n";
            }
            op << (italico ? "1 0 0.21 -1 " : "1 0 0 -1 ")
               << std::initializer_list<double>{origem.x() + x, origem.y() + y} << " Tm\n";
        }
        // The stretch: glyphs of this font of the chain on this baseline. A
        // glyph keeps the one font of the chain where it has a code: most
        // glyphs of a run are found in the font of the one before.
        const qsizetype primeiro = k;
        if (codigos_.size() < static_cast<size_t>(n))
            codigos_.resize(static_cast<size_t>(n));
        unsigned char* codigos = codigos_.data();
        const QPointF* p = posicoes ? posicoes + primeiro : nullptr;
        // Where a glyph stands apart from where the advance of the one
        // before leaves it, the difference is written in thousandths of the
        // em (a positive number moves left), and the string is shown with TJ.
        const auto desvio = [&](qsizetype i) { return p[i].x() - (p[i - 1].x() + seg->avanco[codigos[i - 1]]); };
        bool ajustes = false;
        for (int codigo = c;;) { // kept apart from `c`, whose address onde() takes
            codigos[k - primeiro] = static_cast<unsigned char>(codigo);
            if (++k == n || (!naturais && posicoes[k].y() != y))
                break;
            if ((codigo = seg->codigo_de(indices[k])) < 0) {
                if (onde(*r, indices[k], caractere(k), &c) != seg)
                    break;
                codigo = c;
            }
            ajustes |= !naturais && std::abs(desvio(k - primeiro)) > 0.01;
        }
        const qsizetype m = k - primeiro;
        if (!posicoes)
            for (qsizetype i = 0; i < m; ++i)
                x_natural += seg->avanco[codigos[i]];
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
// and without transparency, `largura` x `altura` pixels; empty for any
// other file. `cinza`: one sample a pixel.
QByteArray linhas_png(const QByteArray& png, int largura, int altura, bool* cinza)
{
    if (!png.startsWith("\x89PNG\r\n\x1a\n") || png.size() < 33 || png.mid(12, 4) != "IHDR")
        return {};
    const char* h = png.constData() + 16;
    const int tipo = static_cast<unsigned char>(h[9]);
    if (be32(h) != quint32(largura) || be32(h + 4) != quint32(altura) || h[8] != 8 || (tipo != 0 && tipo != 2)
        || h[10] != 0 || h[11] != 0 || h[12] != 0)
        return {};
    *cinza = tipo == 0;
    QByteArray dados;
    for (qsizetype p = 8; p + 12 <= png.size();) {
        const qsizetype n = be32(png.constData() + p);
        if (n > png.size() - p - 12)
            return {};
        const QByteArrayView tipo_bloco(png.constData() + p + 4, 4);
        // Rows taken without decoding them are taken only whole.
        if (tipo_bloco == "IDAT" && libdeflate_crc32(0, png.constData() + p + 4, static_cast<size_t>(n) + 4)
                                        != be32(png.constData() + p + 8 + n))
            return {};
        if (tipo_bloco == "IDAT")
            dados.append(png.constData() + p + 8, n);
        else if (tipo_bloco == "tRNS") // a colour that is transparent
            return {};
        else if (tipo_bloco == "IEND")
            return dados;
        p += 12 + n;
    }
    return {}; // cut short
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
    QFile arquivo(caminho);
    const QFileInfo info(caminho);
    if (!info.isFile())
        return {};
    // The picture is the file's while the file stays the same.
    chave_png_ = "arquivo:" + caminho.toUtf8() + '\0' + QByteArray::number(info.size()) + '\0'
                 + QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + '\0'
                 + QByteArray::number(tamanho.width()) + 'x' + QByteArray::number(tamanho.height());
    auto it = imagens_.constFind(chave_png_);
    if (it != imagens_.cend())
        return it->nome;
    if (info.size() > (qint64(1) << 30) || !arquivo.open(QIODevice::ReadOnly))
        return {};
    bool cinza = false;
    const QByteArray dados = linhas_png(arquivo.readAll(), tamanho.width(), tamanho.height(), &cinza);
    if (dados.isEmpty())
        return {};
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
