#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <algorithm>
#include <random>
#include <thread>
#include <vector>

#include "fixtures/TempHome.h"
#include "store/TextCodec.h"
#include "store/UrlPath.h"

using korvi::CtrlFile;
using korvi::test::TempHome;

namespace {

QString Map(TempHome& th, const QString& url) {
    return th.Ctrl().GetLogFrdr(url);
}

QString ErrLog(TempHome& th) {
    return QString::fromUtf8(th.Read("log_err/R.log"));
}

QString Rep(const QString& s, int n) {
    return s.repeated(n);
}

}  // namespace

TEST(GetLogFrdr, DescribedExamples) {
    TempHome th;
    EXPECT_EQ(Map(th, "http://H/a/b.html"), "log/R/H/a/b.html");
    EXPECT_EQ(Map(th, "http://H/a/b/"), "log/R/H/a/b/index.html");
    EXPECT_EQ(Map(th, "http://H/a/rel1.2/"), "log/R/H/a/rel1.2/index.html");
    EXPECT_EQ(Map(th, "http://H/s.cgi?x=1"), "log/R/H/s.cgi_/00000000.cgi");
    EXPECT_EQ(th.Read("log/R/H/s.cgi_/cgi%%q.txt"), "x=1\n");
    EXPECT_EQ(Map(th, "http:foo.html"), "log/R/Unknown Host/foo.html");
    EXPECT_EQ(Map(th, ""), "log/R/index.html");
    EXPECT_EQ(Map(th, "http://H"), "log/R/H/index.html");
    EXPECT_EQ(Map(th, "http://H/"), "log/R/H/index.html");
    // Empty segments vanish.
    EXPECT_EQ(Map(th, "http://H//a///b.html"), "log/R/H/a/b.html");
}

TEST(GetLogFrdr, HostPortUserAndRoots) {
    TempHome th;
    // A port other than the scheme's default is a site of its own.
    EXPECT_EQ(Map(th, "http://u:pw@H:8080/a.html"), "log/R/H:8080/a.html");
    EXPECT_EQ(Map(th, "http://H:8081/a.html"), "log/R/H:8081/a.html");
    EXPECT_EQ(Map(th, "http://H:08080/"), "log/R/H:8080/index.html");
    EXPECT_EQ(Map(th, "http://H:443/a.html"), "log/R/H:443/a.html");
    EXPECT_EQ(Map(th, "https://H:80/a.html"), "log/R/H:80/a.html");
    EXPECT_EQ(Map(th, "http://H:80/a.html"), "log/R/H/a.html");
    EXPECT_EQ(Map(th, "https://H:443/a.html"), "log/R/H/a.html");
    EXPECT_EQ(Map(th, "HTTP://H:80/a.html"), "log/R/H/a.html");
    EXPECT_EQ(Map(th, "ftp://H:21/a.html"), "log/R/H/a.html");
    EXPECT_EQ(Map(th, "http://H:/a.html"), "log/R/H/a.html");
    EXPECT_EQ(Map(th, "https://ExAmple.COM/a.html"), "log/R/ExAmple.COM/a.html");
    EXPECT_EQ(Map(th, "http://[::1]:8080/a.html"), "log/R/[::1]:8080/a.html");
    EXPECT_EQ(Map(th, "http://[::1]/a.html"), "log/R/[::1]/a.html");
    // ":" in the path stays escaped, so the port is never confused with it.
    EXPECT_EQ(Map(th, "http://H/x:8080/a.html"), "log/R/H/x%3A8080/a.html");
    EXPECT_EQ(Map(th, "http://日本.jp/ページ.html"), "log/R/日本.jp/ページ.html");
    th.Ctrl().SetRunId("2006_0309_0705_02");
    EXPECT_EQ(Map(th, "http://H/a.html"), "log/2006_0309_0705_02/H/a.html");
    th.Ctrl().SetLogRoot("dl/store");
    EXPECT_EQ(Map(th, "http://H/a.html"), "dl/store/2006_0309_0705_02/H/a.html");
    // A root outside the home is the user's choice and stays as it is.
    th.Ctrl().SetLogRoot("../outside/dl");
    EXPECT_EQ(Map(th, "http://H/../a.html"), "../outside/dl/2006_0309_0705_02/H/%2E%2E/a.html");
    // A file URL names the local file itself.
    EXPECT_EQ(Map(th, "file:///tmp/x%20y/a.html"), "/tmp/x y/a.html");
}

