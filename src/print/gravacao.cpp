#include "print/gravacao.h"

#include "pdf/escritor.h"
#include "stream/politica_imagens.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QTextLayout>

namespace papelada {

const QRawFont& FontesCruas::fonte(const DescricaoFonte& descricao)
{
    for (const auto& [d, f] : fontes_)
        if (d == descricao)
            return f;
    fontes_.emplace_back(descricao, QRawFont::fromFont(descricao.fonte_qt()));
    return fontes_.back().second;
}

void escrever_texto_composto(pdf::Escritor& e, const QFont& fonte, const QString& texto, QPointF base,
                             const QColor& cor)
{
    QTextLayout disposicao(texto, fonte);
    QTextOption opcao;
    opcao.setWrapMode(QTextOption::NoWrap);
    disposicao.setTextOption(opcao);
    disposicao.beginLayout();
    QTextLine linha = disposicao.createLine();
    disposicao.endLayout();
    if (!linha.isValid())
        return;
    // Glyph positions are on the line's baseline.
    const QPointF origem(base.x(), base.y() - linha.ascent());
    // The line's runs come in the order of the text; the layout's own list
    // merges them by font in an order that changes from run to run.
    for (const QGlyphRun& corrida : linha.glyphRuns()) {
        const QRawFont crua = corrida.rawFont();
        const QList<quint32> gs = corrida.glyphIndexes();
        const QList<QPointF> ps = corrida.positions();
        // The character each glyph stands for, where one glyph is one
        // character of the text.
        QHash<quint32, char16_t> caractere_de;
        for (QChar c : texto) {
            const QList<quint32> g = crua.glyphIndexesForString(QString(c));
            if (g.size() == 1 && g[0] != 0)
                caractere_de.insert(g[0], c.unicode());
        }
        std::vector<char16_t> cs;
        for (quint32 g : gs)
            cs.push_back(caractere_de.value(g));
        const EstiloFace estilo = estilo_da_face(crua);
        e.glifos(crua, gs.constData(), ps.constData(), cs.data(), gs.size(), origem, cor,
                 fonte.bold() && !estilo.negrito, fonte.italic() && !estilo.italico);
    }
    tracos_do_texto(QFontMetricsF(fonte), fonte.underline(), fonte.strikeOut(), base, linha.horizontalAdvance(),
                    [&](const QRectF& r) { e.retangulo_cheio(r, cor); });
}

int GravacaoPagina::indice_fonte(const DescricaoFonte& fonte)
{
    // A page goes back and forth between few fonts: the last one first.
    for (auto i = fontes_.size(); i-- > 0;)
        if (fontes_[i] == fonte)
            return static_cast<int>(i);
    fontes_.push_back(fonte);
    return static_cast<int>(fontes_.size() - 1);
}

void GravacaoPagina::glifos(const DescricaoFonte& fonte, const quint32* indices, const char16_t* caracteres,
                            qsizetype n, QPointF origem, const QColor& cor, bool negrito, bool italico)
{
    Operacao op(Operacao::Tipo::Glifos);
    op.indice = indice_fonte(fonte);
    op.inicio = static_cast<qsizetype>(indices_.size());
    op.n = n;
    op.a = origem;
    op.cor = cor;
    op.negrito = negrito;
    op.italico = italico;
    indices_.insert(indices_.end(), indices, indices + n);
    caracteres_.insert(caracteres_.end(), caracteres, caracteres + n);
    operacoes_.push_back(op);
}

void GravacaoPagina::texto_composto(const DescricaoFonte& fonte, const QString& texto, QPointF base,
                                    const QColor& cor)
{
    Operacao op(Operacao::Tipo::Composto);
    op.indice = indice_fonte(fonte);
    op.inicio = static_cast<qsizetype>(textos_.size());
    op.a = base;
    op.cor = cor;
    textos_.push_back(texto);
    operacoes_.push_back(op);
}

void GravacaoPagina::retangulo_cheio(const QRectF& r, const QColor& cor)
{
    Operacao op(Operacao::Tipo::Retangulo);
    op.a = r.topLeft();
    op.b = QPointF(r.width(), r.height());
    op.cor = cor;
    operacoes_.push_back(op);
}

void GravacaoPagina::linha(QPointF a, QPointF b, const QColor& cor, double largura, bool pontilhada, bool caixa)
{
    Operacao op(Operacao::Tipo::Linha);
    op.a = a;
    op.b = b;
    op.cor = cor;
    op.largura = largura;
    op.negrito = pontilhada;
    op.italico = caixa;
    operacoes_.push_back(op);
}

void GravacaoPagina::imagem(const QImage& imagem, const QRectF& destino)
{
    Operacao op(Operacao::Tipo::Imagem);
    op.inicio = static_cast<qsizetype>(imagens_.size());
    op.a = destino.topLeft();
    op.b = QPointF(destino.width(), destino.height());
    imagens_.push_back(imagem);
    operacoes_.push_back(op);
}

void GravacaoPagina::imagem_png(const QString& caminho, QSize tamanho, const QRectF& destino)
{
    Operacao op(Operacao::Tipo::Png);
    op.inicio = static_cast<qsizetype>(arquivos_.size());
    op.a = destino.topLeft();
    op.b = QPointF(destino.width(), destino.height());
    arquivos_.emplace_back(caminho, tamanho);
    operacoes_.push_back(op);
}

void GravacaoPagina::falha_imagem(const QString& caminho, const QString& motivo)
{
    Operacao op(Operacao::Tipo::Falha);
    op.inicio = static_cast<qsizetype>(arquivos_.size());
    op.n = static_cast<qsizetype>(textos_.size());
    arquivos_.emplace_back(caminho, QSize());
    textos_.push_back(motivo);
    operacoes_.push_back(op);
}

void GravacaoPagina::contar_falhas(ImagensDoTrabalho& imagens) const
{
    for (const Operacao& op : operacoes_)
        if (op.tipo == Operacao::Tipo::Falha)
            imagens.falhou(arquivos_[static_cast<size_t>(op.inicio)].first, textos_[static_cast<size_t>(op.n)]);
}

std::vector<QRawFont> GravacaoPagina::faces(FontesCruas& fontes) const
{
    std::vector<QRawFont> faces;
    faces.reserve(fontes_.size());
    for (const DescricaoFonte& d : fontes_)
        faces.push_back(fontes.fonte(d));
    return faces;
}

void GravacaoPagina::reproduzir(pdf::Escritor& e, FontesCruas& fontes, ImagensDoTrabalho* imagens) const
{
    const std::vector<QRawFont> cruas = faces(fontes);
    for (const Operacao& op : operacoes_) {
        const QRectF caixa(op.a, QSizeF(op.b.x(), op.b.y()));
        switch (op.tipo) {
        case Operacao::Tipo::Glifos: {
            const auto i = static_cast<size_t>(op.inicio);
            e.etiquetar_fonte(op.indice);
            e.glifos(cruas[static_cast<size_t>(op.indice)], indices_.data() + i, nullptr, caracteres_.data() + i, op.n,
                     op.a, op.cor, op.negrito, op.italico);
            break;
        }
        case Operacao::Tipo::Composto:
            escrever_texto_composto(e, fontes_[static_cast<size_t>(op.indice)].fonte_qt(),
                                    textos_[static_cast<size_t>(op.inicio)], op.a, op.cor);
            break;
        case Operacao::Tipo::Retangulo:
            e.retangulo_cheio(caixa, op.cor);
            break;
        case Operacao::Tipo::Linha:
            e.linha(op.a, op.b, op.cor, op.largura, op.negrito, op.italico);
            break;
        case Operacao::Tipo::Imagem:
            e.imagem(imagens_[static_cast<size_t>(op.inicio)], caixa);
            break;
        case Operacao::Tipo::Png: {
            const auto& [caminho, tamanho] = arquivos_[static_cast<size_t>(op.inicio)];
            if (!e.imagem_png(caminho, tamanho, caixa) && imagens)
                e.imagem(imagens->decodificar(caminho), caixa);
            break;
        }
        case Operacao::Tipo::Falha:
            if (imagens)
                imagens->falhou(arquivos_[static_cast<size_t>(op.inicio)].first, textos_[static_cast<size_t>(op.n)]);
            break;
        }
    }
}

void GravacaoPagina::prever(pdf::Escritor& e, FontesCruas& fontes)
{
    tem_prevista = false;
    for (const Operacao& op : operacoes_)
        if (op.tipo == Operacao::Tipo::Composto)
            return;
    e.iniciar_pagina(tamanho.width(), tamanho.height());
    reproduzir(e, fontes, nullptr);
    e.concluir_previsao(prevista);
    tem_prevista = true;
}

GravacaoPagina& GravacaoPaginas::atual()
{
    if (paginas.empty())
        paginas.emplace_back();
    return paginas.back();
}

bool GravacaoPaginas::pagina(QSizeF tamanho)
{
    GravacaoPagina& g = atual();
    if (!g.tocada) {
        g.tocada = true;
        g.tamanho = tamanho;
    }
    return true;
}

bool GravacaoPaginas::imagem_png(const QString& caminho, QSize tamanho, const QRectF& destino)
{
    if (!png_sem_decodificar(caminho, tamanho))
        return false;
    atual().imagem_png(caminho, tamanho, destino);
    return true;
}

void GravacaoPaginas::nova_pagina()
{
    atual().terminou = true;
    paginas.emplace_back();
}

} // namespace papelada
