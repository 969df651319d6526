#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <random>

#include "fixtures/TempHome.h"

using korvi::CtrlFile;
using korvi::test::TempHome;

namespace {

QString ErrLog(TempHome& th) {
    return QString::fromUtf8(th.Read("log_err/R.log"));
}

}  // namespace

TEST(FileServices, SaveAppendAndFolders) {
    TempHome th;
    CtrlFile& c = th.Ctrl();
    EXPECT_TRUE(c.SetEnableDir("a/b/c/file.txt"));
    EXPECT_TRUE(QFileInfo(th.File("a/b/c")).isDir());
    EXPECT_FALSE(th.Exists("a/b/c/file.txt"));
    ASSERT_TRUE(c.SaveData("a/b/c/file.txt", "一行目\n"));
    ASSERT_TRUE(c.SaveData("a/b/c/file.txt", "置換"));
    EXPECT_EQ(QString::fromUtf8(th.Read("a/b/c/file.txt")), "置換");
    ASSERT_TRUE(c.SaveAddData("a/b/c/file.txt", "+追加"));
    EXPECT_EQ(QString::fromUtf8(th.Read("a/b/c/file.txt")), "置換+追加");
    ASSERT_TRUE(c.SaveAddData("a/new.txt", "x"));
    EXPECT_EQ(th.Read("a/new.txt"), "x");
    // SaveData writes the text unchanged; LoadData gives each line its "\n".
    ASSERT_TRUE(c.SaveData("s.ini", "[S]\r\nk=v"));
    EXPECT_EQ(th.Read("s.ini"), "[S]\r\nk=v");
    EXPECT_EQ(c.LoadData("s.ini"), "[S]\nk=v\n");

    // Failures: no folder, a file in the folder's place.
    EXPECT_FALSE(c.SaveData("none/x.txt", "x"));
    EXPECT_TRUE(ErrLog(th).contains("  C_File File Write Error : "));
    th.Write("plain", "x");
    EXPECT_FALSE(c.SetEnableDir("plain/sub/x.txt"));
    EXPECT_TRUE(ErrLog(th).contains("  SetEnableDir Error : "));
    EXPECT_FALSE(c.SaveAddData("plain/x.txt", "x"));
}

TEST(FileServices, CopyAndRename) {
    TempHome th;
    CtrlFile& c = th.Ctrl();
    QByteArray bin(300 * 1024, '\0');
    std::mt19937 rng(5);
    for (char& b : bin) b = char(rng());
    th.Write("src.bin", bin);
    ASSERT_TRUE(c.CopyFile("src.bin", "dst.bin"));
    EXPECT_EQ(th.Read("dst.bin"), bin);
    // Copying over an existing file replaces it.
    th.Write("old.bin", "old contents that are longer");
    ASSERT_TRUE(c.CopyFile("src.bin", "old.bin"));
    EXPECT_EQ(th.Read("old.bin"), bin);
    EXPECT_FALSE(c.CopyFile("missing.bin", "x.bin"));
    EXPECT_FALSE(th.Exists("x.bin"));
    EXPECT_TRUE(ErrLog(th).contains("  C_File Copy File Error : "));
    EXPECT_FALSE(c.CopyFile("src.bin", "nofolder/x.bin"));

    ASSERT_TRUE(c.RenameFile("dst.bin", "moved.bin"));
    EXPECT_FALSE(th.Exists("dst.bin"));
    EXPECT_EQ(th.Read("moved.bin"), bin);
    EXPECT_FALSE(c.RenameFile("dst.bin", "again.bin"));
    EXPECT_TRUE(
        ErrLog(th).contains("  C_File Rename File Error : not a file  dst.bin  again.bin\n"));
    // An existing target is never overwritten.
    EXPECT_FALSE(c.RenameFile("moved.bin", "src.bin"));
    EXPECT_EQ(th.Read("moved.bin"), bin);

    th.Write("d1/f.txt", "f");
    ASSERT_TRUE(c.RenameDir("d1", "d2"));
    EXPECT_EQ(th.Read("d2/f.txt"), "f");
    const QString before = ErrLog(th);
    EXPECT_FALSE(c.RenameDir("d1", "d3"));  // not a folder: false, nothing logged
    EXPECT_EQ(ErrLog(th), before);
    th.Write("d4/g.txt", "g");
    EXPECT_FALSE(c.RenameDir("d2", "d4"));
    EXPECT_TRUE(ErrLog(th).contains("  C_File RenameDir Error : "));
    EXPECT_EQ(th.Read("d2/f.txt"), "f");
}

TEST(FileServices, ExtensionsAndNames) {
    TempHome th;
    CtrlFile& c = th.Ctrl();
    EXPECT_EQ(c.GetUrlExtnsn(""), "");
    EXPECT_EQ(c.GetUrlExtnsn("http://h/a/b.HTML"), "html");
    EXPECT_EQ(c.GetUrlExtnsn("http://h/a.tar.gz"), "gz");
    EXPECT_EQ(c.GetUrlExtnsn("http://h/a/"), "-");
    EXPECT_EQ(c.GetUrlExtnsn("http://h.example.com"), "-");
    EXPECT_EQ(c.GetUrlExtnsn("http://h/a.b/c"), "-");
    EXPECT_EQ(c.GetUrlExtnsn("http://h/a."), "-");
    EXPECT_EQ(c.GetUrlExtnsn("http://h/x.cgi?a=b.c"), "cgi");
    EXPECT_EQ(c.GetUrlExtnsn("http://h/x#y.z"), "-");
    EXPECT_EQ(c.GetUrlExtnsn("http://h/画像.JPG#top"), "jpg");
    EXPECT_EQ(CtrlFile::AdjustExtnsn("PHP3"), "php");
    EXPECT_EQ(CtrlFile::AdjustExtnsn("php"), "php");
    EXPECT_EQ(CtrlFile::AdjustExtnsn("phtml"), "phtml");
    EXPECT_EQ(CtrlFile::AdjustExtnsn("HTML"), "HTML");
    EXPECT_EQ(CtrlFile::DelPrhbtFName("a\r\nb\\c/d:e,f;g*h?i\"j<k>l|m n.txt"),
              "abcdefghijklm n.txt");
}

