#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "fixtures/ProcessRun.h"
#include "fixtures/TempHome.h"

using korvi::CtrlFile;
using korvi::test::TempHome;

namespace {

using korvi::test::ProcessOptions;
using CmdResult = korvi::test::ProcessRun;

CmdResult KorviRun(const QString& home, const QStringList& args, const QString& cwd = QString()) {
    ProcessOptions opt;
    opt.cwd = cwd;
    opt.timeoutMs = 30000;
    return korvi::test::RunKorviRun(QStringList{"--home", home} + args, opt);
}

}  // namespace

TEST(StoreCommands, MapPrintsOnePathPerUrl) {
    TempHome th;
    CmdResult r =
        KorviRun(th.Path(), {"map", "--run-id", "X", "http://H/a/b/", "http://H/s.cgi?x=1",
                             "http://H/s.cgi?y=2", "http://H/s.cgi?x=1"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              "log/X/H/a/b/index.html\nlog/X/H/s.cgi_/00000000.cgi\n"
              "log/X/H/s.cgi_/00000001.cgi\nlog/X/H/s.cgi_/00000000.cgi\n");
    // Mapping only: the run's query list is not written.
    EXPECT_FALSE(th.Exists("log/X/H/s.cgi_"));
    // A URL that does not map leaves an empty line and the exit code 1.
    r = KorviRun(th.Path(), {"map", "--run-id", "X", "xyz", "http://H/a.html"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "\nlog/X/H/a.html\n");
    // The download root of the common settings counts.
    th.Write("cmn_opt.ini", "[Path]\nlog_folder=store/dl/\n");
    r = KorviRun(th.Path(), {"map", "--run-id", "X", "http://H/a.html"});
    EXPECT_EQ(r.out, "store/dl/X/H/a.html\n");
    EXPECT_EQ(KorviRun(th.Path(), {"map"}).code, 2);
    EXPECT_EQ(KorviRun(th.Path(), {"map", "--run-id", "../up", "http://H/"}).code, 2);
}

TEST(StoreCommands, TagPrintsTheTrailerTag) {
    TempHome th;
    QTemporaryDir cwd;
    const QString tag = CtrlFile::MkFootTag("", "http://s/a.html", "2006/03/09 - 07:05:02", "");
    QFile f(cwd.path() + "/a.html");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(("<p>x</p>" + tag).toUtf8());
    f.close();
    // A relative FILE is the caller's, not the home's.
    CmdResult r = KorviRun(th.Path(), {"tag", "a.html"}, cwd.path());
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, tag.mid(1) + "\n");
    QFile g(cwd.path() + "/plain.html");
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("<p>x</p>");
    g.close();
    r = KorviRun(th.Path(), {"tag", "plain.html"}, cwd.path());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(KorviRun(th.Path(), {"tag"}, cwd.path()).code, 2);
}
