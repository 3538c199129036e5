#include "pdf/fontes.h"

#include "pdf/objetos.h"

#include <QCryptographicHash>
#include <algorithm>
#include <cmath>

namespace papelada::pdf {

namespace {

// The CMap program of a ToUnicode map over one-byte codes; `corpo` maps
// them to characters.
QByteArray cmap_unicode(const QByteArray& corpo)
{
    QByteArray s = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                   "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                   "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                   "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
    s.append(corpo);
    s.append("endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n");
    return s;
}

// The body of a CMap that maps `codigos`: blocks of at most 100 entries,
// each a code and what `entrada` writes for it.
template <typename F>
QByteArray blocos(const std::vector<int>& codigos, const char* inicio, const char* fim, F entrada)
{
    QByteArray s;
    for (size_t i = 0; i < codigos.size(); i += 100) {
        const size_t ate = std::min(codigos.size(), i + 100);
        s.append(QByteArray::number(static_cast<int>(ate - i))).append(' ').append(inicio).append('\n');
        for (size_t j = i; j < ate; ++j) {
            s.append('<');
            hexadecimal(s, static_cast<unsigned>(codigos[j]), 2);
            s.append("> ");
            entrada(s, codigos[j]);
            s.append('\n');
        }
        s.append(fim).append('\n');
    }
    return s;
}

// `nome` as a PDF name (without its slash): bytes that would end it or that
// are not printable written as #XX.
QByteArray nome_pdf(const QByteArray& nome)
{
    QByteArray r;
    for (char ch : nome) {
        const auto c = static_cast<unsigned char>(ch);
        if (c > 32 && c < 127 && !QByteArray("()<>[]{}/%#").contains(ch)) {
            r.append(ch);
        } else {
            r.append('#');
            hexadecimal(r, c, 2);
        }
    }
    return r;
}

} // namespace

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
    if (face->dados.contornos == Contornos::nenhum)
        if (QRawFont gemea = gemea_opentype(fonte); gemea.isValid())
            if (FaceFonte d = ler_face(gemea); d.incorporavel) {
                face->gemea = gemea;
                face->dados = std::move(d);
            }
    if (!face->dados.problema.isEmpty())
        avisos_.append(face->dados.problema);
    faces_.push_back(std::move(face));
    return *faces_.back();
}

quint32 Escritor::traduzir(const QRawFont& fonte, Face& face, quint32 g, char16_t caractere)
{
    if (const auto it = face.traducao.constFind(g); it != face.traducao.cend())
        return *it;
    // The glyph must be the character's own in both faces, with the same
    // advance.
    quint32 t = Face::sem_glifo;
    const QString c = caractere && !QChar::isSurrogate(caractere) ? QString(QChar(caractere)) : QString();
    if (!c.isEmpty() && fonte.glyphIndexesForString(c).value(0) == g) {
        const quint32 copia = face.gemea.glyphIndexesForString(c).value(0);
        const double a = fonte.advancesForGlyphIndexes(QList<quint32>{g}).value(0).x() / fonte.pixelSize();
        const double b =
            face.gemea.advancesForGlyphIndexes(QList<quint32>{copia}).value(0).x() / face.gemea.pixelSize();
        if (copia && std::abs(a - b) < 0.002)
            t = copia;
    }
    face.traducao.insert(g, t);
    return t;
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
    novo->fonte = face.gemea.isValid() ? face.gemea : fonte;
    novo->fonte.setPixelSize(fonte.pixelSize());
    novo->tamanho = fonte.pixelSize();
    novo->codigo.assign(static_cast<size_t>(std::max(face.dados.numero_glifos, 0)), -1);
    novo->nome = "F" + QByteArray::number(static_cast<int>(recursos_.size()) + 1);
    recursos_.push_back(std::move(novo));
    return *recursos_.back();
}

Escritor::Recurso& Escritor::proximo_recurso(Recurso& cheio)
{
    if (!cheio.seguinte) {
        cheio.seguinte = &novo_recurso(*cheio.face, cheio.fonte);
        cheio.seguinte->encadeado = true;
    }
    return *cheio.seguinte;
}

