#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QUrl>

#include "ToolStore.h"
#include "store/TextCodec.h"
#include "tools/LogSrch.h"

using namespace korvi;

namespace {

struct Seen {
    QStringList titles, texts, progress, opened;
};

std::unique_ptr<LogSrch> MkSrch(test::TempHome& th, Seen* s) {
    return std::make_unique<LogSrch>(
        th.Ctrl(), th.Ctx().Match(),
        [s](const QString& t, const QString& x) {
            s->titles.append(t);
            s->texts.append(x);
        },
        [s](const QString& p) { s->progress.append(p); },
        [s](const QString& target) {
            s->opened.append(target);
            return true;
        });
}

QByteArray Png() {
    QByteArray b("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0", 29);
    return b + QByteArray(200, '\x01');
}

// A store in the crawler's layout: pages, list files, query files, a picture.
void Store(test::TempHome& th) {
    th.Write("log/R/h/index.html",
             "<html><body>Alpha and BETA here</body></html>" + test::FootTag("", "http://h/"));
    th.Write("log/R/h/index.html lst.ini",
             "[BaseData]\np_url=http://h/\np_title=alpha beta\n\n[AllLinks]\nlink_no=0\n");
    th.Write("log/R/h/dir/only.htm",
             "<p>alpha alone</p>" + test::FootTag("http://h/", "http://h/dir/only.htm"));
    th.Write("log/R/h/s.cgi_/00000000.cgi", "beta then alpha");
    th.Write("log/R/h/s.cgi_/cgi%%q.txt", "x=alpha beta\n");
    th.Write("log/R/h/img/pic.png",
             Png() + test::FootTag("http://h/alpha.html", "http://h/img/beta.png"));
    th.Write("log/R/h/img/bare.png", Png());
    th.Write("log/R/h/日本 語%#/ページ 1#.html", QByteArray("日本語 alpha beta"));
}

QStringList Found(const std::vector<SrchRow>& rows, const QString& base) {
    QStringList out;
    for (const SrchRow& r : rows)
        out.append(QDir(base).relativeFilePath(r.path + "/" + r.fileName));
    out.sort();
    return out;
}

}  // namespace

TEST(LogSrch, FindsExactlyTheFilesHoldingTheWords) {
    test::TempHome th;
    Store(th);
    Seen seen;
    auto srch = MkSrch(th, &seen);
    SrchRequest r;
    r.folder = th.File("log/R");
    r.words = "alpha beta";
    srch->Run(r);
    const std::vector<SrchRow> rows = srch->Rows();
    EXPECT_EQ(Found(rows, r.folder),
              QStringList({"h/img/pic.png", "h/index.html", "h/s.cgi_/00000000.cgi",
                           "h/s.cgi_/cgi%%q.txt", "h/日本 語%#/ページ 1#.html"}));
    for (const SrchRow& row : rows) {
        EXPECT_FALSE(row.fileName.contains(" lst.ini"));
        if (row.fileName == "index.html") {
            EXPECT_TRUE(row.text.startsWith("Alpha and BETA"));
            EXPECT_EQ(row.extension, "html");
        }
        if (row.fileName == "ページ 1#.html") {
            EXPECT_EQ(row.path, th.File("log/R/h/日本 語%#"));
            EXPECT_EQ(row.extension, "html");
        }
        if (row.fileName == "pic.png") {
            EXPECT_TRUE(row.text.startsWith("alpha.html"));
        }
        if (row.fileName == "cgi%%q.txt") {
            EXPECT_EQ(row.extension, "txt");
        }
    }
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].no, 1);
    EXPECT_EQ(rows[4].no, 5);

    // Case matters when asked.
    r.caseInsensitive = false;
    srch->Run(r);
    EXPECT_EQ(Found(srch->Rows(), r.folder).size(), 4);
}

