#include "ui/shell/WinOpt.h"

#include "ui/shell/GuiContext.h"

namespace korvi {

WinOpt::WinOpt(GuiContext& gui, QWidget* parent) : QDialog(parent), gui_(gui) {
    setObjectName(QStringLiteral("WinOpt"));
    setWindowTitle(QStringLiteral("設定"));
}

void WinOpt::SelectCategory(const QString& caption) {
    (void)caption;
}

}  // namespace korvi
