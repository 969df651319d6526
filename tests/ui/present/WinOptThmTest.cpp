#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "ui/present/WinOptThm.h"

namespace korvi::test {
namespace {

// Puts the application's palette back after a test that changes it.
class PaletteGuard {
public:
    PaletteGuard() : saved_(QApplication::palette()) {}
    ~PaletteGuard() { QApplication::setPalette(saved_); }

private:
    QPalette saved_;
};

TEST(WinOptThm, ListsThemesAndSavingAppliesTheChosenOne) {
    PaletteGuard guard;
    GuiHome home;
    home.Write("theme/Zed.theme",
               "name=Zed\nsecondary3=10,20,30\nblack=240,240,240\nwhite=0,0,0\n"
               "primary2=200,0,0\n");
    WinOptThm panel(home.Gui());
    auto* list = Find<QListWidget>(&panel, "lst_thm");
    auto* save = Find<QPushButton>(&panel, "btn_save");
    ASSERT_NE(list, nullptr);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), "保存");
    ASSERT_GE(list->count(), 4);
    EXPECT_EQ(list->item(0)->text(), "Korvi");
    EXPECT_EQ(list->currentItem()->text(), "Korvi");
    EXPECT_EQ(list->item(list->count() - 1)->text(), "若葉");

    const QList<QListWidgetItem*> zed = list->findItems("Zed", Qt::MatchExactly);
    ASSERT_EQ(zed.size(), 1);
    list->setCurrentItem(zed.first());
    save->click();
    EXPECT_EQ(home.Read("Korvi.theme"), home.Read("theme/Zed.theme"));
    const QPalette pal = QApplication::palette();
    EXPECT_EQ(pal.color(QPalette::Window), QColor(10, 20, 30));
    EXPECT_EQ(pal.color(QPalette::WindowText), QColor(240, 240, 240));
    EXPECT_EQ(pal.color(QPalette::Base), QColor(0, 0, 0));
    EXPECT_EQ(pal.color(QPalette::Highlight), QColor(200, 0, 0));
    // Open widgets follow the application palette.
    QCoreApplication::processEvents();
    EXPECT_EQ(panel.palette().color(QPalette::Window), QColor(10, 20, 30));
}

TEST(WinOptThm, EmptyThemeFolderListsNothingAndSavesNothing) {
    GuiHome home;
    QDir(home.File("theme")).removeRecursively();
    const QByteArray active = home.Read("Korvi.theme");
    WinOptThm panel(home.Gui());
    auto* list = Find<QListWidget>(&panel, "lst_thm");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(panel.SaveOpt());
    Find<QPushButton>(&panel, "btn_save")->click();
    EXPECT_EQ(home.Read("Korvi.theme"), active);
}

}  // namespace
}  // namespace korvi::test
