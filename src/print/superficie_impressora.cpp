#include "print/superficie_impressora.h"

#include "stream/superficie_estado.h"

#include "analysis/papel.h"
#include "pdf/escritor.h"
#include "print/biblioteca_cups.h"
#include "print/fluxo_cups.h"
#include "stream/politica_imagens.h"
#include "stream/arquivo_saida.h"

#include <QDir>
#include <QFileInfo>
#include <QTextLayout>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace papelada {

namespace {

// The system's queues; none when the print service's library is missing, as
// when its scheduler cannot be reached.
struct Destinos {
    const LibCups* cups = libcups();
    cups_dest_t* lista = nullptr;
    int quantos = 0;
    Destinos()
    {
        if (cups)
            quantos = cups->cupsGetDests2(CUPS_HTTP_DEFAULT, &lista);
    }
    ~Destinos()
    {
        if (cups)
            cups->cupsFreeDests(quantos, lista);
    }
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
QList<std::pair<QString, QString>> bandejas_da_fila(const LibCups& c, const QByteArray& fila)
{
    QList<std::pair<QString, QString>> bandejas;
    char caminho[1024] = "";
    time_t quando = 0;
    if (c.cupsGetPPD3(CUPS_HTTP_DEFAULT, fila.constData(), &quando, caminho, sizeof caminho) != HTTP_STATUS_OK)
        return bandejas;
    if (ppd_file_t* ppd = c.ppdOpenFile(caminho)) {
        if (ppd_option_t* opcao = c.ppdFindOption(ppd, "InputSlot"))
            for (int i = 0; i < opcao->num_choices; ++i)
                bandejas.append({QString::fromUtf8(opcao->choices[i].choice),
                                 QString::fromUtf8(opcao->choices[i].text)});
        c.ppdClose(ppd);
    }
    ::unlink(caminho);
    return bandejas;
}

// The job's options: the paper of the document's pages (`folha`, twips) as
// `media`, turned upright with the page's orientation beside it; the page
// printed as it is, neither scaled to the sheet nor centred on it (a
// preprinted form must meet its fields on whatever paper the queue holds); and
// the tractor feed of the queue for continuous forms, where it has one. None
// without the print service's library, which the job then reports.
int opcoes_do_trabalho(const QByteArray& fila, QSizeF folha, bool trator, cups_option_t** opcoes)
{
    const LibCups* c = libcups();
    if (!c)
        return 0;
    int n = 0;
    const auto centesimos_mm = [](double twips) { return static_cast<int>(std::lround(twips * 2540.0 / 1440.0)); };
    const bool deitada = folha.width() > folha.height();
    const pwg_media_t* midia = c->pwgMediaForSize(centesimos_mm(std::min(folha.width(), folha.height())),
                                                  centesimos_mm(std::max(folha.width(), folha.height())));
    if (midia)
        n = c->cupsAddOption("media", midia->pwg, n, opcoes);
    n = c->cupsAddOption("orientation-requested", deitada ? "4" : "3", n, opcoes);
    n = c->cupsAddOption("print-scaling", "none", n, opcoes);
    n = c->cupsAddOption("position", "top-left", n, opcoes);
    if (trator) {
        const QString bandeja = bandeja_continua(bandejas_da_fila(*c, fila));
        if (!bandeja.isEmpty())
            n = c->cupsAddOption("InputSlot", bandeja.toUtf8().constData(), n, opcoes);
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

// The document the printer writes: a PDF file, a device of the caller's or
// a CUPS job, opened when the first page begins.
class SuperficieImpressora::DocumentoPdf final : public DestinoPaginas {
public:
    explicit DocumentoPdf(const SuperficieImpressora& impressora) : p_(impressora) {}
    ~DocumentoPdf() override { descartar(); }

    bool pagina(QSizeF tamanho) override { return escritor(tamanho) != nullptr; }
    void glifos(const DescricaoFonte&, const QRawFont& face, const quint32* indices, const QPointF* posicoes,
                const char16_t* caracteres, qsizetype n, QPointF origem, const QColor& cor, bool negrito,
                bool italico) override
    {
        escritor_->glifos(face, indices, posicoes, caracteres, n, origem, cor, negrito, italico, posicoes == nullptr);
    }
    bool imagem_png(const QString& caminho, QSize tamanho, const QRectF& destino) override
    {
        return escritor_->imagem_png(caminho, tamanho, destino);
    }
    void texto_composto(const DescricaoFonte& fonte, const QString& texto, QPointF base, const QColor& cor) override
    {
        escrever_texto_composto(*escritor_, fonte.fonte_qt(), texto, base, cor);
    }
    void retangulo_cheio(const QRectF& r, const QColor& cor) override { escritor_->retangulo_cheio(r, cor); }
    void linha(QPointF a, QPointF b, const QColor& cor, double largura, bool pontilhada, bool caixa) override
    {
        escritor_->linha(a, b, cor, largura, pontilhada, caixa);
    }
    void imagem(const QImage& imagem, const QRectF& destino) override { escritor_->imagem(imagem, destino); }
    // Pages ended begin when something is drawn on them, so that a page end
    // followed by the document's end leaves no blank page.
    void nova_pagina() override { ++paginas_pendentes_; }

    void reproduzir(const GravacaoPagina& g, ImagensDoTrabalho& imagens)
    {
        pdf::Escritor* e = g.tocada ? escritor(g.tamanho) : nullptr;
        // A page laid out whole by the thread that drew it is taken as it is
        // when nothing else goes on it (it ends with it).
        if (e && !(g.tem_prevista && g.terminou && e->adotar_pagina(g.prevista, g.faces(fontes_cruas_))))
            g.reproduzir(*e, fontes_cruas_, &imagens);
        else
            g.contar_falhas(imagens);
        if (g.terminou)
            nova_pagina();
    }

    // Hands the document over; `tamanho` is the printer's page now.
    bool encerrar(QSizeF tamanho);
    void descartar()
    {
        escritor_.reset();
        arquivo_.reset(); // an unfinished PDF file is removed
        fluxo_.reset();
        paginas_pendentes_ = 0;
        falhou_ = false;
    }
    bool aberto() const { return escritor_ != nullptr; }
    QString falha_de_escrita() const { return arquivo_ && arquivo_->falhou() ? arquivo_->erro() : QString(); }

    QString erro_;
    int paginas_entregues_ = 0;

private:
    // The document, with the page being drawn begun (of `tamanho`, twips,
    // when it begins now); null when it cannot be written.
    pdf::Escritor* escritor(QSizeF tamanho);
    QString erro_de_escrita() const
    {
        // A file of the user's says which file and why.
        if (arquivo_ && !arquivo_->erro().isEmpty())
            return arquivo_->erro();
        return QStringLiteral("Não foi possível gravar o documento: %1.").arg(escritor_->erro());
    }

    const SuperficieImpressora& p_;
    std::unique_ptr<ArquivoSaida> arquivo_;
    std::unique_ptr<FluxoCups> fluxo_;
    bool fila_por_iniciar_ = false; // fluxo_ is a CUPS job that has not begun
    std::unique_ptr<pdf::Escritor> escritor_;
    int paginas_pendentes_ = 0; // page ends not yet materialised
    bool falhou_ = false;
    // The faces that recorded pages are written in.
    FontesCruas fontes_cruas_;
};

pdf::Escritor* SuperficieImpressora::DocumentoPdf::escritor(QSizeF tamanho)
{
    if (falhou_)
        return nullptr;
    if (!escritor_) {
        QIODevice* saida = p_.dispositivo_saida_;
        fila_por_iniciar_ = false;
        if (p_.nome_ == impressora_pdf && saida) {
        } else if (p_.nome_ == impressora_pdf) {
            if (p_.arquivo_saida_.isEmpty()) {
                erro_ = QStringLiteral("Nenhum arquivo foi indicado para a impressora \"%1\".").arg(p_.nome_);
                falhou_ = true;
                return nullptr;
            }
            arquivo_ = std::make_unique<ArquivoSaida>(p_.arquivo_saida_);
            arquivo_->setDuravel(p_.saida_duravel_);
            if (!arquivo_->abrir(&erro_, {p_.entrada_})) {
                arquivo_.reset();
                falhou_ = true;
                return nullptr;
            }
            saida = arquivo_.get();
        } else {
            // The job's options follow the first page's paper.
            const QByteArray fila = p_.nome_.toUtf8();
            cups_option_t* opcoes = nullptr;
            const int n = opcoes_do_trabalho(fila, tamanho, p_.bandeja_ == bandeja_trator, &opcoes);
            fluxo_ = std::make_unique<FluxoCups>(p_.nome_, p_.titulo_, n, opcoes);
            saida = fluxo_.get();
            fila_por_iniciar_ = true;
        }
        escritor_ = std::make_unique<pdf::Escritor>(saida, p_.titulo_, p_.fios_escritor_);
        escritor_->iniciar_pagina(tamanho.width(), tamanho.height());
    }
    for (; paginas_pendentes_ > 0; --paginas_pendentes_)
        escritor_->iniciar_pagina(tamanho.width(), tamanho.height());
    // The first page is done once a second one begins: from then on the queue
    // holds the job and takes the pages as they end.
    if (fila_por_iniciar_ && escritor_->paginas() > 1) {
        if (!fluxo_->iniciado() && !fluxo_->iniciar()) {
            erro_ = fluxo_->errorString();
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

bool SuperficieImpressora::DocumentoPdf::encerrar(QSizeF tamanho)
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
    // page end began: a form fed out by form feeds ejects its last sheet, and
    // the end right after a page end adds no page.
    if (paginas_pendentes_ > 0 && (--paginas_pendentes_ > 0 || !escritor_) && !escritor(tamanho))
        return encerrar(tamanho); // the document could not be written: reported as such
    if (!escritor_) {
        descartar();
        return true; // nothing was drawn: there is no document to hand over
    }
    bool ok = escritor_->terminar();
    if (!ok)
        erro_ = erro_de_escrita();
    const int paginas = escritor_->paginas();
    escritor_.reset();
    if (ok && arquivo_) {
        ok = arquivo_->concluir(&erro_);
    } else if (ok && fluxo_ && !fluxo_->concluir()) {
        erro_ = fluxo_->errorString();
        ok = false;
    }
    descartar();
    paginas_entregues_ = ok ? paginas : 0;
    return ok;
}

SuperficieImpressora::SuperficieImpressora(const QString& nome)
    : SuperficieGlifos(300), folha_(twips_papel(QPageSize(QPageSize::A4))),
      documento_(std::make_unique<DocumentoPdf>(*this)), destino_(documento_.get())
{
    QString escolhido = nome;
    if (escolhido.isEmpty())
        escolhido = impressora_padrao_sistema();
    if (escolhido.isEmpty() || !selectPrinter(escolhido))
        selectPrinter(impressora_pdf);
}

SuperficieImpressora::SuperficieImpressora(const SuperficieImpressora& modelo, DestinoPaginas& destino)
    : SuperficieGlifos(modelo.dpi_), nome_(modelo.nome_), documento_(std::make_unique<DocumentoPdf>(*this)),
      destino_(&destino)
{
    tomar_estado(modelo);
}

void SuperficieImpressora::tomar_estado(const SuperficieImpressora& modelo)
{
    // Resolution, scale, pen, font, colour and lines: all a surface keeps.
    SuperficieBase::operator=(modelo);
    fonte_alterada();
    papel_ = modelo.papel_;
    bandeja_ = modelo.bandeja_;
    orientacao_ = modelo.orientacao_;
    folha_ = modelo.folha_;
    altura_forcada_ = modelo.altura_forcada_;
    pagina_ = modelo.pagina_;
}

SuperficieImpressora::~SuperficieImpressora() = default;

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
    if (const char* res = d.cups->cupsGetOption("printer-resolution", dest->num_options, dest->options)) {
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

void SuperficieImpressora::desenhar_glifos(QPointF topo, const QString& texto, const Disposicao* d)
{
    if (!destino_->pagina(QSizeF(width(), height())) || texto.isEmpty())
        return;
    const QPointF base(topo.x(), topo.y() + ascendente());
    if (!d) {
        // Characters the font lacks, or a style it has no face for.
        destino_->texto_composto(descricao_atual(), texto, base, cor_);
        return;
    }
    // A laid-out run is at its glyphs' natural advances: no positions.
    destino_->glifos(descricao_atual(), fonte_crua(), d->indices, nullptr, d->caracteres, d->n, base, cor_,
                     negrito_sintetico(), italico_sintetico());
    tracos_do_texto(metricas(), fonte_.sublinhado, fonte_.riscado, base, d->largura,
                    [&](const QRectF& r) { destino_->retangulo_cheio(r, cor_); });
}

void SuperficieImpressora::desenhar_linha(QPointF a, QPointF b, const QColor& cor, bool caixa)
{
    if (!destino_->pagina(QSizeF(width(), height())))
        return;
    // Widths are in device pixels. A line of odd width is centred on the
    // middle of its pixels, as the device draws one-pixel lines.
    const double d = (largura_linha_ % 2) ? meio_pixel() : 0.0;
    const QPointF desvio(d, d);
    destino_->linha(a + desvio, b + desvio, cor, largura_linha_ * 1440.0 / dpi_, estilo_ == EstiloLinha::Pontilhado,
                    caixa);
}

void SuperficieImpressora::desenhar_imagem(const QImage& imagem, const QRectF& destino, bool)
{
    // A PDF page has no raster operations: SRCAND draws the picture as it is.
    if (destino_->pagina(QSizeF(width(), height())) && !imagem.isNull())
        destino_->imagem(imagem, destino);
}

bool SuperficieImpressora::paintPictureFile(const QString& caminho, QSize tamanho, double x, double y, double w,
                                            double h)
{
    // A server's pictures go from their checked pixels.
    if (politica_imagens().pasta_permitida || !destino_->pagina(QSizeF(width(), height())))
        return false;
    const double u = unidades_por_twip();
    return destino_->imagem_png(caminho, tamanho, QRectF(para_twips_x(x), para_twips_y(y), w / u, h / u));
}

void SuperficieImpressora::reproduzir(const GravacaoPagina& pagina, ImagensDoTrabalho& imagens)
{
    documento_->reproduzir(pagina, imagens);
}

void SuperficieImpressora::newPage()
{
    // Nothing drawn yet on the first page: that page still counts, so a
    // NewPage here leaves it blank once something follows.
    destino_->nova_pagina();
    ++pagina_;
    pena_x_ = para_twips_x(0);
    pena_y_ = para_twips_y(0);
}

bool SuperficieImpressora::endDoc()
{
    const bool ok = documento_->encerrar(QSizeF(width(), height()));
    pagina_ = 1;
    altura_forcada_ = 0; // a page length lasts to the end of its document
    return ok;
}

void SuperficieImpressora::killDoc()
{
    documento_->descartar();
    pagina_ = 1;
    altura_forcada_ = 0;
}

QString SuperficieImpressora::erro() const
{
    return documento_->erro_;
}

QString SuperficieImpressora::falha_de_escrita() const
{
    return documento_->falha_de_escrita();
}

bool SuperficieImpressora::documentoAberto() const
{
    return documento_->aberto();
}

int SuperficieImpressora::paginasEntregues() const
{
    return documento_->paginas_entregues_;
}

} // namespace papelada
