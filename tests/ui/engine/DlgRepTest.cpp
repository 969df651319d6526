#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "present/RepHistory.h"
#include "shell/Assist.h"
#include "ui/common/RepTarget.h"
#include "ui/engine/DlgRep.h"

namespace korvi::test {
namespace {

// A table of rows held in memory.
class FakeTarget : public RepTarget {
public:
    std::vector<QStringList> rows;
    std::vector<int> selected;
    int current = -1;
    int writes = 0;

    int RepRowCount() const override { return static_cast<int>(rows.size()); }
    QStringList RepRowTexts(int row) const override { return rows[row]; }
    void SetRepRowTexts(int row, const QStringList& texts) override {
        rows[row] = texts;
        ++writes;
    }
    std::vector<int> RepSelectedRows() const override { return selected; }
    int RepCurrentRow() const override { return current; }
    void RepSelectRow(int row) override {
        selected = {row};
        current = row;
    }
};

FakeTarget Sample() {
    FakeTarget t;
    t.rows = {{"Top", "http://a.example/abc"},
              {"ABC page", "http://b.example/"},
              {"other", "http://c.example/x"}};
    return t;
}

template <typename T>
T* In(QObject* dlg, const char* name) {
    T* w = Find<T>(dlg, QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

TEST(DlgRepForm, ControlsCaptionsAndTipsByMode) {
    GuiHome home;
    FakeTarget t = Sample();
    DlgRep rep(home.Gui(), t, DlgRep::Mode::kReplace);
    EXPECT_EQ(rep.objectName(), "DlgRep");
    EXPECT_EQ(rep.windowTitle(), "置換");
    EXPECT_EQ(In<QPushButton>(&rep, "btn_run")->text(), "置換");
    EXPECT_EQ(In<QPushButton>(&rep, "btn_cancel")->text(), "キャンセル");
    EXPECT_EQ(In<QCheckBox>(&rep, "reg_use_cb")->text(), "正規表現");
    EXPECT_EQ(In<QCheckBox>(&rep, "case_insnstv_cb")->text(), "A=a");
    EXPECT_EQ(In<QCheckBox>(&rep, "rep_bat_cb")->text(), "置換バッチを使用");
    EXPECT_EQ(In<QPushButton>(&rep, "rep_bat_btn")->text(), "参照");
    EXPECT_TRUE(In<QComboBox>(&rep, "sch_cmb")->isEditable());
    EXPECT_FALSE(In<QComboBox>(&rep, "rep_cmb")->isHidden());
    EXPECT_TRUE(In<QComboBox>(&rep, "srch_type_cmb")->isHidden());
    // The batch controls follow the check box.
    EXPECT_FALSE(In<QLineEdit>(&rep, "rep_bat_txt")->isEnabled());
    In<QCheckBox>(&rep, "rep_bat_cb")->setChecked(true);
    EXPECT_TRUE(In<QLineEdit>(&rep, "rep_bat_txt")->isEnabled());
    EXPECT_TRUE(In<QPushButton>(&rep, "rep_bat_btn")->isEnabled());
    EXPECT_FALSE(In<QComboBox>(&rep, "sch_cmb")->isEnabled());

    DlgRep srch(home.Gui(), t, DlgRep::Mode::kSearch);
    EXPECT_EQ(srch.windowTitle(), "検索");
    EXPECT_EQ(In<QPushButton>(&srch, "btn_run")->text(), "検索");
    EXPECT_EQ(In<QPushButton>(&srch, "btn_run")->toolTip(), "検索を実行します。");
    EXPECT_TRUE(In<QComboBox>(&srch, "rep_cmb")->isHidden());
    auto* type = In<QComboBox>(&srch, "srch_type_cmb");
    EXPECT_FALSE(type->isHidden());
    ASSERT_EQ(type->count(), 4);
    EXPECT_EQ(type->itemText(2), "検索エンジン・タイプ");
}

TEST(DlgRepReplace, OneSelectedRowReplacesEveryRowAndKeepsHistory) {
    GuiHome home;
    FakeTarget t = Sample();
    t.selected = {2};
    {
        DlgRep dlg(home.Gui(), t, DlgRep::Mode::kReplace);
        In<QComboBox>(&dlg, "sch_cmb")->setEditText("abc");
        In<QComboBox>(&dlg, "rep_cmb")->setEditText("xyz");
        In<QCheckBox>(&dlg, "case_insnstv_cb")->setChecked(true);
        In<QPushButton>(&dlg, "btn_run")->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_EQ(t.rows[0], (QStringList{"Top", "http://a.example/xyz"}));
    EXPECT_EQ(t.rows[1], (QStringList{"xyz page", "http://b.example/"}));
    EXPECT_EQ(t.writes, 2);
    EXPECT_EQ(home.Dlg().TextOf("置換結果"), "置換数は、「 2 」でした。");
    const Assist ini(QString::fromUtf8(home.Read("cmn_opt.ini")));
    EXPECT_EQ(ini.GetIni(RepHistory::kSearchBox, "0"), "abc");
    EXPECT_EQ(ini.GetIni(RepHistory::kReplaceBox, "0"), "xyz");

    // The next dialog offers the history.
    DlgRep again(home.Gui(), t, DlgRep::Mode::kReplace);
    auto* sch = In<QComboBox>(&again, "sch_cmb");
    EXPECT_EQ(sch->count(), 1);
    EXPECT_EQ(sch->currentText(), "abc");
}

TEST(DlgRepReplace, BatchChosenThroughTheFileDialogShowsProgressAndResult) {
    GuiHome home;
    home.Write("tool/rep_bat/t.txt", "abc\txyz\t!i\nhttp:\thttps:\n");
    FakeTarget t = Sample();
    t.selected = {0, 1};
    home.Dlg().inputs.push_back(home.File("tool/rep_bat/t.txt"));
    DlgRep dlg(home.Gui(), t, DlgRep::Mode::kReplace);
    In<QCheckBox>(&dlg, "rep_bat_cb")->setChecked(true);
    In<QPushButton>(&dlg, "rep_bat_btn")->click();
    ASSERT_FALSE(home.Dlg().shown.empty());
    EXPECT_EQ(home.Dlg().shown.back().kind, "open");
    EXPECT_EQ(home.Dlg().shown.back().title, "置換バッチの選択");
    EXPECT_EQ(In<QLineEdit>(&dlg, "rep_bat_txt")->text(), "tool/rep_bat/t.txt");
    In<QPushButton>(&dlg, "btn_run")->click();
    EXPECT_EQ(t.rows[0], (QStringList{"Top", "https://a.example/xyz"}));
    EXPECT_EQ(t.rows[1], (QStringList{"xyz page", "https://b.example/"}));
    EXPECT_EQ(t.rows[2], Sample().rows[2]);  // not selected
    EXPECT_EQ(home.Dlg().TextOf("置換結果"), "置換数は、「 4 」でした。");
    EXPECT_EQ(dlg.windowTitle(), "置換");
    EXPECT_TRUE(home.Ctx().Cmn().Opt().replace_bat_use);
    EXPECT_EQ(home.Ctx().Cmn().Opt().replace_bat_path, "tool/rep_bat/t.txt");
}

TEST(DlgRepReplace, MissingBatchWarnsAndKeepsTheDialogOpen) {
    GuiHome home;
    FakeTarget t = Sample();
    DlgRep dlg(home.Gui(), t, DlgRep::Mode::kReplace);
    In<QCheckBox>(&dlg, "rep_bat_cb")->setChecked(true);
    In<QLineEdit>(&dlg, "rep_bat_txt")->setText("tool/rep_bat/none.txt");
    In<QPushButton>(&dlg, "btn_run")->click();
    EXPECT_TRUE(home.Dlg().WasShown("置換バッチ警告"));
    EXPECT_FALSE(home.Dlg().WasShown("置換結果"));
    EXPECT_EQ(t.writes, 0);
}

TEST(DlgRepSearch, SelectsTheNextMatchingRowOrSaysNotFound) {
    GuiHome home;
    FakeTarget t = Sample();
    t.current = 0;
    {
        DlgRep dlg(home.Gui(), t, DlgRep::Mode::kSearch);
        In<QComboBox>(&dlg, "sch_cmb")->setEditText("abc");
        In<QPushButton>(&dlg, "btn_run")->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_EQ(t.current, 1);  // "ABC page", case not distinguished
    EXPECT_EQ(home.Ctx().Cmn().Opt().search_string, "abc");
    // Next and previous go on from there, round the end.
    EXPECT_TRUE(DlgRep::SrchNext(home.Gui(), t, true));
    EXPECT_EQ(t.current, 0);
    EXPECT_TRUE(DlgRep::SrchNext(home.Gui(), t, false));
    EXPECT_EQ(t.current, 1);

    DlgRep dlg(home.Gui(), t, DlgRep::Mode::kSearch);
    In<QComboBox>(&dlg, "sch_cmb")->setEditText("zzz");
    In<QPushButton>(&dlg, "btn_run")->click();
    EXPECT_EQ(home.Dlg().TextOf("検索リスト内を検索"), "検索文字列「zzz」が見つかりませんでした。");
    EXPECT_EQ(t.current, 1);
    EXPECT_NE(dlg.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace korvi::test
