#include "print/pdf_escritor.h"

#include "print/pdf_fonte.h"
#include "stream/cp1252.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QIODevice>
#include <QPainterPath>
#include <QTransform>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <set>
#include <zlib.h>

namespace papelada::pdf {

namespace {

// Coordinates far beyond any page are brought back to this many twips, so
// that every number written stays within what PDF readers take.
constexpr double limite = 1e8;

// Largest page side, in twips (200 inches), and smallest.
constexpr double pagina_maxima = 288000;
constexpr double pagina_minima = 20;

void inteiro(QByteArray& s, long long v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, r.ptr - buf);
}

QByteArray ref(int objeto)
{
    QByteArray s;
    inteiro(s, objeto);
    s.append(" 0 R");
    return s;
}

// `v` in `digitos` hexadecimal digits.
void hexadecimal(QByteArray& s, unsigned v, int digitos)
{
    static const char simbolos[] = "0123456789ABCDEF";
    for (int d = digitos - 1; d >= 0; --d)
        s.append(simbolos[(v >> (4 * d)) & 15]);
}

// A byte inside a literal string, escaped where the string's syntax needs it.
void byte_literal(QByteArray& s, unsigned char c)
{
    switch (c) {
    case '(': s.append("\\("); break;
    case ')': s.append("\\)"); break;
    case '\\': s.append("\\\\"); break;
    case '\r': s.append("\\r"); break;
    case '\n': s.append("\\n"); break;
    default: s.append(static_cast<char>(c));
    }
}

// A PDF text string: literal when it is plain ASCII, UTF-16 otherwise.
QByteArray texto_pdf(const QString& t)
{
    const bool ascii = std::all_of(t.begin(), t.end(), [](QChar c) { return c.unicode() >= 32 && c.unicode() < 127; });
    QByteArray s;
    if (ascii) {
        s.append('(');
        for (QChar c : t)
            byte_literal(s, static_cast<unsigned char>(c.unicode()));
        return s.append(')');
    }
    s.append("<FEFF");
    for (QChar c : t)
        hexadecimal(s, c.unicode(), 4);
    return s.append('>');
}

// Streams are compressed for speed: the pages of a long report go out as
// fast as they are drawn.
QByteArray comprimir(const QByteArray& dados)
{
    uLongf tamanho = compressBound(static_cast<uLong>(dados.size()));
    QByteArray saida(static_cast<qsizetype>(tamanho), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(saida.data()), &tamanho,
                  reinterpret_cast<const Bytef*>(dados.constData()), static_cast<uLong>(dados.size()),
                  Z_BEST_SPEED) != Z_OK)
        return {};
    saida.truncate(static_cast<qsizetype>(tamanho));
    return saida;
}

// A CMap program over one-byte codes: `corpo` maps them to glyphs (type 1)
// or to characters (type 2).
QByteArray cmap(const char* nome, const char* ordem, int tipo, const QByteArray& corpo)
{
    QByteArray s = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                   "/CIDSystemInfo << /Registry (Adobe) /Ordering (";
    s.append(ordem).append(") /Supplement 0 >> def\n/CMapName /").append(nome).append(" def\n/CMapType ");
    s.append(QByteArray::number(tipo)).append(" def\n1 begincodespacerange\n<00> <FF>\nendcodespacerange\n");
    s.append(corpo);
    s.append("endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n");
    return s;
}

} // namespace

void numero(QByteArray& s, double v)
{
    if (!std::isfinite(v))
        v = 0;
    v = std::clamp(v, -limite, limite);
    long long m = std::llround(v * 1000);
    if (m < 0) {
        s.append('-');
        m = -m;
    }
    inteiro(s, m / 1000);
    const int fracao = static_cast<int>(m % 1000);
    if (fracao) {
        char d[4] = {'.', char('0' + fracao / 100), char('0' + fracao / 10 % 10), char('0' + fracao % 10)};
        int n = 4;
        while (d[n - 1] == '0')
            --n;
        s.append(d, n);
    }
}

void numeros(QByteArray& s, std::initializer_list<double> v)
{
    bool primeiro = true;
    for (double x : v) {
        if (!primeiro)
            s.append(' ');
        primeiro = false;
        numero(s, x);
    }
}

struct Escritor::Face {
    QByteArray chave;
    FaceTrueType dados;
    std::set<quint32> usados;
    int obj_descritor = 0;
    QByteArray nome; // subset tag and PostScript name
};

