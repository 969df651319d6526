#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#include <csignal>
#include <ctime>

#include "fixtures/TempHome.h"
#include "index/StoreIndex.h"
#include "store/TextCodec.h"
#include "tools/LogSrch.h"
#include "tools/ToolStore.h"

using namespace korvi;

namespace {

// A file's modification time, days back: the index trusts only entries read
// well after the file's last change.
void Age(const QByteArray& path, qint64 secondsBack) {
    const time_t t = time(nullptr) - time_t(secondsBack);
    const struct utimbuf times = {t, t};
    ASSERT_EQ(::utime(path.constData(), &times), 0) << path.toStdString();
}
void Age(const QString& path, qint64 secondsBack) {
    Age(QFile::encodeName(path), secondsBack);
}

const QStringList kWords = {
    QStringLiteral("鳥類"),     QStringLiteral("検索"),   QStringLiteral("鳥"),
    QStringLiteral("野鳥観察"), QStringLiteral("日本語"), QStringLiteral("カタカナ"),
    QStringLiteral("ｶﾀｶﾅ"),     QStringLiteral("ＡＢＣ"), QStringLiteral("abc"),
    QStringLiteral("Alpha"),    QStringLiteral("alpha"),  QStringLiteral("BETA"),
    QStringLiteral("beta"),     QStringLiteral("gamma"),  QStringLiteral("Korvi"),
    QStringLiteral("x-y"),      QStringLiteral("東京"),   QStringLiteral("データ")};

const QStringList kSeparators = {QStringLiteral(" "),    QString(),
                                 QStringLiteral("\n"),   QStringLiteral("、"),
                                 QStringLiteral("<br>"), QStringLiteral("&amp;")};

QString Phrase(QRandomGenerator& rng, int words) {
    QString t;
    for (int i = 0; i < words; ++i) {
        t += kWords[int(rng.bounded(kWords.size()))];
        t += kSeparators[int(rng.bounded(kSeparators.size()))];
    }
    return t;
}

QByteArray Png() {
    QByteArray b("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0", 29);
    return b + QByteArray(300, '\x01');
}

// One stored file of a random kind.
QByteArray RandomFile(QRandomGenerator& rng, QString* name) {
    const QString url = QStringLiteral("http://h/") + Phrase(rng, 1).trimmed() + u'/';
    const QByteArray tag = rng.bounded(3) ? test::FootTag(url, url + QStringLiteral("p")) : "";
    switch (rng.bounded(7)) {
        case 0:
            *name = QStringLiteral(".html");
            return ("<html><head><title>" + Phrase(rng, 2) + "</title><script>var s='" +
                    Phrase(rng, 2) + "';</script><style>.c{}</style></head><body><p>" +
                    Phrase(rng, 12) + "</p>&#x691C;&#x7D22; <a href=\"" + Phrase(rng, 1) +
                    "\">x</a></body></html>")
                       .toUtf8() +
                   tag;
        case 1:
            *name = QStringLiteral(".htm");
            return EncodeAs(
                       QStringLiteral("<html><head><meta charset=\"Shift_JIS\"></head><body>") +
                           Phrase(rng, 10) + QStringLiteral("</body></html>"),
                       "windows-31j") +
                   tag;
        case 2:
            *name = QStringLiteral(".txt");
            return EncodeAs(Phrase(rng, 10), "EUC-JP");
        case 3:
            *name = QStringLiteral(".png");
            return Png() + tag;
        case 4:
            *name = QStringLiteral("");
            return Phrase(rng, 8).toUpper().toUtf8() + tag;
        case 5:
            *name = QStringLiteral(".cgi");
            return (QStringLiteral("\xEF\xBB\xBF") + Phrase(rng, 6)).toUtf8();
        default:
            *name = QStringLiteral(".txt");
            return (Phrase(rng, 6) + QStringLiteral("\r\nalpha\r\n") + Phrase(rng, 3)).toUtf8();
    }
}

// A generated store below log/: nested folders, list files, all kinds of file.
class Store {
public:
    Store(test::TempHome& th, quint32 seed) : th_(th), rng_(seed) {}

