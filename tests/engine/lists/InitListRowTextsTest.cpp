#include <gtest/gtest.h>

#include "engine/lists/InitList.h"
#include "engine/lists/InitPanelSelect.h"
#include "fixtures/TempHome.h"

using namespace korvi;

// Replacing a row's texts keeps the URL index, the scope and the extension
// consistent and never makes a duplicate or invalid key.
TEST(InitListRowTexts, ReplaceTitleAndUrl) {
    test::TempHome th;
    InitList list(th.Ctrl());
    list.ChngeBaseUrl(QStringLiteral("http://h/d/"));
    ASSERT_TRUE(list.AddSrchLst(QStringLiteral("http://x/a.html"), QStringLiteral("A"), QString()));
    ASSERT_TRUE(list.AddSrchLst(QStringLiteral("http://h/d/b"), QStringLiteral("B"), QString()));
    ASSERT_EQ(list.Rows()[0].rng, 0);

    EXPECT_TRUE(
        list.SetRowTexts(0, QStringLiteral("New\ttitle"), QStringLiteral("http://h/d/c.cgi")));
    const InitRow& r = list.Rows()[0];
    EXPECT_EQ(r.ttl, QStringLiteral("New title"));
    EXPECT_EQ(r.url, QStringLiteral("http://h/d/c.cgi"));
    EXPECT_EQ(r.ext, QStringLiteral("cgi"));
    EXPECT_EQ(r.rng, 2);
    EXPECT_TRUE(list.ChkList(QStringLiteral("http://h/d/c.cgi")));
    EXPECT_FALSE(list.ChkList(QStringLiteral("http://x/a.html")));
    // The old key is free again.
    EXPECT_TRUE(list.AddSrchLst(QStringLiteral("http://x/a.html"), QString(), QString()));

    // Another row's URL and an invalid URL are refused; the title still changes.
    EXPECT_FALSE(list.SetRowTexts(1, QString(), QStringLiteral("http://h/d/c.cgi")));
    EXPECT_EQ(list.Rows()[1].url, QStringLiteral("http://h/d/b"));
    EXPECT_EQ(list.Rows()[1].ttl, QStringLiteral("?"));
    EXPECT_FALSE(list.SetRowTexts(1, QStringLiteral("B"), QStringLiteral("no url")));
    EXPECT_TRUE(list.ChkList(QStringLiteral("http://h/d/b")));
    EXPECT_FALSE(list.SetRowTexts(9, QStringLiteral("B"), QStringLiteral("http://z/")));
    EXPECT_EQ(list.RowCount(), 3);
}

TEST(InitPanelSelect, ProfileValuesRoundTrip) {
    InitPanelOpt p;
    p.target = {true, false, true, false, true};
    p.crs_target = {false, false, false, true, false};
    p.filter_type = FilterMode::kOut;
    p.filter_string = QStringLiteral("jpg,-");
    p.filter_start = true;
    const InitSelect s = SelectFromPanel(p);
    EXPECT_TRUE(s.all);
    EXPECT_FALSE(s.dmOut);
    EXPECT_FALSE(s.drOut);
    EXPECT_EQ(s.fltMode, 2);
    InitPanelOpt back;
    back.crs_target = p.crs_target;
    PanelFromSelect(s, back);
    EXPECT_EQ(back, p);
}

TEST(InitPanelSelect, LinkedTargetBoxes) {
    InitSelect s;
    s.all = false;
    s = LinkTargetBoxes(s, TargetBox::kAll);
    EXPECT_FALSE(s.dmOut || s.dmIn || s.drOut || s.drIn);
    s.dmIn = true;
    s = LinkTargetBoxes(s, TargetBox::kDmIn);
    EXPECT_TRUE(s.drOut && s.drIn);
    EXPECT_FALSE(s.all);
    s.drOut = false;
    s = LinkTargetBoxes(s, TargetBox::kDrOut);
    EXPECT_TRUE(s.dmIn);  // the other directory box is still on
    s.drIn = false;
    s = LinkTargetBoxes(s, TargetBox::kDrIn);
    EXPECT_FALSE(s.dmIn);
    s.dmOut = s.drOut = s.drIn = true;
    s = LinkTargetBoxes(s, TargetBox::kDrIn);
    EXPECT_TRUE(s.all && s.dmIn);
}

// The no-target warning names each scope box that would select rows, with
// the rows it would add; rows the start filter drops are not counted.
TEST(InitPanelSelect, NoTargetMessageNamesTheBoxes) {
    test::TempHome th;
    InitList list(th.Ctrl());
    for (const char* url : {"http://x/a.html", "http://x/b.jpg", "http://x/d/c.html"})
        list.AddSrchLst(QString::fromLatin1(url), QString(), QString());
    InitSelect& s = list.Select();
    s.all = s.dmOut = s.dmIn = s.drOut = s.drIn = false;
    list.ChngRangeData();
    QString m = NoTargetMessage(list);
    EXPECT_TRUE(m.startsWith(QStringLiteral("「対象」にチェックの入った行がありません。\n\n")));
    EXPECT_TRUE(m.contains(QStringLiteral("・「ドメイン」の「外」 : 3 件"))) << m.toStdString();
    EXPECT_TRUE(m.contains(QStringLiteral("「基準URL」が空")));

    list.ChngeBaseUrl(QStringLiteral("http://x/d/"));
    s.fltStart = true;
    s.fltMode = 1;  // only the listed extensions: the picture drops out
    m = NoTargetMessage(list);
    EXPECT_TRUE(m.contains(QStringLiteral("・「ディレクトリ」の「外」 : 1 件"))) << m.toStdString();
    EXPECT_TRUE(m.contains(QStringLiteral("・「ディレクトリ」の「内」 : 1 件")));
    EXPECT_FALSE(m.contains(QStringLiteral("ドメイン")) || m.contains(QStringLiteral("基準URL")));
    s.all = true;
    EXPECT_EQ(NoTargetMessage(list), QStringLiteral("「対象」にチェックの入った行がありません。"));
}
