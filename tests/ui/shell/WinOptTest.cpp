#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "engine/profile/Profile.h"
#include "shell/Assist.h"
#include "ui/engine/WinOptIndv.h"
#include "ui/engine/WinOptIndvRoot.h"
#include "ui/shell/WinOpt.h"

namespace korvi::test {
namespace {

struct Category {
    const char* caption;
    const char* panel;
    const char* anchor;
};

const Category kCategories[] = {
    {"検索設定", "WinOptSrch", "#opt_srch"},
    {"DL先フォルダのパス", "WinOptLogF", "#dl_fldr_path"},
    {"DL先フォルダの削除設定", "WinOptLogDel", "#dl_fldr_del"},
    {"DL先フォルダの操作", "WinOptLogCtrl", "#dl_fldr_ctrl"},
    {"ウィンドウ表示テーマ", "WinOptThm", "#theme"},
    {"URLを開くブラウザの設定", "WinOptBrws", "#brws"},
    {"DL＆検索 設定", "WinOptIndvRoot", "#ds_opt"},
    {"自動ログイン", "WinOptAutoLogin", "#auto_login"},
    {"HTTPサーバー", "WinOptHttpSrvr", "#http_srvr"},
};

// The tree lists the nine categories under "設定"; choosing one, by click or
// by caption, shows its panel.
TEST(WinOpt, TreeShowsEachCategorysPanel) {
    GuiHome home;
    WinOpt win(home.Gui());
    EXPECT_EQ(Find<QLabel>(&win, "lbl_ctgry")->text(), QStringLiteral("カテゴリ"));
    auto* tree = Find<QTreeWidget>(&win, "tree_opt");
    ASSERT_NE(tree, nullptr);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), QStringLiteral("設定"));
    ASSERT_EQ(root->childCount(), 9);
    EXPECT_EQ(win.CurrentCategory(), QString(""));

    for (int i = 0; i < 9; ++i) {
        const Category& c = kCategories[i];
        EXPECT_EQ(root->child(i)->text(0), QString::fromUtf8(c.caption));
        tree->setCurrentItem(root->child(i));
        ASSERT_NE(win.CurrentPanel(), nullptr);
        EXPECT_EQ(win.CurrentPanel()->objectName(), QString::fromLatin1(c.panel)) << c.caption;
    }
    win.SelectCategory(QStringLiteral("検索設定"));
    EXPECT_EQ(win.CurrentPanel()->objectName(), QStringLiteral("WinOptSrch"));
    win.SelectCategory(QStringLiteral("無い"));
    EXPECT_EQ(win.CurrentCategory(), QStringLiteral("検索設定"));
}

// Help opens the chosen category's anchor, or the window's page for the root.
TEST(WinOpt, HelpOpensTheCategorysAnchor) {
    GuiHome home;
    WinOpt win(home.Gui());
    auto* help = Find<QPushButton>(&win, "help_btn");
    ASSERT_NE(help, nullptr);

    // Missing page: logged, nothing opened.
    QFile::remove(home.File("doc/win_opt.html"));
    QFile::remove(home.File("doc/win_opt_ctgry.html"));
    help->click();
    EXPECT_TRUE(home.opened.isEmpty());
    EXPECT_TRUE(home.ErrLog().contains(QStringLiteral("Help Button Error : ")));

    home.Write("doc/win_opt.html", "<html></html>");
    home.Write("doc/win_opt_ctgry.html", "<html></html>");
    help->click();
    ASSERT_EQ(home.opened.size(), 1);
    EXPECT_EQ(home.opened.last(), QUrl::fromLocalFile(home.File("doc/win_opt.html")).toString());
    for (const Category& c : kCategories) {
        win.SelectCategory(QString::fromUtf8(c.caption));
        help->click();
        EXPECT_EQ(home.opened.last(),
                  QUrl::fromLocalFile(home.File("doc/win_opt_ctgry.html")).toString() +
                      QString::fromLatin1(c.anchor));
    }
    EXPECT_EQ(home.opened.size(), 10);
}

