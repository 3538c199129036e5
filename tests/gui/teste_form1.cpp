// The main window driven as a user drives it: start-up with and without a
// file, "Abrir", "Salvar", fonts, "Sair", the About box and the keyboard.
#include "app/janelas_auxiliares.h"
#include "app/segundo_plano.h"
#include "gui/roteiro.h"
#include "settings/configuracoes.h"

#include <QAction>
#include <QStandardPaths>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

using namespace papelada;
using papelada::teste::controle;
using papelada::teste::DialogosRoteiro;
using papelada::teste::janela_principal;

namespace {

const QByteArray relatorio = "Linha um\r\nLinha dois\r\n\f\x1a";

// A printer record for "Arquivo PDF" feeding from the tractor.
QByteArray registro_impressora_trator() { return teste::registro_impressora("Arquivo PDF", 1, 9, 8); }

QString arquivo(const QString& nome, const QByteArray& dados = relatorio) { return teste::gravar(nome, dados); }

void guardar_margens(const char* esquerda, const char* superior)
{
    std::int32_t e = 0, s = 0;
    gravar_margens(QString::fromLatin1(esquerda), QString::fromLatin1(superior), e, s);
}

QString margens(const Form1& j) { return controle<QLineEdit>(j, "Text5")->text() + u' ' + controle<QLineEdit>(j, "Text4")->text(); }

// Types into a field as the user does (replacing what it holds).
void digitar(QLineEdit* campo, const QString& texto)
{
    campo->selectAll();
    QTest::keyClicks(campo, texto);
}

bool habilitado(const Form1& j, const char* nome)
{
    auto* a = j.findChild<QAction*>(QLatin1String(nome));
    return a ? a->isEnabled() : controle<QWidget>(j, nome)->isEnabled();
}

} // namespace