TEST(LogSrch, FiltersByExtensionAndSize) {
    test::TempHome th;
    th.Write("d/a.html", QByteArray(999, 'a'));
    th.Write("d/b.HTM", QByteArray(1000, 'a'));
    th.Write("d/noext", QByteArray(30000, 'a'));
    th.Write("d/c.jpg", QByteArray(45000, 'a'));
    th.Write("d/d.php3", QByteArray(10, 'a'));
    Seen seen;
    auto srch = MkSrch(th, &seen);
    SrchRequest r;
    r.folder = th.File("d");
    const auto run = [&]() {
        srch->Run(r);
        return Found(srch->Rows(), r.folder);
    };
    EXPECT_EQ(run(), QStringList({"a.html", "b.HTM", "c.jpg", "d.php3", "noext"}));
    r.filter = FltMode::In;
    r.filterText = "html,htm,-,php,";  // the first entry has no comma before it
    EXPECT_EQ(run(), QStringList({"b.HTM", "d.php3", "noext"}));
    r.filterText = "-,html,JPG,>40";
    EXPECT_EQ(run(), QStringList({"a.html", "c.jpg"}));
    r.filterText = "-,html,jpg,>50";
    EXPECT_EQ(run(), QStringList({"a.html"}));
    r.filter = FltMode::Out;
    EXPECT_EQ(run(), QStringList({"b.HTM", "c.jpg", "d.php3", "noext"}));
    r.filter = FltMode::All;
    r.size = SizeMode::Up;
    r.sizeKb = 0;
    EXPECT_EQ(run().size(), 5);
    r.sizeKb = 1;
    EXPECT_EQ(run(), QStringList({"b.HTM", "c.jpg", "noext"}));
    r.size = SizeMode::Down;
    r.sizeKb = 0;
    EXPECT_EQ(run(), QStringList({"a.html", "d.php3"}));  // 999 bytes are 0 KB

    EXPECT_TRUE(ExtListLookup(",jpg,<10,", "jpg", 9));
    EXPECT_FALSE(ExtListLookup(",jpg,<10,", "jpg", 10));
    EXPECT_TRUE(ExtListLookup(",jpg,<10,", "jpg", -1));
    EXPECT_FALSE(ExtListLookup("", "jpg", 1));
    EXPECT_FALSE(ExtListLookup(",jpg,", "", 1));
}

TEST(LogSrch, CountsReportsAndExtracts) {
    test::TempHome th;
    Store(th);
    Seen seen;
    auto srch = MkSrch(th, &seen);
    SrchRequest r;
    r.folder = th.File("log/R");
    r.filter = FltMode::In;
    r.filterText = ",png,";
    srch->Run(r);  // no words: extract
    EXPECT_EQ(Found(srch->Rows(), r.folder), QStringList({"h/img/bare.png", "h/img/pic.png"}));
    for (const SrchRow& row : srch->Rows()) EXPECT_EQ(row.text, "");
    EXPECT_EQ(srch->FolderCount(), 6);
    EXPECT_EQ(srch->FileCount(), 8);  // the list file is counted, never listed
    qint64 bytes = 0;
    for (const char* f :
         {"h/index.html", "h/index.html lst.ini", "h/dir/only.htm", "h/s.cgi_/00000000.cgi",
          "h/s.cgi_/cgi%%q.txt", "h/img/pic.png", "h/img/bare.png", "h/日本 語%#/ページ 1#.html"}) {
        bytes += QFileInfo(th.File("log/R/" + QString::fromUtf8(f))).size();
    }
    EXPECT_EQ(srch->ByteCount(), bytes);
    EXPECT_EQ(seen.titles.last(), QStringLiteral("検索終了"));
    EXPECT_EQ(
        seen.texts.last(),
        "検索が終了しました。\n\n「」の検索結果は「2」件です。\n\n検索したログは以下の通りです。"
        "\n\n・検索ディレクトリ数\t： 6 個\n・検索ファイル数\t： 8 "
        "個\n・検索ファイル・サイズ\t： " +
            QString::number(bytes / 1000) + " KB\n\n検索時間は 0 秒 でした。");
    EXPECT_EQ(seen.progress.first(), QStringLiteral("  検索ディレクトリ数 = 1  0 秒 "));
    EXPECT_EQ(seen.progress.last(), QStringLiteral("  end : 検索ディレクトリ数 = 6"));
}

