#include "pdf/subconjunto.h"

#include <QRawFont>
#include <QSet>
#include <cmath>
#include <tuple>
#include <fontconfig/fontconfig.h>
#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

namespace papelada::pdf {

namespace {

// Big-endian reads of fixed fields that answer 0 past the end of the data.
quint32 u16(const QByteArray& d, qsizetype o)
{
    if (o < 0 || o + 2 > d.size())
        return 0;
    return (quint32(quint8(d[o])) << 8) | quint8(d[o + 1]);
}

int s16(const QByteArray& d, qsizetype o)
{
    return static_cast<qint16>(static_cast<quint16>(u16(d, o)));
}

int em_milesimos(double unidades, int por_em)
{
    return static_cast<int>(std::lround(unidades * 1000.0 / por_em));
}

// A name for the PDF: the printable ASCII of `nome` without the characters
// that end a PDF name.
QByteArray nome_seguro(const QByteArray& nome)
{
    QByteArray r;
    for (char c : nome)
        if (c > 32 && c < 127 && !QByteArray("()<>[]{}/%#").contains(c))
            r.append(c);
    return r.left(100);
}

// Whether the CFF program `cff` is CID-keyed: its first font's top DICT
// begins with the ROS operator. Its glyphs are then chosen by CIDs of their
// own, which the one-byte codes of the pages cannot reach. Damaged data
// answers yes, so that such a face is drawn as outlines.
bool cff_por_cid(const QByteArray& cff)
{
    // The INDEX at `o`: where its first item starts and ends, and where the
    // INDEX ends.
    struct Item {
        qsizetype inicio = -1, fim = -1, depois = -1;
    };
    auto indice = [&](qsizetype o) {
        Item r;
        const quint32 quantos = u16(cff, o);
        if (quantos == 0 || o + 3 > cff.size())
            return r;
        const int tamanho = quint8(cff[o + 2]);
        if (tamanho < 1 || tamanho > 4 || o + 3 + qsizetype(quantos + 1) * tamanho > cff.size())
            return r;
        auto deslocamento = [&](quint32 i) {
            qsizetype v = 0;
            for (int k = 0; k < tamanho; ++k)
                v = (v << 8) | quint8(cff[o + 3 + qsizetype(i) * tamanho + k]);
            return v;
        };
        const qsizetype dados = o + 3 + qsizetype(quantos + 1) * tamanho - 1;
        r.inicio = dados + deslocamento(0);
        r.fim = dados + deslocamento(1);
        r.depois = dados + deslocamento(quantos);
        if (r.inicio > r.fim || r.fim > r.depois || r.depois > cff.size())
            r = {};
        return r;
    };
    if (cff.size() < 4)
        return true;
    const Item nomes = indice(quint8(cff[2]));
    if (nomes.depois < 0)
        return true;
    const Item topo = indice(nomes.depois);
    if (topo.inicio < 0)
        return true;
    // Operands come before their operator; the first operator decides.
    for (qsizetype o = topo.inicio; o < topo.fim;) {
        const int b = quint8(cff[o]);
        if (b <= 21)
            return b == 12 && o + 1 < topo.fim && quint8(cff[o + 1]) == 30;
        if (b == 28)
            o += 3;
        else if (b == 29)
            o += 5;
        else if (b == 30) { // a real number: nibbles up to the one that ends it
            for (++o; o < topo.fim && (quint8(cff[o]) & 0x0f) != 0x0f && (quint8(cff[o]) >> 4) != 0x0f; ++o) {
            }
            ++o;
        } else
            o += b >= 247 && b <= 254 ? 2 : 1;
    }
    return true;
}

// The face's tables as the font engine has them, made into one font file
// for HarfBuzz: outlines, metrics, licence and names. No character
// map and no layout tables: the pages choose glyphs by index. HarfBuzz
// checks every table before it reads one, so a damaged font file is refused
// or read short, never read past its end.
hb_face_t* face_harfbuzz(const QRawFont& fonte)
{
    static const char* const etiquetas[] = {"head", "hhea", "hmtx", "maxp", "loca", "glyf",
                                            "CFF ", "OS/2", "post", "name"};
    hb_face_t* construtor = hb_face_builder_create();
    for (const char* e : etiquetas) {
        const QByteArray t = fonte.fontTable(e);
        if (t.isEmpty())
            continue;
        hb_blob_t* b = hb_blob_create(t.constData(), static_cast<unsigned>(t.size()), HB_MEMORY_MODE_DUPLICATE,
                                      nullptr, nullptr);
        hb_face_builder_add_table(construtor, hb_tag_from_string(e, 4), b);
        hb_blob_destroy(b);
    }
    hb_blob_t* arquivo = hb_face_reference_blob(construtor);
    hb_face_destroy(construtor);
    hb_face_t* face = hb_face_create(arquivo, 0);
    hb_blob_destroy(arquivo);
    return face;
}

QByteArray bytes(hb_blob_t* blob)
{
    unsigned n = 0;
    const char* d = hb_blob_get_data(blob, &n);
    QByteArray r(d, static_cast<qsizetype>(n));
    hb_blob_destroy(blob);
    return r;
}

// Whether every glyph of a CFF face has a name of its own: a simple font's
// encoding reaches its glyphs by name.
bool nomes_unicos(const FaceFonte& face)
{
    QSet<QByteArray> vistos;
    for (int g = 0; g < face.numero_glifos; ++g) {
        const QByteArray nome = nome_glifo(face, static_cast<quint32>(g));
        if (nome.isEmpty() || vistos.contains(nome))
            return false;
        vistos.insert(nome);
    }
    return true;
}

} // namespace

FaceFonte ler_face(const QRawFont& fonte)
{
    FaceFonte face;
    if (!fonte.isValid())
        return face;
    face.hb.reset(face_harfbuzz(fonte), hb_face_destroy);
    hb_face_t* hb = face.hb.get();
    face.hb_fonte.reset(hb_font_create(hb), hb_font_destroy);
    hb_font_t* medidas = face.hb_fonte.get(); // in font units
    const int em = static_cast<int>(hb_face_get_upem(hb));
    face.numero_glifos = static_cast<int>(hb_face_get_glyph_count(hb));

    const QByteArray head = bytes(hb_face_reference_table(hb, HB_TAG('h', 'e', 'a', 'd')));
    const QByteArray os2 = bytes(hb_face_reference_table(hb, HB_TAG('O', 'S', '/', '2')));
    const QByteArray post = bytes(hb_face_reference_table(hb, HB_TAG('p', 'o', 's', 't')));
    if (head.size() >= 54)
        for (int i = 0; i < 4; ++i)
            face.caixa[i] = em_milesimos(s16(head, 36 + 2 * i), em);
    hb_position_t v = 0;
    if (hb_ot_metrics_get_position(medidas, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &v))
        face.ascendente = em_milesimos(v, em);
    if (hb_ot_metrics_get_position(medidas, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &v))
        face.descendente = em_milesimos(v, em);
    face.altura_maiusculas = hb_ot_metrics_get_position(medidas, HB_OT_METRICS_TAG_CAP_HEIGHT, &v) && v > 0
                                 ? em_milesimos(v, em)
                                 : face.ascendente;
    face.angulo_italico = hb_style_get_value(medidas, HB_STYLE_TAG_SLANT_ANGLE);
    face.fixa = post.size() >= 16 && (u16(post, 12) || u16(post, 14));

    char nome[128] = {};
    unsigned tamanho = sizeof nome;
    hb_ot_name_get_utf8(hb, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &tamanho, nome);
    face.nome_postscript = nome_seguro(QByteArray(nome));
    if (face.nome_postscript.isEmpty())
        face.nome_postscript = nome_seguro((fonte.familyName() + QLatin1Char('-') + fonte.styleName()).toLatin1());
    if (face.nome_postscript.isEmpty())
        face.nome_postscript = "Fonte";

    // Embedding: a licence that is "restricted" (type 2) or that allows
    // bitmaps only forbids it. Outlines in "glyf", or in a CFF program whose
    // glyphs are chosen by their indexes, can be embedded.
    const quint32 tipo = u16(os2, 8);
    const bool licenca = os2.size() < 10 || ((tipo & 0x000f) != 0x0002 && !(tipo & 0x0200));
    hb_blob_t* tabela_glyf = hb_face_reference_table(hb, HB_TAG('g', 'l', 'y', 'f'));
    const bool glyf = hb_blob_get_length(tabela_glyf) > 0;
    hb_blob_destroy(tabela_glyf);
    const QByteArray cff = glyf ? QByteArray() : bytes(hb_face_reference_table(hb, HB_TAG('C', 'F', 'F', ' ')));
    if (glyf)
        face.contornos = Contornos::truetype;
    else if (!cff.isEmpty() && !cff_por_cid(cff))
        face.contornos = Contornos::cff;
    if (!licenca || face.contornos == Contornos::nenhum || face.numero_glifos <= 0)
        return face;
    // A face the subsetter refuses is known now, while its glyphs can still
    // be drawn as outlines.
    face.incorporavel = true;
    if (subconjunto(face, {}).isEmpty() || (face.contornos == Contornos::cff && !nomes_unicos(face))) {
        face.incorporavel = false;
        face.problema = QStringLiteral("A fonte \"%1\" não pôde ser incorporada ao PDF; o texto nela sai desenhado "
                                       "em contornos e não poderá ser pesquisado.")
                            .arg(fonte.familyName());
    }
    return face;
}

QRawFont gemea_opentype(const QRawFont& fonte)
{
    if (!fonte.isValid() || !fonte.fontTable("head").isEmpty())
        return {};
    FcPattern* padrao = FcPatternCreate();
    const QByteArray familia = fonte.familyName().toUtf8(), estilo = fonte.styleName().toUtf8();
    FcPatternAddString(padrao, FC_FAMILY, reinterpret_cast<const FcChar8*>(familia.constData()));
    FcPatternAddString(padrao, FC_STYLE, reinterpret_cast<const FcChar8*>(estilo.constData()));
    FcObjectSet* campos = FcObjectSetBuild(FC_FILE, FC_FONTFORMAT, FC_INDEX, nullptr);
    FcFontSet* achadas = FcFontList(nullptr, padrao, campos);
    QRawFont gemea;
    for (int i = 0; achadas && i < achadas->nfont && !gemea.isValid(); ++i) {
        FcChar8* arquivo = nullptr;
        FcChar8* formato = nullptr;
        int indice = 0;
        if (FcPatternGetString(achadas->fonts[i], FC_FILE, 0, &arquivo) != FcResultMatch
            || FcPatternGetString(achadas->fonts[i], FC_FONTFORMAT, 0, &formato) != FcResultMatch
            || (FcPatternGetInteger(achadas->fonts[i], FC_INDEX, 0, &indice) == FcResultMatch && indice != 0))
            continue;
        const QByteArray f = reinterpret_cast<const char*>(formato);
        if (f != "CFF" && f != "TrueType")
            continue;
        QRawFont candidata(QString::fromUtf8(reinterpret_cast<const char*>(arquivo)), fonte.pixelSize(),
                           fonte.hintingPreference());
        if (candidata.isValid() && candidata.familyName() == fonte.familyName()
            && candidata.styleName() == fonte.styleName())
            gemea = candidata;
    }
    if (achadas)
        FcFontSetDestroy(achadas);
    FcObjectSetDestroy(campos);
    FcPatternDestroy(padrao);
    return gemea;
}

namespace {

// The subset of `face` with the glyphs in `usados` (and glyph 0, and the
// glyphs that others are made of), every glyph at its own index; null when
// the face is not embeddable or the subsetter fails.
hb_face_t* cortar(const FaceFonte& face, const std::set<quint32>& usados)
{
    if (!face.incorporavel || !face.hb)
        return nullptr;
    hb_subset_input_t* entrada = hb_subset_input_create_or_fail();
    if (!entrada)
        return nullptr;
    hb_set_t* glifos = hb_subset_input_glyph_set(entrada);
    hb_set_add(glifos, 0);
    for (quint32 g : usados)
        hb_set_add(glifos, g);
    // The subset keeps the first names of the face (family, style, the
    // PostScript name), which readers that rewrite the PDF carry over. It
    // drops the TrueType hinting programs: PDF readers draw without them,
    // and Ghostscript, which runs them for every glyph it rewrites, takes
    // less than half the time without them.
    hb_subset_input_set_flags(entrada, HB_SUBSET_FLAGS_RETAIN_GIDS
                                           | (face.contornos == Contornos::truetype ? HB_SUBSET_FLAGS_NO_HINTING
                                                                                     : HB_SUBSET_FLAGS_DEFAULT));
    hb_face_t* sub = hb_subset_or_fail(face.hb.get(), entrada);
    hb_subset_input_destroy(entrada);
    return sub;
}

void u16_em(QByteArray& s, quint32 v)
{
    s.append(static_cast<char>((v >> 8) & 0xff)).append(static_cast<char>(v & 0xff));
}

// A character map with two subtables over the same codes: Macintosh Roman
// (format 6, the code itself) and Windows symbol (format 4, U+F000 + code,
// one segment a code).
QByteArray mapa_caracteres(const std::map<int, quint32>& codigos)
{
    QByteArray mac;
    const int primeiro = codigos.empty() ? 0 : codigos.begin()->first;
    const int quantos = codigos.empty() ? 0 : codigos.rbegin()->first - primeiro + 1;
    u16_em(mac, 6);
    u16_em(mac, 10 + 2 * quantos);
    u16_em(mac, 0);
    u16_em(mac, primeiro);
    u16_em(mac, quantos);
    for (int c = primeiro; c < primeiro + quantos; ++c) {
        const auto it = codigos.find(c);
        u16_em(mac, it == codigos.end() ? 0 : it->second);
    }

    const int segmentos = static_cast<int>(codigos.size()) + 1; // and the closing 0xFFFF
    int busca = 1, seletor = 0;
    while (busca * 2 <= segmentos) {
        busca *= 2;
        ++seletor;
    }
    QByteArray win;
    u16_em(win, 4);
    u16_em(win, 16 + 8 * segmentos);
    u16_em(win, 0);
    u16_em(win, 2 * segmentos);
    u16_em(win, 2 * busca);
    u16_em(win, seletor);
    u16_em(win, 2 * (segmentos - busca));
    for (const auto& [c, g] : codigos) // end codes
        u16_em(win, 0xf000 + c);
    u16_em(win, 0xffff);
    u16_em(win, 0); // reserved
    for (const auto& [c, g] : codigos) // start codes
        u16_em(win, 0xf000 + c);
    u16_em(win, 0xffff);
    for (const auto& [c, g] : codigos) // deltas, modulo 65536
        u16_em(win, (g - (0xf000 + c)) & 0xffff);
    u16_em(win, 1);
    for (int i = 0; i < segmentos; ++i) // range offsets
        u16_em(win, 0);

    QByteArray cmap;
    u16_em(cmap, 0);
    u16_em(cmap, 2);
    const quint32 mac_em = 4 + 2 * 8, win_em = mac_em + static_cast<quint32>(mac.size());
    for (auto [plataforma, codificacao, onde] : {std::tuple{1u, 0u, mac_em}, std::tuple{3u, 0u, win_em}}) {
        u16_em(cmap, plataforma);
        u16_em(cmap, codificacao);
        u16_em(cmap, onde >> 16);
        u16_em(cmap, onde);
    }
    return cmap + mac + win;
}

} // namespace

QByteArray subconjunto(const FaceFonte& face, const std::set<quint32>& usados)
{
    hb_face_t* sub = cortar(face, usados);
    if (!sub)
        return {};
    QByteArray programa = bytes(hb_face_reference_blob(sub));
    hb_face_destroy(sub);
    return programa;
}

QByteArray programa_simples(const FaceFonte& face, const std::map<int, quint32>& codigos)
{
    std::set<quint32> usados;
    for (const auto& [c, g] : codigos)
        usados.insert(g);
    hb_face_t* sub = cortar(face, usados);
    if (!sub)
        return {};
    QByteArray programa;
    if (face.contornos == Contornos::cff) {
        programa = bytes(hb_face_reference_table(sub, HB_TAG('C', 'F', 'F', ' ')));
    } else {
        // The subset's tables (read back from its file: a face being built
        // does not list them) and the map of the codes, in one file.
        hb_blob_t* arquivo = hb_face_reference_blob(sub);
        hb_face_t* lido = hb_face_create(arquivo, 0);
        hb_blob_destroy(arquivo);
        hb_face_t* construtor = hb_face_builder_create();
        hb_tag_t etiquetas[32];
        unsigned quantas = 32;
        for (unsigned inicio = 0; quantas == 32; inicio += quantas) {
            hb_face_get_table_tags(lido, inicio, &quantas, etiquetas);
            for (unsigned i = 0; i < quantas; ++i) {
                if (etiquetas[i] == HB_TAG('c', 'm', 'a', 'p'))
                    continue;
                hb_blob_t* b = hb_face_reference_table(lido, etiquetas[i]);
                hb_face_builder_add_table(construtor, etiquetas[i], b);
                hb_blob_destroy(b);
            }
        }
        hb_face_destroy(lido);
        const QByteArray mapa = mapa_caracteres(codigos);
        hb_blob_t* b = hb_blob_create(mapa.constData(), static_cast<unsigned>(mapa.size()),
                                      HB_MEMORY_MODE_DUPLICATE, nullptr, nullptr);
        hb_face_builder_add_table(construtor, HB_TAG('c', 'm', 'a', 'p'), b);
        hb_blob_destroy(b);
        programa = bytes(hb_face_reference_blob(construtor));
        hb_face_destroy(construtor);
    }
    hb_face_destroy(sub);
    return programa;
}

QByteArray nome_glifo(const FaceFonte& face, quint32 g)
{
    char nome[128] = {};
    if (!face.hb_fonte || !hb_font_get_glyph_name(face.hb_fonte.get(), g, nome, sizeof nome))
        return {};
    return QByteArray(nome);
}

} // namespace papelada::pdf
