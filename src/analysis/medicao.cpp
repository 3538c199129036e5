// Measurement of an opened report. It settles the printer font (the stored
// default of the printer, or "Courier New" 10), takes the character metrics
// from it, acts on the report's own printer and font records, and measures how
// wide and how tall the first page is. The scan stops at the first form feed,
// at ESC "9", or at the line feed that would carry the text past the bottom
// of the page; like every reader of a spool file it never acts on the file's
// last byte.
//
// Nothing the printer refuses stops the measurement: a printer that is not
// installed, a font it does not have or a picture that cannot be loaded
// leave the previous state in place and the scan goes on.
#include "analysis/medicao.h"

#include "stream/politica_imagens.h"

#include "stream/comandos.h"
#include "stream/cp1252.h"
#include "stream/fonte_bytes.h"
#include "stream/leitor.h"
#include "stream/numeros.h"

#include <algorithm>

namespace papelada {

namespace {

const QString letra_a = QStringLiteral("A");
constexpr double fator_trator = 1.2;

// A name field of a record: bytes below 32 are dropped, trailing spaces
// removed.
QString campo_nome(const QByteArray& registro, qsizetype inicio, qsizetype tamanho)
{
    QByteArray nome;
    for (qsizetype i = inicio; i < inicio + tamanho && i < registro.size(); ++i)
        if (static_cast<unsigned char>(registro[i]) >= 32)
            nome.append(registro[i]);
    while (!nome.isEmpty() && nome.back() == ' ')
        nome.chop(1);
    return cp1252_para_unicode(nome);
}

// A 2-byte field of a record, least significant byte first.
int campo_16(const QByteArray& registro, qsizetype inicio)
{
    return static_cast<unsigned char>(registro[inicio])
           | (static_cast<unsigned char>(registro[inicio + 1]) << 8);
}

int campo_8(const QByteArray& registro, qsizetype inicio)
{
    return static_cast<unsigned char>(registro[inicio]);
}

class Medidor {
public:
    Medidor(Metricas& m, Superficie& p, Observador& o, FonteEscolhida* d, const OpcoesMedicao& op,
            Medicao& r)
        : m_(m), p_(p), obs_(o), dialogo_(d), opcoes_(op), r_(r)
    {
    }

    void preparar()
    {
        aplicar_fonte_padrao(p_, dialogo_);
        folha();
        metricas(1.0);
    }

    // Stops early when `interromper` becomes 1.
    void percorrer(FonteBytes& fonte, const std::int16_t& interromper)
    {
        Leitor leitor(fonte, formas_medicao());
        Item it;
        while (interromper != 1 && leitor.proximo(it)) {
            switch (it.tipo) {
            case Item::Tipo::AvancoLinha: {
                const double h = y_ + m_.altura_linha;
                x_ = 0;
                if (h >= static_cast<double>(m_.altura_folha) - m_.altura_linha)
                    return; // the first page is complete
                y_ = h;
                break;
            }
            case Item::Tipo::AvancoPagina: return;
            case Item::Tipo::RetornoCarro: break;
            case Item::Tipo::Caractere:
                x_ += avanco_;
                estender();
                break;
            case Item::Tipo::Comando:
                if (!it.completo || !comando(it))
                    return;
                break;
            }
        }
    }

    void concluir()
    {
        if (dialogo_) {
            dialogo_->nome = p_.fontName();
            dialogo_->tamanho = p_.fontSize();
            dialogo_->negrito = p_.fontBold();
            dialogo_->italico = p_.fontItalic();
            dialogo_->riscado = p_.fontStrikethru();
            dialogo_->sublinhado = p_.fontUnderline();
        }
        m_.altura_linha_padrao = m_.altura_linha;
        m_.largura_caracter_padrao = m_.largura_caracter;
    }

    void verificar_folha()
    {
        const double lr = r_.largura_relatorio, ar = r_.altura_relatorio;
        const double lf = m_.largura_folha, af = m_.altura_folha;
        auto avisar = [this](const char* o_que) {
            const QString texto = QStringLiteral("Atenção. \n%1\ncomportar este relatório.")
                                      .arg(QString::fromUtf8(o_que));
            r_.avisos << texto;
            obs_.aviso(texto);
        };
        if (lr > lf && ar > af)
            avisar("O Tamanho da Folha é insuficiente para");
        if (lr > lf)
            avisar("A largura da Folha é insuficiente para");
        if (ar > af)
            avisar("A altura da Folha é insuficiente para");
    }

private:
    // Returns false when the command ends the scan.
    bool comando(const Item& it)
    {
        const std::int64_t n = it.numeros[0];
        const double lc = m_.largura_caracter, al = m_.altura_linha;
        switch (it.byte) {
        case '9': return false;
        case '0': {
            const QString texto = cp1252_para_unicode(it.texto);
            r_.mensagens << texto;
            obs_.mensagem(texto);
            break;
        }
        case '7':
        case '8':
        case 'A': aplicar_metrica(it, m_); break;
        case 'H': x_ += static_cast<double>(n) * lc; break;
        case 'h': x_ += static_cast<double>(n); break;
        case 'V': y_ += static_cast<double>(n) * al; break;
        case 'v': y_ += static_cast<double>(n); break;
        case 'X': x_ = n >= 1 ? static_cast<double>(n - 1) * lc : 0; break;
        case 'x': x_ = static_cast<double>(n); break;
        case 'Y': y_ = n >= 1 ? static_cast<double>(n - 1) * al : 0; break;
        case 'y': y_ = static_cast<double>(n); break;
        case 'R':
        case 'r': {
            Corrida campo;
            definir_campo(it.byte, it, lc, campo);
            r_.largura_relatorio = std::max<double>(r_.largura_relatorio, campo.campo_fim);
            break;
        }
        case 'L':
        case 'l':
        case 'B':
        case 'b': {
            const Segmento s = converter_segmento(it.byte, it, lc, al);
            r_.largura_relatorio = std::max(r_.largura_relatorio, s.x2);
            r_.altura_relatorio = std::max(r_.altura_relatorio, s.y2);
            break;
        }
        case 'G': {
            // Loaded only to learn its size.
            const QImage imagem = imagens_.carregar(cp1252_para_unicode(it.texto));
            if (!imagem.isNull()) {
                y_ += imagem.height() * twips_por_pixel_imagem;
                x_ += imagem.width() * twips_por_pixel_imagem;
                estender();
            }
            break;
        }
        case 'Z': {
            // Measured with a default height of 40 and module width of 1.
            const Barra b = completar_barra(it.barra, 40, 1);
            const TamanhoBarra t = tamanho_barra(b.padrao, static_cast<double>(b.altura), b.largura,
                                                 b.texto.size());
            y_ += twips_por_pixel_300 * t.h;
            x_ += twips_por_pixel_300 * t.w;
            estender();
            break;
        }
        case 'D': impressora(it.texto); break;
        case 'F': fonte(it.texto); break;
        default: break; // read and ignored, or unknown (the digits after ESC "C" are text)
        }
        return true;
    }

