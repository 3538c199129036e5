#include "app/dialogos.h"

#include "print/superficie_impressora.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace papelada {

namespace {

// Runs a file dialog: the chosen path, or "" when cancelled.
QString arquivo_escolhido(QFileDialog& dialogo)
{
    if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty())
        return {};
    return dialogo.selectedFiles().constFirst();
}

} // namespace

void DialogosQt::mensagem(QWidget* pai, const QString& texto, const QString& titulo, Icone icone)
{
    const auto qicone = icone == Icone::Critico      ? QMessageBox::Critical
                        : icone == Icone::Exclamacao ? QMessageBox::Warning
                                                     : QMessageBox::Information;
    QMessageBox caixa(qicone, titulo, texto, QMessageBox::Ok, pai);
    caixa.exec();
}

bool DialogosQt::perguntar(QWidget* pai, const QString& texto, const QString& titulo)
{
    QMessageBox caixa(QMessageBox::Question, titulo, texto, QMessageBox::NoButton, pai);
    QPushButton* sim = caixa.addButton(QStringLiteral("&Sim"), QMessageBox::YesRole);
    caixa.addButton(QStringLiteral("&Não"), QMessageBox::NoRole);
    caixa.exec();
    return caixa.clickedButton() == sim;
}

QString DialogosQt::abrir_arquivo(QWidget* pai, const QString& pasta, const QString& filtros)
{
    QFileDialog dialogo(pai, QStringLiteral("Abrir"), pasta, filtros);
    dialogo.setAcceptMode(QFileDialog::AcceptOpen);
    dialogo.setFileMode(QFileDialog::ExistingFile);
    dialogo.setOption(QFileDialog::ReadOnly, false);
    return arquivo_escolhido(dialogo);
}

QString DialogosQt::salvar_arquivo(QWidget* pai, const QString& caminho_inicial, const QString& filtros,
                                   const QString& sufixo)
{
    QFileDialog dialogo(pai, QStringLiteral("Salvar como"), caminho_inicial, filtros);
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    dialogo.setFileMode(QFileDialog::AnyFile);
    dialogo.setDefaultSuffix(sufixo);
    return arquivo_escolhido(dialogo);
}

std::optional<QString> DialogosQt::escolher_impressora(QWidget* pai, const QString& atual)
{
    QPrinter impressora;
    if (atual == impressora_pdf)
        impressora.setOutputFormat(QPrinter::PdfFormat);
    else
        impressora.setPrinterName(atual);
    QPrintDialog dialogo(&impressora, pai);
    dialogo.setWindowTitle(QStringLiteral("Selecionar impressora"));
    if (dialogo.exec() != QDialog::Accepted)
        return std::nullopt;
    // Qt's own "print to file" choice is the built-in PDF printer.
    if (impressora.outputFormat() == QPrinter::PdfFormat || impressora.printerName().isEmpty())
        return impressora_pdf;
    return impressora.printerName();
}

std::optional<FonteEscolhida> DialogosQt::escolher_fonte(QWidget* pai, const FonteEscolhida& inicial)
{
    QFont fonte(inicial.nome);
    if (inicial.tamanho > 0)
        fonte.setPointSizeF(inicial.tamanho);
    fonte.setBold(inicial.negrito);
    fonte.setItalic(inicial.italico);
    fonte.setUnderline(inicial.sublinhado);
    fonte.setStrikeOut(inicial.riscado);
    bool escolheu = false;
    const QFont escolhida = QFontDialog::getFont(&escolheu, fonte, pai, QStringLiteral("Fontes"));
    if (!escolheu)
        return std::nullopt;
    FonteEscolhida f;
    f.nome = escolhida.family();
    f.tamanho = escolhida.pointSizeF();
    f.negrito = escolhida.bold();
    f.italico = escolhida.italic();
    f.sublinhado = escolhida.underline();
    f.riscado = escolhida.strikeOut();
    return f;
}

std::optional<QString> DialogosQt::pedir_texto(QWidget* pai, const QString& rotulo, const QString& titulo)
{
    bool aceito = false;
    const QString texto = QInputDialog::getText(pai, titulo, rotulo, QLineEdit::Normal, {}, &aceito);
    if (!aceito)
        return std::nullopt;
    return texto;
}

void DialogosQt::processar_eventos()
{
    QCoreApplication::processEvents();
}

} // namespace papelada
