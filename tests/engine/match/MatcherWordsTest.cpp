#include <gtest/gtest.h>

#include "engine/match/MatcherWords.h"

using korvi::ParseSrchWords;
using korvi::SrchWordGroups;

namespace {
SrchWordGroups G(std::vector<QStringList> andGroups, std::vector<QStringList> notGroups) {
    SrchWordGroups g;
    g.and_groups = std::move(andGroups);
    g.not_groups = std::move(notGroups);
    return g;
}
}  // namespace

TEST(MatcherWords, GroupsOfAndAlternativeAndExclusion) {
    EXPECT_EQ(ParseSrchWords("a |b -c", false), G({{"a", "b"}}, {{"c"}}));
    EXPECT_EQ(ParseSrchWords("a b |c |d", false), G({{"a"}, {"b", "c", "d"}}, {}));
    // An alternative after an exclusion joins the exclusion group.
    EXPECT_EQ(ParseSrchWords("a -x |y z", false), G({{"a"}, {"z"}}, {{"x", "y"}}));
    // An alternative with nothing before it starts an AND group of its own.
    EXPECT_EQ(ParseSrchWords("|a b", false), G({{"a"}, {"b"}}, {}));
    EXPECT_EQ(ParseSrchWords("-x -y", false), G({}, {{"x"}, {"y"}}));
}

TEST(MatcherWords, EscapesKeepBlanksAndSigns) {
    // "\ " joins two words into one.
    EXPECT_EQ(ParseSrchWords("new\\ york city", false), G({{"new york"}, {"city"}}, {}));
    // "\-" and "\|" at the start of a word are literal, also on the first word.
    EXPECT_EQ(ParseSrchWords("a \\-b \\|c", false), G({{"a"}, {"-b"}, {"|c"}}, {}));
    EXPECT_EQ(ParseSrchWords("\\-x", false), G({{"-x"}}, {}));
    // Inside a word a sign is just a character.
    EXPECT_EQ(ParseSrchWords("e-mail a|b", false), G({{"e-mail"}, {"a|b"}}, {}));
}

TEST(MatcherWords, EmptyWordsIgnoredAndLowerCase) {
    EXPECT_EQ(ParseSrchWords("  a   b  ", false), G({{"a"}, {"b"}}, {}));
    EXPECT_EQ(ParseSrchWords("a - |", false), G({{"a"}}, {}));
    EXPECT_EQ(ParseSrchWords("", false), G({}, {}));
    EXPECT_EQ(ParseSrchWords("Tokyo |ÄBC -XyZ", true), G({{"tokyo", "äbc"}}, {{"xyz"}}));
    EXPECT_EQ(ParseSrchWords("Tokyo", false), G({{"Tokyo"}}, {}));
}

TEST(MatcherWords, PlainWordsLeaveOutExclusions) {
    EXPECT_EQ(korvi::SrchPlainWords("Tokyo |Osaka -Nagoya new\\ york"),
              (QStringList{"Tokyo", "Osaka", "new york"}));
    EXPECT_TRUE(korvi::SrchPlainWords("-a -b").isEmpty());
    // A report shows the words looked for; the whole-string types show it as one.
    EXPECT_EQ(korvi::SrchReportWords(" Tokyo |Osaka -Nagoya ", 0), (QStringList{"Tokyo", "Osaka"}));
    EXPECT_EQ(korvi::SrchReportWords("a.b  c", 2), (QStringList{"a.b", "c"}));
    EXPECT_EQ(korvi::SrchReportWords(" a.b  c ", 1), QStringList{"a.b  c"});
    EXPECT_EQ(korvi::SrchReportWords("-x y", 3), QStringList{"-x y"});
    EXPECT_TRUE(korvi::SrchReportWords("  ", 3).isEmpty());
}
