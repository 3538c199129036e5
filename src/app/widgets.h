// Small helpers shared by the windows.
#pragma once

#include <QApplication>

namespace papelada {

// Gives a control its form name, the object name that tests and the rest of
// the program find it by.
template <typename W>
W* nomear(W* w, const char* nome)
{
    w->setObjectName(QLatin1String(nome));
    return w;
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
