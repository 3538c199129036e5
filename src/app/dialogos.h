// Everything the windows ask of the user, and the event pump, behind one
// small interface: the program uses the Qt dialogs, the tests answer from a
// script of their own.
#pragma once

#include "settings/configuracoes.h"

#include <QFont>
#include <QString>
#include <optional>

class QWidget;

namespace papelada {

// The application title, used as the caption of message boxes.
inline const QString titulo_aplicacao = QStringLiteral("Papelada - Impressão de Relatórios");

class Dialogos {
public:
    enum class Icone { Informacao, Exclamacao, Critico };

    virtual ~Dialogos() = default;

    // A message box with an OK button.
    virtual void mensagem(QWidget* pai, const QString& texto, const QString& titulo, Icone icone) = 0;
    // A question with the buttons Yes and No; true for Yes.
    virtual bool perguntar(QWidget* pai, const QString& texto, const QString& titulo) = 0;

    // File dialogs: the chosen path, or "" when cancelled. `filtros` in Qt's
    // form ("Arquivos de Spool(*.spl);;Todos os arquivos(*)"). A name typed
    // without extension gets the one of the filter selected, or `sufixo`.
    virtual QString abrir_arquivo(QWidget* pai, const QString& pasta, const QString& filtros) = 0;
    virtual QString salvar_arquivo(QWidget* pai, const QString& caminho_inicial,
                                   const QString& filtros, const QString& sufixo) = 0;

    // The printer chooser, starting on `atual`: the chosen printer's name
    // ("Arquivo PDF" for the PDF file), nothing when cancelled.
    virtual std::optional<QString> escolher_impressora(QWidget* pai, const QString& atual) = 0;
    // The font dialog, starting on `inicial`: the chosen font, nothing when
    // cancelled.
    virtual std::optional<FonteEscolhida> escolher_fonte(QWidget* pai, const FonteEscolhida& inicial) = 0;
    // An input box with `rotulo` as its prompt: the text typed, nothing when
    // cancelled.
    virtual std::optional<QString> pedir_texto(QWidget* pai, const QString& rotulo, const QString& titulo) = 0;

    // Lets the user interface handle its pending events.
    virtual void processar_eventos() = 0;
};

// The font the font dialog starts on: the family the system really draws
// for the report's font name (a name that is not installed is mapped to
// another family, which the dialog must show, not its own first entry).
QFont fonte_para_dialogo(const FonteEscolhida& f);
// The style of `familia` nearest to the weight and slant asked for, by the
// family's own style name.
QString estilo_da_familia(const QString& familia, bool negrito, bool italico);
// The font chosen in the dialog: when the user kept the family that the
// report's name maps to, the report's own name stays.
FonteEscolhida fonte_do_dialogo(const FonteEscolhida& inicial, const QFont& escolhida);
// The extension of a file filter ("Arquivos Texto(*.txt)" gives "txt"; "*"
// gives "").
QString sufixo_do_filtro(const QString& filtro);

// The real dialogs.
class DialogosQt : public Dialogos {
public:
    void mensagem(QWidget* pai, const QString& texto, const QString& titulo, Icone icone) override;
    bool perguntar(QWidget* pai, const QString& texto, const QString& titulo) override;
    QString abrir_arquivo(QWidget* pai, const QString& pasta, const QString& filtros) override;
    QString salvar_arquivo(QWidget* pai, const QString& caminho_inicial, const QString& filtros,
                           const QString& sufixo) override;
    std::optional<QString> escolher_impressora(QWidget* pai, const QString& atual) override;
    std::optional<FonteEscolhida> escolher_fonte(QWidget* pai, const FonteEscolhida& inicial) override;
    std::optional<QString> pedir_texto(QWidget* pai, const QString& rotulo, const QString& titulo) override;
    void processar_eventos() override;
};

} // namespace papelada
