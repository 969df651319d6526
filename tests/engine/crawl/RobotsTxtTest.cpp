#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "engine/crawl/RobotsCache.h"
#include "engine/crawl/RobotsTxt.h"

namespace korvi::test {
namespace {

const QString kIe = QStringLiteral("Mozilla/4.0 (compatible; MSIE 5.5; Windows 98; Win 9x 4.90)");

TEST(RobotsTxt, TheGroupNamingUsReplacesTheStarGroup) {
    const QByteArray text =
        "# shared\nUser-agent: *\nDisallow: /private/\nCrawl-delay: 2\n\n"
        "User-agent: OtherBot\nuser-agent: Korvi/1.3\nDisallow: /korvi-only/  # ours\n"
        "Allow: /private/open\nCrawl-delay: 0.5\n\n"
        "User-agent: msie\nDisallow: /ie/\n";
    const RobotsTxt ours = RobotsTxt::Parse(text, kIe);  // "korvi" and "msie" groups
    EXPECT_FALSE(ours.Allowed("/korvi-only/x"));
    EXPECT_FALSE(ours.Allowed("/ie/x"));  // a token of the User-Agent we send
    EXPECT_TRUE(ours.Allowed("/private/x"));
    EXPECT_EQ(ours.CrawlDelayMs(), 500);
    const RobotsTxt star = RobotsTxt::Parse(text.left(text.indexOf("User-agent: O")), kIe);
    EXPECT_FALSE(star.Allowed("/private/x"));
    EXPECT_EQ(star.CrawlDelayMs(), 2000);

    // Rules outside any group, an empty Disallow, an empty or broken file: nothing is left out.
    for (const QByteArray& open :
         {QByteArray("Disallow: /\n"), QByteArray("User-agent: *\nDisallow:\n"), QByteArray(""),
          QByteArray("\xff\xfe<html>garbage: : :\n\0\n", 23)})
        EXPECT_TRUE(RobotsTxt::Parse(open, kIe).Allowed("/x")) << open.toStdString();
    // CRLF lines; only the first kMaxBytes are read; rules made to cost time answer at once.
    QByteArray big = "User-agent: *\r\nDisallow: /a\r\nDisallow: /" + QByteArray(300000, '*') +
                     "x$\nDisallow: /" + QByteArray(1000, '*').replace("**", "*z") + "b\n";
    big += QByteArray(RobotsTxt::kMaxBytes, '#') + "\nDisallow: /c\n";
    const RobotsTxt cut = RobotsTxt::Parse(big, kIe);
    EXPECT_FALSE(cut.Allowed("/a"));
    EXPECT_TRUE(cut.Allowed("/c"));
    EXPECT_TRUE(cut.Allowed("/" + QByteArray(1999, 'z') + "c"));
    EXPECT_FALSE(cut.Allowed("/" + QByteArray(1999, 'z') + "b"));
}

TEST(RobotsTxt, LongestRuleWinsWildcardsAnchorsAndEscapes) {
    const RobotsTxt r = RobotsTxt::Parse(
        "User-agent: *\nDisallow: /a\nAllow: /a/b\nDisallow: /*.pdf$\nDisallow: /x*y\n"
        "Allow: /same\nDisallow: /same\nDisallow: /%e3%81%82\nDisallow: /日本\nDisallow: /q?id=\n",
        kIe);
    const std::vector<std::pair<QByteArray, bool>> cases = {{"/a", false},
                                                            {"/a/c", false},
                                                            {"/a/b/c", true},
                                                            {"/d/e.pdf", false},
                                                            {"/d/e.pdf?page=2", true},
                                                            {"/x1y2", false},
                                                            {"/xz", true},
                                                            {"/same", true},  // a tie goes to Allow
                                                            {"/%E3%81%82/p", false},
                                                            {"/q", true}};
    for (const auto& [target, allowed] : cases)
        EXPECT_EQ(r.Allowed(target), allowed) << target.data();
    EXPECT_FALSE(r.Allowed(RobotsTxt::Target(QStringLiteral("http://h/日本/x.html"))));
    EXPECT_FALSE(r.Allowed(RobotsTxt::Target(QStringLiteral("http://h/q?id=3#top"))));
    EXPECT_TRUE(RobotsTxt::DisallowAll().Allowed("/robots.txt"));
    EXPECT_FALSE(RobotsTxt::DisallowAll().Allowed("/"));
    EXPECT_EQ(RobotsTxt::Target(QStringLiteral("http://h")), "/");
    EXPECT_EQ(RobotsTxt::Target(QStringLiteral("http://h:8080/p q?x=1#f")), "/p%20q?x=1");
}

TEST(RobotsCache, AsksEachServerOnceAndCapsTheDelay) {
    using Kind = RobotsCache::Answer::Kind;
    RobotsCache cache(kIe);
    std::atomic<int> calls{0};
    QString asked;
    Kind kind = Kind::kFound;
    const RobotsCache::FetchFn fetch = [&](const QString& url) {
        ++calls;
        asked = url;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        return RobotsCache::Answer{kind, "User-agent: *\nDisallow: /no/\nCrawl-delay: 3600\n"};
    };
    // Workers of one server at once: one fetch, and every one gets the answer.
    std::vector<std::thread> threads;
    std::atomic<int> allowed{0};
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            RobotsCache::Verdict v;
            EXPECT_TRUE(
                cache.Check(QStringLiteral("http://Host.example:8080/") + (i % 2 ? "no/" : "yes/"),
                            fetch, {}, &v));
            allowed += v.allowed ? 1 : 0;
            EXPECT_EQ(v.crawlDelayMs, RobotsCache::kMaxCrawlDelayMs);
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(allowed.load(), 2);
    EXPECT_EQ(asked, "http://host.example:8080/robots.txt");
    // Other spellings of the same server (remembered by the text before the path)
    // find its file.
    for (const char* same : {"HTTP://HOST.example:8080?q", "http://host.example:8080#f",
                             "http://u@Host.example:8080/no/x", "http://host.example:8080"}) {
        RobotsCache::Verdict v;
        EXPECT_TRUE(cache.Check(QString::fromLatin1(same), fetch, {}, &v));
        EXPECT_EQ(v.allowed, !QByteArray(same).contains("/no/")) << same;
    }
    EXPECT_EQ(calls.load(), 1);

    // Another port is another server: one that cannot answer allows nothing,
    // one without the file (4xx) everything; a stopped fetch is asked again.
    const auto check = [&](Kind k, const QString& url) {
        kind = k;
        RobotsCache::Verdict v;
        return cache.Check(url, fetch, {}, &v) ? v.allowed : std::optional<bool>();
    };
    EXPECT_EQ(check(Kind::kUnreachable, "http://host.example/yes/"), false);
    EXPECT_EQ(check(Kind::kMissing, "https://other.example/no/"), true);
    EXPECT_EQ(check(Kind::kStopped, "http://third.example/a"), std::nullopt);
    EXPECT_EQ(check(Kind::kFound, "http://third.example/no/a"), false);
    EXPECT_EQ(check(Kind::kFound, "file:///tmp/a.html"), true);  // not asked
    EXPECT_EQ(calls.load(), 5);
    cache.Clear();  // a new run asks again
    EXPECT_EQ(check(Kind::kMissing, "http://third.example/no/a"), true);
    EXPECT_EQ(calls.load(), 6);
}

}  // namespace
}  // namespace korvi::test
