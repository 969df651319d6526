#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <algorithm>

#include "engine/LinkPrint.h"
#include "engine/lists/InitListOrder.h"

using namespace korvi;

namespace {

QStringList Shuffled(const QStringList& sorted) {
    QStringList out;
    for (int i : ShuffleOrder(sorted)) out.append(sorted.at(i));
    return out;
}

QStringList Servers(const QStringList& urls) {
    QStringList out;
    for (const QString& u : urls) out.append(ServerOf(u));
    return out;
}

}  // namespace

TEST(InitListOrder, CellCompareAndServer) {
    EXPECT_LT(CompareCells(QStringLiteral("9"), QStringLiteral("10")), 0);
    EXPECT_GT(CompareCells(QStringLiteral("-1"), QStringLiteral("-2")), 0);
    // Non-canonical numbers compare as text.
    EXPECT_LT(CompareCells(QStringLiteral("09"), QStringLiteral("1")), 0);
    EXPECT_LT(CompareCells(QStringLiteral("10"), QStringLiteral("9a")), 0);
    EXPECT_EQ(CompareCells(QStringLiteral("0"), QStringLiteral("0")), 0);
    EXPECT_EQ(ServerOf(QStringLiteral("http://a.example/x/y")), QStringLiteral("//a.example/"));
    EXPECT_EQ(ServerOf(QStringLiteral("http://a.example")), QStringLiteral("//a.example"));
    EXPECT_EQ(ServerOf(QStringLiteral("nothing")), QString());
}

TEST(InitListOrder, ShuffleSpreadsServers) {
    const QStringList aab = {QStringLiteral("http://a/1"), QStringLiteral("http://a/2"),
                             QStringLiteral("http://b/1")};
    EXPECT_EQ(Shuffled(aab),
              QStringList({QStringLiteral("http://a/1"), QStringLiteral("http://b/1"),
                           QStringLiteral("http://a/2")}));
    const QStringList same = {QStringLiteral("http://a/1"), QStringLiteral("http://a/2"),
                              QStringLiteral("http://a/3"), QStringLiteral("http://a/4")};
    EXPECT_EQ(Shuffled(same), same);
    const QStringList two = {QStringLiteral("http://a/1"), QStringLiteral("http://a/2")};
    EXPECT_EQ(Shuffled(two), two);

    // Three servers of three rows each interleave completely.
    QStringList nine;
    for (const char* s : {"a", "b", "c"}) {
        for (int i = 0; i < 3; ++i)
            nine.append(QStringLiteral("http://%1/%2").arg(QLatin1String(s)).arg(i));
    }
    const QStringList servers = Servers(Shuffled(nine));
    for (qsizetype i = 1; i < servers.size(); ++i) EXPECT_NE(servers.at(i - 1), servers.at(i)) << i;

    // One dominant server: the few others are inserted between its rows.
    QStringList heavy;
    for (int i = 0; i < 6; ++i) heavy.append(QStringLiteral("http://a/%1").arg(i));
    heavy.append(QStringLiteral("http://b/0"));
    heavy.append(QStringLiteral("http://c/0"));
    const QStringList hs = Servers(Shuffled(heavy));
    EXPECT_EQ(hs.count(QStringLiteral("//a/")), 6);
    EXPECT_NE(hs.at(0), hs.at(1));
}

TEST(InitListOrder, ShuffleNeverLosesOrDoublesARow) {
    QRandomGenerator rng(20060309);
    for (int round = 0; round < 400; ++round) {
        const int n = rng.bounded(60);
        const int hosts = 1 + rng.bounded(6);
        QStringList urls;
        for (int i = 0; i < n; ++i) {
            const int h = rng.bounded(hosts);
            // Some rows without a path, some repeated verbatim.
            urls.append(rng.bounded(8) == 0
                            ? QStringLiteral("http://h%1").arg(h)
                            : QStringLiteral("http://h%1/p%2").arg(h).arg(rng.bounded(20)));
        }
        std::sort(urls.begin(), urls.end());
        const std::vector<int> order = ShuffleOrder(urls);
        ASSERT_EQ(int(order.size()), n);
        std::vector<int> seen = order;
        std::sort(seen.begin(), seen.end());
        for (int i = 0; i < n; ++i) ASSERT_EQ(seen[size_t(i)], i) << "round " << round;
        if (n > 0) {
            EXPECT_EQ(order.front(), 0);
        }
    }
}

TEST(InitListOrder, SerialExpansion) {
    EXPECT_EQ(ExpandSerial(QStringLiteral("u[08-10]")),
              QStringList({QStringLiteral("u08"), QStringLiteral("u09"), QStringLiteral("u10")}));
    EXPECT_EQ(ExpandSerial(QStringLiteral("u[8-10]")),
              QStringList({QStringLiteral("u8"), QStringLiteral("u9"), QStringLiteral("u10")}));
    EXPECT_EQ(ExpandSerial(QStringLiteral("[001-5].jpg")),
              QStringList({QStringLiteral("001.jpg"), QStringLiteral("002.jpg"),
                           QStringLiteral("003.jpg"), QStringLiteral("004.jpg"),
                           QStringLiteral("005.jpg")}));
    EXPECT_TRUE(ExpandSerial(QStringLiteral("u[10-08]")).isEmpty());
    EXPECT_EQ(ExpandSerial(QStringLiteral("a[1-2]b[5-6]")),
              QStringList({QStringLiteral("a1b5"), QStringLiteral("a1b6"), QStringLiteral("a2b5"),
                           QStringLiteral("a2b6")}));
    EXPECT_EQ(ExpandSerial(QStringLiteral("[0-1][00-01]")),
              QStringList({QStringLiteral("000"), QStringLiteral("001"), QStringLiteral("100"),
                           QStringLiteral("101")}));
    EXPECT_EQ(ExpandSerial(QStringLiteral("plain")), QStringList{QStringLiteral("plain")});
    // A range too large for memory stops at the limit instead.
    EXPECT_EQ(ExpandSerial(QStringLiteral("x[1-2000000000]"), 50).size(), 50);
    EXPECT_EQ(ExpandSerial(QStringLiteral("[1-3][1-1000000]"), 10).size(), 10);
}
