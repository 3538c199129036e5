// Small helpers shared by the windows.
#pragma once

#include <QApplication>
#include <QBoxLayout>
#include <initializer_list>

namespace papelada {

// Gives a control its form name, the object name that tests and the rest of
// the program find it by.
template <typename W>
W* nomear(W* w, const char* nome)
{
    w->setObjectName(QLatin1String(nome));
    return w;
}

// Adds the controls to a row or column, in order.
inline void adicionar(QBoxLayout* caixa, std::initializer_list<QWidget*> controles)
{
    for (QWidget* w : controles)
        caixa->addWidget(w);
}

// The hourglass over the program while a command works.
class Ampulheta {
public:
    Ampulheta() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Ampulheta() { QApplication::restoreOverrideCursor(); }
    Ampulheta(const Ampulheta&) = delete;
    Ampulheta& operator=(const Ampulheta&) = delete;
};

} // namespace papelada
