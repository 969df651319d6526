#include <gtest/gtest.h>

#include "fixtures/TempHome.h"
#include "present/RepEngine.h"

using korvi::RepBatchLine;
using korvi::RepEngine;
using korvi::RepOptions;
using korvi::RepRows;
using korvi::test::TempHome;

namespace {

RepRows Rows() {
    return {{"http://a.example/1", "Title ABC"},
            {"http://b.example/abc", "abc abc"},
            {"http://c.example/", "none"}};
}

}  // namespace

TEST(RepEngineScope, OneOrNoSelectedRowMeansTheWholeList) {
    EXPECT_EQ(RepEngine::Scope(3, {}), (QList<int>{0, 1, 2}));
    EXPECT_EQ(RepEngine::Scope(3, {1}), (QList<int>{0, 1, 2}));
    EXPECT_EQ(RepEngine::Scope(5, {3, 1, 3, 9}), (QList<int>{1, 3}));
}

TEST(RepEngineList, OneSelectedRowReplacesInEveryRowAndCounts) {
    TempHome th;
    RepEngine e(th.Ctrl());
    ASSERT_TRUE(e.SetReg("abc", "xyz", {}));
    RepRows rows = Rows();
    EXPECT_EQ(e.RepList(rows, {2}), 3);
    EXPECT_EQ(rows[0][1], "Title ABC");
    EXPECT_EQ(rows[1], (QStringList{"http://b.example/xyz", "xyz xyz"}));

    rows = Rows();
    ASSERT_TRUE(e.SetReg("abc", "-", {false, true}));
    EXPECT_EQ(e.RepList(rows, {0, 2}), 1);
    EXPECT_EQ(rows[0][1], "Title -");
    EXPECT_EQ(rows[1], Rows()[1]);  // not selected
    EXPECT_EQ(RepEngine::ResultMessage(3).title, "置換結果");
    EXPECT_EQ(RepEngine::ResultMessage(3).text, "置換数は、「 3 」でした。");
}

TEST(RepEngineStr, LiteralAndRegexReplacement) {
    TempHome th;
    RepEngine e(th.Ctrl());
    int n = 0;
    ASSERT_TRUE(e.SetReg("aa", "$1.", {}));  // literal: no group syntax
    EXPECT_EQ(e.RepStr("aaaaa", &n), "$1.$1.a");
    EXPECT_EQ(n, 2);
    ASSERT_TRUE(e.SetReg("(\\w+)@(\\w+)", "$2 at $1 \\$ ${x}", {true, false}));
    // "${x}" names no group: the whole text stays.
    EXPECT_EQ(e.RepStr("me@host", &n), "me@host");
    EXPECT_TRUE(e.Failed());
    ASSERT_TRUE(e.SetReg("(?<u>\\w+)@(\\w+)", "$2 at ${u} \\$1 $12", {true, false}));
    n = 0;
    EXPECT_EQ(e.RepStr("me@host, you@there", &n), "host at me $1 me2, there at you $1 you2");
    EXPECT_EQ(n, 2);
    ASSERT_TRUE(e.SetReg("A.C", "_", {true, true}));
    EXPECT_EQ(e.RepStr("abc aXc a.c"), "_ _ _");
}

TEST(RepEngineStr, BadGroupReferenceLogsAndLeavesTheTextAndTheRows) {
    TempHome th;
    RepEngine e(th.Ctrl());
    ASSERT_TRUE(e.SetReg("(b)", "[$2]", {true, false}));
    RepRows rows = Rows();
    EXPECT_EQ(e.RepList(rows, {}), 0);
    EXPECT_EQ(rows, Rows());
    const QString log = th.ErrLog();
    EXPECT_EQ(log.count("DlgRep RepStr Regex Error : No group 2"), 1);
    EXPECT_TRUE(log.contains("\n  rep_str = [$2]\n  src_str = http://b.example/abc\n"));
}

