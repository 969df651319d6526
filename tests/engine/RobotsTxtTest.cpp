#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "engine/RobotsCache.h"
#include "engine/RobotsTxt.h"

namespace korvi::test {
namespace {

const QString kIe = QStringLiteral("Mozilla/4.0 (compatible; MSIE 5.5; Windows 98; Win 9x 4.90)");

TEST(RobotsTxt, TheGroupNamingUsReplacesTheStarGroup) {
    const QByteArray text =
        "# shared rules\n"
        "User-agent: *\n"
        "Disallow: /private/\n"
        "Crawl-delay: 2\n"
        "\n"
        "User-agent: OtherBot\n"
        "user-agent: Korvi/1.3\n"
        "Disallow: /korvi-only/   # ours\n"
        "Allow: /private/open\n"
        "Crawl-delay: 0.5\n";
    const RobotsTxt ours = RobotsTxt::Parse(text, kIe);
    EXPECT_FALSE(ours.Allowed("/korvi-only/x"));
    EXPECT_TRUE(ours.Allowed("/private/x"));  // only our group counts
    EXPECT_EQ(ours.CrawlDelayMs(), 500);

    // A token of the user agent we send names us as well; otherwise "*" applies.
    const QByteArray byAgent =
        "User-agent: *\nDisallow: /private/\nCrawl-delay: 2\n\nUser-agent: msie\nDisallow: /ie/\n";
    const RobotsTxt ie = RobotsTxt::Parse(byAgent, kIe);
    EXPECT_TRUE(ie.Allowed("/private/a"));
    EXPECT_FALSE(ie.Allowed("/ie/x"));
    EXPECT_EQ(ie.CrawlDelayMs(), -1);
    const RobotsTxt star = RobotsTxt::Parse(byAgent, QStringLiteral("Fetcher/2.0"));
    EXPECT_FALSE(star.Allowed("/private/a"));
    EXPECT_TRUE(star.Allowed("/ie/x"));
    EXPECT_EQ(star.CrawlDelayMs(), 2000);

    // Rules outside any group, an empty Disallow, an empty or broken file: nothing is left out.
    for (const QByteArray& open :
         {QByteArray("Disallow: /\n"), QByteArray("User-agent: *\nDisallow:\n"), QByteArray(""),
          QByteArray("\xff\xfe<html>garbage: : :\n\0\n", 23), QByteArray("User-agent: *\r\n")}) {
        EXPECT_TRUE(RobotsTxt::Parse(open, kIe).Allowed("/x")) << open.toStdString();
    }
    // Rules made to cost time answer at once: an over-long one is ignored.
    const RobotsTxt stars =
        RobotsTxt::Parse("User-agent: *\nDisallow: /" + QByteArray(300000, '*') +
                             "x$\nDisallow: /" + QByteArray(1000, '*').replace("**", "*a") + "b\n",
                         kIe);
    EXPECT_TRUE(stars.Allowed("/" + QByteArray(1999, 'a') + "c"));
    EXPECT_FALSE(stars.Allowed("/" + QByteArray(1999, 'a') + "b"));
    // CRLF lines and a file beyond the size read still work for the part read.
    QByteArray big = "User-agent: *\r\nDisallow: /a\r\n";
    big += QByteArray(RobotsTxt::kMaxBytes, '#') + "\nDisallow: /b\n";
    const RobotsTxt cut = RobotsTxt::Parse(big, kIe);
    EXPECT_FALSE(cut.Allowed("/a"));
    EXPECT_TRUE(cut.Allowed("/b"));
}

TEST(RobotsTxt, LongestRuleWinsWildcardsAnchorsAndEscapes) {
    const RobotsTxt r = RobotsTxt::Parse(
        "User-agent: *\n"
        "Disallow: /a\n"
        "Allow: /a/b\n"
        "Disallow: /*.pdf$\n"
        "Disallow: /x*y\n"
        "Allow: /same\n"
        "Disallow: /same\n"
        "Disallow: /%e3%81%82\n"
        "Disallow: /日本\n"
        "Disallow: /q?id=\n",
        kIe);
    EXPECT_FALSE(r.Allowed("/a"));
    EXPECT_FALSE(r.Allowed("/a/c"));
    EXPECT_TRUE(r.Allowed("/a/b/c"));
    EXPECT_FALSE(r.Allowed("/docs/doc.pdf"));
    EXPECT_TRUE(r.Allowed("/docs/doc.pdf?page=2"));
    EXPECT_FALSE(r.Allowed("/x1y2"));
    EXPECT_TRUE(r.Allowed("/xz"));
    EXPECT_TRUE(r.Allowed("/same"));  // a tie goes to Allow
    EXPECT_FALSE(r.Allowed("/%E3%81%82/p"));
    EXPECT_FALSE(r.Allowed(RobotsTxt::Target(QStringLiteral("http://h/日本/x.html"))));
    EXPECT_FALSE(r.Allowed(RobotsTxt::Target(QStringLiteral("http://h/q?id=3#top"))));
    EXPECT_TRUE(r.Allowed("/q"));
    EXPECT_TRUE(RobotsTxt::DisallowAll().Allowed("/robots.txt"));
    EXPECT_FALSE(RobotsTxt::DisallowAll().Allowed("/"));

    EXPECT_EQ(RobotsTxt::Target(QStringLiteral("http://h")), "/");
    EXPECT_EQ(RobotsTxt::Target(QStringLiteral("http://h:8080/p q?x=1#f")), "/p%20q?x=1");
}

TEST(RobotsCache, AsksEachServerOnceAndCapsTheDelay) {
    using Kind = RobotsCache::Answer::Kind;
    RobotsCache cache(kIe);
    std::atomic<int> calls{0};
    std::vector<QString> asked;
    Kind kind = Kind::kFound;
    const RobotsCache::FetchFn fetch = [&](const QString& url) {
        ++calls;
        asked.push_back(url);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        RobotsCache::Answer a;
        a.kind = kind;
        a.body = "User-agent: *\nDisallow: /no/\nCrawl-delay: 3600\n";
        return a;
    };
    // Workers of one server at the same time: one fetch, every worker gets the answer.
    std::vector<std::thread> threads;
    std::atomic<int> allowed{0};
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            RobotsCache::Verdict v;
            const QString url = QStringLiteral("http://Host.example:8080/") +
                                (i % 2 ? QStringLiteral("no/") : QStringLiteral("yes/"));
            EXPECT_TRUE(cache.Check(url, fetch, {}, &v));
            if (v.allowed) ++allowed;
            EXPECT_EQ(v.crawlDelayMs, RobotsCache::kMaxCrawlDelayMs);
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(allowed.load(), 2);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "http://host.example:8080/robots.txt");

