// What a page shows: its content stream (text, outlines, lines, boxes and
// pictures) and the page object written when it ends.
#include "pdf/escritor.h"

#include "pdf/fontes.h"
#include "pdf/objetos.h"

#include <QCryptographicHash>
#include <QPainterPath>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace papelada::pdf {

namespace {

// Largest page side, in twips (200 inches), and smallest.
constexpr double pagina_maxima = 288000;
constexpr double pagina_minima = 20;

} // namespace

void Escritor::iniciar_pagina(double largura, double altura)
{
    if (terminado_)
        return;
    iniciar_arquivo();
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
        // The string's bytes gather here and go into the page a block at a
        // time; a byte takes at most two.
        char bloco[512];
        int usados = 0;
        int codigo = c; // kept apart from `c`, whose address onde() takes
        while (k < n) {
            if (usados > static_cast<int>(sizeof bloco) - 2) {
                conteudo_.append(bloco, usados);
                usados = 0;
            }
            // Where a glyph stands apart from where the advance of the one
            // before leaves it, the difference is written in thousandths of
            // the em (a positive number moves left).
            const double desvio = posicoes[k].x() - esperado;
            if (std::abs(desvio) > 0.01) {
                conteudo_.append(bloco, usados);
                usados = 0;
                conteudo_.append(") ");
                numero(conteudo_, -desvio * 1000 / seg->tamanho);
                conteudo_.append(" (");
                ajustes = true;
            }
            switch (codigo) {
            case '(': case ')': case '\\': bloco[usados++] = '\\'; bloco[usados++] = static_cast<char>(codigo); break;
            case '\r': bloco[usados++] = '\\'; bloco[usados++] = 'r'; break;
            case '\n': bloco[usados++] = '\\'; bloco[usados++] = 'n'; break;
            default: bloco[usados++] = static_cast<char>(codigo);
            }
            esperado = posicoes[k].x() + seg->avanco[static_cast<size_t>(codigo)];
            if (++k == n || posicoes[k].y() != y)
                break;
            // A glyph keeps the one font of the chain where it has a code:
            // most glyphs of a run are found in the font of the one before.
            if ((codigo = seg->codigo_de(indices[k])) < 0) {
                if (onde(*r, indices[k], caractere(k), &c) != seg)
                    break;
                codigo = c;
            }
        }
        conteudo_.append(bloco, usados);
        if (ajustes) {
            conteudo_.append(")] TJ\n");
        } else {
            conteudo_.remove(inicio - 2, 1); // a plain string, shown with Tj
            conteudo_.append(") Tj\n");
        }
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

} // namespace papelada::pdf
