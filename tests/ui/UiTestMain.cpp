#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/common/GuiStyle.h"

// One offscreen application for every window test.
int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    korvi::ui::ApplyGuiStyle(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
