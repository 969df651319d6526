#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "engine/lists/InitList.h"
#include "shell/CommonSettings.h"
#include "store/CtrlFile.h"
#include "ui/engine/KorviDlSrchInit.h"
#include "ui/engine/RepTarget.h"

namespace korvi::test {
namespace {

const QByteArray kList =
    "[BaseData]\np_url=http://h/d/index.html\np_title=Base\n\n[AllLinks]\nlink_no=4\n"
    "link0=http://h/d/a.html\ntitle0=A\nextension0=html\n"
    "link1=http://h/e/b.cgi\ntitle1=B\nextension1=cgi\n"
    "link2=http://x/c.jpg\ntitle2=C\nextension2=jpg\n"
    "link3=http://h/d/sub/d\ntitle3=D\nextension3=-\n";

struct Panel {
    GuiHome home;
    KorviDlSrchInit panel{home.Gui()};
    std::vector<RunRequest> runs;

    Panel() {
        panel.startRun = [this](const RunRequest& r) {
            runs.push_back(r);
            return true;
        };
    }
    template <typename T>
    T* W(const char* name) {
        T* w = Find<T>(&panel, QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QTableView* Table() { return panel.EditTable(); }
    QString Count() { return W<QLabel>("cnt_lbl")->text(); }
    void Open(const QString& rel) {
        home.Dlg().inputs.push_back(home.File(rel));
        panel.EditCommand(QStringLiteral("mni_open_lst"));
    }
    void Select(std::initializer_list<int> rows) {
        QItemSelectionModel* sel = Table()->selectionModel();
        sel->clearSelection();
        for (int r : rows)
            sel->select(Table()->model()->index(r, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QStringList Urls() {
        QStringList out;
        for (const InitRow& r : panel.List().Rows()) out.append(r.url);
        return out;
    }
};

// Captions the form cannot write as they read: the "&" of "DL & 検索" and
// the two-line reset button.
TEST(KorviDlSrchInitPanel, ButtonCaptions) {
    Panel p;
    EXPECT_EQ(p.panel.objectName(), QStringLiteral("KorviDlSrchInit"));
    EXPECT_EQ(p.W<QPushButton>("sch_btn")->text(), QStringLiteral("DL && 検索"));
    EXPECT_EQ(p.W<QPushButton>("dl_ini_btn")->text(), QStringLiteral("DL進行\nの初期化"));
    EXPECT_TRUE(p.W<QComboBox>("sch_box")->isEditable());
    QAbstractItemModel* m = p.Table()->model();
    ASSERT_EQ(m->columnCount(), 5);
    QStringList heads;
    for (int c = 0; c < 5; ++c) heads << m->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(heads, InitColumnHeadings());
    EXPECT_EQ(p.Count(), QStringLiteral("対象 0 件 / データ 0 件"));
}

// Opening a list file fills the table, the base URL and the counter; the
// scope boxes and a header click act on the shown rows.
TEST(KorviDlSrchInitPanel, OpenListScopeAndSort) {
    Panel p;
    p.home.Write(QStringLiteral("lst.ini"), kList);
    p.Open(QStringLiteral("lst.ini"));
    EXPECT_EQ(p.home.Dlg().shown.at(0).title, QStringLiteral("ファイルの読み込み"));
    QAbstractItemModel* m = p.Table()->model();
    ASSERT_EQ(m->rowCount(), 4);
    EXPECT_EQ(m->index(1, 3).data().toString(), QStringLiteral("http://h/e/b.cgi"));
    EXPECT_EQ(m->index(1, 1).data().toString(), QStringLiteral(">|@>"));
    EXPECT_EQ(m->index(2, 1).data().toString(), QStringLiteral("@|>>"));
    EXPECT_EQ(m->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    EXPECT_EQ(p.W<QLineEdit>("b_url_txt")->text(), QStringLiteral("http://h/d/index.html"));
    // The default profile's boxes leave scope 0 out.
    EXPECT_EQ(p.Count(), QStringLiteral("対象 3 件 / データ 4 件"));
    EXPECT_EQ(m->index(2, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));

    p.W<QCheckBox>("tgt_cb_all")->click();  // on: every scope
    EXPECT_TRUE(p.W<QCheckBox>("tgt_cb_dm_out")->isChecked());
    EXPECT_TRUE(p.panel.List().Select().all);
    EXPECT_EQ(p.Count(), QStringLiteral("対象 4 件 / データ 4 件"));
    p.W<QCheckBox>("tgt_cb_dm_in")->click();  // off: both directory boxes follow
    EXPECT_FALSE(p.W<QCheckBox>("tgt_cb_dr_out")->isChecked());
    EXPECT_FALSE(p.W<QCheckBox>("tgt_cb_all")->isChecked());
    EXPECT_EQ(p.Count(), QStringLiteral("対象 1 件 / データ 4 件"));
    EXPECT_FALSE(p.panel.Opt().panel.target.domain_in);

    // Extension filter on the start rows.
    p.W<QCheckBox>("tgt_cb_all")->click();
    p.W<QRadioButton>("flt_r_out")->click();
    QLineEdit* flt = p.W<QLineEdit>("flt_txt");
    flt->clear();
    QTest::keyClicks(flt, QStringLiteral("jpg,cgi"));
    p.W<QCheckBox>("flt_cb_start")->click();
    EXPECT_EQ(p.Count(), QStringLiteral("対象 2 件 / データ 4 件"));
    EXPECT_EQ(p.panel.Opt().panel.filter_string, QStringLiteral("jpg,cgi"));

    // Header click sorts through the list, a second click reverses.
    QHeaderView* header = p.Table()->horizontalHeader();
    Q_EMIT header->sectionClicked(2);
    EXPECT_EQ(m->index(0, 2).data().toString(), QStringLiteral("A"));
    Q_EMIT header->sectionClicked(2);
    EXPECT_EQ(m->index(0, 2).data().toString(), QStringLiteral("D"));

    // Checking a box in the table toggles the row.
    const int before = p.panel.List().CheckedCount();
    const bool was = p.panel.List().Rows()[0].obj;
    m->setData(m->index(0, 0), was ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(p.panel.List().Rows()[0].obj, !was);
    EXPECT_EQ(p.panel.List().CheckedCount(), before + (was ? -1 : 1));
    EXPECT_EQ(p.Count(), p.panel.List().CntSrchTgt());
}

// URLの追加, delete selected / unselected and the check commands.
TEST(KorviDlSrchInitPanel, ListCommands) {
    Panel p;
    p.W<QCheckBox>("tgt_cb_all")->click();  // every scope counts
    p.home.Dlg().inputs.push_back(
        QStringLiteral("http://a/1\r\n\r\nhttp://b/2\nhttp://a/1\nhttp://c/3"));
    EXPECT_TRUE(p.panel.EditCommand(QStringLiteral("mni_add_url")));
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("URLの追加")),
              QStringLiteral("リストに追加するURLを入力してください。"));
    EXPECT_EQ(p.Urls(), (QStringList{"http://a/1", "http://b/2", "http://c/3"}));
    EXPECT_EQ(p.Table()->model()->rowCount(), 3);

    p.home.Dlg().inputs.push_back(QStringLiteral("http://d/4"));
    p.panel.EditCommand(QStringLiteral("mni_add_url"));
    ASSERT_EQ(p.panel.List().RowCount(), 4);

    // Check off / on on the selection.
    p.Select({1, 2});
    p.panel.EditCommand(QStringLiteral("mni_chk_false"));
    EXPECT_EQ(p.panel.List().CheckedCount(), 2);
    EXPECT_EQ(p.Count(), QStringLiteral("対象 2 件 / データ 4 件"));
    p.Select({2});
    p.panel.EditCommand(QStringLiteral("mni_chk_true"));
    EXPECT_EQ(p.panel.List().CheckedCount(), 3);

    // Nothing selected: warning, nothing deleted.
    p.Select({});
    p.panel.EditCommand(QStringLiteral("mni_del_sel"));
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("削除警告")),
              QStringLiteral("リストが空か、選択されていません。"));
    EXPECT_EQ(p.panel.List().RowCount(), 4);

    // Answered no: nothing deleted.
    p.Select({1, 2});
    p.home.Dlg().yesNo.push_back(Dialogs::Answer::kNo);
    p.panel.EditCommand(QStringLiteral("mni_del_sel"));
    EXPECT_EQ(p.panel.List().RowCount(), 4);
    p.Select({1, 2});
    p.panel.EditCommand(QStringLiteral("mni_del_sel"));
    EXPECT_EQ(
        p.home.Dlg().TextOf(QStringLiteral("削除確認")),
        QStringLiteral("選択範囲のリストを削除しようとしています。\n削除してもよいですか？\n"));
    EXPECT_EQ(p.Urls(), (QStringList{"http://a/1", "http://d/4"}));
    EXPECT_EQ(p.Count(), QStringLiteral("対象 2 件 / データ 2 件"));
    EXPECT_FALSE(p.panel.List().ChkList(QStringLiteral("http://b/2")));

    p.Select({1});
    p.panel.EditCommand(QStringLiteral("mni_del_unsel"));
    EXPECT_EQ(
        p.home.Dlg().TextOf(QStringLiteral("削除確認")),
        QStringLiteral("選択範囲以外のリストを削除しようとしています。\n削除してもよいですか？\n"));
    EXPECT_EQ(p.Urls(), QStringList{"http://d/4"});

    // Open the selected URL through the opener; set it as base.
    p.Select({0});
    p.W<QPushButton>("lst_btn_open")->click();
    EXPECT_EQ(p.home.opened, QStringList{"http://d/4"});
    p.Select({0});
    p.panel.EditCommand(QStringLiteral("mni_set_base_sel"));
    EXPECT_EQ(p.W<QLineEdit>("b_url_txt")->text(), QStringLiteral("http://d/4"));
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("基準URLの変更")));

    // Serial expansion appends the numbered rows.
    p.Select({0});
    p.home.Dlg().inputs.push_back(QStringLiteral("http://d/[08-10]"));
    p.panel.EditCommand(QStringLiteral("mni_expnd_no"));
    EXPECT_EQ(p.Urls(), (QStringList{"http://d/4", "http://d/08", "http://d/09", "http://d/10"}));
    EXPECT_EQ(p.Table()->model()->rowCount(), 4);

    p.Select({});
    p.panel.EditCommand(QStringLiteral("mni_del_unsel"));
    EXPECT_EQ(p.panel.List().RowCount(), 0);
    p.panel.EditCommand(QStringLiteral("mni_del_unsel"));
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("削除警告")),
              QStringLiteral("リストに項目がありません。"));
    EXPECT_FALSE(p.panel.EditCommand(QStringLiteral("mni_skip")));
}

// "DL & 検索" and "DL" hand the checked rows, the words and the panel's
// settings to the run; an empty list asks for a start URL first.
TEST(KorviDlSrchInitPanel, StartDlSearchBuildsRequest) {
    Panel p;
    p.W<QPushButton>("sch_btn")->click();
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("URLの不在")));
    EXPECT_TRUE(p.runs.empty());

    p.home.Write(QStringLiteral("lst.ini"), kList);
    p.Open(QStringLiteral("lst.ini"));
    p.Select({0});
    p.panel.EditCommand(QStringLiteral("mni_chk_false"));
    QLineEdit* edit = p.W<QComboBox>("sch_box")->lineEdit();
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, QStringLiteral("Korvi "));
    edit->insert(QStringLiteral("-広告"));
    p.W<QPushButton>("sch_btn")->click();
    ASSERT_EQ(p.runs.size(), 1u);
    const RunRequest& r = p.runs[0];
    QStringList urls;
    for (const InitRow& row : r.rows) urls << row.url;
    EXPECT_EQ(urls, (QStringList{"http://h/e/b.cgi", "http://h/d/sub/d"}));
    EXPECT_EQ(r.words, QStringLiteral("Korvi -広告"));
    EXPECT_TRUE(r.search);
    EXPECT_FALSE(r.quiet);
    EXPECT_FALSE(r.select.dmOut);
    EXPECT_EQ(r.opt, p.panel.Opt());

    p.W<QPushButton>("dl_btn")->click();
    ASSERT_EQ(p.runs.size(), 2u);
    EXPECT_FALSE(p.runs[1].search);
    EXPECT_TRUE(p.runs[1].words.isEmpty());

    // No checked row: a warning, no run.
    p.Select({0, 1, 2, 3});
    p.panel.EditCommand(QStringLiteral("mni_chk_false"));
    p.W<QPushButton>("dl_btn")->click();
    EXPECT_EQ(p.runs.size(), 2u);
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("DL＆検索警告")));

    // Resetting the run progress goes to the main window, then reports.
    int resets = 0;
    p.panel.resetRun = [&resets] { ++resets; };
    p.W<QPushButton>("dl_ini_btn")->click();
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("検索進行の初期化")),
              QStringLiteral("検索進行を初期化しました。"));
}

