#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QString>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/match/Matcher.h"
#include "engine/match/MatcherText.h"
#include "fixtures/TempHome.h"

using korvi::Matcher;

namespace {

// A page whose plain text puts `word` after a prefix and a long tail.
QString PageWith(const QString& before, const QString& after) {
    return QStringLiteral("<html><head><title>t</title></head><body>\n<p>") + before +
           QStringLiteral("</p>\n<div>") + after + QStringLiteral("</div></body></html>");
}

QString Tail(int n) {
    QString s;
    for (int i = 0; i < n; ++i) s += QChar(u'あ' + (i % 20));
    return s;
}

}  // namespace

TEST(Matcher, AlternativeAndExclusionGiveContextAtFirstGroupHit) {
    Matcher m;
    const QString page = PageWith(QStringLiteral("冒頭の文"), QStringLiteral("東京") + Tail(300));
    // First word absent, its alternative present, the excluded word absent.
    const QString ctx = m.SrchStrList(QStringLiteral("大阪 |東京 -名古屋"), page);
    const QString plain = korvi::MatcherSearchText(page).text;
    const qsizetype p = plain.indexOf(QStringLiteral("東京"));
    ASSERT_GE(p, 0);
    EXPECT_EQ(ctx, plain.mid(p, 160));
    EXPECT_EQ(ctx.size(), 160);
    EXPECT_TRUE(ctx.startsWith(QStringLiteral("東京")));

    // The excluded word in the text rules the page out; inside a tag it is
    // not in the page.
    EXPECT_EQ(
        m.SrchStrList(QStringLiteral("大阪 |東京 -名古屋"), page + QStringLiteral("<a>名古屋</a>")),
        "");
    EXPECT_EQ(m.SrchStrList(QStringLiteral("大阪 |東京 -名古屋"),
                            page + QStringLiteral("<a title=\"名古屋\">x</a>")),
              ctx);
    // Every AND group must be found.
    EXPECT_EQ(m.SrchStrList(QStringLiteral("東京 福岡"), page), "");
    // Only exclusions: nothing to match.
    EXPECT_EQ(m.SrchStrList(QStringLiteral("-名古屋"), page), "");
    // The context is the first group's, wherever the later groups are found.
    const QString two = PageWith(QStringLiteral("beta first"), QStringLiteral("then alpha"));
    EXPECT_TRUE(
        m.SrchStrList(QStringLiteral("alpha beta"), two).startsWith(QStringLiteral("alpha")));
}

TEST(Matcher, EscapedSignsAndBlanksAreLiteral) {
    Matcher m;
    m.SetSearchType(2);
    const QString page =
        PageWith(QStringLiteral("an e-mail -foo here"), QStringLiteral("new  york"));
    // "\-foo" is the hyphenated text, not an exclusion of "foo".
    EXPECT_TRUE(m.SrchStrList(QStringLiteral("\\-foo"), page).startsWith(QStringLiteral("-foo")));
    EXPECT_EQ(m.SrchStrList(QStringLiteral("\\-bar"), page), "");
    // "new\ york" is one word: the two parts must stand together.
    EXPECT_EQ(m.SrchStrList(QStringLiteral("new\\ york"), PageWith("new and", "york")), "");
    EXPECT_TRUE(m.SrchStrList(QStringLiteral("new\\ york"), PageWith("a new york b", ""))
                    .startsWith(QStringLiteral("new york b")));
}