struct Escritor::Recurso {
    Face* face = nullptr;
    QRawFont fonte;
    QByteArray nome;    // "F1"
    double tamanho = 0; // twips to the em
    std::vector<qint16> codigo; // by glyph index; -1 while it has none
    std::array<quint32, 256> glifo{};
    std::array<double, 256> avanco{};
    std::array<char16_t, 256> caractere{};
    std::array<bool, 256> ocupado{};
    int livres = 256;
    Recurso* seguinte = nullptr; // where glyphs go once the codes run out
    int obj_fonte = 0;

    // The code of glyph `g`, or -1 when it has none here.
    int codigo_de(quint32 g) const { return g < codigo.size() ? codigo[g] : -1; }

    // Gives glyph `g` a code: the code-page byte of its character when that
    // is free (the text then reads as itself in the page), else the first
    // free one. -1 when all are taken.
    int atribuir(quint32 g, char16_t c)
    {
        if (g >= codigo.size() || livres == 0)
            return -1;
        int k = -1;
        if (c) {
            const int preferido = unicode_para_cp1252(QChar(c));
            if ((preferido != '?' || c == u'?') && !ocupado[preferido])
                k = preferido;
        }
        for (int i = 32; k < 0 && i < 256 + 32; ++i)
            if (!ocupado[i % 256])
                k = i % 256;
        ocupado[k] = true;
        --livres;
        codigo[g] = static_cast<qint16>(k);
        glifo[k] = g;
        caractere[k] = c;
        avanco[k] = fonte.advancesForGlyphIndexes(QList<quint32>{g}, QRawFont::SeparateAdvances).value(0).x();
        face->usados.insert(g);
        return k;
    }
};

Escritor::Escritor(QIODevice* saida, const QString& titulo) : saida_(saida), titulo_(titulo) {}

Escritor::~Escritor() = default;

int Escritor::novo_objeto()
{
    deslocamentos_.push_back(-1);
    return static_cast<int>(deslocamentos_.size()) - 1;
}

void Escritor::iniciar_objeto(int n)
{
    deslocamentos_[static_cast<size_t>(n)] = posicao_;
    QByteArray s;
    inteiro(s, n);
    s.append(" 0 obj\n");
    escrever(s);
}

void Escritor::escrever(const char* dados, qsizetype n)
{
    buffer_.append(dados, n);
    posicao_ += n;
    if (buffer_.size() >= (1 << 20))
        descarregar();
}

void Escritor::escrever(const QByteArray& dados)
{
    escrever(dados.constData(), dados.size());
}

void Escritor::descarregar()
{
    if (!buffer_.isEmpty() && !falhou_) {
        if (!saida_ || saida_->write(buffer_) != buffer_.size()) {
            falhou_ = true;
            erro_ = saida_ ? saida_->errorString() : QString();
        }
    }
    buffer_.clear();
}

void Escritor::escrever_fluxo(int objeto, const QByteArray& dicionario, const QByteArray& dados,
                              bool comprimido)
{
    iniciar_objeto(objeto);
    QByteArray corpo = comprimido ? comprimir(dados) : QByteArray();
    const bool filtro = comprimido && !corpo.isEmpty();
    if (!filtro)
        corpo = dados;
    QByteArray s = "<< ";
    s.append(dicionario);
    if (filtro)
        s.append(" /Filter /FlateDecode");
    s.append(" /Length ");
    inteiro(s, corpo.size());
    s.append(" >>\nstream\n");
    escrever(s);
    escrever(corpo);
    escrever("\nendstream\nendobj\n", 18);
}