// A URL added with no base URL lies outside the domain, whose box is off:
// the warning names that box, and checking it lets the run start.
TEST(KorviDlSrchInitPanel, NoTargetWarningNamesTheBox) {
    Panel p;
    p.home.Dlg().inputs.push_back(QStringLiteral("http://a.example/x.html"));
    p.panel.EditCommand(QStringLiteral("mni_add_url"));
    p.W<QPushButton>("dl_btn")->click();
    EXPECT_TRUE(p.home.Dlg()
                    .TextOf(QStringLiteral("DL＆検索警告"))
                    .contains(QStringLiteral("「ドメイン」の「外」 : 1 件")));
    p.W<QCheckBox>("tgt_cb_dm_out")->click();
    p.W<QPushButton>("dl_btn")->click();
    EXPECT_EQ(p.runs.size(), 1u);
}

// A malformed list and a missing file yield no URL: the start-URL prompt,
// cancelled, leaves the list as it was; the missing file is logged.
TEST(KorviDlSrchInitPanel, MalformedAndMissingFiles) {
    Panel p;
    p.home.Write(QStringLiteral("lst.ini"), kList);
    p.Open(QStringLiteral("lst.ini"));
    ASSERT_EQ(p.panel.List().RowCount(), 4);

    p.home.Write(QStringLiteral("bad.ini"),
                 QByteArray("[AllLinks\nlink_no=99999999999\nlink0=no url\n\x01\x02\xff\xfe"));
    p.Open(QStringLiteral("bad.ini"));
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("URLの不在")),
              QStringLiteral("開始URLを入力してください。"));
    EXPECT_EQ(p.panel.List().RowCount(), 4);
    EXPECT_EQ(p.W<QLineEdit>("b_url_txt")->text(), QStringLiteral("http://h/d/index.html"));

    p.home.Dlg().shown.clear();
    p.home.Dlg().inputs.push_back(p.home.File(QStringLiteral("missing.ini")));
    p.panel.EditCommand(QStringLiteral("mni_add_lst"));
    EXPECT_TRUE(p.home.Dlg().WasShown(QStringLiteral("URLの不在")));
    EXPECT_EQ(p.panel.List().RowCount(), 4);
    const QString log = QString::fromUtf8(
        p.home.Read(QStringLiteral("log_err/") + p.home.Ctrl().RunId() + QStringLiteral(".log")));
    EXPECT_TRUE(log.contains(QStringLiteral("missing.ini"))) << log.toStdString();

    // Answering the prompt makes the answer the only URL.
    p.home.Dlg().inputs.push_back(p.home.File(QStringLiteral("missing.ini")));
    p.home.Dlg().inputs.push_back(QStringLiteral("http://only/"));
    p.panel.EditCommand(QStringLiteral("mni_open_lst"));
    EXPECT_EQ(p.Urls(), QStringList{"http://only/"});
}

