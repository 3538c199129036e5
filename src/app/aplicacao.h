// What every window of the program shares: Qt's own texts in Portuguese and
// the program's icon.
#pragma once

#include <QIcon>

class QCoreApplication;

namespace papelada {

// Loads the translation of Qt's own texts (file and print dialogs, the font
// dialog, standard buttons) from the system's translations folder. False
// when it is not installed: those texts stay in English.
bool carregar_traducoes(QCoreApplication& aplicacao);

// The program's icon, one scalable picture.
QIcon icone_programa();

} // namespace papelada