TEST(GetLogFrdr, FragmentAndQuerySeparators) {
    TempHome th;
    EXPECT_EQ(Map(th, "http://H/a.html#part"), "log/R/H/a.html");
    EXPECT_EQ(Map(th, "http://H#top"), "log/R/H/index.html");
    EXPECT_EQ(Map(th, "http://H/s.cgi?x=1#f"), "log/R/H/s.cgi_/00000000.cgi");
    EXPECT_EQ(th.Read("log/R/H/s.cgi_/cgi%%q.txt"), "x=1\n");
    // ";" splits when there is no "?" after position 0.
    EXPECT_EQ(Map(th, "http://H/p.jsp;jsid=9"), "log/R/H/p.jsp_/00000000.cgi");
    EXPECT_EQ(th.Read("log/R/H/p.jsp_/cgi%%q.txt"), "jsid=9\n");
    // "?" wins over an earlier ";", which is then escaped in the path.
    EXPECT_EQ(Map(th, "http://H/a;b/c?q"), "log/R/H/a%2Ab/c_/00000000.cgi");
    EXPECT_EQ(th.Read("log/R/H/a%2Ab/c_/cgi%%q.txt"), "q\n");
    // "&" splits anywhere, even at the start of the file part.
    EXPECT_EQ(Map(th, "http://H/x&y=2"), "log/R/H/x_/00000000.cgi");
    EXPECT_EQ(th.Read("log/R/H/x_/cgi%%q.txt"), "y=2\n");
    // A "?" at position 0 does not split; it is escaped instead.
    EXPECT_EQ(Map(th, "http://H?x=1"), "log/R/H/%3Fx=1/index.html");
}

TEST(GetLogFrdr, CharacterEscapes) {
    TempHome th;
    EXPECT_EQ(Map(th, "http://H/x:y/a,b/c*d/e\"f/g<h>/i|j.txt"),
              "log/R/H/x%3Ay/a%2Cb/c%2Ad/e%22f/g%3Ch%3E/i%7Cj.txt");
    // "%" and blanks stay as they are.
    EXPECT_EQ(Map(th, "http://H/a b/%41%2e.txt"), "log/R/H/a b/%41%2e.txt");
    // ";" and "*" both become %2A.
    EXPECT_EQ(Map(th, "http://H/a;b*c.d?q"), "log/R/H/a%2Ab%2Ac.d_/00000000.cgi");
}

TEST(GetLogFrdr, SegmentCutAndTilde) {
    TempHome th;
    const QString s40 = Rep("a", 32) + Rep("b", 8);
    EXPECT_EQ(Map(th, "http://H/" + s40 + "/x.html"), "log/R/H/" + Rep("a", 32) + "/x.html");
    EXPECT_EQ(Map(th, "http://H/" + Rep("a", 32) + Rep("c", 8) + "/x.html"),
              "log/R/H/" + Rep("a", 32) + "/x.html");
    // The "." of a last segment cut off at 32 is gone: the segment is a folder.
    EXPECT_EQ(Map(th, "http://H/" + Rep("f", 35) + ".html"),
              "log/R/H/" + Rep("f", 32) + "/index.html");

    // Folders of 33 units each: the seventh would reach 256 with the reserve.
    const QString seg = Rep("s", 32);
    QString url = "http://H";
    for (int i = 0; i < 8; ++i) url += "/" + seg;
    QString want = "log/R/H";
    for (int i = 0; i < 6; ++i) want += "/" + seg;
    want += "/~/~";
    EXPECT_EQ(Map(th, url + "/f.html"), want + "/f.html");
    // Below "~" a short segment still fits.
    EXPECT_EQ(Map(th, url + "/c/f.html"), want + "/c/f.html");
    // A longer download root reaches the limit one folder earlier.
    th.Ctrl().SetLogRoot(Rep("r", 40));
    QString want2 = Rep("r", 40) + "/R/H";
    for (int i = 0; i < 5; ++i) want2 += "/" + seg;
    EXPECT_EQ(Map(th, url + "/f.html"), want2 + "/~/~/~/f.html");
}

