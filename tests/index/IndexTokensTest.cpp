#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QSet>

#include "engine/match/MatcherText.h"
#include "index/IndexTokens.h"

using namespace korvi;

namespace {

QSet<QByteArray> TextTokens(const QString& text) {
    QSet<QByteArray> out;
    const QByteArray utf8 = text.toUtf8();
    IndexTokenize(utf8, [&](QByteArrayView t) {
        // Each token comes once.
        EXPECT_FALSE(out.contains(t.toByteArray())) << t.toByteArray().constData();
        out.insert(t.toByteArray());
    });
    return out;
}

QStringList Words(const QString& word) {
    QStringList out;
    for (const QByteArray& t : IndexWordTokens(word)) out.append(QString::fromUtf8(t));
    return out;
}

}  // namespace

TEST(IndexTokens, JapaneseLatinAndWidthForms) {
    // Two-character and one-character Japanese words are pairs and characters.
    EXPECT_EQ(Words(QStringLiteral("検索")), QStringList{QStringLiteral("検索")});
    EXPECT_EQ(Words(QStringLiteral("鳥")), QStringList{QStringLiteral("鳥")});
    EXPECT_EQ(
        Words(QStringLiteral("野鳥観察")),
        (QStringList{QStringLiteral("野鳥"), QStringLiteral("鳥観"), QStringLiteral("観察")}));
    // Latin words are folded pairs; blanks separate, a lone character stays.
    EXPECT_EQ(Words(QStringLiteral("KoRV")),
              (QStringList{QStringLiteral("ko"), QStringLiteral("or"), QStringLiteral("rv")}));
    EXPECT_EQ(Words(QStringLiteral("a  bc\td")),
              (QStringList{QStringLiteral("a"), QStringLiteral("bc"), QStringLiteral("d")}));
    EXPECT_TRUE(Words(QStringLiteral(" \n ")).isEmpty());
    // Full-width ASCII and half-width katakana meet their usual forms.
    EXPECT_EQ(Words(QStringLiteral("ＡＢｃ")), Words(QStringLiteral("abc")));
    EXPECT_EQ(Words(QStringLiteral("ｶﾀｶﾅ")), Words(QStringLiteral("カタカナ")));
    // A lone surrogate half may be half of a pair in the text: nothing to rely on.
    EXPECT_TRUE(Words(QString(QChar(0xD83D))).isEmpty());

    const QSet<QByteArray> mixed = TextTokens(QStringLiteral("鳥類のKorvi検索、ｶﾅ ＡＢＣ"));
    for (const char* t : {"鳥", "鳥類", "類の", "のk", "ko", "vi", "i検", "検索", "索、", "カナ",
                          "ab", "bc", "c"}) {
        EXPECT_TRUE(mixed.contains(QByteArray(t))) << t;
    }
    EXPECT_FALSE(mixed.contains(QByteArray("ナ "))) << "blanks separate";
    EXPECT_FALSE(mixed.contains(QByteArray("ナa")));
}

// Whatever the text, a word found in it (case folded or not) has all its
// tokens among the text's: the index never loses a page the matcher finds.
TEST(IndexTokens, EveryWordOfATextHasItsTokensInTheText) {
    const QString pool = QStringLiteral("aAbBkKsSzZ ＡＢｂｶﾀﾅﾞ。カタナ鳥類検索\t\nÉéſ\u212Aß") +
                         QString::fromUcs4(U"\U0001F600\U00020B9F", 2);
    QRandomGenerator rng(20261210);
    for (int round = 0; round < 400; ++round) {
        QString text;
        const int len = 1 + int(rng.bounded(40));
        for (int i = 0; i < len; ++i) {
            const int at = int(rng.bounded(pool.size()));
            // Keep surrogate pairs whole.
            if (pool.at(at).isLowSurrogate()) {
                text += pool.mid(at - 1, 2);
            } else if (pool.at(at).isHighSurrogate()) {
                text += pool.mid(at, 2);
            } else {
                text += pool.at(at);
            }
        }
        const QSet<QByteArray> tokens = TextTokens(text);
        for (int k = 0; k < 5; ++k) {
            const int from = int(rng.bounded(text.size()));
            const int n = 1 + int(rng.bounded(text.size() - from));
            QString word = text.mid(from, n);
            if (rng.bounded(2)) word = word.toUpper();
            // Only words the case-folding matcher finds in the text count.
            if (!MatcherFoldCase(text).contains(MatcherFoldCase(word))) continue;
            for (const QByteArray& t : IndexWordTokens(word)) {
                EXPECT_TRUE(tokens.contains(t))
                    << "text " << text.toStdString() << " word " << word.toStdString() << " token "
                    << t.toStdString();
            }
        }
    }
}

TEST(IndexMatch, NarrowsLiteralWordsOnly) {
    const Matcher::Options words{0, false};
    const IndexMatch plain = IndexMatchFor(QStringLiteral("鳥類 |alpha -beta"), words);
    EXPECT_EQ(plain.kind, IndexMatch::Kind::Match);
    EXPECT_EQ(plain.expression, QByteArray("((\"鳥類\") OR (\"al\" AND \"lp\" AND \"ph\" AND "
                                           "\"ha\"))"));
    // A pattern word narrows nothing; nor does a group holding one; other
    // groups still do.
    EXPECT_EQ(IndexMatchFor(QStringLiteral("al.ha"), words).kind, IndexMatch::Kind::Scan);
    EXPECT_EQ(IndexMatchFor(QStringLiteral("x |a.b"), words).kind, IndexMatch::Kind::Scan);
    EXPECT_EQ(IndexMatchFor(QStringLiteral("x |a.b yz"), words).expression,
              QByteArray("((\"yz\"))"));
    // Under the literal types the same word is a literal.
    EXPECT_EQ(IndexMatchFor(QStringLiteral("al.ha"), {2, false}).kind, IndexMatch::Kind::Match);
    EXPECT_EQ(IndexMatchFor(QStringLiteral("a.b c"), {3, true}).kind, IndexMatch::Kind::Match);
    EXPECT_EQ(IndexMatchFor(QStringLiteral("a.b"), {1, false}).kind, IndexMatch::Kind::Scan);
    EXPECT_EQ(IndexMatchFor(QStringLiteral("ab"), {1, false}).kind, IndexMatch::Kind::Match);
    // Only exclusions: the matcher finds nothing.
    EXPECT_EQ(IndexMatchFor(QStringLiteral("-beta"), words).kind, IndexMatch::Kind::None);
    EXPECT_EQ(IndexMatchFor(QString(), words).kind, IndexMatch::Kind::Scan);
    // Quotes inside a token are doubled.
    EXPECT_EQ(IndexMatchFor(QStringLiteral("a\"b"), {2, false}).expression,
              QByteArray("((\"a\"\"\" AND \"\"\"b\"))"));
}
