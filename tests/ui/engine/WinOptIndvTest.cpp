#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <gtest/gtest.h>

#include "ModalAnswerer.h"
#include "UiTestKit.h"
#include "engine/profile/Profile.h"
#include "shell/Assist.h"
#include "ui/common/Dialogs.h"
#include "ui/engine/WinOptIndv.h"
#include "ui/engine/WinOptIndvRoot.h"

namespace korvi::test {
namespace {

// A value differing from the default for every key.
DlSrchOpt Unusual() {
    DlSrchOpt o;
    o.depth_max = 5;
    o.hit_max = 0;
    o.page_max = 1234;
    o.thrd_max = 3;
    o.panel.target = {true, true, false, false, false};
    o.panel.crs_target = {false, false, true, false, true};
    o.panel.filter_type = FilterMode::kOut;
    o.panel.filter_string = QStringLiteral("zip,lzh");
    o.panel.filter_start = true;
    o.connect = 7;
    o.get = 0;
    o.re_time = 99;
    o.host_wait = 750;
    o.address = QStringLiteral("proxy.example.jp");
    o.port = 8080;
    o.user_agent = QStringLiteral("Korvi/テスト");
    o.min = 15;
    o.forced_link = true;
    o.pre_search = true;
    o.pre_get_url = true;
    o.stop_get_url = true;
    o.rest_sharp = true;
    o.mk_local_link = false;
    o.add_foot_tag = false;
    o.foot_tag_extension = QStringLiteral("html,txt");
    o.avoid_dl_file_list = QStringLiteral("avoid/除外.txt");
    o.overwrite_dl_file_list = QStringLiteral("overwrite/上書き.txt");
    o.overwrite_type = 2;
    o.overwrite_local_load = true;
    o.offline_link = true;
    o.robots_txt = false;
    o.warc = true;
    o.render_js = 2;
    o.render_keep_source = true;
    o.guide_pic = QStringLiteral("resource/pic/g.gif");
    o.guide_run_type = 7;  // not one of the list's entries: must survive as it is
    o.guide_get_pic = true;
    o.guide_get_pic_filter = QStringLiteral("png");
    o.guide_get_pic_size = 1500000;  // beyond any spin box's usual range
    o.guide_srch_engine = true;
    o.guide_srch_engine_type = 2;
    return o;
}

void Press(QWidget* panel, const char* name) {
    auto* b = Find<QPushButton>(panel, QString::fromLatin1(name));
    ASSERT_NE(b, nullptr) << name;
    b->click();
}

QString TabOf(QWidget* w) {
    for (QWidget* p = w; p; p = p->parentWidget()) {
        auto* tabs = qobject_cast<QTabWidget*>(p->parentWidget() ? p->parentWidget()->parentWidget()
                                                                 : nullptr);
        if (tabs && tabs->indexOf(p) >= 0) return tabs->tabText(tabs->indexOf(p));
    }
    return QString();
}

// Every key a profile file holds has a control of that name inside the group
// of its section, on the tab the section belongs to.
TEST(WinOptIndv, EveryKeyHasItsControlOnItsTab) {
    GuiHome home;
    WinOptIndv ed(home.Gui());
    const QList<QPair<QString, QString>> sections = {
        {"BaseOption", "基本設定"},   {"Target", "基本設定"},       {"CrsTarget", "基本設定"},
        {"Filter", "基本設定"},       {"TimeOut", "通信設定"},      {"Proxy", "通信設定"},
        {"TimeOutAll", "通信設定"},   {"StringFilter", "拡張設定"}, {"ExtraOption", "拡張設定"},
        {"GuideOption", "ガイド設定"}};
    const Assist file(OptToStr(DlSrchOpt()));
    int keys = 0;
    for (const auto& [section, tab] : sections) {
        auto* group = Find<QGroupBox>(&ed, section);
        ASSERT_NE(group, nullptr) << section.toStdString();
        EXPECT_EQ(TabOf(group), tab) << section.toStdString();
        for (const QString& key : file.SectionKeys(section)) {
            QWidget* control = Find<QWidget>(group, key);
            EXPECT_NE(control, nullptr) << section.toStdString() << "." << key.toStdString();
            ++keys;
        }
    }
    EXPECT_EQ(keys, 49);
    EXPECT_EQ(Find<QCheckBox>(&ed, "cb_copy")->text(), QStringLiteral("設定名変更時は複製を作成"));
    EXPECT_EQ(Find<QLineEdit>(&ed, "guide_pic")->placeholderText(), QStringLiteral("参照"));
}

// Loading a profile with unusual values and saving it unchanged writes the
// same file SaveOpt writes for those values.
TEST(WinOptIndv, EveryKeyRoundTrips) {
    GuiHome home;
    const DlSrchOpt v = Unusual();
    ASSERT_TRUE(SaveOpt(home.Ctrl(), QStringLiteral("全部"), QString(), false, v).ok);
    const QByteArray reference = home.Read("option/全部.ini");

    WinOptIndv ed(home.Gui());
    ed.LoadProfile(QStringLiteral("全部"));
    EXPECT_EQ(ed.Values(), v);
    auto* base = Find<QGroupBox>(&ed, "BaseOption");
    EXPECT_EQ(Find<QSpinBox>(base, "page_max")->value(), 1234);
    EXPECT_FALSE(Find<QCheckBox>(&ed, "local_link")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(Find<QGroupBox>(&ed, "Target"), "all")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(Find<QGroupBox>(&ed, "CrsTarget"), "all")->isChecked());
    EXPECT_EQ(Find<QComboBox>(&ed, "overwrite_type")->currentText(),
              QStringLiteral("最終更新日時が不明なサーバーはﾌｧｲﾙｻｲｽﾞを比較"));

    home.Write("option/全部.ini", "");
    Press(&ed, "btn_save");
    EXPECT_EQ(home.Read("option/全部.ini"), reference);
    EXPECT_EQ(home.Dlg().TextOf(QStringLiteral("個別設定保存")),
              QStringLiteral("設定「 全部 」を保存しました。"));

    // A control changed by the user lands in the file; an extra list entry
    // made for an odd value does not stay for the next profile.
    Find<QCheckBox>(&ed, "local_link")->setChecked(true);
    Find<QSpinBox>(base, "depth_max")->setValue(9);
    Press(&ed, "btn_save");
    DlSrchOpt back;
    ASSERT_TRUE(LoadOpt(home.Ctrl(), QStringLiteral("全部"), back));
    EXPECT_TRUE(back.mk_local_link);
    EXPECT_EQ(back.depth_max, 9);
    ed.LoadProfile(kDefaultOptName);
    EXPECT_EQ(Find<QComboBox>(&ed, "guide_run_type")->count(), 4);
    EXPECT_EQ(ed.Values(), DlSrchOpt());
}

// The robots.txt and archive boxes, the per-server wait and the rendering
// choice sit on their tabs with their tips, and a save through the real
// dialogs stores them.
TEST(WinOptIndv, RobotsArchiveServerWaitAndRenderingSaveThroughRealDialogs) {
    GuiHome home;
    QtDialogs dialogs;
    GuiContext gui{home.Ctx(), dialogs, home.Gui().open, {}};
    WinOptIndv ed(gui);
    ed.LoadProfile(kDefaultOptName);
    auto* robots = Find<QCheckBox>(Find<QGroupBox>(&ed, "ExtraOption"), "robots_txt");
    auto* wait = Find<QSpinBox>(Find<QGroupBox>(&ed, "TimeOut"), "host_wait");
    ASSERT_NE(robots, nullptr);
    ASSERT_NE(wait, nullptr);
    auto* warc = Find<QCheckBox>(Find<QGroupBox>(&ed, "ExtraOption"), "warc");
    ASSERT_NE(warc, nullptr);
    EXPECT_FALSE(warc->isChecked());
    EXPECT_FALSE(warc->toolTip().isEmpty());
    warc->setChecked(true);
    EXPECT_TRUE(robots->isChecked());
    EXPECT_EQ(wait->value(), 0);
    EXPECT_FALSE(robots->toolTip().isEmpty());
    EXPECT_FALSE(wait->toolTip().isEmpty());

    auto* render = Find<QComboBox>(Find<QGroupBox>(&ed, "ExtraOption"), "render_js");
    ASSERT_NE(render, nullptr);
    EXPECT_EQ(render->currentIndex(), 0);
    EXPECT_FALSE(render->toolTip().isEmpty());
    EXPECT_TRUE(Find<QLabel>(&ed, "lbl_render_note")->text().contains("chromium"));

    robots->setChecked(false);
    wait->setValue(1500);
    render->setCurrentIndex(2);
    ModalAnswerer answer([](QWidget* m) { AnswerModal(m, true); });
    Press(&ed, "btn_save");
    EXPECT_EQ(answer.Titles(), QStringList{QStringLiteral("個別設定保存")});
    DlSrchOpt back;
    ASSERT_TRUE(LoadOpt(home.Ctrl(), kDefaultOptName, back));
    EXPECT_FALSE(back.robots_txt);
    EXPECT_TRUE(back.warc);
    EXPECT_EQ(back.host_wait, 1500);
    EXPECT_EQ(back.render_js, 2);
}

TEST(WinOptIndv, BrokenFilesAndFailedSaves) {
    GuiHome home;
    WinOptIndv ed(home.Gui());
    // Empty file: the read error, the defaults stay.
    home.Write("option/空.ini", "");
    ed.LoadProfile(QStringLiteral("空"));
    EXPECT_EQ(home.Dlg().TextOf(QStringLiteral("設定ファイル読み込みエラー")),
              QStringLiteral("選択した設定ファイルの中身がありません。"));
    EXPECT_EQ(ed.Values(), DlSrchOpt());

    // Garbage: no crash, unreadable values leave the defaults.
    static const char kJunk[] = "\xff\xfe[Base\x00Option]\ndepth_max=abc\nthrd_max=0\n=\n[\n[]\n";
    home.Write("option/壊.ini", QByteArray(kJunk, sizeof kJunk - 1));
    ed.LoadProfile(QStringLiteral("壊"));
    EXPECT_EQ(ed.Values().depth_max, 2);
    EXPECT_EQ(ed.Values().thrd_max, 8);

    // The file cannot be written: the save error, nothing reported as saved.
    home.Write("option/x.ini/blocker", "");
    home.Dlg().shown.clear();
    Find<QLineEdit>(&ed, "txt_opt_name")->setText(QStringLiteral("x"));
    EXPECT_FALSE(ed.Save());
    EXPECT_TRUE(home.Dlg().WasShown(QStringLiteral("個別設定保存エラー")));
    EXPECT_FALSE(home.Dlg().WasShown(QStringLiteral("個別設定保存")));

    // Empty name.
    Find<QLineEdit>(&ed, "txt_opt_name")->clear();
    EXPECT_FALSE(ed.Save());
    EXPECT_EQ(home.Dlg().TextOf(QStringLiteral("設定名エラー")),
              QStringLiteral("設定名が入力されていません。"));
}

// Renaming in the editor: the old file goes unless the copy box is on; the
// default profile always stays, with the warning.
TEST(WinOptIndv, RenameInEditor) {
    GuiHome home;
    WinOptIndv ed(home.Gui());
    ASSERT_TRUE(SaveOpt(home.Ctrl(), QStringLiteral("旧"), QString(), false, DlSrchOpt()).ok);
    ed.LoadProfile(QStringLiteral("旧"));
    Find<QLineEdit>(&ed, "txt_opt_name")->setText(QStringLiteral("新"));
    EXPECT_TRUE(ed.Save());
    EXPECT_FALSE(home.Exists("option/旧.ini"));
    EXPECT_TRUE(home.Exists("option/新.ini"));

    Find<QCheckBox>(&ed, "cb_copy")->setChecked(true);
    Find<QLineEdit>(&ed, "txt_opt_name")->setText(QStringLiteral("新2"));
    EXPECT_TRUE(ed.Save());
    EXPECT_TRUE(home.Exists("option/新.ini"));
    EXPECT_TRUE(home.Exists("option/新2.ini"));

    Find<QCheckBox>(&ed, "cb_copy")->setChecked(false);
    ed.LoadProfile(kDefaultOptName);
    Find<QLineEdit>(&ed, "txt_opt_name")->setText(QStringLiteral("新3"));
    EXPECT_TRUE(ed.Save());
    EXPECT_TRUE(home.Exists("option/デフォルト.ini"));
    EXPECT_EQ(
        home.Dlg().TextOf(QStringLiteral("設定ファイル名前変更警告")),
        QStringLiteral("デフォルト設定は削除できません。\nデフォルト設定は元のまま残ります。"));
}

QStringList Names(QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i) names.append(list->item(i)->text());
    return names;
}

// New, copy, rename and delete through the list's buttons.
TEST(WinOptIndvRoot, ButtonsManageProfiles) {
    GuiHome home;
    WinOptIndvRoot root(home.Gui());
    auto* list = Find<QListWidget>(&root, "lst_opt");
    ASSERT_NE(list, nullptr);
    int changes = 0;
    QObject::connect(&root, &WinOptIndvRoot::profilesChanged, [&] { ++changes; });
    EXPECT_EQ(root.Selected(), kDefaultOptName);
    EXPECT_EQ(root.Editor()->LoadedName(), kDefaultOptName);

    // New: scripted name; empty and existing names are refused.
    ScriptedDialogs& dlg = home.Dlg();
    dlg.inputs = {QStringLiteral("速い"), QString(""), QStringLiteral("速い")};
    Press(&root, "btn_new_opt");
    EXPECT_TRUE(home.Exists("option/速い.ini"));
    EXPECT_EQ(home.Read("option/速い.ini"), home.Read("option/デフォルト.ini"));
    EXPECT_EQ(root.Selected(), QStringLiteral("速い"));
    EXPECT_EQ(root.Editor()->LoadedName(), QStringLiteral("速い"));
    Press(&root, "btn_new_opt");
    EXPECT_EQ(dlg.TextOf(QStringLiteral("設定名エラー")),
              QStringLiteral("設定名入力欄に名前が入力されていません。名前を入力して下さい。"));
    Press(&root, "btn_new_opt");
    EXPECT_EQ(dlg.TextOf(QStringLiteral("設定名エラー")),
              QStringLiteral("既に同じ名前の設定が存在します。設定名を変更して下さい。"));
    Press(&root, "btn_new_opt");  // cancelled: nothing
    EXPECT_EQ(changes, 1);

    // Copy of the selected one.
    Press(&root, "btn_copy_opt");
    EXPECT_TRUE(home.Exists("option/コピー ～ 速い.ini"));
    EXPECT_EQ(root.Selected(), QStringLiteral("コピー ～ 速い"));

    // Rename: "デフォルト" refused without asking, others renamed.
    ASSERT_TRUE(root.SelectProfile(kDefaultOptName));
    dlg.shown.clear();
    Press(&root, "btn_rename_opt");
    EXPECT_EQ(dlg.Titles(), QStringList{QStringLiteral("名前変更エラー")});
    EXPECT_EQ(dlg.TextOf(QStringLiteral("名前変更エラー")),
              QStringLiteral("デフォルトの名前を変更することはできません。"));
    ASSERT_TRUE(root.SelectProfile(QStringLiteral("コピー ～ 速い")));
    dlg.inputs = {QStringLiteral("遅い")};
    Press(&root, "btn_rename_opt");
    EXPECT_FALSE(home.Exists("option/コピー ～ 速い.ini"));
    EXPECT_TRUE(home.Exists("option/遅い.ini"));
    EXPECT_EQ(root.Selected(), QStringLiteral("遅い"));
    EXPECT_EQ(root.Editor()->LoadedName(), QStringLiteral("遅い"));
    EXPECT_EQ(changes, 3);

    // Delete: "デフォルト" refused; "No" keeps the file; "Yes" deletes it.
    ASSERT_TRUE(root.SelectProfile(kDefaultOptName));
    Press(&root, "btn_del_opt");
    EXPECT_EQ(dlg.TextOf(QStringLiteral("削除エラー")),
              QStringLiteral("デフォルトの設定を削除することはできません。"));
    EXPECT_TRUE(home.Exists("option/デフォルト.ini"));
    ASSERT_TRUE(root.SelectProfile(QStringLiteral("遅い")));
    dlg.yesNo = {Dialogs::Answer::kNo, Dialogs::Answer::kYes};
    Press(&root, "btn_del_opt");
    EXPECT_TRUE(home.Exists("option/遅い.ini"));
    EXPECT_EQ(dlg.TextOf(QStringLiteral("削除確認")),
              QStringLiteral("「遅い」の設定を削除しようとしています。\n削除してもよいですか？\n"));
    Press(&root, "btn_del_opt");
    EXPECT_FALSE(home.Exists("option/遅い.ini"));
    EXPECT_EQ(Names(list), (QStringList{kDefaultOptName, QStringLiteral("速い")}));
    EXPECT_EQ(root.Selected(), kDefaultOptName);
    EXPECT_EQ(changes, 4);

    // Nothing selected.
    list->clearSelection();
    Press(&root, "btn_copy_opt");
    EXPECT_EQ(dlg.TextOf(QStringLiteral("エラー")),
              QStringLiteral("リストが選択されていません。左のリストを選択して下さい。"));
}

// Saving under a new name in the editor shows the new profile in the list.
TEST(WinOptIndvRoot, EditorSaveUnderNewNameRefreshesList) {
    GuiHome home;
    WinOptIndvRoot root(home.Gui());
    int changes = 0;
    QObject::connect(&root, &WinOptIndvRoot::profilesChanged, [&] { ++changes; });
    Find<QLineEdit>(&root, "txt_opt_name")->setText(QStringLiteral("別名"));
    Press(root.Editor(), "btn_save");
    EXPECT_EQ(Names(Find<QListWidget>(&root, "lst_opt")),
              (QStringList{kDefaultOptName, QStringLiteral("別名")}));
    EXPECT_EQ(root.Selected(), QStringLiteral("別名"));
    EXPECT_EQ(changes, 1);
    Press(root.Editor(), "btn_save");  // same name again: the list did not change
    EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace korvi::test