TEST(GetLogFrdr, LengthsCountUtf16Units) {
    TempHome th;
    const QString pair = QString::fromUtf8("\xF0\x9D\x92\x9C");  // one character, two units
    ASSERT_EQ(pair.size(), 2);
    EXPECT_EQ(Map(th, "http://H/" + Rep(pair, 20) + "/x.html"),
              "log/R/H/" + Rep(pair, 16) + "/x.html");
    // A cut never leaves half a pair behind.
    EXPECT_EQ(Map(th, "http://H/a" + Rep(pair, 16) + "/x.html"),
              "log/R/H/a" + Rep(pair, 15) + "/x.html");
    const QString kanji = Rep("漢", 40);
    EXPECT_EQ(Map(th, "http://H/" + kanji + "/x.html"), "log/R/H/" + Rep("漢", 32) + "/x.html");
}

TEST(GetLogFrdr, OverLongSegmentBecomesQuery) {
    TempHome th;
    const QString longName = Rep("x", 300) + ".html";
    const QString cut = "log/R/H/" + Rep("x", 32);
    EXPECT_EQ(Map(th, "http://H/" + longName), cut + "/00000000.cgi");
    EXPECT_EQ(th.Read(cut + "/cgi%%q.txt"), (Rep("x", 51) + ".html\n").toUtf8());
    // An existing query is kept behind the cut-off rest.
    EXPECT_EQ(Map(th, "http://H/" + Rep("x", 300) + "?q=1"), cut + "/00000001.cgi");
    EXPECT_EQ(th.Read(cut + "/cgi%%q.txt"),
              (Rep("x", 51) + ".html\n" + Rep("x", 51) + "_/cgi%%q.txt?q=1\n").toUtf8());
    // 249 units after the slash are fine, 250 are too long.
    EXPECT_EQ(Map(th, "http://H/" + Rep("y", 249)), "log/R/H/" + Rep("y", 32) + "/index.html");
    EXPECT_EQ(Map(th, "http://H/" + Rep("y", 250)), "log/R/H/" + Rep("y", 32) + "/00000000.cgi");
    EXPECT_EQ(th.Read("log/R/H/" + Rep("y", 32) + "/cgi%%q.txt"), "y\n");
    // Only the first long segment is cut, later ones stay in the rest.
    EXPECT_EQ(Map(th, "http://H/d/" + Rep("z", 260) + "/" + Rep("w", 260)),
              "log/R/H/d/" + Rep("z", 32) + "/00000000.cgi");
    EXPECT_EQ(th.Read("log/R/H/d/" + Rep("z", 32) + "/cgi%%q.txt"),
              (Rep("z", 11) + "/" + Rep("w", 260) + "\n").toUtf8());
}

TEST(GetLogFrdr, QueryListNumbersAreStable) {
    TempHome th;
    EXPECT_EQ(Map(th, "http://H/s.cgi?x=1"), "log/R/H/s.cgi_/00000000.cgi");
    EXPECT_EQ(Map(th, "http://H/s.cgi?x=2"), "log/R/H/s.cgi_/00000001.cgi");
    EXPECT_EQ(Map(th, "http://H/s.cgi?x=1"), "log/R/H/s.cgi_/00000000.cgi");
    // An empty query is a line of its own and does not collide with the next one.
    EXPECT_EQ(Map(th, "http://H/s.cgi?"), "log/R/H/s.cgi_/00000002.cgi");
    EXPECT_EQ(Map(th, "http://H/s.cgi?x=3"), "log/R/H/s.cgi_/00000003.cgi");
    EXPECT_EQ(Map(th, "http://H/s.cgi?"), "log/R/H/s.cgi_/00000002.cgi");
    // A line break inside a query cannot break the list into extra lines.
    const QString nl = Map(th, QString("http://H/s.cgi?a\nb"));
    EXPECT_EQ(nl, "log/R/H/s.cgi_/00000004.cgi");
    EXPECT_EQ(Map(th, QString("http://H/s.cgi?a\nb")), nl);
    EXPECT_EQ(th.Read("log/R/H/s.cgi_/cgi%%q.txt"), "x=1\nx=2\n\nx=3\na%0Ab\n");

    // The list outlives the process: a later run into the same run folder goes on numbering.
    korvi::ManualClock clock;
    korvi::Context later(th.Path(), clock);
    later.Ctrl().SetRunId("R");
    EXPECT_EQ(later.Ctrl().GetLogFrdr("http://H/s.cgi?x=2"), "log/R/H/s.cgi_/00000001.cgi");
    EXPECT_EQ(later.Ctrl().GetLogFrdr("http://H/s.cgi?new"), "log/R/H/s.cgi_/00000005.cgi");
    // Other run folders keep lists of their own.
    later.Ctrl().SetRunId("S");
    EXPECT_EQ(later.Ctrl().GetLogFrdr("http://H/s.cgi?new"), "log/S/H/s.cgi_/00000000.cgi");
}