void Escritor::iniciar_pagina(double largura, double altura)
{
    if (terminado_)
        return;
    if (!iniciado_) {
        iniciado_ = true;
        novo_objeto(); // object 0, always free
        obj_catalogo_ = novo_objeto();
        obj_paginas_ = novo_objeto();
        obj_recursos_ = novo_objeto();
        obj_info_ = novo_objeto();
        escrever(QByteArray("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"));
        iniciar_objeto(obj_catalogo_);
        escrever("<< /Type /Catalog /Pages " + ref(obj_paginas_) + " >>\nendobj\n");
        iniciar_objeto(obj_info_);
        const QString data = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss"));
        escrever("<< /Producer (Papelada) /Creator (Papelada) /Title " + texto_pdf(titulo_)
                 + " /CreationDate (D:" + data.toLatin1() + "Z) >>\nendobj\n");
    }
    terminar_pagina();
    auto medida = [](double v) { return std::isfinite(v) ? std::clamp(v, pagina_minima, pagina_maxima) : 11906.0; };
    paginas_.push_back({0, medida(largura), medida(altura)});
    pagina_aberta_ = true;
    conteudo_.clear();
    // Twips, from the top left corner, y growing down.
    conteudo_.append("0.05 0 0 -0.05 0 ");
    numero(conteudo_, paginas_.back().altura / 20);
    conteudo_.append(" cm\n");
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
    Pagina& p = paginas_.back();
    const int conteudo = novo_objeto();
    p.objeto = novo_objeto();
    escrever_fluxo(conteudo, {}, conteudo_, true);
    conteudo_.clear();
    QByteArray s;
    iniciar_objeto(p.objeto);
    s.append("<< /Type /Page /Parent ").append(ref(obj_paginas_)).append(" /MediaBox [0 0 ");
    numero(s, p.largura / 20);
    s.append(' ');
    numero(s, p.altura / 20);
    s.append("] /Resources ").append(ref(obj_recursos_)).append(" /Contents ").append(ref(conteudo));
    s.append(" >>\nendobj\n");
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
    numeros(conteudo_, {qRed(c) / 255.0, qGreen(c) / 255.0, qBlue(c) / 255.0});
    conteudo_.append(traco ? " RG\n" : " rg\n");
}

