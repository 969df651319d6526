#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>

#include "ToolStore.h"
#include "tools/LogAnls.h"

using namespace korvi;
using test::ListLink;

namespace {

struct Seen {
    QStringList titles, texts, progress;
};

std::vector<AnlsRow> Analyse(test::TempHome& th, AnlsRequest r, Seen* seen = nullptr) {
    LogAnls a(
        th.Ctrl(),
        [seen](const QString& t, const QString& x) {
            if (seen) seen->titles.append(t), seen->texts.append(x);
        },
        [seen](const QString& p) {
            if (seen) seen->progress.append(p);
        });
    a.Run(r);
    return a.Rows();
}

QStringList Urls(const std::vector<AnlsRow>& rows) {
    QStringList u;
    for (const AnlsRow& r : rows) u.append(r.url + "=" + QString::number(r.rank));
    return u;
}

void TwoPages(test::TempHome& th) {
    test::WriteListFile(th, "log/R/h/a.html lst.ini", "http://h/a.html", "A",
                        {{"http://h/b.html", "B page", "html"},
                         {"http://x.com/ext", "X", "-"},
                         {"http://h/c.html", "C", "html"},
                         {"", "empty link", "-"}});
    test::WriteListFile(th, "log/R/h/sub/b.html lst.ini", "http://h/b.html", "B",
                        {{"http://h/a.html", "A", "html"},
                         {"http://x.com/ext", "X site", "-"},
                         {"http://h/b.html", "B", "html"},
                         {"http://h/pic.jpg", "pic", "jpg"}});
    // Neither is a list file.
    th.Write("log/R/h/a.html", "<html>http://h/zzz.html</html>");
    th.Write("log/R/h/other.ini", "[AllLinks]\nlink_no=1\nlink0=http://h/zzz.html\n");
}

}  // namespace

TEST(LogAnls, CountsLinksByKindAndKeepsUrlOrderForEqualCounts) {
    test::TempHome th;
    TwoPages(th);
    AnlsRequest r;
    r.folder = th.File("log/R");
    r.kind = 0;
    // b's link to itself does not count.
    EXPECT_EQ(Urls(Analyse(th, r)), QStringList({"http://h/a.html=1", "http://h/b.html=1"}));
    r.kind = 1;
    EXPECT_EQ(Urls(Analyse(th, r)),
              QStringList({"http://x.com/ext=2", "http://h/c.html=1", "http://h/pic.jpg=1"}));
    r.kind = 2;
    const std::vector<AnlsRow> all = Analyse(th, r);
    EXPECT_EQ(Urls(all),
              QStringList({"http://x.com/ext=2", "http://h/a.html=1", "http://h/b.html=1",
                           "http://h/c.html=1", "http://h/pic.jpg=1"}));
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].no, 1);
    EXPECT_EQ(all[4].no, 5);
    EXPECT_EQ(all[4].extension, "jpg");
    EXPECT_EQ(all[0].extension, "-");

    // The filter applies to the link's extension.
    r.filter = FltMode::In;
    r.filterText = "-,html,";  // no leading comma: "-" never matches
    EXPECT_EQ(Urls(Analyse(th, r)),
              QStringList({"http://h/a.html=1", "http://h/b.html=1", "http://h/c.html=1"}));
    r.filter = FltMode::Out;
    r.filterText = ",-,HTML,";
    EXPECT_EQ(Urls(Analyse(th, r)), QStringList({"http://h/pic.jpg=1"}));
}

TEST(LogAnls, OneStoredFileIsOnePageAndSelfLinksDoNotCount) {
    test::TempHome th;
    test::WriteListFile(th, "log/R/h/index.html lst.ini", "http://h/", "Top",
                        {{"http://h/index.html", "Home", "html"},
                         {"http://h/#content", "Skip", "-"},
                         {"http://h/d/", "Docs", "-"},
                         {"http://h/d/index.html#top", "Docs", "html"}});
    test::WriteListFile(th, "log/R/h/d/index.html lst.ini", "http://h/d/index.html", "D",
                        {{"http://h/d/", "self", "-"},
                         {"http://h/d/index.html#intro", "self", "html"},
                         {"http://h/", "Top", "-"},
                         {"http://h/index.html", "Home", "html"},
                         {"http://h/d/x.html", "X", "html"}});
    test::WriteListFile(th, "log/R/h/d/x.html lst.ini", "http://h/d/x.html", "X",
                        {{"http://h/d", "Docs", "-"}, {"http://h/d/x.html#s", "self", "html"}});
    AnlsRequest r;
    r.folder = th.File("log/R");
    r.kind = 0;
    r.titleKind = 2;
    r.separator = ",";
    const std::vector<AnlsRow> rows = Analyse(th, r);
    // Each page is shown by its own URL; its links to itself are left out.
    EXPECT_EQ(Urls(rows),
              QStringList({"http://h/d/index.html=3", "http://h/=2", "http://h/d/x.html=1"}));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].title, "Docs");
    EXPECT_EQ(rows[1].title, "Home,Top");
    r.kind = 1;
    EXPECT_TRUE(Analyse(th, r).empty());
}