// "保存" of the search panel writes the common settings and sets the matcher.
TEST(WinOpt, SearchPanelSavesCommonSettingsAndMatcher) {
    GuiHome home;
    home.Write("cmn_opt.ini", "[CommonOption]\nsearch_type=9\ncase_insensitive=5\n[Mine]\nk=v\n");
    home.Ctx().Cmn().Read(QSize());
    WinOpt win(home.Gui());
    int changed = 0;
    QObject::connect(&win, &WinOpt::commonChanged, [&] { ++changed; });
    win.SelectCategory(QStringLiteral("検索設定"));
    QWidget* panel = win.CurrentPanel();
    auto* types = Find<QListWidget>(panel, "lst_srch_type");
    auto* caseBox = Find<QCheckBox>(panel, "cb_case_insnstv");
    ASSERT_NE(types, nullptr);
    ASSERT_NE(caseBox, nullptr);
    ASSERT_EQ(types->count(), 4);
    EXPECT_EQ(types->item(2)->text(), QStringLiteral("検索エンジン・タイプ"));
    EXPECT_EQ(caseBox->text(), QStringLiteral("A＝a（大文字と小文字の区別を行なわない）"));
    // Out-of-range values read as 0: the first type, case not distinguished.
    EXPECT_EQ(types->currentRow(), 0);
    EXPECT_TRUE(caseBox->isChecked());

    types->setCurrentRow(3);
    caseBox->setChecked(false);
    Find<QPushButton>(panel, "btn_save")->click();
    Assist file(QString::fromUtf8(home.Read("cmn_opt.ini")));
    EXPECT_EQ(file.GetIni("CommonOption", "search_type"), QStringLiteral("3"));
    EXPECT_EQ(file.GetIni("CommonOption", "case_insensitive"), QStringLiteral("1"));
    EXPECT_EQ(file.GetIni("Mine", "k"), QStringLiteral("v"));
    EXPECT_EQ(home.Ctx().Match().SearchType(), 3);
    EXPECT_TRUE(home.Ctx().Match().CaseSensitive());
    EXPECT_EQ(changed, 1);

    types->setCurrentRow(1);
    caseBox->setChecked(true);
    Find<QPushButton>(panel, "btn_save")->click();
    file.InitIni(QString::fromUtf8(home.Read("cmn_opt.ini")));
    EXPECT_EQ(file.GetIni("CommonOption", "search_type"), QStringLiteral("1"));
    EXPECT_EQ(file.GetIni("CommonOption", "case_insensitive"), QStringLiteral("0"));
    EXPECT_FALSE(home.Ctx().Match().CaseSensitive());
    EXPECT_EQ(changed, 2);
}

// A common settings file that cannot be written: the error, and neither the
// held settings nor the matcher change.
TEST(WinOpt, SearchPanelFailedSaveChangesNothing) {
    GuiHome home;
    home.Write("cmn_opt.ini/blocker", "");
    WinOpt win(home.Gui());
    int changed = 0;
    QObject::connect(&win, &WinOpt::commonChanged, [&] { ++changed; });
    win.SelectCategory(QStringLiteral("検索設定"));
    Find<QListWidget>(win.CurrentPanel(), "lst_srch_type")->setCurrentRow(2);
    Find<QCheckBox>(win.CurrentPanel(), "cb_case_insnstv")->setChecked(false);
    Find<QPushButton>(win.CurrentPanel(), "btn_save")->click();
    EXPECT_TRUE(home.Dlg().WasShown(QStringLiteral("検索設定保存エラー")));
    EXPECT_EQ(home.Ctx().Cmn().Opt().search_type, 0);
    EXPECT_EQ(home.Ctx().Cmn().Opt().case_insensitive, 0);
    EXPECT_EQ(home.Ctx().Match().SearchType(), 0);
    EXPECT_FALSE(home.Ctx().Match().CaseSensitive());
    EXPECT_EQ(changed, 0);
}

// The browser switch is saved into "cmn_opt.ini".
TEST(WinOpt, BrowserSwitchSaved) {
    GuiHome home;
    WinOpt win(home.Gui());
    int changed = 0;
    QObject::connect(&win, &WinOpt::commonChanged, [&] { ++changed; });
    win.SelectCategory(QStringLiteral("URLを開くブラウザの設定"));
    auto* box = Find<QCheckBox>(win.CurrentPanel(), "cb_not_ie");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked());
    box->setChecked(true);
    Find<QPushButton>(win.CurrentPanel(), "btn_save_brws")->click();
    EXPECT_EQ(Assist(QString::fromUtf8(home.Read("cmn_opt.ini"))).GetIni("Extra", "not_send_ie"),
              QStringLiteral("1"));
    EXPECT_TRUE(home.Ctx().Cmn().Opt().not_send_ie);
    EXPECT_EQ(changed, 1);
}

// The main window's "編集" opens a given profile; list changes are forwarded.
TEST(WinOpt, SelectProfileAndForwardListChanges) {
    GuiHome home;
    DlSrchOpt o;
    o.depth_max = 6;
    ASSERT_TRUE(SaveOpt(home.Ctrl(), QStringLiteral("深い"), QString(), false, o).ok);
    WinOpt win(home.Gui());
    int changed = 0;
    QObject::connect(&win, &WinOpt::profilesChanged, [&] { ++changed; });
    win.SelectProfile(QStringLiteral("深い"));
    EXPECT_EQ(win.CurrentCategory(), QStringLiteral("DL＆検索 設定"));
    auto* root = qobject_cast<WinOptIndvRoot*>(win.CurrentPanel());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Selected(), QStringLiteral("深い"));
    EXPECT_EQ(root->Editor()->Values().depth_max, 6);

    home.Dlg().inputs = {QStringLiteral("新しい")};
    Find<QPushButton>(root, "btn_new_opt")->click();
    EXPECT_EQ(changed, 1);
}

}  // namespace
}  // namespace korvi::test