    RobotsCache::Verdict v;
    // Another port is another server; a server that cannot answer allows nothing.
    kind = Kind::kUnreachable;
    EXPECT_TRUE(cache.Check("http://host.example/yes/", fetch, {}, &v));
    EXPECT_FALSE(v.allowed);
    // No file (4xx): everything.
    kind = Kind::kMissing;
    EXPECT_TRUE(cache.Check("https://other.example/no/", fetch, {}, &v));
    EXPECT_TRUE(v.allowed);
    EXPECT_EQ(calls.load(), 3);
    // A stopped fetch is no answer: the next worker asks again.
    kind = Kind::kStopped;
    EXPECT_FALSE(cache.Check("http://third.example/a", fetch, {}, &v));
    kind = Kind::kFound;
    EXPECT_TRUE(cache.Check("http://third.example/no/a", fetch, {}, &v));
    EXPECT_FALSE(v.allowed);
    EXPECT_EQ(calls.load(), 5);
    // Not http: never asked. A new run asks again.
    EXPECT_TRUE(cache.Check("file:///tmp/a.html", fetch, {}, &v));
    EXPECT_TRUE(v.allowed);
    cache.Clear();
    EXPECT_TRUE(cache.Check("http://third.example/no/a", fetch, {}, &v));
    EXPECT_EQ(calls.load(), 6);
}

}  // namespace
}  // namespace korvi::test
