#include "stream/superficie_glifos.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <algorithm>
#include <array>
#include <cmath>

namespace papelada {

bool fonte_instalada(const QString& nome)
{
    static const QStringList aliases = {
        QStringLiteral("Courier New"), QStringLiteral("Arial"), QStringLiteral("Times New Roman"),
        QStringLiteral("Courier"),     QStringLiteral("Helvetica"), QStringLiteral("Times"),
    };
    if (aliases.contains(nome))
        return true;
    return QFontDatabase::families().contains(nome, Qt::CaseSensitive);
}

namespace {

bool controle(char16_t u)
{
    return u < 32 || u == 127 || (u >= 0x80 && u <= 0x9f);
}

// A big-endian 16-bit field of a font table; 0 when the table is short.
int campo_tabela(const QByteArray& tabela, qsizetype deslocamento)
{
    if (tabela.size() < deslocamento + 2)
        return 0;
    return (static_cast<unsigned char>(tabela[deslocamento]) << 8)
           | static_cast<unsigned char>(tabela[deslocamento + 1]);
}

} // namespace

QString texto_visivel(const QString& texto)
{
    qsizetype k = 0;
    while (k < texto.size() && !controle(texto[k].unicode()))
        ++k;
    if (k == texto.size())
        return texto;
    QString visivel = texto;
    for (; k < visivel.size(); ++k)
        if (controle(visivel[k].unicode()))
            visivel[k] = u' ';
    return visivel;
}

EstiloFace estilo_da_face(const QRawFont& face)
{
    const QByteArray os2 = face.fontTable("OS/2");
    const QByteArray head = face.fontTable("head");
    if (os2.size() < 64 && head.size() < 46) // no tables to go by: as the platform says
        return {face.weight() >= QFont::DemiBold, face.style() != QFont::StyleNormal};
    const int peso = campo_tabela(os2, 4);       // usWeightClass
    const int selecao = campo_tabela(os2, 62);   // fsSelection: 0 italic, 5 bold, 9 oblique
    const int estilo_mac = campo_tabela(head, 44); // macStyle: 0 bold, 1 italic
    return {peso >= 600 || (selecao & 0x20) || (estilo_mac & 1),
            (selecao & 0x201) || (estilo_mac & 2)};
}

struct SuperficieGlifos::FonteGuardada {
    DescricaoFonte descricao;
    quint64 chave = 0; // the name's number, the size and the styles
    quint64 uso = 0;

    struct Glifo {
        quint32 indice = 0; // 0: the face has no glyph for the character
        char16_t visivel = 0; // the character drawn: a blank for a control byte
        double avanco = 0;
    };
    QRawFont fonte;
    bool utilizavel = false;
    bool negrito_sintetico = false, italico_sintetico = false;
    std::array<Glifo, 256> latin1{}; // U+0000 to U+00FF
    QHash<char16_t, Glifo> outros;   // the rest of the code page (the euro sign...), as met
    std::optional<QFontMetricsF> metricas;
    std::optional<double> ascendente;

    void ler(QChar c, Glifo& g) const
    {
        const QList<quint32> i = fonte.glyphIndexesForString(QString(c));
        if (i.size() == 1 && i[0] != 0) {
            g.indice = i[0];
            g.visivel = c.unicode();
            g.avanco = fonte.advancesForGlyphIndexes(i, QRawFont::SeparateAdvances).value(0).x();
        }
    }

