// "Selecionar impressora": the printers the window can print on, each with
// its paper and state. Only the printer's name is chosen here; pages, copies
// and margins stay in the main window.
#pragma once

#include <QDialog>
#include <QStringList>

class QTreeWidget;

namespace papelada {

struct LinhaImpressora {
    QString nome, papel, situacao;
};

// What the chooser shows of a printer: for a CUPS queue its default paper
// and its state, for "Arquivo PDF" the paper of the PDF file.
LinhaImpressora descrever_impressora(const QString& nome);

class EscolhaImpressora : public QDialog {
    Q_OBJECT
public:
    // `impressoras`: the names offered, in order; `atual` is selected.
    EscolhaImpressora(const QStringList& impressoras, const QString& atual, QWidget* pai = nullptr);
    // The printer selected ("" when none is).
    QString escolhida() const;
    void selecionar(const QString& nome);

private:
    QTreeWidget* lista_;
};

} // namespace papelada
