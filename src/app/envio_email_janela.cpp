#include "app/envio_email_janela.h"

#include "app/form1.h"
#include "print/envio_email.h"
#include "print/trabalho.h"

#include <QApplication>
#include <QToolBar>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QRadioButton>
#include <QToolButton>

namespace papelada {

namespace {

QIcon icone_email()
{
    QPixmap figura(48, 48);
    figura.fill(Qt::transparent);
    QPainter p(&figura);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x33, 0x44, 0x66), 3));
    p.setBrush(QColor(0xf4, 0xf1, 0xe6));
    p.drawRect(QRectF(5, 11, 38, 26));
    p.drawPolyline(QPolygonF({QPointF(5, 11), QPointF(24, 27), QPointF(43, 11)}));
    return QIcon(figura);
}

} // namespace

// The PDF is made while the window waits; the mail program is then started
// and the window goes on at once. Failures are message boxes over the window
// in front (the preview, when the command came from there). The PDF stays
// until the program ends.
void Form1::enviar_por_email_Click()
{
    PedidoImpressao pedido;
    if (ocupada() || doc_.nome_arquivo.isEmpty() || !validar(pedido))
        return;
    TrabalhoArquivo t;
    t.relatorio = doc_.nome_arquivo;
    const auto numero = [](double v) { return QString::number(v, 'g', 15); };
    if (opcao_selecionar->isChecked())
        t.paginas = numero(pedido.paginas.primeira) + u'-' + numero(pedido.paginas.ultima);
    t.margens = numero(pedido.margens.esquerda) + u',' + numero(pedido.margens.superior);
    QPointer<QWidget> janela(QApplication::activeWindow() ? QApplication::activeWindow() : this);
    Observador calado; // the report's messages were shown when it was opened
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ResultadoTrabalho r = fazer_anexo(t, calado);
    QApplication::restoreOverrideCursor();
    if (r.fim != FimTrabalho::Impresso) {
        dialogos_.mensagem(janela, r.erro, titulo_aplicacao, Dialogos::Icone::Critico);
        return;
    }
    QPointer<Form1> eu(this);
    abrir_email(t.pdf, QFileInfo(t.pdf).completeBaseName(), {}, [eu, janela](const QString& erro) {
        if (eu && !erro.isEmpty())
            eu->dialogos_.mensagem(janela ? janela.data() : eu.data(), erro, titulo_aplicacao,
                                   Dialogos::Icone::Exclamacao);
    });
}

void botao_email(QToolBar* barra, const std::function<void()>& acao)
{
    if (!acao)
        return;
    auto* b = new QToolButton(barra);
    b->setObjectName(QStringLiteral("BotaoEmail"));
    b->setIcon(icone_email());
    b->setIconSize(QSize(24, 24));
    b->setAutoRaise(true);
    b->setToolTip(QStringLiteral("Enviar o relatório em PDF por e-mail"));
    QObject::connect(b, &QToolButton::clicked, b, acao);
    barra->addWidget(b);
}

} // namespace papelada
