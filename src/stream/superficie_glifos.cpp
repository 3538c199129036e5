#include "stream/superficie_glifos.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
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

struct SuperficieGlifos::Glifos {
    struct Glifo {
        quint32 indice = 0;
        double avanco = 0;
        bool lido = false;
    };
    QRawFont fonte;
    bool utilizavel = false;
    bool negrito_sintetico = false, italico_sintetico = false;
    std::array<Glifo, 256> latin1{}; // U+0000 to U+00FF
    QHash<char16_t, Glifo> outros;   // the rest of the code page (the euro sign...)

    const Glifo& glifo(QChar c)
    {
        const char16_t u = c.unicode();
        Glifo& g = u < 256 ? latin1[u] : outros[u];
        if (!g.lido) {
            g.lido = true;
            const QList<quint32> i = fonte.glyphIndexesForString(QString(c));
            if (i.size() == 1 && i[0] != 0) {
                g.indice = i[0];
                g.avanco = fonte.advancesForGlyphIndexes(i, QRawFont::SeparateAdvances).value(0).x();
            }
        }
        return g;
    }
};

SuperficieGlifos::SuperficieGlifos(double dpi) : SuperficieBase(dpi) {}
SuperficieGlifos::~SuperficieGlifos() = default;

void SuperficieGlifos::fonte_alterada()
{
    metricas_.reset();
    glifos_.reset();
}

SuperficieGlifos::Glifos& SuperficieGlifos::tabela_glifos() const
{
    if (!glifos_) {
        glifos_ = std::make_unique<Glifos>();
        const QFont f = fonte_qt();
        glifos_->fonte = QRawFont::fromFont(f);
        // A face of the wanted weight and slant: otherwise the platform
        // would have to make one up while shaping.
        glifos_->utilizavel = glifos_->fonte.isValid()
                              && (glifos_->fonte.weight() >= QFont::DemiBold) == f.bold()
                              && (glifos_->fonte.style() != QFont::StyleNormal) == f.italic();
        if (glifos_->fonte.isValid()) {
            const EstiloFace e = estilo_da_face(glifos_->fonte);
            glifos_->negrito_sintetico = f.bold() && !e.negrito;
            glifos_->italico_sintetico = f.italic() && !e.italico;
        }
    }
    return *glifos_;
}

const QRawFont& SuperficieGlifos::fonte_crua() const
{
    return tabela_glifos().fonte;
}

bool SuperficieGlifos::negrito_sintetico() const
{
    return tabela_glifos().negrito_sintetico;
}

bool SuperficieGlifos::italico_sintetico() const
{
    return tabela_glifos().italico_sintetico;
}

void SuperficieGlifos::print(const QString& texto)
{
    SuperficieBase::print(texto_visivel(texto));
}

bool SuperficieGlifos::glifos(const QString& texto, QList<quint32>* indices, QList<QPointF>* posicoes,
                              double* largura) const
{
    Glifos& tabela = tabela_glifos();
    if (!tabela.utilizavel)
        return false;
    double x = 0;
    if (indices) {
        indices->resize(texto.size());
        posicoes->resize(texto.size());
    }
    for (qsizetype k = 0; k < texto.size(); ++k) {
        const Glifos::Glifo& g = tabela.glifo(texto[k]);
        if (g.indice == 0)
            return false;
        if (indices) {
            (*indices)[k] = g.indice;
            (*posicoes)[k] = QPointF(x, 0);
        }
        x += g.avanco;
    }
    *largura = x;
    return true;
}

QString SuperficieGlifos::nome_lido(const QString& nome) const
{
    if (fonte_instalada(nome))
        return nome;
    QFont f(nome);
    return QFontInfo(f).family();
}

QFont SuperficieGlifos::fonte_qt() const
{
    QFont f(fonte_.nome);
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(fonte_.tamanho * 20.0))));
    f.setBold(fonte_.negrito);
    f.setItalic(fonte_.italico);
    f.setUnderline(fonte_.sublinhado);
    f.setStrikeOut(fonte_.riscado);
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

const QFontMetricsF& SuperficieGlifos::metricas() const
{
    if (!metricas_)
        metricas_.emplace(fonte_qt());
    return *metricas_;
}

double SuperficieGlifos::largura_texto(const QString& texto) const
{
    const QString visivel = texto_visivel(texto);
    double largura = 0;
    if (glifos(visivel, nullptr, nullptr, &largura))
        return largura;
    return metricas().horizontalAdvance(visivel);
}

double SuperficieGlifos::altura_texto(const QString&) const
{
    return metricas().height();
}

} // namespace papelada
