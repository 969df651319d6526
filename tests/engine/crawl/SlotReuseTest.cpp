#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "engine/CrawlTestKit.h"
#include "engine/RunControl.h"
#include "engine/crawl/FetchPool.h"
#include "engine/crawl/HttpFetch.h"
#include "fixtures/FixtureServer.h"

namespace korvi::test {
namespace {

using Clock = std::chrono::steady_clock;

qint64 MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

HttpFetch::Result Get(HttpFetch& http, const QString& url, const QByteArray& referer = {}) {
    HttpFetch::Request req;
    req.url = HttpFetch::WireUrl(url);
    req.referer = referer;
    return http.Perform(req, {}, {}, {});
}

TEST(SlotReuse, OneClientKeepsItsConnectionButNoRequestOptions) {
    FixtureServer srv;
    srv.Page("/a.html", "a");
    srv.Page("/b.html", "b");
    srv.Redirect("/old.html", "/a.html");
    HttpFetch http;
    EXPECT_EQ(Get(http, srv.Url("/a.html"), "http://from/"), HttpFetch::Result::Ok);
    EXPECT_EQ(srv.LastHeader("/a.html", "Referer"), "http://from/");
    EXPECT_EQ(Get(http, srv.Url("/b.html")), HttpFetch::Result::Ok);
    EXPECT_EQ(srv.LastHeader("/b.html", "Referer"), "");  // not carried over
    EXPECT_EQ(Get(http, srv.Url("/old.html")), HttpFetch::Result::Ok);
    EXPECT_EQ(http.Head().effectiveUrl, srv.Url("/a.html").toUtf8());
    EXPECT_EQ(srv.Connections(), 1);
    // A failed request leaves the client usable.
    EXPECT_EQ(Get(http, srv.Url("/none.html")), HttpFetch::Result::Failed);
    EXPECT_EQ(Get(http, srv.Url("/b.html")), HttpFetch::Result::Ok);

    // The pool hands back the client given last and keeps no more than asked.
    FetchPool pool(1);
    std::unique_ptr<HttpFetch> first = pool.Take();
    HttpFetch* kept = first.get();
    pool.Give(std::move(first));
    pool.Give(std::make_unique<HttpFetch>());  // over the limit: closed
    EXPECT_EQ(pool.Idle(), 1u);
    EXPECT_EQ(pool.Take().get(), kept);
    pool.Clear();
    EXPECT_EQ(pool.Idle(), 0u);
}

struct WakeRun {
    TempHome th;
    FixtureServer srv;
    RunSettings set;
    std::unique_ptr<RunControl> rc;

