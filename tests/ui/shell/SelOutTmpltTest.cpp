#include <QDialog>
#include <QDir>

#include <gtest/gtest.h>

#include "ModalAnswerer.h"
#include "UiTestKit.h"
#include "engine/lists/InitList.h"
#include "shell/Context.h"
#include "store/DocRunReport.h"
#include "ui/engine/KorviDlSrchInit.h"
#include "ui/shell/Korvi.h"
#include "ui/shell/SelOutTmplt.h"
#include "ui/shell/WorkPanel.h"

namespace korvi::test {
namespace {

OutputRows InitRows() {
    OutputRows rows;
    rows.keys = {"^obj", "^rng", "^title", "^url", "^ext"};
    rows.rows = {{"1", "@|>>", "最初", "http://h/a.html", "html"},
                 {"0", ">|@>", "二番 <i>", "http://h/b.zip", "zip"}};
    return rows;
}

OutputRows RunRows() {
    OutputRows rows;
    rows.keys = DocRunReport::ColumnKeys();
    rows.rows = {{"1", "100", "一致", "1", "needle", "Top", "http://h/", "1", "1", "1", "-", ""},
                 {"2", "100", "不", "2", "- non -", "B", "http://h/b.html", "1", "1", "1", "html",
                  "http://h/"}};
    return rows;
}

QString ReadText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

TEST(SelOutTmplt, WritesInitAndRunRowsThroughTheChosenType) {
    GuiHome home;
    ScriptedDialogs& dlg = home.Dlg();

    // The default type is preselected; the name comes from the input line.
    dlg.inputs.push_back(QStringLiteral("初期リスト"));
    SelOutTmplt(home.Gui(), nullptr, InitRows(), QStringLiteral("R"));
    ASSERT_GE(dlg.shown.size(), 2u);
    EXPECT_EQ(dlg.shown[0].kind, QStringLiteral("choose"));
    EXPECT_EQ(dlg.shown[0].title, QStringLiteral("出力形式の選択"));
    EXPECT_EQ(dlg.shown[0].text, QStringLiteral("出力形式を選択して下さい。"));
    const QString doc = home.File("report/初期リスト/body.html");
    ASSERT_EQ(home.opened, QStringList{doc});
    const QString html = ReadText(doc);
    EXPECT_TRUE(html.contains("<A HREF=\"http://h/b.zip\">二番 &lt;i&gt;</A>"));
    EXPECT_TRUE(html.contains("<TITLE>初期リスト</TITLE>"));
    EXPECT_FALSE(html.contains("^result"));

    // Run rows through the second type (CSV), named as offered.
    dlg.choices.push_back(1);
    dlg.inputs.push_back(QStringLiteral("run1"));
    SelOutTmplt(home.Gui(), nullptr, RunRows(), QStringLiteral("run1"));
    const QString csv = ReadText(home.File("report/run1/body.csv"));
    EXPECT_TRUE(csv.contains("\"2\",\"100\",\"不\",\"2\",\"- non -\",\"B\",\"http://h/b.html\""));
    for (const ScriptedDialogs::Shown& s : dlg.shown)
        EXPECT_NE(s.kind, QStringLiteral("message")) << s.text.toStdString();
}

TEST(SelOutTmplt, CancelAndMissingTypesWriteNothing) {
    GuiHome home;
    ScriptedDialogs& dlg = home.Dlg();
    dlg.choices.push_back(-1);  // cancel the type
    SelOutTmplt(home.Gui(), nullptr, RunRows(), QStringLiteral("x"));
    SelOutTmplt(home.Gui(), nullptr, RunRows(), QStringLiteral("x"));  // cancel the name
    EXPECT_FALSE(QDir(home.File("report")).exists());
    EXPECT_TRUE(home.opened.isEmpty());

    // An empty list is refused after the type is chosen, without a name asked.
    dlg.shown.clear();
    SelOutTmplt(home.Gui(), nullptr, OutputRows{}, QStringLiteral("x"));
    EXPECT_EQ(dlg.TextOf(QStringLiteral("開く警告")),
              QStringLiteral("リストにデータがありません。"));
    EXPECT_FALSE(dlg.Titles().contains(QStringLiteral("出力")));

    // A type without its body, then a type gone between listing and choosing.
    home.Write("out_templet/AAA/readme.txt", "x");
    dlg.shown.clear();
    dlg.choices.push_back(1);
    SelOutTmplt(home.Gui(), nullptr, RunRows(), QStringLiteral("x"));
    EXPECT_EQ(dlg.TextOf(QStringLiteral("出力")),
              QStringLiteral("出力形式ファイルの本体が見つかりませんでした。"));
    QString log = QString::fromUtf8(home.Read("log_err/R.log"));
    EXPECT_TRUE(log.contains("SelOutTmplt OutTypeBody Srch Error : not found"));
    dlg.onShown = [&](const ScriptedDialogs::Shown& s) {
        if (s.kind == QStringLiteral("choose"))
            QDir(home.File("out_templet/AAA")).removeRecursively();
    };
    dlg.choices.push_back(1);
    SelOutTmplt(home.Gui(), nullptr, RunRows(), QStringLiteral("x"));
    EXPECT_EQ(dlg.TextOf(QStringLiteral("出力")),
              QStringLiteral("出力形式ファイルが見つかりませんでした。"));
    log = QString::fromUtf8(home.Read("log_err/R.log"));
    EXPECT_TRUE(log.contains("SelOutTmplt OutTypeList Srch Error : not found"));
    dlg.onShown = {};

    // No types at all.
    QDir(home.File("out_templet")).removeRecursively();
    dlg.shown.clear();
    SelOutTmplt(home.Gui(), nullptr, RunRows(), QStringLiteral("x"));
    ASSERT_EQ(dlg.shown.size(), 1u);
    EXPECT_EQ(dlg.shown[0].title, QStringLiteral("出力形式"));
    EXPECT_EQ(dlg.shown[0].text, QStringLiteral("出力形式が見つかりませんでした。"));
    EXPECT_FALSE(QDir(home.File("report")).exists());
}

// "出力(T)" of the main window fills the report's word slots from the init
// list's words, as the matcher's search type reads them; through the real
// dialogs too.
TEST(SelOutTmplt, ReportShowsTheSearchWords) {
    GuiHome home;
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    KorviDlSrchInit* init = win.InitPanel();
    init->List().AddUrlText(QStringLiteral("http://h/a.html"));
    init->SetSearchWord(QStringLiteral("alpha |b<c -gamma"));
    home.Dlg().inputs.push_back(QStringLiteral("words"));
    win.Action(QStringLiteral("mni_out_tmplt"))->trigger();
    const QString words = QStringLiteral(
        "<SPAN CLASS=\"word\">alpha</SPAN> <SPAN CLASS=\"word\">b&lt;c</SPAN> "
        "<SPAN CLASS=\"word\"></SPAN>");
    EXPECT_TRUE(ReadText(home.File("report/words/body.html")).contains(words));

    home.Ctx().Match().SetSearchType(1);
    QtDialogs qt;
    GuiContext real{home.Ctx(), qt, home.Gui().open, {}, nullptr};
    // The default type, the offered name.
    ModalAnswerer modal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
    SelOutTmplt(real, &win, init->SelectedOutputRows(), QStringLiteral("real"));
    EXPECT_EQ(modal.Titles(), (QStringList{"出力形式の選択", "出力"}));
    EXPECT_TRUE(ReadText(home.File("report/real/body.html"))
                    .contains(QStringLiteral("<SPAN CLASS=\"word\">alpha |b&lt;c -gamma</SPAN>")));
}

}  // namespace
}  // namespace korvi::test
