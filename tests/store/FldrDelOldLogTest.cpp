#include <gtest/gtest.h>

#include <QProcess>

#include "FldrTestUtil.h"
#include "engine/RunJournal.h"
#include "shell/Clock.h"
#include "store/CtrlFile.h"
#include "store/DelOldLog.h"
#include "store/RunLock.h"

using korvi::Clock;
using korvi::DelOldLog;
using korvi::DelOldLogCutoffMs;
using korvi::FolderService;
using korvi::LogDelSettings;
using korvi::test::MakeSized;
using korvi::test::SetMtime;
using korvi::test::TempHome;

namespace {

qint64 Jst(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Clock::Jst()).toMSecsSinceEpoch();
}

// A download root holding exactly the named run folders, each with one file.
void Runs(TempHome& th, const QStringList& names, qint64 size = 10) {
    QDir(th.File("log")).removeRecursively();
    QDir().mkpath(th.File("log"));
    for (const QString& n : names) MakeSized(th.File("log/" + n + "/page.html"), size);
}

LogDelSettings Only(bool day, int dayNo, bool size, int sizeNo, bool no, int noNo) {
    return {day, dayNo, size, sizeNo, no, noNo};
}

}  // namespace

TEST(FldrDelOldLogAge, CalendarDaysInJst) {
    // day_no 5 on the 10th: everything before the 6th at 00:00:00 goes.
    EXPECT_EQ(DelOldLogCutoffMs(Jst(2006, 3, 10, 15, 4, 5, 678), 5), Jst(2006, 3, 6, 0, 0, 0, 678));
    // day_no 1: today's midnight, even just after midnight JST (still the day before in UTC).
    EXPECT_EQ(DelOldLogCutoffMs(Jst(2006, 3, 10, 0, 30, 0), 1), Jst(2006, 3, 10, 0, 0, 0));
    EXPECT_EQ(DelOldLogCutoffMs(Jst(2006, 3, 1, 12, 0, 0), 2), Jst(2006, 2, 28, 0, 0, 0));

    TempHome th;  // now: 2006/03/09 07:05:02 JST
    FolderService fs(th.Ctrl());
    Runs(th, {"A_old", "B_midnight", "C_new", "stock"});
    ASSERT_TRUE(SetMtime(th.File("log/A_old"), Jst(2006, 3, 8, 23, 59, 59, 999)));
    ASSERT_TRUE(SetMtime(th.File("log/B_midnight"), Jst(2006, 3, 9, 0, 0, 0)));
    ASSERT_TRUE(SetMtime(th.File("log/C_new"), Jst(2006, 3, 9, 7, 0, 0)));
    ASSERT_TRUE(SetMtime(th.File("log/stock"), Jst(2001, 1, 1, 0, 0, 0)));
    QStringList texts;
    const auto r = DelOldLog(th.Ctrl(), fs, Only(true, 1, false, 0, false, 0),
                             [&](const QString& t) { texts.append(t); });
    ASSERT_TRUE(r.ok);
    // The automatic steps treat "stock" like any other entry.
    EXPECT_EQ(r.deleted, QStringList({"A_old", "stock"}));
    EXPECT_TRUE(th.Exists("log/B_midnight/page.html"));
    EXPECT_TRUE(th.Exists("log/C_new/page.html"));
    ASSERT_GE(texts.size(), 5);
    EXPECT_EQ(texts.at(0), "  過去ログ削除～時間 = 1 / 4 件");
    EXPECT_EQ(texts.at(3), "  過去ログ削除～時間 = 4 / 4 件");
    EXPECT_EQ(texts.at(4), "  過去ログ削除～時間 = 4 / 4 件 -> 終了");
    EXPECT_EQ(r.end_texts.first(), texts.at(4));
    EXPECT_EQ(r.counts.del_dirs, 2);
    EXPECT_EQ(r.counts.del_files, 2);
}