TEST(GetLogFrdr, ForeignQueryLists) {
    TempHome th;
    // Written elsewhere: no final newline, CR LF line ends, Shift_JIS text.
    th.Write("log/R/H/a.cgi_/cgi%%q.txt", "x=1");
    EXPECT_EQ(Map(th, "http://H/a.cgi?y"), "log/R/H/a.cgi_/00000001.cgi");
    EXPECT_EQ(th.Read("log/R/H/a.cgi_/cgi%%q.txt"), "x=1\ny\n");
    // A list changed behind the mapping's back is read again.
    QFile list(th.File("log/R/H/a.cgi_/cgi%%q.txt"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly | QIODevice::Append));
    list.write("z\n");
    list.close();
    EXPECT_EQ(Map(th, "http://H/a.cgi?z"), "log/R/H/a.cgi_/00000002.cgi");
    EXPECT_EQ(Map(th, "http://H/a.cgi?w"), "log/R/H/a.cgi_/00000003.cgi");
    QFile::remove(th.File("log/R/H/a.cgi_/cgi%%q.txt"));
    EXPECT_EQ(Map(th, "http://H/a.cgi?w"), "log/R/H/a.cgi_/00000000.cgi");
    th.Write("log/R/H/b.cgi_/cgi%%q.txt", "x=1\r\ny=2\r\n");
    EXPECT_EQ(Map(th, "http://H/b.cgi?y=2"), "log/R/H/b.cgi_/00000001.cgi");
    th.Write("log/R/H/c.cgi_/cgi%%q.txt",
             korvi::EncodeAs(QString("q=東京\nq=日本語\n"), "windows-31j"));
    EXPECT_EQ(Map(th, "http://H/c.cgi?q=日本語"), "log/R/H/c.cgi_/00000001.cgi");
    EXPECT_EQ(Map(th, "http://H/c.cgi?q=大阪"), "log/R/H/c.cgi_/00000002.cgi");
    EXPECT_EQ(QString::fromUtf8(th.Read("log/R/H/c.cgi_/cgi%%q.txt")),
              "q=東京\nq=日本語\nq=大阪\n");
}

TEST(GetLogFrdr, FailuresAreLoggedAndEmpty) {
    TempHome th;
    EXPECT_EQ(Map(th, "xyz"), "");
    EXPECT_TRUE(ErrLog(th).contains("  Get Log Folder Error : xyz  e = no protocol: xyz\n"));
    EXPECT_EQ(Map(th, "http://h:abc/"), "");
    EXPECT_TRUE(ErrLog(th).contains("  Get Log Folder Error : http://h:abc/  e = "));
    EXPECT_EQ(Map(th, "http://a b/x"), "");
    // A file where the page's folder should be: the query list cannot be written.
    th.Write("log/R/H/q.cgi_", "not a folder");
    EXPECT_EQ(Map(th, "http://H/q.cgi?x"), "");
    EXPECT_TRUE(ErrLog(th).contains("  Get Log Folder Local Error : http://H/q.cgi?x  e = "));
}

