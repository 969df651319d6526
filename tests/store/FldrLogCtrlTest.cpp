#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "FldrTestUtil.h"
#include "store/CtrlFile.h"
#include "store/FldrLogCtrl.h"

using korvi::FldrLogCtrl;
using korvi::FolderService;
using korvi::test::TempHome;
using korvi::test::Tree;

namespace {

const QString kOdd = QStringLiteral("資料 100%#1");

struct Ops {
    explicit Ops(TempHome& th) : fs(th.Ctrl()), ctrl(th.Ctrl(), fs) {}
    FolderService fs;
    FldrLogCtrl ctrl;
};

}  // namespace

TEST(FldrLogCtrlDelete, ConfirmAndReportTexts) {
    TempHome th;
    Ops o(th);
    th.Write("log/" + kOdd + "/a/x.html", QByteArray(2999, 'x'));
    th.Write("log/" + kOdd + "/y.html", QByteArray(1, 'y'));
    th.Write("log/B/z", "z");

    auto p = o.ctrl.PlanDel({});
    EXPECT_EQ(p.refusal.title, "DL先フォルダ削除");
    EXPECT_EQ(p.refusal.text, "削除する「DL先フォルダ」がありません。");
    EXPECT_FALSE(o.ctrl.PlanDel({"../option"}).Ok());
    EXPECT_FALSE(o.ctrl.RunDel(o.ctrl.PlanDel({".."})).ok);

    p = o.ctrl.PlanDel({kOdd, "B"});
    ASSERT_TRUE(p.Ok());
    EXPECT_EQ(p.confirm.title, "削除確認");
    EXPECT_EQ(p.confirm.text, "「" + kOdd +
                                  "、B」の「DL先フォルダ」を削除しようとしています。\n"
                                  "削除してもよいですか？\n");
    const auto r = o.ctrl.RunDel(p);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.message.title, "DL先フォルダ削除");
    EXPECT_EQ(r.message.text, "「" + kOdd +
                                  "、B」についての結果。\n\n"
                                  "削除した「DL先フォルダ」の情報は以下の通りです。\n\n"
                                  "・削除ディレクトリ数\t： 3 個\n"
                                  "・削除ファイル数\t： 3 個\n"
                                  "・削除ファイル・サイズ\t： 3 KB\n");
    EXPECT_EQ(o.ctrl.Entries(), QStringList({"tmp"}));
}

// A folder that cannot be deleted is named in the report.
TEST(FldrLogCtrlDelete, FailureIsReported) {
    TempHome th;
    Ops o(th);
    th.Write("log/A/x.html", "x");
    // A root that holds the home folder is never deleted from.
    th.Ctrl().SetLogRoot(th.File(""));
    const auto r = o.ctrl.RunDel(o.ctrl.PlanDel({"log"}));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.message.text.endsWith("\n「log」は削除できませんでした。\n"))
        << r.message.text.toStdString();
    EXPECT_TRUE(QFileInfo::exists(th.File("log/A/x.html")));
}

TEST(FldrLogCtrlDelete, AllTakesEveryEntryIncludingStock) {
    TempHome th;
    Ops o(th);
    th.Write("log/stock/s", "s");
    th.Write("log/R1/r", "r");
    th.Write("log/loose.txt", "l");
    const auto p = o.ctrl.PlanDelAll();
    EXPECT_EQ(p.confirm.title, "削除確認");
    EXPECT_EQ(p.confirm.text,
              "「DL先フォルダ」を全て削除しようとしています。\n削除してもよいですか？\n");
    // Entries made after the question are part of "all" too.
    th.Write("log/R2/late", "t");
    const auto r = o.ctrl.RunDel(p);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(o.ctrl.Entries().isEmpty());
    EXPECT_TRUE(th.Exists("log"));
    EXPECT_EQ(r.message.title, "DL先フォルダ全削除");
    EXPECT_EQ(r.message.text,
              "削除した「DL先フォルダ」の情報は以下の通りです。\n\n"
              "・削除ディレクトリ数\t： 4 個\n"
              "・削除ファイル数\t： 4 個\n"
              "・削除ファイル・サイズ\t： 0 KB\n");
}

