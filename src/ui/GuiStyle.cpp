#include "ui/GuiStyle.h"

#include <QApplication>
#include <QStyleFactory>

namespace korvi::ui {

void ApplyGuiStyle(QApplication& app) {
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(style);
}

}  // namespace korvi::ui
