#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/lists/AvoidList.h"
#include "engine/lists/UrlList.h"
#include "fixtures/TempHome.h"

using korvi::AvoidList;
using korvi::UrlList;

TEST(UrlList, ContainsAndEndAnchoredEntries) {
    UrlList l;
    l.SetText(QStringLiteral("ads.\nlogo.gif\\z\n"));
    EXPECT_TRUE(l.Matches("http://ads.example.com/x.html"));
    EXPECT_TRUE(l.Matches("http://h/img/logo.gif"));
    // Anchored: the word elsewhere in the URL does not count.
    EXPECT_FALSE(l.Matches("http://h/logo.gif.html"));
    EXPECT_FALSE(l.Matches("http://h/logo.gif?x=1"));
    EXPECT_FALSE(l.Matches(""));
    // A bare "\z" or empty line would match everything; they are not entries.
    l.SetText(QStringLiteral("\\z\n\n\nfoo\n"));
    EXPECT_EQ(l.Entries(), QStringList{"foo"});
    EXPECT_FALSE(l.Matches("http://h/bar"));
    l.Clear();
    EXPECT_TRUE(l.IsEmpty());
    EXPECT_FALSE(l.Matches("http://h/foo"));
}

TEST(UrlList, LoadingRule) {
    EXPECT_EQ(UrlList::SplitListText(QStringLiteral("a\r\n\r\n\r\nb\n\n\n\nc")),
              (QStringList{"a", "b", "c"}));
    korvi::test::TempHome th;
    th.Write("lists/one.txt", "alpha\r\n\r\nbeta");  // no final line break
    th.Write("lists/two.txt", "gamma\\z\n");
    th.Write("lists/sjis.txt", QByteArray("\x93\x8c\x8b\x9e\n"));  // 東京 in Shift_JIS
    UrlList l;
    l.Load(th.Ctrl(), "lists/one.txt,missing.txt,,lists/two.txt,lists/sjis.txt");
    EXPECT_EQ(l.Entries(), (QStringList{"alpha", "beta", "gamma\\z", QStringLiteral("東京")}));
    EXPECT_TRUE(l.Matches("http://h/gamma"));
    EXPECT_TRUE(l.Matches(QStringLiteral("http://h/東京/")));
    // The missing file was logged; an empty setting empties the list.
    EXPECT_TRUE(th.Exists("log_err/R.log"));
    l.Load(th.Ctrl(), "");
    EXPECT_TRUE(l.IsEmpty());
    // A binary file never crashes and gives whatever lines it decodes to.
    QByteArray junk;
    for (int i = 0; i < 4096; ++i) junk.append(char(i * 37 % 256));
    th.Write("lists/junk.bin", junk);
    l.Load(th.Ctrl(), "lists/junk.bin");
    EXPECT_FALSE(l.Matches("http://h/safe-url-without-match"));
}

TEST(AvoidList, ExclusionAndForcedOverwrite) {
    korvi::test::TempHome th;
    th.Write("avoid.txt", "banner\nend.html\\z\n");
    th.Write("ovw.txt", "news/\n");
    th.Write("log/R/h/keep.html", "x");
    AvoidList a(th.Ctrl());
    EXPECT_FALSE(a.ChkAvoidDl("http://h/banner.gif"));  // nothing loaded yet
    a.InitAvoidDl("avoid.txt");
    a.InitOvwrtDl("ovw.txt");
    EXPECT_TRUE(a.ChkAvoidDl("http://h/banner.gif"));
    EXPECT_TRUE(a.ChkAvoidDl("http://h/the-end.html"));
    EXPECT_FALSE(a.ChkAvoidDl("http://h/end.html/more"));
    EXPECT_FALSE(a.ChkAvoidDl(""));
    // Missing local copy: fetch. Existing copy: only when on the overwrite list.
    EXPECT_TRUE(a.ChkOvwrtDl("log/R/h/none.html", "http://h/none.html"));
    EXPECT_FALSE(a.ChkOvwrtDl("log/R/h/keep.html", "http://h/keep.html"));
    EXPECT_TRUE(a.ChkOvwrtDl("log/R/h/keep.html", "http://h/news/keep.html"));
    EXPECT_TRUE(a.ChkOvwrtDl("", "http://h/keep.html"));
    EXPECT_TRUE(a.ChkOvwrtDl(th.File("log/R/h"), "http://h/"));  // a folder is not a copy
    a.InitOvwrtDl("");
    EXPECT_FALSE(a.ChkOvwrtDl("log/R/h/keep.html", "http://h/news/keep.html"));
}

TEST(AvoidList, ReloadWhileWorkersRead) {
    korvi::test::TempHome th;
    th.Write("a.txt", "x1\nx2\nx3\n");
    th.Write("b.txt", "x1\nx2\nx3\nx4\n");
    AvoidList a(th.Ctrl());
    a.InitAvoidDl("a.txt");
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                // Both lists hold x1..x3; neither holds y.
                if (!a.ChkAvoidDl("http://h/x2")) ++wrong;
                if (a.ChkAvoidDl("http://h/y")) ++wrong;
            }
        });
    }
    for (int i = 0; i < 200; ++i) a.InitAvoidDl(i % 2 ? "a.txt" : "b.txt");
    stop.store(true);
    for (auto& r : readers) r.join();
    EXPECT_EQ(wrong.load(), 0);
}
