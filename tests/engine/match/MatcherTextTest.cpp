#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "engine/match/MatcherText.h"

using korvi::MatcherSearchText;

namespace {

QString Text(const QString& html) {
    return MatcherSearchText(html).text;
}

}  // namespace

TEST(MatcherSearchText, DecodesReferencesAndDropsScriptAndStyle) {
    EXPECT_EQ(Text("<p>Use &lt;expr&gt; &amp; &quot;x&quot; &#187; &#x2014; &#X41;</p>"),
              QStringLiteral("Use <expr> & \"x\" \u00BB \u2014 A"));
    EXPECT_EQ(Text("&copy;2024&nbsp;Korvi &raquo; &mdash; &eacute;&Omega;&hellip;"),
              QStringLiteral("\u00A92024 Korvi \u00BB \u2014 \u00E9\u03A9\u2026"));
    // Unknown names, names without ";" and stray "&" stay as written; a bad
    // number is the replacement character; a decoded "<" opens no tag.
    EXPECT_EQ(Text("&bogus; a=1&copy=2 &amp & &#;"), "&bogus; a=1&copy=2 &amp & &#;");
    EXPECT_EQ(Text("&#0;&#xD800;&#99999999;"), QStringLiteral("\uFFFD\uFFFD\uFFFD"));
    EXPECT_EQ(Text("&lt;b&gt;bold&lt;/b&gt;"), "<b>bold</b>");
    EXPECT_EQ(Text("con&shy;current"), "concurrent");
    // Script and style content is no text; an element left open runs to the end.
    EXPECT_EQ(Text("a<script type=\"x\">var secret = 1;</script>b<STYLE>.k{}</Style>c"), "abc");
    EXPECT_EQ(Text("<script>if (a < b) x = \"</p>\";</script>after"), "after");
    EXPECT_EQ(Text("text<script>never closed"), "text");
    EXPECT_EQ(Text("x<!-- a > b -->y<!DOCTYPE html>z"), "xyz");
}

TEST(MatcherSearchText, LineBreaksKeepABlankBetweenWordsOnly) {
    EXPECT_EQ(Text("<p>threads and\nconcurrent\r\nwork</p>"), "threads and concurrent work");
    EXPECT_EQ(Text("東京の\n天気\r\nです"), QStringLiteral("東京の天気です"));
    // A blank run without a line break stays one blank, also between kanji.
    EXPECT_EQ(Text("東京  大阪\t\tx"), QStringLiteral("東京 大阪 x"));
    EXPECT_EQ(Text("  <p>Hello   World</p>\n"), "Hello World");
    // Block tags part words; inline tags do not.
    EXPECT_EQ(Text("<td>a</td><td>b</td>kor<b>vi</b>"), "a b korvi");
    EXPECT_EQ(Text("<p>東京</p><p>大阪</p>"), QStringLiteral("東京大阪"));
    EXPECT_EQ(Text("a|b"), "a|b");
    EXPECT_EQ(Text(QString()), "");
}

TEST(MatcherSearchText, TagsAndWhatIsNoTag) {
    // A ">" inside a quoted value does not end the tag.
    EXPECT_EQ(Text("<a title=\"x > y\" href='a>b'>link</a>"), "link");
    // "<" before anything but a letter, "/", "!" or "?" is text, as is a "<"
    // that no ">" follows.
    EXPECT_EQ(Text("1 < 2 and 3 > 2"), "1 < 2 and 3 > 2");
    EXPECT_EQ(Text("x<y"), "x<y");
    // A quote left open ends at the next ">".
    EXPECT_EQ(Text("<a title=\"open>rest"), "rest");
    // Hostile input stays linear: many tags with open quotes or no end.
    QString hostile;
    for (int i = 0; i < 20000; ++i) hostile += QStringLiteral("<a b=\"<!--<script");
    hostile += u'>';
    EXPECT_LE(Text(hostile).size(), hostile.size());
}

TEST(MatcherSearchText, DropsTheLinksAddedToStoredPages) {
    const QString stored = QStringLiteral(
        "<p><A HREF=\"b.html\">Next</A><FONT SIZE=1>(<A HREF=\"http://h/b.html\">@Web</A>)"
        "</FONT><FONT SIZE=1>(<A HREF=\"b%25.html\">@Local</A>)</FONT> page</p>");
    EXPECT_EQ(Text(stored), "Next page");
    // Written by someone else, the same words stay.
    EXPECT_EQ(Text("<font size=1>(<a href=\"x\">@Web</a>)</font>"), "(@Web)");
}

TEST(MatcherSearchText, TellsPagesFromOtherText) {
    EXPECT_TRUE(MatcherSearchText("<html><body>x").markup);
    EXPECT_TRUE(MatcherSearchText("a<b>bold</b>").markup);
    EXPECT_TRUE(MatcherSearchText("<!-- c -->").markup);
    EXPECT_TRUE(MatcherSearchText("line<br>line").markup);
    // Code and plain text with "<" are no pages.
    EXPECT_FALSE(MatcherSearchText("#include <vector>\nif (a<b && c>d) {}").markup);
    EXPECT_FALSE(MatcherSearchText("<item>x</item>").markup);
    EXPECT_FALSE(MatcherSearchText("plain &amp; text").markup);
}

TEST(MatcherFoldCase, KeepsPositionsAndFoldsLetters) {
    using korvi::MatcherFoldCase;
    EXPECT_EQ(MatcherFoldCase(QStringLiteral("Tokyo ÄÖ ΣΑς Ｔｏｋｙｏ 東京")),
              QStringLiteral("tokyo äö σασ ｔｏｋｙｏ 東京"));
    const QString astral = QStringLiteral("A\U0001F600B");
    EXPECT_EQ(MatcherFoldCase(astral), QStringLiteral("a\U0001F600b"));
    // Letters whose lower case is longer keep one unit each.
    const QString dotted = QStringLiteral("\u0130x");
    EXPECT_EQ(MatcherFoldCase(dotted).size(), dotted.size());
    EXPECT_EQ(MatcherFoldCase(QString()), "");

    // Runs of ASCII (folded four units at a time) mixed with other letters,
    // at every length and offset, against simple folding unit by unit.
    QRandomGenerator rng(11);
    const QString pool = QStringLiteral("@AMZ[`amz{\x7f\x01 09ÀÿΣ\u212Aあ東\U0001F600");
    for (int round = 0; round < 2000; ++round) {
        QString in;
        const int n = rng.bounded(24);
        for (int i = 0; i < n; ++i) in += pool.at(rng.bounded(int(pool.size())));
        QString want = in;
        for (QChar& c : want) {
            if (!c.isSurrogate()) c = QChar(char16_t(QChar::toCaseFolded(char32_t(c.unicode()))));
        }
        ASSERT_EQ(MatcherFoldCase(in), want) << qPrintable(in);
    }
}
