#include "app/janelas_auxiliares.h"

#include "app/aplicacao.h"
#include "app/widgets.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QDeadlineTimer>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

namespace papelada {

Form2::Form2(QWidget* pai) : QWidget(pai, Qt::Window)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Imprimindo imagem"));
    rotulo_imagem = nomear(new QLabel(this), "Picture1");
    rotulo_imagem->move(0, 0);
}

void Form2::mostrar(const QImage& imagem)
{
    // Large pictures are shown reduced to the screen; the printout is not.
    QSize limite(1024, 768);
    if (const QScreen* tela = QApplication::primaryScreen())
        limite = tela->availableSize();
    QPixmap figura = QPixmap::fromImage(imagem);
    if (figura.width() > limite.width() || figura.height() > limite.height())
        figura = figura.scaled(limite * 0.9, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    rotulo_imagem->setPixmap(figura);
    rotulo_imagem->resize(figura.size());
    resize(figura.width() + 13, figura.height() + 13);
    move(0, 0);
    show();
    // The picture prints right after this, with no event loop in between:
    // the window gets a moment to appear and is painted now.
    const QDeadlineTimer prazo(500);
    while (windowHandle() && !windowHandle()->isExposed() && !prazo.hasExpired())
    {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
    repaint();
}

FrmAbout::FrmAbout(Dialogos& dialogos, QWidget* pai)
    : QDialog(pai), dialogos_(dialogos),
      ferramentas_{QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter")}
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Sobre ") + titulo_aplicacao);
    setModal(false);

    auto* icone = nomear(new QLabel(this), "picIcon");
    icone->setPixmap(icone_programa().pixmap(48, 48));
    icone->setAlignment(Qt::AlignTop);

    auto* rotulo_titulo = nomear(new QLabel(titulo_aplicacao, this), "lblTitle");
    QFont grande = rotulo_titulo->font();
    grande.setBold(true);
    grande.setPointSizeF(grande.pointSizeF() * 1.3);
    rotulo_titulo->setFont(grande);
    auto* rotulo_versao = nomear(new QLabel(QStringLiteral("Versão %1.%2 Rev.%3").arg(1).arg(1).arg(109), this),
                              "lblVersion");

    auto linha = [this] {
        auto* l = new QFrame(this);
        l->setFrameShape(QFrame::HLine);
        l->setFrameShadow(QFrame::Sunken);
        return l;
    };
    auto* botao_ok = nomear(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    botao_ok->setDefault(true);
    auto* botao_info_sistema = nomear(new QPushButton(QStringLiteral("&Info do Sistema"), this), "cmdSysInfo");
    connect(botao_ok, &QPushButton::clicked, this, &QDialog::close);
    connect(botao_info_sistema, &QPushButton::clicked, this, &FrmAbout::StartSysInfo);

    auto* textos = new QVBoxLayout;
    adicionar(textos, {rotulo_titulo, rotulo_versao});
    textos->addStretch();
    auto* topo = new QHBoxLayout;
    topo->addWidget(icone);
    topo->addLayout(textos, 1);
    auto* botoes = new QHBoxLayout;
    botoes->addStretch();
    adicionar(botoes, {botao_ok, botao_info_sistema});
    auto* tudo = new QVBoxLayout(this);
    tudo->addLayout(topo);
    tudo->addWidget(linha());
    tudo->addWidget(linha());
    tudo->addLayout(botoes);
}

void FrmAbout::StartSysInfo()
{
    for (const QString& programa : std::as_const(ferramentas_)) {
        const QString caminho = QStandardPaths::findExecutable(programa);
        if (!caminho.isEmpty() && QProcess::startDetached(caminho, {}))
            return;
    }
    dialogos_.mensagem(this, QStringLiteral("System Information Is Unavailable At This Time"),
                       titulo_aplicacao, Dialogos::Icone::Informacao);
}

} // namespace papelada
