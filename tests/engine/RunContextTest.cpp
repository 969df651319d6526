#include <gtest/gtest.h>

#include "engine/CrawlTestKit.h"
#include "engine/RunContext.h"
#include "engine/profile/Profile.h"
#include "fixtures/FixtureServer.h"
#include "index/StoreIndex.h"
#include "store/RunLock.h"

namespace korvi::test {
namespace {

// A run whose folder another live run owns goes to the same identifier with
// a suffix; it owns that folder while it runs and frees it at the end.
TEST(RunContext, OwnsItsFolderAndTakesASuffixWhenTheFolderIsOwned) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/index.html", "<p>page</p>");
    RunLock other;
    ASSERT_TRUE(other.Take(th.File("log/R")));

    DlSrchOpt opt;
    RunContext run(th.Ctx(), opt, srv.Url("/index.html"));
    std::atomic<bool> owned{false};
    auto stopped = run.Run().onStopped;
    run.Run().onStopped = [&] {
        owned = RunLock::InUse(th.File("log/R_2"));
        stopped();
    };
    run.Start({{srv.Url("/index.html"), "t", "html"}}, QString());
    ASSERT_TRUE(run.Run().WaitEnd(20000));
    EXPECT_TRUE(owned.load());
    EXPECT_EQ(th.Ctrl().RunId(), "R_2");
    EXPECT_TRUE(th.Exists("log/R_2/" + srv.StoreHost() + "/index.html"));
    EXPECT_FALSE(RunLock::InUse(th.File("log/R_2")));
    EXPECT_FALSE(th.Exists("log/R_2/" + RunLock::kFileName));
    EXPECT_FALSE(th.Exists("log/R/" + srv.StoreHost()));
}

// The pages a run stores reach the store index as they are stored; the run's
// end then has nothing left to walk.
TEST(RunContext, StoredPagesGoIntoTheIndexWithoutAFolderWalk) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/index.html", "<a href=\"a.html\">a</a><a href=\"b.html\">b</a>");
    srv.Page("/a.html", "<p>鳥類 a</p>");
    srv.Page("/b.html", "<p>page b</p>");
    StoreIndex& index = th.Ctx().Index();
    index.SetEnabled(true);

    DlSrchOpt opt;
    RunContext run(th.Ctx(), opt, srv.Url("/index.html"));
    run.Start({{srv.Url("/index.html"), "t", "html"}}, QString());
    ASSERT_TRUE(run.Run().WaitEnd(20000));
    index.WaitBackground();
    EXPECT_EQ(index.GetCounts().files, 3);
    EXPECT_EQ(index.BackgroundStats().files, 0) << "the folder was walked";
}

}  // namespace
}  // namespace korvi::test
