// What every window of the program shares: Qt's own texts in Portuguese and
// the program's icon.
#pragma once

#include <QIcon>
#include <functional>

class QCoreApplication;
class QObject;

namespace papelada {

// Loads the translation of Qt's own texts (file and print dialogs, the font
// dialog, standard buttons) from the system's translations folder. False
// when it is not installed: those texts stay in English.
bool carregar_traducoes(QCoreApplication& aplicacao);

// The warnings that the program's modules write for the user ("Aviso: ..."),
// also handed to `mostrar`, in the thread of `contexto` once it runs its
// events; the terminal still gets them. Null `contexto` stops it.
void encaminhar_avisos(QObject* contexto, std::function<void(const QString&)> mostrar);

// The program's icon, one scalable picture.
QIcon icone_programa();

} // namespace papelada
