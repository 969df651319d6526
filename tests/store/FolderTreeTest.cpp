#include <gtest/gtest.h>

#include "FldrTestUtil.h"
#include "shell/CommonSettings.h"
#include "shell/RunId.h"
#include "store/CtrlFile.h"
#include "store/FolderTree.h"

using korvi::CommonSettings;
using korvi::FolderTree;
using korvi::MoveSrchStartId;
using korvi::test::TempHome;

TEST(FolderTreeNew, StripsForbiddenCharactersAndRefusesExistingNames) {
    TempHome th;
    QDir().mkpath(th.File("log/既存"));
    EXPECT_EQ(FolderTree::NewFldrPrompt().title, "新規フォルダの作成");
    EXPECT_EQ(FolderTree::NewFldrPrompt().text, "新しい名前を入力してください。");

    auto r = FolderTree::NewFldr(th.Ctrl(), "a/b:c* 100%#");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.run_id, "abc 100%#");
    EXPECT_FALSE(th.Exists("log/abc 100%#"));  // made when the identifier is put into force

    const QString exists = "既に同じ名前が存在します。\n異なる名前を入力して下さい。";
    for (const QString& name : {QStringLiteral("既存"), QStringLiteral("既/存"),
                                QStringLiteral(".."), QStringLiteral(".")}) {
        r = FolderTree::NewFldr(th.Ctrl(), name);
        EXPECT_FALSE(r.ok) << name.toStdString();
        EXPECT_EQ(r.message.title, "新規フォルダの作成");
        EXPECT_EQ(r.message.text, exists);
    }
    // Nothing left after stripping: nothing to do and nothing to say.
    r = FolderTree::NewFldr(th.Ctrl(), "///");
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.message.IsEmpty());
}

TEST(FolderTreeRename, RunFolderFollowsTheNewName) {
    TempHome th;
    th.Write("log/R/page.html", "p");
    auto r = FolderTree::RenameFldr(th.Ctrl(), true, "x");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message.title, "名前変更警告");
    EXPECT_EQ(r.message.text, "ルートのフォルダの名前は変更できません。");
    EXPECT_TRUE(th.Exists("log/R/page.html"));

    r = FolderTree::RenameFldr(th.Ctrl(), false, "新 名前#%");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.run_id, "新 名前#%");
    EXPECT_EQ(th.Read("log/新 名前#%/page.html"), "p");
    EXPECT_FALSE(th.Exists("log/R"));

    // The current run folder is gone now; and names that escape the root are refused.
    th.Ctrl().SetRunId("新 名前#%");
    QDir().mkpath(th.File("log/taken"));
    for (const QString& name :
         {QStringLiteral("taken"), QStringLiteral(".."), QStringLiteral("新 名前#%")}) {
        r = FolderTree::RenameFldr(th.Ctrl(), false, name);
        EXPECT_FALSE(r.ok) << name.toStdString();
        EXPECT_EQ(r.message.text, "フォルダ名を変更できませんでした。");
    }
    // A name of separators only is a cancel.
    r = FolderTree::RenameFldr(th.Ctrl(), false, "//");
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.message.IsEmpty());
    EXPECT_EQ(th.Read("log/新 名前#%/page.html"), "p");
    // Separators are stripped, so the folder stays inside the root.
    r = FolderTree::RenameFldr(th.Ctrl(), false, "../../x");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.run_id, "....x");
    EXPECT_EQ(th.Read("log/....x/page.html"), "p");
    EXPECT_EQ(FolderTree::RenamePrompt().title, "名前変更");
}

TEST(FolderTreeRoot, PanelTakesOnlyExistingFolders) {
    TempHome th;
    CommonSettings s(th.Ctrl());
    QDir().mkpath(th.File("elsewhere"));
    th.Write("plain", "x");
    for (const QString& bad : {QStringLiteral("missing"), QStringLiteral("plain"), QString()}) {
        const auto m = FolderTree::SaveLogFolderPath(s, th.Ctrl(), bad);
        EXPECT_EQ(m.title, "パス・エラー");
        EXPECT_EQ(m.text,
                  "正しいフォルダのパスが入力されていません。\n"
                  "正しいフォルダのパスを入力するようにして下さい。");
        EXPECT_EQ(s.Opt().log_folder, "log");
    }
    EXPECT_TRUE(FolderTree::SaveLogFolderPath(s, th.Ctrl(), th.File("elsewhere/")).IsEmpty());
    EXPECT_EQ(s.Opt().log_folder, th.File("elsewhere"));
}

TEST(FolderTreeRunId, MoveSrchStartIdCreatesTheRunFolder) {
    TempHome th;
    ASSERT_TRUE(MoveSrchStartId(th.Ctrl(), "dl/root", "2006_0309_0705_02"));
    EXPECT_TRUE(QFileInfo(th.File("dl/root/2006_0309_0705_02")).isDir());
    EXPECT_EQ(th.Ctrl().LogRoot(), "dl/root");
    EXPECT_EQ(th.Ctrl().RunId(), "2006_0309_0705_02");
    EXPECT_EQ(th.Ctrl().RunFolder(), "dl/root/2006_0309_0705_02");

    for (const QString& bad : {QStringLiteral(""), QStringLiteral(".."), QStringLiteral("a/b")}) {
        EXPECT_FALSE(MoveSrchStartId(th.Ctrl(), "log", bad)) << bad.toStdString();
    }
    th.Write("blocker", "x");
    EXPECT_FALSE(MoveSrchStartId(th.Ctrl(), "blocker", "R2"));
    EXPECT_EQ(th.Ctrl().RunId(), "2006_0309_0705_02");
    EXPECT_TRUE(QString::fromUtf8(th.Read("log_err/" + th.Ctrl().RunId() + ".log"))
                    .contains("MoveSrchStartId Error : "));
}
