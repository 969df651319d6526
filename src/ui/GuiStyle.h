#pragma once

class QApplication;

namespace korvi::ui {

// Installs the look every window shares (Qt's "Fusion" style).
void ApplyGuiStyle(QApplication& app);

}  // namespace korvi::ui
