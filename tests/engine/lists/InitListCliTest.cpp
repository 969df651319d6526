#include <gtest/gtest.h>

#include <QProcess>

#include "engine/LinkPrint.h"
#include "fixtures/ProcessRun.h"
#include "fixtures/TempHome.h"

using namespace korvi;

namespace {

using CliRun = test::ProcessRun;

CliRun KorviRun(const test::TempHome& th, const QStringList& args) {
    test::ProcessOptions opt;
    opt.cwd = th.Path();
    return test::RunKorviRun(QStringList{QStringLiteral("--home"), th.Path()} + args, opt);
}

}  // namespace

TEST(InitListCli, PrintsRowsAsTsv) {
    test::TempHome th;
    th.Write(QStringLiteral("l.ini"),
             QByteArray("[BaseData]\np_url=http://h/d/\np_title=B\n\n[AllLinks]\nlink_no=2\n"
                        "link0=http://h/d/a.html\ntitle0=A\\B\nextension0=html\n"
                        "link1=http://x/\ntitle1=\nextension1=\n"));
    CliRun r = KorviRun(th, {QStringLiteral("list"), QStringLiteral("l.ini")});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(r.out, QStringLiteral("対象\t範囲\t見出し\tURL\t拡張子\n"
                                    "1\t>|>@\tA\\\\B\thttp://h/d/a.html\thtml\n"
                                    "1\t@|>>\t?\thttp://x/\t-\n"));

    th.Write(QStringLiteral("s.url"), QByteArray("[InternetShortcut]\nURL=http://s/\n"));
    r = KorviRun(th, {QStringLiteral("list"), th.File(QStringLiteral("s.url"))});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("1\t>|>@\ts\thttp://s/\t-\n"))) << qPrintable(r.out);

    r = KorviRun(th, {QStringLiteral("list"), QStringLiteral("http://typed/x.cgi")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("\thttp://typed/x.cgi\tcgi\n")));

    th.Write(QStringLiteral("empty.txt"), QByteArray("nothing\n"));
    EXPECT_EQ(KorviRun(th, {QStringLiteral("list"), QStringLiteral("empty.txt")}).code, 1);
    EXPECT_EQ(KorviRun(th, {QStringLiteral("list")}).code, 2);
    EXPECT_EQ(KorviRun(th, {QStringLiteral("list"), QStringLiteral("a"), QStringLiteral("b")}).code,
              2);
}
