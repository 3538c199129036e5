// The main window driven as a user drives it: start-up with and without a
// file, "Abrir", "Salvar", fonts, "Sair" and the About box.
#include "app/form1.h"
#include "app/janelas_auxiliares.h"
#include "gui/roteiro.h"
#include "settings/configuracoes.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSettings>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>

using namespace papelada;
using papelada::teste::controle;
using papelada::teste::DialogosRoteiro;

namespace {

const QByteArray relatorio = "Linha um\r\nLinha dois\r\n\f\x1a";

// ESC "D": a printer record for "Arquivo PDF" feeding from the tractor.
QByteArray registro_impressora_trator()
{
    QByteArray r = QByteArray("Arquivo PDF").leftJustified(32, ' ');
    r += QByteArray(12, '\0');
    r += QByteArray("\x01\x00", 2); // portrait
    r += QByteArray("\x09\x00", 2); // A4
    r += QByteArray(8, '\0');
    r += QByteArray("\x08\x00", 2); // tractor feed
    r += QByteArray(10, '\0');
    return "\x1b" "D" + r;
}

// ESC "F": Courier New 12.
QByteArray registro_fonte()
{
    QByteArray r(6, '\0');
    r += QByteArray("Courier New").leftJustified(33, ' ');
    r += '\0';
    r += QByteArray("\x0c\x00\x00\x00\x00", 5);
    r += QByteArray(9, '\0');
    return "\x1b" "F" + r;
}

} // namespace

class TesteForm1 : public QObject {
    Q_OBJECT

    QTemporaryDir pasta_;

    QString arquivo(const QString& nome, const QByteArray& dados = relatorio)
    {
        return teste::arquivo_em(pasta_, nome, dados);
    }

    static std::unique_ptr<Form1> janela(DialogosRoteiro& d, const QString& linha)
    {
        return teste::janela_principal(d, linha);
    }

private Q_SLOTS:
    void controles_e_legendas_data()
    {
        QTest::addColumn<QString>("nome");
        QTest::addColumn<QString>("legenda");
        QTest::addColumn<QString>("dica");
        const QList<QStringList> tabela = {
            {"Label4", "Arquivo", ""},
            {"Check1", "Excluir arquivo ao encerrar", ""},
            {"Frame3", "Impressora", ""},
            {"Frame1", "Seleção", ""},
            {"Option1", "Imprimir todas as Páginas", "Seleciona impressão de todas as páginas"},
            {"Option2", "Selecionar páginas", "Clique aqui para selecionar páginas"},
            {"Label10", "de", ""},
            {"Label6", "até", ""},
            {"Label7", "Cópias", ""},
            {"Text1", "1", "Número da primeira página a imprimir"},
            {"Text2", "1", "Número da última página a imprimir"},
            {"Text3", "1", "Número de Cópias a Imprimir"},
            {"Label13", "Margem Esquerda", ""},
            {"Label14", "mm", ""},
            {"Label12", "Margem Superior", ""},
            {"Label15", "mm", ""},
            {"Frame2", "Evolução da Impressão", ""},
            {"Command5", "Interromper", "Interromper a impressão"},
            {"Command1", "Imprimir", "Imprimir o Relatório"},
            {"Command6", "Visualizar", "Visualizar impressão"},
            {"Command8", "Abrir", "Abrir um novo arquivo de impressão"},
            {"Command7", "Salvar", "Gravar o conteúdo deste relatório em disco"},
            {"Command3", "Impressora", "Selecionar impressora"},
            {"Command4", "Fontes", "Escolher nova fonte de impressão"},
            {"Command2", "Sair", "Abandonar o programa"},
            {"Check2", "Encerrar após a Impressão", ""},
            {"Label11", "Gravando Linha", ""},
            {"arquivos_abrir", "Abri&r", ""},
            {"arquivos_salvar", "&Salvar como...", ""},
            {"arquivos_sair", "Sair", ""},
            {"spool_impressora", "Mudar impressora", ""},
            {"spool_fontes", "Alterar Fontes", ""},
            {"DefaultFont", "Definir Fonte Padrão", ""},
            {"spool_visualizar", "Visualizar", ""},
            {"spool_imprimir", "Imprimir", ""},
            {"ajuda_sobre", "Sobre", ""},
        };
        for (const QStringList& linha : tabela)
            QTest::newRow(qPrintable(linha[0])) << linha[0] << linha[1] << linha[2];
    }