    QString Add() {
        QString ext;
        const QByteArray bytes = RandomFile(rng_, &ext);
        QString rel = QStringLiteral("log/R%1/h").arg(rng_.bounded(2));
        for (quint32 d = rng_.bounded(3); d > 0; --d)
            rel += QStringLiteral("/d%1").arg(rng_.bounded(3));
        rel += QStringLiteral("/f%1%2").arg(next_++).arg(ext);
        th_.Write(rel, bytes);
        if (rng_.bounded(5) == 0)
            th_.Write(rel + QStringLiteral(" lst.ini"), "[BaseData]\np_title=alpha\n");
        Age(th_.File(rel), 86400 + rng_.bounded(86400));
        files_.append(rel);
        return rel;
    }
    // Changes, removes and adds files; some keep their size.
    void Mutate() {
        for (int i = 0; i < 12 && !files_.isEmpty(); ++i) {
            const int at = int(rng_.bounded(files_.size()));
            const QString rel = files_[at];
            switch (rng_.bounded(3)) {
                case 0: {
                    QByteArray b = th_.Read(rel);
                    const QByteArray repl = QStringLiteral("鳥").toUtf8();
                    if (b.size() > repl.size() + 10) b.replace(5, repl.size(), repl);  // same size
                    th_.Write(rel, b);
                    Age(th_.File(rel), 3600 + rng_.bounded(3600));
                    break;
                }
                case 1:
                    QFile::remove(th_.File(rel));
                    files_.removeAt(at);
                    break;
                default: {
                    QString ext;
                    th_.Write(rel, RandomFile(rng_, &ext));
                    Age(th_.File(rel), 3600 + rng_.bounded(3600));
                }
            }
        }
        for (int i = 0; i < 5; ++i) Add();
    }

private:
    test::TempHome& th_;
    QRandomGenerator rng_;
    QStringList files_;
    int next_ = 0;
};

struct Result {
    std::vector<SrchRow> rows;
    QString end;
    qint64 skipped = 0;
};

Result Search(test::TempHome& th, StoreIndex* index, const SrchRequest& request, int type) {
    th.Ctx().Match().SetSearchType(type);
    LogSrch srch(th.Ctrl(), th.Ctx().Match());
    srch.SetIndex(index);
    srch.Run(request);
    return {srch.Rows(), srch.EndMessage(), srch.IndexSkipCount()};
}

QString Show(const std::vector<SrchRow>& rows) {
    QString s;
    for (const SrchRow& r : rows) {
        s += QString::number(r.no) + u' ' + r.path + u'/' + r.fileName + u' ' + r.extension + u' ' +
             QString::number(r.sizeKb) + u' ' + r.text + u'\n';
    }
    return s;
}

struct Query {
    QString words;
    int type = 0;
    bool caseInsensitive = true;
    FltMode filter = FltMode::All;
    SizeMode size = SizeMode::All;
};

std::vector<Query> Queries() {
    std::vector<Query> q;
    for (const QString& w : kWords) {
        q.push_back({w});
        q.push_back({w, 2, false});
    }
    for (const char* text : {"鳥",
                             "類",
                             "索",
                             "検",
                             "ｶ",
                             "カ",
                             "Ａ",
                             "a",
                             "B",
                             "lph",
                             "ha",
                             "x-",
                             "-y",
                             "鳥類 alpha",
                             "alpha |鳥類",
                             "鳥 -beta",
                             "-alpha",
                             "beta |al.ha",
                             "al.ha",
                             "KORVI",
                             "ｋｏｒｖｉ",
                             "abc alpha",
                             "\\-y",
                             "a\\ b",
                             "amp",
                             "&amp;",
                             "var",
                             "検索 |ＡＢＣ gamma",
                             "http://h/",
                             "dl_src",
                             "野鳥観察 -東京",
                             "ﾀｶ"}) {
        const QString w = QString::fromUtf8(text);
        q.push_back({w});
        q.push_back({w, 0, false});
        q.push_back({w, 3});
        q.push_back({w, 1});
    }
    q.push_back({QStringLiteral("alpha"), 0, true, FltMode::In});
    q.push_back({QStringLiteral("鳥"), 0, true, FltMode::Out, SizeMode::Up});
    q.push_back({QString()});  // extract
    return q;
}

// Indexed and scanned searches give the same rows, text and order for every
// query; the index is stale after changes and brought up to date again.
void ExpectSame(test::TempHome& th, StoreIndex& index, const char* stage, bool expectSkips,
                size_t queries = 1000) {
    qint64 skipped = 0;
    std::vector<Query> all = Queries();
    if (all.size() > queries) all.resize(queries);
    for (const Query& q : all) {
        SrchRequest r;
        r.folder = th.File(QStringLiteral("log"));
        r.words = q.words;
        r.caseInsensitive = q.caseInsensitive;
        r.filter = q.filter;
        r.filterText = QStringLiteral(",html,htm,txt,-");
        r.size = q.size;
        r.sizeKb = 0;
        const Result scan = Search(th, nullptr, r, q.type);
        const Result fast = Search(th, &index, r, q.type);
        ASSERT_EQ(Show(fast.rows), Show(scan.rows))
            << stage << " words " << q.words.toStdString() << " type " << q.type << " case "
            << q.caseInsensitive;
        EXPECT_EQ(fast.end, scan.end) << stage << " " << q.words.toStdString();
        skipped += fast.skipped;
    }
    if (expectSkips) {
        EXPECT_GT(skipped, 0) << stage << ": the index ruled nothing out";
    }
}

// Entries committed so far, read without waiting for the writer.
qint64 Committed(const QString& db) {
    if (!QFile::exists(db)) return 0;
    sqlite3* h = nullptr;
    qint64 n = 0;
    if (sqlite3_open_v2(QFile::encodeName(db).constData(), &h, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h, "SELECT count(*) FROM files", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            n = sqlite3_column_int64(st, 0);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close_v2(h);
    return n;
}

}  // namespace

TEST(StoreIndex, IndexedSearchGivesTheRowsOfTheScan) {
    for (quint32 seed : {7u, 1207u}) {
        SCOPED_TRACE(seed);
        test::TempHome th;
        test::RawTreeRemover remover{th.Path()};
        Store store(th, seed);
        for (int i = 0; i < 60; ++i) store.Add();
        // Names that are not UTF-8, of a folder and of a file.
        for (const QByteArray& rel :
             {QByteArray("log/R0/\xE9t\xE9/p.html"), QByteArray("log/R0/h/\xFF.txt")}) {
            ASSERT_TRUE(test::WriteRaw(th.Path(), rel, "<p>鳥類 alpha BETA</p>"));
            Age(QFile::encodeName(th.Path()) + '/' + rel, 86400);
        }
        StoreIndex& index = th.Ctx().Index();
        ExpectSame(th, index, "no index yet", false);

        IndexStats s = index.Update(th.File(QStringLiteral("log")));
        ASSERT_TRUE(s.ok);
        EXPECT_EQ(s.added, s.files);
        ExpectSame(th, index, "indexed", true);

        store.Mutate();
        ExpectSame(th, index, "stale", true);
        s = index.Update(th.File(QStringLiteral("log")));
        ASSERT_TRUE(s.ok);
        EXPECT_GT(s.changed, 0);
        EXPECT_GT(s.removed, 0);
        EXPECT_GT(s.unchanged, 0);
        ExpectSame(th, index, "updated", true);

        // An update of one run folder leaves the others' entries alone.
        const qint64 before = index.GetCounts().files;
        s = index.Update(th.File(QStringLiteral("log/R0")));
        EXPECT_EQ(s.removed, 0);
        EXPECT_EQ(s.added + s.changed, 0);
        EXPECT_EQ(index.GetCounts().files, before);
    }
}

// A file changed a moment ago may keep its time through a change within the
// same clock tick: the index does not rely on its entry until it settles.
TEST(StoreIndex, FreshAndDamagedEntriesAreNotTrusted) {
    test::TempHome th;
    th.Write(QStringLiteral("log/R/a.txt"), "alpha one");
    th.Write(QStringLiteral("log/R/b.txt"), "beta two");
    StoreIndex& index = th.Ctx().Index();
    ASSERT_TRUE(index.Update(th.File(QStringLiteral("log"))).ok);
    SrchRequest r;
    r.folder = th.File(QStringLiteral("log"));
    r.words = QStringLiteral("alpha");
    EXPECT_EQ(Search(th, &index, r, 0).skipped, 0);
    th.Write(QStringLiteral("log/R/b.txt"), "alpha two");  // same size, same tick
    EXPECT_EQ(Search(th, &index, r, 0).rows.size(), 2u);

    Age(th.File(QStringLiteral("log/R/a.txt")), 86400);
    Age(th.File(QStringLiteral("log/R/b.txt")), 86400);
    IndexStats s = index.Update(th.File(QStringLiteral("log")));
    EXPECT_EQ(s.changed, 2);
    r.words = QStringLiteral("one");
    const Result found = Search(th, &index, r, 0);
    EXPECT_EQ(found.rows.size(), 1u);
    EXPECT_EQ(found.skipped, 1);

    // A damaged database is made anew, never read.
    {
        QFile f(index.Path());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(0);
        f.write(QByteArray(4096, 'x'));
    }
    QFile::remove(index.Path() + QStringLiteral("-wal"));
    QFile::remove(index.Path() + QStringLiteral("-shm"));
    EXPECT_EQ(Search(th, &index, r, 0).rows.size(), 1u);
    s = index.Update(th.File(QStringLiteral("log")));
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.added, 2);
    EXPECT_TRUE(th.ErrLog().contains(QStringLiteral("StoreIndex Open Error")));
    EXPECT_EQ(Search(th, &index, r, 0).skipped, 1);
}

// The index writer killed in the middle of an update: the next searches are
// exact, and the next update finishes the work.
TEST(StoreIndex, WriterKilledMidUpdate) {
    test::TempHome th;
    Store store(th, 99);
    for (int i = 0; i < 1500; ++i) store.Add();
    StoreIndex& index = th.Ctx().Index();
    QProcess child;
    child.start(test::TempHome::BinDir() + QStringLiteral("/korvi-run"),
                {QStringLiteral("--home"), th.Path(), QStringLiteral("index"),
                 th.File(QStringLiteral("log"))});
    ASSERT_TRUE(child.waitForStarted());
    // Killed once some entries are committed, well before the end.
    for (int i = 0; i < 4000 && Committed(index.Path()) == 0 && child.state() == QProcess::Running;
         ++i) {
        QThread::msleep(2);
    }
    ::kill(pid_t(child.processId()), SIGKILL);
    child.waitForFinished();
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit)
        << child.readAllStandardOutput().toStdString() << child.readAllStandardError().toStdString()
        << th.ErrLog().toStdString();
    const qint64 kept = index.GetCounts().files;
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 1500);

    ExpectSame(th, index, "after the kill", true, 24);
    const IndexStats s = index.Update(th.File(QStringLiteral("log")));
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.unchanged, kept);
    EXPECT_EQ(s.added, s.files - kept);
}