TEST(Matcher, SearchTypesTreatDotsAndRegexWords) {
    Matcher m;
    const QString page = PageWith(QStringLiteral("version 2x4 released"), QStringLiteral("v 1.0"));
    m.SetSearchType(1);
    EXPECT_TRUE(m.SrchStrList(QStringLiteral("2.4"), page).startsWith(QStringLiteral("2x4")));
    // The whole string is one pattern, blanks and signs included.
    EXPECT_TRUE(
        m.SrchStrList(QStringLiteral("version -?2"), page).startsWith(QStringLiteral("version 2")));
    m.SetSearchType(3);
    EXPECT_EQ(m.SrchStrList(QStringLiteral("2.4"), page), "");
    EXPECT_TRUE(m.SrchStrList(QStringLiteral("1.0"), page).startsWith(QStringLiteral("1.0")));
    // The whole string is one literal: "-" is not an exclusion here.
    EXPECT_EQ(m.SrchStrList(QStringLiteral("v -1"), page), "");
    // Type 0: every word is a pattern; type 2: every word is a literal.
    m.SetSearchType(0);
    EXPECT_FALSE(m.SrchStrList(QStringLiteral("2.4 rel.ased"), page).isEmpty());
    m.SetSearchType(2);
    EXPECT_EQ(m.SrchStrList(QStringLiteral("2.4 rel.ased"), page), "");
    EXPECT_FALSE(m.SrchStrList(QStringLiteral("2x4 released"), page).isEmpty());
    // Out-of-range types count as type 0.
    m.SetSearchType(9);
    EXPECT_EQ(m.SearchType(), 0);
    m.SetSearchType(-1);
    EXPECT_EQ(m.SearchType(), 0);
}

TEST(Matcher, WordOnlyInsideATagDoesNotMatch) {
    Matcher m;
    const QString page =
        QStringLiteral("<html><body><img src=\"tokyo.jpg\" alt=\"x\">本文 tokyo</body></html>");
    for (int type : {0, 1, 2, 3}) {
        m.SetSearchType(type);
        EXPECT_EQ(m.SrchStrList(QStringLiteral("tokyo.jpg"), page), "") << type;
        EXPECT_EQ(m.SrchStrList(QStringLiteral("img"), page), "") << type;
        EXPECT_EQ(m.SrchStrList(QStringLiteral("body"), page), "") << type;
    }
    // The minimal form returns only the hit, also for a pattern.
    m.SetSearchType(2);
    EXPECT_EQ(m.SrchStrListMin(QStringLiteral("TOKYO"), page), "tokyo");
    m.SetSearchType(1);
    EXPECT_EQ(m.SrchStrListMin(QStringLiteral("本.?"), page), QStringLiteral("本文"));
    EXPECT_EQ(m.SrchStrListMin(QStringLiteral("t[a-z]+o$"), page), "tokyo");
    // Text that is no page is still searched as it stands, "<...>" and all.
    m.SetSearchType(2);
    EXPECT_EQ(m.SrchStrListMin(QStringLiteral("<vector>"), "#include <vector>\n"), "<vector>");
}

TEST(Matcher, SearchesTheTextAReaderSees) {
    Matcher m;
    m.SetSearchType(2);
    const QString page = QStringLiteral(
        "<html><head><style>p.concurrent{}</style><script>var hidden=1;</script></head>"
        "<body><p>Use &lt;expr&gt; here &#187; next and\nconcurrent work.</p>"
        "<p>東京の\n天気</p></body></html>");
    EXPECT_TRUE(m.SrchStrList(QStringLiteral("<expr>"), page)
                    .startsWith(QStringLiteral("<expr> here \u00BB next and concurrent")));
    EXPECT_EQ(m.SrchStrListMin(QStringLiteral("and\\ concurrent"), page), "and concurrent");
    EXPECT_EQ(m.SrchStrListMin(QStringLiteral("東京の天気"), page), QStringLiteral("東京の天気"));
    EXPECT_EQ(m.SrchStrList(QStringLiteral("andconcurrent"), page), "");
    EXPECT_EQ(m.SrchStrList(QStringLiteral("hidden"), page), "");
    EXPECT_EQ(m.SrchStrList(QStringLiteral("&lt;"), page), "");
    // The links added to stored pages are no part of the context.
    const QString stored = QStringLiteral(
        "<html><body><A HREF=\"a.html\">Tokyo</A><FONT SIZE=1>(<A HREF=\"http://h/a.html\">"
        "@Web</A>)</FONT><FONT SIZE=1>(<A HREF=\"a.html\">@Local</A>)</FONT> guide</body></html>");
    EXPECT_EQ(m.SrchStrList(QStringLiteral("tokyo"), stored), "Tokyo guide");
    EXPECT_EQ(m.SrchStrList(QStringLiteral("@Web"), stored), "");
}

