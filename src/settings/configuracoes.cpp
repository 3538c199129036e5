// The settings store on QSettings (INI file, user scope). Every user opens
// the store, reads or writes a few values and closes it again; QSettings
// writes the file through a lock and a save file, so a write is atomic and
// two programs writing at once merge their changes. Failures are never
// reported: a value that cannot be read is replaced by its default, and the
// result of a write is not looked at.
#include "settings/configuracoes.h"

#include "stream/numeros.h"

#include <QByteArray>
#include <QSettings>
#include <QVariant>

namespace papelada {

namespace {

const QString chave_margens = QStringLiteral("Software/Orvel/Papelada");
const QString nome_margem_esquerda = QStringLiteral("Margem esquerda");
const QString nome_margem_superior = QStringLiteral("Margem Superior");
const QString nome_fonte = QStringLiteral("FontName");
const QString nome_tamanho = QStringLiteral("FontSize");
const QString nome_negrito = QStringLiteral("FontBold");
const QString nome_italico = QStringLiteral("FontItalic");

constexpr int margem_padrao = 10;

// One opened key of the store: a group of the INI file, synced when closed.
class Chave {
public:
    explicit Chave(const QString& caminho)
        : s_(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orvel"),
             QStringLiteral("Papelada"))
    {
        s_.beginGroup(caminho);
    }
    ~Chave()
    {
        s_.endGroup();
        s_.sync(); // a store that cannot be written stays as it was
    }
    Chave(const Chave&) = delete;
    Chave& operator=(const Chave&) = delete;

    bool existe() const { return !s_.childKeys().isEmpty() || !s_.childGroups().isEmpty(); }

