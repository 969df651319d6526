#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "engine/CrawlTestKit.h"
#include "engine/RunControl.h"
#include "engine/crawl/HttpFetch.h"
#include "engine/crawl/ProxySettings.h"
#include "engine/match/Matcher.h"
#include "fixtures/FixtureServer.h"
#include "platform/StoredEtag.h"

namespace korvi::test {
namespace {

// The proxy variables curl reads: cleared for a test, restored after it.
struct ProxyEnv {
    static constexpr const char* kNames[] = {"http_proxy", "all_proxy", "ALL_PROXY", "no_proxy",
                                             "NO_PROXY"};
    std::optional<QByteArray> saved[5];
    ProxyEnv() {
        for (int i = 0; i < 5; ++i) {
            if (qEnvironmentVariableIsSet(kNames[i])) saved[i] = qgetenv(kNames[i]);
            qunsetenv(kNames[i]);
        }
    }
    ~ProxyEnv() {
        for (int i = 0; i < 5; ++i) saved[i] ? qputenv(kNames[i], *saved[i]) : qunsetenv(kNames[i]);
    }
    static void Set(const char* name, const QByteArray& v) {
        v.isEmpty() ? qunsetenv(name) : qputenv(name, v);
    }
};

// The body a memory-only worker fetches for url.
QByteArray FetchBody(TempHome& th, const QString& url, const ProxySettings* proxy) {
    auto s = MakeServices(th);
    s->proxy = proxy;
    auto w = MakeWorker(s, url);
    w->SetMemoryOnly(true);
    w->ManPrgrs();
    return w->Status() == SrchThrd::kStatusFinished ? w->Body() : QByteArray("failed");
}

TEST(NetManners, ProxyFromTheEnvironmentUnlessTheProfileNamesOne) {
    TempHome th;
    FixtureServer site, envProxy, profileProxy;
    const QString url = site.Url("/p.html");
    site.Page("/p.html", "direct");
    envProxy.Page(url, "via environment");  // a proxy is asked for the absolute URL
    profileProxy.Page(url, "via profile");
    ProxyEnv env;
    ProxyEnv::Set("http_proxy", envProxy.Url("").toUtf8());
    ProxySettings none, profile;
    profile.Apply(QStringLiteral("127.0.0.1"), profileProxy.Port());

    EXPECT_EQ(FetchBody(th, url, nullptr), "via environment");
    EXPECT_EQ(FetchBody(th, url, &none), "via environment");
    EXPECT_EQ(FetchBody(th, url, &profile), "via profile");
    ProxyEnv::Set("no_proxy", "localhost,127.0.0.1");
    EXPECT_EQ(FetchBody(th, url, &none), "direct");
    EXPECT_EQ(FetchBody(th, url, &profile), "via profile");  // the profile's wins over no_proxy
    ProxyEnv::Set("http_proxy", "");
    ProxyEnv::Set("no_proxy", "");
    ProxyEnv::Set("all_proxy", envProxy.Url("").toUtf8());
    EXPECT_EQ(FetchBody(th, url, &none), "via environment");
    ProxyEnv::Set("all_proxy", "");
    EXPECT_EQ(FetchBody(th, url, &none), "direct");
}

// A whole run over the fixture server; robots.txt is asked for as profiles do.
struct MannersRun {
    TempHome th;
    Matcher matcher;
    RunSettings set;
    std::unique_ptr<RunControl> rc;

