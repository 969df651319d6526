#include <gtest/gtest.h>

#include <QDateTime>
#include <QProcess>

#include "fixtures/FixtureServer.h"
#include "fixtures/ProcessRun.h"
#include "fixtures/TempHome.h"
#include "index/StoreIndex.h"

namespace korvi::test {
namespace {

using Result = ProcessRun;

Result Crawl(const TempHome& th, const QStringList& args) {
    return RunKorviRun(QStringList{"--home", th.Path(), "crawl"} + args);
}

TEST(CrawlCmd, RunsAWholeCrawlAndPrintsTheRunList) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/index.html", "<img src=\"p.gif\"><a href=\"a.html\">A</a> needle");
    srv.Page("/a.html", "a");
    srv.Page("/p.gif", "GIF89a", "image/gif");
    const Result r =
        Crawl(th, {"--run-id", "X", "--words", "needle", "--set", "BaseOption.depth_max=1", "--out",
                   th.File("run.tsv"), srv.Url("/index.html")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    EXPECT_EQ(lines[0],
              "No\t状態\t結果\t深度\t周辺文\t見出し\tURL\tサイズ\tDL長\t予定長\t拡張子\t参照元");
    EXPECT_TRUE(lines[1].startsWith("1\t100\t一致\t1\t"));
    EXPECT_TRUE(lines[2].contains(srv.Url("/p.gif")));
    EXPECT_EQ(srv.Hits("/a.html"), 0);  // depth_max 1 from --set
    EXPECT_TRUE(th.Exists("log/X/" + srv.StoreHost() + "/index.html"));
    EXPECT_EQ(QString::fromUtf8(th.Read("run.tsv")), r.out);
    EXPECT_TRUE(r.err.contains("DL＆検索が終了しました。"));
}

// The pages of a run are in the store index when the command ends, unless
// it is switched off.
// Pages that have settled (here dated by the server) are in the index when
// the command ends; one stored in its last two seconds is left to the next
// update, which reads it settled.
TEST(CrawlCmd, RunPagesGoIntoTheStoreIndex) {
    FixtureServer srv;
    const qint64 dayAgo = QDateTime::currentMSecsSinceEpoch() - 86400000;
    for (const char* path : {"/index.html", "/a.html"}) {
        FixtureServer::Route dated;
        dated.body =
            path == QByteArray("/a.html") ? "a" : "<a href=a.html>A</a><a href=b.html>B</a>";
        dated.lastModifiedMs = dayAgo;
        srv.SetRoute(path, dated);
    }
    srv.Page("/b.html", "b");
    for (bool on : {true, false}) {
        TempHome th;
        QStringList args{"--run-id", "X", srv.Url("/index.html")};
        if (!on) args.prepend("--no-index");
        const Result r = Crawl(th, args);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        ASSERT_TRUE(th.Exists("log/X/" + srv.StoreHost() + "/b.html"));
        EXPECT_EQ(th.Ctx().Index().GetCounts().files, on ? 2 : 0) << on;
    }
}

TEST(CrawlCmd, ReadsListFilesAsTheInitListDoes) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/a.html", "a");
    srv.Page("/b.html", "b");
    th.Write("start lst.ini", ("[BaseData]\np_url=" + srv.Url("/") +
                               "\np_title=t\n\n[AllLinks]\nlink_no=2\nlink0=" + srv.Url("/a.html") +
                               "\ntitle0=A\nextension0=html\nlink1=" + srv.Url("/b.html") +
                               "\ntitle1=B\nextension1=html\n")
                                  .toUtf8());
    const Result r = Crawl(th, {"--run-id", "L", th.File("start lst.ini")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    EXPECT_TRUE(lines[1].contains("\tA\t" + srv.Url("/a.html") + "\t"));
    EXPECT_TRUE(lines[2].contains("\tB\t" + srv.Url("/b.html") + "\t"));
    EXPECT_EQ(srv.Hits("/a.html"), 1);
    EXPECT_EQ(srv.Hits("/b.html"), 1);
}

TEST(CrawlCmd, RefusesBadArguments) {
    TempHome th;
    EXPECT_EQ(Crawl(th, {}).code, 2);
    EXPECT_EQ(Crawl(th, {"--set", "nodot", "http://127.0.0.1:1/"}).code, 2);
    EXPECT_EQ(Crawl(th, {"--run-id", "../up", "http://127.0.0.1:1/"}).code, 2);
    EXPECT_EQ(Crawl(th, {"--profile", "no such", "http://127.0.0.1:1/"}).code, 1);
    th.Write("empty.txt", "no urls here\n");
    EXPECT_EQ(Crawl(th, {th.File("empty.txt")}).code, 1);
}

}  // namespace
}  // namespace korvi::test
