#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "shell/Assist.h"
#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "ui/store/WinOptLogCtrl.h"
#include "ui/store/WinOptLogDel.h"
#include "ui/store/WinOptLogF.h"

namespace korvi::test {
namespace {

QString Setting(GuiHome& home, const char* section, const char* key) {
    const Assist ini(QString::fromUtf8(home.Read(QStringLiteral("cmn_opt.ini"))));
    return ini.GetIni(QString::fromLatin1(section), QString::fromLatin1(key));
}

QStringList Entries(GuiHome& home, const QString& rel = QStringLiteral("log")) {
    return QDir(home.File(rel)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList Items(QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i) names.append(list->item(i)->text());
    return names;
}

// The reset button puts back the reset values; save writes the section;
// a field left empty is refused instead of saved as 0.
TEST(WinOptLogDel, ResetSaveAndEmptyField) {
    GuiHome home;
    home.Gui().ctx.Cmn().Opt().log_del = {true, 3, false, 700, true, 4};
    WinOptLogDel win(home.Gui());
    auto* day = Find<QLineEdit>(&win, "txt_log_day");
    auto* size = Find<QLineEdit>(&win, "txt_log_size");
    auto* no = Find<QLineEdit>(&win, "txt_log_no");
    EXPECT_TRUE(Find<QCheckBox>(&win, "cb_log_day")->isChecked());
    EXPECT_EQ(size->text(), QStringLiteral("700"));

    Find<QPushButton>(&win, "btn_log_def")->click();
    EXPECT_FALSE(Find<QCheckBox>(&win, "cb_log_day")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(&win, "cb_log_no")->isChecked());
    EXPECT_EQ(QStringList({day->text(), size->text(), no->text()}),
              QStringList({"5", "5000", "10"}));
    EXPECT_EQ(home.Gui().ctx.Cmn().Opt().log_del.size_no, 700);  // not saved yet

    Find<QCheckBox>(&win, "cb_log_size")->setChecked(true);
    size->setText(QStringLiteral("123"));
    Find<QPushButton>(&win, "btn_save")->click();
    EXPECT_EQ(home.Gui().ctx.Cmn().Opt().log_del, (LogDelSettings{false, 5, true, 123, false, 10}));
    EXPECT_EQ(Setting(home, "LogDel", "size_no"), QStringLiteral("123"));
    EXPECT_EQ(Setting(home, "LogDel", "size_flag"), QStringLiteral("1"));

    size->clear();
    Find<QPushButton>(&win, "btn_save")->click();
    EXPECT_TRUE(home.Dlg().WasShown(QStringLiteral("DL先フォルダ削除設定エラー")));
    EXPECT_EQ(home.Gui().ctx.Cmn().Opt().log_del.size_no, 123);
    EXPECT_EQ(Setting(home, "LogDel", "size_no"), QStringLiteral("123"));
}

// The chooser fills the path; a path that is no folder is refused with the
// path error and nothing is stored.
TEST(WinOptLogF, BrowseSaveAndPathError) {
    GuiHome home;
    WinOptLogF win(home.Gui());
    QSignalSpy saved(&win, &WinOptLogF::saved);
    auto* txt = Find<QLineEdit>(&win, "txt_logf");
    EXPECT_EQ(txt->text(), QStringLiteral("log"));

    txt->setText(home.File(QStringLiteral("nowhere")));
    Find<QPushButton>(&win, "btn_save")->click();
    EXPECT_EQ(home.Dlg().TextOf(QStringLiteral("パス・エラー")),
              QStringLiteral("正しいフォルダのパスが入力されていません。\n"
                             "正しいフォルダのパスを入力するようにして下さい。"));
    EXPECT_EQ(home.Gui().ctx.Cmn().Opt().log_folder, QStringLiteral("log"));
    EXPECT_EQ(saved.count(), 0);

    QDir().mkpath(home.File(QStringLiteral("store2")));
    home.Dlg().inputs.push_back(home.File(QStringLiteral("store2")) + u'/');
    Find<QPushButton>(&win, "btn_logf")->click();
    EXPECT_EQ(home.Dlg().shown.back().kind, QStringLiteral("folder"));
    EXPECT_EQ(home.Dlg().shown.back().title, QStringLiteral("フォルダの選択"));
    Find<QPushButton>(&win, "btn_save")->click();
    EXPECT_EQ(home.Gui().ctx.Cmn().Opt().log_folder, home.File(QStringLiteral("store2")));
    EXPECT_EQ(Setting(home, "Path", "log_folder"), home.File(QStringLiteral("store2")));
    EXPECT_EQ(saved.count(), 1);
}

// Three run folders and "stock" below the download root.
struct CtrlPanel {
    GuiHome home;
    std::unique_ptr<WinOptLogCtrl> win;

    CtrlPanel() {
        home.Write(QStringLiteral("log/A/h/a.html"), QByteArray(3000, 'a'));
        home.Write(QStringLiteral("log/A/h/same.html"), "from A");
        home.Write(QStringLiteral("log/B/h/same.html"), "from B");
        home.Write(QStringLiteral("log/C/c.txt"), "c");
        home.Write(QStringLiteral("log/stock/s.txt"), "s");
        QDir(home.File(QStringLiteral("log/tmp"))).removeRecursively();
        win = std::make_unique<WinOptLogCtrl>(home.Gui());
    }
    QListWidget* List(const char* name) { return Find<QListWidget>(win.get(), name); }
    void Select(const char* list, const QStringList& names) {
        QListWidget* l = List(list);
        l->clearSelection();
        for (const QString& n : names) l->findItems(n, Qt::MatchExactly).first()->setSelected(true);
    }
    void Press(const char* button) { Find<QPushButton>(win.get(), button)->click(); }
    bool Reported(const QString& title) {
        return WaitUntil([&] { return home.Dlg().WasShown(title); });
    }
};

// Delete refuses an empty selection, changes nothing on "no", deletes and
// reports on "yes" off the GUI thread, and reads the lists again.
TEST(WinOptLogCtrl, DeleteAndDeleteAll) {
    CtrlPanel p;
    const QStringList all = {"A", "B", "C", "stock"};
    EXPECT_EQ(Items(p.List("lst_log_ctrl")), all);
    EXPECT_EQ(Items(p.List("lst_log_ctrl2")), all);

    p.Press("btn_log_ctrl_del");
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("DL先フォルダ削除")),
              QStringLiteral("削除する「DL先フォルダ」がありません。"));

