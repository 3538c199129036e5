#include "print/interpretador.h"

#include "barcode/barra.h"
#include "stream/comandos.h"
#include "stream/cp1252.h"
#include "stream/leitor.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <utility>

namespace papelada {

namespace {

const QString imprimindo = QStringLiteral("Imprimindo a Página");
const QString examinando = QStringLiteral("Examinando a Página");

// The lowest y a move may reach on a page printed on `altura_papel` twips
// of paper: the page length, but never below the paper's foot (a longer
// length takes effect on the next page), and raised by the top margin,
// which pushes everything down: what is drawn always lands on the paper.
double pe_da_pagina(const Papel& papel, const Metricas& m, double altura_papel)
{
    return std::min(static_cast<double>(m.altura_folha), altura_papel) - papel.margem_superior;
}

// A line feed with the pen at `y` ends the page when the next line would
// reach the page's last line.
bool avanco_encerra(double y, double pe, const Metricas& m)
{
    return y + m.altura_linha >= pe - m.altura_linha;
}

// A move down to `y` (ESC "Y", "y", "V", "v", or below a picture or a
// barcode) ends the page when `y` lies below its foot.
bool descida_encerra(double y, double pe) { return y > pe; }

// How a page end came about: what the window shows, and whether it gets to
// process its events, depends on it.
enum class Variante {
    AvancoLinha,  // a line feed reached the bottom
    AvancoPagina, // form feed
    Comando,      // ESC "9", a move below the page, an image or barcode that reaches it
};

// The pen's way down a page of whole lines, as far as it has been followed
// from one start: the y given to the surface at each line feed, and the y
// it reads back after it. A line feed sets the pen to the y it reads plus
// a line, so the way depends only on where it starts and on the key's
// other fields: a page that starts there, or at any later step of it, goes
// the same way, to the last bit.
struct Descida {
    struct Chave {
        double y = 0, altura_linha = 0, pe = 0, topo = 0, dpi = 0;
        ModoEscala modo = ModoEscala::Twips;
        // Everything but where the pen starts.
        bool mesmo_caminho(const Chave& c) const
        {
            return altura_linha == c.altura_linha && pe == c.pe && topo == c.topo && dpi == c.dpi
                   && modo == c.modo;
        }
    };
    Chave chave;
    std::vector<double> alvos;    // set at each line feed
    std::vector<double> posicoes; // read back: the start, then after each feed

    static constexpr size_t maximo = 4096; // steps kept at most

    void comecar(const Chave& c)
    {
        chave = c;
        alvos.clear();
        posicoes.assign(1, c.y);
    }
    void acrescentar(double alvo, double posicao)
    {
        if (alvos.size() < maximo) {
            alvos.push_back(alvo);
            posicoes.push_back(posicao);
        }
    }
    // The step at which a pen at `c` is on this way; -1 when it is not.
    qsizetype degrau(const Chave& c) const
    {
        if (posicoes.empty() || !chave.mesmo_caminho(c))
            return -1;
        const auto i = std::lower_bound(posicoes.begin(), posicoes.end(), c.y);
        return i != posicoes.end() && *i == c.y ? i - posicoes.begin() : -1;
    }
};

class Interpretador {
public:
    Interpretador(FonteBytes& fonte, Documento& doc, Metricas& m, Corrida& corrida, Superficie& imp,
                  Passagem& passagem, Observador& obs)
        : leitor_(fonte, formas_linguagem()), fonte_(fonte), doc_(doc), m_(m), corrida_(corrida),
          imp_(imp), p_(passagem), obs_(obs),
          papel_{imp.paperBin() == bandeja_trator, -imp.scaleTop()}, altura_papel_(imp.height())
    {
        if (p_.retomar)
            retomar(*p_.retomar);
    }

