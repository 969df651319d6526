#include <gtest/gtest.h>

#include "engine/CrawlTestKit.h"
#include "engine/crawl/HttpFetch.h"
#include "engine/crawl/ProxySettings.h"
#include "engine/crawl/SessionCookies.h"
#include "fixtures/FixtureServer.h"

namespace korvi::test {
namespace {

// 2006/03/09 ~ on a 10-second slot boundary (ms / 10000 changes right here).
constexpr qint64 kServerTime = 1141855510000;

QString ErrLog(TempHome& th) {
    return QString::fromUtf8(th.Read("log_err/R.log"));
}

TEST(FetchHttp, StoresBodySendsHeadersAndCountsBlocks) {
    TempHome th;
    FixtureServer srv;
    QByteArray big(100 * 1024, 'a');
    srv.Page("/big.html", big);
    SrchThrdSettings set;
    set.userAgent = "KorviTest/1";
    auto w = MakeWorker(MakeServices(th), srv.Url("/big.html"), set, srv.Url("/from.html"));
    ASSERT_TRUE(w->GetWebData());
    EXPECT_EQ(w->Body(), big);
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/big.html"), big);
    EXPECT_EQ(w->Downloaded(), big.size());
    EXPECT_EQ(w->ContentLength(), big.size());
    EXPECT_FALSE(w->Redirected());
    // Far more than 75 blocks of 1024 bytes: the status has entered its cycle.
    EXPECT_GE(w->Status(), 46);
    EXPECT_LE(w->Status(), 86);
    EXPECT_EQ(srv.LastHeader("/big.html", "User-Agent"), "KorviTest/1");
    EXPECT_EQ(srv.LastHeader("/big.html", "Referer"), srv.Url("/from.html"));

    // A referrer that is a local file is not sent.
    auto local = MakeWorker(MakeServices(th), srv.Url("/big.html"), set, "file:///tmp/a.html");
    ASSERT_TRUE(local->GetWebData());
    EXPECT_EQ(srv.LastHeader("/big.html", "Referer"), "");
}

TEST(FetchHttp, RedirectMovesUrlAndPath) {
    TempHome th;
    FixtureServer srv;
    srv.Redirect("/old/a.html", "/new/b.html");
    srv.Page("/new/b.html", "<html>moved</html>");
    auto w = MakeWorker(MakeServices(th), srv.Url("/old/a.html"));
    ASSERT_TRUE(w->GetWebData());
    EXPECT_TRUE(w->Redirected());
    EXPECT_EQ(w->Url(), srv.Url("/new/b.html"));
    EXPECT_EQ(w->LocalPath(), "log/R/" + srv.StoreHost() + "/new/b.html");
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/new/b.html"), "<html>moved</html>");
    EXPECT_FALSE(th.Exists("log/R/" + srv.StoreHost() + "/old/a.html"));
}

TEST(FetchHttp, ErrorsCarryTheCodeAndAreLogged) {
    TempHome th;
    FixtureServer srv;
    auto w = MakeWorker(MakeServices(th), srv.Url("/missing.html"));
    EXPECT_FALSE(w->GetWebData());
    EXPECT_TRUE(w->LastError().contains("404"));
    EXPECT_TRUE(ErrLog(th).contains("S_Thrd Get Web Data Error : "));
    EXPECT_FALSE(th.Exists("log/R/" + srv.StoreHost() + "/missing.html"));
    w->ManPrgrs();
    EXPECT_EQ(w->Status(), SrchThrd::kFetchFailed);

    // Nothing listens on port 1.
    auto dead = MakeWorker(MakeServices(th), "http://127.0.0.1:1/x.html");
    EXPECT_FALSE(dead->GetWebData());
    EXPECT_FALSE(dead->LastError().isEmpty());
}

TEST(FetchHttp, ContentLengthFilterRefusesBeforeTheBody) {
    TempHome th;
    FixtureServer srv;
    FixtureServer::Route r;
    r.announcedLength = 200000;
    srv.SetRoute("/huge.jpg", r);
    SrchThrdSettings set;
    set.filter.ext_mode = ExtFilterMode::kIn;
    set.filter.ext_list = "jpg,<100";
    set.filter.filter_start = true;
    auto w = SrchThrd::Create(MakeServices(th), set);
    w->SetRow(1, srv.Url("/huge.jpg"), "", "jpg", 1, "");
    w->SetLocalPath(th.Ctrl().GetLogFrdr(srv.Url("/huge.jpg")));
    w->ManPrgrs();
    EXPECT_EQ(w->ContentLength(), 200000);
    EXPECT_EQ(w->Status(), SrchThrd::kFiltered);
    EXPECT_EQ(w->Downloaded(), 0);
    EXPECT_FALSE(th.Exists("log/R/" + srv.StoreHost() + "/huge.jpg"));

    // Below the threshold the same file is taken.
    r.announcedLength = 50000;
    srv.SetRoute("/small.jpg", r);
    auto ok = SrchThrd::Create(MakeServices(th), set);
    ok->SetRow(1, srv.Url("/small.jpg"), "", "jpg", 1, "");
    ok->SetLocalPath(th.Ctrl().GetLogFrdr(srv.Url("/small.jpg")));
    ok->ManPrgrs();
    EXPECT_EQ(ok->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/small.jpg").size(), 50000);
}

TEST(FetchHttp, OverwriteTypeOneComparesTenSecondSlots) {
    TempHome th;
    FixtureServer srv;
    FixtureServer::Route r;
    r.body = "fresh";
    r.lastModifiedMs = kServerTime;
    srv.SetRoute("/p.html", r);
    const QString local = th.File("log/R/" + srv.StoreHost() + "/p.html");
    SrchThrdSettings set;
    set.overwriteType = 1;

    // Same slot (9 s later, still kServerTime / 10000): the copy is kept.
    th.Write("log/R/" + srv.StoreHost() + "/p.html", "old");
    SetMtime(local, kServerTime + 9000);
    auto keep = MakeWorker(MakeServices(th), srv.Url("/p.html"), set);
    EXPECT_FALSE(keep->GetWebData());
    EXPECT_EQ(keep->Status(), SrchThrd::kKeptLocal);
    keep->ManPrgrs();
    EXPECT_EQ(keep->Status(), SrchThrd::kKeptLocal);
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/p.html"), "old");

    // One second earlier lies in the previous slot: fetched again.
    SetMtime(local, kServerTime - 1000);
    auto fetch = MakeWorker(MakeServices(th), srv.Url("/p.html"), set);
    EXPECT_TRUE(fetch->GetWebData());
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/p.html"), "fresh");
    // The stored copy takes the server's time.
    EXPECT_EQ(Mtime(local), kServerTime);

    // Kept copy read instead when overwrite_local_load is on.
    th.Write("log/R/" + srv.StoreHost() + "/p.html", "local body");
    SetMtime(local, kServerTime);
    set.overwriteLocalLoad = true;
    auto load = MakeWorker(MakeServices(th), srv.Url("/p.html"), set);
    EXPECT_TRUE(load->GetWebData());
    EXPECT_EQ(load->Body(), "local body");

    // The forced-overwrite list wins over the policy.
    set.overwriteLocalLoad = false;
    auto s = MakeServices(th);
    s->mustFetch = [](const QString&, const QString& url) { return url.endsWith("p.html"); };
    auto forced = MakeWorker(s, srv.Url("/p.html"), set);
    EXPECT_TRUE(forced->GetWebData());
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/p.html"), "fresh");

    // Policy 0 always fetches when asked to.
    th.Write("log/R/" + srv.StoreHost() + "/p.html", "old");
    SetMtime(local, kServerTime);
    set.overwriteType = 0;
    auto zero = MakeWorker(MakeServices(th), srv.Url("/p.html"), set);
    EXPECT_TRUE(zero->GetWebData());
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/p.html"), "fresh");
}

TEST(FetchHttp, OverwriteTypeTwoComparesLengthWithoutServerTime) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/n.html", "12345");  // no Last-Modified
    SrchThrdSettings set;
    set.overwriteType = 2;
    th.Write("log/R/" + srv.StoreHost() + "/n.html", "abcde");  // same length
    auto keep = MakeWorker(MakeServices(th), srv.Url("/n.html"), set);
    EXPECT_FALSE(keep->GetWebData());
    EXPECT_EQ(keep->Status(), SrchThrd::kKeptLocal);
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/n.html"), "abcde");

    th.Write("log/R/" + srv.StoreHost() + "/n.html", "abc");  // other length
    auto fetch = MakeWorker(MakeServices(th), srv.Url("/n.html"), set);
    EXPECT_TRUE(fetch->GetWebData());
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/n.html"), "12345");

    // With a server time the slots decide, not the length.
    FixtureServer::Route r;
    r.body = "12345";
    r.lastModifiedMs = kServerTime;
    srv.SetRoute("/t.html", r);
    th.Write("log/R/" + srv.StoreHost() + "/t.html", "abcde");
    SetMtime(th.File("log/R/" + srv.StoreHost() + "/t.html"), kServerTime + 20000);
    auto slot = MakeWorker(MakeServices(th), srv.Url("/t.html"), set);
    EXPECT_TRUE(slot->GetWebData());
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/t.html"), "12345");
}

TEST(FetchHttp, Retries503OnlyWithAWaitAndOnlyFor503) {
    TempHome th;
    FixtureServer srv;
    FixtureServer::Route r;
    r.body = "";
    r.unavailableTimes = 2;
    srv.SetRoute("/busy.html", r);
    SrchThrdSettings set;
    set.retryWaitMs = 20;
    auto retry = MakeWorker(MakeServices(th), srv.Url("/busy.html"), set);
    retry->ManPrgrs();
    EXPECT_EQ(retry->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(srv.Hits("/busy.html"), 3);

    srv.SetRoute("/busy2.html", r);
    set.retryWaitMs = 0;
    auto noRetry = MakeWorker(MakeServices(th), srv.Url("/busy2.html"), set);
    noRetry->ManPrgrs();
    EXPECT_EQ(noRetry->Status(), SrchThrd::kFetchFailed);
    EXPECT_TRUE(noRetry->LastError().contains("503"));
    EXPECT_EQ(srv.Hits("/busy2.html"), 1);

    // A 404 whose URL merely contains "503" is not retried.
    set.retryWaitMs = 20;
    auto notFound = MakeWorker(MakeServices(th), srv.Url("/503.html"), set);
    notFound->ManPrgrs();
    EXPECT_EQ(notFound->Status(), SrchThrd::kFetchFailed);
    EXPECT_EQ(srv.Hits("/503.html"), 1);
}

TEST(FetchHttp, StopEndsTransferAndKeepsOldCopy) {
    TempHome th;
    FixtureServer srv;
    FixtureServer::Route r;
    r.body = QByteArray(64 * 1024, 'z');
    r.gated = true;
    r.gateAfter = 4096;
    srv.SetRoute("/slow.html", r);
    th.Write("log/R/" + srv.StoreHost() + "/slow.html", "previous");
    auto w = MakeWorker(MakeServices(th), srv.Url("/slow.html"));
    w->StartManual();
    ASSERT_TRUE(srv.WaitGateReached("/slow.html"));
    ASSERT_TRUE(WaitFor([&] { return w->Downloaded() >= 4096; }));
    EXPECT_TRUE(w->Running());
    w->RequestStop();
    w->Join();
    EXPECT_FALSE(w->Running());
    EXPECT_EQ(w->Status(), SrchThrd::kStopped);
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/slow.html"), "previous");

    // An outside status stays as set.
    srv.SetRoute("/slow2.html", r);
    auto skipped = MakeWorker(MakeServices(th), srv.Url("/slow2.html"));
    skipped->StartManual();
    ASSERT_TRUE(srv.WaitGateReached("/slow2.html"));
    skipped->SetOutsideStatus(SrchThrd::kSkipped);
    skipped->Join();
    EXPECT_EQ(skipped->Status(), SrchThrd::kSkipped);
}

TEST(FetchHttp, SessionCookiesAndLoginRewrite) {
    TempHome th;
    FixtureServer srv;
    FixtureServer::Route login;
    login.body = "ok";
    login.headers = {{"Set-Cookie", "sid=abc; Path=/; HttpOnly"}};
    srv.SetRoute("/login.html", login);
    FixtureServer::Route echo;
    echo.body = "cookie={cookie} query={query}";
    echo.echoCookie = true;
    srv.SetRoute("/member.html", echo);

    SessionCookies cookies;
    auto s = MakeServices(th);
    s->cookies = &cookies;
    auto first = MakeWorker(s, srv.Url("/login.html"));
    ASSERT_TRUE(first->GetWebData());
    EXPECT_EQ(cookies.Lookup(srv.Url("/login.html")), "sid=abc;HttpOnly");

    s->autoLogin = [&](const QString& url) {
        return url.endsWith("member.html") ? url + "?user=me&pw=x" : url;
    };
    auto second = MakeWorker(s, srv.Url("/member.html"), {}, srv.Url("/login.html"));
    ASSERT_TRUE(second->GetWebData());
    EXPECT_EQ(second->Body(), "cookie=sid=abc;HttpOnly query=user=me&pw=x");
    EXPECT_FALSE(second->Redirected());

    // Without a table nothing is sent.
    auto none = MakeWorker(MakeServices(th), srv.Url("/member.html"), {}, srv.Url("/login.html"));
    ASSERT_TRUE(none->GetWebData());
    EXPECT_EQ(none->Body(), "cookie= query=");
}

TEST(FetchHttp, UnsafeCharactersArePercentEncoded) {
    EXPECT_EQ(HttpFetch::WireUrl("http://h/a b.html"), "http://h/a%20b.html");
    EXPECT_EQ(HttpFetch::WireUrl("http://h/%E3%81%82.html#frag"), "http://h/%E3%81%82.html");
    EXPECT_EQ(HttpFetch::WireUrl(QString::fromUtf8("http://h/\xE3\x81\x82.html")),
              "http://h/%E3%81%82.html");

    TempHome th;
    FixtureServer srv;
    srv.Page("/a b.html", "spaced");
    auto w = MakeWorker(MakeServices(th), srv.Url("/a b.html"));
    ASSERT_TRUE(w->GetWebData());
    EXPECT_EQ(w->Body(), "spaced");
    EXPECT_FALSE(w->Redirected());
}

TEST(FetchHttp, ProxySettingsRouteTheRequest) {
    ProxySettings proxy;
    proxy.Apply("", 8080);
    EXPECT_EQ(proxy.ProxyHost(), "");
    EXPECT_EQ(proxy.ProxyPort(), "8080");
    proxy.Apply("proxy.local", -5);
    EXPECT_EQ(proxy.ProxyHost(), "proxy.local");
    EXPECT_EQ(proxy.ProxyPort(), "");

    TempHome th;
    FixtureServer srv;
    srv.Page("http://korvi.invalid/p.html", "via proxy");
    srv.Page("/p.html", "via proxy");
    proxy.Apply("127.0.0.1", srv.Port());
    auto s = MakeServices(th);
    s->proxy = &proxy;
    auto w = MakeWorker(s, "http://korvi.invalid/p.html");
    ASSERT_TRUE(w->GetWebData());
    EXPECT_EQ(w->Body(), "via proxy");
    EXPECT_EQ(
        srv.LastHeader("/p.html", "Host") + srv.LastHeader("http://korvi.invalid/p.html", "Host"),
        "korvi.invalid");
}

TEST(FetchHttp, SetCookiePathAttributesAreDropped) {
    EXPECT_EQ(SessionCookies::StripPath({"a=1; path=/x; Domain=h"}), "a=1;Domain=h");
    EXPECT_EQ(SessionCookies::StripPath({"a=1;PATH=/", "b=2"}), "a=1;b=2");
    EXPECT_EQ(SessionCookies::StripPath({}), "");
}

}  // namespace
}  // namespace korvi::test