TEST(LogSrch, RowActionsUseTheTrailerTag) {
    test::TempHome th;
    Store(th);
    Seen seen;
    auto srch = MkSrch(th, &seen);
    EXPECT_FALSE(srch->ShowTagInfo(0));
    EXPECT_EQ(seen.titles.last(), QStringLiteral("情報表示警告"));
    EXPECT_EQ(seen.texts.last(), QStringLiteral("リストが空か、選択されていません。"));
    EXPECT_FALSE(srch->SaveFiles({}, th.File("saved")));
    EXPECT_EQ(seen.titles.last(), QStringLiteral("保存警告"));

    SrchRequest r;
    r.folder = th.File("log/R/h/img");
    srch->Run(r);
    ASSERT_EQ(srch->Rows().size(), 2u);
    const int bare = srch->Rows()[0].fileName == "bare.png" ? 0 : 1;
    const int pic = 1 - bare;

    EXPECT_FALSE(srch->ShowTagInfo(bare));
    EXPECT_EQ(seen.texts.last(), QStringLiteral("選択したファイルに末尾タグがありません。"));
    EXPECT_TRUE(srch->ShowTagInfo(pic));
    EXPECT_EQ(seen.titles.last(), QStringLiteral("情報表示"));
    EXPECT_TRUE(seen.texts.last().startsWith("<?xml-qorn \ntag_ver=\"1.00\" \n"));
    EXPECT_TRUE(seen.texts.last().endsWith("?>"));

    EXPECT_FALSE(srch->OpenUrl(bare));
    EXPECT_EQ(seen.titles.last(), QStringLiteral("URLを開く警告"));
    EXPECT_TRUE(srch->OpenRef(pic));
    EXPECT_TRUE(srch->OpenUrl(pic));
    EXPECT_EQ(seen.opened, QStringList({"http://h/alpha.html", "http://h/img/beta.png"}));

    const QString tip = srch->RowToolTip(pic);
    EXPECT_EQ(tip.toStdString(),
              "<HTML><BODY><TABLE BORDER=0 WIDTH=300><TR><TD>tag_ver=\"1.00\" <BR>"
              "dl_ref=\"http://h/alpha.html\" <BR>dl_src=\"http://h/img/beta.png\" <BR>"
              "dl_time=\"2006/03/09 - 07:05:02\" </TD></TR></TABLE></BODY></HTML>");
    EXPECT_EQ(srch->RowToolTip(bare), "");
    EXPECT_TRUE(LogSrch::IsPicture(srch->Rows()[size_t(pic)].extension));
    EXPECT_TRUE(LogSrch::IsPicture("GIF"));
    EXPECT_FALSE(LogSrch::IsPicture("jpeg"));
    EXPECT_FALSE(LogSrch::IsPicture("pg"));

    ASSERT_TRUE(srch->SaveAllFiles(th.File("saved")));
    EXPECT_EQ(th.Read("saved/pic.png"), th.Read("log/R/h/img/pic.png"));
    EXPECT_TRUE(th.Exists("saved/bare.png"));
    EXPECT_EQ(seen.titles.last(), QStringLiteral("保存終了"));
    EXPECT_EQ(seen.texts.last(), QStringLiteral("保存が終了しました。"));
}

TEST(LogSrch, TagActionsRefuseEmptyAndForeignAddresses) {
    test::TempHome th;
    th.Write("d/start.html", "<html></html>" + test::FootTag("", "http://h/start.html"));
    th.Write("d/evil.html", "<html></html>" + test::FootTag("--help", "file:///etc/passwd"));
    Seen seen;
    auto srch = MkSrch(th, &seen);
    SrchRequest r;
    r.folder = th.File("d");
    srch->Run(r);
    ASSERT_EQ(srch->Rows().size(), 2u);
    const int evil = srch->Rows()[0].fileName == "evil.html" ? 0 : 1;
    EXPECT_FALSE(srch->OpenRef(1 - evil));
    EXPECT_EQ(seen.titles.last(), QStringLiteral("DL元を開く警告"));
    EXPECT_EQ(seen.texts.last(), QStringLiteral("リンクの参照元が末尾タグにありません。"));
    EXPECT_FALSE(srch->OpenRef(evil));
    EXPECT_FALSE(srch->OpenUrl(evil));
    EXPECT_TRUE(seen.opened.isEmpty());
    const QString log = QString::fromUtf8(th.Read("log_err/R.log"));
    EXPECT_TRUE(log.contains("W_LogSrch tag_btn_ref_open_al Error : "));
    EXPECT_TRUE(log.contains("W_LogSrch tag_btn_url_open_al Error : "));
}

