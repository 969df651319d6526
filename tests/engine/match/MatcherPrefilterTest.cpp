#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringDecoder>

#include "engine/match/Matcher.h"
#include "engine/match/MatcherPrefilter.h"
#include "engine/match/MatcherText.h"
#include "store/TextCodec.h"

using namespace korvi;

namespace {

// Pieces that stress the plain text: tags, blanks, dropped characters,
// case variants (the Kelvin sign and the long s fold to "k" and "s"), kanji.
const QStringList kPieces = {"<", ">", "<b>", "</p>", " ", "  ", "\n", "\r\n", "\t", "|", "a",
                             "Korvi", "korvi", "KORVI", "kor", "vi", "\u212Aorvi", "\u017Fun",
                             "sun", "SUN", "検索", "ウェブ", "é", "É", "x.y", "xzy", "\U0001F600",
                             "\uFEFF", "zebra", "ZEBRA", "<?xml-qorn", "?>", "\\", "-",
                             // Markup the search text drops or decodes.
                             "&lt;", "&gt;", "&amp;", "&#187;", "&#x4B;", "&nbsp;", "&", "lt;",
                             "<script>", "</script>", "<style>", "</style>", "<!--", "-->", "<br>",
                             "<a title=\"", "\"", "<html>", "\u00BB", "\u00AD", "&shy;"};

QString RandomText(QRandomGenerator& rng, int pieces) {
    QString t;
    for (int i = 0; i < pieces; ++i) t += kPieces[rng.bounded(int(kPieces.size()))];
    return t;
}

bool May(const MatcherPrefilter& f, const QByteArray& bytes) {
    MatcherPrefilter::Scratch s;
    return f.MayMatch(bytes, s);
}

}  // namespace

