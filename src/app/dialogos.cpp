#include "app/dialogos.h"

#include "app/escolha_impressora.h"
#include "print/superficie_impressora.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>

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

QFont fonte_para_dialogo(const FonteEscolhida& f)
{
    QFont fonte(f.nome);
    if (f.tamanho > 0)
        fonte.setPointSizeF(f.tamanho);
    fonte.setBold(f.negrito);
    fonte.setItalic(f.italico);
    fonte.setUnderline(f.sublinhado);
    fonte.setStrikeOut(f.riscado);
    fonte.setFamily(QFontInfo(fonte).family());
    return fonte;
}

FonteEscolhida fonte_do_dialogo(const FonteEscolhida& inicial, const QFont& escolhida)
{
    FonteEscolhida f;
    f.nome = escolhida.family() == fonte_para_dialogo(inicial).family() ? inicial.nome : escolhida.family();
    f.tamanho = escolhida.pointSizeF();
    f.negrito = escolhida.bold();
    f.italico = escolhida.italic();
    f.sublinhado = escolhida.underline();
    f.riscado = escolhida.strikeOut();
    return f;
}

QString sufixo_do_filtro(const QString& filtro)
{
    static const QRegularExpression padrao(QStringLiteral(R"(\(\*\.(\w+)\))"));
    return padrao.match(filtro).captured(1);
}

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
    QMessageBox caixa(QMessageBox::Question, titulo, texto, QMessageBox::Yes | QMessageBox::No, pai);
    return caixa.exec() == QMessageBox::Yes;
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
    // The filter the user selects decides the extension of a bare name.
    const auto seguir_filtro = [&dialogo, sufixo](const QString& filtro) {
        const QString s = sufixo_do_filtro(filtro);
        dialogo.setDefaultSuffix(s.isEmpty() ? sufixo : s);
    };
    QObject::connect(&dialogo, &QFileDialog::filterSelected, &dialogo, seguir_filtro);
    seguir_filtro(dialogo.selectedNameFilter());
    return arquivo_escolhido(dialogo);
}

std::optional<QString> DialogosQt::escolher_impressora(QWidget* pai, const QString& atual)
{
    EscolhaImpressora dialogo(impressoras_instaladas(), atual, pai);
    if (dialogo.exec() != QDialog::Accepted || dialogo.escolhida().isEmpty())
        return std::nullopt;
    return dialogo.escolhida();
}

std::optional<FonteEscolhida> DialogosQt::escolher_fonte(QWidget* pai, const FonteEscolhida& inicial)
{
    QFontDialog dialogo(fonte_para_dialogo(inicial), pai);
    dialogo.setWindowTitle(QStringLiteral("Fontes"));
    if (dialogo.exec() != QDialog::Accepted)
        return std::nullopt;
    return fonte_do_dialogo(inicial, dialogo.selectedFont());
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
