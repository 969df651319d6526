#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "engine/CrawlTestKit.h"
#include "fixtures/FixtureServer.h"
#include "platform/StoredEtag.h"

namespace korvi::test {
namespace {

// Write calls this process has made so far.
qint64 WriteCalls() {
    QFile f(QStringLiteral("/proc/self/io"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("syscw:")) return line.mid(6).trimmed().toLongLong();
    return -1;
}

// A stored page reaches its file in a few large writes and keeps the
// server's time and entity tag; a page without a tag carries none. A store
// folder removed behind the run's back is made again.
TEST(StoreCost, PagesAreWrittenInLargeBlocksAndKeepTheirTimeAndTag) {
    TempHome th;
    FixtureServer srv;
    FixtureServer::Route big;
    big.body = QByteArray(300 * 1024, 'b');
    big.lastModifiedMs = 1500000000000;
    big.etag = "\"v1\"";
    srv.SetRoute("/d/big.html", big);
    srv.Page("/d/small.html", "small");
    const QString host = "log/R/" + srv.StoreHost();

    auto w = MakeWorker(MakeServices(th), srv.Url("/d/big.html"));
    const qint64 before = WriteCalls();
    ASSERT_TRUE(w->GetWebData());
    const qint64 writes = WriteCalls() - before;
    ASSERT_GE(before, 0);
    EXPECT_LE(writes, 12);  // not one per kilobyte
    EXPECT_EQ(th.Read(host + "/d/big.html"), big.body);
    const QString abs = th.Ctrl().Abs(host + "/d/big.html");
    EXPECT_EQ(Mtime(abs), big.lastModifiedMs);
    // Where the file system keeps no extended attributes no tag is kept.
    th.Write("probe", "p");
    const bool tags = WriteStoredEtag(th.Ctrl().Abs("probe"), "t");
    EXPECT_EQ(ReadStoredEtag(abs), tags ? "\"v1\"" : "");

    ASSERT_TRUE(QDir(th.Ctrl().Abs(host + "/d")).removeRecursively());
    auto small = MakeWorker(MakeServices(th), srv.Url("/d/small.html"));
    ASSERT_TRUE(small->GetWebData());
    EXPECT_EQ(th.Read(host + "/d/small.html"), "small");
    EXPECT_EQ(ReadStoredEtag(th.Ctrl().Abs(host + "/d/small.html")), "");
    EXPECT_FALSE(th.Read("log_err/R.log").contains("Error"));
}

// A page whose links are made local and which gets a trailer tag is still
// written once, with its list beside it, and keeps the server's time and tag.
TEST(StoreCost, ARewrittenAndTaggedPageIsWrittenOnce) {
    TempHome th;
    FixtureServer srv;
    th.Write("probe", "p");
    const bool tags = WriteStoredEtag(th.Ctrl().Abs("probe"), "t");
    // The count is the whole process's, so a stray write elsewhere (a
    // thread's wake-up) can add one: the fewest of three pages counts.
    qint64 fewest = -1;
    for (int i = 0; i < 3; ++i) {
        const QString path = QStringLiteral("/s%1/page.html").arg(i);
        FixtureServer::Route page;
        page.body = "<html><a href=\"next.html\">Next</a></html>";
        page.lastModifiedMs = 1500000000000;
        page.etag = "\"p1\"";
        srv.SetRoute(path, page);
        SrchThrdSettings set;
        set.footTagExtension = "-,html,";
        auto w = MakeWorker(MakeServices(th), srv.Url(path), set);
        const qint64 before = WriteCalls();
        w->ManPrgrs();
        const qint64 writes = WriteCalls() - before;
        ASSERT_GE(before, 0);
        fewest = fewest < 0 ? writes : std::min(fewest, writes);
        ASSERT_EQ(w->Status(), SrchThrd::kStatusFinished);
        const QString file = "log/R/" + srv.StoreHost() + path;
        const QByteArray stored = th.Read(file);
        EXPECT_TRUE(stored.contains(">@Web</A>)</FONT></html>\n<?xml-qorn")) << stored.data();
        EXPECT_EQ(CtrlFile::GetFootTagAttr(th.Ctrl().GetFootTag(file), "dl_src"), srv.Url(path));
        EXPECT_TRUE(th.Exists(file + " lst.ini"));
        const QString abs = th.Ctrl().Abs(file);
        EXPECT_EQ(Mtime(abs), page.lastModifiedMs);
        EXPECT_EQ(ReadStoredEtag(abs), tags ? "\"p1\"" : "");
        EXPECT_EQ(QDir(QFileInfo(abs).absolutePath()).entryList(QDir::Files).size(), 2);
    }
    EXPECT_LE(fewest, 2);  // the page and its list
}

}  // namespace
}  // namespace korvi::test
