// The small windows of the main window: the picture shown while an image
// prints, and the About box.
#pragma once

#include "app/dialogos.h"

#include <QDialog>
#include <QStringList>
#include <QWidget>

class QLabel;
class QPushButton;

namespace papelada {

// "Imprimindo imagem": the picture being printed, at the top left corner of
// the screen.
class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(QWidget* pai = nullptr);
    void mostrar(const QImage& imagem);

private:
    QLabel* rotulo_imagem;
};

// "Sobre Papelada - Impressão de Relatórios".
class FrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit FrmAbout(Dialogos& dialogos, QWidget* pai = nullptr);
    // Starts the system information tool, or says that there is none.
    void StartSysInfo();
    // Programs tried, in this order, as the system information tool.
    void setFerramentas(const QStringList& programas) { ferramentas_ = programas; }

private:
    Dialogos& dialogos_;
    QStringList ferramentas_;
};

} // namespace papelada