void Escritor::largura_traco(double largura)
{
    if (largura != largura_linha_) {
        largura_linha_ = largura;
        numero(conteudo_, largura);
        conteudo_.append(" w\n");
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

Escritor::Face& Escritor::face_para(const QRawFont& fonte)
{
    // Faces are told apart by their names and by the header of the font
    // file (its version, checksum and dates).
    QByteArray chave = (fonte.familyName() + QLatin1Char('\n') + fonte.styleName()).toUtf8();
    chave.append('\n').append(QByteArray::number(fonte.weight())).append(QByteArray::number(int(fonte.style())));
    chave.append('\n').append(fonte.fontTable("head").left(36));
    for (auto& f : faces_)
        if (f->chave == chave)
            return *f;
    auto face = std::make_unique<Face>();
    face->chave = chave;
    face->dados = ler_face(fonte);
    faces_.push_back(std::move(face));
    return *faces_.back();
}

Escritor::Recurso& Escritor::recurso_para(const QRawFont& fonte)
{
    if (ultimo_recurso_ && fonte == ultima_fonte_)
        return *ultimo_recurso_;
    Recurso*& r = por_fonte_[fonte];
    if (!r) {
        Face& face = face_para(fonte);
        // The same face at the same size (in a fallback run, say) shares the
        // font already made for it.
        for (auto& outro : recursos_)
            if (outro->face == &face && outro->tamanho == fonte.pixelSize()) {
                r = outro.get();
                break;
            }
        if (!r)
            r = &novo_recurso(face, fonte);
    }
    ultima_fonte_ = fonte;
    ultimo_recurso_ = r;
    return *r;
}

Escritor::Recurso& Escritor::novo_recurso(Face& face, const QRawFont& fonte)
{
    auto novo = std::make_unique<Recurso>();
    novo->face = &face;
    novo->fonte = fonte;
    novo->tamanho = fonte.pixelSize();
    novo->codigo.assign(static_cast<size_t>(std::max(face.dados.numero_glifos, 0)), -1);
    novo->nome = "F" + QByteArray::number(static_cast<int>(recursos_.size()) + 1);
    recursos_.push_back(std::move(novo));
    return *recursos_.back();
}

Escritor::Recurso& Escritor::proximo_recurso(Recurso& cheio)
{
    if (!cheio.seguinte)
        cheio.seguinte = &novo_recurso(*cheio.face, cheio.fonte);
    return *cheio.seguinte;
}

void Escritor::glifos(const QRawFont& fonte, const quint32* indices, const QPointF* posicoes,
                      const char16_t* caracteres, qsizetype n, QPointF origem, const QColor& cor,
                      bool negrito, bool italico)
{
    if (!pagina_aberta_ || n <= 0 || !fonte.isValid())
        return;
    Recurso* r = &recurso_para(fonte);
    if (!r->face->dados.incorporavel) {
        contornos(fonte, indices, posicoes, n, origem, cor, negrito, italico);
        return;
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

    auto caractere = [&](qsizetype k) -> char16_t { return caracteres ? caracteres[k] : 0; };
    qsizetype k = 0;
    while (k < n) {
        // A stretch: glyphs of one font of the chain, on one baseline.
        int c = -1;
        Recurso* seg = onde(*r, indices[k], caractere(k), &c);
        if (!seg) {
            ++k; // not a glyph of this face
            continue;
        }
        if (seg != recurso_atual_) {
            recurso_atual_ = seg;
            conteudo_.append('/').append(seg->nome).append(' ');
            numero(conteudo_, seg->tamanho);
            conteudo_.append(" Tf\n");
        }
        conteudo_.append(italico ? "1 0 0.21 -1 " : "1 0 0 -1 ");
        const double y = posicoes[k].y();
        numeros(conteudo_, {origem.x() + posicoes[k].x(), origem.y() + y});
        conteudo_.append(" Tm\n[(");
        const qsizetype inicio = conteudo_.size();
        double esperado = posicoes[k].x();
        bool ajustes = false;
        while (k < n) {
            // Where a glyph stands apart from where the advance of the one
            // before leaves it, the difference is written in thousandths of
            // the em (a positive number moves left).
            const double desvio = posicoes[k].x() - esperado;
            if (std::abs(desvio) > 0.01) {
                conteudo_.append(") ");
                numero(conteudo_, -desvio * 1000 / seg->tamanho);
                conteudo_.append(" (");
                ajustes = true;
            }
            byte_literal(conteudo_, static_cast<unsigned char>(c));
            esperado = posicoes[k].x() + seg->avanco[static_cast<size_t>(c)];
            if (++k < n && (posicoes[k].y() != y || onde(*r, indices[k], caractere(k), &c) != seg))
                break;
        }
        if (ajustes) {
            conteudo_.append(")] TJ\n");
        } else {
            conteudo_.remove(inicio - 2, 1); // a plain string, shown with Tj
            conteudo_.append(") Tj\n");
        }
    }
}

Escritor::Recurso* Escritor::onde(Recurso& primeiro, quint32 g, char16_t caractere, int* codigo)
{
    if (g >= primeiro.codigo.size())
        return nullptr;
    // Codes are only ever given out by the last font of the chain: the
    // ones before it are full.
    Recurso* r = &primeiro;
    for (;; r = r->seguinte) {
        if ((*codigo = r->codigo_de(g)) >= 0)
            return r;
        if (!r->seguinte)
            break;
    }
    if ((*codigo = r->atribuir(g, caractere)) >= 0)
        return r;
    r = &proximo_recurso(*r);
    *codigo = r->atribuir(g, caractere);
    return r;
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
                numeros(conteudo_, {e.x, e.y, c2.x, c2.y, fim.x, fim.y});
                conteudo_.append(" c\n");
                i += 2;
                continue;
            }
            numeros(conteudo_, {e.x, e.y});
            conteudo_.append(e.type == QPainterPath::MoveToElement ? " m\n" : " l\n");
        }
        conteudo_.append(negrito ? "B\n" : "f\n");
    }
}

void Escritor::retangulo_cheio(const QRectF& r, const QColor& cor)
{
    if (!pagina_aberta_)
        return;
    fechar_texto();
    definir_cor(cor, false);
    const QRectF n = r.normalized();
    numeros(conteudo_, {n.x(), n.y(), n.width(), n.height()});
    conteudo_.append(" re f\n");
}

