#include <gtest/gtest.h>

#include <QDir>

#include "fixtures/TempHome.h"
#include "store/DocRunReport.h"

using namespace korvi;

namespace {

struct Calls {
    QStringList titles, texts, progress, opened;
    bool openOk = true;
};

DocRunReport MkReport(test::TempHome& th, Calls* c) {
    return DocRunReport(
        th.Ctrl(),
        [c](const QString& t, const QString& x) {
            c->titles.append(t);
            c->texts.append(x);
        },
        [c](const QString& p) { c->progress.append(p); },
        [c](const QString& path) {
            c->opened.append(path);
            return c->openOk;
        });
}

QStringList Row(const QString& no, const QString& title, const QString& url) {
    return {no, "100", "一致", "1", "ctx, with <tag>", title, url, "3", "3", "3", "html", ""};
}

}  // namespace

TEST(DocRunReport, WritesDataComposesAndOpensTheShippedDefault) {
    test::TempHome th;
    Calls c;
    DocRunReport report = MkReport(th, &c);
    RunReportInput in;
    in.title = "調査 50% #1";
    in.rows = {Row("1", "A<B>", "http://h/a.html"), Row("2", "二番", "http://h/b.html")};
    in.pageUrl = "http://h/";
    in.pageTitle = "Top & <i>";
    in.words = {"korvi", "web"};
    const QString path = report.OutTmplt("デフォルト", in);
    ASSERT_EQ(path, th.File("report/調査 50% #1/body.html"));
    ASSERT_EQ(c.opened, QStringList{path});
    EXPECT_TRUE(c.titles.isEmpty());
    EXPECT_TRUE(th.Exists("report/調査 50% #1/style.css"));
    const QString doc = QString::fromUtf8(th.Read("report/調査 50% #1/body.html"));
    EXPECT_FALSE(doc.contains("&|&"));
    EXPECT_TRUE(doc.contains("<TITLE>調査 50% #1</TITLE>"));
    EXPECT_TRUE(doc.contains("Top &amp; &lt;i&gt;"));
    EXPECT_TRUE(doc.contains(">A&lt;B&gt;</A>"));
    EXPECT_TRUE(doc.contains("二番"));
    EXPECT_TRUE(doc.contains("ctx, with &lt;tag&gt;"));
    EXPECT_TRUE(doc.contains(">korvi<"));
    EXPECT_TRUE(doc.contains(DocRunReport::FootHtml()));
    const QString csv = QString::fromUtf8(th.Read("report/調査 50% #1/search_log_log.csv"));
    EXPECT_TRUE(csv.startsWith("^serial_no,^no,^state,^result,"));
    EXPECT_TRUE(csv.contains("\n0,1,100,一致,1,ctx%2C with <tag>,A<B>,"));
    EXPECT_EQ(c.progress.value(0), QStringLiteral("  出力作業終了 = 1 / 2 件  "));
    EXPECT_EQ(c.progress.value(2), QStringLiteral("  出力作業終了 = 2 / 2 件 -> 保存作業中  "));
    EXPECT_EQ(c.progress.last(), QStringLiteral("  出力作業終了 = 2 / 2 件 -> 終了  "));

    // The CSV type keeps markup characters and quotes its fields.
    const QString csvPath = report.OutTmplt("CSV", in, "out2");
    ASSERT_FALSE(csvPath.isEmpty());
    const QString out = QString::fromUtf8(th.Read("out2/調査 50% #1/body.csv"));
    EXPECT_TRUE(out.contains("\"1\",\"100\",\"一致\",\"1\",\"ctx, with <tag>\",\"A<B>\""));
}

