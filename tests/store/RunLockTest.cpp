#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include <thread>
#include <vector>

#include "FldrTestUtil.h"
#include "store/CtrlFile.h"
#include "store/DelOldLog.h"
#include "store/FldrLogCtrl.h"
#include "store/RunLock.h"
#include "store/UrlPath.h"

using korvi::CtrlFile;
using korvi::DelOldLog;
using korvi::FolderService;
using korvi::RunLock;
using korvi::test::MakeSized;
using korvi::test::TempHome;

TEST(RunLock, OneOwnerAtATimeAndADeadOwnerFreesTheFolder) {
    TempHome th;
    const QString folder = th.File("log/A");
    RunLock first;
    ASSERT_TRUE(first.Take(folder));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(RunLock::InUse(folder));
    RunLock second;
    EXPECT_FALSE(second.Take(folder));
    first.Release();
    EXPECT_FALSE(RunLock::InUse(folder));
    EXPECT_FALSE(QFile::exists(folder + "/" + RunLock::kFileName));
    ASSERT_TRUE(second.Take(folder));
    second.Release();

    // A lock file left by a process that is gone holds nothing.
    th.Write("log/A/" + RunLock::kFileName, "2147480000\n");
    EXPECT_FALSE(RunLock::InUse(folder));
    EXPECT_TRUE(second.Take(folder));

    // A folder the claim made and nothing filled goes with the claim.
    RunLock fresh;
    ASSERT_TRUE(fresh.Take(th.File("log/B")));
    fresh.Release();
    EXPECT_FALSE(QFileInfo::exists(th.File("log/B")));

    // Suffixes keep name order the order of starting.
    QStringList ids = {"2026_1209_1430_05"};
    for (int n = 2; n < 30; ++n) ids.append(RunLock::Suffixed("2026_1209_1430_05", n));
    ids.append("2026_1209_1430_06");
    QStringList sorted = ids;
    sorted.sort();
    EXPECT_EQ(sorted, ids);
    EXPECT_EQ(ids.at(1), "2026_1209_1430_05_2");
}

// Neither the old-folder deletion (here from another process) nor the folder
// operations delete or merge away the folder of a live run.
TEST(RunLock, LiveRunFoldersAreNeverDeleted) {
    TempHome th;
    for (const char* n : {"R1", "R2", "R3"})
        MakeSized(th.File(QString("log/") + n + "/p.html"), 10);
    RunLock live;
    ASSERT_TRUE(live.Take(th.File("log/R1")));

    th.Write("cmn_opt.ini", "[CommonOption]\nrun_no=2\n[LogDel]\nno_flag=1\nno_no=1\n");
    QProcess p;
    p.start(TempHome::BinDir() + "/korvi-run", {"--home", th.Path(), "clean"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_TRUE(th.Exists("log/R1/p.html"));
    EXPECT_TRUE(th.Exists("log/R1/" + RunLock::kFileName));
    EXPECT_FALSE(th.Exists("log/R2"));

    FolderService fs(th.Ctrl());
    EXPECT_FALSE(fs.DelDir("log/R1"));
    EXPECT_FALSE(fs.CmbDir("log/R1", "log/R3"));
    EXPECT_TRUE(th.Exists("log/R1/p.html"));
    EXPECT_FALSE(th.Exists("log/R3/" + RunLock::kFileName));

    // Once the run has ended the folder goes like any other.
    live.Release();
    EXPECT_TRUE(fs.CmbDir("log/R1", "log/R3"));
    EXPECT_TRUE(th.Exists("log/R3/p.html"));
    EXPECT_FALSE(th.Exists("log/R1"));
    MakeSized(th.File("log/R4/q.html"), 10);
    th.Write("log/R4/" + RunLock::kFileName, "2147480000\n");
    EXPECT_TRUE(fs.DelDir("log/R4"));
    EXPECT_FALSE(th.Exists("log/R4"));
}

// Two processes (two path services here) mapping query URLs into one run
// folder at once never give two queries one number.
TEST(RunLock, QueryNumbersAgreeBetweenProcesses) {
    TempHome th;
    CtrlFile other(th.Path(), th.GetClock());
    other.SetLogRoot(th.Ctrl().LogRoot());
    other.SetRunId(th.Ctrl().RunId());
    constexpr int kEach = 300;
    std::vector<QString> a(kEach), b(kEach);
    std::thread ta([&] {
        for (int i = 0; i < kEach; ++i)
            a[size_t(i)] = th.Ctrl().GetLogFrdr("http://H/q.cgi?a" + QString::number(i));
    });
    std::thread tb([&] {
        for (int i = 0; i < kEach; ++i)
            b[size_t(i)] = other.GetLogFrdr("http://H/q.cgi?b" + QString::number(i));
    });
    ta.join();
    tb.join();
    const QStringList lines =
        QString::fromUtf8(th.Read("log/R/H/q.cgi_/cgi%%q.txt")).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2 * kEach);
    for (int i = 0; i < kEach; ++i) {
        for (const auto& [paths, prefix] :
             {std::pair{&a, QString("a")}, std::pair{&b, QString("b")}}) {
            const QString path = (*paths)[size_t(i)];
            const int n = path.section('/', -1).section('.', 0, 0).toInt();
            ASSERT_EQ(lines.value(n), prefix + QString::number(i)) << path.toStdString();
        }
    }
}
