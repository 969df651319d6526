#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QUrl>

#include "fixtures/TempHome.h"
#include "tools/FldrLst.h"

using namespace korvi;

TEST(FldrLst, WritesThePageAsLaidOut) {
    test::TempHome th;
    th.Write("site/a.txt", QByteArray(0, 'x'));
    th.Write("site/b.txt", QByteArray(1024, 'x'));
    th.Write("site/s1/c.html", QByteArray(1023, 'x'));
    th.Write("site/s1/s2/d.html", "x");
    th.Write("site/s3/e.gif", "x");
    FldrLst list(th.Ctrl());
    const QString page = list.MkPage(th.File("site"));
    const QString dir = th.File("site");
    const auto uri = [](const QString& p) {
        return QUrl::fromLocalFile(p).toString(QUrl::FullyEncoded);
    };
    const QString expected =
        "<HTML LANG=\"ja\">\n<TITLE>site</TITLE>\n"
        "<META HTTP-EQUIV=\"Content-type\" CONTENT=\"text/html; charset=UTF-8\">\n"
        "<!-- あ(MOJIBAKE TAISAKU) -->\n<TITLE>site</TITLE>\n";
    EXPECT_TRUE(page.startsWith(expected));
    EXPECT_TRUE(page.contains("<SCRIPT language=\"JavaScript\">\n//<!--\nfunction change(id, t)"));
    EXPECT_TRUE(page.contains("//-->\n</SCRIPT>\n<BODY>\n<H1>site</H1>\n<UL>\n"));
    const QString body =
        "<LI><A HREF=\"" + uri(dir + "/a.txt") +
        "\">a.txt</A>　（1 KB）\n"
        "<LI><A HREF=\"" +
        uri(dir + "/b.txt") +
        "\">b.txt</A>　（2 KB）\n"
        "<LI>[<A HREF=\"javascript:void(0)\" onclick=\"change('fldr1',this)\">－</A>] "
        "<A HREF=\"" +
        uri(dir + "/s1") +
        "\">s1</A>\n<UL id=\"fldr1\">\n"
        "<LI><A HREF=\"" +
        uri(dir + "/s1/c.html") +
        "\">c.html</A>　（1 KB）\n"
        "<LI>[<A HREF=\"javascript:void(0)\" onclick=\"change('fldr2',this)\">－</A>] "
        "<A HREF=\"" +
        uri(dir + "/s1/s2") +
        "\">s2</A>\n<UL id=\"fldr2\">\n"
        "<LI><A HREF=\"" +
        uri(dir + "/s1/s2/d.html") +
        "\">d.html</A>　（1 KB）\n"
        "</UL>\n</UL>\n"
        "<LI>[<A HREF=\"javascript:void(0)\" onclick=\"change('fldr3',this)\">－</A>] "
        "<A HREF=\"" +
        uri(dir + "/s3") +
        "\">s3</A>\n<UL id=\"fldr3\">\n"
        "<LI><A HREF=\"" +
        uri(dir + "/s3/e.gif") +
        "\">e.gif</A>　（1 KB）\n"
        "</UL>\n"
        "</UL>\n<BR>\nフォルダの数 ： 3<BR>\nファイルの数 ： 5<BR>\n<BR>\n</BODY>\n</HTML>\n";
    EXPECT_TRUE(page.endsWith(body)) << page.toStdString();
    EXPECT_EQ(list.Folders(), 3);
    EXPECT_EQ(list.Files(), 5);
}

TEST(FldrLst, NamesWithJapaneseBlanksPercentAndHashSurvive) {
    test::TempHome th;
    th.Write("root/日本 語%#/ファイル 1%#.html", "x");
    th.Write("root/<b>&.txt", "x");
    QStringList titles, texts, opened;
    bool doneAfterOpen = false;  // the page is written and opened before it is reported
    FldrLst list(
        th.Ctrl(),
        [&](const QString& t, const QString& x) {
            titles.append(t);
            texts.append(x);
            doneAfterOpen = th.Exists("root/out_fldr_list.html") && !opened.isEmpty();
        },
        [&](const QString& p) {
            opened.append(p);
            return true;
        });
    const QString path = list.MkFldrLstHtml(th.File("root"));
    ASSERT_EQ(path, th.File("root/out_fldr_list.html"));
    EXPECT_EQ(opened, QStringList{path});
    EXPECT_EQ(titles, QStringList{"解析終了"});
    EXPECT_TRUE(doneAfterOpen);
    EXPECT_EQ(texts.value(0), "フォルダの中身をHTMLでリスト化し終えました。「" + th.File("root") +
                                  "」には、 1 個のフォルダと、 2 個のファイルが存在しました。");
    const QString page = QString::fromUtf8(th.Read("root/out_fldr_list.html"));
    // Every href is a file URI that resolves back to the very path.
    const QRegularExpression href("HREF=\"(file:[^\"]*)\"");
    QStringList back;
    for (auto it = href.globalMatch(page); it.hasNext();) {
        const QString u = it.next().captured(1);
        EXPECT_FALSE(u.contains(' ')) << u.toStdString();
        EXPECT_FALSE(u.contains('#')) << u.toStdString();
        back.append(QUrl(u).toLocalFile());
    }
    EXPECT_TRUE(back.contains(th.File("root/日本 語%#/ファイル 1%#.html")));
    EXPECT_TRUE(back.contains(th.File("root/日本 語%#")));
    EXPECT_TRUE(back.contains(th.File("root/<b>&.txt")));
    EXPECT_TRUE(page.contains(">ファイル 1%#.html</A>"));
    EXPECT_TRUE(page.contains(">日本 語%#</A>"));
    EXPECT_TRUE(page.contains(">&lt;b&gt;&amp;.txt</A>"));

    // A second run lists the page of the first.
    list.MkFldrLstHtml(th.File("root"));
    EXPECT_EQ(list.Files(), 3);
    EXPECT_TRUE(
        QString::fromUtf8(th.Read("root/out_fldr_list.html")).contains(">out_fldr_list.html</A>"));

    EXPECT_EQ(list.MkFldrLstHtml(th.File("none")), "");
    EXPECT_TRUE(QString::fromUtf8(th.Read("log_err/R.log"))
                    .contains("KorviMnLogf MkFldrLstHtml Exec Error : "));
}
