#pragma once

class QCoreApplication;
class QTranslator;

namespace korvi::ui {

// Installs Qt's own Japanese texts (file dialogs, context menus, standard
// buttons) from qtbase_ja.qm in Qt's translations folder, whatever the
// locale. The translator belongs to app; null when the file is missing.
QTranslator* InstallQtTranslations(QCoreApplication& app);

}  // namespace korvi::ui