TEST(FldrDelOldLogSize, RunningTotalFromTheNewestAtTheLimits) {
    TempHome th;
    FolderService fs(th.Ctrl());
    const LogDelSettings one = Only(false, 0, true, 1, false, 0);

    Runs(th, {"R1", "R2", "R3"}, 600000);
    auto r = DelOldLog(th.Ctrl(), fs, one);
    EXPECT_EQ(r.deleted, QStringList({"R2", "R1"}));
    EXPECT_TRUE(th.Exists("log/R3"));
    EXPECT_EQ(r.counts.del_bytes, 1200000);
    EXPECT_EQ(r.end_texts.first(), "  過去ログ削除～サイズ = 3 / 3 件 -> 終了");

    // The newest goes when it alone reaches the limit.
    Runs(th, {"R1", "R2"});
    MakeSized(th.File("log/R2/page.html"), 1000000);
    r = DelOldLog(th.Ctrl(), fs, one);
    EXPECT_EQ(r.deleted, QStringList({"R2", "R1"}));

    // One byte short keeps the newest; the next byte tips the total.
    Runs(th, {"R1", "R2", "R3"}, 1);
    MakeSized(th.File("log/R3/page.html"), 999999);
    r = DelOldLog(th.Ctrl(), fs, one);
    EXPECT_EQ(r.deleted, QStringList({"R2", "R1"}));
    EXPECT_TRUE(th.Exists("log/R3"));

    // A limit of 0 takes everything, empty folders too.
    Runs(th, {"R1", "R2"});
    QDir().mkpath(th.File("log/R0"));
    r = DelOldLog(th.Ctrl(), fs, Only(false, 0, true, 0, false, 0));
    EXPECT_EQ(r.deleted, QStringList({"R2", "R1", "R0"}));
    EXPECT_TRUE(fs.LsDir("log").isEmpty());
}

TEST(FldrDelOldLogNumber, KeepsOneLessThanTheLimit) {
    TempHome th;
    FolderService fs(th.Ctrl());
    const QStringList three = {"2006_0101_0000_00", "2006_0102_0000_00", "stock"};

    Runs(th, three);
    QStringList texts;
    auto r = DelOldLog(th.Ctrl(), fs, Only(false, 0, false, 0, true, 3),
                       [&](const QString& t) { texts.append(t); });
    EXPECT_EQ(r.deleted, QStringList({"2006_0101_0000_00"}));
    EXPECT_EQ(texts.at(0), "  過去ログ削除～数 = 1 件");
    EXPECT_EQ(r.end_texts.first(), "  過去ログ削除～数 = 1 件 -> 終了");

    Runs(th, three);
    r = DelOldLog(th.Ctrl(), fs, Only(false, 0, false, 0, true, 4));
    EXPECT_TRUE(r.deleted.isEmpty());
    EXPECT_EQ(r.end_texts.first(), "  過去ログ削除～数 = 0 件 -> 終了");

    for (int limit : {0, 1}) {
        Runs(th, three);
        r = DelOldLog(th.Ctrl(), fs, Only(false, 0, false, 0, true, limit));
        EXPECT_EQ(r.deleted, three) << limit;
        EXPECT_EQ(r.end_texts.first(), "  過去ログ削除～数 = 3 件 -> 終了");
    }
}

// A run killed mid-way (journal without end record, stale lock file) goes
// like a finished run; a folder a live run holds stays.
TEST(FldrDelOldLogNumber, InterruptedRunsGoLikeFinishedOnes) {
    TempHome th;
    FolderService fs(th.Ctrl());
    Runs(th, {"2006_0101_0000_00", "2006_0102_0000_00", "2006_0103_0000_00"});
    korvi::RunJournal journal;
    ASSERT_TRUE(journal.Begin(th.File("log/2006_0101_0000_00"), {}, {}));
    journal.Close();
    MakeSized(th.File("log/2006_0101_0000_00/") + korvi::RunLock::kFileName, 6);
    ASSERT_TRUE(korvi::RunJournal::Interrupted(th.File("log/2006_0101_0000_00")));
    korvi::RunLock live;
    ASSERT_TRUE(live.Take(th.File("log/2006_0102_0000_00")));
    const auto r = DelOldLog(th.Ctrl(), fs, Only(false, 0, false, 0, true, 0));
    EXPECT_EQ(r.deleted, QStringList({"2006_0101_0000_00", "2006_0103_0000_00"}));
    EXPECT_FALSE(th.Exists("log/2006_0101_0000_00"));
    EXPECT_TRUE(th.Exists("log/2006_0102_0000_00/page.html"));
}

