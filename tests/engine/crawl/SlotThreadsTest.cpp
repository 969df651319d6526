#include <gtest/gtest.h>

#include <atomic>

#include "engine/CrawlTestKit.h"
#include "engine/RunControl.h"
#include "fixtures/FixtureServer.h"

namespace korvi::test {
namespace {

struct CountedRun {
    TempHome th;
    FixtureServer srv;
    std::atomic<int> starts{0};
    std::unique_ptr<RunControl> rc;

    explicit CountedRun(int slots,
                        std::function<QString(const QString&, const QString&)> match = {}) {
        auto services = MakeServices(th);
        services->match = std::move(match);
        services->startThread = [this](std::function<void()> body) {
            ++starts;
            return std::thread(std::move(body));
        };
        rc = std::make_unique<RunControl>(services, UnlimitedRun(slots));
    }
    QString Result(int row) const { return rc->List().Row(row).result; }
};

// A run's slots keep one thread each from URL to URL; a worker the run gives
// up on (here a skip while its body is held) leaves its thread behind, the
// slot goes on with a fresh one, and the old thread ends with its transfer.
TEST(SlotThreads, SlotsKeepTheirThreadsAndAGivenUpWorkerLeavesItsSlot) {
    CountedRun site(3);
    QByteArray index;
    for (int i = 0; i < 30; ++i) {
        const QString page = "/p" + QString::number(i) + ".html";
        site.srv.Page(page, "page " + QByteArray::number(i));
        index += "<a href=\"" + page.mid(1).toUtf8() + "\">p</a>";
    }
    site.srv.Page("/index.html", index);
    site.rc->AddWinSrchLst({{site.srv.Url("/index.html"), "start", "html"}});
    ASSERT_TRUE(site.rc->StartManual());
    ASSERT_TRUE(site.rc->WaitEnd(20000));
    EXPECT_EQ(site.rc->LastEnd(), RunControl::EndKind::kNormal);
    ASSERT_EQ(site.rc->List().Count(), 31);
    for (int i = 0; i < 31; ++i) EXPECT_EQ(site.Result(i), "不") << i;
    EXPECT_LE(site.starts.load(), 3);
    EXPECT_EQ(site.rc->LiveWorkers(), 0);

    // The matcher holds the page "hold" until the test lets it go.
    std::atomic<bool> holding{false};
    std::atomic<bool> release{false};
    CountedRun held(1, [&](const QString&, const QString& text) {
        if (text.contains("hold")) {
            holding = true;
            WaitFor([&] { return release.load(); }, 20000);
        }
        return QString();
    });
    held.srv.Page("/hold.html", "hold");
    held.srv.Page("/a.html", "a");
    held.srv.Page("/b.html", "b");
    held.rc->AddWinSrchLst({{held.srv.Url("/hold.html"), "h", "html"},
                            {held.srv.Url("/a.html"), "a", "html"},
                            {held.srv.Url("/b.html"), "b", "html"}});
    ASSERT_TRUE(held.rc->StartManual());
    ASSERT_TRUE(WaitFor([&] { return holding.load(); }));
    held.rc->Skip({0});
    // The one slot serves the other rows while the skipped worker is held.
    ASSERT_TRUE(WaitFor([&] { return held.Result(2) == "不"; }, 10000));
    EXPECT_EQ(held.Result(1), "不");
    EXPECT_EQ(held.rc->List().Row(0).context, "- スキップ -");
    EXPECT_EQ(held.starts.load(), 2);
    EXPECT_EQ(held.rc->LiveWorkers(), 1);
    release = true;
    ASSERT_TRUE(held.rc->WaitEnd(20000));
    EXPECT_EQ(held.rc->LiveWorkers(), 0);
    EXPECT_EQ(held.th.Read("log/R/" + held.srv.StoreHost() + "/b.html"), "b");
}

}  // namespace
}  // namespace korvi::test
