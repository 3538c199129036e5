// Support for the window tests: dialogs answered from a script, the main
// window loaded on a report, and a main that runs Qt without a screen and
// with a settings store of the test's own.
#pragma once

#include "app/aplicacao.h"
#include "app/dialogos.h"
#include "app/form1.h"
#include "comum/apoio.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <optional>

namespace papelada::teste {

// Answers every dialog from queues filled by the test, and records what was
// asked. A dialog without a scripted answer is cancelled (a question gets
// "No").
class DialogosRoteiro : public Dialogos {
public:
    struct Mensagem { QString texto, titulo; Icone icone; };
    QList<Mensagem> mensagens;
    QStringList perguntas;
    QList<bool> respostas;
    QStringList abrir, salvar;               // answers of the file dialogs
    QStringList pastas_abrir, filtros_abrir, iniciais_salvar, filtros_salvar; // what they were given
    QList<std::optional<QString>> impressoras;
    QList<std::optional<FonteEscolhida>> fontes;
    QList<std::optional<QString>> textos;    // answers of the input box
    QStringList pedidos_texto;               // "title|prompt" of each input box
    // Runs at every turn of the event pump (a stand-in for the user's clicks).
    std::function<void()> ao_processar;
    int eventos_processados = 0;

    // The next scripted answer, or an empty one (a cancelled dialog) once they run out.
    template <typename T>
    static T proxima(QList<T>& fila) { return fila.isEmpty() ? T() : fila.takeFirst(); }

    void mensagem(QWidget*, const QString& texto, const QString& titulo, Icone icone) override
    {
        mensagens.append({texto, titulo, icone});
    }
    bool perguntar(QWidget*, const QString& texto, const QString& titulo) override
    {
        perguntas.append(titulo + QLatin1Char('|') + texto);
        return proxima(respostas);
    }
    QString abrir_arquivo(QWidget*, const QString& pasta, const QString& filtros) override
    {
        pastas_abrir.append(pasta);
        filtros_abrir.append(filtros);
        return proxima(abrir);
    }
    QString salvar_arquivo(QWidget*, const QString& inicial, const QString& filtros, const QString&) override
    {
        iniciais_salvar.append(inicial);
        filtros_salvar.append(filtros);
        return proxima(salvar);
    }
    std::optional<QString> escolher_impressora(QWidget*, const QString&) override { return proxima(impressoras); }
    std::optional<FonteEscolhida> escolher_fonte(QWidget*, const FonteEscolhida&) override { return proxima(fontes); }
    std::optional<QString> pedir_texto(QWidget*, const QString& rotulo, const QString& titulo) override
    {
        pedidos_texto.append(titulo + QLatin1Char('|') + rotulo);
        return proxima(textos);
    }
    void processar_eventos() override
    {
        ++eventos_processados;
        QCoreApplication::processEvents();
        if (ao_processar)
            ao_processar();
    }
};

// A control of a window, by its form name.
template <typename T>
T* controle(const QObject& janela, const char* nome) { return janela.findChild<T*>(QLatin1String(nome)); }

// The main window on the printer "Arquivo PDF", started with the command line
// `linha`. A start-up that fails fails the test.
inline std::unique_ptr<Form1> janela_principal(Dialogos& dialogos, const QString& linha)
{
    auto janela = std::make_unique<Form1>(dialogos, linha, impressora_pdf);
    QTest::qVerify(janela->Form_Load(), "Form_Load()", "", __FILE__, __LINE__);
    return janela;
}

} // namespace papelada::teste

// main() of a window test: offscreen (unless "-platform" says otherwise),
// Qt's texts in Portuguese as the program has them, and XDG_CONFIG_HOME in a
// temporary folder set before Qt starts, so the user's settings are never
// touched.
#define PAPELADA_TESTE_JANELA(Classe)                                                  \
    int main(int argc, char** argv)                                                    \
    {                                                                                  \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                       \
        QTemporaryDir configuracao;                                                    \
        qputenv("XDG_CONFIG_HOME", configuracao.path().toUtf8());                      \
        QApplication app(argc, argv);                                                  \
        QCoreApplication::setOrganizationName(QStringLiteral("Orvel"));                \
        QCoreApplication::setApplicationName(QStringLiteral("Papelada"));              \
        papelada::carregar_traducoes(app);                                             \
        Classe teste;                                                                  \
        return QTest::qExec(&teste, argc, argv);                                       \
    }