TEST(FldrLogCtrlOpenCopy, RefusalsAndCopyResult) {
    TempHome th;
    Ops o(th);
    th.Write("log/" + kOdd + "/sub/p.html", "page");
    auto p = o.ctrl.PlanOpen({});
    EXPECT_EQ(p.refusal.title, "DL先フォルダ開く01");
    EXPECT_EQ(p.refusal.text, "「DL先フォルダ」がありません。");
    EXPECT_EQ(o.ctrl.PlanOpen({"gone"}).refusal.title, "DL先フォルダ開く02");
    EXPECT_EQ(o.ctrl.PlanOpen({kOdd}).path, th.File("log/" + kOdd));

    EXPECT_EQ(o.ctrl.PlanCopy({}).refusal.title, "DL先フォルダ複製01");
    EXPECT_EQ(o.ctrl.PlanCopy({"gone"}).refusal.title, "DL先フォルダ複製02");
    EXPECT_EQ(o.ctrl.PlanCopy({"gone"}).refusal.text, "「DL先フォルダ」がありません。");
    p = o.ctrl.PlanCopy({kOdd});
    ASSERT_TRUE(p.Ok());
    QTemporaryDir dest;
    const QString to = dest.path() + "/" + kOdd;
    auto r = o.ctrl.RunCopy(p, to);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.message.title, "DL先フォルダ複製終了");
    EXPECT_EQ(r.message.text, "「DL先フォルダ」の複製が終了しました。");
    EXPECT_EQ(Tree(to).value("sub/p.html"), "page");
    // A copy into the folder itself is a failure, not a success.
    r = o.ctrl.RunCopy(p, th.File("log/" + kOdd + "/sub/again"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message.title, "DL先フォルダ複製エラー");
    EXPECT_FALSE(th.Exists("log/" + kOdd + "/sub/again"));
}

TEST(FldrLogCtrlMerge, RefusalsInOrder) {
    TempHome th;
    Ops o(th);
    th.Write("log/A/a", "a");
    th.Write("log/stock/s", "s");
    th.Write("log/T/t", "t");
    th.Write("log/file.txt", "f");
    const QString none = "統合する「DL先フォルダ」がありません。";
    EXPECT_EQ(o.ctrl.PlanCmb({}, "T").refusal.title, "DL先フォルダ統合01");
    EXPECT_EQ(o.ctrl.PlanCmb({}, "T").refusal.text, none);
    EXPECT_EQ(o.ctrl.PlanCmb({"A"}, "").refusal.title, "DL先フォルダ統合02");
    EXPECT_EQ(o.ctrl.PlanCmb({"A"}, "gone").refusal.title, "DL先フォルダ統合02");
    EXPECT_EQ(o.ctrl.PlanCmb({"A", "gone"}, "T").refusal.title, "DL先フォルダ統合04");
    EXPECT_EQ(o.ctrl.PlanCmb({"file.txt"}, "T").refusal.title, "DL先フォルダ統合04");
    EXPECT_EQ(o.ctrl.PlanCmb({"../log/A"}, "T").refusal.title, "DL先フォルダ統合04");
    const auto stock = o.ctrl.PlanCmb({"A", "stock"}, "T");
    EXPECT_EQ(stock.refusal.title, "DL先フォルダ統合03");
    EXPECT_EQ(stock.refusal.text, "「stock」フォルダは対象にできません。");
    const auto same = o.ctrl.PlanCmb({"T"}, "T");
    EXPECT_EQ(same.refusal.title, "DL先フォルダ統合05");
    EXPECT_EQ(same.refusal.text,
              "同名のDL先フォルダを選択しています。\n同名のDL先フォルダではなく、名前の違う"
              "「DL先フォルダ」を選択してください。\n");
    // Refused plans change nothing.
    EXPECT_FALSE(o.ctrl.RunCmb(stock).ok);
    EXPECT_TRUE(th.Exists("log/A/a"));
    EXPECT_TRUE(th.Exists("log/stock/s"));

    EXPECT_EQ(o.ctrl.PlanCmbAll("").refusal.title, "DL先フォルダ全統合01");
    EXPECT_EQ(o.ctrl.PlanCmbAll("gone").refusal.text, none);
    QDir(th.File("log/A")).removeRecursively();
    QDir(th.File("log/tmp")).removeRecursively();
    EXPECT_EQ(o.ctrl.PlanCmbAll("T").refusal.title, "DL先フォルダ全統合02");
}