TEST(LogSrch, RunsOnItsOwnThreadAndOpensHighlights) {
    test::TempHome th;
    Store(th);
    Seen seen;
    auto srch = MkSrch(th, &seen);
    SrchRequest r;
    r.folder = th.File("missing");
    EXPECT_FALSE(srch->StartSrch(r));
    EXPECT_EQ(seen.titles.last(), QStringLiteral("検索警告"));
    EXPECT_EQ(seen.texts.last(), QStringLiteral("フォルダが見つかりません。"));

    r.folder = th.File("log/R/h");
    r.words = "alpha";
    ASSERT_TRUE(srch->StartSrch(r));
    srch->Wait();
    EXPECT_FALSE(srch->IsRunning());
    const std::vector<SrchRow> rows = srch->Rows();
    int index = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].fileName == "index.html") index = static_cast<int>(i);
    }
    ASSERT_GE(index, 0);
    ASSERT_TRUE(srch->OpenFile(index, true, "alpha"));
    EXPECT_EQ(seen.opened.last(), th.File("log/R/h/index_hl_korvi.html"));
    EXPECT_TRUE(QString::fromUtf8(th.Read("log/R/h/index_hl_korvi.html"))
                    .contains("<B STYLE=\"background-color:#FFCCCC\">Alpha</B>"));
    ASSERT_TRUE(srch->OpenFile(index, false, "alpha"));
    EXPECT_EQ(seen.opened.last(), th.File("log/R/h/index.html"));

    // A view takes the rows after those it holds.
    EXPECT_EQ(srch->RowCount(), static_cast<int>(rows.size()));
    EXPECT_EQ(srch->RowsFrom(1).size(), rows.size() - 1);
    EXPECT_TRUE(srch->RowsFrom(rows.size()).empty());

    // Stop ends the walk early, even when asked before the thread got going;
    // the thread still ends with its message.
    ASSERT_TRUE(srch->StartSrch(r));
    srch->Stop();
    srch->Wait();
    EXPECT_EQ(srch->FileCount(), 0);
    EXPECT_EQ(seen.titles.last(), QStringLiteral("検索終了"));
}

TEST(LogSrch, TemplateRowsCarryEncodedAddresses) {
    SrchRow row;
    row.no = 1;
    row.fileName = "ページ 1#.html";
    row.path = "/srv/log/R/h/日本 語%#";
    row.sizeKb = 2;
    row.extension = "html";
    const DocTable t = LogSrch::MkDocTable({row}, "/srv/log");
    ASSERT_EQ(t.rows.size(), 1u);
    const QString href = t.rows[0].last();
    EXPECT_EQ(href, "/R/h/" + QString::fromLatin1(QUrl::toPercentEncoding("日本 語%#")) + "/" +
                        QString::fromLatin1(QUrl::toPercentEncoding("ページ 1#.html")));
    EXPECT_FALSE(href.contains(' '));
    EXPECT_FALSE(href.contains('#'));
    EXPECT_EQ(QUrl::fromPercentEncoding(href.toLatin1()), "/R/h/日本 語%#/ページ 1#.html");
    EXPECT_EQ(t.header.last(), "^href");
}

