#include <gtest/gtest.h>

#include "shell/Assist.h"

using korvi::Assist;

TEST(AssistParse, RowKindsAndOddHeaders) {
    Assist a(QStringLiteral("  \n[Path\n[ab\n[x\nk=v=w\n k = v \n#note\n\n\t\nplain"));
    // "[Path" drops its last character whatever it is; "[x" is too short to be a header.
    ASSERT_EQ(a.RowCount(), 7);
    EXPECT_EQ(a.Keys()[0], "[");
    EXPECT_EQ(a.Values()[0], "Pat");
    EXPECT_EQ(a.Values()[1], "a");
    EXPECT_EQ(a.Keys()[2], "");
    EXPECT_EQ(a.Values()[2], "[x");
    EXPECT_EQ(a.GetIni("a", "k"), "v=w");
    // Only the whole line is trimmed, not the parts around "=".
    EXPECT_EQ(a.Keys()[4], "k ");
    EXPECT_EQ(a.Values()[4], " v");
    EXPECT_EQ(a.Values()[5], "#note");
    EXPECT_EQ(a.Values()[6], "plain");
}

TEST(AssistParse, TabSplitsAndTrimKeepsIdeographicSpace) {
    Assist a(QStringLiteral("[S]\na=1\tb=2\nc=\u3000x\u3000"));
    EXPECT_EQ(a.GetIni("S", "a"), "1");
    EXPECT_EQ(a.GetIni("S", "b"), "2");
    // Only characters at or below U+0020 are trimmed.
    EXPECT_EQ(a.GetIni("S", "c"), QStringLiteral("\u3000x\u3000"));
}

TEST(AssistLookup, FirstSectionFirstKeyAndPositions) {
    Assist a(QStringLiteral("[S]\nk=1\nk=2\n[T]\nk=3\n[S]\nk=4\nz=9"));
    EXPECT_EQ(a.GetIni("S", "k"), "1");
    EXPECT_EQ(a.GetIni("S", "z"), "");  // only the first [S] is read
    EXPECT_EQ(a.GetIni("S", 1), "2");
    EXPECT_EQ(a.GetIni("S", 2), "");  // the next header comes first
    EXPECT_EQ(a.GetIni("", "k"), "");
    EXPECT_EQ(a.GetIni("S", QString()), "");
    EXPECT_EQ(a.GetIniRow("T", 0), "k=3");
    EXPECT_EQ(a.GetIniRow("T", 1), "");
    EXPECT_FALSE(a.GetIniRow("T", 1).isNull());
    EXPECT_TRUE(a.GetIniRow("T", -1).isNull());
    EXPECT_TRUE(a.GetIniRow("", 0).isNull());
    EXPECT_TRUE(Assist().GetIniRow("T", 0).isNull());
    EXPECT_EQ(Assist().GetIni("T", "k"), "");
}

TEST(AssistUpdate, InsertsAtSectionEndAndAppendsNewSections) {
    Assist a(QStringLiteral("[A]\nx=1\n[B]\ny=2"));
    a.SetIni("A", "n", "new");
    a.SetIni("B", "y", "3");
    a.SetIni("C", "z", "4");
    a.SetIniN("B", "w", -7);
    EXPECT_EQ(a.IniToStr(), "\n[A]\nx=1\nn=new\n\n[B]\ny=3\nw=-7\n\n[C]\nz=4\n");
}

TEST(AssistSerialise, RoundTripsBareRowsAndNulls) {
    Assist a(QStringLiteral("#c\n[S]\nk=v"));
    const QString text = a.IniToStr();
    EXPECT_EQ(text, "=#c\n\n[S]\nk=v\n");
    Assist b(text);
    EXPECT_EQ(b.Keys(), a.Keys());
    EXPECT_EQ(b.Values(), a.Values());
    a.SetIni("S", "n", QString());
    EXPECT_TRUE(a.IniToStr().endsWith("n=null\n"));
    EXPECT_EQ(Assist().IniToStr(), "");
}

TEST(AssistStrToInt, OnlyCanonicalDecimalText) {
    EXPECT_EQ(Assist::StrToInt("12"), 12);
    EXPECT_EQ(Assist::StrToInt("-3"), -3);
    EXPECT_EQ(Assist::StrToInt("0"), 0);
    EXPECT_EQ(Assist::StrToInt("007"), 0);
    EXPECT_EQ(Assist::StrToInt("+5"), 0);
    EXPECT_EQ(Assist::StrToInt(" 5"), 0);
    EXPECT_EQ(Assist::StrToInt("1a"), 0);
    EXPECT_EQ(Assist::StrToInt("-"), 0);
    EXPECT_EQ(Assist::StrToInt(QString()), 0);
    EXPECT_EQ(Assist::StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(Assist::StrToInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(Assist::StrToInt("2147483648"), 0);
    EXPECT_EQ(Assist::StrToInt("99999999999999999999999999"), 0);
}

TEST(AssistHelpers, SplitReplaceAndPadding) {
    EXPECT_EQ(Assist::SpltStr(",a,,b,", u','), QStringList({"", "a", "", "b", ""}));
    EXPECT_EQ(Assist::SpltStr("", u','), QStringList({""}));
    EXPECT_EQ(Assist::RepStr("aAaA", "a", "x"), "xAxA");
    EXPECT_EQ(Assist::RepStrI("aAaA", "a", "x"), "xxxx");
    EXPECT_EQ(Assist::RepStr("abc", "", "x"), "abc");
    EXPECT_EQ(Assist::ChngNoToZeroStr(7, 8), "00000007");
    EXPECT_EQ(Assist::ChngNoToStr(42, 5), "   42");
    EXPECT_EQ(Assist::ChngNoToZeroStr(123456, 3), "123456");
}
