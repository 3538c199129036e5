#include "pdf/fontes.h"

#include "pdf/objetos.h"

#include <QCryptographicHash>
#include <algorithm>
#include <cmath>

namespace papelada::pdf {

namespace {

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
    if (!cheio.seguinte)
        cheio.seguinte = &novo_recurso(*cheio.face, cheio.fonte);
    return *cheio.seguinte;
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

void Escritor::escrever_fontes()
{
    for (auto& f : faces_)
        if (f->dados.incorporavel && !f->usados.empty())
            escrever_face(*f);
    for (auto& r : recursos_)
        if (r->face->obj_descritor)
            escrever_recurso(*r);
}

void Escritor::escrever_face(Face& face)
{
    const FaceFonte& d = face.dados;
    const QByteArray programa = subconjunto(d, face.usados);
    // The subset's tag: six capitals drawn from the glyphs it holds.
    QCryptographicHash h(QCryptographicHash::Md5);
    h.addData(face.chave);
    for (quint32 g : face.usados)
        h.addData(QByteArrayView(reinterpret_cast<const char*>(&g), sizeof g));
    const QByteArray r = h.result();
    for (int i = 0; i < 6; ++i)
        face.nome.append(static_cast<char>('A' + static_cast<unsigned char>(r[i]) % 26));
    face.nome.append('+').append(d.nome_postscript);

    int obj_programa = 0;
    if (!programa.isEmpty()) {
        obj_programa = novo_objeto();
        escrever_fluxo(obj_programa,
                       d.contornos == Contornos::cff ? QByteArray("/Subtype /OpenType")
                                                     : "/Length1 " + QByteArray::number(programa.size()),
                       programa, true);
    } else {
        // The text stays, in a font the reader has to stand in for.
        avisos_.append(QStringLiteral("A fonte \"%1\" não pôde ser incorporada ao PDF; o leitor do documento "
                                      "usará outra parecida.")
                           .arg(QString::fromLatin1(d.nome_postscript)));
    }
    face.obj_descritor = novo_objeto();
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
    s.append(" /StemV 80");
    if (obj_programa)
        s.append(d.contornos == Contornos::cff ? " /FontFile3 " : " /FontFile2 ").append(ref(obj_programa));
    s.append(" >>\nendobj\n");
    iniciar_objeto(face.obj_descritor);
    escrever(s);
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
    // Code -> CID. In a TrueType font the CID is the code, and a map takes
    // it to the glyph. A CFF font that is not CID-keyed is read by glyph
    // index, so there the CID is the glyph index, which the subset keeps.
    // (MuPDF takes CIDs above 255 for codes outside the one-byte range when
    // it reads the characters of the text: with the CID as the code, as in
    // TrueType fonts, it finds them all.)
    const bool cff = recurso.face->dados.contornos == Contornos::cff;
    auto cid = [&](int c) { return cff ? recurso.glifo[static_cast<size_t>(c)] : static_cast<quint32>(c); };
    const QByteArray nome_cmap = "Papelada-" + recurso.nome;
    const int obj_codigos = novo_objeto();
    escrever_fluxo(obj_codigos,
                   "/Type /CMap /CMapName /" + nome_cmap
                       + " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>",
                   cmap(nome_cmap.constData(), "Identity", 1,
                        cff ? blocos(codigos, "begincidchar", "endcidchar",
                                     [&](QByteArray& s, int c) { inteiro(s, cid(c)); })
                            : QByteArray("1 begincidrange\n<00> <FF> 0\nendcidrange\n")),
                   true);
    int obj_glifos = 0;
    if (!cff && !codigos.empty()) {
        QByteArray mapa;
        for (int c = 0; c <= codigos.back(); ++c) {
            const quint32 g = recurso.ocupado[c] ? recurso.glifo[c] : 0;
            mapa.append(static_cast<char>(g >> 8)).append(static_cast<char>(g));
        }
        obj_glifos = novo_objeto();
        escrever_fluxo(obj_glifos, {}, mapa, true);
    }
    // Code -> character, for searching and copying the text.
    const int obj_unicode = novo_objeto();
    escrever_fluxo(obj_unicode, {},
                   cmap("Adobe-Identity-UCS", "UCS", 2,
                        blocos(com_caractere, "beginbfchar", "endbfchar",
                               [&](QByteArray& s, int c) {
                                   s.append('<');
                                   hexadecimal(s, recurso.caractere[static_cast<size_t>(c)], 4);
                                   s.append('>');
                               })),
                   true);

    // Widths by CID, from the advances the text was laid out with.
    std::vector<std::pair<quint32, double>> larguras;
    for (int c : codigos)
        larguras.emplace_back(cid(c), recurso.avanco[static_cast<size_t>(c)] * 1000 / recurso.tamanho);
    std::sort(larguras.begin(), larguras.end());
    const int obj_cid = novo_objeto();
    QByteArray s = QByteArray("<< /Type /Font /Subtype ") + (cff ? "/CIDFontType0" : "/CIDFontType2")
                   + " /BaseFont /" + recurso.face->nome
                   + " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                     " /FontDescriptor "
                   + ref(recurso.face->obj_descritor) + " /DW 0 /W [";
    for (size_t i = 0; i < larguras.size(); ++i) {
        // Consecutive CIDs share one list.
        if (i == 0 || larguras[i].first != larguras[i - 1].first + 1) {
            s.append(i ? "] " : "");
            inteiro(s, larguras[i].first);
            s.append(" [");
        } else {
            s.append(' ');
        }
        numero(s, larguras[i].second);
    }
    s.append(larguras.empty() ? "]" : "]]");
    if (obj_glifos)
        s.append(" /CIDToGIDMap ").append(ref(obj_glifos));
    s.append(" >>\nendobj\n");
    iniciar_objeto(obj_cid);
    escrever(s);

    // A CFF font's name is followed by its CMap's.
    recurso.obj_fonte = novo_objeto();
    iniciar_objeto(recurso.obj_fonte);
    escrever("<< /Type /Font /Subtype /Type0 /BaseFont /" + recurso.face->nome + (cff ? "-" + nome_cmap : "")
             + " /Encoding " + ref(obj_codigos) + " /DescendantFonts [" + ref(obj_cid) + "] /ToUnicode "
             + ref(obj_unicode) + " >>\nendobj\n");
}

} // namespace papelada::pdf