TEST(GetLogFrdr, PathStaysBelowRejectsEveryClimb) {
    using korvi::PathStaysBelow;
    EXPECT_TRUE(PathStaysBelow("log/R", "log/R/H/a"));
    EXPECT_TRUE(PathStaysBelow("log/R", "log/R/%2E%2E/a..b"));
    EXPECT_FALSE(PathStaysBelow("log/R", "log/R"));
    EXPECT_FALSE(PathStaysBelow("log/R", "log/R/"));
    EXPECT_FALSE(PathStaysBelow("log/R", "log/RX/a"));
    EXPECT_FALSE(PathStaysBelow("log/R", "log/R/../x"));
    EXPECT_FALSE(PathStaysBelow("log/R", "log/R/a/.."));
    EXPECT_FALSE(PathStaysBelow("log/R", "log/R/./a"));
    EXPECT_FALSE(PathStaysBelow("log/R", "log/R/a//b"));
    EXPECT_FALSE(PathStaysBelow("log/R", QString("log/R/a") + QChar(0) + "b"));
    EXPECT_FALSE(PathStaysBelow("log/R", "/etc/passwd"));
}

namespace {

// Every component below the run folder is a plain, writable Linux name and
// the canonical form of the path stays below the run folder.
void ExpectSafe(const QString& url, const QString& path) {
    SCOPED_TRACE(url.toUtf8().toPercentEncoding().constData());
    if (path.isEmpty()) return;
    ASSERT_TRUE(path.startsWith("log/R/")) << path.toStdString();
    EXPECT_TRUE(QDir::cleanPath(path).startsWith("log/R/")) << path.toStdString();
    const QStringList parts = path.mid(6).split('/');
    for (const QString& part : parts) {
        EXPECT_FALSE(part.isEmpty()) << path.toStdString();
        EXPECT_NE(part, ".") << path.toStdString();
        EXPECT_NE(part, "..") << path.toStdString();
        EXPECT_LE(part.toUtf8().size(), 255) << path.toStdString();
        for (QChar c : part) {
            EXPECT_FALSE(c.unicode() < 0x20 || c.unicode() == 0x7F) << path.toStdString();
        }
    }
}

}  // namespace

TEST(GetLogFrdr, CraftedUrlsNeverClimb) {
    TempHome th;
    const QString longHost = Rep("abcdefghij", 6) + "." + Rep("klmnopqrst", 6) + "." +
                             Rep("uvwxyzabcd", 6) + "." + Rep("efghijklmn", 6) + ".com";
    const QStringList urls = {
        "http://H/..",
        "http://H/.",
        "http://H/a/..",
        "http://H/a/.",
        "http://H/a/../..",
        "http://H/../../../etc/passwd",
        "http://H/./../x.html",
        "http://H/%2e%2e/%2E%2e/x",
        "http://H/..%2f..%2fx",
        "http://H/a\\..\\..\\x",
        "http://H//etc/passwd",
        "http:///etc/passwd",
        "http:/../../x",
        "http:..",
        "http:../x",
        "http:.",
        "a:/..",
        "mailto:..",
        "javascript:..",
        "http://[::1]/..",
        "http://[::1]:8080/../a",
        "http://user:pw@H:80/../a",
        QString("http://H/a") + QChar(0) + "/../b",
        QString("http://H/..") + QChar(0),
        QString("http://H/a\x01b/\x7f.html"),
        QString("http://H/a\nb/c\rd.html"),
        "http://H/" + Rep("../", 200) + "x",
        "http://H/" + Rep("..", 200),
        "http://H/" + Rep("a/", 200) + "..",
        "http://" + longHost + "/a.html",
        "http://" + longHost + ":65535/a.html",
        "http://" + Rep("ホ", 90) + ":8080/a.html",
        "http://H/...",
        "http://H/..../",
        "http://H/a/..?x=1",
        "http://H/..?x",
        "http://H/..;x",
        "http://H/?x",
        "http://H/.?x",
        "http://H/" + Rep("x", 249) + "/..",
        "http://H/" + Rep("x", 250) + "/..",
        "http://../x",
        "http://./x",
        "http://%2e%2e/x",
        "http://a/../../../../../../../../../../etc",
    };
    for (const QString& url : urls) ExpectSafe(url, Map(th, url));
    // A host cut to fit a file name keeps its port.
    EXPECT_TRUE(Map(th, "http://" + longHost + ":65535/a.html").endsWith(":65535/a.html"));
    EXPECT_EQ(Map(th, "http://H/.."), "log/R/H/%2E%2E");
    EXPECT_EQ(Map(th, "http://H/a/."), "log/R/H/a/%2E");
    EXPECT_EQ(Map(th, "http://H/../b.html"), "log/R/H/%2E%2E/b.html");
    EXPECT_EQ(Map(th, "http:/../x.html"), "log/R/Unknown Host/%2E%2E/x.html");
    EXPECT_EQ(Map(th, QString("http://H/a\x01.html")), "log/R/H/a%01.html");
    // The mapping itself stayed safe: the last-resort check never had to refuse.
    EXPECT_FALSE(ErrLog(th).contains("leaves the run folder"));
}

