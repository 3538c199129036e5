#include "app/escolha_impressora.h"

#include "analysis/medicao.h"
#include "app/widgets.h"
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

QString situacao(QPrinter::PrinterState estado)
{
    switch (estado) {
    case QPrinter::Idle:
        return QStringLiteral("Pronta");
    case QPrinter::Active:
        return QStringLiteral("Imprimindo");
    case QPrinter::Aborted:
        return QStringLiteral("Parada");
    case QPrinter::Error:
        return QStringLiteral("Com erro");
    }
    return {};
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
    return {nome, info.defaultPageSize().name(), situacao(info.state())};
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
