#include <gtest/gtest.h>

#include <QRegularExpression>

#include <random>

#include "store/CtrlFile.h"

using korvi::CtrlFile;

namespace {

// The three patterns applied one after another, as the reference.
QString ByRegex(const QString& html) {
    static const QRegularExpression breaks(QStringLiteral("[\n|\r|\t]+"));
    static const QRegularExpression blanks(QStringLiteral(" {2,}+"));
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QString s = html;
    s.replace(breaks, QString());
    s.replace(blanks, QString());
    s.replace(tags, QString());
    return s;
}

}  // namespace

TEST(RemoveHtmlTag, KnownCases) {
    EXPECT_EQ(CtrlFile::RemoveHtmlTag(""), "");
    EXPECT_EQ(CtrlFile::RemoveHtmlTag("<p>日本 語</p>"), "日本 語");
    // Runs of two or more blanks vanish entirely, a single blank stays.
    EXPECT_EQ(CtrlFile::RemoveHtmlTag("a  b c   d"), "ab cd");
    // Blanks become a run once the line breaks between them are gone.
    EXPECT_EQ(CtrlFile::RemoveHtmlTag("a \n b"), "ab");
    EXPECT_EQ(CtrlFile::RemoveHtmlTag("x|y\tz\r\n"), "xyz");
    // Blanks around a tag are judged before the tag goes.
    EXPECT_EQ(CtrlFile::RemoveHtmlTag("a <b> c"), "a  c");
    EXPECT_EQ(CtrlFile::RemoveHtmlTag("a  <b>  c"), "ac");
    // The first ">" ends a tag; "<" without a later ">" stays.
    EXPECT_EQ(CtrlFile::RemoveHtmlTag("<<a>b>"), "b>");
    EXPECT_EQ(CtrlFile::RemoveHtmlTag("1 < 2 and 3 > 2"), "1  2");
    EXPECT_EQ(CtrlFile::RemoveHtmlTag("a < b"), "a < b");
    EXPECT_EQ(CtrlFile::RemoveHtmlTag("<a\nhref=\"x\">t</a>"), "t");
    // Entities stay.
    EXPECT_EQ(CtrlFile::RemoveHtmlTag("&amp;&nbsp;"), "&amp;&nbsp;");
}

TEST(RemoveHtmlTag, SameAsTheRegexesOnRandomText) {
    const QStringList pieces = {"<", ">",  " ", " ",  "  ", "\n",  "\r",   "\t",   "|",
                                "a", "日", "/", "\"", "=",  "<p>", "</b>", "&lt;", "x y"};
    std::mt19937 rng(3);
    for (int i = 0; i < 5000; ++i) {
        QString s;
        const int n = int(rng() % 60);
        for (int k = 0; k < n; ++k) s += pieces[rng() % pieces.size()];
        ASSERT_EQ(CtrlFile::RemoveHtmlTag(s), ByRegex(s)) << s.toStdString();
    }
}

TEST(RemoveHtmlTag, SameAsTheRegexesOnPages) {
    QString page = "<!DOCTYPE html>\n<html lang=\"ja\">\r\n<head><title>検索 | Korvi</title>";
    for (int i = 0; i < 200; ++i) {
        page += QString(
                    "\n  <div class=\"item%1\">\t<a href=\"/p/%1.html\">ページ %1</a>  "
                    "text &amp; more | <b>太字</b> <br>\n")
                    .arg(i);
        if (i % 17 == 0) page += "  a > b  and  c < d\n";
    }
    page += "</body></html> trailing <unclosed";
    EXPECT_EQ(CtrlFile::RemoveHtmlTag(page), ByRegex(page));
}
