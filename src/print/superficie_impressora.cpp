#include "print/superficie_impressora.h"

#include "stream/superficie_estado.h"

#include "analysis/papel.h"
#include "pdf/escritor.h"
#include "print/fluxo_cups.h"
#include "stream/politica_imagens.h"
#include "stream/arquivo_saida.h"

#include <QDir>
#include <QFileInfo>
#include <QTextLayout>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cups/cups.h>
#include <unistd.h>

// The queue's input slots are read from its PPD, whose interface CUPS marks
// as deprecated; nothing else offers the slots' texts.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

namespace papelada {

namespace {

struct Destinos {
    cups_dest_t* lista = nullptr;
    int quantos = 0;
    Destinos() { quantos = cupsGetDests2(CUPS_HTTP_DEFAULT, &lista); }
    ~Destinos() { cupsFreeDests(quantos, lista); }
    const cups_dest_t* achar(const QString& nome) const
    {
        const QByteArray n = nome.toUtf8();
        for (int i = 0; i < quantos; ++i)
            if (!lista[i].instance && n == lista[i].name)
                return &lista[i];
        return nullptr;
    }
};

// The input slots (name, text) of a queue's PPD; none when the queue has no
// PPD or it cannot be read.
QList<std::pair<QString, QString>> bandejas_da_fila(const QByteArray& fila)
{
    QList<std::pair<QString, QString>> bandejas;
    char caminho[1024] = "";
    time_t quando = 0;
    if (cupsGetPPD3(CUPS_HTTP_DEFAULT, fila.constData(), &quando, caminho, sizeof caminho) != HTTP_STATUS_OK)
        return bandejas;
    if (ppd_file_t* ppd = ppdOpenFile(caminho)) {
        if (ppd_option_t* opcao = ppdFindOption(ppd, "InputSlot"))
            for (int i = 0; i < opcao->num_choices; ++i)
                bandejas.append({QString::fromUtf8(opcao->choices[i].choice),
                                 QString::fromUtf8(opcao->choices[i].text)});
        ppdClose(ppd);
    }
    ::unlink(caminho);
    return bandejas;
}
#pragma GCC diagnostic pop

// The job's options: the paper of the document's pages (`folha`, twips) as
// `media`, turned upright with the page's orientation beside it; the page
// printed as it is, neither scaled to the sheet nor centred on it (a
// preprinted form must meet its fields on whatever paper the queue holds); and
// the tractor feed of the queue for continuous forms, where it has one.
int opcoes_do_trabalho(const QByteArray& fila, QSizeF folha, bool trator, cups_option_t** opcoes)
{
    int n = 0;
    const auto centesimos_mm = [](double twips) { return static_cast<int>(std::lround(twips * 2540.0 / 1440.0)); };
    const bool deitada = folha.width() > folha.height();
    const pwg_media_t* midia = pwgMediaForSize(centesimos_mm(std::min(folha.width(), folha.height())),
                                               centesimos_mm(std::max(folha.width(), folha.height())));
    if (midia)
        n = cupsAddOption("media", midia->pwg, n, opcoes);
    n = cupsAddOption("orientation-requested", deitada ? "4" : "3", n, opcoes);
    n = cupsAddOption("print-scaling", "none", n, opcoes);
    n = cupsAddOption("position", "top-left", n, opcoes);
    if (trator) {
        const QString bandeja = bandeja_continua(bandejas_da_fila(fila));
        if (!bandeja.isEmpty())
            n = cupsAddOption("InputSlot", bandeja.toUtf8().constData(), n, opcoes);
    }
    return n;
}

} // namespace

QString bandeja_continua(const QList<std::pair<QString, QString>>& bandejas)
{
    static const QRegularExpression continua(QStringLiteral("tractor|trator|continu|contínu|fanfold"),
                                             QRegularExpression::CaseInsensitiveOption);
    for (const auto& [nome, texto] : bandejas)
        if (nome.contains(continua) || texto.contains(continua))
            return nome;
    return {};
}

QStringList impressoras_instaladas()
{
    QStringList nomes;
    Destinos d;
    for (int i = 0; i < d.quantos; ++i)
        if (!d.lista[i].instance)
            nomes << QString::fromUtf8(d.lista[i].name);
    nomes << impressora_pdf;
    return nomes;
}

QString impressora_padrao_sistema()
{
    Destinos d;
    for (int i = 0; i < d.quantos; ++i)
        if (d.lista[i].is_default && !d.lista[i].instance)
            return QString::fromUtf8(d.lista[i].name);
    return {};
}

SuperficieImpressora::SuperficieImpressora(const QString& nome)
    : SuperficieGlifos(300), folha_(twips_papel(QPageSize(QPageSize::A4)))
{
    QString escolhido = nome;
    if (escolhido.isEmpty())
        escolhido = impressora_padrao_sistema();
    if (escolhido.isEmpty() || !selectPrinter(escolhido))
        selectPrinter(impressora_pdf);
}

SuperficieImpressora::SuperficieImpressora(const SuperficieImpressora& modelo, Gravador& gravador)
    : SuperficieGlifos(modelo.dpi_), gravador_(&gravador)
{
    nome_ = modelo.nome_;
    adotar_estado(modelo);
}

SuperficieImpressora::~SuperficieImpressora()
{
    descartar();
}

void SuperficieImpressora::adotar_estado(const SuperficieImpressora& outra)
{
    // Resolution, scale, pen, font, colour and lines: all a surface keeps.
    SuperficieBase::operator=(outra);
    fonte_alterada();
    papel_ = outra.papel_;
    bandeja_ = outra.bandeja_;
    orientacao_ = outra.orientacao_;
    folha_ = outra.folha_;
    altura_forcada_ = outra.altura_forcada_;
}

void SuperficieImpressora::setResolucao(int dpi)
{
    if (!documentoAberto() && dpi >= 72 && dpi <= 4800)
        dpi_ = dpi;
}

bool SuperficieImpressora::selectPrinter(const QString& nome)
{
    if (nome == impressora_pdf) {
        nome_ = nome;
        return true;
    }
    Destinos d;
    if (!d.achar(nome))
        return false;
    nome_ = nome;
    adotar_padroes_da_fila();
    return true;
}

void SuperficieImpressora::adotar_padroes_da_fila()
{
    Destinos d;
    const cups_dest_t* dest = d.achar(nome_);
    if (!dest)
        return;
    if (const QPageSize papel = papel_padrao_da_fila(nome_); papel.isValid())
        setPapel(papel);
    if (const char* res = cupsGetOption("printer-resolution", dest->num_options, dest->options)) {
        const int dpi = QString::fromUtf8(res).section(QLatin1Char('x'), 0, 0).remove(QStringLiteral("dpi")).toInt();
        if (dpi >= 72 && dpi <= 4800 && !documentoAberto())
            dpi_ = dpi;
    }
}

void SuperficieImpressora::setPaperSize(int codigo)
{
    const QSizeF tamanho = tamanho_papel(codigo);
    if (tamanho.isEmpty())
        return; // codes the system does not know leave the paper as it is
    papel_ = codigo;
    folha_ = tamanho;
    altura_forcada_ = 0;
}

void SuperficieImpressora::setPapel(const QPageSize& papel)
{
    const int codigo = papel.windowsId();
    papel_ = papel.id() != QPageSize::Custom && codigo >= 1 && codigo <= 41 ? codigo : 256;
    folha_ = twips_papel(papel);
    altura_forcada_ = 0;
}

void SuperficieImpressora::setOrientation(int o)
{
    if (o == orientacao_retrato || o == orientacao_paisagem)
        orientacao_ = o;
}

double SuperficieImpressora::width() const
{
    return orientacao_ == orientacao_paisagem ? folha_.height() : folha_.width();
}

double SuperficieImpressora::height() const
{
    if (altura_forcada_ > 0)
        return altura_forcada_;
    return orientacao_ == orientacao_paisagem ? folha_.width() : folha_.height();
}

void SuperficieImpressora::setHeight(double twips)
{
    // A page length from a report: at least a line of a tenth of an inch,
    // at most 200 inches (the largest page a PDF viewer accepts).
    if (!std::isfinite(twips))
        return;
    // The page being drawn keeps its size; the next one takes this.
    altura_forcada_ = altura_do_papel(twips);
}

pdf::Escritor* SuperficieImpressora::pagina(QSizeF tamanho)
{
    if (falhou_)
        return nullptr;
    if (!escritor_) {
        if (nome_ == impressora_pdf && dispositivo_saida_) {
            fila_por_iniciar_ = false;
        } else if (nome_ == impressora_pdf) {
            if (arquivo_saida_.isEmpty()) {
                erro_ = QStringLiteral("Nenhum arquivo foi indicado para a impressora \"%1\".").arg(nome_);
                falhou_ = true;
                return nullptr;
            }
            auto arquivo = std::make_unique<ArquivoSaida>(arquivo_saida_);
            if (!arquivo->abrir(&erro_, {entrada_})) {
                falhou_ = true;
                return nullptr;
            }
            destino_ = std::move(arquivo);
            fila_por_iniciar_ = false;
        } else {
            // The job's options follow the first page's paper.
            const QByteArray fila = nome_.toUtf8();
            cups_option_t* opcoes = nullptr;
            const int n = opcoes_do_trabalho(fila, tamanho, bandeja_ == bandeja_trator, &opcoes);
            destino_ = std::make_unique<FluxoCups>(nome_, titulo_, n, opcoes);
            fila_por_iniciar_ = true;
        }
        escritor_ = std::make_unique<pdf::Escritor>(destino_ ? destino_.get() : dispositivo_saida_, titulo_,
                                                    fios_escritor_);
        folha_documento_ = tamanho;
        escritor_->iniciar_pagina(tamanho.width(), tamanho.height());
    }
    // Pages ended with NewPage begin when something is drawn on them, so
    // that a NewPage followed by EndDoc leaves no blank page.
    for (; paginas_pendentes_ > 0; --paginas_pendentes_)
        escritor_->iniciar_pagina(tamanho.width(), tamanho.height());
    // The first page is done once a second one begins: from then on the queue
    // holds the job and takes the pages as they end.
    if (fila_por_iniciar_ && escritor_->paginas() > 1) {
        auto* fluxo = static_cast<FluxoCups*>(destino_.get());
        if (!fluxo->iniciado() && !fluxo->iniciar()) {
            erro_ = fluxo->errorString();
            falhou_ = true;
            return nullptr;
        }
        fila_por_iniciar_ = false;
    }
    if (escritor_->falhou()) {
        erro_ = erro_de_escrita();
        falhou_ = true;
        return nullptr;
    }
    return escritor_.get();
}

void SuperficieImpressora::desenhar_glifos(QPointF topo, const QString& texto, const Disposicao* d)
{
    // A recording printer records what the document's printer writes.
    GravacaoPagina* g = gravacao();
    pdf::Escritor* e = g ? nullptr : pagina();
    if ((!g && !e) || texto.isEmpty())
        return;
    const QPointF base(topo.x(), topo.y() + ascendente());
    if (!d) {
        // Characters the font lacks, or a style it has no face for.
        if (g)
            g->texto_composto(descricao_atual(), texto, base, cor_);
        else
            escrever_texto_composto(*e, fonte_qt(), texto, base, cor_);
        return;
    }
    if (g)
        g->glifos(descricao_atual(), d->indices, posicoes(*d), d->caracteres, d->n, base, cor_,
                  negrito_sintetico(), italico_sintetico());
    else
        e->glifos(fonte_crua(), d->indices, nullptr, d->caracteres, d->n, base, cor_, negrito_sintetico(),
                  italico_sintetico(), true);
    tracos_do_texto(metricas(), fonte_.sublinhado, fonte_.riscado, base, d->largura, [&](const QRectF& r) {
        if (g)
            g->retangulo_cheio(r, cor_);
        else
            e->retangulo_cheio(r, cor_);
    });
}

GravacaoPagina* SuperficieImpressora::gravacao()
{
    if (!gravador_)
        return nullptr;
    GravacaoPagina& g = gravador_->pagina_atual();
    if (!g.tocada) {
        g.tocada = true;
        g.tamanho = QSizeF(width(), height());
    }
    return &g;
}

void SuperficieImpressora::desenhar_linha(QPointF a, QPointF b, const QColor& cor, bool caixa)
{
    GravacaoPagina* g = gravacao();
    pdf::Escritor* e = g ? nullptr : pagina();
    if (!g && !e)
        return;
    // Widths are in device pixels. A line of odd width is centred on the
    // middle of its pixels, as the device draws one-pixel lines.
    const double d = (largura_linha_ % 2) ? meio_pixel() : 0.0;
    const QPointF desvio(d, d);
    const double largura = largura_linha_ * 1440.0 / dpi_;
    const bool pontilhada = estilo_ == EstiloLinha::Pontilhado;
    if (g)
        g->linha(a + desvio, b + desvio, cor, largura, pontilhada, caixa);
    else
        e->linha(a + desvio, b + desvio, cor, largura, pontilhada, caixa);
}

void SuperficieImpressora::desenhar_imagem(const QImage& imagem, const QRectF& destino, bool)
{
    // A PDF page has no raster operations: SRCAND draws the picture as it is.
    GravacaoPagina* g = gravacao();
    pdf::Escritor* e = g ? nullptr : pagina();
    if (imagem.isNull())
        return;
    if (g)
        g->imagem(imagem, destino);
    else if (e)
        e->imagem(imagem, destino);
}

bool SuperficieImpressora::paintPictureFile(const QString& caminho, QSize tamanho, double x, double y, double w,
                                            double h)
{
    if (!desenho_)
        return true;
    // Recorded pages, and a server's pictures, go from their checked pixels.
    if (gravador_ || politica_imagens().pasta_permitida)
        return false;
    pdf::Escritor* e = pagina();
    const double u = unidades_por_twip();
    return e && e->imagem_png(caminho, tamanho, QRectF(para_twips_x(x), para_twips_y(y), w / u, h / u));
}

void SuperficieImpressora::reproduzir(const GravacaoPagina& pagina_gravada)
{
    if (!pagina_gravada.tocada)
        return;
    pdf::Escritor* e = pagina(pagina_gravada.tamanho);
    if (!e)
        return;
    // A page laid out whole by the thread that drew it is taken as it is
    // when nothing else goes on it (it ends with it).
    if (pagina_gravada.tem_prevista && pagina_gravada.terminou
        && e->adotar_pagina(pagina_gravada.prevista, pagina_gravada.faces(fontes_cruas_)))
        return;
    pagina_gravada.reproduzir(*e, fontes_cruas_);
}

void SuperficieImpressora::newPage()
{
    // Nothing drawn yet on the first page: that page still counts, so a
    // NewPage here leaves it blank once something follows.
    ++paginas_pendentes_;
    ++pagina_;
    pena_x_ = para_twips_x(0);
    pena_y_ = para_twips_y(0);
}

QString SuperficieImpressora::erro_de_escrita() const
{
    // A file of the user's says which file and why.
    if (const auto* a = dynamic_cast<const ArquivoSaida*>(destino_.get()); a && !a->erro().isEmpty())
        return a->erro();
    return QStringLiteral("Não foi possível gravar o documento: %1.").arg(escritor_->erro());
}

void SuperficieImpressora::descartar()
{
    escritor_.reset();
    destino_.reset(); // an unfinished PDF file is removed
    pagina_ = 1;
    altura_forcada_ = 0;
    paginas_pendentes_ = 0;
    paginas_documento_ = 0;
    falhou_ = false;
}

bool SuperficieImpressora::endDoc()
{
    paginas_entregues_ = 0;
    if (falhou_) {
        // The message of the failure stays for the caller.
        const QString motivo = erro_.isEmpty() ? QStringLiteral("A impressão falhou.") : erro_;
        descartar();
        erro_ = motivo;
        return false;
    }
    erro_.clear();
    // Every page begun is a page, blank or not, except the one that the last
    // NewPage began: a form fed out by form feeds ejects its last sheet, and
    // EndDoc right after a NewPage adds no page.
    if (paginas_pendentes_ > 0 && (--paginas_pendentes_ > 0 || !escritor_) && !pagina())
        return endDoc(); // the document could not be written: reported as such
    if (!escritor_) {
        descartar();
        return true; // nothing was drawn: there is no document to hand over
    }
    bool ok = escritor_->terminar();
    if (!ok)
        erro_ = erro_de_escrita();
    paginas_documento_ = escritor_->paginas();
    escritor_.reset();
    if (!ok) {
        descartar();
        return false;
    }
    if (auto* arquivo = dynamic_cast<ArquivoSaida*>(destino_.get())) {
        ok = arquivo->concluir(&erro_);
    } else if (auto* fluxo = dynamic_cast<FluxoCups*>(destino_.get())) {
        if (!fluxo->concluir()) {
            erro_ = fluxo->errorString();
            ok = false;
        }
    }
    destino_.reset();
    pagina_ = 1;
    altura_forcada_ = 0; // a page length lasts to the end of its document
    paginas_pendentes_ = 0;
    paginas_entregues_ = ok ? paginas_documento_ : 0;
    paginas_documento_ = 0;
    return ok;
}

QString SuperficieImpressora::falha_de_escrita() const
{
    const auto* a = dynamic_cast<const ArquivoSaida*>(destino_.get());
    return a && a->falhou() ? a->erro() : QString();
}

void SuperficieImpressora::killDoc()
{
    descartar();
}

} // namespace papelada