TEST(ClockTexts, JstTextsAndElapsedTime) {
    TempHome th;
    CtrlFile& c = th.Ctrl();
    EXPECT_EQ(c.GetTimeStr(), "2006/03/09 - 07:05:02");
    EXPECT_EQ(c.GetDayTimeStr(), "20060309070502");
    EXPECT_EQ(c.GetDayStr(), "2006_03_09");
    EXPECT_EQ(CtrlFile::TimeStrAt(0), "1970/01/01 - 09:00:00");
    th.GetClock().SetJst(2012, 12, 31, 23, 59, 59);
    EXPECT_EQ(c.GetTimeStr(), "2012/12/31 - 23:59:59");
    EXPECT_EQ(c.GetDayStr(), "2012_12_31");

    const qint64 now = th.GetClock().NowMs();
    EXPECT_EQ(c.GetPastTime(now - 3725000), "1 時 2 分 5 秒 ");
    EXPECT_EQ(c.GetPastTime(now - 999), "0 秒 ");
    EXPECT_EQ(c.GetPastTime(now), "0 秒 ");
    EXPECT_EQ(c.GetPastTime(now + 5000), "0 秒 ");
    EXPECT_EQ(c.GetPastTime(now - 59999), "59 秒 ");
    EXPECT_EQ(c.GetPastTime(now - 60000), "1 分 0 秒 ");
    EXPECT_EQ(c.GetPastTime(now - 3600000), "1 時 0 分 0 秒 ");
    EXPECT_EQ(c.GetPastTime(now - 86400000), "1 日 0 時 0 分 0 秒 ");
    EXPECT_EQ(c.GetPastTime(now - 90061000), "1 日 1 時 1 分 1 秒 ");
    EXPECT_EQ(c.GetPastTime(now - 3LL * 86400000 - 5000), "3 日 0 時 0 分 5 秒 ");
    EXPECT_EQ(c.GetPastTime_MinNo(now - 3725000), 62);
    EXPECT_EQ(c.GetPastTime_MinNo(now - 59999), 0);
    EXPECT_EQ(c.GetPastTime_MinNo(now + 60000), 0);
}

TEST(ErrorLog, LineFormatAndRotation) {
    TempHome th;
    CtrlFile& c = th.Ctrl();
    c.SaveErrLog("first");
    c.SaveErrLog("日本語");
    EXPECT_EQ(QString::fromUtf8(th.Read("log_err/R.log")),
              "2006/03/09 - 07:05:02  first\n2006/03/09 - 07:05:02  日本語\n");

    // Twelve older logs: after a write at most ten files remain, the
    // alphabetically first gone, the current log kept.
    for (int i = 1; i <= 12; ++i)
        th.Write(QString("log_err/2001_%1.log").arg(i, 2, 10, QChar('0')), "x");
    c.SaveErrLog("again");
    QStringList left = QDir(th.File("log_err")).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(left.size(), 10);
    EXPECT_EQ(left.first(), "2001_04.log");
    EXPECT_TRUE(left.contains("R.log"));
    EXPECT_TRUE(th.Read("log_err/R.log").endsWith("  again\n"));

    // A new run's log pushes out the oldest one.
    c.SetRunId("2099_0101_0000_00");
    c.SaveErrLog("new run");
    left = QDir(th.File("log_err")).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(left.size(), 10);
    EXPECT_FALSE(left.contains("2001_04.log"));
    EXPECT_TRUE(left.contains("2099_0101_0000_00.log"));
    // The current log is kept even when it sorts first.
    c.SetRunId("0000");
    for (int i = 0; i < 3; ++i) c.SaveErrLog("old clock");
    left = QDir(th.File("log_err")).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(left.size(), 10);
    EXPECT_EQ(left.first(), "0000.log");
    EXPECT_EQ(th.Read("log_err/0000.log").count("old clock"), 3);
}

TEST(ErrorLog, NeverEmptiesFoldersOrLinkTargets) {
    TempHome th;
    QTemporaryDir outside;
    QFile keep(outside.path() + "/keep.txt");
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("keep");
    keep.close();
    QDir().mkpath(th.File("log_err"));
    ASSERT_TRUE(QFile::link(outside.path(), th.File("log_err/0_link")));
    th.Write("log_err/0_dir/inner.txt", "inner");
    for (int i = 1; i <= 10; ++i)
        th.Write(QString("log_err/1_%1.log").arg(i, 2, 10, QChar('0')), "x");
    th.Ctrl().SaveErrLog("message");
    EXPECT_TRUE(QFileInfo::exists(outside.path() + "/keep.txt"));
    EXPECT_TRUE(th.Exists("log_err/0_dir/inner.txt"));
    EXPECT_TRUE(th.Read("log_err/R.log").endsWith("  message\n"));
}
