#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <thread>

#include "engine/RunJournal.h"
#include "fixtures/FixtureServer.h"
#include "fixtures/TempHome.h"
#include "store/CtrlFile.h"

namespace korvi::test {
namespace {

constexpr int kPages = 12;  // pages below the start page, each with one child

QStringList CrawlArgs(const TempHome& th, const QStringList& more) {
    return QStringList{"--home", th.Path(), "crawl"} + more;
}

struct Done {
    int code = -1;
    QString out;
    QString err;
};

Done RunToEnd(QProcess& p) {
    Done d;
    if (!p.waitForFinished(60000)) return d;
    d.code = p.exitCode();
    d.out = QString::fromUtf8(p.readAllStandardOutput());
    d.err = QString::fromUtf8(p.readAllStandardError());
    return d;
}

Done Crawl(const TempHome& th, const QStringList& args) {
    QProcess p;
    p.start(TempHome::BinDir() + "/korvi-run", CrawlArgs(th, args));
    return RunToEnd(p);
}

// A slow site of 1 + 2 * kPages pages; every third page holds the word.
void SlowSite(FixtureServer& srv) {
    FixtureServer::Route r;
    r.delayMs = 120;
    QByteArray index = "<html><body><img src=\"logo.gif\">";
    for (int i = 1; i <= kPages; ++i) {
        const QByteArray n = QByteArray::number(i);
        index += "<a href=\"p" + n + ".html\">P" + n + "</a>\n";
        r.body = "<html><body><a href=\"q" + n + ".html\">Q</a>" + (i % 3 ? "" : "needle") +
                 "</body></html>";
        srv.SetRoute("/p" + QString::number(i) + ".html", r);
        r.body = "<html><body>leaf " + n + (i % 4 ? "" : " needle") + "</body></html>";
        srv.SetRoute("/q" + QString::number(i) + ".html", r);
    }
    r.body = index + "</body></html>";
    srv.SetRoute("/index.html", r);
    r.body = "GIF89a";
    r.contentType = "image/gif";
    srv.SetRoute("/logo.gif", r);
}

// The run list without its No column, order aside, the server's port made
// neutral. DL長 and 予定長 are left out: a row whose end the crash lost is
// served from its stored copy, which is longer than the body (tag, links).
std::multiset<std::string> Rows(const QString& tsv, const FixtureServer& srv) {
    std::multiset<std::string> rows;
    const QStringList lines = tsv.split('\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QStringList cells = lines[i].split('\t');
        cells.remove(8, 2);
        cells.removeFirst();
        QString row = cells.join('\t');
        rows.insert(row.replace(srv.Url("/"), "URL/").toStdString());
    }
    return rows;
}

QString PathOf(const QString& target) {
    return target.section('?', 0, 0);
}

const QStringList kSettings = {"--words", "needle",
                               "--set",   "BaseOption.thrd_max=4",
                               "--set",   "BaseOption.depth_max=3",
                               "--set",   "BaseOption.page_max=0",
                               "--set",   "BaseOption.hit_max=0"};

// A crawl killed (SIGKILL) at several points and resumed stores every page
// once, asks the server again only for pages that were in flight, keeps the
// hits found before the kill and ends with the run list of an uninterrupted run.
TEST(ResumeCli, KilledCrawlResumesWithoutFetchingStoredPagesAgain) {
    FixtureServer srv;
    SlowSite(srv);
    const QString start = srv.Url("/index.html");

    TempHome ref;
    const Done whole = Crawl(ref, kSettings + QStringList{"--run-id", "R", start});
    ASSERT_EQ(whole.code, 0) << whole.err.toStdString();
    const std::multiset<std::string> want = Rows(whole.out, srv);
    ASSERT_EQ(want.size(), size_t(2 + 2 * kPages));

    // Ended rows at each kill; the second list kills the resumed run once more.
    const std::vector<std::vector<int>> plans = {{0}, {3}, {9, 17}, {18}};
    for (const std::vector<int>& kills : plans) {
        SCOPED_TRACE(kills.front());
        TempHome th;
        th.Ctrl().SetRunId("X");
        const QString folder = th.Ctrl().Abs(th.Ctrl().RunFolder());
        std::map<QString, int> asked;
        std::set<QString> hitsBefore;
        size_t from = srv.Requests().size();
        for (size_t k = 0; k <= kills.size(); ++k) {
            // Pages stored whole so far: no later segment asks for them.
            std::set<QString> stored;
            for (int i = 1; i <= kPages && k > 0; ++i) {
                for (const QString& kind : {QString("p"), QString("q")}) {
                    const QString path = "/" + kind + QString::number(i) + ".html";
                    if (!th.Ctrl().GetFootTag(th.Ctrl().GetLogFrdr(srv.Url(path))).isEmpty())
                        stored.insert(path);
                }
            }
            const QStringList args = k == 0 ? kSettings + QStringList{"--run-id", "X", start}
                                            : QStringList{"--resume", "X"};
            Done done;
            if (k < kills.size()) {
                QProcess p;
                p.start(TempHome::BinDir() + "/korvi-run", CrawlArgs(th, args));
                ASSERT_TRUE(p.waitForStarted());
                // Kill once the journal holds this many ended rows.
                JournalData seen;
                for (int i = 0; i < 3000; ++i) {
                    if (RunJournal::Read(folder, &seen) &&
                        std::count_if(seen.rows.begin(), seen.rows.end(),
                                      [](const RunRow& r) { return r.result != "未"; }) >= kills[k])
                        break;
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
                p.kill();
                p.waitForFinished();
                ASSERT_EQ(p.exitStatus(), QProcess::CrashExit) << "the crawl ended before the kill";
                JournalData left;
                ASSERT_TRUE(RunJournal::Read(folder, &left));
                EXPECT_FALSE(left.ended);
                EXPECT_TRUE(RunJournal::Interrupted(folder));
                for (const RunRow& r : left.rows)
                    if (r.result == "一致") hitsBefore.insert(r.url);
            } else {
                done = Crawl(th, args);
                ASSERT_EQ(done.code, 0) << done.err.toStdString();
            }
            const std::vector<QString> all = srv.Requests();
            int again = 0;
            for (size_t i = from; i < all.size(); ++i) {
                const QString path = PathOf(all[i]);
                if (path == "/robots.txt") continue;  // asked once per run, not a row
                EXPECT_EQ(stored.count(path), 0u)
                    << "stored page fetched again: " << path.toStdString();
                again += asked[path] > 0 ? 1 : 0;
                ++asked[path];
            }
            from = all.size();
            EXPECT_LE(again, 4) << "more rows fetched again than were in flight";
            if (k < kills.size()) continue;

            EXPECT_EQ(Rows(done.out, srv), want) << done.out.toStdString();
            for (const QString& url : hitsBefore) EXPECT_TRUE(done.out.contains(url + "\t"));
        }
        EXPECT_EQ(asked.size(), size_t(2 + 2 * kPages));
        for (const auto& [path, n] : asked) {
            EXPECT_LE(n, int(1 + kills.size())) << path.toStdString();
            EXPECT_TRUE(QFileInfo(th.Ctrl().Abs(th.Ctrl().GetLogFrdr(srv.Url(path)))).isFile())
                << path.toStdString();
        }
        JournalData end;
        ASSERT_TRUE(RunJournal::Read(folder, &end));
        EXPECT_TRUE(end.ended);
        EXPECT_FALSE(RunJournal::Interrupted(folder));
    }
}

// The worst loss a crash can leave: every page stored whole, the journal
// holding only the start row. The resume asks the server for nothing and
// rebuilds the run list from the stored link lists and copies.
TEST(ResumeCli, StoredPagesAreServedFromTheStoreWhenTheirRowsWereLost) {
    FixtureServer srv;
    SlowSite(srv);
    TempHome th;
    th.Ctrl().SetRunId("X");
    const QString folder = th.Ctrl().Abs(th.Ctrl().RunFolder());
    const Done whole = Crawl(th, kSettings + QStringList{"--run-id", "X", srv.Url("/index.html")});
    ASSERT_EQ(whole.code, 0) << whole.err.toStdString();
    JournalData done;
    ASSERT_TRUE(RunJournal::Read(folder, &done));
    ASSERT_TRUE(done.ended);
    RunRow first = done.rows.front();
    first.state = 0;
    first.result = "未";
    RunJournal cut;
    ASSERT_TRUE(cut.Begin(folder, done.values, {first}));
    cut.Close();

    const size_t before = srv.Requests().size();
    const Done resumed = Crawl(th, {"--resume", "X"});
    ASSERT_EQ(resumed.code, 0) << resumed.err.toStdString();
    EXPECT_EQ(srv.Requests().size(), before);
    EXPECT_EQ(Rows(resumed.out, srv), Rows(whole.out, srv)) << resumed.out.toStdString();
}

// Resume refuses folders without a journal and runs that ended; an ordinary
// second start into an ended run's folder is unchanged.
TEST(ResumeCli, RefusesWhatIsNotAnInterruptedRun) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/index.html", "<a href=\"a.html\">A</a>");
    srv.Page("/a.html", "a");
    EXPECT_EQ(Crawl(th, {"--resume", "NONE"}).code, 1);
    EXPECT_EQ(Crawl(th, {"--resume", "../x"}).code, 2);
    EXPECT_EQ(Crawl(th, {"--resume", "X", srv.Url("/index.html")}).code, 2);
    const Done first = Crawl(th, {"--run-id", "X", srv.Url("/index.html")});
    ASSERT_EQ(first.code, 0);
    const Done refused = Crawl(th, {"--resume", "X"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains("ended")) << refused.err.toStdString();
    const Done second = Crawl(th, {"--run-id", "X", srv.Url("/index.html")});
    ASSERT_EQ(second.code, 0);
    EXPECT_TRUE(second.out.contains("- 既獲得データ -"));
    EXPECT_EQ(srv.Hits("/index.html"), 1);
}

}  // namespace
}  // namespace korvi::test