TEST(MatcherPrefilter, Utf8CheckAgreesWithQt) {
    QRandomGenerator rng(11);
    for (const char* bad : {"\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80",
                            "a\xE3\x81", "\xF0\x9F\x98", "\xFF", "abcdefghijklmnopq\xE3\x81x"}) {
        EXPECT_FALSE(IsStrictUtf8(QByteArray(bad))) << bad;
    }
    for (const char* good : {"", "abc", "\xEF\xBB\xBF<p>", "\xEF\xBF\xBF", "\xF4\x8F\xBF\xBF",
                             "\xE6\xA4\x9C\xE7\xB4\xA2 ok \xC3\xA9"}) {
        EXPECT_TRUE(IsStrictUtf8(QByteArray(good))) << good;
    }
    // Random bytes near the multi-byte forms: whatever passes, Qt decodes
    // without error (Qt's decoder also lets a cut-off last character pass).
    // Longer ones put the forms across the 16-byte blocks of the fast check.
    const unsigned char alphabet[] = {'a',  ' ',  0x80, 0x9F, 0xA0, 0xBF, 0xC2, 0xC0, 0xDF,
                                      0xE0, 0xE3, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    for (int i = 0; i < 20000; ++i) {
        QByteArray b;
        const int n = int(rng.bounded(i % 2 ? 40 : 100));
        for (int k = 0; k < n; ++k) b += char(alphabet[rng.bounded(int(sizeof(alphabet)))]);
        // A byte after the end makes Qt report a cut-off last character.
        ASSERT_EQ(IsStrictUtf8(b), IsValidUtf8(b + 'a')) << b.toHex().toStdString();
        if (IsStrictUtf8(b)) {
            ASSERT_TRUE(IsValidUtf8(b)) << b.toHex().toStdString();
        }
    }
}

TEST(MatcherPrefilter, RejectsOnlyTextsTheMatcherCannotMatch) {
    Matcher matcher;
    const QStringList queries = {
        "korvi",       "korvi zebra", "kor vi",     "korvi -zebra",  "sun |korvi", "x.y",
        "検索 ウェブ", "é",           "\U0001F600", "-korvi",        "k",          "korvi\\ zebra",
        "kor\nvi",     "\\-",         "s",          "zebra |xzy",    "<korvi>",    "korvi\\ sun",
        "\u00BBK",     "k&",          "script",     "zebra\\ ZEBRA", "lt;korvi",   "korvi\u00BB"};
    QRandomGenerator rng(5);
    int rejected = 0;
    int checked = 0;
    for (int i = 0; i < 600; ++i) {
        const QString text = RandomText(rng, 1 + int(rng.bounded(30)));
        QByteArray bytes = text.toUtf8();
        if (i % 7 == 0) bytes.prepend("\xEF\xBB\xBF");
        // The file search reads text with its line breaks made "\n".
        const QString read = DecodeText(bytes).replace("\r\n", "\n");
        for (int type = 0; type < 4; ++type) {
            for (bool cs : {false, true}) {
                const Matcher::Options o{type, cs};
                for (const QString& q : queries) {
                    const MatcherPrefilter f(q, o);
                    ++checked;
                    if (May(f, bytes)) continue;
                    ++rejected;
                    ASSERT_EQ(matcher.SrchStrList(q, read, o), "")
                        << "type " << type << " cs " << cs << " query " << q.toStdString()
                        << " text " << text.toStdString();
                }
            }
        }
    }
    // The filter does reject, or the test above proves nothing.
    EXPECT_GT(rejected, checked / 4);
}

TEST(MatcherPrefilter, KnowsWhereItCannotJudge) {
    const Matcher::Options ci{2, false};
    const Matcher::Options cs{2, true};
    // Case variants, plain-text joins and in-tag hits all pass.
    EXPECT_TRUE(May(MatcherPrefilter("korvi", ci), "<p>KORVI</p>"));
    EXPECT_FALSE(May(MatcherPrefilter("korvi", cs), "<p>KORVI</p>"));
    EXPECT_TRUE(May(MatcherPrefilter("korvi", cs), "kor<b>vi"));
    // Words on two lines are two words.
    EXPECT_FALSE(May(MatcherPrefilter("korvi", cs), "kor\n  vi"));
    EXPECT_TRUE(May(MatcherPrefilter("korvi", cs), "<a href=\"korvi\">x</a>"));
    EXPECT_TRUE(May(MatcherPrefilter("korvi", ci), "\u212Aorvi"));  // Kelvin sign
    EXPECT_TRUE(May(MatcherPrefilter("sun", ci), "\u017Fun"));      // long s
    // What the search text makes of the bytes: references, joined lines and
    // dropped script content.
    EXPECT_TRUE(May(MatcherPrefilter("<expr>", cs), "<p>&lt;expr&gt;</p>"));
    EXPECT_TRUE(May(MatcherPrefilter("<expr>", {3, true}), "&lt;expr&gt;"));
    EXPECT_TRUE(May(MatcherPrefilter("a\u00BBb", cs), "a&#187;b"));
    EXPECT_TRUE(May(MatcherPrefilter("and\\ concurrent", cs), "and\nconcurrent"));
    EXPECT_TRUE(May(MatcherPrefilter("korvi", cs), "kor<script>x</script>vi"));
    EXPECT_TRUE(May(MatcherPrefilter("korvi", cs), "kor&shy;vi"));
    EXPECT_FALSE(May(MatcherPrefilter("<expr>", cs), "&lt;exp&gt;"));
    EXPECT_FALSE(May(MatcherPrefilter("korvi", ci), "no such word"));
    EXPECT_FALSE(May(MatcherPrefilter("korvi", ci), ""));
    // Bytes in another encoding, or with ESC (ISO-2022-JP), are not judged.
    EXPECT_TRUE(May(MatcherPrefilter("korvi", ci), EncodeAs("検索", "windows-31j")));
    EXPECT_TRUE(May(MatcherPrefilter("korvi", ci), "\x1b$B0!\x1b(B"));

    // Pattern words leave their group open; a bad pattern leaves the search alone.
    EXPECT_FALSE(MatcherPrefilter("k.rvi", {0, false}).Active());
    EXPECT_TRUE(MatcherPrefilter("k.rvi", {2, false}).Active());
    EXPECT_FALSE(MatcherPrefilter("k.rvi", {1, false}).Active());
    EXPECT_TRUE(MatcherPrefilter("korvi", {1, false}).Active());
    const MatcherPrefilter mixed("k.rvi zebra", {0, false});
    ASSERT_EQ(mixed.Groups().size(), 1u);
    EXPECT_EQ(mixed.Groups()[0], std::vector<QByteArray>{"zebra"});
    EXPECT_FALSE(MatcherPrefilter("zebra -(", {0, false}).Active());
    EXPECT_FALSE(May(MatcherPrefilter("-zebra", ci), "anything"));  // no AND group
    EXPECT_FALSE(MatcherPrefilter("", ci).Active());

    // Needles keep the longest piece whose case variants are ASCII only.
    EXPECT_EQ(MatcherPrefilter("Ask", ci).Groups()[0], std::vector<QByteArray>{"a"});
    EXPECT_FALSE(MatcherPrefilter("sk", ci).Active());
    EXPECT_EQ(MatcherPrefilter("sk", cs).Groups()[0], std::vector<QByteArray>{"sk"});
    EXPECT_EQ(MatcherPrefilter("検索 |ウェブ", ci).Groups()[0],
              (std::vector<QByteArray>{QString("検索").toUtf8(), QString("ウェブ").toUtf8()}));
}

namespace korvi {
namespace {

// An occurrence hidden from the raw bytes by markup, a reference or a folded
// blank still passes; a page whose marks hide none is rejected without
// building its search text.
TEST(MatcherPrefilter, HiddenOccurrencesPassOthersAreRejected) {
    const MatcherPrefilter f(QStringLiteral("zebra"), Matcher::Options{0, false});
    for (const char* hidden :
         {"<p>ze<b>bra</b></p>", "<p>z&#101;bra</p>", "<p>&#122;ebra</p>", "<p>zeb<!-- x -->ra</p>",
          "<p>zeb<script>x</script>ra</p>", "<p>ZE<i>BRA</i></p>", "<p>zeb\xC2\xADra</p>"}) {
        EXPECT_TRUE(May(f, QByteArray(hidden))) << hidden;
    }
    for (const char* none : {"<p>a zebu and a bra</p>", "<p>z e b r a &amp; more</p>",
                             "<html><body>nothing &lt;here&gt;</body></html>"}) {
        EXPECT_FALSE(May(f, QByteArray(none))) << none;
    }
    // A word that a named reference can start is judged on its search text.
    const MatcherPrefilter sign(QStringLiteral("\u00BBnext"), Matcher::Options{0, false});
    EXPECT_TRUE(May(sign, QByteArray("<p>&raquo;next</p>")));
}

}  // namespace
}  // namespace korvi
