#include <gtest/gtest.h>

#include <atomic>

#include "engine/CrawlTestKit.h"
#include "engine/RunControl.h"
#include "engine/crawl/ProxySettings.h"
#include "engine/match/Matcher.h"
#include "engine/profile/Profile.h"
#include "fixtures/FixtureServer.h"

namespace korvi::test {
namespace {

// A run over a temporary home and the fixture server, with short limits.
struct TestRun {
    TempHome th;
    FixtureServer srv;
    Matcher matcher;
    RunSettings set;
    std::unique_ptr<RunControl> rc;
    QString title;
    QString message;
    std::atomic<int> messages{0};

    TestRun() {
        set.thrdMax = 2;
        set.hitMax = 0;
        set.pageMax = 0;
        set.connectSec = 0;
        set.getSec = 0;
        set.depthMax = 2;
    }
    RunControl& Make() {
        CrawlParts parts;
        parts.ctrl = &th.Ctrl();
        parts.clock = &th.GetClock();
        parts.matcher = &matcher;
        rc = std::make_unique<RunControl>(MakeCrawlServices(parts), set);
        rc->onEndMessage = [this](const QString& t, const QString& m) {
            title = t;
            message = m;
            ++messages;
        };
        return *rc;
    }
    RunControl& Start(const QStringList& paths) {
        RunControl& r = rc ? *rc : Make();
        QList<StartRow> rows;
        for (const QString& p : paths) rows.append({srv.Url(p), "start", "html"});
        r.AddWinSrchLst(rows);
        EXPECT_TRUE(r.StartManual());
        return r;
    }
    RunRow RowOf(const QString& path) const {
        const RunListSnapshot snap = rc->List().Snapshot();
        for (int i = 0; i < snap.Count(); ++i)
            if (snap.Row(i).url == srv.Url(path)) return snap.Row(i);
        return RunRow();
    }
    QString Tail(const QString& elapsed = "0 秒 ") const {
        return "でした。\n\nDL＆検索時間は " + elapsed + "でした。";
    }
};

TEST(RunList, NumbersListsAndHandsOutWaitingRows) {
    RunList list;
    RunRow a;
    a.url = "http://h/a";
    EXPECT_EQ(list.Append(a), 0);
    EXPECT_EQ(list.Append(a), -1);  // listed already
    RunRow b;
    b.url = "http://h/b";
    EXPECT_EQ(list.Append(b), 1);
    EXPECT_EQ(list.Row(1).no, 2);
    EXPECT_TRUE(list.ChkListUrl("http://h/b"));
    EXPECT_FALSE(list.ChkListUrl("http://h/c"));

    EXPECT_TRUE(list.HasWaiting());
    EXPECT_EQ(list.TakeWaiting(), 0);
    EXPECT_EQ(list.Row(0).state, 10);
    // A row that is not finished cannot be reset.
    EXPECT_FALSE(list.ResetForRedownload(0));
    list.Update(0, [](RunRow& r) {
        r.state = 100;
        r.result = "一致";
    });
    EXPECT_EQ(list.Done(), 1);
    EXPECT_EQ(list.Hits(), 1);
    const RunListSnapshot before = list.Snapshot();
    EXPECT_TRUE(list.ResetForRedownload(0));
    EXPECT_EQ(list.Done(), 0);
    EXPECT_EQ(list.Hits(), 0);
    // The snapshot keeps what it saw.
    EXPECT_EQ(before.Row(0).result, "一致");
    EXPECT_EQ(list.Row(0).result, "未");
    // The reset row comes before the later waiting row, in table order.
    EXPECT_EQ(list.TakeWaiting(), 0);
    EXPECT_EQ(list.TakeWaiting(), 1);
    EXPECT_EQ(list.TakeWaiting(), -1);
    EXPECT_FALSE(list.HasWaiting());

    // Blocks beyond the first keep working with snapshots taken in between.
    for (int i = 0; i < 2 * RunList::kBlock + 5; ++i) {
        RunRow r;
        r.url = "http://h/n" + QString::number(i);
        list.Append(r);
        if (i == RunList::kBlock) {
            const RunListSnapshot mid = list.Snapshot();
            EXPECT_EQ(mid.Count(), RunList::kBlock + 3);
        }
    }
    EXPECT_EQ(list.Count(), 2 * RunList::kBlock + 7);
    EXPECT_EQ(list.Row(2 * RunList::kBlock + 6).no, 2 * RunList::kBlock + 7);
    EXPECT_EQ(RunListColumns().size(), 12);
    EXPECT_EQ(RunListColumns()[1], "状態");
    EXPECT_EQ(list.Row(0).Cells().size(), 12);
}

TEST(RunControl, CrawlsASiteAndEndsNormally) {
    TestRun run;
    run.srv.Page("/index.html",
                 "<img src=\"pic.gif\" alt=\"Cat\"><a href=\"a.html\">A</a>"
                 "<a href=\"old.html\">B</a><a href=\"mailto:x@y\">M</a>");
    run.srv.Page("/a.html", "<p>the needle is here</p><a href=\"deep.html\">D</a>");
    run.srv.Redirect("/old.html", "/new.html");
    run.srv.Page("/new.html", "<p>moved</p>");
    run.srv.Page("/pic.gif", "GIF89a", "image/gif");
    run.srv.Page("/deep.html", "deep");
    run.set.worker.footTagExtension = "-,html,gif,";
    run.Make().SetSearchWords("needle");
    RunControl& rc = run.Start({"/index.html"});
    ASSERT_TRUE(rc.WaitEnd(20000));
    EXPECT_EQ(rc.LastEnd(), RunControl::EndKind::kNormal);
    EXPECT_EQ(run.messages.load(), 1);
    EXPECT_EQ(run.title, "DL＆検索終了");
    EXPECT_EQ(
        run.message,
        "DL＆検索が終了しました。\nDL＆検索数は、 4 件でした。\nヒット数は、 1 件" + run.Tail());
    EXPECT_TRUE(rc.VwThrdMv().endsWith(" ) : End"));
    EXPECT_EQ(rc.VwThrdMv(), "( 4/4 ) : End");

    const RunRow start = run.RowOf("/index.html");
    EXPECT_EQ(start.state, 100);
    EXPECT_EQ(start.result, "不");
    EXPECT_EQ(start.context, "- non -");
    EXPECT_EQ(start.size, "1");
    const RunRow pic = run.RowOf("/pic.gif");
    EXPECT_EQ(pic.depth, 1);  // objects stay at the page's depth
    EXPECT_EQ(pic.ref, run.srv.Url("/index.html"));
    EXPECT_EQ(pic.context.isEmpty(), false);
    const RunRow a = run.RowOf("/a.html");
    EXPECT_EQ(a.depth, 2);
    EXPECT_EQ(a.result, "一致");
    EXPECT_TRUE(a.context.contains("needle"));
    EXPECT_EQ(a.title, "A");
    // The redirected row shows the final URL.
    EXPECT_EQ(run.RowOf("/new.html").result, "不");
    EXPECT_EQ(run.RowOf("/old.html").url, "");
    // depth_max 2: the link on a depth-2 page is not followed.
    EXPECT_EQ(run.RowOf("/deep.html").url, "");
    EXPECT_EQ(run.srv.Hits("/deep.html"), 0);
    // The image's ALT text became the comment of its trailer tag.
    EXPECT_EQ(rc.ImageText(run.srv.Url("/pic.gif")), "Cat");
    const QString tag =
        run.th.Ctrl().GetFootTag(run.th.File("log/R/" + run.srv.StoreHost() + "/pic.gif"));
    EXPECT_TRUE(tag.contains("dl_cmnt=\"Cat\"")) << tag.toStdString();
    EXPECT_EQ(rc.LiveWorkers(), 0);
}

TEST(RunControl, FilteredOrKeptStartRowsEndTheRun) {
    TestRun run;
    FixtureServer::Route big;
    big.announcedLength = 90000;
    run.srv.SetRoute("/big.html", big);
    run.srv.Page("/have.html", "new");
    run.th.Write("log/R/" + run.srv.StoreHost() + "/have.html", "old");
    run.set.worker.filter.ext_mode = ExtFilterMode::kIn;
    run.set.worker.filter.ext_list = "html,<50";
    run.set.worker.filter.filter_start = true;
    RunControl& rc = run.Start({"/big.html", "/have.html"});
    ASSERT_TRUE(rc.WaitEnd(20000));
    EXPECT_EQ(rc.LastEnd(), RunControl::EndKind::kNormal);
    EXPECT_EQ(run.RowOf("/big.html").result, "断");
    EXPECT_EQ(run.RowOf("/big.html").context, "- サイズ付き拡張子フィルタ -");
    EXPECT_EQ(run.RowOf("/big.html").state, SrchThrd::kFiltered);
    // Overwrite type 0 with a local copy: not fetched at all.
    EXPECT_EQ(run.RowOf("/have.html").context, "- 既獲得データ -");
    EXPECT_EQ(run.srv.Hits("/have.html"), 0);
    EXPECT_EQ(run.th.Read("log/R/" + run.srv.StoreHost() + "/have.html"), "old");
    EXPECT_EQ(
        run.message,
        "DL＆検索が終了しました。\nDL＆検索数は、 2 件でした。\nヒット数は、 0 件" + run.Tail());
}

// Two sites on one host differ by port: each keeps its own files, and each
// file's tag names the site it came from.
TEST(RunControl, SitesOnOneHostWithOtherPortsAreStoredApart) {
    TestRun run;
    FixtureServer other;
    run.srv.Page("/index.html", "<p>first</p><a href=\"a.html\">A</a>");
    run.srv.Page("/a.html", "first a");
    other.Page("/index.html", "<p>second</p><a href=\"a.html\">A</a>");
    other.Page("/a.html", "second a");
    run.set.worker.footTagExtension = "-,html,";
    RunControl& rc = run.Make();
    rc.AddWinSrchLst({{run.srv.Url("/index.html"), "start", "html"},
                      {other.Url("/index.html"), "start", "html"}});
    ASSERT_TRUE(rc.StartManual());
    ASSERT_TRUE(rc.WaitEnd(20000));
    EXPECT_EQ(other.Hits("/index.html"), 1);
    EXPECT_EQ(other.Hits("/a.html"), 1);
    EXPECT_EQ(run.srv.Hits("/a.html"), 1);
    const RunListSnapshot snap = rc.List().Snapshot();
    ASSERT_EQ(snap.Count(), 4);
    for (int i = 0; i < snap.Count(); ++i) {
        const RunRow row = snap.Row(i);
        EXPECT_NE(row.context, "- 既獲得データ -") << row.url.toStdString();
        const QString path = run.th.Ctrl().GetLogFrdr(row.url);
        EXPECT_TRUE(path.contains(row.url.startsWith(other.Url("/")) ? other.StoreHost()
                                                                     : run.srv.StoreHost()));
        const QString tag = run.th.Ctrl().GetFootTag(run.th.File(path));
        EXPECT_EQ(CtrlFile::GetFootTagAttr(tag, "dl_src"), row.url);
    }
    EXPECT_NE(run.srv.StoreHost(), other.StoreHost());
    EXPECT_TRUE(run.th.Read("log/R/" + other.StoreHost() + "/index.html").startsWith("<p>second"));
    EXPECT_TRUE(run.th.Read("log/R/" + run.srv.StoreHost() + "/a.html").startsWith("first a"));
}

TEST(RunControl, HitAndPageLimitsEndTheRun) {
    TestRun hits;
    for (const char* p : {"/1.html", "/2.html", "/3.html"}) hits.srv.Page(p, "needle");
    hits.set.thrdMax = 1;
    hits.set.hitMax = 1;
    hits.Make().SetSearchWords("needle");
    RunControl& h = hits.Start({"/1.html", "/2.html", "/3.html"});
    ASSERT_TRUE(h.WaitEnd(20000));
    EXPECT_EQ(h.LastEnd(), RunControl::EndKind::kHits);
    EXPECT_EQ(hits.message,
              "最大ヒット数 1 件のDL＆検索が終了しました。\nヒット数は、 1 件" + hits.Tail());
    EXPECT_EQ(hits.srv.Hits("/3.html"), 0);

    TestRun pages;
    for (const char* p : {"/1.html", "/2.html", "/3.html"}) pages.srv.Page(p, "x");
    pages.set.thrdMax = 1;
    pages.set.pageMax = 2;
    RunControl& p = pages.Start({"/1.html", "/2.html", "/3.html"});
    ASSERT_TRUE(p.WaitEnd(20000));
    EXPECT_EQ(p.LastEnd(), RunControl::EndKind::kPages);
    EXPECT_EQ(pages.message,
              "最大検索終了数 2 件のDL＆検索が終了しました。\nヒット数は、 0 件" + pages.Tail());
    EXPECT_EQ(pages.rc->List().Done(), 2);
}

FixtureServer::Route Gated() {
    FixtureServer::Route r;
    r.body = QByteArray(32 * 1024, 's');
    r.gated = true;
    r.gateAfter = 2048;
    return r;
}

TEST(RunControl, WholeRunTimeOutReleasesWorkers) {
    TestRun run;
    run.srv.SetRoute("/slow.html", Gated());
    run.set.minutes = 1;
    RunControl& rc = run.Start({"/slow.html"});
    ASSERT_TRUE(run.srv.WaitGateReached("/slow.html"));
    EXPECT_FALSE(rc.WaitEnd(30));
    run.th.GetClock().Advance(60 * 1000);
    ASSERT_TRUE(rc.WaitEnd(20000));
    EXPECT_EQ(rc.LastEnd(), RunControl::EndKind::kTimeOut);
    EXPECT_EQ(run.message, "全体タイム・アウト 1 分以上の時間が経過しました。\nヒット数は、 0 件" +
                               run.Tail("1 分 0 秒 "));
    // The transfer was ended and its thread is gone.
    EXPECT_EQ(rc.LiveWorkers(), 0);
    EXPECT_EQ(rc.BusySlots(), 0);
}

TEST(RunControl, ConnectAndGetTimeOutsStopTheirWorkers) {
    TestRun run;
    run.srv.SetRoute("/slow.html", Gated());
    run.set.connectSec = 5;
    RunControl& rc = run.Start({"/slow.html"});
    ASSERT_TRUE(run.srv.WaitGateReached("/slow.html"));
    ASSERT_TRUE(WaitFor([&] { return run.RowOf("/slow.html").state >= 11; }));
    run.th.GetClock().Advance(4999);
    EXPECT_FALSE(rc.WaitEnd(50));  // not yet 5 seconds
    run.th.GetClock().Advance(1);
    ASSERT_TRUE(rc.WaitEnd(20000));
    EXPECT_EQ(run.RowOf("/slow.html").context, "- 接続タイム・アウト -");
    EXPECT_EQ(run.RowOf("/slow.html").result, "断");
    EXPECT_EQ(rc.LiveWorkers(), 0);

    // Get time-out: the body is in, the worker waits on a busy script host.
    TestRun get;
    get.srv.Page("/p.html", "text");
    get.set.getSec = 5;
    get.set.worker.preSearch = true;
    get.set.worker.scriptRetryWaitMs = 1000;
    CrawlParts parts;
    parts.ctrl = &get.th.Ctrl();
    parts.clock = &get.th.GetClock();
    auto services = MakeCrawlServices(parts);
    services->runScript = [](const QString&, const QString&) -> std::optional<QString> {
        return std::nullopt;
    };
    get.rc = std::make_unique<RunControl>(services, get.set);
    RunControl& g = get.Start({"/p.html"});
    ASSERT_TRUE(WaitFor([&] { return get.RowOf("/p.html").state == 89; }));
    get.th.GetClock().Advance(5000);
    ASSERT_TRUE(g.WaitEnd(20000));
    EXPECT_EQ(get.RowOf("/p.html").context, "- 取得タイム・アウト -");
    EXPECT_EQ(g.LiveWorkers(), 0);
}

TEST(RunControl, SkipEndsAWorkerStuckOn503) {
    TestRun run;
    FixtureServer::Route busy;
    busy.unavailableTimes = 1 << 30;
    run.srv.SetRoute("/busy.html", busy);
    run.set.worker.retryWaitMs = 20;
    RunControl& rc = run.Start({"/busy.html"});
    ASSERT_TRUE(WaitFor([&] { return run.srv.Hits("/busy.html") >= 2; }));
    EXPECT_TRUE(rc.IsRunning());
    rc.Skip({0});
    ASSERT_TRUE(rc.WaitEnd(20000));
    EXPECT_EQ(rc.LastEnd(), RunControl::EndKind::kNormal);
    EXPECT_EQ(run.RowOf("/busy.html").context, "- スキップ -");
    EXPECT_EQ(run.RowOf("/busy.html").state, SrchThrd::kSkipped);
    EXPECT_EQ(rc.LiveWorkers(), 0);
    const int hits = run.srv.Hits("/busy.html");
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(run.srv.Hits("/busy.html"), hits);
}

TEST(RunControl, RedownloadPauseAndResume) {
    TestRun run;
    run.srv.Page("/a.html", "a");
    run.srv.SetRoute("/slow.html", Gated());
    run.set.overwriteType = 1;  // no server time: fetched again
    run.set.worker.overwriteType = 1;
    RunControl& rc = run.Start({"/a.html", "/slow.html"});
    ASSERT_TRUE(WaitFor([&] { return run.RowOf("/a.html").state == 100; }));
    ASSERT_TRUE(run.srv.WaitGateReached("/slow.html"));
    const int slowIndex = run.RowOf("/slow.html").no - 1;
    rc.Redownload({slowIndex});  // still running: nothing happens
    EXPECT_EQ(run.rc->List().Row(slowIndex).result, "未");
    EXPECT_NE(run.rc->List().Row(slowIndex).state, 0);
    rc.Redownload({run.RowOf("/a.html").no - 1});
    ASSERT_TRUE(WaitFor([&] { return run.srv.Hits("/a.html") == 2; }));
    ASSERT_TRUE(WaitFor([&] { return run.RowOf("/a.html").state == 100; }));
    EXPECT_EQ(run.RowOf("/a.html").result, "不");

    // Paused: new rows wait; resumed: they are served.
    EXPECT_EQ(rc.StopButtonText(), "停止");
    rc.PressStopButton();
    EXPECT_TRUE(rc.Paused());
    EXPECT_EQ(rc.StopButtonText(), "再開");
    EXPECT_TRUE(rc.VwThrdMv().endsWith(" ) : Wait"));
    run.srv.Page("/late.html", "late");
    rc.AddWinSrchLst({{run.srv.Url("/late.html"), "", "html"}});
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(run.RowOf("/late.html").state, 0);
    rc.PressStopButton();
    EXPECT_FALSE(rc.Paused());
    ASSERT_TRUE(WaitFor([&] { return run.RowOf("/late.html").state == 100; }));
    run.srv.Open();
    ASSERT_TRUE(rc.WaitEnd(20000));
    EXPECT_EQ(run.RowOf("/slow.html").result, "不");
}

TEST(RunControl, QuietRunsEndWithoutAMessage) {
    TestRun run;
    run.srv.Page("/a.html", "a");
    std::atomic<int> quietEnds{0};
    run.Make().SetQuiet(true);
    run.rc->onQuietEnd = [&] { ++quietEnds; };
    RunControl& rc = run.Start({"/a.html"});
    ASSERT_TRUE(rc.WaitEnd(20000));
    EXPECT_EQ(quietEnds.load(), 1);
    EXPECT_EQ(run.messages.load(), 0);
    EXPECT_EQ(rc.LastEnd(), RunControl::EndKind::kNormal);
    EXPECT_FALSE(rc.EndMessage().isEmpty());
}

TEST(RunControl, SettingsComeFromTheProfile) {
    DlSrchOpt opt;
    opt.thrd_max = 3;
    opt.re_time = 7;
    opt.mk_local_link = false;
    opt.add_foot_tag = true;
    opt.panel.filter_type = FilterMode::kOut;
    opt.panel.filter_string = "jpg";
    opt.panel.target.domain_out = false;
    opt.address = "proxy.invalid";
    opt.port = 3128;
    const RunSettings r = RunSettings::FromOpt(opt, "http://h/d/");
    EXPECT_EQ(r.thrdMax, 3);
    EXPECT_EQ(r.worker.retryWaitMs, 7000);
    EXPECT_EQ(r.worker.localLink, 1);
    EXPECT_EQ(r.worker.footTag, 0);
    EXPECT_EQ(r.worker.filter.ext_mode, ExtFilterMode::kOut);
    EXPECT_FALSE(r.worker.filter.target.domain_out);
    EXPECT_EQ(r.worker.filter.base_url, "http://h/d/");
    EXPECT_EQ(r.worker.userAgent, opt.user_agent);

    ProxySettings proxy;
    TestRun run;
    run.set = r;
    run.Make();
    run.rc->StartDlSearch(proxy, {});
    EXPECT_EQ(proxy.ProxyHost(), "proxy.invalid");
    EXPECT_EQ(proxy.ProxyPort(), "3128");
    ASSERT_TRUE(run.rc->WaitEnd(20000));
    EXPECT_EQ(run.rc->LastEnd(), RunControl::EndKind::kNormal);
}

}  // namespace
}  // namespace korvi::test
