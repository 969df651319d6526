#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringDecoder>

#include "engine/Matcher.h"
#include "engine/MatcherPrefilter.h"
#include "engine/MatcherText.h"
#include "store/TextCodec.h"

using namespace korvi;

namespace {

// Pieces that stress the plain text: tags, blanks, dropped characters,
// case variants (the Kelvin sign and the long s fold to "k" and "s"), kanji.
const QStringList kPieces = {
    "<",      ">",     "<b>",   "</p>",       " ",     "  ",  "\n",  "\r\n",       "\t",
    "|",      "a",     "Korvi", "korvi",      "KORVI", "kor", "vi",  "\u212Aorvi", "\u017Fun",
    "sun",    "SUN",   "検索",  "ウェブ",     "é",     "É",   "x.y", "xzy",        "\U0001F600",
    "\uFEFF", "zebra", "ZEBRA", "<?xml-qorn", "?>",    "\\",  "-"};

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

TEST(MatcherPrefilter, PlainBytesAndUtf8CheckAgreeWithTheTextForms) {
    QRandomGenerator rng(11);
    for (int i = 0; i < 3000; ++i) {
        const QString text = RandomText(rng, int(rng.bounded(60)));
        QByteArray plain;
        MatcherPlainBytes(text.toUtf8(), plain);
        ASSERT_EQ(plain, MatcherPlainText(text).toUtf8()) << text.toStdString();
    }
    // Long runs take the 16-byte paths.
    const QString longText = QString(40, u'q') + "  <" + QString(40, u'r') + ">x y\t z" +
                             QString(33, u' ') + "<tag" + QString(50, u'w');
    QByteArray plain;
    MatcherPlainBytes(longText.toUtf8(), plain);
    EXPECT_EQ(plain, MatcherPlainText(longText).toUtf8());

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
    const unsigned char alphabet[] = {'a',  ' ',  0x80, 0x9F, 0xA0, 0xBF, 0xC2, 0xC0, 0xDF,
                                      0xE0, 0xE3, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    for (int i = 0; i < 20000; ++i) {
        QByteArray b;
        const int n = int(rng.bounded(40));
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
    const QStringList queries = {"korvi",      "korvi zebra", "kor vi",      "korvi -zebra",
                                 "sun |korvi", "x.y",         "検索 ウェブ", "é",
                                 "\U0001F600", "-korvi",      "k",           "korvi\\ zebra",
                                 "kor\nvi",    "\\-",         "s",           "zebra |xzy"};
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
    EXPECT_TRUE(May(MatcherPrefilter("korvi", cs), "kor\n  vi"));
    EXPECT_TRUE(May(MatcherPrefilter("korvi", cs), "<a href=\"korvi\">x</a>"));
    EXPECT_TRUE(May(MatcherPrefilter("korvi", ci), "\u212Aorvi"));  // Kelvin sign
    EXPECT_TRUE(May(MatcherPrefilter("sun", ci), "\u017Fun"));      // long s
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