    void executar()
    {
        Item it;
        while (leitor_.proximo(it)) {
            if (doc_.interromper == 1)
                break;
            if (it.posicao >= borda_destaque_)
                cruzar_destaque(it.posicao);
            if (!agir(it))
                return; // the last selected page has ended: its page end flushed the run
            // A page begun by this item starts where the item left the pen
            // (a picture or barcode that ends a page moves it on the next).
            if (inicio_pendente_) {
                inicio_pendente_ = false;
                if (!p_.ao_iniciar_pagina(inicio_atual()))
                    return;
            }
        }
        descarregar();
        p_.pagina_tocada = tocada_;
    }

private:
    // The run ends at each edge of the search hit, and the surface hears
    // whether what follows lies in it.
    void cruzar_destaque(qint64 pos)
    {
        descarregar();
        const bool dentro = !destacando_ && pos < p_.destaque_fim;
        destacando_ = dentro;
        imp_.destacar(dentro);
        borda_destaque_ = dentro ? p_.destaque_fim : std::numeric_limits<qint64>::max();
    }

    // The state of a page start, on a pass about to begin.
    void retomar(const InicioPagina& s)
    {
        m_ = s.metricas;
        estilo_ = s.estilo;
        if (estilo_.com_fonte)
            imp_.setFontName(estilo_.fonte);
        if (estilo_.tamanho > 0)
            imp_.setFontSize(estilo_.tamanho);
        if (estilo_.negrito >= 0)
            imp_.setFontBold(estilo_.negrito == 1);
        if (estilo_.italico >= 0)
            imp_.setFontItalic(estilo_.italico == 1);
        if (estilo_.cor >= 0)
            imp_.setForeColor(QBColor(estilo_.cor));
        if (s.largura_linha > 0)
            imp_.setDrawWidth(s.largura_linha);
        if (s.altura_papel > 0 && s.altura_papel != imp_.height())
            imp_.setHeight(s.altura_papel);
        altura_papel_ = imp_.height();
        corrida_.limpar();
        corrida_.campo_inicio = s.campo_inicio;
        corrida_.campo_fim = s.campo_fim;
        corrida_.campo_alinhamento = s.campo_alinhamento;
        mensagem_ = s.mensagem;
        p_.pagina = s.pagina;
        imp_.setCurrentX(s.x);
        imp_.setCurrentY(s.y);
    }

    // The start of the page just begun, as retomar() takes it.
    InicioPagina inicio_atual() const
    {
        InicioPagina s;
        s.posicao = fonte_.posicao() + 1;
        s.pagina = static_cast<std::int32_t>(std::min<std::int64_t>(
            p_.selecionar_paginas ? p_.pagina : imp_.page(), std::numeric_limits<std::int32_t>::max()));
        s.x = imp_.currentX();
        s.y = imp_.currentY();
        s.metricas = m_;
        s.estilo = estilo_;
        s.altura_papel = altura_papel_;
        s.largura_linha = imp_.drawWidth();
        s.campo_inicio = corrida_.campo_inicio;
        s.campo_fim = corrida_.campo_fim;
        s.campo_alinhamento = corrida_.campo_alinhamento;
        s.mensagem = mensagem_;
        return s;
    }

    // On a page that is not printed, the characters that follow (after a
    // character or a line feed) are taken in bulk, up to the next byte that
    // is none, as caractere() takes them one by one; a run whose width
    // counts for nothing is not even kept, and lines of text alone go faster
    // still (see linhas_de_texto() and linha_passada()). The progress is told
    // once a block instead of every 128 bytes; after it the pass looks again
    // at the interruption and the mode. Kept out of the loop of executar(),
    // which runs once a byte on the pages printed.
    [[gnu::noinline]] void passar_caracteres()
    {
        if (doc_.interromper == 1)
            return; // the next item is not acted on
        Item lf;
        for (;;) {
            if (!linhas_de_texto())
                return;
            std::span<const unsigned char> s = leitor_.caracteres();
            const int seguinte = leitor_.espiar(); // -1: not at hand yet
            bool linha = seguinte == '\n' && linha_passada(s.size());
            if (!linha && !s.empty()) {
                tomar_caracteres(s, seguinte);
                // A run dropped at its line feed leaves that feed to be passed here too.
                linha = seguinte == '\n' && linha_passada(0);
            }
            if (linha) {
                leitor_.proximo(lf);
                if (!relatar_a_cada_bloco())
                    return;
                continue;
            }
            if (!relatar_a_cada_bloco() || seguinte >= 0 || s.empty())
                return;
        }
    }

