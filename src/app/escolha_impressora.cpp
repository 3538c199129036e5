#include "app/escolha_impressora.h"

#include "analysis/medicao.h"
#include "analysis/papel.h"
#include "app/widgets.h"
#include "print/superficie_impressora.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cups/cups.h>

namespace papelada {

namespace {

// A queue's state as the scheduler reports it: whether it takes jobs, and
// whether it is stopped or printing. Its reason, in the scheduler's own
// words, follows once, without a period of its own.
QString situacao(const QString& nome)
{
    cups_dest_t* destinos = nullptr;
    const int quantos = cupsGetDests2(CUPS_HTTP_DEFAULT, &destinos);
    const QByteArray fila = nome.toUtf8();
    const cups_dest_t* d = cupsGetDest(fila.constData(), nullptr, quantos, destinos);
    QString texto = QStringLiteral("Pronta");
    if (d) {
        const auto opcao = [d](const char* chave) {
            return QString::fromUtf8(cupsGetOption(chave, d->num_options, d->options)).trimmed();
        };
        const QString estado = opcao("printer-state");
        if (opcao("printer-is-accepting-jobs") == QLatin1String("false"))
            texto = QStringLiteral("Não aceita trabalhos");
        else if (estado == QLatin1String("5"))
            texto = QStringLiteral("Pausada");
        else if (estado == QLatin1String("4"))
            texto = QStringLiteral("Imprimindo");
        QString motivo = opcao("printer-state-message");
        while (motivo.endsWith(QLatin1Char('.')))
            motivo.chop(1);
        if (!motivo.isEmpty())
            texto += QStringLiteral(": ") + motivo;
    }
    cupsFreeDests(quantos, destinos);
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