TEST(DocRunReport, RefusesWhatItCannotUse) {
    test::TempHome th;
    Calls c;
    DocRunReport report = MkReport(th, &c);
    RunReportInput in;
    in.title = "t";
    EXPECT_EQ(report.OutTmplt("デフォルト", in), "");
    EXPECT_EQ(c.titles.value(0), QStringLiteral("開く警告"));
    EXPECT_EQ(c.texts.value(0), QStringLiteral("リストにデータがありません。"));

    in.rows = {Row("1", "a", "http://h/")};
    EXPECT_EQ(report.OutTmplt("無い形式", in), "");
    EXPECT_EQ(report.OutTmplt("../out_templet/CSV", in), "");
    EXPECT_EQ(c.texts.value(1), QStringLiteral("出力形式ファイルが見つかりませんでした。"));
    th.Write("out_templet/空/readme.txt", "x");
    EXPECT_EQ(report.OutTmplt("空", in), "");
    EXPECT_EQ(c.titles.last(), QStringLiteral("出力"));
    EXPECT_EQ(c.texts.last(), QStringLiteral("出力形式ファイルの本体が見つかりませんでした。"));
    const QString log = QString::fromUtf8(th.Read("log_err/R.log"));
    EXPECT_TRUE(log.contains("SelOutTmplt OutTypeList Srch Error : not found"));
    EXPECT_TRUE(log.contains("SelOutTmplt OutTypeBody Srch Error : not found"));

    c.openOk = false;
    EXPECT_FALSE(report.OutTmplt("CSV", in).isEmpty());
    EXPECT_EQ(c.titles.last(), QStringLiteral("結果出力"));
    EXPECT_EQ(c.texts.last(), QStringLiteral("出力ファイルを開けませんでした。"));
    EXPECT_TRUE(
        QString::fromUtf8(th.Read("log_err/R.log")).contains("W_Main OutTmplt Exec Error : "));
}

TEST(DocRunReport, OffersTheDefaultTypeFirst) {
    test::TempHome th;
    Calls c;
    DocRunReport report = MkReport(th, &c);
    th.Write("out_templet/AAA/body.txt", "x");
    const QStringList types = report.ListOutTypes();
    ASSERT_GE(types.size(), 3);
    EXPECT_EQ(types.first(), QStringLiteral("デフォルト"));
    EXPECT_EQ(types.at(1), QStringLiteral("AAA"));
    EXPECT_TRUE(types.contains("CSV"));
    QDir(th.File("out_templet")).removeRecursively();
    EXPECT_TRUE(report.ListOutTypes().isEmpty());
    EXPECT_EQ(c.texts.last(), QStringLiteral("出力形式が見つかりませんでした。"));
}

TEST(DocRunReport, ComposesRowsOfOtherKeysThroughRunListTypes) {
    test::TempHome th;
    Calls c;
    DocRunReport report = MkReport(th, &c);
    RunReportInput in;
    in.title = "init";
    in.keys = {"^obj", "^rng", "^title", "^url", "^ext"};
    in.rows = {{"1", "@|>>", "最初 <b>", "http://h/a.html", "html"},
               {"0", ">|@>", "二番", "http://h/b.zip", "zip"}};
    const QString path = report.OutTmplt("デフォルト", in);
    ASSERT_FALSE(path.isEmpty());
    const QString doc = QString::fromUtf8(th.Read("report/init/body.html"));
    EXPECT_TRUE(doc.contains("<A HREF=\"http://h/a.html\">最初 &lt;b&gt;</A>"));
    EXPECT_TRUE(doc.contains("<TD CLASS=\"num\">2</TD>"));  // ^no counts the rows
    // Run-list placeholders the rows lack are empty, never left as text.
    EXPECT_FALSE(doc.contains("^result"));
    EXPECT_FALSE(doc.contains("^referrer"));
    EXPECT_FALSE(doc.contains("^extension"));
    const QString csv = QString::fromUtf8(th.Read("report/init/search_log_log.csv"));
    EXPECT_TRUE(csv.startsWith("^serial_no,^obj,^rng,^title,^url,^ext,^no,^state,"));
    EXPECT_TRUE(csv.contains("\n1,0,>|@>,二番,http://h/b.zip,zip,2,,"));

    // The start page: the first row at depth 1, else the first row.
    RunReportInput run;
    run.rows = {Row("1", "深い", "http://h/x/deep.html"), Row("2", "上", "https://s.h/top/")};
    run.rows[0][3] = "2";
    DocRunReport::SetStartPage(run);
    EXPECT_EQ(run.pageUrl, "https://s.h/top/");
    EXPECT_EQ(run.pageTitle, QStringLiteral("上"));
    EXPECT_EQ(run.rootUrl, "https://s.h/");
    DocRunReport::SetStartPage(in);
    EXPECT_EQ(in.pageUrl, "http://h/a.html");

    // The run list's own keys keep their columns when given explicitly.
    const DocTable t = DocRunReport::MkTable({{"7", "100"}}, DocRunReport::ColumnKeys());
    EXPECT_EQ(t.header, QStringList{"^serial_no"} + DocRunReport::ColumnKeys());
    EXPECT_EQ(t.rows.at(0).mid(0, 4), (QStringList{"0", "7", "100", ""}));
}