TEST(RepEngineStr, InvalidRegexReplacesNothingAndLogs) {
    TempHome th;
    RepEngine e(th.Ctrl());
    EXPECT_FALSE(e.SetReg("a(b", "x", {true, false}));
    EXPECT_TRUE(th.ErrLog().contains("  DlgRep RepList Regex Error :   "));
    RepRows rows = Rows();
    EXPECT_EQ(e.RepList(rows, {}), 0);
    EXPECT_EQ(rows, Rows());
    // The same text taken literally is fine.
    EXPECT_TRUE(e.SetReg("a(b", "x", {}));
    EXPECT_EQ(e.RepStr("za(b"), "zx");
    // An empty search text replaces nothing.
    EXPECT_FALSE(e.SetReg("", "x", {true, false}));
    EXPECT_EQ(e.RepStr("abc"), "abc");
}

TEST(RepEngineBatch, ParsesFieldsAndOptions) {
    const QList<RepBatchLine> lines =
        RepEngine::ParseBatch("abc\txyz\t!i\n\nonly\n.\t\t!r\n\tignored\na\tb\tc\td\n");
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], (RepBatchLine{"abc", "xyz", {false, true}}));
    EXPECT_EQ(lines[1], (RepBatchLine{"only", "", {}}));
    EXPECT_EQ(lines[2], (RepBatchLine{".", "", {true, false}}));
    EXPECT_EQ(lines[3], (RepBatchLine{"a", "b", {}}));
}

TEST(RepEngineBatch, AppliesLinesInOrderWithTheirOptions) {
    TempHome th;
    th.Write("tool/rep_bat/t.txt",
             "abc\txyz\t!i\r\n"
             "none\r\n"
             "([a-z])\\.example\t$1.test\t!r\n"
             "xyz xyz\tdouble\n"
             "a(\t\t!r\n");
    RepEngine e(th.Ctrl());
    RepRows rows = Rows();
    QList<int> percents;
    const int n = e.RepList2(rows, {1}, "tool/rep_bat/t.txt", [&](int p) { percents << p; });
    EXPECT_EQ(rows[0], (QStringList{"http://a.test/1", "Title xyz"}));
    EXPECT_EQ(rows[1], (QStringList{"http://b.test/xyz", "double"}));
    EXPECT_EQ(rows[2], (QStringList{"http://c.test/", ""}));
    EXPECT_EQ(n, 4 + 1 + 3 + 1);
    EXPECT_EQ(percents, (QList<int>{20, 40, 60, 80, 100}));
    EXPECT_TRUE(th.ErrLog().contains("DlgRep RepList Regex Error : "));
    EXPECT_EQ(RepEngine::ProgressTitle("置換", 40), "置換 （ 40 ％ 置換進行）");
}

TEST(RepEngineBatch, ShippedSampleUpgradesAndStripsTracking) {
    TempHome th;
    RepEngine e(th.Ctrl());
    RepRows rows = {{"http://a.example/?utm_source=x&id=1"},
                    {"http://a.example/p?id=2&UTM_medium=y"},
                    {"https://a.example/?utm_a=1&utm_b=2#top"}};
    e.RepList2(rows, {}, "tool/rep_bat/サンプル置換.txt");
    EXPECT_EQ(rows, (RepRows{{"https://a.example/?id=1"},
                             {"https://a.example/p?id=2"},
                             {"https://a.example/#top"}}));
    EXPECT_EQ(th.ErrLog(), "");
}

TEST(RepEngineBatch, MissingFileReplacesNothing) {
    TempHome th;
    RepEngine e(th.Ctrl());
    RepRows rows = Rows();
    EXPECT_EQ(e.RepList2(rows, {}, "tool/rep_bat/none.txt"), 0);
    EXPECT_EQ(rows, Rows());
    EXPECT_TRUE(th.ErrLog().contains("C_File Read Data Error : "));
}
