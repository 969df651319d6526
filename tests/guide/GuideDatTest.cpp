#include <gtest/gtest.h>

#include "fixtures/TempHome.h"
#include "guide/GuideDat.h"

using namespace korvi;
using korvi::test::TempHome;

// Groups split at "--"; carriage returns and empty lines vanish; a file of
// separators only gives no buttons.
TEST(GuideDat, ParsesGroups) {
    EXPECT_TRUE(ParseGuideDat(QStringLiteral("--\n--\r\n\n--")).isEmpty());
    EXPECT_TRUE(ParseGuideDat(QString()).isEmpty());
    const QList<QStringList> g = ParseGuideDat(QStringLiteral("a\r\n\r\nb\n--\n--\nc d\r\n--\n"));
    ASSERT_EQ(g.size(), 2);
    EXPECT_EQ(g[0], (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(g[1], QStringList{QStringLiteral("c d")});
}

// Only names with a profile file become buttons; a name that would leave
// the option folder is dropped.
TEST(GuideDat, KeepsExistingProfilesOnly) {
    TempHome home;
    EXPECT_EQ(LoadGuideDat(home.Ctrl()),
              QList<QStringList>{QStringList{QStringLiteral("デフォルト")}});
    home.Write(QStringLiteral("option/画像.ini"), "[BaseOption]\ndepth_max=1\n");
    home.Write(QStringLiteral("outside.ini"), "[BaseOption]\n");
    home.Write(QString(kGuideDatPath), "画像\r\nない\r\n--\r\n../outside\r\n--\r\nデフォルト\r\n");
    const QList<QStringList> g = LoadGuideDat(home.Ctrl());
    ASSERT_EQ(g.size(), 2);
    EXPECT_EQ(g[0], QStringList{QStringLiteral("画像")});
    EXPECT_EQ(g[1], QStringList{QStringLiteral("デフォルト")});
}
