// The settings store: an INI file read with QSettings. Reading never writes:
// a value that is missing or cannot be read is replaced by its default in
// memory only, so that commands that only look (measuring, listing pages)
// leave the file as it was. Only the user's own changes (the margins after a
// job or on leaving, "Definir Fonte Padrão") are written, under a lock so
// that two programs writing at once merge their changes, and through the
// output routine, so that the file is replaced whole or not at all. A file
// that is not a regular file (a FIFO, a device, a folder) is never opened:
// it is ignored with a warning and the defaults apply. Stored values out of
// range are clamped when read.
//
// The margins and the font's size and styles are 16-bit values. The file
// holds them as plain numbers a person can read and edit
// ("Margem%20esquerda=10"); earlier versions wrote the two bytes themselves,
// least significant first ("@ByteArray(\n\0)"). Both forms are read, and
// the first write after opening a file of the earlier form rewrites every
// such value as a number.
#include "settings/configuracoes.h"

#include "stream/arquivo_saida.h"
#include "stream/numeros.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariant>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>

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
// Stored values beyond these are taken as these: a larger font leaves no
// line on the page (and its line height no longer fits the metrics), a
// larger margin leaves no page.
constexpr int tamanho_fonte_maximo = 500; // points
constexpr int margem_maxima = 1000;       // millimetres

const QString nome_arquivo = QStringLiteral("/Orvel/Papelada.ini");

// Set for a program that acts for nobody in particular (the print server's
// filter): the user's file is neither read nor written.
bool somente_sistema = false;

// The store's file, where QSettings keeps an INI file of the user's scope.
QString arquivo_loja()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + nome_arquivo;
}