    // ESC "D": the head of the platform's printer-settings record.
    void impressora(const QByteArray& reg)
    {
        const QString nome = campo_nome(reg, 0, 32);
        const int orientacao = campo_16(reg, 44);
        const int papel = campo_16(reg, 46);
        const int bandeja = campo_16(reg, 56);

        if (p_.printers().contains(nome)) {
            if (!opcoes_.manter_impressora)
                p_.selectPrinter(nome);
            p_.setPaperSize(papel);
            p_.setPaperBin(bandeja);
            p_.setOrientation(orientacao);
            r_.papel = nome_papel(papel);
            r_.impressora_do_relatorio = true;
            obs_.impressora_escolhida(p_.deviceName(), r_.papel);
        }
        aplicar_fonte_padrao(p_, dialogo_);
        folha();
        recalcular();
    }

    // ESC "F": the head of the platform's font record.
    void fonte(const QByteArray& reg)
    {
        const QString nome = campo_nome(reg, 6, 33);
        const int tamanho = campo_8(reg, 40);
        if (!nome.isEmpty()) // a font without a name is refused
            p_.setFontName(nome);
        p_.setFontBold(campo_8(reg, 41) != 0);
        p_.setFontItalic(campo_8(reg, 42) != 0);
        p_.setFontUnderline(campo_8(reg, 43) != 0);
        p_.setFontStrikethru(campo_8(reg, 44) != 0);
        if (tamanho > 0) // and so is a size of 0 points
            p_.setFontSize(tamanho);
        // The record has no colour of its own, and the colour mode of a
        // printer record (1 monochrome, 2 colour) is no palette colour: the
        // report's text keeps its colour.
        r_.fonte_do_relatorio = true;
        obs_.fonte_escolhida();
        folha();
        recalcular();
    }

    void folha()
    {
        m_.altura_folha = para_i32(p_.height());
        m_.largura_folha = para_i32(p_.width());
    }

    // The line height and character width of the printer's font.
    void metricas(double fator_altura)
    {
        m_.altura_linha = para_i16(p_.textHeight(letra_a) * fator_altura);
        avanco_ = p_.textWidth(letra_a);
        m_.largura_caracter = para_i16(avanco_);
    }

    // After the report chose its printer or font. Tractor paper gets a
    // fifth more line height (not at the start of the measurement).
    void recalcular() { metricas(p_.paperBin() == bandeja_trator ? fator_trator : 1.0); }

    void estender()
    {
        r_.largura_relatorio = std::max(r_.largura_relatorio, x_);
        r_.altura_relatorio = std::max(r_.altura_relatorio, y_);
    }

    Metricas& m_;
    Superficie& p_;
    Observador& obs_;
    FonteEscolhida* dialogo_;
    const OpcoesMedicao& opcoes_;
    Medicao& r_;

    double x_ = 0, y_ = 0;
    double avanco_ = 0; // width of "A" in the printer's font: one text character
    CacheImagens imagens_; // each picture decoded once
};

} // namespace

Medicao medir_relatorio(const Documento& doc, Metricas& metricas, Superficie& impressora,
                        Observador& observador, FonteEscolhida* dialogo, const OpcoesMedicao& opcoes)
{
    Medicao r;
    iniciar_orcamento_imagens(); // a report opened is a job of its own
    Medidor medidor(metricas, impressora, observador, dialogo, opcoes, r);
    medidor.preparar();
    FonteBytes fonte;
    r.arquivo_lido = fonte.abrir(doc.nome_arquivo, &r.erro);
    if (r.arquivo_lido)
        medidor.percorrer(fonte, doc.interromper);
    medidor.concluir();
    if (r.arquivo_lido && doc.interromper != 1) {
        medidor.verificar_folha();
        observador.medicao_concluida();
    }
    return r;
}

void margens_do_trator(const Superficie& impressora, Documento& doc)
{
    if (impressora.paperBin() == bandeja_trator)
        doc.margem_esquerda = doc.margem_superior = 0;
}

Medicao abrir_relatorio(Documento& doc, Metricas& metricas, Superficie& impressora,
                        Observador& observador, FonteEscolhida* dialogo, const OpcoesMedicao& opcoes)
{
    ler_margens(doc.margem_esquerda, doc.margem_superior);
    Medicao m = medir_relatorio(doc, metricas, impressora, observador, dialogo, opcoes);
    margens_do_trator(impressora, doc);
    return m;
}

} // namespace papelada
