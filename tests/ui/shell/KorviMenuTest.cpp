#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "ui/shell/Korvi.h"

namespace korvi::test {
namespace {

// The menu items a user sees, with their captions; menus show tool tips.
TEST(KorviMenu, ItemsCarryNamesCaptionsAndTips) {
    GuiHome home;
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    EXPECT_EQ(win.windowTitle(), QStringLiteral("Korvi ver. 1.302"));

    QAction* open = win.Action(QStringLiteral("mni_open_lst"));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), QStringLiteral("リストを開く(&O)"));
    for (const char* name :
         {"mni_save_lst",     "mni_out_tmplt", "mni_add_url",   "mni_add_lst",   "mni_end",
          "mni_exit",         "mni_copy_sel",  "mni_del_sel",   "mni_del_unsel", "mni_srch",
          "mni_srch_next",    "mni_srch_prev", "mni_chk_true",  "mni_chk_false", "mni_open_sel",
          "mni_set_base_sel", "mni_shfl",      "mni_expnd_no",  "mni_skip",      "mni_redl",
          "mni_open_local",   "mni_save",      "mni_send_mwin", "mni_exe_fldr",  "mni_log_fldr",
          "mni_opt",          "mni_fav_add",   "mni_fav_edit",  "mni_web",       "mni_cp",
          "mni_help",         "mni_uss",       "mni_rep"}) {
        QAction* a = win.Action(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
    }
    for (const char* name : {"mn_sendto", "mn_fav_sel", "mn_iefav_sel"})
        EXPECT_NE(Find<QMenu>(&win, QString::fromLatin1(name)), nullptr) << name;
    for (QMenu* m : win.menuBar()->findChildren<QMenu*>()) {
        if (!m->objectName().isEmpty()) {
            EXPECT_TRUE(m->toolTipsVisible()) << m->objectName().toStdString();
        }
    }
}

// The Edit menu shows the init-list section in category 0 and the run-list
// section in category 1.
TEST(KorviMenu, EditSectionsFollowTheCategory) {
    GuiHome home;
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    EXPECT_EQ(win.GetTypeWork(), Korvi::kDsInit);
    EXPECT_TRUE(win.Action(QStringLiteral("mni_shfl"))->isVisible());
    EXPECT_FALSE(win.Action(QStringLiteral("mni_skip"))->isVisible());

    auto* tree = Find<QTreeWidget>(&win, QStringLiteral("tree_work"));
    ASSERT_NE(tree, nullptr);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), QStringLiteral("仕事"));
    ASSERT_EQ(root->childCount(), 5);
    tree->setCurrentItem(root->child(1));
    EXPECT_EQ(win.GetTypeWork(), Korvi::kDsAct);
    EXPECT_FALSE(win.Action(QStringLiteral("mni_shfl"))->isVisible());
    EXPECT_TRUE(win.Action(QStringLiteral("mni_skip"))->isVisible());
}

}  // namespace
}  // namespace korvi::test