// Replace works through the list: keys stay unique, the view follows.
TEST(KorviDlSrchInitPanel, ReplaceKeepsListConsistent) {
    Panel p;
    p.home.Write(QStringLiteral("lst.ini"), kList);
    p.Open(QStringLiteral("lst.ini"));
    RepTarget* rep = p.panel.Replace();
    ASSERT_NE(rep, nullptr);
    EXPECT_EQ(rep->RepRowCount(), 4);
    EXPECT_EQ(rep->RepRowTexts(1), (QStringList{"B", "http://h/e/b.cgi"}));
    rep->SetRepRowTexts(1, {QStringLiteral("B2"), QStringLiteral("http://h/d/b.php")});
    EXPECT_TRUE(p.panel.List().ChkList(QStringLiteral("http://h/d/b.php")));
    EXPECT_FALSE(p.panel.List().ChkList(QStringLiteral("http://h/e/b.cgi")));
    QAbstractItemModel* m = p.Table()->model();
    EXPECT_EQ(m->index(1, 2).data().toString(), QStringLiteral("B2"));
    EXPECT_EQ(m->index(1, 4).data().toString(), QStringLiteral("php"));
    EXPECT_EQ(m->index(1, 1).data().toString(), QStringLiteral(">|>@"));
    // A URL that another row has is refused.
    rep->SetRepRowTexts(2, {QStringLiteral("C"), QStringLiteral("http://h/d/a.html")});
    EXPECT_EQ(p.panel.List().Rows()[2].url, QStringLiteral("http://x/c.jpg"));
    rep->RepSelectRow(3);
    EXPECT_EQ(rep->RepSelectedRows(), std::vector<int>{3});
    EXPECT_EQ(rep->RepCurrentRow(), 3);

    const OutputRows out = p.panel.SelectedOutputRows();
    EXPECT_EQ(out.keys, (QStringList{"^object", "^range", "^title", "^url", "^extension"}));
    ASSERT_EQ(out.rows.size(), 1u);
    EXPECT_EQ(out.rows[0].at(3), QStringLiteral("http://h/d/sub/d"));
    p.Select({});
    EXPECT_EQ(p.panel.SelectedOutputRows().rows.size(), 4u);
}

