#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fixtures/TempHome.h"
#include "store/TextCodec.h"

using korvi::CtrlFile;
using korvi::test::TempHome;

namespace {

const QString kDefaultList = "-,html,htm,shtml,txt,cgi,php,asp,jpg,gif,png,swf";

}  // namespace

TEST(FootTag, TextIsExactlyTwelveLines) {
    const QString tag =
        CtrlFile::MkFootTag("http://r/", "http://s/a.html", "2006/03/09 - 07:05:02", "メモ \"q\"");
    EXPECT_EQ(tag,
              "\n<?xml-qorn \n"
              "tag_ver=\"1.00\" \n"
              "dl_ref=\"http://r/\" \n"
              "dl_src=\"http://s/a.html\" \n"
              "dl_time=\"2006/03/09 - 07:05:02\" \n"
              "dl_cmnt=\"メモ \"q\"\" \n"
              "author=\"\" \n"
              "athr_url=\"\" \n"
              "athr_e-mail=\"\" \n"
              "athr_ver=\"\" \n"
              "athr_date=\"\" \n"
              "athr_file-name=\"\" \n"
              "athr_cmnt=\"\" \n"
              "?>");
}

TEST(FootTag, AppliesOnlyInsideCommas) {
    EXPECT_TRUE(CtrlFile::FootTagApplies("0", kDefaultList, "html"));
    EXPECT_TRUE(CtrlFile::FootTagApplies("0", kDefaultList, "HTM"));
    EXPECT_TRUE(CtrlFile::FootTagApplies("0", kDefaultList, "php4"));
    EXPECT_TRUE(CtrlFile::FootTagApplies("0", kDefaultList, "png"));
    EXPECT_TRUE(CtrlFile::FootTagApplies("0", "-,HTML,", "html"));
    // The first and last entries have no comma on one side.
    EXPECT_FALSE(CtrlFile::FootTagApplies("0", kDefaultList, "swf"));
    EXPECT_FALSE(CtrlFile::FootTagApplies("0", kDefaultList, "-"));
    EXPECT_FALSE(CtrlFile::FootTagApplies("0", kDefaultList, "jpeg"));
    EXPECT_FALSE(CtrlFile::FootTagApplies("0", kDefaultList, "ht"));
    EXPECT_FALSE(CtrlFile::FootTagApplies("0", kDefaultList, ""));
    EXPECT_FALSE(CtrlFile::FootTagApplies("0", "", "html"));
    // Stored inverted: only "0" switches the tag on.
    EXPECT_FALSE(CtrlFile::FootTagApplies("1", kDefaultList, "html"));
    EXPECT_FALSE(CtrlFile::FootTagApplies("", kDefaultList, "html"));
}

TEST(FootTag, AppendAndReadBack) {
    TempHome th;
    th.Write("a.html", "<html>本文</html>");
    const QString tag =
        CtrlFile::MkFootTag("", "http://s/a.html", th.Ctrl().GetTimeStr(), "コメント");
    ASSERT_TRUE(th.Ctrl().AppendFootTag("a.html", tag));
    const QByteArray bytes = th.Read("a.html");
    EXPECT_TRUE(bytes.startsWith("<html>"));
    EXPECT_TRUE(bytes.endsWith("?>"));
    EXPECT_EQ(QString::fromUtf8(bytes), "<html>本文</html>" + tag);
    // The newline before the tag is not part of it.
    EXPECT_EQ(th.Ctrl().GetFootTag("a.html"), tag.mid(1));
    EXPECT_EQ(th.Ctrl().GetFootTag(th.File("a.html")), tag.mid(1));

    // No stored file: nothing is created, the failure is logged.
    EXPECT_FALSE(th.Ctrl().AppendFootTag("missing.html", tag));
    EXPECT_FALSE(th.Exists("missing.html"));
    EXPECT_TRUE(QString::fromUtf8(th.Read("log_err/R.log"))
                    .contains("  S_Thrd AddFootTag Error : no stored file missing.html\n"));
}