TEST(Matcher, CaseHandling) {
    Matcher m;
    const QString page = PageWith(QStringLiteral("Tokyo Tower"), QStringLiteral("x1y x-y"));
    for (int type : {0, 1, 2, 3}) {
        m.SetSearchType(type);
        m.SetCaseInsensitiveSetting(0);
        EXPECT_FALSE(m.SrchStrList(QStringLiteral("TOKYO"), page).isEmpty()) << type;
        m.SetCaseInsensitiveSetting(1);
        EXPECT_EQ(m.SrchStrList(QStringLiteral("TOKYO"), page), "") << type;
        EXPECT_FALSE(m.SrchStrList(QStringLiteral("Tokyo"), page).isEmpty()) << type;
        // Any other stored value means "same case".
        m.SetCaseInsensitiveSetting(2);
        EXPECT_FALSE(m.CaseSensitive());
    }
    // A regex word keeps its escapes when case does not matter: "\D" is not "\d".
    m.SetSearchType(0);
    m.SetCaseSensitive(false);
    EXPECT_TRUE(m.SrchStrListMin(QStringLiteral("X\\DY"), page) == "x-y");
    // The same words under another case setting are parsed again.
    m.SetSearchType(2);
    EXPECT_FALSE(m.SrchStrList(QStringLiteral("tower"), page).isEmpty());
    m.SetCaseSensitive(true);
    EXPECT_EQ(m.SrchStrList(QStringLiteral("tower"), page), "");
}

TEST(Matcher, EmptyInputsAndContextLimits) {
    Matcher m;
    EXPECT_EQ(m.SrchStrList(QString(), QStringLiteral("abc")), "");
    EXPECT_EQ(m.SrchStrList(QStringLiteral("abc"), QString()), "");
    EXPECT_EQ(m.SrchStrList(QStringLiteral("   "), QStringLiteral("a b c")), "");
    EXPECT_EQ(m.SrchTypeTxt(QString(), QStringLiteral("a"), QStringLiteral("a")), "");
    // 160 UTF-16 units: a character outside the BMP counts twice.
    QString body = QStringLiteral("key");
    for (int i = 0; i < 100; ++i) body += QStringLiteral("\U0001F600");
    const QString ctx = m.SrchStrList(QStringLiteral("key"), body);
    EXPECT_EQ(ctx.size(), 160);
    EXPECT_EQ(ctx, body.left(160));
    // A zero-length hit at the very end leaves no context in either text.
    m.SetSearchType(1);
    EXPECT_EQ(m.SrchStrListMin(QStringLiteral("$"), QStringLiteral("abc")), "");
    EXPECT_EQ(m.SrchStrList(QStringLiteral("c$"), QStringLiteral("abc")), "c");
}

TEST(Matcher, BadPatternLoggedAndCountsAsNoMatch) {
    korvi::test::TempHome th;
    Matcher m(&th.Ctrl());
    m.SetSearchType(1);
    EXPECT_EQ(m.SrchStrList(QStringLiteral("a(b"), QStringLiteral("a(b")), "");
    EXPECT_TRUE(th.ErrLog().contains(QStringLiteral("  SrchStrListTypeReg 1 Regex Error : ")));
    // Type 0: a bad word in an exclusion group does not rule the page out, and
    // a bad word in an AND group is not found.
    m.SetSearchType(0);
    EXPECT_EQ(m.SrchStrList(QStringLiteral("abc -[x"), QStringLiteral("abc")), "abc");
    EXPECT_EQ(m.SrchStrList(QStringLiteral("[x |abc"), QStringLiteral("abc")), "abc");
    EXPECT_EQ(m.SrchStrList(QStringLiteral("[x"), QStringLiteral("[x")), "");
    EXPECT_GE(th.ErrLog().count(QStringLiteral("Regex Error")), 4);
}

TEST(Matcher, PatternCacheStaysBounded) {
    Matcher m;
    m.SetSearchType(1);
    for (int i = 0; i < Matcher::kMaxCachedPatterns + 40; ++i) {
        const QString w = QStringLiteral("w") + QString::number(i);
        EXPECT_EQ(m.SrchStrListMin(u'(' + w + u')', QStringLiteral("xx ") + w + u' '), w);
    }
    EXPECT_LE(m.CachedPatternCount(), Matcher::kMaxCachedPatterns);
    EXPECT_GT(m.CachedPatternCount(), 0);
}