    // A 2-byte value, least significant byte first, read as an unsigned
    // number. A value of another type or longer than 2 bytes cannot be read.
    bool ler_binario(const QString& nome, std::uint16_t& valor) const
    {
        const QVariant v = s_.value(nome);
        if (v.typeId() != QMetaType::QByteArray)
            return false;
        const QByteArray b = v.toByteArray();
        if (b.size() > 2)
            return false;
        valor = 0;
        for (qsizetype i = b.size() - 1; i >= 0; --i)
            valor = static_cast<std::uint16_t>((valor << 8) | static_cast<unsigned char>(b[i]));
        return true;
    }
    void gravar_binario(const QString& nome, std::int64_t valor)
    {
        const auto v = static_cast<std::uint64_t>(valor); // the low 2 bytes are stored
        QByteArray b(2, '\0');
        b[0] = static_cast<char>(v & 0xFF);
        b[1] = static_cast<char>((v >> 8) & 0xFF);
        s_.setValue(nome, b);
    }
    bool ler_texto(const QString& nome, QString& texto) const
    {
        const QVariant v = s_.value(nome);
        if (!v.isValid() || v.typeId() == QMetaType::QStringList)
            return false;
        texto = v.toString();
        return true;
    }
    void gravar_texto(const QString& nome, const QString& texto) { s_.setValue(nome, texto); }

private:
    QSettings s_;
};

// The font key of a printer: the margin key, a separator and the device name
// exactly. QSettings splits keys at "/" and "\", so those (and "%", the
// escape itself) are written as %XX; every name keeps a key of its own.
QString chave_fonte(const QString& dispositivo)
{
    QString nome;
    nome.reserve(dispositivo.size());
    for (QChar c : dispositivo) {
        if (c == u'%' || c == u'/' || c == u'\\')
            nome += u'%' + QString::number(c.unicode(), 16).toUpper();
        else
            nome += c;
    }
    return chave_margens + u'/' + nome;
}

// A font size as the store keeps it: a whole number of points.
std::int64_t tamanho_gravado(double pontos)
{
    return para_i32(valor_texto(QString::number(pontos, 'g', 15)));
}

void gravar_fonte(Chave& chave, const Superficie& impressora)
{
    chave.gravar_texto(nome_fonte, impressora.fontName());
    chave.gravar_binario(nome_tamanho, tamanho_gravado(impressora.fontSize()));
    chave.gravar_binario(nome_negrito, impressora.fontBold() ? 1 : 0);
    chave.gravar_binario(nome_italico, impressora.fontItalic() ? 1 : 0);
}

// A 2-byte value of the key; one that cannot be read becomes `substituto`,
// which is written back.
std::uint16_t ler_ou_gravar(Chave& chave, const QString& nome, std::uint16_t substituto)
{
    std::uint16_t v = 0;
    if (chave.ler_binario(nome, v))
        return v;
    chave.gravar_binario(nome, substituto);
    return substituto;
}

void ler_margem(Chave& chave, const QString& nome, std::int32_t& margem)
{
    // Read back as the signed value that was stored, so that a negative
    // margin comes back as typed instead of as a margin of 65 metres.
    margem = static_cast<std::int16_t>(ler_ou_gravar(chave, nome, margem_padrao));
}

void copiar_para_dialogo(const Superficie& impressora, FonteEscolhida* dialogo)
{
    if (!dialogo)
        return;
    dialogo->nome = impressora.fontName();
    dialogo->tamanho = impressora.fontSize();
    dialogo->negrito = impressora.fontBold();
    dialogo->italico = impressora.fontItalic();
}

} // namespace

void ler_margens(std::int32_t& margem_esquerda, std::int32_t& margem_superior)
{
    Chave chave(chave_margens);
    ler_margem(chave, nome_margem_esquerda, margem_esquerda);
    ler_margem(chave, nome_margem_superior, margem_superior);
}

void gravar_margens(const QString& texto_esquerda, const QString& texto_superior,
                    std::int32_t& margem_esquerda, std::int32_t& margem_superior)
{
    margem_esquerda = para_i32(valor_texto(texto_esquerda));
    margem_superior = para_i32(valor_texto(texto_superior));
    Chave chave(chave_margens);
    // Two bytes hold -32768 to 32767 mm; a wider value is stored at the
    // nearest end rather than wrapped into another margin.
    chave.gravar_binario(nome_margem_esquerda, limitar<std::int16_t>(margem_esquerda));
    chave.gravar_binario(nome_margem_superior, limitar<std::int16_t>(margem_superior));
}

bool set_default_font(Superficie& impressora, FonteEscolhida* dialogo)
{
    Chave chave(chave_fonte(impressora.deviceName()));
    bool aplicada = false;
    if (!chave.existe()) {
        gravar_fonte(chave, impressora);
    } else {
        aplicada = true;
        // Each value in turn; one that cannot be read is taken from the
        // printer's current font and written back.
        QString nome;
        if (!chave.ler_texto(nome_fonte, nome)) {
            nome = impressora.fontName();
            chave.gravar_texto(nome_fonte, nome);
        }
        if (!nome.isEmpty()) // the printer refuses a font without a name
            impressora.setFontName(nome);

        const std::uint16_t tamanho = ler_ou_gravar(
            chave, nome_tamanho, static_cast<std::uint16_t>(tamanho_gravado(impressora.fontSize())));
        if (tamanho > 0) // the printer refuses a size of 0 points
            impressora.setFontSize(tamanho);
        impressora.setFontBold(
            ler_ou_gravar(chave, nome_negrito, impressora.fontBold() ? 0xFFFF : 0) != 0);
        impressora.setFontItalic(
            ler_ou_gravar(chave, nome_italico, impressora.fontItalic() ? 0xFFFF : 0) != 0);
    }
    copiar_para_dialogo(impressora, dialogo);
    return aplicada;
}

void aplicar_fonte_reserva(Superficie& impressora)
{
    impressora.setFontName(QStringLiteral("Courier New"));
    impressora.setFontSize(10);
    impressora.setFontBold(false);
    impressora.setFontItalic(false);
}

void aplicar_fonte_padrao(Superficie& impressora, FonteEscolhida* dialogo)
{
    if (!set_default_font(impressora, dialogo))
        aplicar_fonte_reserva(impressora);
    impressora.setFontUnderline(false);
    impressora.setFontStrikethru(false);
}

void gravar_fonte_padrao(Superficie& impressora)
{
    Chave chave(chave_fonte(impressora.deviceName()));
    gravar_fonte(chave, impressora);
}

void recalcular_metricas(Superficie& impressora, Metricas& metricas)
{
    metricas.altura_linha = para_i16(impressora.textHeight(QStringLiteral("A")) * 1.2);
    metricas.largura_caracter = para_i16(impressora.textWidth(QStringLiteral("A")));
    metricas.altura_linha_padrao = metricas.altura_linha;
    metricas.largura_caracter_padrao = metricas.largura_caracter;
}

} // namespace papelada
