#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <cstdlib>

#include "CrawlTestKit.h"
#include "engine/HttpFetch.h"
#include "engine/Matcher.h"
#include "engine/ProxySettings.h"
#include "engine/RunControl.h"
#include "fixtures/FixtureServer.h"
#include "platform/StoredEtag.h"

namespace korvi::test {
namespace {

// Sets (or, with null, removes) an environment variable for one test and
// puts the old value back afterwards.
class EnvGuard {
public:
    EnvGuard(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        Set(value);
    }
    ~EnvGuard() { Set(had_ ? old_.c_str() : nullptr); }
    void Set(const char* value) {
        if (value)
            setenv(name_, value, 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
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
    FixtureServer site;
    FixtureServer envProxy;
    FixtureServer profileProxy;
    const QString url = site.Url("/p.html");
    site.Page("/p.html", "direct");
    // A proxy gets the absolute URL as its request target.
    envProxy.Page(url, "via environment");
    profileProxy.Page(url, "via profile");
    const QByteArray envUrl = envProxy.Url("").toUtf8();
    EnvGuard http("http_proxy", envUrl.constData());
    EnvGuard all("all_proxy", nullptr);
    EnvGuard allUpper("ALL_PROXY", nullptr);
    EnvGuard no("no_proxy", nullptr);
    EnvGuard noUpper("NO_PROXY", nullptr);

    ProxySettings none;  // a profile without a proxy
    EXPECT_EQ(FetchBody(th, url, nullptr), "via environment");
    EXPECT_EQ(FetchBody(th, url, &none), "via environment");
    EXPECT_EQ(envProxy.Hits(url), 2);

    ProxySettings profile;
    profile.Apply(QStringLiteral("127.0.0.1"), profileProxy.Port());
    EXPECT_EQ(FetchBody(th, url, &profile), "via profile");

    no.Set("localhost,127.0.0.1");
    EXPECT_EQ(FetchBody(th, url, &none), "direct");
    EXPECT_EQ(FetchBody(th, url, &profile), "via profile");  // the profile wins over no_proxy

    http.Set(nullptr);
    no.Set(nullptr);
    all.Set(envUrl.constData());
    EXPECT_EQ(FetchBody(th, url, &none), "via environment");
    all.Set(nullptr);
    EXPECT_EQ(FetchBody(th, url, &none), "direct");
    EXPECT_EQ(site.Hits("/p.html"), 2);
}

// A run over the fixture site with robots.txt asked for as a profile leaves it on.
struct MannersRun {
    TempHome th;
    Matcher matcher;
    RunSettings set;
    std::unique_ptr<RunControl> rc;

    MannersRun() {
        set.thrdMax = 4;
        set.hitMax = 0;
        set.pageMax = 0;
        set.connectSec = 0;
        set.getSec = 0;
        set.depthMax = 3;
        set.worker.robotsTxt = true;
        set.worker.footTag = 1;
        set.worker.localLink = 1;
    }
    void Run(const QStringList& startUrls) {
        CrawlParts parts;
        parts.ctrl = &th.Ctrl();
        parts.clock = &th.GetClock();
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
             "User-agent: *\nDisallow: /\n\n"
             "User-agent: korvi\nDisallow: /private/\nDisallow: /*.pdf$\n",
             "text/plain");
    srv.Page("/private/start.html",
             "<a href=\"/a.html\">a</a><a href=\"/b.html\">b</a>"
             "<a href=\"/private/x.html\">x</a><a href=\"/doc.pdf\">pdf</a>"
             "<img src=\"/private/pic.gif\">");
    srv.Page("/a.html", "<a href=\"/c.html\">c</a><a href=\"/private/y.html\">y</a>");
    srv.Page("/b.html", "b");
    srv.Page("/c.html", "c");
    srv.Page("/private/x.html", "x");
    srv.Page("/private/y.html", "y");
    srv.Page("/private/pic.gif", "GIF89a", "image/gif");
    srv.Page("/doc.pdf", "%PDF", "application/pdf");
}

TEST(NetManners, RobotsTxtAskedOncePerRunAndObeyedBelowTheStartUrls) {
    FixtureServer srv;
    RobotsSite(srv);
    MannersRun run;
    run.Run({srv.Url("/private/start.html")});
    EXPECT_EQ(srv.Hits("/robots.txt"), 1);
    EXPECT_EQ(srv.Hits("/private/start.html"), 1);  // typed by the user: always fetched
    for (const QString p : {"/a.html", "/b.html", "/c.html"}) {
        EXPECT_EQ(srv.Hits(p), 1) << p.toStdString();
        EXPECT_EQ(run.RowOf(srv.Url(p)).result, QStringLiteral("不")) << p.toStdString();
    }
    for (const QString p : {"/private/x.html", "/private/y.html", "/private/pic.gif", "/doc.pdf"}) {
        EXPECT_EQ(srv.Hits(p), 0) << p.toStdString();
        const RunRow row = run.RowOf(srv.Url(p));
        EXPECT_EQ(row.state, SrchThrd::kRobotsExcluded) << p.toStdString();
        EXPECT_EQ(row.result, QStringLiteral("断"));
        EXPECT_EQ(row.context, QStringLiteral("- robots.txt 除外 -"));
    }

    // The next run asks again; with the profile key off nothing is asked or left out.
    MannersRun again;
    again.Run({srv.Url("/private/start.html")});
    EXPECT_EQ(srv.Hits("/robots.txt"), 2);
    MannersRun off;
    off.set.worker.robotsTxt = false;
    off.Run({srv.Url("/private/start.html")});
    EXPECT_EQ(srv.Hits("/robots.txt"), 2);
    EXPECT_EQ(srv.Hits("/private/x.html"), 1);
    EXPECT_EQ(srv.Hits("/doc.pdf"), 1);

    // A server whose robots.txt fails (5xx) gives nothing beyond the start URLs.
    FixtureServer broken;
    RobotsSite(broken);
    FixtureServer::Route fail;
    fail.status = 500;
    fail.body = "oops";
    broken.SetRoute("/robots.txt", fail);
    MannersRun down;
    down.Run({broken.Url("/private/start.html"), broken.Url("/b.html")});
    EXPECT_EQ(broken.Hits("/robots.txt"), 1);
    EXPECT_EQ(broken.Hits("/b.html"), 1);
    EXPECT_EQ(broken.Hits("/a.html"), 0);
    EXPECT_EQ(down.RowOf(broken.Url("/a.html")).state, SrchThrd::kRobotsExcluded);
}

// The gaps between the starts of consecutive requests, in ms.
std::vector<qint64> Gaps(const FixtureServer& srv) {
    std::vector<std::chrono::steady_clock::time_point> t = srv.RequestTimes();
    std::sort(t.begin(), t.end());
    std::vector<qint64> gaps;
    for (size_t i = 1; i < t.size(); ++i)
        gaps.push_back(
            std::chrono::duration_cast<std::chrono::milliseconds>(t[i] - t[i - 1]).count());
    return gaps;
}

TEST(NetManners, ServerWaitAndCrawlDelaySpaceTheRequestsOfAllWorkers) {
    QByteArray links;
    for (int i = 0; i < 6; ++i) links += "<a href=\"/p" + QByteArray::number(i) + ".html\">p</a>";
    // Slack for the time between a worker's start and the server seeing it.
    constexpr qint64 kSlack = 60;

    FixtureServer srv;
    srv.Page("/start.html", links);
    for (int i = 0; i < 6; ++i) srv.Page(QStringLiteral("/p%1.html").arg(i), "p");
    MannersRun run;
    run.set.worker.robotsTxt = false;
    run.set.worker.hostWaitMs = 200;
    run.Run({srv.Url("/start.html")});
    ASSERT_EQ(srv.Requests().size(), 7u);
    for (qint64 gap : Gaps(srv)) EXPECT_GE(gap, 200 - kSlack);

    // Crawl-delay asks for more than the profile: the larger one counts.
    FixtureServer slow;
    slow.Page("/robots.txt", "User-agent: *\nCrawl-delay: 0.3\n", "text/plain");
    slow.Page("/start.html", links);
    for (int i = 0; i < 6; ++i) slow.Page(QStringLiteral("/p%1.html").arg(i), "p");
    MannersRun polite;
    polite.set.worker.hostWaitMs = 50;
    polite.Run({slow.Url("/start.html")});
    ASSERT_EQ(slow.Requests().size(), 8u);
    const std::vector<qint64> gaps = Gaps(slow);
    // The start page and robots.txt go before the delay is known.
    for (size_t i = 2; i < gaps.size(); ++i) EXPECT_GE(gaps[i], 300 - kSlack) << i;
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
    const QString url = srv.Url("/c.html");
    auto s = MakeServices(th);
    SrchThrdSettings set;
    set.overwriteType = 1;
    set.footTag = 1;
    set.localLink = 1;
    auto fetch = [&](const SrchThrdSettings& with) {
        auto w = MakeWorker(s, url, with);
        w->ManPrgrs();
        return w;
    };

    auto first = fetch(set);
    ASSERT_EQ(first->Status(), SrchThrd::kStatusFinished);
    const QString file = th.Ctrl().Abs(first->LocalPath());
    EXPECT_EQ(srv.LastHeader("/c.html", "If-Modified-Since"), "");
    const bool tagsKept = ReadStoredEtag(file) == "\"v1\"";  // needs extended attributes

    // Unchanged on the server: asked with conditions, answered 304, the copy kept.
    auto second = fetch(set);
    EXPECT_EQ(second->Status(), SrchThrd::kKeptLocal);
    EXPECT_EQ(srv.LastHeader("/c.html", "If-Modified-Since"),
              QString::fromLatin1(HttpFetch::HttpDate(t1)));
    if (tagsKept) {
        EXPECT_EQ(srv.LastHeader("/c.html", "If-None-Match"), "\"v1\"");
    }
    EXPECT_EQ(th.Read(first->LocalPath()), "version 1");
    EXPECT_EQ(Mtime(file), t1);
    // Reading the local copy instead: the page goes on from it.
    SrchThrdSettings load = set;
    load.overwriteLocalLoad = true;
    auto loaded = fetch(load);
    EXPECT_EQ(loaded->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(srv.Hits("/c.html"), 3);

    // A copy whose time the policy does not accept is fetched again, 304 or not.
    SetMtime(file, t1 + 60000);
    auto touched = fetch(set);
    EXPECT_EQ(touched->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(srv.Hits("/c.html"), 5);  // 304, then the body
    EXPECT_EQ(srv.LastHeader("/c.html", "If-Modified-Since"), "");
    EXPECT_EQ(Mtime(file), t1);

    // Changed on the server: the new body and its tag are stored.
    r.body = "version 2";
    r.lastModifiedMs = t1 + 3600000;
    r.etag = "W/\"v2\"";
    srv.SetRoute("/c.html", r);
    auto changed = fetch(set);
    EXPECT_EQ(changed->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(th.Read(first->LocalPath()), "version 2");
    if (tagsKept) {
        EXPECT_EQ(ReadStoredEtag(file), "W/\"v2\"");
    }

    // Without an update policy, or on the forced-overwrite list, a plain GET.
    SrchThrdSettings plain = set;
    plain.overwriteType = 0;
    EXPECT_EQ(fetch(plain)->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(srv.LastHeader("/c.html", "If-Modified-Since"), "");
    s->mustFetch = [](const QString&, const QString&) { return true; };
    EXPECT_EQ(fetch(set)->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(srv.LastHeader("/c.html", "If-None-Match"), "");
}

}  // namespace
}  // namespace korvi::test