TEST(GetLogFrdr, RandomUrlsNeverClimb) {
    TempHome th;
    const QStringList pieces = {"/", "/", "..", ".", "%2e", "%2E", "\\", "?",  ";",
                                "&", "#", ":",  "a", "日",  "~",   "*",  " ",  "|",
                                "@", "[", "]",  "%", "x.",  "/.",  "./", "//", "\n"};
    const QStringList heads = {"http://H",   "http://H:1", "http:", "http:/",     "https://[::1]",
                               "http://u@H", "ftp://..",   "x:",    "http://H/.."};
    std::mt19937 rng(20060309);
    for (int i = 0; i < 2000; ++i) {
        QString url = heads[rng() % heads.size()];
        const int n = int(rng() % 24);
        for (int k = 0; k < n; ++k) url += pieces[rng() % pieces.size()];
        if (rng() % 7 == 0) url += QChar(char16_t(rng() % 0x20));
        ExpectSafe(url, Map(th, url));
        if (HasFailure()) break;
    }
    EXPECT_FALSE(ErrLog(th).contains("leaves the run folder"));
}

TEST(GetLogFrdr, ConcurrentQueriesGetOneLineEach) {
    TempHome th;
    constexpr int kQueries = 60;
    constexpr int kThreads = 4;
    std::vector<std::vector<QString>> seen(kThreads, std::vector<QString>(kQueries));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::vector<int> order(kQueries);
            for (int i = 0; i < kQueries; ++i) order[i] = i;
            std::shuffle(order.begin(), order.end(), std::mt19937(t));
            for (int i : order) {
                seen[t][i] = th.Ctrl().GetLogFrdr("http://H/p.cgi?q=" + QString::number(i));
            }
        });
    }
    for (auto& th_ : threads) th_.join();
    QStringList names;
    for (int i = 0; i < kQueries; ++i) {
        for (int t = 1; t < kThreads; ++t) EXPECT_EQ(seen[t][i], seen[0][i]) << i;
        names.append(seen[0][i]);
    }
    names.removeDuplicates();
    EXPECT_EQ(names.size(), kQueries);
    const QStringList lines =
        QString::fromUtf8(th.Read("log/R/H/p.cgi_/cgi%%q.txt")).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), kQueries);
    // Each query's number is its line in the list.
    for (int i = 0; i < kQueries; ++i) {
        const int line = int(lines.indexOf("q=" + QString::number(i)));
        ASSERT_GE(line, 0);
        EXPECT_EQ(seen[0][i], "log/R/H/p.cgi_/" + korvi::QueryFileName(line));
    }
}

// A stored file never takes the name of a page's link list, so no page can
// plant a list for link analysis or overwrite the list of another page. The
// blank is escaped as the URL would write it.
TEST(GetLogFrdr, NeverNamesALinkList) {
    TempHome th;
    EXPECT_EQ(Map(th, "http://H/evil lst.ini"), "log/R/H/evil%20lst.ini");
    EXPECT_EQ(Map(th, "http://H/evil%20lst.ini"), "log/R/H/evil%20lst.ini");
    EXPECT_EQ(Map(th, "http://H/a.html lst.ini"), "log/R/H/a.html%20lst.ini");
    // Cut to 32 units, the name would end in the list suffix.
    EXPECT_EQ(Map(th, "http://H/" + Rep("a", 24) + " lst.iniXYZ"),
              "log/R/H/" + Rep("a", 24) + "%20lst.ini");
    // A folder of that name holds an index, not a list.
    EXPECT_EQ(Map(th, "http://H/x lst.ini/y.html"), "log/R/H/x lst.ini/y.html");
}

