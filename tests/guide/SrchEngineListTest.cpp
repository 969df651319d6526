#include <gtest/gtest.h>

#include <QStringList>

#include "engine/lists/InitList.h"
#include "fixtures/TempHome.h"
#include "guide/SrchEngineList.h"

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace korvi;
using korvi::test::TempHome;

// Japanese and reserved characters leave as UTF-8 percent escapes, a
// blank as "+"; a lone surrogate is refused and logged.
TEST(SrchEngineList, EncodesWordsAsUtf8) {
    QStringList log;
    const ErrSink sink = [&](const QString& m) { log.append(m); };
    EXPECT_EQ(EncodeWordUtf8(QStringLiteral("日本 語"), sink),
              QStringLiteral("%E6%97%A5%E6%9C%AC+%E8%AA%9E"));
    EXPECT_EQ(EncodeWordUtf8(QStringLiteral("a&b=c+d/é"), sink),
              QStringLiteral("a%26b%3Dc%2Bd%2F%C3%A9"));
    EXPECT_EQ(EncodeWordUtf8(QStringLiteral("😀"), sink), QStringLiteral("%F0%9F%98%80"));
    EXPECT_TRUE(log.isEmpty());

    const QString broken = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b");
    EXPECT_TRUE(EncodeWordUtf8(broken, sink).isNull());
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].startsWith(QStringLiteral("URLEncoder :   invalid")))
        << log[0].toStdString();
}

// The three placeholders each take their own value; a row whose new URL
// would repeat another row's keeps its old URL; the title column is
// replaced the same way.
TEST(SrchEngineList, RepColDatReplacesInOneColumn) {
    TempHome home;
    InitList list(home.Ctrl());
    list.AddSrchLst(QStringLiteral("http://a.example/s?q=&|&^word^UTF-8&|&&n=&|&^no&|&"),
                    QStringLiteral("A &|&^no&|&"), QString());
    list.AddSrchLst(QStringLiteral("http://b.example/s?k=&|&^word&|&"), QString(), QString());
    list.AddSrchLst(QStringLiteral("http://b.example/s?k=x"), QString(), QString());
    FillSrchLst(list, {QStringLiteral("%E7%8C%AB"), QStringLiteral("x"), QStringLiteral("20")});
    EXPECT_EQ(list.Rows()[0].url, QStringLiteral("http://a.example/s?q=%E7%8C%AB&n=20"));
    EXPECT_EQ(list.Rows()[0].ttl, QStringLiteral("A &|&^no&|&"));
    EXPECT_EQ(list.Rows()[1].url, QStringLiteral("http://b.example/s?k=&|&^word&|&"));
    EXPECT_TRUE(list.ChkList(QStringLiteral("http://a.example/s?q=%E7%8C%AB&n=20")));

    EXPECT_EQ(RepColDat(list, 2, QStringLiteral("&|&^no&|&"), QStringLiteral("x")), 1);
    EXPECT_EQ(list.Rows()[0].ttl, QStringLiteral("A x"));
    EXPECT_EQ(RepColDat(list, 4, QStringLiteral("-"), QStringLiteral("x")), 0);
}
