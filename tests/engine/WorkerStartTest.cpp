#include <gtest/gtest.h>

#include <atomic>
#include <system_error>

#include "engine/CrawlTestKit.h"
#include "engine/RunControl.h"
#include "engine/match/Matcher.h"
#include "fixtures/FixtureServer.h"

namespace korvi::test {
namespace {

// A thread starter that fails like std::thread under a low process limit
// for the first `failures` starts.
std::function<std::thread(std::function<void()>)> FailingStarter(std::atomic<int>& calls,
                                                                 int failures) {
    return [&calls, failures](std::function<void()> body) {
        if (++calls <= failures)
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::thread(std::move(body));
    };
}

TEST(WorkerStart, FailedThreadStartIsReportedAndCanBeRetried) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/a.html", "<p>a</p>");
    std::atomic<int> calls{0};
    auto s = MakeServices(th);
    s->startThread = FailingStarter(calls, 1);
    auto w = MakeWorker(s, srv.Url("/a.html"));
    EXPECT_FALSE(w->StartManual());
    EXPECT_FALSE(w->Started());
    EXPECT_FALSE(w->Running());
    EXPECT_TRUE(th.Read("log_err/R.log").contains("S_Thrd StartManual Error : "));
    ASSERT_TRUE(w->StartManual());
    EXPECT_TRUE(w->Started());
    ASSERT_TRUE(WaitFor([&] { return !w->Running(); }));
    w->Join();
    EXPECT_EQ(w->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/a.html"), "<p>a</p>");
}

TEST(WorkerStart, RunGoesOnWhenThreadsCannotBeMade) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/index.html", "<a href=\"a.html\">A</a><a href=\"b.html\">B</a>");
    srv.Page("/a.html", "needle");
    srv.Page("/b.html", "b");
    Matcher matcher;
    CrawlParts parts;
    parts.ctrl = &th.Ctrl();
    parts.clock = &th.GetClock();
    parts.matcher = &matcher;
    auto services = MakeCrawlServices(parts);
    std::atomic<int> calls{0};
    services->startThread = FailingStarter(calls, 5);
    RunSettings set;
    set.thrdMax = 2;
    set.hitMax = 0;
    set.pageMax = 0;
    set.connectSec = 0;
    set.getSec = 0;
    RunControl rc(services, set);
    rc.SetSearchWords("needle");
    rc.AddWinSrchLst({{srv.Url("/index.html"), "start", "html"}});
    ASSERT_TRUE(rc.StartManual());
    ASSERT_TRUE(rc.WaitEnd(20000));
    EXPECT_EQ(rc.LastEnd(), RunControl::EndKind::kNormal);
    EXPECT_GT(calls.load(), 5);
    const RunListSnapshot snap = rc.List().Snapshot();
    ASSERT_EQ(snap.Count(), 3);
    for (int i = 0; i < snap.Count(); ++i) {
        EXPECT_EQ(snap.Row(i).state, 100) << snap.Row(i).url.toStdString();
        EXPECT_NE(snap.Row(i).result, "断");
    }
    EXPECT_EQ(rc.List().Hits(), 1);
    EXPECT_EQ(rc.LiveWorkers(), 0);
}

}  // namespace
}  // namespace korvi::test