TEST(Matcher, SharedByConcurrentWorkers) {
    Matcher m;
    m.SetSearchType(2);
    const QString pageA = PageWith(QStringLiteral("alpha beta"), Tail(200));
    const QString pageB = PageWith(QStringLiteral("gamma delta"), Tail(200));
    const QString wordsA = QStringLiteral("alpha |zeta -gamma");
    const QString wordsB = QStringLiteral("delta -alpha");
    const QString ctxA = m.SrchStrList(wordsA, pageA);
    const QString ctxB = m.SrchStrList(wordsB, pageB);
    const QString minA = m.SrchStrListMin(wordsA, pageA);
    ASSERT_FALSE(ctxA.isEmpty());
    ASSERT_FALSE(ctxB.isEmpty());
    ASSERT_EQ(minA, "alpha");

    std::atomic<int> wrong{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 8; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < 400; ++i) {
                // Alternate words so the parsed-word cache is replaced all the time.
                const bool a = (i + t) % 2 == 0;
                if (a && m.SrchStrList(wordsA, pageA) != ctxA) ++wrong;
                if (!a && m.SrchStrList(wordsB, pageB) != ctxB) ++wrong;
                if (m.SrchStrList(wordsA, pageB) != "") ++wrong;
                if (i % 3 == 0 && m.SrchStrListMin(wordsA, pageA) != minA) ++wrong;
                if (i % 5 == 0 && m.SrchTypeReg(QStringLiteral("del.a") + QString::number(i % 7),
                                                pageB, pageB) != "") {
                    ++wrong;
                }
            }
        });
    }
    for (auto& w : workers) w.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(Matcher, ExplicitOptionsLeaveTheSharedSettingsAlone) {
    Matcher m;
    m.SetSearchType(2);
    m.SetCaseSensitive(true);
    const QString page = QStringLiteral("<p>Tokyo a.c</p>");
    EXPECT_EQ(m.SrchStrList("tokyo", page), "");
    EXPECT_EQ(m.SrchStrList("tokyo", page, {2, false}), "Tokyo a.c");
    EXPECT_EQ(m.SrchStrListMin("A.C", page, {0, false}), "a.c");
    EXPECT_EQ(m.SrchStrListMin("a.c", page, {1, true}), "a.c");
    EXPECT_EQ(m.SrchStrListMin("T", page, {7, true}), "T");  // bad type: type 0
    EXPECT_EQ(m.SearchType(), 2);
    EXPECT_TRUE(m.CaseSensitive());
    EXPECT_EQ(m.SrchStrList("tokyo", page), "");
}

TEST(Matcher, LiteralSearchAgreesWithCaselessPattern) {
    // Literal words are searched in case-folded text; the result must be what
    // a caseless pattern of the same text finds.
    const QString alphabet = QStringLiteral("aAbBςΣσÄä東京ｔＴ <>|");
    QRandomGenerator rng(7);
    Matcher m;
    for (int i = 0; i < 1500; ++i) {
        QString page;
        const int n = 1 + rng.bounded(30);
        for (int k = 0; k < n; ++k) page += alphabet.at(rng.bounded(alphabet.size()));
        QString word;
        const int w = 1 + rng.bounded(3);
        for (int k = 0; k < w; ++k) word += alphabet.at(rng.bounded(10));
        const bool cs = rng.bounded(2) == 0;
        const korvi::MatcherSearch search = korvi::MatcherSearchText(page);
        const QString& plain = search.text;
        const QString raw = search.markup ? QString() : page;
        QString expected;
        const QRegularExpression re(
            QRegularExpression::escape(word),
            cs ? QRegularExpression::NoPatternOption : QRegularExpression::CaseInsensitiveOption);
        for (const QString* t : {&plain, &raw}) {
            const auto match = re.match(*t);
            if (match.hasMatch()) {
                expected = t->mid(match.capturedStart(), word.size());
                break;
            }
        }
        for (int type : {0, 2}) {
            ASSERT_EQ(m.SrchStrListMin(word, page, {type, cs}), expected)
                << qPrintable(word) << " in " << qPrintable(page) << " type " << type;
        }
    }
}
