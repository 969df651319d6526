#include <gtest/gtest.h>

#include <QDirIterator>
#include <QProcess>
#include <QThread>
#include <QUrl>

#include <utime.h>
#include <ctime>

#include "ToolStore.h"
#include "fixtures/ProcessRun.h"

using namespace korvi;

namespace {

using Result = test::ProcessRun;

Result RunCli(test::TempHome& th, const QStringList& args, const QString& opener = {}) {
    test::ProcessOptions opt;
    opt.env.remove("KORVI_OPENER");
    if (!opener.isEmpty()) opt.env.insert("KORVI_OPENER", opener);
    opt.cwd = th.Path();
    return test::RunKorviRun(QStringList{"--home", th.Path()} + args, opt);
}

QStringList Column(const QString& tsv, int column) {
    QStringList out;
    const QStringList lines = tsv.split('\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) out.append(lines.at(i).split('\t').value(column));
    out.sort();
    return out;
}

// A run folder as the crawler leaves it: pages with trailer tags, their
// list files, a query file and a picture that only its tag describes.
void CrawledStore(test::TempHome& th) {
    th.Write("log/R/h/index.html",
             "<html><body>Korvi collects the web</body></html>" + test::FootTag("", "http://h/"));
    test::WriteListFile(th, "log/R/h/index.html lst.ini", "http://h/", "korvi web top",
                        {{"http://h/日本 語%25/a b.html", "日本", "html"},
                         {"http://h/pic/photo.jpg", "photo", "jpg"}});
    th.Write("log/R/h/日本 語%#/a b.html",
             QByteArray("<html>日本語の web ページ korvi</html>") +
                 test::FootTag("http://h/", "http://h/日本 語%#/a b.html"));
    test::WriteListFile(th, "log/R/h/日本 語%#/a b.html lst.ini", "http://h/日本 語%25/a b.html",
                        "korvi web", {{"http://h/", "top", "-"}});
    th.Write("log/R/h/q.cgi_/00000000.cgi",
             "web only" + test::FootTag("http://h/", "http://h/q.cgi?x"));
    th.Write("log/R/h/pic/photo.jpg",
             QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x01", 14) +
                 QByteArray(300, '\x02') +
                 test::FootTag("http://h/korvi-web.html", "http://h/pic/photo.jpg"));
}

// The opener runs detached: wait until it has recorded what it was given.
QString Opened(test::TempHome& th, const QString& expected) {
    QString text;
    for (int i = 0; i < 100; ++i) {
        text = QString::fromUtf8(th.Read("opened.txt"));
        if (text.contains(expected)) break;
        QThread::msleep(50);
    }
    return text;
}

}  // namespace

TEST(ToolCli, SearchFindsExactlyTheFilesHoldingTheWords) {
    test::TempHome th;
    CrawledStore(th);
    const Result r = RunCli(th, {"search", "--words", "korvi web", "log/R"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("No\t周辺文\tファイル名\tパス\tサイズ\t拡張子\n"));
    EXPECT_EQ(Column(r.out, 2), QStringList({"a b.html", "index.html", "photo.jpg"}));
    EXPECT_FALSE(r.out.contains(" lst.ini"));
    EXPECT_TRUE(r.out.contains("\t" + th.File("log/R/h/日本 語%#") + "\t"));
    EXPECT_TRUE(r.err.contains("「korvi web」の検索結果は「3」件です。"));

    const Result ext = RunCli(th, {"search", "--filter", "in", "--ext", ",jpg,", "log/R"});
    ASSERT_EQ(ext.code, 0);
    EXPECT_EQ(Column(ext.out, 2), QStringList({"photo.jpg"}));
    EXPECT_EQ(Column(ext.out, 1), QStringList({""}));

    EXPECT_EQ(RunCli(th, {"search", "--filter", "some", "log/R"}).code, 2);
    EXPECT_EQ(RunCli(th, {"search", "--kb", "x", "log/R"}).code, 2);
    const Result missing = RunCli(th, {"search", "--words", "a", "nowhere"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains("フォルダが見つかりません。"));
}

TEST(ToolCli, RankListsLinkedUrls) {
    test::TempHome th;
    CrawledStore(th);
    const Result r = RunCli(th, {"rank", "--kind", "all", "log/R"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.at(0), "No\t評価\tタイトル\tURL\t拡張子");
    EXPECT_EQ(lines.at(1), "1\t1\ttop\thttp://h/\t-");
    EXPECT_EQ(lines.at(2), "2\t1\tphoto\thttp://h/pic/photo.jpg\tjpg");
    EXPECT_EQ(lines.at(3), "3\t1\t日本\thttp://h/日本 語%25/a b.html\thtml");
    const Result out = RunCli(th, {"rank", "--kind", "out", "log/R"});
    EXPECT_EQ(Column(out.out, 3), QStringList({"http://h/pic/photo.jpg"}));
    EXPECT_EQ(RunCli(th, {"rank", "--title", "best", "log/R"}).code, 2);
}

TEST(ToolCli, FolderListAndReportKeepDifficultNames) {
    test::TempHome th;
    CrawledStore(th);
    th.Write("rec.sh", "printf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened.txt\"\n");
    const QString opener = "/bin/sh \"" + th.File("rec.sh") + "\"";
    const Result list = RunCli(th, {"fldr-list", "log/R/h"}, opener);
    ASSERT_EQ(list.code, 0) << list.err.toStdString();
    const QString page = th.File("log/R/h/out_fldr_list.html");
    EXPECT_EQ(list.out.trimmed(), page);
    const QString html = QString::fromUtf8(th.Read("log/R/h/out_fldr_list.html"));
    const QString fileUri =
        QUrl::fromLocalFile(th.File("log/R/h/日本 語%#/a b.html")).toString(QUrl::FullyEncoded);
    EXPECT_TRUE(html.contains("<A HREF=\"" + fileUri + "\">a b.html</A>"));
    EXPECT_TRUE(html.contains(">日本 語%#</A>"));
    EXPECT_TRUE(html.contains("charset=UTF-8"));
    EXPECT_EQ(Opened(th, page).trimmed(), page);

    th.Write("run.tsv",
             "No\t状態\t結果\t深度\t周辺文\t見出し\tURL\tサイズ\tDL長\t予定長\t拡張子\t参照元\n"
             "1\t100\t一致\t1\tKorvi collects\tTop <page>\thttp://h/\t1\t1\t1\t-\t\n"
             "2\t100\t一致\t2\t日本語の\\tweb\t日本 語%#\thttp://h/日本 語%#/a b.html\t1\t1\t1\t"
             "html\thttp://h/\n");
    const Result rep =
        RunCli(th, {"report", "--type", "デフォルト", "--title", "報告 #1 50%", "run.tsv"}, opener);
    ASSERT_EQ(rep.code, 0) << rep.err.toStdString();
    const QString doc = th.File("report/報告 #1 50%/body.html");
    EXPECT_EQ(rep.out.trimmed(), doc);
    const QString text = QString::fromUtf8(th.Read("report/報告 #1 50%/body.html"));
    EXPECT_TRUE(text.contains("<TITLE>報告 #1 50%</TITLE>"));
    EXPECT_TRUE(text.contains(">日本 語%#</A>"));
    EXPECT_TRUE(text.contains("日本語の\tweb"));
    EXPECT_TRUE(text.contains("Top &lt;page&gt;"));
    EXPECT_TRUE(text.contains("<A HREF=\"http://h/\">Top &lt;page&gt;</A>"));
    EXPECT_TRUE(Opened(th, doc).contains(doc));

    const Result bad = RunCli(th, {"report", "--type", "無い", "--title", "x", "run.tsv"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_TRUE(bad.err.contains("出力形式ファイルが見つかりませんでした。"));
    EXPECT_EQ(RunCli(th, {"report", "--title", "x", "run.tsv"}).code, 2);
}

// korvi-run index reads new files once and tells what it did; a search gives
// the same table with the index as without it.
TEST(ToolCli, IndexCommandAndSearchWithoutIndex) {
    test::TempHome th;
    CrawledStore(th);
    // Files changed a moment ago are read again until they settle.
    const time_t old = time(nullptr) - 86400;
    const struct utimbuf times = {old, old};
    QDirIterator it(th.File("log"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) ASSERT_EQ(::utime(QFile::encodeName(it.next()).constData(), &times), 0);

    const auto cells = [](const Result& r) {
        return r.out.split('\n', Qt::SkipEmptyParts).value(1).split('\t');
    };
    const Result first = RunCli(th, {"index", "log"});
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    EXPECT_EQ(first.out.split('\n').first(),
              QStringLiteral("フォルダ\tファイル数\t追加\t更新\t削除\t変更なし\t作り直し"));
    EXPECT_EQ(cells(first).mid(1), (QStringList{"4", "4", "0", "0", "0", "いいえ"}));
    EXPECT_EQ(cells(RunCli(th, {"index"})).mid(1),
              (QStringList{"4", "0", "0", "0", "4", "いいえ"}));
    QFile::remove(th.File("log/R/h/q.cgi_/00000000.cgi"));
    EXPECT_EQ(cells(RunCli(th, {"index", "log"})).mid(1),
              (QStringList{"3", "0", "0", "1", "3", "いいえ"}));

    for (const char* words : {"korvi web", "日本語", "web -korvi", "ko.vi"}) {
        const Result indexed = RunCli(th, {"search", "--words", words, "log/R"});
        const Result scanned = RunCli(th, {"search", "--no-index", "--words", words, "log/R"});
        EXPECT_EQ(indexed.code, scanned.code) << words;
        EXPECT_EQ(indexed.out, scanned.out) << words;
    }
    EXPECT_EQ(Column(RunCli(th, {"search", "--words", "korvi web", "log/R"}).out, 2),
              (QStringList{"a b.html", "index.html", "photo.jpg"}));

    EXPECT_EQ(cells(RunCli(th, {"index", "--rebuild", "log"})).mid(1),
              (QStringList{"3", "3", "0", "0", "0", "はい"}));
    EXPECT_EQ(RunCli(th, {"index", "log", "log/R"}).code, 2);
    EXPECT_EQ(RunCli(th, {"index", "--fast", "log"}).code, 2);
    EXPECT_EQ(RunCli(th, {"index", "nowhere"}).code, 1);
}