int Escritor::elo(const Recurso& primeiro, const Recurso* r)
{
    int i = 0;
    for (const Recurso* x = &primeiro; x; x = x->seguinte, ++i)
        if (x == r)
            return i;
    return -1;
}

void Escritor::esquecer_codigos()
{
    std::erase_if(recursos_, [](const std::unique_ptr<Recurso>& r) { return r->encadeado; });
    for (auto& r : recursos_) {
        for (int k = 0; k < 256; ++k)
            if (r->ocupado[static_cast<size_t>(k)])
                r->codigo[r->glifo[static_cast<size_t>(k)]] = -1;
        r->ocupado.fill(false);
        r->livres = 256;
        r->seguinte = nullptr;
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
    if ((*codigo = r->atribuir(g, caractere)) < 0) {
        r = &proximo_recurso(*r);
        *codigo = r->atribuir(g, caractere);
    }
    if (prevendo_)
        prevista_.eventos.push_back(
            {PaginaPrevista::Evento::Tipo::Codigo, elo(primeiro, r), g, caractere, *codigo});
    return r;
}

void Escritor::escrever_fontes()
{
    for (auto& f : faces_)
        if (f->dados.incorporavel)
            escrever_face(*f);
    for (auto& r : recursos_)
        if (r->obj_descritor)
            escrever_recurso(*r);
}

void Escritor::escrever_face(Face& face)
{
    // The fonts of the face whose codes agree (a code that two of them use
    // stands for the same glyph in both: text in the code page gets the
    // same codes at every size) share one subset, whose map of the codes is
    // theirs together.
    struct Programa {
        std::map<int, quint32> codigos;
        std::vector<Recurso*> fontes;
    };
    std::vector<Programa> programas;
    for (auto& r : recursos_) {
        if (r->face != &face || r->livres == 256)
            continue;
        auto concorda = [&](const Programa& p) {
            for (int c = 0; c < 256; ++c)
                if (r->ocupado[c])
                    if (const auto it = p.codigos.find(c); it != p.codigos.end() && it->second != r->glifo[c])
                        return false;
            return true;
        };
        auto p = std::find_if(programas.begin(), programas.end(), concorda);
        if (p == programas.end())
            p = programas.insert(programas.end(), Programa{});
        for (int c = 0; c < 256; ++c)
            if (r->ocupado[c])
                p->codigos[c] = r->glifo[c];
        p->fontes.push_back(r.get());
    }

    const FaceFonte& d = face.dados;
    const bool cff = d.contornos == Contornos::cff;
    for (const Programa& p : programas) {
        const QByteArray programa = programa_simples(d, p.codigos);
        // The subset's tag: six capitals drawn from its codes and glyphs.
        QCryptographicHash h(QCryptographicHash::Md5);
        h.addData(face.chave);
        for (const auto& [c, g] : p.codigos) {
            const quint32 par[2] = {static_cast<quint32>(c), g};
            h.addData(QByteArrayView(reinterpret_cast<const char*>(par), sizeof par));
        }
        const QByteArray r = h.result();
        QByteArray nome;
        for (int i = 0; i < 6; ++i)
            nome.append(static_cast<char>('A' + static_cast<unsigned char>(r[i]) % 26));
        nome.append('+').append(d.nome_postscript);

        int obj_programa = 0;
        if (!programa.isEmpty()) {
            obj_programa = novo_objeto();
            escrever_fluxo(obj_programa,
                           cff ? QByteArray("/Subtype /Type1C") : "/Length1 " + QByteArray::number(programa.size()),
                           programa, true);
        } else {
            // The text stays, in a font the reader has to stand in for.
            avisos_.append(QStringLiteral("A fonte \"%1\" não pôde ser incorporada ao PDF; o leitor do documento "
                                          "usará outra parecida.")
                               .arg(QString::fromLatin1(d.nome_postscript)));
        }
        const int obj_descritor = novo_objeto();
        int bandeiras = 4; // symbolic: the font's own map or names choose the glyphs
        if (d.fixa)
            bandeiras |= 1;
        if (d.angulo_italico != 0)
            bandeiras |= 64;
        QByteArray s = "<< /Type /FontDescriptor /FontName /" + nome + " /Flags " + QByteArray::number(bandeiras)
                       + " /FontBBox [";
        numeros(s, {double(d.caixa[0]), double(d.caixa[1]), double(d.caixa[2]), double(d.caixa[3])});
        s.append("] /ItalicAngle ");
        numero(s, d.angulo_italico);
        s.append(" /Ascent ").append(QByteArray::number(d.ascendente));
        s.append(" /Descent ").append(QByteArray::number(d.descendente));
        s.append(" /CapHeight ").append(QByteArray::number(d.altura_maiusculas));
        s.append(" /StemV 80");
        if (obj_programa)
            s.append(cff ? " /FontFile3 " : " /FontFile2 ").append(ref(obj_programa));
        s.append(" >>\nendobj\n");
        iniciar_objeto(obj_descritor);
        escrever(s);
        for (Recurso* f : p.fontes) {
            f->obj_descritor = obj_descritor;
            f->nome_base = nome;
        }
    }
}

void Escritor::escrever_recurso(Recurso& recurso)
{
    std::vector<int> codigos, com_caractere;
    for (int c = 0; c < 256; ++c)
        if (recurso.ocupado[c]) {
            codigos.push_back(c);
            if (recurso.caractere[c])
                com_caractere.push_back(c);
        }
    // Code -> character, for searching and copying the text.
    const int obj_unicode = novo_objeto();
    escrever_fluxo(obj_unicode, {},
                   cmap_unicode(blocos(com_caractere, "beginbfchar", "endbfchar",
                               [&](QByteArray& s, int c) {
                                   s.append('<');
                                   hexadecimal(s, recurso.caractere[static_cast<size_t>(c)], 4);
                                   s.append('>');
                               })),
                   true);

    // A simple font: a TrueType one finds its glyphs through the map of
    // codes in its program, a CFF one by the glyph names its encoding gives
    // the codes. (Readers that rewrite the PDF, Ghostscript above all, go
    // through the text of a simple font many times faster than through that
    // of a composite font with the same glyphs.)
    const bool cff = recurso.face->dados.contornos == Contornos::cff;
    const int primeiro = codigos.front(), ultimo = codigos.back();
    QByteArray s = QByteArray("<< /Type /Font /Subtype ") + (cff ? "/Type1" : "/TrueType") + " /BaseFont /"
                   + recurso.nome_base + " /FirstChar " + QByteArray::number(primeiro) + " /LastChar "
                   + QByteArray::number(ultimo) + " /Widths [";
    // Widths from the advances the text was laid out with.
    for (int c = primeiro; c <= ultimo; ++c) {
        if (c > primeiro)
            s.append(' ');
        numero(s, recurso.ocupado[c] ? recurso.avanco[static_cast<size_t>(c)] * 1000 / recurso.tamanho : 0);
    }
    s.append("] /FontDescriptor ").append(ref(recurso.obj_descritor));
    if (cff) {
        s.append(" /Encoding << /Type /Encoding /Differences [");
        for (size_t i = 0; i < codigos.size(); ++i) {
            // Consecutive codes share one list.
            if (i == 0 || codigos[i] != codigos[i - 1] + 1) {
                s.append(' ');
                inteiro(s, codigos[i]);
            }
            s.append(" /").append(nome_pdf(nome_glifo(recurso.face->dados, recurso.glifo[static_cast<size_t>(codigos[i])])));
        }
        s.append(" ] >>");
    }
    s.append(" /ToUnicode ").append(ref(obj_unicode)).append(" >>\nendobj\n");
    recurso.obj_fonte = novo_objeto();
    iniciar_objeto(recurso.obj_fonte);
    escrever(s);
}

} // namespace papelada::pdf
