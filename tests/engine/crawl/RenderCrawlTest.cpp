#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>

#include "engine/CrawlTestKit.h"
#include "engine/RunControl.h"
#include "engine/match/Matcher.h"
#include "engine/render/BrowserProcess.h"
#include "fixtures/FixtureServer.h"

namespace korvi::test {
namespace {

// A site whose index is an empty shell: its script fetches a JSON list, then a
// timer later builds 20 links and the word from it.
void ScriptSite(FixtureServer& srv) {
    QByteArray names = "[";
    for (int i = 0; i < 20; ++i) {
        names += (i ? ",\"p" : "\"p") + QByteArray::number(i) + "\"";
        srv.Page(QStringLiteral("/p%1.html").arg(i), "<p>plain page</p>");
    }
    srv.Page("/list.json", "{\"word\":\"kohlrabi\",\"pages\":" + names + "]}", "application/json");
    srv.Page("/index.html",
             "<html><body><div id=out></div><script>"
             "fetch('list.json').then(r => r.json()).then(d => setTimeout(() => {"
             "  out.innerHTML = '<h1>' + d.word + '</h1>' +"
             "    d.pages.map(p => '<a href=\"' + p + '.html\">' + p + '</a>').join(' ');"
             "}, 300));</script></body></html>");
}

struct Crawled {
    int pages = 0;  // p*.html fetched
    QString indexResult;
    QString stored;  // the stored index
};

Crawled Crawl(TempHome& th, FixtureServer& srv, int renderJs, bool keepSource) {
    Matcher matcher;
    RunSettings set;
    set.thrdMax = 4;
    set.depthMax = 2;
    set.hitMax = 0;
    set.pageMax = 0;
    set.worker.depthMax = 2;
    set.worker.renderJs = renderJs;
    set.worker.renderKeepSource = keepSource;
    set.worker.footTagExtension = "-,html,";
    CrawlParts parts;
    parts.ctrl = &th.Ctrl();
    parts.clock = &th.GetClock();
    parts.matcher = &matcher;
    RunControl rc(MakeCrawlServices(parts), set);
    rc.SetSearchWords("kohlrabi");
    rc.AddWinSrchLst({{srv.Url("/index.html"), "start", "html"}});
    EXPECT_TRUE(rc.StartManual());
    EXPECT_TRUE(rc.WaitEnd(120000));
    Crawled c;
    for (const QString& t : srv.Requests())
        if (t.startsWith("/p")) ++c.pages;
    const RunListSnapshot snap = rc.List().Snapshot();
    for (int i = 0; i < snap.Count(); ++i)
        if (snap.Row(i).url == srv.Url("/index.html")) c.indexResult = snap.Row(i).result;
    QFile f(th.Ctrl().Abs(th.Ctrl().GetLogFrdr(srv.Url("/index.html"))));
    if (f.open(QIODevice::ReadOnly)) c.stored = QString::fromUtf8(f.readAll());
    return c;
}

TEST(RenderCrawl, ScriptBuiltLinksAndWordsAreFoundOnlyWhenRendering) {
    if (BrowserProcess::FindChromium().isEmpty()) GTEST_SKIP() << "chromium is not installed";
    {
        TempHome th;
        FixtureServer srv;
        ScriptSite(srv);
        const Crawled off = Crawl(th, srv, 0, false);
        EXPECT_EQ(off.pages, 0);
        EXPECT_EQ(off.indexResult, "不");
        EXPECT_FALSE(off.stored.contains("dl_render"));
    }
    TempHome th;
    FixtureServer srv;
    ScriptSite(srv);
    const Crawled on = Crawl(th, srv, 1, true);
    EXPECT_EQ(on.pages, 20);
    EXPECT_EQ(on.indexResult, "一致");
    EXPECT_EQ(srv.Hits("/index.html"), 1);  // the browser got it from the fetch
    // The rendered document is the stored page, tagged as rendered; the
    // fetched bytes are kept beside it on request.
    EXPECT_TRUE(on.stored.contains("<h1>kohlrabi</h1>"));
    const QString tag =
        CtrlFile::GetFootTagAttr(on.stored.mid(on.stored.lastIndexOf("<?")), "dl_render");
    EXPECT_EQ(tag, "1");
    QFile source(th.Ctrl().Abs(th.Ctrl().GetLogFrdr(srv.Url("/index.html"))) + ".fetched");
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_TRUE(source.readAll().contains("<div id=out></div>"));
}

// A page that never settles (it polls without end) does not hold up a stop.
TEST(RenderCrawl, StopEndsARenderingRunPromptly) {
    if (BrowserProcess::FindChromium().isEmpty()) GTEST_SKIP() << "chromium is not installed";
    TempHome th;
    FixtureServer srv;
    srv.Page("/tick.json", "{}", "application/json");
    srv.Page("/index.html", "<script>setInterval(() => fetch('tick.json'), 50)</script>");
    RunSettings set;
    set.thrdMax = 1;
    set.worker.renderJs = 1;
    CrawlParts parts;
    parts.ctrl = &th.Ctrl();
    parts.clock = &th.GetClock();
    RunControl rc(MakeCrawlServices(parts), set);
    rc.AddWinSrchLst({{srv.Url("/index.html"), "start", "html"}});
    ASSERT_TRUE(rc.StartManual());
    ASSERT_TRUE(WaitFor([&] { return srv.Hits("/tick.json") > 3; }, 20000));
    QElapsedTimer t;
    t.start();
    rc.Abort();
    EXPECT_LT(t.elapsed(), 5000);
}

}  // namespace
}  // namespace korvi::test
