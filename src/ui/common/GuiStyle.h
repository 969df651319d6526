#pragma once

class QApplication;
class QStyle;

namespace korvi::ui {

// The look every window shares: Qt's "Fusion" style, with the outlines of
// check boxes and radio buttons drawn so that they read on any theme.
QStyle* MakeGuiStyle();
// Whether style is the one MakeGuiStyle makes.
bool IsGuiStyle(const QStyle* style);
// Installs that look on the application.
void ApplyGuiStyle(QApplication& app);

}  // namespace korvi::ui
