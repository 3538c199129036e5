#include "app/escolha_impressora.h"

#include "analysis/medicao.h"
#include "analysis/papel.h"
#include "app/widgets.h"
#include "print/biblioteca_cups.h"
#include "print/superficie_impressora.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace papelada {

namespace {

// A queue's state as the scheduler reports it: whether it takes jobs, and
// whether it is stopped or printing. The administrator's reason follows
// once, without a period of its own; the scheduler's stock words for a
// stopped or rejecting queue, which only repeat the state (in English), do
// not.
QString situacao(const QString& nome)
{
    QString texto = QStringLiteral("Pronta");
    const LibCups* c = libcups();
    if (!c)
        return texto;
    ipp_t* pedido = c->ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    char uri[HTTP_MAX_URI];
    c->httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                        nome.toUtf8().constData());
    c->ippAddString(pedido, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    static const char* const atributos[] = {"printer-state", "printer-state-message", "printer-is-accepting-jobs"};
    c->ippAddStrings(pedido, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, atributos);
    ipp_t* resposta = c->cupsDoRequest(CUPS_HTTP_DEFAULT, pedido, "/");
    if (resposta && c->ippGetStatusCode(resposta) <= IPP_STATUS_OK_CONFLICTING) {
        ipp_attribute_t* aceita = c->ippFindAttribute(resposta, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
        ipp_attribute_t* estado = c->ippFindAttribute(resposta, "printer-state", IPP_TAG_ENUM);
        ipp_attribute_t* mensagem = c->ippFindAttribute(resposta, "printer-state-message", IPP_TAG_TEXT);
        if (aceita && !c->ippGetBoolean(aceita, 0))
            texto = QStringLiteral("Não aceita trabalhos");
        else if (estado && c->ippGetInteger(estado, 0) == IPP_PSTATE_STOPPED)
            texto = QStringLiteral("Pausada");
        else if (estado && c->ippGetInteger(estado, 0) == IPP_PSTATE_PROCESSING)
            texto = QStringLiteral("Imprimindo");
        QString motivo = mensagem ? QString::fromUtf8(c->ippGetString(mensagem, 0, nullptr)).trimmed() : QString();
        while (motivo.endsWith(QLatin1Char('.')))
            motivo = motivo.chopped(1).trimmed();
        static const QStringList so_o_estado{QStringLiteral("Paused"), QStringLiteral("Rejecting Jobs"),
                                             QStringLiteral("Stopped")};
        if (!motivo.isEmpty() && !so_o_estado.contains(motivo, Qt::CaseInsensitive))
            texto += QStringLiteral(": ") + motivo;
    }
    c->ippDelete(resposta);
    return texto;
}

} // namespace

LinhaImpressora descrever_impressora(const QString& nome)
{
    if (nome == impressora_pdf)
        return {nome, nome_papel(SuperficieImpressora(impressora_pdf).paperSize()),
                QStringLiteral("Grava um arquivo PDF")};
    const QPrinterInfo info = QPrinterInfo::printerInfo(nome);
    if (info.isNull())
        return {nome, {}, QStringLiteral("Não encontrada")};
    // The paper by the name the rest of the window gives it.
    return {nome, nome_papel(info.defaultPageSize().windowsId()), situacao(nome)};
}

EscolhaImpressora::EscolhaImpressora(const QStringList& impressoras, const QString& atual, QWidget* pai)
    : QDialog(pai)
{
    setObjectName(QStringLiteral("EscolhaImpressora"));
    setWindowTitle(QStringLiteral("Selecionar impressora"));

    lista_ = nomear(new QTreeWidget(this), "lista_impressoras");
    lista_->setHeaderLabels({QStringLiteral("Impressora"), QStringLiteral("Papel"), QStringLiteral("Situação")});
    lista_->setRootIsDecorated(false);
    lista_->setAllColumnsShowFocus(true);
    for (const QString& nome : impressoras) {
        const LinhaImpressora l = descrever_impressora(nome);
        new QTreeWidgetItem(lista_, {l.nome, l.papel, l.situacao});
    }
    lista_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    selecionar(atual);

    auto* botoes = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    botoes->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Selecionar"));
    connect(botoes, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(botoes, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(lista_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    auto atualizar = [this, botoes] {
        const QString nome = escolhida();
        botoes->button(QDialogButtonBox::Ok)->setEnabled(!nome.isEmpty());
    };
    connect(lista_, &QTreeWidget::currentItemChanged, this, atualizar);
    atualizar();

    auto* tudo = new QVBoxLayout(this);
    tudo->addWidget(new QLabel(QStringLiteral("Imprimir em:"), this));
    tudo->addWidget(lista_);
    tudo->addWidget(botoes);
    resize(520, 300);
}

QString EscolhaImpressora::escolhida() const
{
    const QTreeWidgetItem* item = lista_->currentItem();
    return item ? item->text(0) : QString();
}

void EscolhaImpressora::selecionar(const QString& nome)
{
    const QList<QTreeWidgetItem*> achados = lista_->findItems(nome, Qt::MatchExactly, 0);
    lista_->setCurrentItem(achados.isEmpty() ? lista_->topLevelItem(0) : achados.constFirst());
}

} // namespace papelada