// Saving a list and a favourite, and loading the favourite into a new panel.
TEST(KorviDlSrchInitPanel, SaveListAndFavourite) {
    Panel p;
    p.home.Write(QStringLiteral("lst.ini"), kList);
    p.Open(QStringLiteral("lst.ini"));
    p.home.Dlg().inputs.push_back(p.home.File(QStringLiteral("out/saved")));
    p.panel.EditCommand(QStringLiteral("mni_save_lst"));
    EXPECT_TRUE(p.home.Dlg()
                    .TextOf(QStringLiteral("ファイルの保存"))
                    .endsWith(p.home.Ctrl().RunId() + QStringLiteral(" lst.ini")));
    ASSERT_TRUE(p.home.Exists(QStringLiteral("out/saved.ini")));
    EXPECT_EQ(QString::fromUtf8(p.home.Read(QStringLiteral("out/saved.ini"))),
              p.panel.List().ListText());
    EXPECT_EQ(QDir(p.home.Ctx().Cmn().Opt().current_directory),
              QDir(p.home.File(QStringLiteral("out"))));

    p.W<QRadioButton>("flt_r_in")->click();
    p.panel.SetSearchWord(QStringLiteral("語"));
    p.home.Dlg().inputs.push_back(p.home.File(QStringLiteral("favorite/mine")));
    p.panel.EditCommand(QStringLiteral("mni_fav_add"));
    EXPECT_TRUE(p.home.Dlg()
                    .TextOf(QStringLiteral("ファイルの保存"))
                    .endsWith(QStringLiteral("favorite/お気に入り.ini")));
    ASSERT_TRUE(p.home.Exists(QStringLiteral("favorite/mine.ini")));

    KorviDlSrchInit other(p.home.Gui());
    other.LoadFav(QStringLiteral("favorite/mine.ini"));
    EXPECT_EQ(other.List().RowCount(), 4);
    EXPECT_EQ(other.SearchWord(), QStringLiteral("語"));
    EXPECT_EQ(other.List().Select().fltMode, 1);
    EXPECT_TRUE(Find<QRadioButton>(&other, QStringLiteral("flt_r_in"))->isChecked());
    EXPECT_EQ(other.List().BaseUrl(), QStringLiteral("http://h/d/index.html"));
}