    // Characters on a page that is not printed, followed by the byte
    // `seguinte` (-1 when not known yet), as caractere() takes them.
    void tomar_caracteres(std::span<const unsigned char> s, int seguinte)
    {
        const auto tipo = seguinte == '\n' ? Item::Tipo::AvancoLinha
                          : seguinte == '\f' ? Item::Tipo::AvancoPagina
                                             : Item::Tipo::Caractere;
        while (!s.empty() && imp_.currentX() < borda_direita()
               && (corrida_.buffer.isEmpty() || !corrida_visivel_)) {
            corrida_visivel_ = false;
            if (tipo != Item::Tipo::Caractere && fim_zera_x(tipo)) {
                // The line or page ends right after these characters.
                tocada_ = true;
                passar_corrida(corrida_, static_cast<qsizetype>(s.size()));
                return;
            }
            if (acrescentar_na_corrida(corrida_, s))
                descarregar();
        }
    }

    // A character is collected while the pen is left of this.
    double borda_direita() const { return static_cast<double>(m_.largura_folha) - m_.largura_caracter; }

    // The line feed that comes next, after `n` characters read through, taken
    // as agir() takes it when the feed does not end the page: the characters
    // use up the field, the pen goes a line down and to the left edge. False
    // when the line is left to the general way.
    bool linha_passada(size_t n)
    {
        if (!corrida_.buffer.isEmpty() || linha_encerra())
            return false;
        if (n > 0 && imp_.currentX() < borda_direita())
            passar_na_linha(static_cast<qsizetype>(n));
        descer_linha();
        return true;
    }

    // Characters read through with the pen left of the right edge: they use
    // up the field, and the page has something on it.
    void passar_na_linha(qsizetype n)
    {
        corrida_visivel_ = false;
        tocada_ = true;
        passar_corrida(corrida_, n);
    }

    // Whether a line feed now ends the page; if not, it takes the pen a
    // line down and to the left edge.
    bool linha_encerra() const { return avanco_encerra(imp_.currentY(), pe(), m_); }
    void descer_linha() { descer_para(linha_abaixo()); }
    double linha_abaixo() const { return imp_.currentY() + m_.altura_linha; }
    void descer_para(double y)
    {
        imp_.setCurrentY(y);
        imp_.setCurrentX(0);
    }

    // With no run pending and no field waiting for one, lines of characters
    // change nothing but the pen: they are passed over, each as
    // linha_passada() takes it, while their feeds do not end the page.
    // The pen's way down a page is kept (see Descida): where a later page
    // goes the same way, its lines are passed in bulk, with no step a line.
    // False when the progress was told (see relatar_a_cada_bloco).
    bool linhas_de_texto()
    {
        if (!corrida_.buffer.isEmpty() || corrida_.tem_campo())
            return true;
        const Descida::Chave chave = chave_descida();
        const qsizetype j = descida_.degrau(chave);
        const qsizetype sabidos = j < 0 ? 0 : descida_.alvos.size() - j; // steps known from here
        qint64 n = 0;
        if (sabidos > 0 && imp_.currentX() == 0) {
            const Leitor::Linhas lidas = leitor_.linhas_inteiras(sabidos);
            n = lidas.linhas;
            if (n > 0) {
                descer_para(descida_.alvos[j + n - 1]);
                if (lidas.caracteres > 0 && 0 < borda_direita())
                    passar_na_linha(lidas.caracteres);
            }
        } else {
            // Followed a line at a time, and the way learnt: on from its
            // last known step, or a new way from here, which takes the old
            // one's place once a line has gone down it.
            const bool aprender = sabidos == 0;
            bool novo = j < 0;
            n = leitor_.linhas_de_texto([&](qint64 caracteres) {
                const double alvo = linha_abaixo();
                if (!linha_passada(static_cast<size_t>(caracteres)))
                    return false;
                if (aprender) {
                    if (std::exchange(novo, false))
                        descida_.comecar(chave);
                    descida_.acrescentar(alvo, imp_.currentY());
                }
                return true;
            });
        }
        return n == 0 || relatar_a_cada_bloco();
    }

