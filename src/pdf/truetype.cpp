#include "pdf/truetype.h"

#include <QRawFont>
#include <algorithm>
#include <cmath>
#include <vector>

namespace papelada::pdf {

namespace {

// Big-endian reads that answer 0 past the end of the data.
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

quint32 u32(const QByteArray& d, qsizetype o)
{
    return (u16(d, o) << 16) | u16(d, o + 2);
}

void por_u16(QByteArray& d, quint32 v)
{
    d.append(char(v >> 8)).append(char(v));
}

void por_u32(QByteArray& d, quint32 v)
{
    por_u16(d, v >> 16);
    por_u16(d, v & 0xffff);
}

int em_milesimos(int unidades, int por_em)
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

QByteArray nome_postscript(const QByteArray& tabela)
{
    const int quantos = static_cast<int>(u16(tabela, 2));
    const qsizetype textos = u16(tabela, 4);
    for (int i = 0; i < quantos; ++i) {
        const qsizetype r = 6 + 12 * i;
        if (r + 12 > tabela.size())
            break;
        const quint32 plataforma = u16(tabela, r), id = u16(tabela, r + 6);
        const qsizetype tamanho = u16(tabela, r + 8), inicio = textos + u16(tabela, r + 10);
        if (id != 6 || inicio + tamanho > tabela.size())
            continue;
        const QByteArray bruto = tabela.mid(inicio, tamanho);
        QByteArray nome;
        if (plataforma == 3 || plataforma == 0) {
            for (qsizetype k = 0; k + 1 < bruto.size(); k += 2)
                if (bruto[k] == 0)
                    nome.append(bruto[k + 1]);
        } else {
            nome = bruto;
        }
        nome = nome_seguro(nome);
        if (!nome.isEmpty())
            return nome;
    }
    return {};
}

// Start and end of glyph `g` in "glyf", or an empty range.
std::pair<qsizetype, qsizetype> faixa_glifo(const FaceTrueType& face, quint32 g)
{
    if (g >= static_cast<quint32>(face.numero_glifos))
        return {0, 0};
    const QByteArray& loca = face.tabelas.value("loca");
    const qsizetype glyf = face.tabelas.value("glyf").size();
    const bool longo = s16(face.tabelas.value("head"), 50) != 0;
    qsizetype a, b;
    if (longo) {
        if (qsizetype(g) * 4 + 8 > loca.size())
            return {0, 0};
        a = u32(loca, g * 4);
        b = u32(loca, g * 4 + 4);
    } else {
        if (qsizetype(g) * 2 + 4 > loca.size())
            return {0, 0};
        a = qsizetype(u16(loca, g * 2)) * 2;
        b = qsizetype(u16(loca, g * 2 + 2)) * 2;
    }
    if (a >= b || b > glyf)
        return {0, 0};
    return {a, b};
}

} // namespace

FaceTrueType ler_face(const QRawFont& fonte)
{
    FaceTrueType face;
    if (!fonte.isValid())
        return face;
    static const char* const etiquetas[] = {"head", "hhea", "hmtx", "maxp", "loca", "glyf", "cvt ",
                                            "fpgm", "prep", "OS/2", "name", "post", "cmap"};
    for (const char* e : etiquetas) {
        const QByteArray t = fonte.fontTable(e);
        if (!t.isEmpty())
            face.tabelas.insert(QByteArray(e), t);
    }
    const QByteArray head = face.tabelas.value("head");
    const QByteArray hhea = face.tabelas.value("hhea");
    const QByteArray os2 = face.tabelas.value("OS/2");
    const QByteArray post = face.tabelas.value("post");
    face.unidades_por_em = static_cast<int>(u16(head, 18));
    face.numero_glifos = static_cast<int>(u16(face.tabelas.value("maxp"), 4));
    if (face.unidades_por_em < 16 || face.unidades_por_em > 16384)
        face.unidades_por_em = 1000;
    const int em = face.unidades_por_em;
    face.caixa[0] = em_milesimos(s16(head, 36), em);
    face.caixa[1] = em_milesimos(s16(head, 38), em);
    face.caixa[2] = em_milesimos(s16(head, 40), em);
    face.caixa[3] = em_milesimos(s16(head, 42), em);
    if (hhea.size() >= 36) {
        face.ascendente = em_milesimos(s16(hhea, 4), em);
        face.descendente = em_milesimos(s16(hhea, 6), em);
    }
    face.altura_maiusculas = face.ascendente;
    if (os2.size() >= 90 && u16(os2, 0) >= 2)
        face.altura_maiusculas = em_milesimos(s16(os2, 88), em);
    if (post.size() >= 16) {
        face.angulo_italico = static_cast<qint32>(u32(post, 4)) / 65536.0;
        face.fixa = u32(post, 12) != 0;
    }
    face.nome_postscript = nome_postscript(face.tabelas.value("name"));
    if (face.nome_postscript.isEmpty())
        face.nome_postscript = nome_seguro((fonte.familyName() + QLatin1Char('-') + fonte.styleName()).toLatin1());
    if (face.nome_postscript.isEmpty())
        face.nome_postscript = "Fonte";

    // Embedding: a licence that is "restricted" (type 2) or that allows
    // bitmaps only forbids it.
    const quint32 tipo = u16(os2, 8);
    const bool licenca = os2.size() < 10 || ((tipo & 0x000f) != 0x0002 && !(tipo & 0x0200));
    const bool tabelas = head.size() >= 54 && hhea.size() >= 36 && face.tabelas.contains("hmtx")
                         && face.tabelas.contains("loca") && face.tabelas.contains("glyf")
                         && face.numero_glifos > 0;
    face.incorporavel = licenca && tabelas;
    return face;
}

std::set<quint32> componentes(const FaceTrueType& face, quint32 indice)
{
    std::set<quint32> partes;
    const QByteArray& glyf = face.tabelas.value("glyf");
    const auto [a, b] = faixa_glifo(face, indice);
    if (b - a < 10 || s16(glyf, a) >= 0)
        return partes;
    qsizetype o = a + 10;
    for (int n = 0; n < 1000 && o + 4 <= b; ++n) {
        const quint32 bandeiras = u16(glyf, o);
        partes.insert(u16(glyf, o + 2));
        o += 4 + ((bandeiras & 0x0001) ? 4 : 2);
        if (bandeiras & 0x0008)
            o += 2;
        else if (bandeiras & 0x0040)
            o += 4;
        else if (bandeiras & 0x0080)
            o += 8;
        if (!(bandeiras & 0x0020))
            break;
    }
    return partes;
}

QByteArray subconjunto(const FaceTrueType& face, const std::set<quint32>& usados)
{
    if (!face.incorporavel)
        return {};
    // The glyphs drawn, glyph 0, and what composite glyphs are made of.
    std::set<quint32> todos;
    std::vector<quint32> pendentes(usados.begin(), usados.end());
    pendentes.push_back(0);
    while (!pendentes.empty()) {
        const quint32 g = pendentes.back();
        pendentes.pop_back();
        if (g >= static_cast<quint32>(face.numero_glifos) || !todos.insert(g).second)
            continue;
        for (quint32 c : componentes(face, g))
            pendentes.push_back(c);
    }

    const QByteArray& glyf_original = face.tabelas.value("glyf");
    QByteArray glyf, loca;
    loca.reserve((face.numero_glifos + 1) * 4);
    for (int g = 0; g < face.numero_glifos; ++g) {
        por_u32(loca, static_cast<quint32>(glyf.size()));
        if (todos.count(static_cast<quint32>(g))) {
            const auto [a, b] = faixa_glifo(face, static_cast<quint32>(g));
            glyf.append(glyf_original.constData() + a, b - a);
            while (glyf.size() % 4)
                glyf.append('\0');
        }
    }
    por_u32(loca, static_cast<quint32>(glyf.size()));

    QMap<QByteArray, QByteArray> tabelas = face.tabelas;
    tabelas["glyf"] = glyf;
    tabelas["loca"] = loca;
    QByteArray& head = tabelas["head"];
    head[50] = 0; // long offsets in "loca"
    head[51] = 1;
    head[8] = head[9] = head[10] = head[11] = 0; // checksum adjustment, not kept

    // The font file: the table directory, then the tables, each on a
    // four-byte boundary.
    const int n = static_cast<int>(tabelas.size());
    int potencia = 1, expoente = 0;
    while (potencia * 2 <= n) {
        potencia *= 2;
        ++expoente;
    }
    QByteArray arquivo;
    por_u32(arquivo, 0x00010000);
    por_u16(arquivo, static_cast<quint32>(n));
    por_u16(arquivo, static_cast<quint32>(potencia * 16));
    por_u16(arquivo, static_cast<quint32>(expoente));
    por_u16(arquivo, static_cast<quint32>(n * 16 - potencia * 16));
    qsizetype deslocamento = 12 + 16 * n;
    QByteArray corpo;
    for (auto it = tabelas.cbegin(); it != tabelas.cend(); ++it) { // QMap: sorted by tag
        QByteArray t = it.value();
        const qsizetype tamanho = t.size();
        while (t.size() % 4)
            t.append('\0');
        quint32 soma = 0;
        for (qsizetype k = 0; k < t.size(); k += 4)
            soma += u32(t, k);
        arquivo.append(it.key().leftJustified(4, ' ', true));
        por_u32(arquivo, soma);
        por_u32(arquivo, static_cast<quint32>(deslocamento + corpo.size()));
        por_u32(arquivo, static_cast<quint32>(tamanho));
        corpo.append(t);
    }
    return arquivo + corpo;
}

} // namespace papelada::pdf
