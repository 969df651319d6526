#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>

#include "ToolStore.h"
#include "store/TextCodec.h"
#include "tools/LogSrch.h"

using namespace korvi;

namespace {

// Names whose order a walk must keep: case, digits, dots, blanks, kana.
const QStringList kNames = {"a", "B", "b", "_x", "10", "9", "Z z", "ä", "ページ", "a.b", "A"};
const QStringList kExts = {".html", ".htm", ".txt", ".png", ".dat", ".cgi", ""};
const QStringList kBits = {"korvi",
                           "Korvi",
                           "ZEBRA",
                           "zebra",
                           "kor<b>vi</b>",
                           "ko&#114;vi",
                           "&lt;zebra&gt;",
                           "検索",
                           "ウェブ",
                           " ",
                           "\n",
                           "\r\n",
                           "<p>",
                           "</p>",
                           "<script>zebra</script>",
                           "\u212Aorvi",
                           "x.y",
                           "<a href=\"korvi.html\">link</a>",
                           "lorem ipsum dolor ",
                           "k",
                           "ze"};

QByteArray Encoded(const QString& text, int kind) {
    switch (kind) {
        case 0:
            return text.toUtf8();
        case 1:
            return "\xEF\xBB\xBF" + text.toUtf8();
        case 2:
            return EncodeAs(text, "Shift_JIS");
        case 3:
            return EncodeAs(text, "EUC-JP");
        default:
            return EncodeAs(text, "ISO-2022-JP");
    }
}

// A random store: nested folders, texts in every encoding, trailer tags,
// pictures and binary files, list files, empty files, files over 1 MB.
void RandomStore(test::TempHome& th, quint32 seed, int files) {
    QRandomGenerator rng(seed);
    const auto pick = [&](const QStringList& l) { return l[int(rng.bounded(int(l.size())))]; };
    for (int i = 0; i < files; ++i) {
        QString dir = "log/R";
        const int depth = int(rng.bounded(4));
        for (int d = 0; d < depth; ++d) dir += "/" + pick(kNames) + QString::number(d);
        const QString name = pick(kNames) + QString::number(i % 13) + pick(kExts);
        QString text;
        const int bits = int(rng.bounded(40));
        for (int k = 0; k < bits; ++k) text += pick(kBits);
        QByteArray bytes = Encoded(text, int(rng.bounded(5)));
        if (name.endsWith(".png")) {
            bytes = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + QByteArray(300, '\x02');
        } else if (name.endsWith(".dat")) {
            bytes.prepend(QByteArray(int(rng.bounded(200)), '\x01'));
        } else if (i % 17 == 0) {
            bytes.clear();
        } else if (i % 97 == 0) {
            bytes = bytes.repeated(1 + int(1100000 / qMax<qsizetype>(bytes.size(), 1)));
        }
        if (rng.bounded(3) == 0) bytes += test::FootTag("http://h/" + pick(kBits), "http://h/p");
        th.Write(dir + "/" + name, bytes);
        if (rng.bounded(6) == 0) th.Write(dir + "/" + name + " lst.ini", bytes);
    }
}

QStringList Lines(const std::vector<SrchRow>& rows) {
    QStringList out;
    for (const SrchRow& r : rows) {
        out << QStringList{QString::number(r.no),     r.text,     r.fileName, r.path,
                           QString::number(r.sizeKb), r.extension}
                   .join(u'\t');
    }
    return out;
}

}  // namespace

// Any number of testing threads, with or without the byte test, gives the
// rows and the order of a walk that tests each file itself.
TEST(LogSrchOrder, ThreadsKeepTheRowsAndTheirOrder) {
    test::TempHome th;
    RandomStore(th, 29, 300);
    LogSrch srch(th.Ctrl(), th.Ctx().Match());
    SrchRequest r;
    r.folder = th.File("log/R");
    struct Query {
        const char* words;
        int type;
        bool ci;
        FltMode filter;
    };
    const Query queries[] = {{"korvi", 2, true, FltMode::All},
                             {"korvi zebra", 2, true, FltMode::All},
                             {"ZEBRA -検索", 0, false, FltMode::All},
                             {"k.rvi |ウェブ", 0, true, FltMode::In},
                             {"zebra", 3, true, FltMode::Out},
                             {"", 2, true, FltMode::In},
                             {"", 2, true, FltMode::All}};
    int nonEmpty = 0;
    for (const Query& q : queries) {
        th.Ctx().Match().SetSearchType(q.type);
        r.words = QString::fromUtf8(q.words);
        r.caseInsensitive = q.ci;
        r.filter = q.filter;
        srch.SetThreads(1);
        srch.SetPrefilter(false);
        srch.Run(r);
        const QStringList want = Lines(srch.Rows());
        nonEmpty += want.isEmpty() ? 0 : 1;
        for (int threads : {2, 5}) {
            for (bool byteTest : {true, false}) {
                srch.SetThreads(threads);
                srch.SetPrefilter(byteTest);
                srch.Run(r);
                ASSERT_EQ(Lines(srch.Rows()), want)
                    << q.words << " threads " << threads << " byte test " << byteTest;
            }
        }
    }
    EXPECT_EQ(nonEmpty, int(std::size(queries)));
}

// A stop ends a walk with several threads at once; the rows found by then
// are the first rows of the whole walk, numbered from one.
TEST(LogSrchOrder, StopKeepsAnOrderedPrefix) {
    test::TempHome th;
    const QByteArray page = "<p>" + QByteArray("lorem ipsum ").repeated(40000) + "korvi</p>";
    for (int i = 0; i < 120; ++i) {
        th.Write("log/R/d" + QString::number(i / 10) + "/p" + QString::number(i) + ".html", page);
    }
    LogSrch srch(th.Ctrl(), th.Ctx().Match());
    srch.SetThreads(2);
    SrchRequest r;
    r.folder = th.File("log/R");
    r.words = "korvi";
    srch.Run(r);
    const QStringList whole = Lines(srch.Rows());
    ASSERT_EQ(whole.size(), 120);

    ASSERT_TRUE(srch.StartSrch(r));
    while (srch.IsRunning() && srch.Rows().size() < 3) QThread::msleep(1);
    QElapsedTimer t;
    t.start();
    srch.Stop();
    while (srch.IsRunning() && t.elapsed() < 1000) QThread::msleep(1);
    EXPECT_LT(t.elapsed(), 200);
    srch.Wait();
    const QStringList part = Lines(srch.Rows());
    EXPECT_LT(part.size(), whole.size());
    EXPECT_EQ(part, whole.mid(0, part.size()));
}