// A URL ending in "/" is a folder that can hold what lies below it, a "." in
// its name or not (a run stored under the earlier file name keeps it).
TEST(GetLogFrdr, FolderUrlsHoldTheirPages) {
    TempHome th;
    EXPECT_EQ(Map(th, "http://H/a/rel1.2/"), "log/R/H/a/rel1.2/index.html");
    EXPECT_EQ(Map(th, "http://H/a/rel1.2/x.html"), "log/R/H/a/rel1.2/x.html");
    EXPECT_EQ(Map(th, "http://H/a/rel1.2"), "log/R/H/a/rel1.2");
    th.Write("log/R/H/old/v1.0", "<html></html>");
    EXPECT_EQ(Map(th, "http://H/old/v1.0/"), "log/R/H/old/v1.0");
}

// A cut name another URL holds gets a stable suffix: first come, first kept
// in this process; in the next one the stored copy's trailer tag says whose
// it is. A real path like a numbered query file stays apart from queries.
TEST(GetLogFrdr, DifferentUrlsNeverShareAFile) {
    TempHome th;
    const QString a = "http://H/v/CMAKE_LANG_LINK_GROUP_USING_FEATURE.html";
    const QString b = "http://H/v/CMAKE_LANG_LINK_GROUP_USING_FEATURE_SUPPORTED.html";
    const QString pa = Map(th, a);
    const QString pb = Map(th, b);
    EXPECT_EQ(pa, "log/R/H/v/CMAKE_LANG_LINK_GROUP_USING_FEAT/index.html");
    EXPECT_TRUE(pb.startsWith("log/R/H/v/CMAKE_LANG_LINK_GROUP_USING_FEAT~")) << qPrintable(pb);
    EXPECT_EQ(Map(th, b), pb);
    TempHome later;
    later.Write(pa, "<p>" + CtrlFile::MkFootTag("", b, "2006/03/09 - 07:05:02", "").toUtf8());
    EXPECT_TRUE(Map(later, a).startsWith("log/R/H/v/CMAKE_LANG_LINK_GROUP_USING_FEAT~"));
    EXPECT_EQ(Map(later, b), pa);
    Map(th, "http://H/p?a=1");
    EXPECT_EQ(Map(th, "http://H/p?b=2"), "log/R/H/p_/00000001.cgi");
    EXPECT_EQ(Map(th, "http://H/p_/00000001.cgi"), "log/R/H/p_/%300000001.cgi");
}

// Peeking writes nothing; a query never stored gives its line back while it
// is the last one (a list left empty goes with its folder).
TEST(GetLogFrdr, PeekAndForgetLeaveNoTrace) {
    TempHome th;
    CtrlFile& c = th.Ctrl();
    EXPECT_EQ(c.PeekLogFrdr("http://H/p?z=1"), "log/R/H/p_/00000000.cgi");
    EXPECT_EQ(c.PeekLogFrdr("http://H/p?y=1"), "log/R/H/p_/00000001.cgi");
    EXPECT_FALSE(th.Exists("log/R/H/p_"));
    Map(th, "http://H/fi&");
    c.ForgetQuery("http://H/fi&");
    EXPECT_FALSE(th.Exists("log/R/H/fi_"));
    Map(th, "http://H/p?y=1");
    Map(th, "http://H/p?z=3");
    th.Write("log/R/H/p_/00000001.cgi", "stored");
    c.ForgetQuery("http://H/p?y=1");
    c.ForgetQuery("http://H/p?z=3");
    EXPECT_EQ(th.Read("log/R/H/p_/cgi%%q.txt"), "y=1\nz=3\n");
    // The stored copy of a page may carry ".html" after its mapped name.
    th.Write("log/R/H/p_/00000000.cgi.html", "<html></html>");
    EXPECT_EQ(c.StoredPath("http://H/p?y=1"), "log/R/H/p_/00000000.cgi.html");
    EXPECT_EQ(c.StoredPath("http://H/p?z=3"), "log/R/H/p_/00000001.cgi");
    EXPECT_EQ(c.StoredPath("http://H/p?w=9"), "");
}