// The machine's file: the first of the system's configuration folders
// (XDG_CONFIG_DIRS, /etc/xdg by default) that holds one. It gives what the
// user's file does not, and is only ever read.
QString arquivo_sistema()
{
    QStringList pastas = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    pastas.removeAll(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    for (const QString& pasta : pastas)
        if (QFileInfo(pasta + nome_arquivo).isFile())
            return pasta + nome_arquivo;
    return {};
}

// A file that does not exist yet, or a regular file (a link to one is
// followed). Anything else would block the program (a FIFO) or be destroyed
// by the first write (a device): it is ignored, which is said once.
bool loja_utilizavel(const QString& caminho)
{
    struct stat st {};
    if (::stat(QFile::encodeName(caminho).constData(), &st) != 0 ? errno == ENOENT || errno == ENOTDIR
                                                                 : S_ISREG(st.st_mode))
        return true;
    static QString avisado;
    if (avisado != caminho) {
        avisado = caminho;
        qWarning().noquote() << QStringLiteral("Aviso: %1 não é um arquivo comum; as configurações não serão "
                                               "lidas nem gravadas nele e valem os valores padrão.")
                                    .arg(caminho);
    }
    return false;
}

// A 16-bit value of the store read from the two bytes of the earlier form:
// unsigned for the font size, signed for the margins and the style flags
// (where only zero or not counts, and -1 is what the repair writes).
template <typename T>
T de_dois_bytes(const QByteArray& b)
{
    std::uint16_t v = 0;
    for (qsizetype i = b.size() - 1; i >= 0; --i)
        v = static_cast<std::uint16_t>((v << 8) | static_cast<unsigned char>(b[i]));
    return static_cast<T>(v);
}

// One opened key of the store: a group of the INI file. Values read come
// from the file as it was when the key was opened; values written are kept
// and stored together when the key is closed.
class Chave {
public:
    explicit Chave(const QString& caminho) : grupo_(caminho), arquivo_(arquivo_loja())
    {
        if (!somente_sistema && loja_utilizavel(arquivo_)) {
            leitura_.emplace(arquivo_, QSettings::IniFormat);
            leitura_->beginGroup(grupo_);
        }
        if (const QString s = arquivo_sistema(); !s.isEmpty()) {
            sistema_.emplace(s, QSettings::IniFormat);
            sistema_->beginGroup(grupo_);
        }
    }
    ~Chave()
    {
        if (!pendentes_.isEmpty())
            gravar();
    }
    Chave(const Chave&) = delete;
    Chave& operator=(const Chave&) = delete;

    bool existe() const
    {
        const auto tem = [](const std::optional<QSettings>& s) {
            return s && (!s->childKeys().isEmpty() || !s->childGroups().isEmpty());
        };
        return tem(leitura_) || tem(sistema_);
    }

    // A 16-bit value: a number (a fraction is rounded, halves to even) that
    // 16 bits hold, where an unsigned value may also be written negative as
    // the same two bytes ("-1" for 65535); or up to two bytes of the earlier
    // form. Anything else cannot be read.
    template <typename T>
    bool ler_numero(const QString& nome, T& valor) const
    {
        const QVariant v = ler(nome);
        if (v.typeId() == QMetaType::QByteArray) {
            const QByteArray b = v.toByteArray();
            if (b.size() > 2)
                return false;
            valor = de_dois_bytes<T>(b);
            return true;
        }
        if (!v.isValid() || v.typeId() == QMetaType::QStringList)
            return false;
        bool ok = false;
        const double d = v.toString().toDouble(&ok);
        if (!ok || !std::isfinite(d))
            return false;
        const std::int64_t n = arredondar(d);
        if (n < std::numeric_limits<std::int16_t>::min() || n > std::numeric_limits<T>::max())
            return false;
        valor = static_cast<T>(n);
        return true;
    }
    void gravar_numero(const QString& nome, int valor) { pendentes_.append({nome, QString::number(valor)}); }
    bool ler_texto(const QString& nome, QString& texto) const
    {
        const QVariant v = ler(nome);
        if (!v.isValid() || v.typeId() == QMetaType::QStringList)
            return false;
        texto = v.toString();
        return true;
    }
    void gravar_texto(const QString& nome, const QString& texto) { pendentes_.append({nome, texto}); }

private:
    // The user's value, else the machine's.
    QVariant ler(const QString& nome) const
    {
        if (leitura_ && leitura_->contains(nome))
            return leitura_->value(nome);
        return sistema_ ? sistema_->value(nome) : QVariant();
    }

    // Under the lock QSettings itself takes, the file as it is now gets this
    // key's values in a copy, which then replaces it whole. Failures are
    // only warned about: the program goes on with the values in memory.
    void gravar()
    {
        if (somente_sistema || !loja_utilizavel(arquivo_))
            return;
        const auto avisar = [&](const QString& motivo) {
            qWarning().noquote() << QStringLiteral("Aviso: as configurações não foram gravadas. %1").arg(motivo);
        };
        QDir().mkpath(QFileInfo(arquivo_).absolutePath());
        QLockFile trava(arquivo_ + QStringLiteral(".lock"));
        QTemporaryDir pasta;
        if (!trava.lock() || !pasta.isValid())
            return avisar(QStringLiteral("Não foi possível reservar o arquivo %1.").arg(arquivo_));
        const QString copia = pasta.filePath(QStringLiteral("Papelada.ini"));
        if (QFileInfo::exists(arquivo_) && !QFile::copy(arquivo_, copia))
            return avisar(QStringLiteral("Não foi possível ler o arquivo %1.").arg(arquivo_));
        {
            QSettings s(copia, QSettings::IniFormat);
            s.beginGroup(grupo_);
            for (const auto& [nome, valor] : pendentes_)
                s.setValue(nome, valor);
            s.endGroup();
            reescrever_forma_antiga(s);
            s.sync();
            if (s.status() != QSettings::NoError)
                return avisar(QStringLiteral("Não foi possível preparar o arquivo %1.").arg(arquivo_));
        }
        QFile novo(copia);
        ArquivoSaida saida(arquivo_);
        QString erro;
        if (!novo.open(QIODevice::ReadOnly) || !saida.abrir(&erro) || saida.write(novo.readAll()) < 0
            || !saida.concluir(&erro))
            return avisar(erro.isEmpty() ? saida.erro() : erro);
        tempo_novo(arquivo_);
    }

    // The keys opened later in this process read through QSettings' cache,
    // which takes a file of the same size and time (to the millisecond) as
    // unchanged: a value written and read back within one tick of the file
    // system's clock (a second on some) would come back as it was. Every
    // version written here gets a later time than the one before it.
    static void tempo_novo(const QString& arquivo)
    {
        static std::int64_t ultimo = 0; // milliseconds
        const QByteArray nome = QFile::encodeName(arquivo);
        struct stat st {};
        if (::stat(nome.constData(), &st) != 0)
            return;
        std::int64_t ms = std::int64_t(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
        if (ms <= ultimo) {
            ms = ultimo + 1;
            const timespec tempos[2] = {{0, UTIME_OMIT}, {ms / 1000, (ms % 1000) * 1000000}};
            ::utimensat(AT_FDCWD, nome.constData(), tempos, 0);
        }
        ultimo = ms;
    }

    // Every 16-bit value of the store still held as two bytes becomes the
    // number they make.
    static void reescrever_forma_antiga(QSettings& s)
    {
        s.beginGroup(chave_margens);
        for (const QString& chave : s.allKeys()) {
            const QString nome = chave.section(u'/', -1);
            const bool tamanho = nome == nome_tamanho;
            if (!tamanho && nome != nome_margem_esquerda && nome != nome_margem_superior
                && nome != nome_negrito && nome != nome_italico)
                continue;
            const QVariant v = s.value(chave);
            if (v.typeId() != QMetaType::QByteArray || v.toByteArray().size() > 2)
                continue;
            const QByteArray b = v.toByteArray();
            s.setValue(chave, QString::number(tamanho ? int{de_dois_bytes<std::uint16_t>(b)}
                                                      : int{de_dois_bytes<std::int16_t>(b)}));
        }
        s.endGroup();
    }

    QString grupo_;
    QString arquivo_;
    std::optional<QSettings> leitura_, sistema_;
    QList<std::pair<QString, QString>> pendentes_;
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

// A font size as the store keeps it: a whole number of points, in 16 bits.
std::uint16_t tamanho_gravado(double pontos)
{
    return static_cast<std::uint16_t>(para_i32(valor_texto(QString::number(pontos, 'g', 15))));
}

void gravar_fonte(Chave& chave, const Superficie& impressora)
{
    chave.gravar_texto(nome_fonte, impressora.fontName());
    chave.gravar_numero(nome_tamanho, tamanho_gravado(impressora.fontSize()));
    chave.gravar_numero(nome_negrito, impressora.fontBold() ? 1 : 0);
    chave.gravar_numero(nome_italico, impressora.fontItalic() ? 1 : 0);
}

// A 16-bit value of the key; one that cannot be read is `substituto`.
template <typename T>
T ler_ou(const Chave& chave, const QString& nome, T substituto)
{
    T v = 0;
    return chave.ler_numero(nome, v) ? v : substituto;
}

void ler_margem(const Chave& chave, const QString& nome, std::int32_t& margem)
{
    // Signed, so that a negative margin comes back as typed instead of as a
    // margin of 65 metres.
    margem = std::clamp<std::int32_t>(ler_ou<std::int16_t>(chave, nome, margem_padrao), -margem_maxima,
                                      margem_maxima);
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
    // 16 bits hold -32768 to 32767 mm; a wider value is stored at the
    // nearest end rather than wrapped into another margin.
    chave.gravar_numero(nome_margem_esquerda, limitar<std::int16_t>(margem_esquerda));
    chave.gravar_numero(nome_margem_superior, limitar<std::int16_t>(margem_superior));
}

bool set_default_font(Superficie& impressora, FonteEscolhida* dialogo)
{
    Chave chave(chave_fonte(impressora.deviceName()));
    bool aplicada = false;
    if (chave.existe()) {
        aplicada = true;
        // Each value in turn; one that cannot be read is the printer's
        // current one.
        QString nome;
        if (chave.ler_texto(nome_fonte, nome) && !nome.isEmpty()) // the printer refuses a font without a name
            impressora.setFontName(nome);
        const std::uint16_t tamanho = ler_ou(chave, nome_tamanho, tamanho_gravado(impressora.fontSize()));
        if (tamanho > 0) // the printer refuses a size of 0 points
            impressora.setFontSize(std::min<int>(tamanho, tamanho_fonte_maximo));
        impressora.setFontBold(ler_ou<std::int16_t>(chave, nome_negrito, impressora.fontBold()) != 0);
        impressora.setFontItalic(ler_ou<std::int16_t>(chave, nome_italico, impressora.fontItalic()) != 0);
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

void usar_somente_configuracoes_do_sistema()
{
    somente_sistema = true;
}

QString pasta_imagens_do_servidor()
{
    const QString s = arquivo_sistema();
    if (s.isEmpty())
        return QString();
    const QString pasta = QSettings(s, QSettings::IniFormat).value(QStringLiteral("Servidor/PastaImagens")).toString();
    return QDir::isAbsolutePath(pasta) ? pasta : QString();
}

int fios_do_servidor()
{
    const QString s = arquivo_sistema();
    if (s.isEmpty())
        return 0;
    bool ok = false;
    const int fios = QSettings(s, QSettings::IniFormat).value(QStringLiteral("Servidor/FiosDesenho")).toInt(&ok);
    return ok && fios >= 1 ? fios : 0;
}

} // namespace papelada