// A long-lived searcher watches the folder: after one walk, searches trust
// the index and the change feed, and still give the scan's rows through
// changes in place, new and removed files, renames (one over a file of the
// same size and time) and folders made, moved and deleted.
TEST(StoreIndex, WatchedSearchFollowsChanges) {
    test::TempHome th;
    Store store(th, 31);
    for (int i = 0; i < 60; ++i) store.Add();
    const QString text = QStringLiteral("<p>alpha 鳥類 one</p>");
    const QString other = QStringLiteral("<p>gamma 検索 two</p>");
    th.Write(QStringLiteral("log/R2/a.html"), text.toUtf8());
    th.Write(QStringLiteral("log/R2/b.html"), other.toUtf8());
    th.Write(QStringLiteral("log/R2/sub/c.html"), text.toUtf8());
    for (const char* rel : {"log/R2/a.html", "log/R2/b.html", "log/R2/sub/c.html"})
        Age(th.File(QString::fromLatin1(rel)), 86400);
    StoreIndex& index = th.Ctx().Index();
    ASSERT_TRUE(index.Update(th.File(QStringLiteral("log"))).ok);
    index.SetWatching(true);
    ExpectSame(th, index, "watched", true, 40);
    EXPECT_EQ(index.WatchWalks(), 1);

    const auto rename = [&](const char* from, const char* to) {
        ASSERT_EQ(::rename(QFile::encodeName(th.File(QString::fromLatin1(from))).constData(),
                           QFile::encodeName(th.File(QString::fromLatin1(to))).constData()),
                  0);
    };
    // b.html becomes a's text at b's old size and time: its entry is stale.
    rename("log/R2/a.html", "log/R2/b.html");
    store.Mutate();
    ExpectSame(th, index, "renamed over", true, 40);
    th.Write(QStringLiteral("log/R2/new/deep/d.txt"), "alpha 鳥 beta");
    rename("log/R2/sub", "log/R2/moved");
    ExpectSame(th, index, "folders made and moved", true, 40);
    ASSERT_TRUE(QDir(th.File(QStringLiteral("log/R2/new"))).removeRecursively());
    th.Write(QStringLiteral("log/R2/moved/e.html"), text.toUtf8());
    ExpectSame(th, index, "folder deleted", true, 40);
    EXPECT_EQ(index.WatchWalks(), 1) << "changes the feed reports need no walk";
    // A walk trusts size and time, which the rename over b kept.
    QFile::remove(th.File(QStringLiteral("log/R2/b.html")));

    // More events than the kernel queues: the folder is walked again, and a
    // change made among them is found.
    for (int i = 0; i < 9000; ++i) {
        const QByteArray flood =
            QFile::encodeName(th.File(QStringLiteral("log/R2/flood%1.txt").arg(i % 2)));
        const int fd = ::open(flood.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "x", 1), 1);
        ::close(fd);
    }
    th.Write(QStringLiteral("log/R2/moved/c.html"), other.toUtf8());
    ExpectSame(th, index, "after an overflow", true, 40);
    EXPECT_EQ(index.WatchWalks(), 2);
}

