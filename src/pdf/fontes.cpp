#include "pdf/fontes.h"

#include "pdf/objetos.h"

#include <QCryptographicHash>
#include <algorithm>

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

} // namespace papelada::pdf
