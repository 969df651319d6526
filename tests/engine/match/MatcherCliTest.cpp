#include <gtest/gtest.h>

#include <QProcess>

#include "fixtures/ProcessRun.h"
#include "fixtures/TempHome.h"

namespace {

using Result = korvi::test::ProcessRun;

Result RunMatch(korvi::test::TempHome& th, const QStringList& args) {
    korvi::test::ProcessOptions opt;
    opt.cwd = th.Path();
    return korvi::test::RunKorviRun(QStringList{"--home", th.Path(), "match"} + args, opt);
}

}  // namespace

TEST(MatcherCli, PrintsContextOrFails) {
    korvi::test::TempHome th;
    th.Write("page.html", "<html><body><p>Hello Tokyo Tower</p></body></html>");
    // 東京タワー in Shift_JIS.
    th.Write("sjis.html", QByteArray("<p>\x93\x8c\x8b\x9e\x83\x5e\x83\x8f\x81\x5b</p>"));

    Result r = RunMatch(th, {"--words", "tokyo -osaka", "page.html"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "Tokyo Tower\n");
    r = RunMatch(th, {"--words", "tokyo", "--case-sensitive", "page.html"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    r = RunMatch(th, {"--words", "T.ky", "--type", "2", "page.html"});
    EXPECT_EQ(r.code, 1);
    r = RunMatch(th, {"--words", "T.ky", "--type", "1", "page.html"});
    EXPECT_EQ(r.code, 0);
    r = RunMatch(th, {"--words", QStringLiteral("タワー"), "sjis.html"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QStringLiteral("タワー\n"));
}

TEST(MatcherCli, UsageAndMissingFile) {
    korvi::test::TempHome th;
    th.Write("page.html", "abc");
    EXPECT_EQ(RunMatch(th, {"page.html"}).code, 2);
    EXPECT_EQ(RunMatch(th, {"--words", "a", "--type", "4", "page.html"}).code, 2);
    EXPECT_EQ(RunMatch(th, {"--words", "a", "--type", "x", "page.html"}).code, 2);
    EXPECT_EQ(RunMatch(th, {"--words", "a"}).code, 2);
    EXPECT_EQ(RunMatch(th, {"--words", "a", "nothere.html"}).code, 1);
    EXPECT_EQ(RunMatch(th, {"--words", "", "page.html"}).code, 1);
}