    // What the pen's way down a page of lines depends on, besides where it
    // starts: the line height, the page foot and the surface's scale.
    Descida::Chave chave_descida() const
    {
        return {imp_.currentY(), static_cast<double>(m_.altura_linha), pe(), imp_.scaleTop(), imp_.dpi(),
                imp_.scaleMode()};
    }

    // Tells the progress when a block has been read through since last
    // time; false then.
    bool relatar_a_cada_bloco()
    {
        const qint64 pos = fonte_.posicao();
        if (pos < proximo_relato_)
            return true;
        proximo_relato_ = (pos / bloco_relato + 1) * bloco_relato;
        relatar_progresso(pos);
        return false;
    }

    void relatar_progresso(qint64 pos)
    {
        const qint64 total = fonte_.tamanho();
        obs_.progresso(total > 0 ? std::min(1.0, static_cast<double>(pos) / total) : 1.0);
        obs_.processar_eventos();
    }

    // A page end now leaves the pen at the left edge, unless it ends the pass.
    bool fim_continua() const
    {
        return !p_.selecionar_paginas || static_cast<double>(p_.pagina + 1) <= p_.ultima_pagina;
    }

    // Whether a line feed or form feed now puts the pen's x back to 0.
    bool fim_zera_x(Item::Tipo tipo) const
    {
        if (tipo == Item::Tipo::AvancoLinha && !linha_encerra())
            return true;
        return fim_continua();
    }

    // Whether the item that flushes the run puts the pen's x where no width
    // of the run counts: a line feed or page end that goes on, an absolute
    // move across, a line or box that is drawn.
    bool zera_x(const Item& it) const
    {
        if (it.tipo != Item::Tipo::Comando)
            return fim_zera_x(it.tipo);
        if (!it.completo)
            return false;
        switch (it.byte) {
        case 'X':
        case 'x': return true;
        case '9': return fim_continua();
        case 'B':
        case 'b':
        case 'L':
        case 'l': return converter_segmento(it.byte, it, m_.largura_caracter, m_.altura_linha).cor <= 15;
        default: return false;
        }
    }

    // Flushes the run before `it` acts. A run read through on a page that is
    // not printed is measured only when its width counts: otherwise it just
    // uses up its field.
    void descarregar(const Item& it)
    {
        if (!corrida_visivel_ && !corrida_.buffer.isEmpty() && zera_x(it)) {
            tocada_ = true;
            passar_corrida(corrida_);
        }
        else
            descarregar();
    }

    // Flushes the run, drawn only when it came on a selected page.
    void descarregar()
    {
        if (corrida_.buffer.isEmpty()) {
            corrida_visivel_ = false;
            return;
        }
        tocada_ = true;
        imp_.setDesenho(corrida_visivel_);
        imprimir_buffer(corrida_, imp_);
        imp_.setDesenho(true);
        corrida_visivel_ = false;
    }

    bool selecionada() const
    {
        return !p_.selecionar_paginas || p_.no_intervalo(p_.pagina);
    }

    // The lowest y on this page: see pe_da_pagina().
    double pe() const { return pe_da_pagina(papel_, m_, altura_papel_); }

    // False when the pass is to stop.
    bool agir(const Item& it)
    {
        switch (it.tipo) {
        case Item::Tipo::Caractere:
            caractere(it);
            return true;
        case Item::Tipo::RetornoCarro:
            return true;
        case Item::Tipo::AvancoLinha: {
            descarregar(it);
            if (linha_encerra())
                return fim_de_pagina(Variante::AvancoLinha);
            descer_linha();
            // The lines after it on a page that is not printed go in bulk.
            if (!selecionada())
                passar_caracteres();
            return true;
        }
        case Item::Tipo::AvancoPagina:
            descarregar(it);
            return fim_de_pagina(Variante::AvancoPagina);
        case Item::Tipo::Comando:
            descarregar(it);
            // A command cut short by the end of the file is not applied; the
            // stream ends right after it.
            return !it.completo || comando(it);
        }
        return true;
    }