TEST(LogSrch, WordsGoThroughTheSharedMatcher) {
    test::TempHome th;
    Store(th);
    Seen seen;
    auto srch = MkSrch(th, &seen);
    SrchRequest r;
    r.folder = th.File("log/R");
    const auto run = [&](const QString& words) {
        r.words = words;
        srch->Run(r);
        return Found(srch->Rows(), r.folder);
    };
    // Exclusions rule a file out; the picture's tag names beta.png.
    EXPECT_EQ(run("alpha -beta"), QStringList({"h/dir/only.htm"}));
    // An alternative joins the group before it.
    EXPECT_EQ(run("gamma |alpha beta"), run("alpha beta"));
    EXPECT_EQ(run("gamma |alpha beta").size(), 5);
    EXPECT_EQ(run("alpha -gamma |beta"), QStringList({"h/dir/only.htm"}));
    // Only the trailer tag of the picture holds its source address.
    EXPECT_EQ(run("img/beta.png"), QStringList({"h/img/pic.png"}));
    for (const SrchRow& row : srch->Rows()) EXPECT_TRUE(row.text.startsWith("img/beta.png"));
    // Words of a list file are never found through it.
    EXPECT_EQ(run("p_title"), QStringList());
    EXPECT_EQ(run("alpha"), QStringList({"h/dir/only.htm", "h/img/pic.png", "h/index.html",
                                         "h/s.cgi_/00000000.cgi", "h/s.cgi_/cgi%%q.txt",
                                         "h/日本 語%#/ページ 1#.html"}));

    // The matcher's search type: words are patterns (0) or literals (2).
    th.Ctx().Match().SetSearchType(0);
    EXPECT_EQ(run("alph. alon."), QStringList({"h/dir/only.htm"}));
    th.Ctx().Match().SetSearchType(2);
    EXPECT_EQ(run("alph. alon."), QStringList());
    EXPECT_EQ(run("alpha alone"), QStringList({"h/dir/only.htm"}));
    EXPECT_EQ(run("alone alpha"), QStringList({"h/dir/only.htm"}));
    th.Ctx().Match().SetSearchType(3);  // the whole string is one literal
    EXPECT_EQ(run("alone alpha"), QStringList());
    EXPECT_EQ(run("alpha alone"), QStringList({"h/dir/only.htm"}));
    EXPECT_EQ(run("and BETA"), QStringList({"h/index.html"}));
    r.caseInsensitive = false;
    EXPECT_EQ(run("and beta"), QStringList());
}

namespace {

// A store of every kind of file the walk meets, with the words in many
// places and cases.
void MixedStore(test::TempHome& th) {
    QRandomGenerator rng(3);
    const QStringList pieces = {
        "Korvi", "korvi", "KORVI", "zebra", "Zebra", "kor<b>vi</b>", "<a href=\"korvi.html\">",
        "zeb\r\nra", "  ", " ", "|", "\t", "検索", "ウェブ", "x.y", "xzy", "<p>", "</p>", "ab\\-c",
        "\u212Aorvi",
        // Markup that the search text decodes or drops.
        "&lt;korvi&gt;", "ko&#114;vi", "<script>korvi</script>", "kor\nvi", "<html>"};
    for (int i = 0; i < 60; ++i) {
        QString page;
        const int n = 1 + int(rng.bounded(25));
        for (int k = 0; k < n; ++k) page += pieces[rng.bounded(int(pieces.size()))];
        const QString dir = "log/R/m/d" + QString::number(i % 4) + "/";
        QByteArray bytes;
        switch (i % 6) {
            case 0:
                bytes = page.toUtf8();
                break;
            case 1:
                bytes = "\xEF\xBB\xBF" + page.toUtf8();
                break;
            case 2:
                bytes = EncodeAs(page, "windows-31j");
                break;
            case 3:
                bytes = EncodeAs(page, "EUC-JP");
                break;
            case 4:
                bytes = page.toUtf8() + test::FootTag("http://h/korvi.html", "http://h/p");
                break;
            default:
                bytes = EncodeAs(page, "ISO-2022-JP");
                break;
        }
        th.Write(dir + "p" + QString::number(i) + ".html", bytes);
        // Pictures: found only through their tags, if at all.
        const QString src = "http://h/" + pieces[rng.bounded(int(pieces.size()))];
        th.Write(dir + "i" + QString::number(i) + ".png",
                 Png() + (i % 3 ? test::FootTag("", src) : QByteArray()));
        if (i % 5 == 0) th.Write(dir + "p" + QString::number(i) + ".html lst.ini", bytes);
        // Valid UTF-8 that is still no text: only its tag counts.
        th.Write(dir + "c" + QString::number(i) + ".dat",
                 QByteArray(i % 2 ? 300 : 2, '\x01') + page.toUtf8() +
                     test::FootTag(pieces[rng.bounded(int(pieces.size()))], src));
    }
}

QStringList RowLines(const std::vector<SrchRow>& rows) {
    QStringList out;
    for (const SrchRow& r : rows) {
        out.append(QString::number(r.no) + "|" + r.text + "|" + r.fileName + "|" + r.path + "|" +
                   QString::number(r.sizeKb) + "|" + r.extension);
    }
    return out;
}

}  // namespace