    p.Select("lst_log_ctrl", {"C", "A"});
    p.home.Dlg().yesNo.push_back(Dialogs::Answer::kNo);
    p.Press("btn_log_ctrl_del");
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("削除確認")),
              QStringLiteral("「A、C」の「DL先フォルダ」を削除しようとしています。\n"
                             "削除してもよいですか？\n"));
    EXPECT_EQ(Entries(p.home), all);

    p.home.Dlg().shown.clear();
    p.Press("btn_log_ctrl_del");
    // The deletion runs on its own thread; the buttons wait for its end.
    EXPECT_TRUE(p.win->IsBusy());
    EXPECT_FALSE(Find<QPushButton>(p.win.get(), "btn_log_ctrl_del_all")->isEnabled());
    ASSERT_TRUE(p.Reported(QStringLiteral("DL先フォルダ削除")));
    EXPECT_TRUE(Find<QPushButton>(p.win.get(), "btn_log_ctrl_del_all")->isEnabled());
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("DL先フォルダ削除")),
              QStringLiteral("「A、C」についての結果。\n\n"
                             "削除した「DL先フォルダ」の情報は以下の通りです。\n\n"
                             "・削除ディレクトリ数\t： 3 個\n・削除ファイル数\t： 3 個\n"
                             "・削除ファイル・サイズ\t： 3 KB\n"));
    EXPECT_EQ(Entries(p.home), QStringList({"B", "stock"}));
    EXPECT_EQ(Items(p.List("lst_log_ctrl2")), QStringList({"B", "stock"}));

    p.home.Dlg().yesNo.push_back(Dialogs::Answer::kNo);
    p.Press("btn_log_ctrl_del_all");
    EXPECT_EQ(Entries(p.home).size(), 2);
    p.Press("btn_log_ctrl_del_all");
    ASSERT_TRUE(p.Reported(QStringLiteral("DL先フォルダ全削除")));
    EXPECT_TRUE(Entries(p.home).isEmpty());
    EXPECT_EQ(p.List("lst_log_ctrl")->count(), 0);

    // Closing the panel while an operation runs waits for it and shows nothing.
    p.home.Write(QStringLiteral("log/D/d.txt"), "d");
    p.Press("btn_log_ctrl_del_all");
    p.home.Dlg().shown.clear();
    p.win.reset();
    WaitUntil([] { return false; }, 100);
    EXPECT_TRUE(p.home.Dlg().shown.empty());
    EXPECT_TRUE(Entries(p.home).isEmpty());
}