    const Glifo& glifo(char16_t u)
    {
        if (u < 256)
            return latin1[u];
        auto it = outros.find(u);
        if (it == outros.end()) {
            it = outros.insert(u, Glifo{});
            ler(QChar(u), *it);
        }
        return *it;
    }
};

SuperficieGlifos::SuperficieGlifos(double dpi) : SuperficieBase(dpi) {}
SuperficieGlifos::~SuperficieGlifos() = default;

void SuperficieGlifos::fonte_alterada()
{
    atual_ = nullptr;
}

SuperficieGlifos::FonteGuardada& SuperficieGlifos::escolher_fonte() const
{
    if (ultimo_id_ < 0 || fonte_.nome != ultimo_nome_) {
        auto it = std::find(nomes_.cbegin(), nomes_.cend(), fonte_.nome);
        if (it == nomes_.cend()) {
            if (nomes_.size() >= 4 * fontes_guardadas) {
                // A report that names font after font: the numbers start
                // again, and so do the fonts kept under them.
                nomes_.clear();
                fontes_.clear();
            }
            nomes_.push_back(fonte_.nome);
            it = nomes_.cend() - 1;
        }
        ultimo_nome_ = fonte_.nome;
        ultimo_id_ = static_cast<int>(it - nomes_.cbegin());
    }
    const quint64 chave = (quint64(quint32(ultimo_id_)) << 36) | (quint64(quint32(pixels_fonte())) << 4)
                          | (fonte_.negrito ? 8u : 0u) | (fonte_.italico ? 4u : 0u)
                          | (fonte_.sublinhado ? 2u : 0u) | (fonte_.riscado ? 1u : 0u);
    for (const auto& g : fontes_)
        if (g->chave == chave) {
            atual_ = g.get();
            atual_->uso = ++relogio_;
            return *atual_;
        }
    if (fontes_.size() >= fontes_guardadas) {
        // The font used longest ago makes room.
        auto velha = std::min_element(fontes_.begin(), fontes_.end(),
                                      [](const auto& a, const auto& b) { return a->uso < b->uso; });
        fontes_.erase(velha);
    }
    auto nova = std::make_unique<FonteGuardada>();
    nova->descricao = descricao_fonte();
    nova->chave = chave;
    nova->uso = ++relogio_;
    const QFont f = nova->descricao.fonte_qt();
    nova->fonte = QRawFont::fromFont(f);
    // A face of the wanted weight and slant: otherwise the platform would
    // have to make one up while shaping.
    nova->utilizavel = nova->fonte.isValid() && (nova->fonte.weight() >= QFont::DemiBold) == f.bold()
                       && (nova->fonte.style() != QFont::StyleNormal) == f.italic();
    if (nova->fonte.isValid()) {
        const EstiloFace e = estilo_da_face(nova->fonte);
        nova->negrito_sintetico = f.bold() && !e.negrito;
        nova->italico_sintetico = f.italic() && !e.italico;
    }
    if (nova->utilizavel) {
        for (char16_t u = 0; u < 256; ++u)
            nova->ler(QChar(u), nova->latin1[u]);
        // Control bytes are drawn and measured as blanks.
        for (char16_t u = 0; u < 256; ++u)
            if (controle(u))
                nova->latin1[u] = nova->latin1[u' '];
    }
    fontes_.push_back(std::move(nova));
    atual_ = fontes_.back().get();
    return *atual_;
}

const DescricaoFonte& SuperficieGlifos::descricao_atual() const
{
    return fonte_atual().descricao;
}

const QRawFont& SuperficieGlifos::fonte_crua() const
{
    return fonte_atual().fonte;
}

bool SuperficieGlifos::negrito_sintetico() const
{
    return fonte_atual().negrito_sintetico;
}

bool SuperficieGlifos::italico_sintetico() const
{
    return fonte_atual().italico_sintetico;
}

void SuperficieGlifos::print(const QString& texto)
{
    // A run read through is only measured.
    double largura = 0;
    if (!desenho_) {
        pena_x_ += largura_glifos(texto, &largura) ? largura : metricas().horizontalAdvance(texto_visivel(texto));
        return;
    }
    Disposicao d;
    if (glifos(texto, &d)) {
        desenhar_glifos(QPointF(pena_x_, pena_y_), texto, &d);
        pena_x_ += d.largura;
        return;
    }
    const QString visivel = texto_visivel(texto);
    desenhar_glifos(QPointF(pena_x_, pena_y_), visivel, nullptr);
    pena_x_ += metricas().horizontalAdvance(visivel);
}

void SuperficieGlifos::desenhar_texto(QPointF topo, const QString& texto)
{
    Disposicao d;
    const bool dispostos = glifos(texto, &d);
    desenhar_glifos(topo, texto, dispostos ? &d : nullptr);
}

bool SuperficieGlifos::glifos(const QString& texto, Disposicao* d) const
{
    FonteGuardada& fonte = fonte_atual();
    if (!fonte.utilizavel)
        return false;
    const auto n = static_cast<size_t>(texto.size());
    if (indices_.size() < n) {
        indices_.resize(n);
        caracteres_.resize(n);
    }
    quint32* indices = indices_.data();
    char16_t* caracteres = caracteres_.data();
    const char16_t* c = reinterpret_cast<const char16_t*>(texto.constData());
    const FonteGuardada::Glifo* latin1 = fonte.latin1.data();
    double x = 0;
    for (size_t k = 0; k < n; ++k) {
        const FonteGuardada::Glifo& g = c[k] < 256 ? latin1[c[k]] : fonte.glifo(c[k]);
        if (g.indice == 0)
            return false;
        indices[k] = g.indice;
        caracteres[k] = g.visivel;
        x += g.avanco;
    }
    *d = {indices, caracteres, static_cast<qsizetype>(n), x};
    return true;
}

bool SuperficieGlifos::largura_glifos(const QString& texto, double* largura) const
{
    FonteGuardada& fonte = fonte_atual();
    if (!fonte.utilizavel)
        return false;
    const char16_t* c = reinterpret_cast<const char16_t*>(texto.constData());
    const FonteGuardada::Glifo* latin1 = fonte.latin1.data();
    double x = 0;
    for (qsizetype k = 0, n = texto.size(); k < n; ++k) {
        const FonteGuardada::Glifo& g = c[k] < 256 ? latin1[c[k]] : fonte.glifo(c[k]);
        if (g.indice == 0)
            return false;
        x += g.avanco;
    }
    *largura = x;
    return true;
}

const QPointF* SuperficieGlifos::posicoes(const Disposicao& d) const
{
    FonteGuardada& fonte = fonte_atual();
    const auto n = static_cast<size_t>(d.n);
    if (posicoes_.size() < n)
        posicoes_.resize(n);
    // The visible characters give the glyphs again, with their advances.
    double x = 0;
    for (size_t k = 0; k < n; ++k) {
        posicoes_[k] = QPointF(x, 0);
        x += fonte.glifo(d.caracteres[k]).avanco;
    }
    return posicoes_.data();
}

QString SuperficieGlifos::nome_lido(const QString& nome) const
{
    if (fonte_instalada(nome))
        return nome;
    // The family the platform maps a missing name to, asked once a name.
    auto it = nomes_lidos_.constFind(nome);
    if (it == nomes_lidos_.cend()) {
        if (nomes_lidos_.size() >= 4 * fontes_guardadas)
            nomes_lidos_.clear();
        it = nomes_lidos_.insert(nome, QFontInfo(QFont(nome)).family());
    }
    return *it;
}

int SuperficieGlifos::pixels_fonte() const
{
    return std::max(1, static_cast<int>(std::lround(fonte_.tamanho * 20.0)));
}

DescricaoFonte SuperficieGlifos::descricao_fonte() const
{
    return {fonte_.nome, pixels_fonte(), fonte_.negrito, fonte_.italico, fonte_.sublinhado, fonte_.riscado};
}

QFont DescricaoFonte::fonte_qt() const
{
    QFont f(nome);
    f.setPixelSize(pixels);
    f.setBold(negrito);
    f.setItalic(italico);
    f.setUnderline(sublinhado);
    f.setStrikeOut(riscado);
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

const QFontMetricsF& SuperficieGlifos::metricas() const
{
    FonteGuardada& f = fonte_atual();
    if (!f.metricas)
        f.metricas.emplace(fonte_qt());
    return *f.metricas;
}

double SuperficieGlifos::ascendente() const
{
    FonteGuardada& f = fonte_atual();
    if (!f.ascendente)
        f.ascendente = metricas().ascent();
    return *f.ascendente;
}

double SuperficieGlifos::largura_texto(const QString& texto) const
{
    double largura = 0;
    if (largura_glifos(texto, &largura))
        return largura;
    return metricas().horizontalAdvance(texto_visivel(texto));
}

double SuperficieGlifos::altura_texto(const QString&) const
{
    return metricas().height();
}

} // namespace papelada
