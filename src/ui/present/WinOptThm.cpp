#include "ui/present/WinOptThm.h"

#include "ui/shell/GuiContext.h"

namespace korvi {

WinOptThm::WinOptThm(GuiContext& gui, QWidget* parent) : QWidget(parent), gui_(gui) {
    setObjectName(QStringLiteral("WinOptThm"));
}

}  // namespace korvi