    void caractere(const Item& it)
    {
        // Pages outside the range collect their runs too, and flush them
        // with drawing off: a run field is used up and the pen moves as when
        // the page is printed. A run is drawn whole or read through whole:
        // characters that come once the page has left the range are dropped
        // from a run being drawn, and a run read through ends where the range
        // begins.
        const bool sel = selecionada();
        if (sel) {
            if (!corrida_.buffer.isEmpty() && !corrida_visivel_)
                descarregar();
            // This character, then in bulk those that follow it up to the
            // next position where the progress is told: the pass looks at
            // the interruption and the mode again after it.
            const unsigned char primeiro = it.byte;
            tomar_visiveis({&primeiro, 1});
            qint64 pos = it.posicao;
            if (pos % 128 != 0) {
                const qint64 relato = std::min((pos / 128 + 1) * 128, borda_destaque_ - 1);
                const std::span<const unsigned char> resto = leitor_.caracteres(relato - pos);
                tomar_visiveis(resto);
                pos += static_cast<qint64>(resto.size());
            }
            if (pos % 128 == 0)
                relatar_progresso(pos);
            return;
        }
        if (imp_.currentX() < borda_direita() && (corrida_.buffer.isEmpty() || !corrida_visivel_)) {
            corrida_visivel_ = false;
            if (acrescentar_na_corrida(corrida_, it.byte))
                descarregar();
        }
        if (it.posicao % 128 == 0)
            relatar_progresso(it.posicao);
        // The rest of a page that is not printed goes in bulk from here.
        if (!selecionada())
            passar_caracteres();
    }

    // Characters on a printed page into a run that is empty or drawn, as
    // caractere() takes them one by one: each is collected while the pen is
    // left of the right edge, and a full run is drawn at once.
    void tomar_visiveis(std::span<const unsigned char> s)
    {
        while (!s.empty() && imp_.currentX() < borda_direita()) {
            corrida_visivel_ = true;
            if (acrescentar_na_corrida(corrida_, s))
                descarregar();
        }
    }

    bool fim_de_pagina(Variante v)
    {
        if (p_.selecionar_paginas) {
            const bool sel = selecionada();
            if (v == Variante::AvancoPagina)
                obs_.acao(sel ? imprimindo : examinando);
            if (sel)
                imp_.newPage();
            ++p_.pagina;
            if (static_cast<double>(p_.pagina) > p_.ultima_pagina)
                return false;
            if (v != Variante::Comando)
                obs_.acao(static_cast<double>(p_.pagina) < p_.primeira_pagina ? examinando : imprimindo);
            obs_.pagina(QString::number(p_.pagina));
        } else {
            imp_.newPage();
            if (v != Variante::Comando)
                obs_.acao(imprimindo);
            obs_.pagina(QString::number(imp_.page()));
        }
        if (v == Variante::AvancoLinha)
            obs_.processar_eventos();
        imp_.setCurrentX(0);
        imp_.setCurrentY(topo_da_pagina(papel_, m_.altura_linha));
        altura_papel_ = imp_.height();
        tocada_ = false;
        inicio_pendente_ = static_cast<bool>(p_.ao_iniciar_pagina);
        return true;
    }

    // Pen y moves to `y` if that is still on the page; otherwise the page ends.
    bool descer(double y)
    {
        if (!descida_encerra(y, pe())) {
            imp_.setCurrentY(y);
            return true;
        }
        return fim_de_pagina(Variante::Comando);
    }

    // Pen x moves to `x`, at most to the right edge.
    void avancar(double x)
    {
        imp_.setCurrentX(x > static_cast<double>(m_.largura_folha) ? m_.largura_folha : x);
    }

