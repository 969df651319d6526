#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QRegularExpression>

#include "engine/MatcherText.h"

using korvi::MatcherPlainText;

namespace {

// The three tag-strip patterns applied one after another.
QString ByPatterns(QString s) {
    static const QRegularExpression breaks(QStringLiteral("[\n|\r|\t]+"));
    static const QRegularExpression blanks(QStringLiteral(" {2,}+"));
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    s.remove(breaks);
    s.remove(blanks);
    s.remove(tags);
    return s;
}

}  // namespace

TEST(MatcherPlainText, DropsBreaksBlankRunsAndTags) {
    EXPECT_EQ(MatcherPlainText(QStringLiteral("<p>Hello   World</p>")), "HelloWorld");
    EXPECT_EQ(MatcherPlainText(QStringLiteral("a b\tc|d\r\ne")), "a bcde");
    // Blanks joined across a removed line break form one run and vanish.
    EXPECT_EQ(MatcherPlainText(QStringLiteral("a \n b")), "ab");
    // Blanks joined by a removed tag stay: blank runs go before tags do.
    EXPECT_EQ(MatcherPlainText(QStringLiteral("a <b> c")), "a  c");
    // A "<" without any ">" after it is text; a tag runs to the first ">".
    EXPECT_EQ(MatcherPlainText(QStringLiteral("x<y")), "x<y");
    EXPECT_EQ(MatcherPlainText(QStringLiteral("a<b<c>d>e<f")), "ad>e<f");
    EXPECT_EQ(MatcherPlainText(QStringLiteral("&nbsp;東京<br>")), QStringLiteral("&nbsp;東京"));
    EXPECT_EQ(MatcherPlainText(QString()), "");
}

TEST(MatcherPlainText, EqualsThePatternChainOnRandomText) {
    const QString alphabet = QStringLiteral("ab <>\n\r\t|あ ");
    QRandomGenerator rng(42);
    for (int i = 0; i < 3000; ++i) {
        QString s;
        const int n = rng.bounded(40);
        for (int k = 0; k < n; ++k) s += alphabet.at(rng.bounded(alphabet.size()));
        ASSERT_EQ(MatcherPlainText(s), ByPatterns(s)) << qPrintable(s);
    }
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
}
