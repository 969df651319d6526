#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <random>

#include "engine/RunJournal.h"
#include "store/RunLock.h"

namespace korvi::test {
namespace {

RunRow MakeRow(int no, std::mt19937& rng) {
    static const QString kPieces[] = {"a", "\t", "\n", "\\", "\r", "日本", "=", " ", "x\\t"};
    auto text = [&] {
        QString t;
        const int n = int(rng() % 6);
        for (int i = 0; i < n; ++i) t += kPieces[rng() % std::size(kPieces)];
        return t;
    };
    RunRow r;
    r.no = no;
    r.state = 0;
    r.depth = 1 + int(rng() % 3);
    r.context = text();
    r.title = text();
    r.url = "http://127.0.0.1/" + QString::number(no) + text();
    r.size = text();
    r.ext = "html";
    r.ref = text();
    return r;
}

RunRow Ended(RunRow r, const QString& result) {
    r.state = 100;
    r.result = result;
    r.context = result == "一致" ? QStringLiteral("…needle…") : QStringLiteral("- non -");
    r.size = "3";
    return r;
}

void ExpectSame(const std::vector<RunRow>& got, const std::vector<RunRow>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].Cells(), want[i].Cells()) << i;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Rows as added and as ended come back as their last record, in row order,
// with every awkward character intact; values keep their order.
TEST(RunJournal, ReadsBackTheLastRecordOfEveryRowAndTheValues) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/run";
    std::mt19937 rng(7);
    std::vector<RunRow> start = {MakeRow(1, rng), MakeRow(2, rng)};
    RunJournal j;
    ASSERT_TRUE(
        j.Begin(folder, {{"opt", "[BaseOption]\ndepth_max=3\n"}, {"words", "a\tb"}}, start));
    std::vector<RunRow> want = start;
    for (int no = 3; no <= 100; ++no) {
        want.push_back(MakeRow(no, rng));
        j.Row(want.back());
    }
    for (int no = 1; no <= 100; no += 3) {
        want[size_t(no - 1)] = Ended(want[size_t(no - 1)], no % 2 ? "一致" : "不");
        j.Row(want[size_t(no - 1)]);
    }
    j.Close();
    JournalData got;
    ASSERT_TRUE(RunJournal::Read(folder, &got));
    EXPECT_FALSE(got.ended);
    EXPECT_EQ(got.Value("opt"), "[BaseOption]\ndepth_max=3\n");
    EXPECT_EQ(got.Value("words"), "a\tb");
    ExpectSame(got.rows, want);

    // A fresh start replaces the old journal whole.
    RunJournal again;
    ASSERT_TRUE(again.Begin(folder, {}, {want[0]}));
    again.End();
    ASSERT_TRUE(RunJournal::Read(folder, &got));
    EXPECT_TRUE(got.ended);
    ExpectSame(got.rows, {want[0]});
    EXPECT_FALSE(RunJournal::Read(dir.path() + "/none", &got));
}

