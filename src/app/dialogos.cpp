#include "app/dialogos.h"

#include "app/escolha_impressora.h"
#include "print/superficie_impressora.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QFileDialog>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGroupBox>
#include <QFontInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <cstdlib>
#include <limits>

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

QString estilo_da_familia(const QString& familia, bool negrito, bool italico)
{
    // The family's own names ("Bold Italic", "Book", "Oblique"): the dialog
    // lists these, while a font without a style name would be described by
    // the translated words ("Negrito Itálico") and match none of them.
    const int peso = negrito ? QFont::Bold : QFont::Normal;
    QString melhor;
    int distancia = std::numeric_limits<int>::max();
    for (const QString& estilo : QFontDatabase::styles(familia)) {
        // Oblique counts as italic; among equals the plainest name wins
        // ("Book" before "Condensed").
        const bool inclinado = QFontDatabase::font(familia, estilo, 12).italic();
        const int d = std::abs(QFontDatabase::weight(familia, estilo) - peso) * 100
                      + (inclinado != italico ? 100000 : 0) + estilo.size();
        if (d < distancia) {
            distancia = d;
            melhor = estilo;
        }
    }
    return melhor;
}

QFont fonte_para_dialogo(const FonteEscolhida& f)
{
    QFont fonte(f.nome);
    if (f.tamanho > 0)
        fonte.setPointSizeF(f.tamanho);
    fonte.setBold(f.negrito);
    fonte.setItalic(f.italico);
    fonte.setFamily(QFontInfo(fonte).family());
    fonte.setStyleName(estilo_da_familia(fonte.family(), f.negrito, f.italico));
    return fonte;
}

FonteEscolhida fonte_do_dialogo(const FonteEscolhida& inicial, const QFont& escolhida)
{
    FonteEscolhida f;
    f.nome = escolhida.family() == fonte_para_dialogo(inicial).family() ? inicial.nome : escolhida.family();
    f.tamanho = escolhida.pointSizeF();
    f.negrito = escolhida.bold();
    f.italico = escolhida.italic();
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
    QFontDialog dialogo(pai);
    dialogo.setOption(QFontDialog::DontUseNativeDialog);
    dialogo.setCurrentFont(fonte_para_dialogo(inicial));
    dialogo.setWindowTitle(QStringLiteral("Fontes"));
    // The report prints neither strike-through nor underline: the dialog
    // does not offer them.
    for (QCheckBox* efeito : dialogo.findChildren<QCheckBox*>())
        if (auto* grupo = qobject_cast<QGroupBox*>(efeito->parentWidget()))
            grupo->hide();
    if (dialogo.exec() != QDialog::Accepted)
        return std::nullopt;
    return fonte_do_dialogo(inicial, dialogo.selectedFont());
}

std::optional<QString> DialogosQt::pedir_texto(QWidget* pai, const QString& rotulo, const QString& titulo)
{
    QInputDialog dialogo(pai);
    dialogo.setWindowTitle(titulo);
    dialogo.setLabelText(rotulo);
    // Wide enough for the whole title beside the window's buttons.
    const QFont letra_titulo = QApplication::font("QMdiSubWindowTitleBar");
    dialogo.setMinimumWidth(std::max(320, QFontMetrics(letra_titulo).horizontalAdvance(titulo) * 3 / 2 + 160));
    if (dialogo.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialogo.textValue();
}

void DialogosQt::processar_eventos()
{
    QCoreApplication::processEvents();
}

} // namespace papelada