    MannersRun() {
        set.thrdMax = 4;
        set.hitMax = set.pageMax = set.connectSec = set.getSec = 0;
        set.depthMax = 3;
        set.worker.robotsTxt = true;
        set.worker.footTag = set.worker.localLink = 1;
    }
    void Run(const QStringList& startUrls) {
        CrawlParts parts{&th.Ctrl(), &th.GetClock()};
        parts.matcher = &matcher;
        rc = std::make_unique<RunControl>(MakeCrawlServices(parts), set);
        QList<StartRow> rows;
        for (const QString& u : startUrls) rows.append({u, "start", "html"});
        rc->AddWinSrchLst(rows);
        ASSERT_TRUE(rc->StartManual());
        ASSERT_TRUE(rc->WaitEnd(20000));
    }
    RunRow RowOf(const QString& url) const {
        const RunListSnapshot snap = rc->List().Snapshot();
        for (int i = 0; i < snap.Count(); ++i)
            if (snap.Row(i).url == url) return snap.Row(i);
        return RunRow();
    }
};

void RobotsSite(FixtureServer& srv) {
    srv.Page("/robots.txt",
             "User-agent: *\nDisallow: /\n\nUser-agent: korvi\nDisallow: /private/\n"
             "Disallow: /*.pdf$\n",
             "text/plain");
    srv.Page("/private/start.html",
             "<a href=\"/a.html\">a</a><a href=\"/b.html\">b</a><a href=\"/private/x.html\">x</a>"
             "<a href=\"/doc.pdf\">pdf</a><img src=\"/private/pic.gif\">");
    srv.Page("/a.html", "<a href=\"/c.html\">c</a><a href=\"/private/y.html\">y</a>");
    for (const char* p : {"/b.html", "/c.html", "/private/x.html", "/private/y.html",
                          "/private/pic.gif", "/doc.pdf"})
        srv.Page(p, "x");
}

TEST(NetManners, RobotsTxtAskedOncePerRunAndObeyedBelowTheStartUrls) {
    FixtureServer srv;
    RobotsSite(srv);
    MannersRun run;
    run.Run({srv.Url("/private/start.html")});
    EXPECT_EQ(srv.Hits("/robots.txt"), 1);
    EXPECT_EQ(srv.Hits("/private/start.html"), 1);  // typed by the user: always fetched
    for (const char* p : {"/a.html", "/b.html", "/c.html"}) EXPECT_EQ(srv.Hits(p), 1) << p;
    for (const char* p : {"/private/x.html", "/private/y.html", "/private/pic.gif", "/doc.pdf"}) {
        EXPECT_EQ(srv.Hits(p), 0) << p;
        const RunRow row = run.RowOf(srv.Url(p));
        EXPECT_EQ(row.state, SrchThrd::kRobotsExcluded) << p;
        EXPECT_EQ(row.result + row.context, QStringLiteral("断- robots.txt 除外 -")) << p;
    }

    // With the profile key off nothing is asked for or left out.
    MannersRun off;
    off.set.worker.robotsTxt = false;
    off.Run({srv.Url("/private/start.html")});
    EXPECT_EQ(srv.Hits("/robots.txt"), 1);
    EXPECT_EQ(srv.Hits("/private/x.html") + srv.Hits("/doc.pdf"), 2);

    // A robots.txt the server fails on (5xx): nothing beyond the start URLs.
    FixtureServer broken;
    RobotsSite(broken);
    FixtureServer::Route fail;
    fail.status = 500;
    broken.SetRoute("/robots.txt", fail);
    MannersRun down;
    down.Run({broken.Url("/private/start.html"), broken.Url("/b.html")});
    EXPECT_EQ(broken.Hits("/b.html"), 1);
    EXPECT_EQ(broken.Hits("/a.html"), 0);
    EXPECT_EQ(down.RowOf(broken.Url("/a.html")).state, SrchThrd::kRobotsExcluded);
}

// The least gap in ms between consecutive requests of a run of /start.html
// and its six links, leaving out the first `skip` gaps.
qint64 LeastGap(const QByteArray& robots, int hostWaitMs, size_t skip) {
    FixtureServer srv;
    QByteArray links;
    for (int i = 0; i < 6; ++i) {
        links += "<a href=\"/p" + QByteArray::number(i) + ".html\">p</a>";
        srv.Page(QStringLiteral("/p%1.html").arg(i), "p");
    }
    srv.Page("/start.html", links);
    if (!robots.isEmpty()) srv.Page("/robots.txt", robots, "text/plain");
    MannersRun run;
    run.set.worker.hostWaitMs = hostWaitMs;
    run.Run({srv.Url("/start.html")});
    std::vector<std::chrono::steady_clock::time_point> t = srv.RequestTimes();
    std::sort(t.begin(), t.end());
    EXPECT_EQ(t.size(), 8u);  // with robots.txt
    qint64 least = 1 << 30;
    for (size_t i = skip + 1; i < t.size(); ++i)
        least = std::min<qint64>(
            least, std::chrono::duration_cast<std::chrono::milliseconds>(t[i] - t[i - 1]).count());
    return least;
}

TEST(NetManners, ServerWaitAndCrawlDelaySpaceTheRequestsOfAllWorkers) {
    constexpr qint64 kSlack = 60;  // between a worker's start and the server seeing it
    EXPECT_GE(LeastGap("", 200, 0), 200 - kSlack);
    // A longer Crawl-delay wins once robots.txt is known (after the first two requests).
    EXPECT_GE(LeastGap("User-agent: *\nCrawl-delay: 0.3\n", 50, 2), 300 - kSlack);
}

TEST(NetManners, ConditionalRequestsKeepAnUnchangedCopy) {
    TempHome th;
    FixtureServer srv;
    const qint64 t1 = 1700000000000;  // whole seconds, as HTTP dates are
    FixtureServer::Route r;
    r.body = "version 1";
    r.lastModifiedMs = t1;
    r.etag = "\"v1\"";
    srv.SetRoute("/c.html", r);
    auto s = MakeServices(th);
    SrchThrdSettings set;
    set.overwriteType = 1;
    set.footTag = set.localLink = 1;
    auto fetch = [&](const SrchThrdSettings& with) {
        auto w = MakeWorker(s, srv.Url("/c.html"), with);
        w->ManPrgrs();
        return w->Status();
    };
    auto sent = [&](const std::string& h) { return srv.LastHeader("/c.html", h); };

    ASSERT_EQ(fetch(set), SrchThrd::kStatusFinished);
    EXPECT_EQ(sent("If-Modified-Since"), "");
    const QString rel = th.Ctrl().GetLogFrdr(srv.Url("/c.html"));
    const QString file = th.Ctrl().Abs(rel);
    const bool tagsKept = ReadStoredEtag(file) == "\"v1\"";  // needs extended attributes

    // Unchanged: asked with conditions, answered 304, the copy kept as it was.
    EXPECT_EQ(fetch(set), SrchThrd::kKeptLocal);
    EXPECT_EQ(sent("If-Modified-Since"), QString::fromLatin1(HttpFetch::HttpDate(t1)));
    EXPECT_EQ(sent("If-None-Match"), tagsKept ? "\"v1\"" : "");
    EXPECT_EQ(th.Read(rel), "version 1");
    EXPECT_EQ(Mtime(file), t1);
    SrchThrdSettings load = set;  // or read instead, so that its links are followed
    load.overwriteLocalLoad = true;
    EXPECT_EQ(fetch(load), SrchThrd::kStatusFinished);
    EXPECT_EQ(srv.Hits("/c.html"), 3);

    // A copy whose time the policy does not accept is fetched again, 304 or not.
    SetMtime(file, t1 + 60000);
    EXPECT_EQ(fetch(set), SrchThrd::kStatusFinished);
    EXPECT_EQ(srv.Hits("/c.html"), 5);  // 304, then the body
    EXPECT_EQ(sent("If-Modified-Since"), "");
    EXPECT_EQ(Mtime(file), t1);

    // Changed on the server: the new body and its tag are stored.
    r.body = "version 2";
    r.lastModifiedMs = t1 + 3600000;
    r.etag = "W/\"v2\"";
    srv.SetRoute("/c.html", r);
    EXPECT_EQ(fetch(set), SrchThrd::kStatusFinished);
    EXPECT_EQ(th.Read(rel), "version 2");
    EXPECT_EQ(ReadStoredEtag(file), tagsKept ? "W/\"v2\"" : "");

    // Without an update policy, or on the forced-overwrite list: a plain GET.
    set.overwriteType = 0;
    EXPECT_EQ(fetch(set), SrchThrd::kStatusFinished);
    EXPECT_EQ(sent("If-Modified-Since"), "");
    set.overwriteType = 2;
    s->mustFetch = [](const QString&, const QString&) { return true; };
    EXPECT_EQ(fetch(set), SrchThrd::kStatusFinished);
    EXPECT_EQ(sent("If-None-Match"), "");
}

}  // namespace
}  // namespace korvi::test