    explicit WakeRun(int tickMs, int slots = 1) : set(UnlimitedRun(slots)) {
        set.tickMs = tickMs;
        rc = std::make_unique<RunControl>(MakeServices(th), set);
    }
    void Start(const QStringList& paths) {
        QList<StartRow> rows;
        for (const QString& p : paths) rows.append({srv.Url(p), "start", "html"});
        rc->AddWinSrchLst(rows);
        ASSERT_TRUE(rc->StartManual());
    }
    bool AllDone(int rows) const {
        const RunListSnapshot snap = rc->List().Snapshot();
        if (snap.Count() != rows) return false;
        for (int i = 0; i < snap.Count(); ++i)
            if (snap.Row(i).result == "未") return false;
        return true;
    }
};

// With long ticks, a slot whose worker ended or whose rows arrived is served
// at once, while the end still waits for more than two idle ticks.
TEST(SlotReuse, FreeSlotsTakeRowsBeforeTheTickAndTheEndWaitsForIdleTicks) {
    constexpr int kTick = 500;
    WakeRun chain(kTick);
    for (int i = 1; i <= 6; ++i) {
        const QByteArray next =
            i < 6 ? "<a href=\"" + QByteArray::number(i + 1) + ".html\">n</a>" : QByteArray("end");
        chain.srv.Page("/" + QString::number(i) + ".html", next);
    }
    const Clock::time_point start = Clock::now();
    chain.Start({"/1.html"});
    // Served a tick at a time, six chained pages would take six ticks or more.
    ASSERT_TRUE(WaitFor([&] { return chain.AllDone(6); }, 20000));
    EXPECT_LT(MsSince(start), 3 * kTick);
    const Clock::time_point done = Clock::now();
    EXPECT_FALSE(chain.rc->WaitEnd(kTick * 3 / 2));
    ASSERT_TRUE(chain.rc->WaitEnd(20000));
    EXPECT_GE(MsSince(done), 2 * kTick);
    EXPECT_EQ(chain.rc->LastEnd(), RunControl::EndKind::kNormal);
    // Rows in the order they were found; the slot kept its connection (the
    // server closes one after five requests).
    const RunListSnapshot snap = chain.rc->List().Snapshot();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(snap.Row(i).url, chain.srv.Url("/" + QString::number(i + 1) + ".html"));
    EXPECT_LE(chain.srv.Connections(), 2);

    // The same beside a slot held busy: rows found while every slot works
    // wake nothing, but a slot left without a row is still served at once.
    WakeRun busy(kTick, 2);
    FixtureServer::Route held;
    held.body = QByteArray(4096, 'x');
    held.gated = true;
    held.gateAfter = 100;
    busy.srv.SetRoute("/held.html", held);
    for (int i = 1; i <= 6; ++i) {
        const QByteArray next =
            i < 6 ? "<a href=\"" + QByteArray::number(i + 1) + ".html\">n</a>" : QByteArray("end");
        busy.srv.Page("/" + QString::number(i) + ".html", next);
    }
    const Clock::time_point busyStart = Clock::now();
    busy.Start({"/held.html", "/1.html"});
    ASSERT_TRUE(busy.srv.WaitGateReached("/held.html"));
    ASSERT_TRUE(WaitFor(
        [&] {
            const RunListSnapshot snap = busy.rc->List().Snapshot();
            return snap.Count() == 7 && snap.Row(6).result != "未";
        },
        20000));
    EXPECT_LT(MsSince(busyStart), 3 * kTick);
    busy.srv.Open();
    ASSERT_TRUE(busy.rc->WaitEnd(20000));
    EXPECT_TRUE(busy.AllDone(7));

    // Rows kept locally end without a thread: the next rows follow at once.
    WakeRun kept(kTick);
    QStringList paths;
    for (int i = 0; i < 12; ++i) {
        paths << "/k" + QString::number(i) + ".html";
        kept.th.Write("log/R/" + kept.srv.StoreHost() + "/k" + QString::number(i) + ".html",
                      "stored");
    }
    const Clock::time_point keptStart = Clock::now();
    kept.Start(paths);
    ASSERT_TRUE(WaitFor([&] { return kept.AllDone(12); }, 20000));
    EXPECT_LT(MsSince(keptStart), 3 * kTick);
    ASSERT_TRUE(kept.rc->WaitEnd(20000));
    EXPECT_EQ(kept.rc->List().Row(11).context, "- 既獲得データ -");
    EXPECT_EQ(kept.srv.Connections(), 0);
}

// The links of a redirected page reach the expander after its final URL
// counts as listed: a link back to that URL adds no row and no second fetch.
TEST(SlotReuse, RedirectedPageIsListedBeforeItsLinksArrive) {
    for (int round = 0; round < 5; ++round) {
        WakeRun run(10);
        run.srv.Redirect("/old.html", "/new.html");
        run.srv.Page("/new.html", "<a href=\"new.html\">self</a><a href=\"old.html\">old</a>");
        run.Start({"/old.html"});
        ASSERT_TRUE(run.rc->WaitEnd(20000));
        EXPECT_EQ(run.rc->List().Count(), 1);
        EXPECT_EQ(run.rc->List().Row(0).url, run.srv.Url("/new.html"));
        EXPECT_EQ(run.srv.Hits("/new.html"), 1);
    }
}

}  // namespace
}  // namespace korvi::test