    // After an image or a barcode: down by its height (or to a new page),
    // then right by its width.
    bool mover_apos(double altura, double largura)
    {
        const double y = imp_.currentY() + altura;
        if (descida_encerra(y, pe())) {
            if (!fim_de_pagina(Variante::Comando))
                return false;
        } else {
            imp_.setCurrentY(y);
        }
        avancar(imp_.currentX() + largura);
        return true;
    }

    bool comando(const Item& it)
    {
        const std::int64_t n = it.numeros[0];
        const double cw = m_.largura_caracter, lh = m_.altura_linha;
        switch (it.byte) {
        case '0':
            mensagem_ = cp1252_para_unicode(it.texto);
            obs_.mensagem(mensagem_);
            break;
        case '1':
            estilo_.fonte = cp1252_para_unicode(it.texto);
            estilo_.com_fonte = true;
            imp_.setFontName(estilo_.fonte);
            break;
        case '2':
        case '3':
            estilo_.negrito = it.byte == '2';
            imp_.setFontBold(estilo_.negrito == 1);
            break;
        case '4':
        case '5':
            estilo_.italico = it.byte == '4';
            imp_.setFontItalic(estilo_.italico == 1);
            break;
        case '6':
            if (n > 0) {
                estilo_.tamanho = static_cast<double>(n);
                imp_.setFontSize(estilo_.tamanho);
            }
            break;
        case '7':
        case '8': aplicar_metrica(it, m_); break;
        case '9': return fim_de_pagina(Variante::Comando);
        case 'A':
            aplicar_metrica(it, m_);
            imp_.setHeight(m_.altura_folha);
            break;
        case 'B':
        case 'b':
        case 'L':
        case 'l': {
            const Segmento s = converter_segmento(it.byte, it, cw, lh);
            imp_.setDrawWidth(s.largura);
            // A colour outside the sixteen of the palette skips the line or
            // box, as on the preview: the printed page never differs from it.
            if (s.cor > 15)
                break;
            tocada_ = true;
            if (selecionada())
                imp_.line(s.x1, s.y1, s.x2, s.y2, QBColor(s.cor), s.caixa);
            // The pen ends at the second point on every page, drawn or not:
            // the pages of a range are the pages of the whole report.
            imp_.setCurrentX(s.x2);
            imp_.setCurrentY(s.y2);
            break;
        }
        case 'C':
            // There are sixteen colours; a higher number keeps the colour.
            if (n <= 15) {
                estilo_.cor = static_cast<std::int8_t>(n);
                imp_.setForeColor(QBColor(static_cast<int>(n)));
            }
            break;
        case 'G': return imagem(cp1252_para_unicode(it.texto));
        case 'H': avancar(imp_.currentX() + static_cast<double>(n) * cw); break;
        case 'h': avancar(imp_.currentX() + static_cast<double>(n)); break;
        case 'R':
        case 'r': definir_campo(it.byte, it, cw, corrida_); break;
        case 'V': return descer(imp_.currentY() + static_cast<double>(n) * lh);
        case 'v': return descer(imp_.currentY() + static_cast<double>(n));
        case 'X':
            if (n >= 1)
                avancar(static_cast<double>(n - 1) * cw);
            else
                imp_.setCurrentX(0);
            break;
        case 'x': imp_.setCurrentX(n <= m_.largura_folha ? static_cast<double>(n) : 0.0); break;
        case 'Y': return descer(n >= 1 ? static_cast<double>(n - 1) * lh : 0.0);
        case 'y': return descer(static_cast<double>(n));
        case 'Z': return barra(it.barra);
        default: break; // ESC "D" and "F" were read and are not acted on here
        }
        return true;
    }