TEST(LogSrch, ByteTestNeverChangesTheRows) {
    test::TempHome th;
    MixedStore(th);
    Seen seen;
    auto srch = MkSrch(th, &seen);
    SrchRequest r;
    r.folder = th.File("log/R");
    int withRows = 0;
    int runs = 0;
    for (const char* w :
         {"korvi", "korvi zebra", "zebra -korvi", "検索 |ウェブ korvi", "x.y", "k.rvi", "ab\\-c",
          "kor", "zebra -(", "-zebra", "korvi.html", "ウェブ", "<korvi>", "korvi\\ zebra"}) {
        for (int type = 0; type < 4; ++type) {
            for (bool ci : {true, false}) {
                th.Ctx().Match().SetSearchType(type);
                const QString words = QString::fromUtf8(w);
                r.words = words;
                r.caseInsensitive = ci;
                srch->SetPrefilter(false);
                srch->Run(r);
                const QStringList plain = RowLines(srch->Rows());
                srch->SetPrefilter(true);
                srch->Run(r);
                ASSERT_EQ(RowLines(srch->Rows()), plain)
                    << words.toStdString() << " type " << type << " ci " << ci;
                withRows += plain.isEmpty() ? 0 : 1;
                ++runs;
                for (const QString& line : plain) EXPECT_FALSE(line.contains(" lst.ini"));
            }
        }
    }
    // Most searches find something and some find nothing.
    EXPECT_GT(withRows, runs / 2);
    EXPECT_LT(withRows, runs);
}

TEST(LogSrch, ContextIsTheTextAReaderSees) {
    test::TempHome th;
    // A page as the crawler stores it, with the links it adds.
    th.Write("log/R/h/doc.html",
             "<html><head><style>.grammar{}</style></head><body>\n"
             "<p>The grammar takes an &lt;expr&gt; &#187; and\nconcurrent "
             "<A HREF=\"next.html\">parts</A><FONT SIZE=1>(<A HREF=\"http://h/next.html\">@Web"
             "</A>)</FONT><FONT SIZE=1>(<A HREF=\"next.html\">@Local</A>)</FONT> follow.</p>\n"
             "<img alt=\"hidden-word\" src=\"x.png\"></body></html>\n");
    Seen seen;
    auto srch = MkSrch(th, &seen);
    SrchRequest r;
    r.folder = th.File("log/R");
    th.Ctx().Match().SetSearchType(3);
    for (bool byteTest : {false, true}) {
        srch->SetPrefilter(byteTest);
        r.words = "<expr>";
        srch->Run(r);
        ASSERT_EQ(srch->Rows().size(), 1u) << byteTest;
        EXPECT_EQ(srch->Rows()[0].text,
                  QStringLiteral("<expr> \u00BB and concurrent parts follow."));
        r.words = "and concurrent";
        srch->Run(r);
        EXPECT_EQ(srch->Rows().size(), 1u) << byteTest;
        for (const char* absent : {"hidden-word", "@Web", "@Local", "grammar{", "andconcurrent"}) {
            r.words = absent;
            srch->Run(r);
            EXPECT_TRUE(srch->Rows().empty()) << absent << " " << byteTest;
        }
    }
}

TEST(LogSrch, CommandLineTakesTheCommonSearchType) {
    test::TempHome th;
    Store(th);
    const auto run = [&](const QStringList& args) {
        QProcess p;
        p.setWorkingDirectory(th.Path());
        p.start(test::TempHome::BinDir() + "/korvi-run",
                QStringList{"--home", th.Path(), "search"} + args + QStringList{"log/R"});
        p.waitForFinished(60000);
        const QStringList lines =
            QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        return lines.size() - 1;  // rows below the header
    };
    // Without common settings the words are patterns.
    EXPECT_EQ(run({"--words", "alph. alon."}), 1);
    EXPECT_EQ(run({"--words", "ALPHA -beta"}), 1);
    EXPECT_EQ(run({"--words", "ALPHA -beta", "--case-sensitive"}), 0);
    th.Write("cmn_opt.ini", "[CommonOption]\nsearch_type=2\n");
    EXPECT_EQ(run({"--words", "alph. alon."}), 0);
    EXPECT_EQ(run({"--words", "alpha alone"}), 1);
    th.Write("cmn_opt.ini", "[CommonOption]\nsearch_type=1\n");
    EXPECT_EQ(run({"--words", "alph. alon."}), 1);  // one pattern with a blank
}