// Pages reported as a run stores them are indexed on the index's thread; at
// the run's end the folder is walked only when the queue had to drop some.
TEST(StoreIndex, PagesStoredDuringARunAreIndexedAsTheyCome) {
    test::TempHome th;
    StoreIndex& index = th.Ctx().Index();
    index.SetEnabled(true);
    const auto page = [&](int i) {
        const QString rel = QStringLiteral("log/R/p%1.html").arg(i);
        th.Write(rel, QStringLiteral("<p>鳥類 page %1</p>").arg(i).toUtf8());
        Age(th.File(rel), 86400);
        return rel;
    };
    for (int i = 0; i < 50; ++i) index.PageStored(page(i));
    page(1000);  // stored without a report: left to a later update
    index.RunEnded(th.File(QStringLiteral("log/R")));
    index.WaitBackground();
    EXPECT_EQ(index.GetCounts().files, 50);
    IndexStats s = index.Update(th.File(QStringLiteral("log")));
    EXPECT_EQ(s.unchanged, 50) << "pages read during the run are trusted";
    EXPECT_EQ(s.added, 1);

    // A page just written is read once it has settled, while the run goes
    // on, so that its entry is trusted too.
    th.Write(QStringLiteral("log/R/fresh.html"), QByteArray("<p>fresh</p>"));
    index.PageStored(QStringLiteral("log/R/fresh.html"));
    for (int i = 0; i < 200 && index.GetCounts().files < 52; ++i) QThread::msleep(50);
    s = index.Update(th.File(QStringLiteral("log")));
    EXPECT_EQ(s.unchanged, 52);
    EXPECT_EQ(s.changed, 0);

    // A process about to end reads what settled (here an old page) and
    // leaves a page just written to the next update, without waiting for it.
    th.Write(QStringLiteral("log/R/last.html"), QByteArray("<p>last</p>"));
    index.PageStored(QStringLiteral("log/R/last.html"));
    index.PageStored(page(100000));
    const qint64 files = index.GetCounts().files;
    QElapsedTimer waited;
    waited.start();
    index.RunEnded(th.File(QStringLiteral("log/R")));
    index.LeaveUnsettledPages();
    index.WaitBackground();
    EXPECT_LT(waited.elapsed(), StoreIndex::kSettleNs / 1000000);
    EXPECT_EQ(index.GetCounts().files, files + 1);
    s = index.Update(th.File(QStringLiteral("log")));
    EXPECT_EQ(s.added, 1);

    // More pages than the queue holds while another process writes the
    // index: the run's end updates the folder.
    QStringList many;
    for (int i = 0; i < int(StoreIndex::kPageQueueMax) + 300; ++i) many.append(page(2000 + i));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(index.Path()).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    for (const QString& rel : many) index.PageStored(rel);
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    page(1001);
    index.RunEnded(th.File(QStringLiteral("log/R")));
    index.WaitBackground();
    EXPECT_TRUE(index.BackgroundStats().ok) << th.ErrLog().toStdString();
    EXPECT_EQ(index.GetCounts().files, 54 + qint64(StoreIndex::kPageQueueMax) + 300 + 1);
}