    bool imagem(const QString& caminho)
    {
        // Every page lays the picture out by the size its header tells (a
        // file cut short has none); only a page drawn decodes it. Pixels
        // that then do not decode leave the picture's place blank, so that
        // the pages stay the ones found without printing.
        const bool sel = selecionada();
        const QSize tamanho = tamanho_imagem(caminho);
        const double w = tamanho.width() * twips_por_pixel_imagem;
        const double h = tamanho.height() * twips_por_pixel_imagem;
        QString erro;
        QImage figura;
        // Where no window shows it, the printer may take the file as it is.
        const bool tomada = tamanho.isValid() && sel && !obs_.mostra_imagens()
                            && imp_.paintPictureFile(caminho, tamanho, imp_.currentX(), imp_.currentY(), w, h);
        if (!tamanho.isValid())
            medir_imagem(caminho, &erro);
        else if (sel && !tomada)
            figura = p_.imagens->carregar(caminho, &erro);
        if (!erro.isEmpty() && !p_.imagens_com_erro.contains(caminho)) {
            p_.imagens_com_erro.insert(caminho);
            obs_.erro(erro);
        }
        if (!tamanho.isValid())
            return true; // skipped: nothing drawn, the pen stays
        tocada_ = true;
        if (sel && !figura.isNull()) {
            obs_.imagem_mostrar(figura);
            imp_.paintPicture(figura, imp_.currentX(), imp_.currentY(), w, h);
            obs_.imagem_fechar();
        }
        return mover_apos(h, w);
    }

    bool barra(const CamposBarra& campos)
    {
        const Barra b = completar_barra(campos);
        // The pen moves on from where the barcode began, by its size in
        // 1/300 inch (4.8 twips a pixel), whether it was drawn or not and
        // whatever the printer's resolution: the pages of a range are the
        // pages of the whole report, and the page index finds them alike.
        const auto altura = static_cast<double>(b.altura);
        tocada_ = true;
        if (selecionada())
            desenhar_barra(imp_, b);
        const TamanhoBarra t = tamanho_barra(b.padrao, altura, b.largura, b.texto.size());
        return mover_apos(twips_por_pixel_300 * t.h, twips_por_pixel_300 * t.w);
    }

    Leitor leitor_;
    FonteBytes& fonte_;
    Documento& doc_;
    Metricas& m_;
    Corrida& corrida_;
    Superficie& imp_;
    Passagem& p_;
    Observador& obs_;
    const Papel papel_;
    double altura_papel_; // of the page being printed
    bool corrida_visivel_ = false; // the run came on a selected page: it is drawn
    bool tocada_ = false;          // something is drawn, or would be, on this page
    QString mensagem_;             // the last message read
    bool inicio_pendente_ = false; // a page has begun: its start is told after the item
    EstiloTexto estilo_;           // font and colour the stream has set since the pass began
    // The next edge of the search hit (see Passagem::destaque_inicio).
    qint64 borda_destaque_ = p_.destaque_inicio > 0 && p_.destaque_inicio < p_.destaque_fim
                                 ? p_.destaque_inicio
                                 : std::numeric_limits<qint64>::max();
    bool destacando_ = false;
    Descida descida_; // the last way down a page learnt
    static constexpr qint64 bloco_relato = 256 * 1024; // bytes read through between progress reports
    qint64 proximo_relato_ = bloco_relato;
};

} // namespace

double topo_da_pagina(const Papel& papel, double altura_linha)
{
    return papel.trator ? 0.0 : 2.0 * altura_linha;
}

double topo_da_pagina(const Superficie& impressora, double altura_linha)
{
    return topo_da_pagina(Papel{impressora.paperBin() == bandeja_trator, 0}, altura_linha);
}

void so_paginas(Passagem& p)
{
    p.primeira_pagina = p.ultima_pagina = std::numeric_limits<double>::infinity();
}

void imprimir_buffer(Corrida& c, Superficie& imp)
{
    desenhar_corrida(c, imp);
}

void imprimir_passagem(FonteBytes& fonte, Documento& doc, Metricas& metricas, Corrida& corrida,
                       Superficie& impressora, Passagem& passagem, Observador& observador)
{
    Interpretador(fonte, doc, metricas, corrida, impressora, passagem, observador).executar();
}

} // namespace papelada