    void controles_e_legendas()
    {
        QFETCH(QString, nome);
        QFETCH(QString, legenda);
        QFETCH(QString, dica);
        DialogosRoteiro d;
        Form1 j(d, {}, impressora_pdf);
        QCOMPARE(j.windowTitle(), QStringLiteral("Papelada  Impressão de Relatórios"));
        QObject* o = j.findChild<QObject*>(nome);
        QVERIFY2(o, qPrintable(nome));
        QString texto;
        if (auto* b = qobject_cast<QAbstractButton*>(o))
            texto = b->text();
        else if (auto* l = qobject_cast<QLabel*>(o))
            texto = l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(o))
            texto = g->title();
        else if (auto* t = qobject_cast<QLineEdit*>(o))
            texto = t->text();
        else if (auto* a = qobject_cast<QAction*>(o))
            texto = a->text();
        QCOMPARE(texto, legenda);
        if (auto* w = qobject_cast<QWidget*>(o))
            QCOMPARE(w->toolTip(), dica);
    }

    void menus()
    {
        DialogosRoteiro d;
        Form1 j(d, {}, impressora_pdf);
        QStringList titulos;
        for (QAction* a : j.menuBar()->actions())
            titulos << a->text();
        QCOMPARE(titulos, (QStringList{"&Arquivos", "Spool", "Ajuda"}));
        QVERIFY(controle<QProgressBar>(j, "Picture1"));
        QVERIFY(controle<QLabel>(j, "Label8") && controle<QLabel>(j, "Label9"));
    }

    void sem_linha_de_comando()
    {
        std::int32_t e = 0, s = 0;
        gravar_margens(QStringLiteral("7"), QStringLiteral("8"), e, s);
        DialogosRoteiro d;
        auto j = janela(d, {});
        QCOMPARE(controle<QLabel>(*j, "Label5")->text(), QStringLiteral("Nenhum arquivo selecionado"));
        QCOMPARE(controle<QLineEdit>(*j, "Text5")->text(), QStringLiteral("0"));
        QCOMPARE(controle<QLineEdit>(*j, "Text4")->text(), QStringLiteral("0"));
        for (const char* nome : {"Command1", "Command6", "Command7"})
            QVERIFY2(!controle<QPushButton>(*j, nome)->isEnabled(), nome);
        for (const char* nome : {"arquivos_salvar", "spool_visualizar", "spool_imprimir"})
            QVERIFY2(!j->findChild<QAction*>(QLatin1String(nome))->isEnabled(), nome);
        for (const char* nome : {"Command8", "Command3", "Command4", "Command2"})
            QVERIFY2(controle<QPushButton>(*j, nome)->isEnabled(), nome);
        QVERIFY(j->documento().nome_arquivo.isEmpty());
        QVERIFY(d.mensagens.isEmpty());
    }

    void com_arquivo_margens_do_armazenamento()
    {
        std::int32_t e = 0, s = 0;
        gravar_margens(QStringLiteral("12"), QStringLiteral("7"), e, s);
        const QString caminho = arquivo(QStringLiteral("com margens.spl"));
        DialogosRoteiro d;
        auto j = janela(d, caminho);
        QCOMPARE(controle<QLabel>(*j, "Label5")->text(), caminho);
        QCOMPARE(controle<QLineEdit>(*j, "Text5")->text(), QStringLiteral("12"));
        QCOMPARE(controle<QLineEdit>(*j, "Text4")->text(), QStringLiteral("7"));
        QCOMPARE(j->documento().tamanho_arquivo, qint64(relatorio.size()));
        QVERIFY(controle<QPushButton>(*j, "Command1")->isEnabled());
        QVERIFY(j->findChild<QAction*>(QStringLiteral("spool_imprimir"))->isEnabled());
    }

    void registro_de_trator_zera_margens()
    {
        std::int32_t e = 0, s = 0;
        gravar_margens(QStringLiteral("12"), QStringLiteral("7"), e, s);
        const QString caminho = arquivo(QStringLiteral("trator.spl"), registro_impressora_trator() + relatorio);
        DialogosRoteiro d;
        auto j = janela(d, caminho);
        QCOMPARE(j->impressora().paperBin(), bandeja_trator);
        QCOMPARE(controle<QLineEdit>(*j, "Text5")->text(), QStringLiteral("0"));
        QCOMPARE(controle<QLineEdit>(*j, "Text4")->text(), QStringLiteral("0"));
        // The report chose its printer: the user cannot change it.
        QVERIFY(!controle<QPushButton>(*j, "Command3")->isEnabled());
        QVERIFY(!j->findChild<QAction*>(QStringLiteral("spool_impressora"))->isEnabled());
        QCOMPARE(controle<QLabel>(*j, "Label8")->text(), impressora_pdf);
    }

    void arquivo_ausente_data()
    {
        QTest::addColumn<QString>("linha");
        arquivo(QStringLiteral("existe.spl"));
        QTest::newRow("ausente") << pasta_.filePath(QStringLiteral("nao existe.spl"));
        QTest::newRow("curinga") << pasta_.filePath(QStringLiteral("*.spl"));
        QTest::newRow("curinga ?") << pasta_.filePath(QStringLiteral("exist?.spl"));
        QTest::newRow("aspas") << QLatin1Char('"') + pasta_.filePath(QStringLiteral("existe.spl")) + QLatin1Char('"');
        QTest::newRow("espaco no fim") << pasta_.filePath(QStringLiteral("existe.spl ")); // NOLINT
        QTest::newRow("pasta") << pasta_.path();
    }

    void arquivo_ausente()
    {
        QFETCH(QString, linha);
        DialogosRoteiro d;
        Form1 j(d, linha, impressora_pdf);
        QVERIFY(!j.Form_Load());
        QCOMPARE(d.mensagens.size(), 1);
        QCOMPARE(d.mensagens[0].texto, QStringLiteral("Arquivo ") + linha + QStringLiteral(" não foi localizado."));
        QCOMPARE(d.mensagens[0].titulo, QStringLiteral("Papelada"));
        QCOMPARE(d.mensagens[0].icone, Dialogos::Icone::Critico);
    }

    void curinga_que_e_o_nome_real_e_aceito()
    {
        const QString caminho = arquivo(QStringLiteral("rel*?.spl"));
        DialogosRoteiro d;
        Form1 j(d, caminho, impressora_pdf);
        QVERIFY(j.Form_Load());
        QCOMPARE(j.documento().nome_arquivo, caminho);
    }

    void linha_de_comando_unida()
    {
        QCOMPARE(linha_de_comando({"papelada"}), QString());
        QCOMPARE(linha_de_comando({"papelada", "/tmp/meu", "relatorio.spl"}), QStringLiteral("/tmp/meu relatorio.spl"));
        QCOMPARE(linha_de_comando({"papelada", "\"a b\"", ""}), QStringLiteral("\"a b\" "));
    }

    void abrir_reabilita_e_limpa_check1()
    {
        const QString primeiro = arquivo(QStringLiteral("registros.spl"),
                                         registro_impressora_trator() + registro_fonte() + relatorio);
        const QString segundo = arquivo(QStringLiteral("segundo.spl"), "Outro\r\n\x1a");
        DialogosRoteiro d;
        auto j = janela(d, primeiro);
        QVERIFY(!controle<QPushButton>(*j, "Command3")->isEnabled());
        QVERIFY(!controle<QPushButton>(*j, "Command4")->isEnabled());
        QVERIFY(!j->findChild<QAction*>(QStringLiteral("spool_fontes"))->isEnabled());
        controle<QCheckBox>(*j, "Check1")->setChecked(true);
        j->documento().indice_valido = true;
        j->documento().imprimir_ao_ativar = true;
        j->documento().interromper = 1;

        d.abrir << segundo;
        j->findChild<QAction*>(QStringLiteral("arquivos_abrir"))->trigger();
        QCOMPARE(d.pastas_abrir, QStringList{QFileInfo(primeiro).absolutePath()});
        for (const char* nome : {"Command3", "Command4", "Command1", "Command6", "Command7"})
            QVERIFY2(controle<QPushButton>(*j, nome)->isEnabled(), nome);
        for (const char* nome : {"spool_fontes", "spool_impressora", "arquivos_salvar", "spool_visualizar"})
            QVERIFY2(j->findChild<QAction*>(QLatin1String(nome))->isEnabled(), nome);
        QVERIFY(!controle<QCheckBox>(*j, "Check1")->isChecked());
        QCOMPARE(controle<QLabel>(*j, "Label5")->text(), segundo);
        const Documento& doc = j->documento();
        QCOMPARE(doc.nome_arquivo, segundo);
        QCOMPARE(doc.tamanho_arquivo, qint64(8));
        QVERIFY(!doc.indice_valido && !doc.imprimir_ao_ativar);
        QCOMPARE(doc.interromper, std::int16_t(0));
    }

    void abrir_sem_documento_habilita_e_cancelar_nada_muda()
    {
        DialogosRoteiro d;
        auto j = janela(d, {});
        controle<QPushButton>(*j, "Command8")->click(); // cancelled
        QCOMPARE(d.pastas_abrir, QStringList{QString()});
        QVERIFY(!controle<QPushButton>(*j, "Command1")->isEnabled());
        QVERIFY(j->documento().nome_arquivo.isEmpty());

        d.abrir << arquivo(QStringLiteral("aberto.spl"));
        controle<QPushButton>(*j, "Command8")->click();
        QVERIFY(controle<QPushButton>(*j, "Command1")->isEnabled());
        QVERIFY(j->findChild<QAction*>(QStringLiteral("spool_imprimir"))->isEnabled());
    }

    void salvar_texto_ou_copia_data()
    {
        QTest::addColumn<QString>("destino");
        QTest::addColumn<QByteArray>("esperado");
        const QByteArray com_comandos = "Ol\xe1\x1b" "Y10\x1a\n\x1b" "3Xfim\r\n\f\x1a";
        QTest::newRow("txt") << QStringLiteral("copia.txt") << QByteArray("Ol\xe1\nXfim\r\n\f");
        QTest::newRow("TXT") << QStringLiteral("COPIA.TXT") << QByteArray("Ol\xe1\nXfim\r\n\f");
        QTest::newRow("spl") << QStringLiteral("copia.spl") << com_comandos;
        QTest::newRow("sem extensao") << QStringLiteral("copia") << com_comandos;
    }

    void salvar_texto_ou_copia()
    {
        QFETCH(QString, destino);
        QFETCH(QByteArray, esperado);
        const QString origem = arquivo(QStringLiteral("origem.spl"), "Ol\xe1\x1b" "Y10\x1a\n\x1b" "3Xfim\r\n\f\x1a");
        DialogosRoteiro d;
        auto j = janela(d, origem);
        QTemporaryDir saida;
        d.salvar << saida.filePath(destino);
        controle<QPushButton>(*j, "Command7")->click();
        QCOMPARE(d.iniciais_salvar, QStringList{origem});
        QCOMPARE(d.filtros_salvar, QStringList{QStringLiteral("Arquivos de Spool(*.spl);;Arquivos Texto(*.txt)")});
        QVERIFY(d.mensagens.isEmpty());
        QFile f(saida.filePath(destino));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), esperado);
        QCOMPARE(j->documento().nome_arquivo, origem); // the open file stays the same
        // The window is not shown: isVisible() would hold whatever happened.
        QVERIFY(controle<QLabel>(*j, "Label11")->isHidden());
    }

    void salvar_falha_avisa_data()
    {
        QTest::addColumn<bool>("sobre_a_origem");
        QTest::newRow("o proprio arquivo") << true;
        QTest::newRow("pasta inexistente") << false;
    }

    void salvar_falha_avisa()
    {
        QFETCH(bool, sobre_a_origem);
        const QString origem = arquivo(QStringLiteral("fonte.spl"));
        DialogosRoteiro d;
        auto j = janela(d, origem);
        d.salvar << (sobre_a_origem ? origem : pasta_.filePath(QStringLiteral("nao/ha/pasta.spl")));
        j->findChild<QAction*>(QStringLiteral("arquivos_salvar"))->trigger();
        QCOMPARE(d.mensagens.size(), 1);
        QCOMPARE(d.mensagens[0].titulo, titulo_aplicacao);
        QVERIFY(!d.mensagens[0].texto.isEmpty());
        QFile f(origem);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), relatorio); // the source is untouched
    }

    void fontes_mudam_a_fonte_e_invalidam_o_indice()
    {
        DialogosRoteiro d;
        auto j = janela(d, arquivo(QStringLiteral("fontes.spl")));
        j->documento().indice_valido = true;
        controle<QPushButton>(*j, "Command4")->click(); // cancelled
        QVERIFY(j->documento().indice_valido);

        FonteEscolhida f;
        f.nome = QStringLiteral("Times New Roman");
        f.tamanho = 14;
        f.negrito = true;
        d.fontes << f;
        j->findChild<QAction*>(QStringLiteral("spool_fontes"))->trigger();
        QCOMPARE(j->impressora().fontSize(), 14.0);
        QVERIFY(j->impressora().fontBold());
        QVERIFY(!j->documento().indice_valido);
        QVERIFY(j->metricas().altura_linha_padrao > 0);
        QCOMPARE(j->fonte_dialogo().tamanho, 14.0);
    }

    void impressora_cancelada_mantem_a_atual()
    {
        DialogosRoteiro d;
        auto j = janela(d, arquivo(QStringLiteral("impressora.spl")));
        j->findChild<QAction*>(QStringLiteral("spool_impressora"))->trigger();
        QCOMPARE(j->impressora().deviceName(), impressora_pdf);
        QVERIFY(!j->impressora().fontUnderline() && !j->impressora().fontStrikethru());
        d.impressoras << QStringLiteral("Fila que nao existe");
        controle<QPushButton>(*j, "Command3")->click();
        QCOMPARE(j->impressora().deviceName(), impressora_pdf);
        QCOMPARE(d.mensagens.size(), 1);
    }

    void sair_data()
    {
        QTest::addColumn<bool>("marcado");
        QTest::addColumn<bool>("com_linha");
        QTest::addColumn<bool>("excluido");
        QTest::newRow("marcado") << true << true << true;
        QTest::newRow("nao marcado") << false << true << false;
        QTest::newRow("sem linha de comando") << true << false << false;
    }

    void sair()
    {
        QFETCH(bool, marcado);
        QFETCH(bool, com_linha);
        QFETCH(bool, excluido);
        const QString caminho = arquivo(QStringLiteral("sair.spl"));
        DialogosRoteiro d;
        auto j = janela(d, com_linha ? caminho : QString());
        if (!com_linha) {
            d.abrir << caminho;
            controle<QPushButton>(*j, "Command8")->click();
        }
        QSignalSpy fim(j.get(), &Form1::encerrar);
        controle<QLineEdit>(*j, "Text5")->setText(QStringLiteral("15"));
        controle<QLineEdit>(*j, "Text4")->setText(QStringLiteral("20"));
        controle<QCheckBox>(*j, "Check1")->setChecked(marcado);
        controle<QPushButton>(*j, "Command2")->click();
        QCOMPARE(fim.size(), 1);
        QCOMPARE(QFileInfo::exists(caminho), !excluido);
        QVERIFY(d.mensagens.isEmpty());
        std::int32_t e = 0, s = 0;
        ler_margens(e, s);
        QCOMPARE(e, 15);
        QCOMPARE(s, 20);
    }

    void sair_grava_margens_em_dois_bytes()
    {
        DialogosRoteiro d;
        auto j = janela(d, {});
        controle<QLineEdit>(*j, "Text5")->setText(QStringLiteral("15"));
        controle<QLineEdit>(*j, "Text4")->setText(QStringLiteral("20"));
        j->findChild<QAction*>(QStringLiteral("arquivos_sair"))->trigger();
        QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orvel"), QStringLiteral("Papelada"));
        const QString esquerda = store.value(QStringLiteral("Software/Orvel/Papelada/Margem esquerda")).toString();
        const QString superior = store.value(QStringLiteral("Software/Orvel/Papelada/Margem Superior")).toString();
        QCOMPARE(esquerda, QStringLiteral("15"));
        QCOMPARE(superior, QStringLiteral("20"));
    }

    void sair_com_exclusao_falha_avisa()
    {
        const QString caminho = arquivo(QStringLiteral("some.spl"));
        DialogosRoteiro d;
        auto j = janela(d, caminho);
        QFile::remove(caminho); // removed behind the program's back
        QSignalSpy fim(j.get(), &Form1::encerrar);
        controle<QCheckBox>(*j, "Check1")->setChecked(true);
        controle<QPushButton>(*j, "Command2")->click();
        QCOMPARE(d.mensagens.size(), 1);
        QVERIFY(d.mensagens[0].texto.contains(caminho));
        QCOMPARE(fim.size(), 1); // the program still ends
    }

    void sobre_uma_janela_so()
    {
        DialogosRoteiro d;
        auto j = janela(d, {});
        QAction* sobre = j->findChild<QAction*>(QStringLiteral("ajuda_sobre"));
        sobre->trigger();
        sobre->trigger();
        const QList<FrmAbout*> janelas = j->findChildren<FrmAbout*>();
        QCOMPARE(janelas.size(), 1);
        FrmAbout* about = janelas[0];
        QVERIFY(about->isVisible() && !about->isModal());
        QCOMPARE(about->objectName(), QStringLiteral("frmAbout"));
        QCOMPARE(about->windowTitle(), QStringLiteral("Sobre Papelada - Impressão de Relatórios"));
        QCOMPARE(controle<QLabel>(*about, "lblTitle")->text(), titulo_aplicacao);
        QCOMPARE(controle<QLabel>(*about, "lblVersion")->text(), QStringLiteral("Versão 1.1 Rev.109"));
        QCOMPARE(controle<QPushButton>(*about, "cmdSysInfo")->text(), QStringLiteral("&Info do Sistema"));

        about->setFerramentas({QStringLiteral("ferramenta-que-nao-existe-em-lugar-algum")});
        controle<QPushButton>(*about, "cmdSysInfo")->click();
        QCOMPARE(d.mensagens.size(), 1);
        QCOMPARE(d.mensagens[0].texto, QStringLiteral("System Information Is Unavailable At This Time"));

        controle<QPushButton>(*about, "cmdOK")->click();
        QVERIFY(!about->isVisible());
        sobre->trigger();
        QVERIFY(about->isVisible());
        QCOMPARE(j->findChildren<FrmAbout*>().size(), 1);
    }

    void paginas_selecionadas_mostram_os_campos()
    {
        DialogosRoteiro d;
        auto j = janela(d, {});
        j->show();
        QVERIFY(!controle<QLineEdit>(*j, "Text1")->isVisible());
        controle<QRadioButton>(*j, "Option2")->click();
        for (const char* nome : {"Text1", "Text2", "Label10", "Label6"})
            QVERIFY2(controle<QWidget>(*j, nome)->isVisible(), nome);
        controle<QRadioButton>(*j, "Option1")->click();
        QVERIFY(!controle<QLineEdit>(*j, "Text2")->isVisible());
    }
};

PAPELADA_TESTE_JANELA(TesteForm1)
#include "teste_form1.moc"