// The search stays inside the searched folder: a link to a file outside is
// not read, a link to a file inside is. A file over the size limit is not
// read at all (logged), and a run's lock file never shows.
TEST(LogSrch, StaysInsideTheFolderAndSkipsHugeFiles) {
    test::TempHome th;
    th.Write("secret/passwd.txt", "root secret word\n");
    th.Write("log/R/h/page.html", "<p>secret word here</p>\n");
    th.Write("log/R/.korvi-run.lock", "1\n");
    ASSERT_TRUE(QFile::link(th.File("secret/passwd.txt"), th.File("log/R/h/out.txt")));
    ASSERT_TRUE(QFile::link(th.File("log/R/h/page.html"), th.File("log/R/h/in.html")));
    ASSERT_TRUE(QFile::link(th.File("secret"), th.File("log/R/h/dir")));
    QFile big(th.File("log/R/h/big.txt"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(LogSrch::kFileMax + 1));
    big.close();

    Seen seen;
    auto srch = MkSrch(th, &seen);
    SrchRequest r;
    r.folder = th.File("log/R");
    r.words = "secret";
    srch->Run(r);
    EXPECT_EQ(Found(srch->Rows(), r.folder), QStringList({"h/in.html", "h/page.html"}));
    EXPECT_TRUE(QString::fromUtf8(th.Read("log_err/R.log"))
                    .contains("W_LogSrch Srch Error : file too large to search"));
    r.words.clear();
    srch->Run(r);
    EXPECT_FALSE(Found(srch->Rows(), r.folder).join(" ").contains(".korvi-run.lock"));
    EXPECT_FALSE(Found(srch->Rows(), r.folder).contains("h/out.txt"));
}

// Names that are not valid UTF-8 (stores copied from other tools): listed,
// counted and searched, shown with replacement characters, and every row
// action still reaches the file through its bytes.
TEST(LogSrch, NamesThatAreNotUtf8AreListedAndReached) {
    test::TempHome th;
    const QString root = th.File("log/R"), out = th.File("out");
    const test::RawTreeRemover removeLog{th.File("log")}, removeOut{out};
    const QByteArray page = "<html>needle</html>" + test::FootTag("", "http://h/bad.html");
    ASSERT_TRUE(test::WriteRaw(root, "bad\xff.html", page));
    ASSERT_TRUE(test::WriteRaw(root, "d\xe9/in.txt", "needle"));
    ASSERT_TRUE(test::WriteRaw(out, "bad\xff.html", "old"));
    th.Write("log/R/ok.txt", "no");
    Seen seen;
    auto srch = MkSrch(th, &seen);
    for (int threads : {1, 2}) {
        srch->SetThreads(threads);
        srch->Run({root, "needle"});
        EXPECT_EQ(srch->FileCount(), 3);
        const std::vector<SrchRow> rows = srch->Rows();
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].fileName, "bad\uFFFD.html");
        EXPECT_EQ(rows[1].path, root + "/d\uFFFD");
    }
    ASSERT_TRUE(srch->ShowTagInfo(0));
    EXPECT_FALSE(srch->RowToolTip(0).isEmpty());
    ASSERT_TRUE(srch->OpenUrl(0));
    // Open hands over a file URI of the bytes; the marked copy goes beside
    // the file, but never into a folder made up from a shown name.
    ASSERT_TRUE(srch->OpenFile(0, false, "needle"));
    EXPECT_TRUE(seen.opened.last().endsWith("/log/R/bad%FF.html"));
    ASSERT_TRUE(srch->OpenFile(0, true, "needle"));
    EXPECT_TRUE(th.Read("log/R/bad\uFFFD_hl_korvi.html").contains("needle</B>"));
    ASSERT_TRUE(srch->OpenFile(1, true, "needle"));
    EXPECT_TRUE(seen.opened.last().endsWith("/log/R/d%E9/in.txt"));
    EXPECT_FALSE(th.Exists("log/R/d\uFFFD"));
    // Saving copies the bytes under the same name, replacing an older copy.
    ASSERT_TRUE(srch->SaveAllFiles(out));
    EXPECT_EQ(test::ReadRaw(out, "bad\xff.html"), page);
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList{"in.txt"});
    const DocTable t = LogSrch::MkDocTable(srch->Rows(), th.File("log"));
    EXPECT_EQ(t.rows[0].last(), "/R/bad%FF.html");
    EXPECT_EQ(th.ErrLog(), "");
}
