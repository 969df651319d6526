#include <gtest/gtest.h>

#include <QDir>

#include "fixtures/TempHome.h"
#include "present/ThemeFiles.h"

using korvi::ThemeFiles;
using korvi::test::TempHome;

namespace {

void EmptyThemeFolder(const TempHome& th) {
    QDir(th.File("theme")).removeRecursively();
    QDir().mkpath(th.File("theme"));
}

}  // namespace

TEST(ThemeFilesList, KorviFirstThenTextOrderWithoutExtension) {
    TempHome th;
    EmptyThemeFolder(th);
    th.Write("theme/b.theme", "name=b\n");
    th.Write("theme/Korvi.theme", "name=k\n");
    th.Write("theme/A.theme", "name=A\n");
    th.Write("theme/あ.theme", "name=x\n");
    th.Write("theme/notes.txt", "x");
    th.Write("theme/c.theme.bak", "x");
    th.Write("theme/.theme", "x");
    QDir().mkpath(th.File("theme/dir.theme"));
    EXPECT_EQ(ThemeFiles::InitListData(th.Ctx().Fldr(), th.Ctrl()),
              (QStringList{"Korvi", "A", "b", "あ"}));
}

TEST(ThemeFilesList, ShippedHomeListsTheShippedThemes) {
    TempHome th;
    const QStringList names = ThemeFiles::InitListData(th.Ctx().Fldr(), th.Ctrl());
    ASSERT_GE(names.size(), 3);
    EXPECT_EQ(names.first(), "Korvi");
    EXPECT_TRUE(names.contains("ダーク"));
    // The active copy is seeded as the default theme.
    EXPECT_EQ(th.Read("Korvi.theme"), th.Read("theme/Korvi.theme"));
}

TEST(ThemeFilesSave, CopiesTheChosenThemeOverTheActiveCopy) {
    TempHome th;
    th.Write("theme/Mine.theme", "name=Mine\nprimary1=1,2,3\n");
    EXPECT_TRUE(ThemeFiles::SaveOpt(th.Ctrl(), "Mine"));
    EXPECT_EQ(th.Read("Korvi.theme"), "name=Mine\nprimary1=1,2,3\n");
}

TEST(ThemeFilesSave, NothingChosenOrNothingThereChangesNothing) {
    TempHome th;
    EmptyThemeFolder(th);
    th.Write("Korvi.theme", "name=Active\n");
    th.Write("outside.theme", "name=Outside\n");
    EXPECT_TRUE(ThemeFiles::InitListData(th.Ctx().Fldr(), th.Ctrl()).isEmpty());
    EXPECT_FALSE(ThemeFiles::SaveOpt(th.Ctrl(), ""));
    EXPECT_FALSE(ThemeFiles::SaveOpt(th.Ctrl(), "../outside"));
    EXPECT_FALSE(th.Read("log_err/R.log").contains("Copy File"));
    // A vanished file is a logged copy failure.
    EXPECT_FALSE(ThemeFiles::SaveOpt(th.Ctrl(), "Gone"));
    EXPECT_TRUE(th.Read("log_err/R.log").contains("C_File Copy File Error : "));
    EXPECT_EQ(th.Read("Korvi.theme"), "name=Active\n");
}
