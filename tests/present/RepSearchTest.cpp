#include <gtest/gtest.h>

#include "engine/match/Matcher.h"
#include "present/RepSearch.h"

using korvi::Matcher;
using korvi::RepRows;
using korvi::SrchLst;

namespace {

const RepRows kRows = {{"http://a.example/", "Alpha page"},
                       {"http://b.example/x.y", "Beta"},
                       {"http://c.example/", "alpha beta"},
                       {"http://d.example/xzy", "Delta"},
                       {"http://e.example/", "gamma"}};

}  // namespace

TEST(RepSearch, ForwardBackwardAndRoundTheEnd) {
    Matcher m;
    const Matcher::Options o{0, false};
    EXPECT_EQ(SrchLst(m, kRows, 0, "alpha", o), 2);
    EXPECT_EQ(SrchLst(m, kRows, 2, "alpha", o), 0);  // round the end
    EXPECT_EQ(SrchLst(m, kRows, 0, "alpha", o, true), 2);
    EXPECT_EQ(SrchLst(m, kRows, 3, "alpha", o, true), 2);
    EXPECT_EQ(SrchLst(m, kRows, -1, "alpha", o), 0);  // nothing selected
    EXPECT_EQ(SrchLst(m, kRows, -1, "alpha", o, true), 2);
    EXPECT_EQ(SrchLst(m, kRows, 4, "gamma", o), 4);  // the current row comes last
    EXPECT_EQ(SrchLst(m, kRows, 1, "omega", o), -1);
    EXPECT_EQ(SrchLst(m, kRows, 1, "", o), -1);
    EXPECT_EQ(SrchLst(m, {}, 0, "alpha", o), -1);
}

TEST(RepSearch, UsesTheChosenInputTypeAndCase) {
    Matcher m;
    // Case distinguished: only the lower-case row.
    EXPECT_EQ(SrchLst(m, kRows, 0, "alpha", {0, true}), 2);
    EXPECT_EQ(SrchLst(m, kRows, 2, "alpha", {0, true}), 2);
    // Word search with AND and exclusion.
    EXPECT_EQ(SrchLst(m, kRows, -1, "alpha -beta", {2, false}), 0);
    EXPECT_EQ(SrchLst(m, kRows, -1, "beta |delta", {2, false}), 1);
    // A dot is any character as a regular expression, only a dot as full text.
    EXPECT_EQ(SrchLst(m, kRows, 1, "x.y", {1, false}), 3);
    EXPECT_EQ(SrchLst(m, kRows, 1, "x.y", {3, false}), 1);
    EXPECT_EQ(korvi::SrchLstNotFound("abc").title, "検索リスト内を検索");
    EXPECT_EQ(korvi::SrchLstNotFound("abc").text, "検索文字列「abc」が見つかりませんでした。");
}
