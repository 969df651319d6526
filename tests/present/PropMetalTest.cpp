#include <gtest/gtest.h>

#include <QFile>

#include <string>

#include "present/PropMetal.h"

using korvi::PropMetal;
using korvi::ThemeRgb;

namespace {

struct Parsed {
    std::optional<ThemeRgb> color;
    std::string console;
};

Parsed Parse(const QString& value) {
    testing::internal::CaptureStderr();
    Parsed p{PropMetal::parseColor(value), {}};
    p.console = testing::internal::GetCapturedStderr();
    return p;
}

}  // namespace

TEST(PropMetalColor, BlanksAroundTheNumbersAreAllowed) {
    for (const QString& v : {QStringLiteral("102,102,153"), QStringLiteral("102, 102, 153"),
                             QStringLiteral(" 102 ,\t102 , 153 ")}) {
        const Parsed p = Parse(v);
        ASSERT_TRUE(p.color.has_value()) << v.toStdString();
        EXPECT_EQ(*p.color, (ThemeRgb{102, 102, 153}));
        EXPECT_EQ(p.console, "");
    }
    EXPECT_EQ(*Parse("0,0,0").color, (ThemeRgb{0, 0, 0}));
    EXPECT_EQ(*Parse("255,255,255").color, (ThemeRgb{255, 255, 255}));
}

TEST(PropMetalColor, MalformedValuesPrintAndLeaveTheColourUnset) {
    for (const char* v : {"1,2", "1,2,3,4", "", "1,,3", "a,b,c", "256,0,0", "-1,0,0", "1 0,2,3",
                          "+5,0,0", "1.5,2,3"}) {
        const Parsed p = Parse(QString::fromUtf8(v));
        EXPECT_FALSE(p.color.has_value()) << v;
        EXPECT_EQ(p.console, std::string("Couldn't parse color : ") + v + "\n");
    }
}

TEST(PropMetalLoad, ReadsNameAndColoursInAnyPropertiesSpelling) {
    PropMetal t;
    t.loadProperties(
        QStringLiteral("# a comment\n! another\n\n"
                       "name=サクラ\r\n"
                       "primary1 = 1, 2, 3\n"
                       "primary2: 4,5,6\n"
                       "  secondary3\t7,8,9\n"
                       "black=10,\\\n    11,12\n"
                       "white=\\u0031,1,1\n"));
    EXPECT_EQ(t.Name(), "サクラ");
    EXPECT_EQ(t.Color(PropMetal::kPrimary1), (ThemeRgb{1, 2, 3}));
    EXPECT_EQ(t.Color(PropMetal::kPrimary2), (ThemeRgb{4, 5, 6}));
    EXPECT_EQ(t.Color(PropMetal::kSecondary3), (ThemeRgb{7, 8, 9}));
    EXPECT_EQ(t.Color(PropMetal::kBlack), (ThemeRgb{10, 11, 12}));
    EXPECT_EQ(t.Color(PropMetal::kWhite), (ThemeRgb{1, 1, 1}));
    EXPECT_FALSE(t.Color(PropMetal::kPrimary3).has_value());
}

TEST(PropMetalLoad, MissingKeysKeepTheDefaults) {
    PropMetal t;
    t.loadProperties(QStringLiteral("name=First\nprimary1=1,1,1\n"));
    testing::internal::CaptureStderr();
    t.loadProperties(QByteArray("secondary1=9,9\nwhite=250,250,250\n"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Couldn't parse color : 9,9\n");
    // A new load replaces the whole theme.
    EXPECT_EQ(t.Name(), PropMetal::kDefaultName);
    EXPECT_FALSE(t.Color(PropMetal::kPrimary1).has_value());
    EXPECT_FALSE(t.Color(PropMetal::kSecondary1).has_value());
    EXPECT_EQ(t.Color(PropMetal::kWhite), (ThemeRgb{250, 250, 250}));
    EXPECT_EQ(PropMetal::Key(PropMetal::kSecondary2), "secondary2");
}

TEST(PropMetalLoad, ShippedThemesAreComplete) {
    for (const char* name : {"Korvi", "サクラ", "ダーク", "若葉"}) {
        QFile f(QStringLiteral(KORVI_SOURCE_DIR "/data/theme/") + QString::fromUtf8(name) +
                QStringLiteral(".theme"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        PropMetal t;
        testing::internal::CaptureStderr();
        t.loadProperties(f.readAll());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << name;
        EXPECT_EQ(t.Name(), QString::fromUtf8(name));
        for (int s = 0; s < PropMetal::kSlotCount; ++s) {
            EXPECT_TRUE(t.Color(static_cast<PropMetal::Slot>(s)).has_value()) << name << s;
        }
    }
}