TEST(FldrLogCtrlMerge, ReportAddsUpAndOddNamesSurvive) {
    TempHome th;
    Ops o(th);
    th.Write("log/" + kOdd + "/" + kOdd + ".html", QByteArray(4000, 'n'));
    th.Write("log/" + kOdd + "/both", "source");
    th.Write("log/" + kOdd + "/d/e", QByteArray(1000, 'e'));
    th.Write("log/目標 #%/both", QByteArray(1500, 't'));
    const auto p = o.ctrl.PlanCmb({kOdd}, "目標 #%");
    ASSERT_TRUE(p.Ok());
    EXPECT_EQ(p.confirm.title, "統合確認");
    EXPECT_EQ(p.confirm.text, "「" + kOdd +
                                  "」のDL先フォルダを\n「目標 #%」に統合しようとしています。\n"
                                  "統合された「DL先フォルダ " +
                                  kOdd + "」は削除されます。\n統合してもよいですか？\n");
    const auto r = o.ctrl.RunCmb(p);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.message.title, "DL先フォルダ統合");
    EXPECT_EQ(r.message.text, "「" + kOdd +
                                  "」についての結果。\n\n"
                                  "統合した「DL先フォルダ」の情報は以下の通りです。\n\n"
                                  "・移動ディレクトリ数\t： 1 個\n"
                                  "・移動ファイル数\t： 2 個\n"
                                  "・移動ファイル・サイズ\t： 5 KB\n"
                                  "\n削除した「DL先フォルダ」の情報は以下の通りです。\n\n"
                                  "・削除ディレクトリ数\t： 2 個\n"
                                  "・削除ファイル数\t： 3 個\n"
                                  "・削除ファイル・サイズ\t： 5 KB\n"
                                  "\n重複していた「DL先フォルダ」の情報は以下の通りです。\n\n"
                                  "・重複ディレクトリ数\t： 1 個\n"
                                  "・重複ファイル数\t： 1 個\n"
                                  "・重複ファイル・サイズ\t： 0 KB\n");
    EXPECT_FALSE(th.Exists("log/" + kOdd));
    EXPECT_EQ(th.Read("log/目標 #%/" + kOdd + ".html").size(), 4000);
    EXPECT_EQ(th.Read("log/目標 #%/both").size(), 1500);
    EXPECT_EQ(th.Read("log/目標 #%/d/e").size(), 1000);
}

TEST(FldrLogCtrlMerge, AllSkipsStockAndTargetAndReportsLeftovers) {
    TempHome th;
    Ops o(th);
    th.Write("log/R1/one", "1");
    th.Write("log/R2/two", "2");
    th.Write("log/R2/clash", "file");
    th.Write("log/stock/keep", "k");
    th.Write("log/T/clash/inside", "dir");
    th.Write("log/loose.txt", "l");
    const auto p = o.ctrl.PlanCmbAll("T");
    ASSERT_TRUE(p.Ok());
    EXPECT_EQ(p.sources, QStringList({"R1", "R2", "tmp"}));
    EXPECT_EQ(p.confirm.text,
              "全てのDL先フォルダを\n「T」に統合しようとしています。\n"
              "統合された「DL先フォルダ」は全て削除されます。\n統合してもよいですか？\n");
    const auto r = o.ctrl.RunCmb(p);
    EXPECT_EQ(r.message.title, "DL先フォルダ全統合");
    EXPECT_TRUE(r.message.text.startsWith("「R1、R2、tmp」についての結果。\n\n"));
    // R2's clashing file could not be placed: it stays, and the report says so.
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.message.text.endsWith("\n統合できなかったファイルは「R2」に残しました。\n"));
    EXPECT_EQ(th.Read("log/R2/clash"), "file");
    EXPECT_FALSE(th.Exists("log/R2/two"));
    EXPECT_FALSE(th.Exists("log/R1"));
    EXPECT_EQ(th.Read("log/T/one"), "1");
    EXPECT_EQ(th.Read("log/T/two"), "2");
    EXPECT_EQ(th.Read("log/stock/keep"), "k");
    EXPECT_EQ(th.Read("log/loose.txt"), "l");
    EXPECT_EQ(r.counts.mov_files, 2);
    EXPECT_EQ(r.counts.del_files, 2);
}
