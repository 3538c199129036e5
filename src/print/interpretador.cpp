#include "print/interpretador.h"

#include "barcode/barra.h"
#include "stream/comandos.h"
#include "stream/cp1252.h"
#include "stream/leitor.h"
#include "stream/modelo_pagina.h"

#include <algorithm>

namespace papelada {

namespace {

const QString imprimindo = QStringLiteral("Imprimindo a Página");
const QString examinando = QStringLiteral("Examinando a Página");

// How a page end came about: what the window shows, and whether it gets to
// process its events, depends on it.
enum class Variante {
    AvancoLinha,  // a line feed reached the bottom
    AvancoPagina, // form feed
    Comando,      // ESC "9", a move below the page, an image or barcode that reaches it
};

class Interpretador {
public:
    Interpretador(FonteBytes& fonte, Documento& doc, Metricas& m, Corrida& corrida, Superficie& imp,
                  Passagem& passagem, Observador& obs)
        : leitor_(fonte, formas_linguagem()), fonte_(fonte), doc_(doc), m_(m), corrida_(corrida),
          imp_(imp), p_(passagem), obs_(obs),
          papel_{imp.paperBin() == bandeja_trator, -imp.scaleTop()}, altura_papel_(imp.height())
    {
    }

    void executar()
    {
        Item it;
        while (leitor_.proximo(it)) {
            if (doc_.interromper == 1)
                break;
            if (!agir(it))
                return; // the last selected page has ended: its page end flushed the run
        }
        descarregar();
    }

private:
    // Flushes the run, drawn only when it came on a selected page.
    void descarregar()
    {
        imp_.setDesenho(corrida_visivel_);
        imprimir_buffer(corrida_, imp_);
        imp_.setDesenho(true);
        corrida_visivel_ = false;
    }

    bool selecionada() const
    {
        return !p_.selecionar_paginas
               || (p_.primeira_pagina <= static_cast<double>(p_.pagina)
                   && static_cast<double>(p_.pagina) <= p_.ultima_pagina);
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
            descarregar();
            if (avanco_encerra(imp_.currentY(), pe(), m_))
                return fim_de_pagina(Variante::AvancoLinha);
            imp_.setCurrentY(imp_.currentY() + m_.altura_linha);
            imp_.setCurrentX(0);
            return true;
        }
        case Item::Tipo::AvancoPagina:
            descarregar();
            return fim_de_pagina(Variante::AvancoPagina);
        case Item::Tipo::Comando:
            descarregar();
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
        if (!corrida_.buffer.isEmpty() && sel && !corrida_visivel_)
            descarregar();
        if (imp_.currentX() < static_cast<double>(m_.largura_folha) - m_.largura_caracter
            && (corrida_.buffer.isEmpty() || sel == corrida_visivel_)) {
            corrida_visivel_ = sel;
            if (acrescentar_na_corrida(corrida_, it.byte))
                descarregar();
        }
        if (it.posicao % 128 == 0) {
            const qint64 total = fonte_.tamanho();
            obs_.progresso(total > 0 ? std::min(1.0, static_cast<double>(it.posicao) / total) : 1.0);
            obs_.processar_eventos();
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
        case '0': obs_.mensagem(cp1252_para_unicode(it.texto)); break;
        case '1': imp_.setFontName(cp1252_para_unicode(it.texto)); break;
        case '2': imp_.setFontBold(true); break;
        case '3': imp_.setFontBold(false); break;
        case '4': imp_.setFontItalic(true); break;
        case '5': imp_.setFontItalic(false); break;
        case '6':
            if (n > 0)
                imp_.setFontSize(static_cast<double>(n));
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
            if (n <= 15)
                imp_.setForeColor(QBColor(static_cast<int>(n)));
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
        QString erro;
        const QImage figura = p_.imagens.carregar(caminho, &erro);
        if (figura.isNull()) {
            // Skipped: nothing drawn, the pen stays.
            if (!p_.imagens_com_erro.contains(caminho)) {
                p_.imagens_com_erro.insert(caminho);
                obs_.erro(erro);
            }
            return true;
        }
        const double w = figura.width() * twips_por_pixel_imagem;
        const double h = figura.height() * twips_por_pixel_imagem;
        obs_.imagem_mostrar(figura);
        if (selecionada())
            imp_.paintPicture(figura, imp_.currentX(), imp_.currentY(), w, h);
        obs_.imagem_fechar();
        return mover_apos(h, w);
    }

    bool barra(const CamposBarra& campos)
    {
        Barra b = completar_barra(campos);
        // The pen moves on from where the barcode began, by its size in
        // 1/300 inch (4.8 twips a pixel), whether it was drawn or not and
        // whatever the printer's resolution: the pages of a range are the
        // pages of the whole report, and the page index finds them alike.
        const double x = imp_.currentX(), y = imp_.currentY();
        const auto altura = static_cast<double>(b.altura);
        if (selecionada()) {
            imprimir_barra(imp_, b.padrao, b.altura, b.largura, b.texto);
            imp_.setCurrentX(x);
            imp_.setCurrentY(y);
        }
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
};

} // namespace

double topo_da_pagina(const Superficie& impressora, double altura_linha)
{
    return topo_da_pagina(Papel{impressora.paperBin() == bandeja_trator, 0}, altura_linha);
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