TEST(FootTag, ReadRulesAtTheEdges) {
    TempHome th;
    CtrlFile& c = th.Ctrl();
    EXPECT_EQ(c.GetFootTag(""), "");
    EXPECT_EQ(c.GetFootTag("nothing"), "");
    th.Write("dir/x", "");
    EXPECT_EQ(c.GetFootTag("dir"), "");
    th.Write("two", "?>");
    EXPECT_EQ(c.GetFootTag("two"), "");
    th.Write("three", "<?>");
    EXPECT_EQ(c.GetFootTag("three"), "<?>");
    // A tag not at the very end is no tag.
    th.Write("late", "<?xml-qorn a=\"1\" ?>\n");
    EXPECT_EQ(c.GetFootTag("late"), "");
    th.Write("none", "no tag here ?>");
    EXPECT_EQ(c.GetFootTag("none"), "");
    // Of two tags, the last.
    th.Write("twice", "body\n<?xml-qorn a=\"1\" ?>\n<?xml-qorn a=\"2\" ?>");
    EXPECT_EQ(c.GetFootTag("twice"), "<?xml-qorn a=\"2\" ?>");
    // Exactly 1024 bytes: one window, tag at its first byte.
    const QByteArray exact = "<?" + QByteArray(1020, 'x') + "?>";
    th.Write("exact", exact);
    EXPECT_EQ(c.GetFootTag("exact").size(), 1024);
    // 1025 bytes: the tag's "<?" lies in the second window.
    th.Write("over", "<?" + QByteArray(1021, 'x') + "?>");
    EXPECT_EQ(c.GetFootTag("over").size(), 1025);
    // A "<?" that straddles the first window's start is found through the overlap.
    const QByteArray straddle = "ab<?" + QByteArray(1021, 'y') + "?>";
    th.Write("straddle", straddle);
    ASSERT_EQ(straddle.size() - 1024, 3);  // "<" at 2, "?" at 3: the window starts at 3
    EXPECT_EQ(c.GetFootTag("straddle"), "<?" + QString(1021, 'y') + "?>");
    // A tag whose start sits exactly on the window boundary.
    const QByteArray boundary = QByteArray(500, 'z') + "<?" + QByteArray(1020, 'w') + "?>";
    th.Write("boundary", boundary);
    EXPECT_EQ(c.GetFootTag("boundary"), "<?" + QString(1020, 'w') + "?>");
    // A Shift_JIS tag from an older store still reads.
    th.Write("sjis",
             "body" + korvi::EncodeAs(QString("<?xml-qorn dl_cmnt=\"日本\" ?>"), "windows-31j"));
    EXPECT_EQ(c.GetFootTag("sjis"), "<?xml-qorn dl_cmnt=\"日本\" ?>");
}

TEST(FootTag, BackwardSearchMatchesWholeFileSearch) {
    TempHome th;
    std::mt19937 rng(7);
    const char alphabet[] = "<?>ab\n";
    for (int i = 0; i < 200; ++i) {
        const int size = 3 + int(rng() % 3100);
        QByteArray body(size - 2, 'a');
        for (char& ch : body) ch = alphabet[rng() % 6];
        // A few windows' worth of bytes without any "<" at all.
        if (i % 3 == 0) std::fill(body.begin(), body.begin() + rng() % body.size(), 'q');
        const QByteArray bytes = body + "?>";
        th.Write("f", bytes);
        const qsizetype at = bytes.lastIndexOf("<?");
        const QString want = at < 0 ? QString("") : QString::fromUtf8(bytes.mid(at));
        ASSERT_EQ(th.Ctrl().GetFootTag("f"), want) << "size " << size;
    }
}

TEST(FootTag, AttributesByName) {
    const QString tag =
        CtrlFile::MkFootTag("http://r/p.html", "http://s/a.html", "2006/03/09 - 07:05:02", "")
            .mid(1);
    EXPECT_EQ(CtrlFile::GetFootTagAttr(tag, "dl_src"), "http://s/a.html");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(tag, "dl_ref"), "http://r/p.html");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(tag, "dl_time"), "2006/03/09 - 07:05:02");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(tag, "tag_ver"), "1.00");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(tag, "dl_cmnt"), "");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(tag, "athr_e-mail"), "");
    // Absent names give "", also a name that is only the end of another.
    EXPECT_EQ(CtrlFile::GetFootTagAttr(tag, "nosuch"), "");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(tag, "src"), "");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(tag, "dl_s.c"), "");
    EXPECT_EQ(CtrlFile::GetFootTagAttr("", "dl_src"), "");
    // The leading newline of a freshly made tag does not matter.
    const QString made = CtrlFile::MkFootTag("", "http://s/日本.html", "t", "c");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(made, "dl_src"), "http://s/日本.html");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(made, "dl_ref"), "");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(made, "dl_render"), "");
    // A rendered copy says so; every other attribute reads as before.
    const QString rendered = CtrlFile::MkFootTag("r", "http://s/a.html", "t", "c", true);
    EXPECT_EQ(CtrlFile::GetFootTagAttr(rendered, "dl_render"), "1");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(rendered, "dl_cmnt"), "c");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(rendered, "athr_cmnt"), "");
    EXPECT_EQ(QString(rendered).remove("dl_render=\"1\" \n"),
              CtrlFile::MkFootTag("r", "http://s/a.html", "t", "c"));
}