// A crash can cut the journal anywhere in its last record: the record is
// ignored and everything before it reads as written; a damaged byte in the
// last record is ignored the same way.
TEST(RunJournal, IgnoresATornOrDamagedLastRecordAtEveryByte) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/run";
    const QString file = folder + "/" + RunJournal::kFileName;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        std::vector<RunRow> rows;
        RunJournal j;
        ASSERT_TRUE(j.Begin(folder, {{"words", "w"}}, {}));
        const int n = 1 + int(rng() % 40);
        for (int no = 1; no <= n; ++no) {
            rows.push_back(MakeRow(no, rng));
            j.Row(rows.back());
        }
        j.Close();
        RunRow last = Ended(rows[rng() % rows.size()], "一致");
        const bool endRecord = seed % 2 == 0;
        {
            RunJournal k;  // appends to what is there, as a running run does
            ASSERT_TRUE(k.Begin(folder, {{"words", "w"}}, rows));
            if (endRecord)
                k.End();
            else {
                k.Row(last);
                k.Close();
            }
        }
        const QByteArray whole = ReadAll(file);
        const qsizetype lastStart = whole.lastIndexOf('\n', whole.size() - 2) + 1;
        ASSERT_GT(lastStart, 0);
        for (qsizetype cut = lastStart; cut < whole.size(); ++cut) {
            WriteAll(file, whole.left(cut));
            JournalData got;
            ASSERT_TRUE(RunJournal::Read(folder, &got)) << cut;
            EXPECT_FALSE(got.ended) << "seed " << seed << " cut " << cut;
            ExpectSame(got.rows, rows);
            EXPECT_TRUE(RunJournal::Interrupted(folder)) << cut;

            QByteArray damaged = whole;
            damaged[cut] = char(damaged[cut] ^ (1 + int(rng() % 254)));
            if (cut == whole.size() - 1) continue;  // the line end itself
            WriteAll(file, damaged);
            ASSERT_TRUE(RunJournal::Read(folder, &got));
            EXPECT_FALSE(got.ended) << "damaged at " << cut;
            ExpectSame(got.rows, rows);
        }
        WriteAll(file, whole);
        JournalData got;
        ASSERT_TRUE(RunJournal::Read(folder, &got));
        EXPECT_EQ(got.ended, endRecord);
        if (!endRecord) rows[size_t(last.no - 1)] = last;
        ExpectSame(got.rows, rows);
        EXPECT_EQ(RunJournal::Interrupted(folder), !endRecord);
    }
}

// Interrupted: a journal without its end record whose lock no live run holds.
TEST(RunJournal, InterruptedNeedsAnOpenJournalAndNoLiveLock) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/run";
    EXPECT_FALSE(RunJournal::Interrupted(folder));
    QDir().mkpath(folder);
    WriteAll(folder + "/" + RunJournal::kFileName, "not a journal\n");
    EXPECT_FALSE(RunJournal::Interrupted(folder));
    RunJournal j;
    ASSERT_TRUE(j.Begin(folder, {}, {}));
    j.Close();
    EXPECT_TRUE(RunJournal::Interrupted(folder));
    {
        RunLock lock;
        ASSERT_TRUE(lock.Take(folder));
        EXPECT_FALSE(RunJournal::Interrupted(folder));
    }
    EXPECT_TRUE(RunJournal::Interrupted(folder));
    RunJournal k;
    ASSERT_TRUE(k.Begin(folder, {}, {}));
    k.End();
    EXPECT_FALSE(RunJournal::Interrupted(folder));
}

// 100,000 rows, each added and ended with a long context, stay within a few
// tens of MB and read back whole.
TEST(RunJournal, SizeStaysProportionalToTheRows) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/run";
    RunJournal j;
    ASSERT_TRUE(j.Begin(folder, {{"words", "カラス crow"}}, {}));
    constexpr int kRows = 100000;
    for (int no = 1; no <= kRows; ++no) {
        RunRow r;
        r.no = no;
        r.depth = 3;
        r.context = "-";
        r.title = QStringLiteral("見出しのテキスト %1").arg(no);
        r.url = QStringLiteral("http://www.example.com/dir/sub/page%1.html?q=%1").arg(no);
        r.ext = "html";
        r.ref = QStringLiteral("http://www.example.com/dir/sub/index%1.html").arg(no / 20);
        j.Row(r);
        r.state = 100;
        r.result = "一致";
        r.context = QString(60, QChar(0x30AB)) + " crow";
        r.size = "12";
        r.dlLen = "12";
        r.planLen = "12";
        j.Row(r);
    }
    j.End();
    const qint64 size = QFileInfo(folder + "/" + RunJournal::kFileName).size();
    EXPECT_LT(size, 64ll * 1024 * 1024);
    JournalData got;
    ASSERT_TRUE(RunJournal::Read(folder, &got));
    EXPECT_TRUE(got.ended);
    ASSERT_EQ(got.rows.size(), size_t(kRows));
    EXPECT_EQ(got.rows.back().result, "一致");
}

}  // namespace
}  // namespace korvi::test