// Two sites on one host that differ by port are two pages, not one page
// linking to itself.
TEST(LogAnls, SitesOnOtherPortsAreOtherPages) {
    test::TempHome th;
    const QString first = "http://h:8080/";
    const QString second = "http://h:8081/";
    test::WriteListFile(th, th.Ctrl().GetLogFrdr(first) + " lst.ini", first, "First",
                        {{second, "Second", "-"}, {first + "index.html", "self", "html"}});
    test::WriteListFile(th, th.Ctrl().GetLogFrdr(second) + " lst.ini", second, "Second",
                        {{first, "First", "-"}, {second + "a.html", "A", "html"}});
    AnlsRequest r;
    r.folder = th.File("log/R");
    r.kind = 0;
    EXPECT_EQ(Urls(Analyse(th, r)), QStringList({first + "=1", second + "=1"}));
    r.kind = 1;
    EXPECT_EQ(Urls(Analyse(th, r)), QStringList({second + "a.html=1"}));
}

TEST(LogAnls, TitlesFollowTheChosenRule) {
    EXPECT_EQ(LogAnls::MkTitle({"b", "a", "b", "a", "c"}, 0, ""), "a");  // tie: first in order
    EXPECT_EQ(LogAnls::MkTitle({"b", "c", "b"}, 0, ""), "b");
    EXPECT_EQ(LogAnls::MkTitle({"zz", "http://very.long/url", "abc", ""}, 1, ""), "abc");
    EXPECT_EQ(LogAnls::MkTitle({"", "ab"}, 1, ""), "ab");
    EXPECT_EQ(LogAnls::MkTitle({"same", "same", "same"}, 2, "<BR>"), "same");
    EXPECT_EQ(LogAnls::MkTitle({"b", "a", "b"}, 2, " | "), "a | b");

    test::TempHome th;
    TwoPages(th);
    AnlsRequest r;
    r.folder = th.File("log/R");
    r.kind = 1;
    r.titleKind = 2;
    r.separator = "/";
    const std::vector<AnlsRow> rows = Analyse(th, r);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].title, "X/X site");
}

TEST(LogAnls, ReportsProgressAndTheEnd) {
    test::TempHome th;
    TwoPages(th);
    Seen seen;
    AnlsRequest r;
    r.folder = th.File("log/R");
    r.kind = 2;
    Analyse(th, r, &seen);
    ASSERT_FALSE(seen.progress.isEmpty());
    EXPECT_TRUE(seen.progress.first().startsWith("  解析準備中  走査ディレクトリ数 = 1  0 秒 "));
    const QString all = seen.progress.join("|");
    EXPECT_TRUE(all.contains("  解析準備中  走査ディレクトリ数 = 3  "));
    for (const char* phase : {"|  ソート1  0 秒 ", "|  被リンク・ランクの計算  ", "|  ソート2  ",
                              "|  リストへの格納  ", "|  終了  0 秒 "}) {
        EXPECT_TRUE(all.contains(QString::fromUtf8(phase))) << phase;
    }
    EXPECT_EQ(seen.titles, QStringList{"解析終了"});
    EXPECT_EQ(seen.texts.value(0),
              "解析が終了しました。\n\n「" + r.folder +
                  "」の「被リンク・ランク（全）」による解析結果は「5」件でした。\n\n"
                  "解析時間は 0 秒 でした。");

    // A folder without list files gives no rows.
    th.Write("empty/x.txt", "x");
    Seen none;
    r.folder = th.File("empty");
    EXPECT_TRUE(Analyse(th, r, &none).empty());
    EXPECT_TRUE(none.texts.value(0).contains("解析結果は「0」件でした。"));
}

TEST(LogAnls, RunsOnItsOwnThreadAndWarnsOfMissingFolders) {
    test::TempHome th;
    // Enough list files that the gathering takes a while.
    for (int i = 0; i < 300; ++i) {
        test::WriteListFile(th, "log/R/h/" + QString::number(i) + ".html lst.ini",
                            "http://h/" + QString::number(i) + ".html", "t",
                            {{"http://h/0.html", "zero", "html"}});
    }
    Seen seen;
    LogAnls a(th.Ctrl(), [&seen](const QString& t, const QString& x) {
        seen.titles.append(t);
        seen.texts.append(x);
    });
    AnlsRequest r;
    r.folder = th.File("nowhere");
    EXPECT_FALSE(a.Start(r));
    EXPECT_EQ(seen.titles.value(0), QStringLiteral("解析警告"));
    EXPECT_EQ(seen.texts.value(0), QStringLiteral("フォルダが見つかりません。"));

    r.folder = th.File("log/R");
    ASSERT_TRUE(a.Start(r));
    a.Wait();
    EXPECT_FALSE(a.IsRunning());
    ASSERT_EQ(a.Rows().size(), 1u);
    EXPECT_EQ(a.Rows()[0].rank, 299);  // 0.html's link to itself does not count
    EXPECT_EQ(a.Rows()[0].title, "zero");

    // A stop right after the start holds, however late the thread begins.
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(a.Start(r));
        a.Stop();
        a.Wait();
        ASSERT_TRUE(a.Rows().empty()) << "round " << i;
    }
    EXPECT_EQ(seen.titles.last(), QStringLiteral("解析終了"));
}

// A list file whose link_no claims far more rows than it holds is read at
// once: only the rows present count.
TEST(LogAnls, HugeLinkNumberReturnsAtOnce) {
    test::TempHome th;
    th.Write("log/R/h/a.html lst.ini",
             "[BaseData]\np_url=http://h/a.html\n\n[AllLinks]\nlink_no=2147483647\n"
             "link0=http://h/x.html\ntitle0=X\nextension0=html\n"
             "link7=http://h/y.html\ntitle7=Y\nextension7=html\n");
    AnlsRequest r;
    r.folder = th.File("log/R");
    r.kind = 2;
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(Urls(Analyse(th, r)), QStringList({"http://h/x.html=1", "http://h/y.html=1"}));
    EXPECT_LT(t.elapsed(), 5000);
}