TEST(FldrDelOldLogSteps, ListedAfreshInOrderAndSweptAtTheEnd) {
    TempHome th;
    FolderService fs(th.Ctrl());
    Runs(th, {"E1", "E2", "E3", "E4"});
    ASSERT_TRUE(SetMtime(th.File("log/E1"), Jst(2000, 1, 1, 0, 0, 0)));
    // The age step takes E1; the number step then counts the three left.
    auto r = DelOldLog(th.Ctrl(), fs, Only(true, 1, false, 0, true, 3));
    EXPECT_EQ(r.deleted, QStringList({"E1", "E2"}));
    EXPECT_EQ(fs.LsDir("log"), QStringList({"E3", "E4"}));

    // All switches off: nothing goes but empty folders below the run folder and the root.
    Runs(th, {"Full"});
    QDir().mkpath(th.File("log/R/empty/sub"));
    th.Write("log/R/page.html", "p");
    QDir().mkpath(th.File("log/Empty/inner"));
    QDir().mkpath(th.File("log/Void"));
    r = DelOldLog(th.Ctrl(), fs, LogDelSettings{});
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.deleted.isEmpty());
    EXPECT_FALSE(th.Exists("log/R/empty"));
    EXPECT_TRUE(th.Exists("log/R/page.html"));
    EXPECT_FALSE(th.Exists("log/Void"));
    EXPECT_TRUE(th.Exists("log/Empty/inner"));  // only one level below the root
    EXPECT_TRUE(th.Exists("log/Full/page.html"));
    EXPECT_EQ(r.end_texts,
              QStringList({"  空ディレクトリ検索中 フォルダ数 = 2  ファイル数 = 1 -> 終了",
                           "  表層空ディレクトリ検索中 フォルダ数 = 4 -> 終了"}));
}

TEST(FldrDelOldLogRoot, MissingOrHomeRootDeletesNothing) {
    TempHome th;
    FolderService fs(th.Ctrl());
    th.Ctrl().SetLogRoot("gone");
    auto r = DelOldLog(th.Ctrl(), fs, Only(false, 0, false, 0, true, 0));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(QString::fromUtf8(th.Read("log_err/R.log"))
                    .contains("Del OldLOg Error : log directory not exist  gone\n"));

    th.Write("option/p.ini", "x");
    th.Ctrl().SetLogRoot(".");
    r = DelOldLog(th.Ctrl(), fs, Only(false, 0, false, 0, true, 0));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(th.Exists("option/p.ini"));
    EXPECT_TRUE(th.Exists("log_err/R.log"));
}

TEST(FldrCleanCommand, DeletesAsTheSettingsSayAndPrintsTheTexts) {
    TempHome th;
    Runs(th, {"R1", "R2", "R3"}, 1500);
    // Starting the program puts "tmp" back into the root: four entries.
    th.Write("cmn_opt.ini", "[CommonOption]\nrun_no=2\n[LogDel]\nno_flag=1\nno_no=3\n");
    const QString exe = TempHome::BinDir() + "/korvi-run";
    QProcess p;
    p.start(exe, {"--home", th.Path(), "clean"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()),
              "過去ログ削除～数 = 2 件 -> 終了\n"
              "表層空ディレクトリ検索中 フォルダ数 = 2 -> 終了\n"
              "・削除ディレクトリ数\t： 2 個\n"
              "・削除ファイル数\t： 2 個\n"
              "・削除ファイル・サイズ\t： 3 KB\n");
    EXPECT_FALSE(th.Exists("log/R2"));
    EXPECT_TRUE(th.Exists("log/R3/page.html"));
    // The settings file is read, not rewritten.
    EXPECT_EQ(th.Read("cmn_opt.ini"), "[CommonOption]\nrun_no=2\n[LogDel]\nno_flag=1\nno_no=3\n");
    EXPECT_FALSE(th.Exists("log/tmp"));

    // A download root that is the home itself is refused.
    th.Write("cmn_opt.ini",
             "[CommonOption]\nrun_no=2\n[LogDel]\nno_flag=1\nno_no=0\n"
             "[Path]\nlog_folder=.\n");
    p.start(exe, {"--home", th.Path(), "clean"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(th.Exists("cmn_opt.ini"));
    EXPECT_TRUE(th.Exists("log/R3/page.html"));

    p.start(exe, {"--home", th.Path(), "clean", "extra"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
}