class TesteForm1 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void inicio_data()
    {
        QTest::addColumn<QString>("linha");
        QTest::addColumn<QString>("margens"); // left, top as the boxes show them
        QTest::addColumn<bool>("documento");
        QTest::addColumn<bool>("impressora_livre");
        QTest::addColumn<bool>("cancelar"); // "Cancelar" while the report is read
        // The stored margins are shown even without a report.
        QTest::newRow("sem arquivo") << QString() << "12 7" << false << true << false;
        QTest::newRow("com arquivo") << arquivo(QStringLiteral("com margens.spl")) << "12 7" << true << true << false;
        // The report chose its printer and the tractor: no margins, and the
        // user cannot change the printer.
        QTest::newRow("trator") << arquivo(QStringLiteral("trator.spl"), registro_impressora_trator() + relatorio)
                                << "0 0" << true << false << false;
        // A report that takes a while to read (a picture that is not there,
        // looked for again and again): the window shows at once, with the
        // reading's row; "Cancelar" leaves it without a report.
        const QString demorado = arquivo(QStringLiteral("demorado.spl"), QByteArray("\x1bGnao_existe.png\n").repeated(3000000));
        QTest::newRow("demorado") << demorado << "12 7" << true << true << false;
        QTest::newRow("demorado cancelado") << demorado << "12 7" << false << true << true;
    }

    void inicio()
    {
        QFETCH(QString, linha);
        QFETCH(QString, margens);
        QFETCH(bool, documento);
        QFETCH(bool, impressora_livre);
        QFETCH(bool, cancelar);
        guardar_margens("12", "7");
        DialogosRoteiro d;
        auto j = std::make_unique<Form1>(d, linha, impressora_pdf);
        bool mostrada = false;
        connect(j->findChild<SegundoPlano*>(), &SegundoPlano::mostrado, this, [&] {
            mostrada = j->isVisible() && !habilitado(*j, "Command1");
            if (cancelar)
                controle<QPushButton>(*j, "segundo_plano_cancelar")->click();
        });
        QVERIFY(j->Form_Load());
        QCOMPARE(mostrada, QTest::currentDataTag() == QLatin1String("demorado") || cancelar);
        QCOMPARE(controle<QLabel>(*j, "rotulo_aviso")->isVisible(), cancelar);
        QCOMPARE(controle<QLabel>(*j, "Label5")->text(), documento ? linha : QStringLiteral("Nenhum arquivo selecionado"));
        QCOMPARE(::margens(*j), margens);
        QCOMPARE(j->documento().tamanho_arquivo, documento ? qint64(QFileInfo(linha).size()) : 0);
        for (const char* nome : {"Command1", "Command6", "Command7", "arquivos_salvar", "spool_visualizar", "spool_imprimir"})
            QVERIFY2(habilitado(*j, nome) == documento, nome);
        for (const char* nome : {"Command3", "spool_impressora"})
            QVERIFY2(habilitado(*j, nome) == impressora_livre, nome);
        QVERIFY(habilitado(*j, "Command8") && habilitado(*j, "Command4") && habilitado(*j, "Command2"));
        QCOMPARE(controle<QLabel>(*j, "Label8")->text(), impressora_pdf);
        QVERIFY(d.mensagens.isEmpty());
    }

    void arquivo_ausente_data()
    {
        QTest::addColumn<QString>("linha");
        QTest::addColumn<bool>("aceito");
        const QString existe = arquivo(QStringLiteral("existe.spl")), pasta = teste::pasta_temporaria();
        QTest::newRow("ausente") << pasta + QStringLiteral("/nao existe.spl") << false;
        QTest::newRow("curinga") << pasta + QStringLiteral("/exist*.spl") << false;
        QTest::newRow("aspas") << u'"' + existe + u'"' << false;
        QTest::newRow("espaco no fim") << existe + u' ' << false;
        QTest::newRow("pasta") << pasta << false;
        QTest::newRow("curinga no nome real") << arquivo(QStringLiteral("rel*?.spl")) << true;
    }

    void arquivo_ausente()
    {
        QFETCH(QString, linha);
        QFETCH(bool, aceito);
        DialogosRoteiro d;
        Form1 j(d, linha, impressora_pdf);
        QCOMPARE(j.Form_Load(), aceito);
        if (aceito) {
            QCOMPARE(j.documento().nome_arquivo, linha);
            return;
        }
        QCOMPARE(d.mensagens.size(), 1);
        QCOMPARE(d.mensagens[0].texto, QStringLiteral("Arquivo ") + linha + QStringLiteral(" não foi localizado."));
        QCOMPARE(std::pair(d.mensagens[0].titulo, d.mensagens[0].icone),
                 std::pair(QStringLiteral("Papelada"), Dialogos::Icone::Critico));
    }

    void abrir_reabilita_e_limpa_check1()
    {
        const QString primeiro = arquivo(QStringLiteral("registros.spl"),
                                         registro_impressora_trator() + teste::registro_fonte("Courier New", 12) + relatorio);
        const QString segundo = arquivo(QStringLiteral("segundo.spl"), "Outro\r\n\x1a");
        DialogosRoteiro d;
        auto j = janela_principal(d, primeiro);
        for (const char* nome : {"Command3", "Command4", "spool_fontes"})
            QVERIFY2(!habilitado(*j, nome), nome);
        controle<QCheckBox>(*j, "Check1")->setChecked(true);
        j->documento().indice_valido = true;
        j->documento().imprimir_ao_ativar = true;
        j->documento().interromper = 1;

        controle<QPushButton>(*j, "Command8")->click(); // cancelled: nothing changes
        QCOMPARE(j->documento().nome_arquivo, primeiro);
        d.abrir << segundo;
        j->findChild<QAction*>(QStringLiteral("arquivos_abrir"))->trigger();
        QCOMPARE(d.pastas_abrir, QStringList(2, QFileInfo(primeiro).absolutePath()));
        for (const char* nome : {"Command3", "Command4", "Command1", "spool_fontes", "spool_impressora"})
            QVERIFY2(habilitado(*j, nome), nome);
        QVERIFY(!controle<QCheckBox>(*j, "Check1")->isChecked());
        QCOMPARE(controle<QLabel>(*j, "Label5")->text(), segundo);
        const Documento& doc = j->documento();
        QCOMPARE(doc.nome_arquivo, segundo);
        QCOMPARE(doc.tamanho_arquivo, qint64(8));
        QVERIFY(!doc.indice_valido && !doc.imprimir_ao_ativar);
        QCOMPARE(doc.interromper, std::int16_t(0));
    }

    void abrir_sem_documento_habilita()
    {
        guardar_margens("12", "7");
        DialogosRoteiro d;
        auto j = janela_principal(d, {});
        digitar(controle<QLineEdit>(*j, "Text4"), QStringLiteral("3"));
        d.abrir << arquivo(QStringLiteral("aberto.spl"));
        controle<QPushButton>(*j, "Command8")->click();
        QCOMPARE(d.pastas_abrir, QStringList{QString()});
        for (const char* nome : {"Command1", "Command6", "Command7", "spool_imprimir"})
            QVERIFY2(habilitado(*j, nome), nome);
        QCOMPARE(margens(*j), QStringLiteral("12 3")); // stored, and what was typed
    }

    void salvar_data()
    {
        QTest::addColumn<QString>("destino");
        QTest::addColumn<QByteArray>("esperado"); // empty: the save fails
        QTest::newRow("sem extensao") << QStringLiteral("copia") << QByteArray("Ol\xe1\x1b" "Y10\x1a\n\x1b" "3Xfim\r\n\f\x1a");
        QTest::newRow("o proprio arquivo") << QStringLiteral("origem.spl") << QByteArray();
        QTest::newRow("pasta inexistente") << QStringLiteral("nao/ha/pasta.spl") << QByteArray();
    }

    void salvar()
    {
        QFETCH(QString, destino);
        QFETCH(QByteArray, esperado);
        const QByteArray conteudo = "Ol\xe1\x1b" "Y10\x1a\n\x1b" "3Xfim\r\n\f\x1a";
        const QString origem = arquivo(QStringLiteral("origem.spl"), conteudo);
        DialogosRoteiro d;
        auto j = janela_principal(d, origem);
        QTemporaryDir saida;
        d.salvar << (destino == QLatin1String("origem.spl") ? origem : saida.filePath(destino));
        controle<QPushButton>(*j, "Command7")->click();
        QCOMPARE(d.iniciais_salvar, QStringList{origem});
        QCOMPARE(d.filtros_salvar, QStringList{QStringLiteral("Arquivos de Spool(*.spl);;Arquivos Texto(*.txt)")});
        if (esperado.isEmpty()) {
            QCOMPARE(d.mensagens.size(), 1);
            QCOMPARE(d.mensagens[0].titulo, titulo_aplicacao);
            QCOMPARE(teste::ler(origem), conteudo); // the source is untouched
            return;
        }
        QVERIFY(d.mensagens.isEmpty());
        QCOMPARE(teste::ler(saida.filePath(destino)), esperado);
        QCOMPARE(j->documento().nome_arquivo, origem); // the open file stays the same
        QVERIFY(controle<QLabel>(*j, "Label11")->isHidden());
    }

    void copia_data()
    {
        QTest::addColumn<QString>("nome");
        QTest::addColumn<bool>("cancelar");
        for (const char* nome : {"longo.txt", "longo.spl"})
            for (const bool cancelar : {false, true})
                QTest::addRow("%s %s", nome, cancelar ? "cancelada" : "ate o fim") << nome << cancelar;
    }

    // The text copy's line counter moves; the byte copy runs on a worker
    // with its progress. Imprimir, Abrir, Salvar and Sair wait for either,
    // and "Cancelar" leaves no file.
    void copia()
    {
        QFETCH(QString, nome);
        QFETCH(bool, cancelar);
        const bool texto = nome.endsWith(QLatin1String(".txt"));
        const QByteArray dados = QByteArray("linha do relatorio\n").repeated(50000);
        DialogosRoteiro d;
        auto j = janela_principal(d, arquivo(QStringLiteral("longo.spl"), dados + '\x1a'));
        j->show();
        QTemporaryDir saida;
        const QString destino = saida.filePath(nome);
        d.salvar << destino;
        auto* andamento = j->findChild<SegundoPlano*>();
        int vezes = 0;
        const auto durante = [&] {
            if (vezes++ > 0)
                return;
            QVERIFY(j->copiando());
            for (const char* n : {"Command1", "Command2", "Command7", "Command8", "arquivos_sair", "spool_imprimir"})
                QVERIFY2(!habilitado(*j, n), n);
            if (texto)
                QVERIFY(controle<QLabel>(*j, "Label11")->text().endsWith(QStringLiteral(" . Linha 2")));
            if (cancelar && texto)
                controle<QPushButton>(*j, "botao_cancelar_copia")->click();
            else if (cancelar)
                andamento->cancelar();
        };
        d.ao_processar = durante;
        connect(andamento, &SegundoPlano::iniciado, this, durante);
        controle<QPushButton>(*j, "Command7")->click();
        QVERIFY(vezes > 0);
        QCOMPARE(QFileInfo::exists(destino), !cancelar);
        if (!cancelar)
            QCOMPARE(teste::ler(destino), texto ? dados : dados + '\x1a');
        if (!cancelar && !texto)
            QCOMPARE(andamento->fracao(), 1.0);
        QCOMPARE(controle<QLabel>(*j, "rotulo_aviso")->isVisible(), cancelar);
        QVERIFY(d.mensagens.isEmpty());
        QVERIFY(controle<QLabel>(*j, "Label11")->isHidden());
        for (const char* n : {"Command1", "Command2", "Command7", "Command8"})
            QVERIFY2(habilitado(*j, n), n);
    }

    // Shortcuts, mnemonics, the tab order, the icon and the open filter.
    void habitos_da_area_de_trabalho()
    {
        DialogosRoteiro d;
        auto j = janela_principal(d, arquivo(QStringLiteral("habitos.spl")));
        j->show();
        j->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(j.get()));
        QTest::keyClick(j.get(), Qt::Key_O, Qt::ControlModifier);
        QTest::keyClick(j.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(d.pastas_abrir.size(), 1);
        QCOMPARE(d.iniciais_salvar.size(), 1);
        QTest::keyClick(j.get(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(d.iniciais_salvar.size(), 2); // the PDF name
        QCOMPARE(d.filtros_abrir, QStringList{QStringLiteral("Arquivos de Spool(*.spl);;Todos os arquivos(*)")});

        for (QAction* menu : j->menuBar()->actions()) {
            QVERIFY2(menu->text().contains(u'&'), qPrintable(menu->text()));
            for (QAction* a : menu->menu()->actions())
                QVERIFY2(a->isSeparator() || a->text().contains(u'&'), qPrintable(a->text()));
        }

        // Tab from the first control visits every other and ends on "Sair".
        QWidget* primeiro = controle<QWidget>(*j, "Check1");
        QWidget* w = primeiro;
        QWidget* ultimo = nullptr;
        do {
            if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
                ultimo = w;
            w = w->nextInFocusChain();
        } while (w != primeiro && w != j.get());
        QCOMPARE(ultimo, controle<QWidget>(*j, "Command2"));

        // "Selecionar páginas" shows the page fields, and only it.
        for (const char* opcao : {"Option2", "Option1"}) {
            controle<QRadioButton>(*j, opcao)->click();
            for (const char* nome : {"Text1", "Text2", "Label10", "Label6"})
                QCOMPARE(controle<QWidget>(*j, nome)->isVisible(), opcao[6] == '2');
        }
        QVERIFY(!j->windowIcon().pixmap(32, 32).isNull());
    }

    void fontes_mudam_a_fonte_e_invalidam_o_indice()
    {
        DialogosRoteiro d;
        auto j = janela_principal(d, arquivo(QStringLiteral("fontes.spl")));
        j->documento().indice_valido = true;
        const Metricas antes = j->metricas();
        controle<QPushButton>(*j, "Command4")->click(); // cancelled
        QVERIFY(j->documento().indice_valido);

        d.fontes << FonteEscolhida{QStringLiteral("Times New Roman"), 14, true};
        j->findChild<QAction*>(QStringLiteral("spool_fontes"))->trigger();
        QCOMPARE(j->impressora().fontSize(), 14.0);
        QVERIFY(j->impressora().fontBold());
        QVERIFY(!j->documento().indice_valido);
        QVERIFY(j->metricas().altura_linha_padrao > 0);
        QCOMPARE(j->fonte_dialogo().tamanho, 14.0);

        // Choosing the printer (even the same one, or one that is gone)
        // brings its stored font back, to the dialog and to the measurement.
        d.impressoras << QStringLiteral("Fila que nao existe") << impressora_pdf;
        controle<QPushButton>(*j, "Command3")->click();
        QCOMPARE(d.mensagens.size(), 1);
        j->findChild<QAction*>(QStringLiteral("spool_impressora"))->trigger();
        QCOMPARE(j->impressora().deviceName(), impressora_pdf);
        QVERIFY(!j->impressora().fontUnderline() && !j->impressora().fontStrikethru());
        QCOMPARE(j->fonte_dialogo().nome, QStringLiteral("Courier New"));
        QCOMPARE(j->fonte_dialogo().tamanho, 10.0);
        QCOMPARE(j->metricas().altura_linha_padrao, antes.altura_linha_padrao);
        QCOMPARE(j->metricas().largura_caracter_padrao, antes.largura_caracter_padrao);
    }

    // A settings store that is a folder is said in the window, which comes
    // first.
    void avisos_de_inicio_com_a_janela()
    {
        const QString loja = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Orvel/Papelada.ini");
        QFile::remove(loja);
        QVERIFY(QDir().mkpath(loja));
        DialogosRoteiro d;
        Form1 j(d, {}, impressora_pdf);
        j.mostrar_avisos_do_sistema();
        QVERIFY(j.Form_Load());
        QCoreApplication::processEvents();
        QVERIFY(d.mensagens.isEmpty());
        j.show();
        QTRY_COMPARE(d.mensagens.size(), 1);
        QVERIFY(d.mensagens[0].texto.contains(loja));
        encaminhar_avisos(nullptr, {});
        QVERIFY(QDir(loja).removeRecursively());
    }

    void sair_data()
    {
        QTest::addColumn<QString>("inicio");   // the command line: "arquivo", "trator" or none
        QTest::addColumn<bool>("abrir_outro"); // "Abrir" another file before leaving
        QTest::addColumn<bool>("marcado");
        QTest::addColumn<bool>("removido_antes"); // behind the program's back
        QTest::addColumn<bool>("digitar");        // new margins typed in
        QTest::addColumn<bool>("titulo");         // closed by the title bar (or Alt+F4), not "Sair"
        QTest::newRow("marcado") << "arquivo" << false << true << false << true << false;
        QTest::newRow("nao marcado") << "arquivo" << false << false << false << true << false;
        // The box always names the file shown.
        QTest::newRow("outro aberto") << "arquivo" << true << true << false << false << false;
        QTest::newRow("aberto sem linha de comando") << QString() << true << true << false << false << false;
        QTest::newRow("exclusao que falha") << "arquivo" << false << true << true << true << false;
        // Margins nobody typed are not stored again (the fields show 0 on a
        // tractor-fed form).
        QTest::newRow("sem arquivo") << QString() << false << true << false << false << false;
        QTest::newRow("trator") << "trator" << false << false << false << false << false;
        QTest::newRow("pelo titulo") << "arquivo" << false << false << false << true << true;
    }

    void sair()
    {
        QFETCH(QString, inicio);
        QFETCH(bool, abrir_outro);
        QFETCH(bool, marcado);
        QFETCH(bool, removido_antes);
        QFETCH(bool, digitar);
        QFETCH(bool, titulo);
        guardar_margens("12", "7");
        const QString caminho = arquivo(QStringLiteral("sair.spl"),
                                        inicio == QLatin1String("trator") ? registro_impressora_trator() + relatorio : relatorio);
        const QString outro = arquivo(QStringLiteral("outro.spl"));
        DialogosRoteiro d;
        auto j = janela_principal(d, inicio.isEmpty() ? QString() : caminho);
        if (abrir_outro) {
            d.abrir << outro;
            controle<QPushButton>(*j, "Command8")->click();
        }
        const QString mostrado = j->documento().nome_arquivo;
        if (removido_antes)
            QFile::remove(caminho);
        QSignalSpy fim(j.get(), &Form1::encerrar);
        if (digitar) {
            ::digitar(controle<QLineEdit>(*j, "Text5"), QStringLiteral("15"));
            ::digitar(controle<QLineEdit>(*j, "Text4"), QStringLiteral("20,4"));
        }
        controle<QCheckBox>(*j, "Check1")->setChecked(marcado);
        if (titulo)
            j->close();
        else
            controle<QPushButton>(*j, "Command2")->click();
        QCOMPARE(fim.size(), 1); // the program ends even when the file could not be deleted
        for (const QString& f : {caminho, outro})
            QCOMPARE(QFileInfo::exists(f), !(removido_antes && f == caminho) && !(marcado && f == mostrado));
        QCOMPARE(d.mensagens.size(), removido_antes ? 1 : 0);
        if (removido_antes)
            QVERIFY(d.mensagens[0].texto.contains(caminho));
        std::int32_t e = 0, s = 0;
        ler_margens(e, s);
        QCOMPARE(e, digitar ? 15 : 12);
        QCOMPARE(s, digitar ? 20 : 7);
    }

    void sobre_uma_janela_so()
    {
        DialogosRoteiro d;
        auto j = janela_principal(d, {});
        for (int vez = 0; vez < 3; ++vez) {
            j->findChild<QAction*>(QStringLiteral("ajuda_sobre"))->trigger();
            QCOMPARE(j->findChildren<FrmAbout*>().size(), 1);
            FrmAbout* about = j->findChild<FrmAbout*>();
            QVERIFY(about->isVisible() && !about->isModal());
            controle<QPushButton>(*about, "cmdOK")->click();
            QVERIFY(!about->isVisible());
        }
        FrmAbout* about = j->findChild<FrmAbout*>();
        QVERIFY(!controle<QLabel>(*about, "picIcon")->pixmap().isNull());
        about->setFerramentas({QStringLiteral("ferramenta-que-nao-existe-em-lugar-algum")});
        controle<QPushButton>(*about, "cmdSysInfo")->click();
        QCOMPARE(d.mensagens.size(), 1);
        QCOMPARE(d.mensagens[0].texto, QStringLiteral("System Information Is Unavailable At This Time"));
    }
};

PAPELADA_TESTE_JANELA(TesteForm1)
#include "teste_form1.moc"