// A profile sets the panel's boxes; an empty profile reports and changes nothing.
TEST(KorviDlSrchInitPanel, ApplyProfile) {
    Panel p;
    p.home.Write(QStringLiteral("option/広い.ini"),
                 "[Target]\nall=1\ndomain_out=1\ndomain_in=1\ndirectory_out=1\ndirectory_in=1\n"
                 "[Filter]\ntype=out\nstring=jpg\nstart=1\n[BaseOption]\ndepth_max=5\n");
    p.panel.ApplyProfile(QStringLiteral("広い"));
    EXPECT_EQ(p.panel.OptName(), QStringLiteral("広い"));
    EXPECT_EQ(p.panel.Opt().depth_max, 5);
    EXPECT_TRUE(p.W<QCheckBox>("tgt_cb_all")->isChecked());
    EXPECT_TRUE(p.W<QRadioButton>("flt_r_out")->isChecked());
    EXPECT_EQ(p.W<QLineEdit>("flt_txt")->text(), QStringLiteral("jpg"));
    EXPECT_TRUE(p.W<QCheckBox>("flt_cb_start")->isChecked());
    EXPECT_TRUE(p.panel.List().Select().fltStart);

    p.home.Write(QStringLiteral("option/空.ini"), "");
    p.panel.ApplyProfile(QStringLiteral("空"));
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("設定ファイル読み込みエラー")),
              QStringLiteral("選択した設定ファイルの中身がありません。"));
    EXPECT_EQ(p.panel.Opt().depth_max, 5);
    EXPECT_TRUE(p.W<QCheckBox>("tgt_cb_all")->isChecked());

    // The case box is the common setting (0 = case-insensitive).
    p.W<QCheckBox>("case_insnstv_cb")->setChecked(false);
    EXPECT_EQ(p.home.Ctx().Cmn().Opt().case_insensitive, 1);
}

}  // namespace
}  // namespace korvi::test