// Merge refuses "stock", a missing target and the target itself; on "yes"
// it moves what the target lacks, keeps the target's duplicates and removes
// the sources. Merge all leaves "stock" alone.
TEST(WinOptLogCtrl, MergeAndMergeAll) {
    CtrlPanel p;
    p.Select("lst_log_ctrl", {"A"});
    p.Press("btn_log_ctrl_cmb");
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("DL先フォルダ統合02")));
    p.Select("lst_log_ctrl2", {"B"});
    p.Select("lst_log_ctrl", {"A", "stock"});
    p.Press("btn_log_ctrl_cmb");
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("DL先フォルダ統合03")),
              QStringLiteral("「stock」フォルダは対象にできません。"));
    p.Select("lst_log_ctrl", {"B"});
    p.Press("btn_log_ctrl_cmb");
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("DL先フォルダ統合05")));

    p.Select("lst_log_ctrl", {"A"});
    p.home.Dlg().yesNo.push_back(Dialogs::Answer::kNo);
    p.Press("btn_log_ctrl_cmb");
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("統合確認")));
    EXPECT_EQ(Entries(p.home), QStringList({"A", "B", "C", "stock"}));

    p.Press("btn_log_ctrl_cmb");
    ASSERT_TRUE(p.Reported(QStringLiteral("DL先フォルダ統合")));
    const QString report = p.home.Dlg().TextOf(QStringLiteral("DL先フォルダ統合"));
    EXPECT_TRUE(report.startsWith(QStringLiteral("「A」についての結果。\n\n統合した")));
    EXPECT_TRUE(report.contains(QStringLiteral("・移動ファイル数\t： 1 個\n")));
    EXPECT_EQ(Entries(p.home), QStringList({"B", "C", "stock"}));
    EXPECT_EQ(p.home.Read(QStringLiteral("log/B/h/same.html")), QByteArray("from B"));
    EXPECT_EQ(p.home.Read(QStringLiteral("log/B/h/a.html")).size(), 3000);

    p.Select("lst_log_ctrl2", {"B"});
    p.Press("btn_log_ctrl_cmb_all");
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("統合確認")),
              QStringLiteral("全てのDL先フォルダを\n「B」に統合しようとしています。\n"
                             "統合された「DL先フォルダ」は全て削除されます。\n"
                             "統合してもよいですか？\n"));
    ASSERT_TRUE(p.Reported(QStringLiteral("DL先フォルダ全統合")));
    EXPECT_EQ(Entries(p.home), QStringList({"B", "stock"}));
    EXPECT_EQ(p.home.Read(QStringLiteral("log/B/c.txt")), QByteArray("c"));

    p.List("lst_log_ctrl2")->clearSelection();
    p.Press("btn_log_ctrl_cmb_all");
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("DL先フォルダ全統合01")));
}

// Open hands the folder to the desktop; copy asks where and copies the tree.
TEST(WinOptLogCtrl, OpenAndCopy) {
    CtrlPanel p;
    p.Press("btn_log_ctrl_open");
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("DL先フォルダ開く01")),
              QStringLiteral("「DL先フォルダ」がありません。"));
    p.Select("lst_log_ctrl", {"A"});
    p.Press("btn_log_ctrl_open");
    ASSERT_EQ(p.home.opened.size(), 1);
    EXPECT_TRUE(QFileInfo(p.home.opened.first()).isDir());
    EXPECT_TRUE(p.home.opened.first().endsWith(QStringLiteral("log/A")));

    p.Press("btn_log_ctrl_copy");  // chooser cancelled: nothing happens
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("ファイルの保存")));
    EXPECT_FALSE(QFileInfo::exists(p.home.File(QStringLiteral("copyA"))));

    p.home.Dlg().inputs.push_back(p.home.File(QStringLiteral("copyA")));
    p.Press("btn_log_ctrl_copy");
    ASSERT_TRUE(p.Reported(QStringLiteral("DL先フォルダ複製終了")));
    EXPECT_EQ(p.home.Read(QStringLiteral("copyA/h/same.html")), QByteArray("from A"));
    EXPECT_EQ(p.home.Read(QStringLiteral("copyA/h/a.html")).size(), 3000);
    EXPECT_TRUE(QFileInfo::exists(p.home.File(QStringLiteral("log/A/h/a.html"))));

    // A copy into the folder itself fails and says so.
    p.home.Dlg().inputs.push_back(p.home.File(QStringLiteral("log/A/h/inner")));
    p.Press("btn_log_ctrl_copy");
    ASSERT_TRUE(p.Reported(QStringLiteral("DL先フォルダ複製エラー")));
    EXPECT_FALSE(QFileInfo::exists(p.home.File(QStringLiteral("log/A/h/inner"))));

    QDir(p.home.File(QStringLiteral("log/C"))).removeRecursively();
    p.Select("lst_log_ctrl", {"C"});
    p.Press("btn_log_ctrl_copy");
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("DL先フォルダ複製02")));
}

}  // namespace
}  // namespace korvi::test