void Escritor::linha(QPointF a, QPointF b, const QColor& cor, double largura, bool pontilhada, bool caixa)
{
    if (!pagina_aberta_)
        return;
    fechar_texto();
    definir_cor(cor, true);
    // Dots as long as the line is wide, so they change with the width.
    const int estilo = pontilhada ? 1 : 0;
    if (estilo != estilo_traco_ || (pontilhada && largura != largura_linha_)) {
        estilo_traco_ = estilo;
        if (pontilhada) {
            conteudo_.append("0 J [");
            numeros(conteudo_, {largura, 2 * largura});
            conteudo_.append("] 0 d\n");
        } else {
            conteudo_.append("2 J [] 0 d\n");
        }
    }
    largura_traco(largura);
    if (caixa) {
        const QRectF r = QRectF(a, b).normalized();
        numeros(conteudo_, {r.x(), r.y(), r.width(), r.height()});
        conteudo_.append(" re S\n");
        return;
    }
    // A line from a point to itself still shows as a dot (square ends).
    numeros(conteudo_, {a.x(), a.y()});
    conteudo_.append(" m ");
    numeros(conteudo_, {b.x(), b.y()});
    conteudo_.append(" l S\n");
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

QByteArray Escritor::objeto_imagem(const QImage& imagem)
{
    if (const auto it = imagens_por_chave_.constFind(imagem.cacheKey()); it != imagens_por_chave_.cend())
        return it->nome;
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
    fechar_texto();
    const QByteArray nome = objeto_imagem(imagem);
    // The picture's first row at the top of the box.
    conteudo_.append("q ");
    numeros(conteudo_, {destino.width(), 0, 0, -destino.height(), destino.x(), destino.y() + destino.height()});
    conteudo_.append(" cm /").append(nome).append(" Do Q\n");
}

void Escritor::escrever_fontes()
{
    if (recursos_.empty())
        return;
    obj_cmap_ = novo_objeto();
    // Text codes 0 to 255 are glyph codes 0 to 255 of every font.
    escrever_fluxo(obj_cmap_,
                   "/Type /CMap /CMapName /Papelada-Bytes /CIDSystemInfo << /Registry (Adobe) "
                   "/Ordering (Identity) /Supplement 0 >>",
                   cmap("Papelada-Bytes", "Identity", 1, "1 begincidrange\n<00> <FF> 0\nendcidrange\n"), false);
    for (auto& f : faces_)
        if (f->dados.incorporavel && !f->usados.empty())
            escrever_face(*f);
    for (auto& r : recursos_)
        if (r->face->obj_descritor)
            escrever_recurso(*r);
}

void Escritor::escrever_face(Face& face)
{
    const QByteArray programa = subconjunto(face.dados, face.usados);
    // The subset's tag: six capitals drawn from the glyphs it holds.
    QCryptographicHash h(QCryptographicHash::Md5);
    h.addData(face.chave);
    for (quint32 g : face.usados)
        h.addData(QByteArrayView(reinterpret_cast<const char*>(&g), sizeof g));
    const QByteArray r = h.result();
    for (int i = 0; i < 6; ++i)
        face.nome.append(static_cast<char>('A' + static_cast<unsigned char>(r[i]) % 26));
    face.nome.append('+').append(face.dados.nome_postscript);

    const int obj_programa = novo_objeto();
    escrever_fluxo(obj_programa, "/Length1 " + QByteArray::number(programa.size()), programa, true);
    face.obj_descritor = novo_objeto();
    const FaceTrueType& d = face.dados;
    int bandeiras = 4; // symbolic: glyphs are chosen by index
    if (d.fixa)
        bandeiras |= 1;
    if (d.angulo_italico != 0)
        bandeiras |= 64;
    QByteArray s = "<< /Type /FontDescriptor /FontName /" + face.nome + " /Flags " + QByteArray::number(bandeiras)
                   + " /FontBBox [";
    numeros(s, {double(d.caixa[0]), double(d.caixa[1]), double(d.caixa[2]), double(d.caixa[3])});
    s.append("] /ItalicAngle ");
    numero(s, d.angulo_italico);
    s.append(" /Ascent ").append(QByteArray::number(d.ascendente));
    s.append(" /Descent ").append(QByteArray::number(d.descendente));
    s.append(" /CapHeight ").append(QByteArray::number(d.altura_maiusculas));
    s.append(" /StemV 80 /FontFile2 ").append(ref(obj_programa)).append(" >>\nendobj\n");
    iniciar_objeto(face.obj_descritor);
    escrever(s);
}

void Escritor::escrever_recurso(Recurso& recurso)
{
    int ultimo = 0;
    for (int c = 0; c < 256; ++c)
        if (recurso.ocupado[c])
            ultimo = c;
    // Code -> glyph index.
    QByteArray mapa;
    for (int c = 0; c <= ultimo; ++c) {
        const quint32 g = recurso.ocupado[c] ? recurso.glifo[c] : 0;
        mapa.append(static_cast<char>(g >> 8)).append(static_cast<char>(g));
    }
    const int obj_mapa = novo_objeto();
    escrever_fluxo(obj_mapa, {}, mapa, true);
    // Code -> character, for searching and copying the text.
    std::vector<int> com_caractere;
    for (int c = 0; c <= ultimo; ++c)
        if (recurso.ocupado[c] && recurso.caractere[c])
            com_caractere.push_back(c);
    QByteArray pares;
    for (size_t i = 0; i < com_caractere.size(); i += 100) { // at most 100 to a block
        const size_t fim = std::min(com_caractere.size(), i + 100);
        pares.append(QByteArray::number(static_cast<int>(fim - i))).append(" beginbfchar\n");
        for (size_t j = i; j < fim; ++j) {
            pares.append('<');
            hexadecimal(pares, static_cast<unsigned>(com_caractere[j]), 2);
            pares.append("> <");
            hexadecimal(pares, recurso.caractere[static_cast<size_t>(com_caractere[j])], 4);
            pares.append(">\n");
        }
        pares.append("endbfchar\n");
    }
    const int obj_unicode = novo_objeto();
    escrever_fluxo(obj_unicode, {}, cmap("Adobe-Identity-UCS", "UCS", 2, pares), true);

    const int obj_cid = novo_objeto();
    QByteArray s = "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + recurso.face->nome
                   + " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                     " /FontDescriptor "
                   + ref(recurso.face->obj_descritor) + " /DW 0 /W [0 [";
    for (int c = 0; c <= ultimo; ++c) {
        numero(s, recurso.ocupado[c] ? recurso.avanco[static_cast<size_t>(c)] * 1000 / recurso.tamanho : 0);
        s.append(c < ultimo ? " " : "");
    }
    s.append("]] /CIDToGIDMap ").append(ref(obj_mapa)).append(" >>\nendobj\n");
    iniciar_objeto(obj_cid);
    escrever(s);

    recurso.obj_fonte = novo_objeto();
    iniciar_objeto(recurso.obj_fonte);
    escrever("<< /Type /Font /Subtype /Type0 /BaseFont /" + recurso.face->nome + " /Encoding " + ref(obj_cmap_)
             + " /DescendantFonts [" + ref(obj_cid) + "] /ToUnicode " + ref(obj_unicode) + " >>\nendobj\n");
}

bool Escritor::terminar()
{
    if (terminado_)
        return !falhou_;
    if (paginas_.empty())
        iniciar_pagina(11906, 16838); // an empty A4 page: a PDF has at least one
    terminar_pagina();
    terminado_ = true;
    escrever_fontes();

    QByteArray s = "<< /ProcSet [/PDF /Text /ImageB /ImageC] /Font <<";
    for (auto& r : recursos_)
        if (r->obj_fonte)
            s.append(" /").append(r->nome).append(' ').append(ref(r->obj_fonte));
    s.append(" >> /XObject <<");
    for (const Imagem& i : std::as_const(imagens_))
        s.append(" /").append(i.nome).append(' ').append(ref(i.objeto));
    s.append(" >> >>\nendobj\n");
    iniciar_objeto(obj_recursos_);
    escrever(s);

    iniciar_objeto(obj_paginas_);
    s = "<< /Type /Pages /Count " + QByteArray::number(paginas()) + " /Kids [";
    for (const Pagina& p : paginas_)
        s.append(ref(p.objeto)).append(' ');
    s.append("] >>\nendobj\n");
    escrever(s);

    const qint64 tabela = posicao_;
    s = "xref\n0 " + QByteArray::number(static_cast<qlonglong>(deslocamentos_.size())) + "\n";
    for (const qint64 d : deslocamentos_) {
        if (d < 0)
            s.append("0000000000 65535 f \n");
        else
            s.append(QByteArray::number(d).rightJustified(10, '0')).append(" 00000 n \n");
    }
    const QByteArray id = QCryptographicHash::hash(
                              titulo_.toUtf8() + QByteArray::number(QDateTime::currentMSecsSinceEpoch())
                                  + QByteArray::number(posicao_),
                              QCryptographicHash::Md5)
                              .toHex()
                              .toUpper();
    s.append("trailer\n<< /Size " + QByteArray::number(static_cast<qlonglong>(deslocamentos_.size())) + " /Root "
             + ref(obj_catalogo_) + " /Info " + ref(obj_info_) + " /ID [<" + id + "> <" + id + ">] >>\nstartxref\n"
             + QByteArray::number(tabela) + "\n%%EOF\n");
    escrever(s);
    descarregar();
    return !falhou_;
}

} // namespace papelada::pdf
