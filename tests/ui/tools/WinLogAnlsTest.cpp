#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "shell/Assist.h"
#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "tools/ToolStore.h"
#include "ui/shell/Korvi.h"
#include "ui/tools/AnlsRowModel.h"
#include "ui/tools/WinLogAnls.h"

namespace korvi::test {
namespace {

// pages list files below log/R, each linking to a handful of pages of the
// store and of two other sites, with titles that vary per link.
void MkStore(GuiHome& home, int pages, int links) {
    for (int p = 0; p < pages; ++p) {
        std::vector<ListLink> l;
        for (int i = 0; i < links; ++i) {
            const int to = (p * 7 + i * i) % (pages + 5);
            const QString url = to < pages ? QStringLiteral("http://h/p%1.html").arg(to)
                                           : QStringLiteral("http://x%1.com/f.jpg").arg(to - pages);
            l.push_back({url, QStringLiteral("t%1").arg((p + i) % 3),
                         to < pages ? QStringLiteral("html") : QStringLiteral("jpg")});
        }
        l.push_back({QString(), QStringLiteral("empty"), QStringLiteral("-")});
        WriteListFile(home, QStringLiteral("log/R/h/d%1/p%2.html lst.ini").arg(p % 4).arg(p),
                      QStringLiteral("http://h/p%1.html").arg(p), QStringLiteral("P"), l);
    }
}

struct AnlsPanel {
    GuiHome home;
    WinLogAnls win{home.Gui()};
    QString folder;

    AnlsPanel() {
        folder = home.File(QStringLiteral("log/R"));
        win.selectedFolder = [this] { return folder; };
        win.resize(700, 400);
        win.show();
    }
    template <typename T>
    T* F(const char* name) {
        return Find<T>(&win, QString::fromLatin1(name));
    }
    bool Ended() { return home.Dlg().WasShown(QStringLiteral("解析終了")); }
};

// Rows as comparable lines; ranks must never rise down the table.
QStringList Lines(const std::vector<AnlsRow>& rows) {
    QStringList out;
    for (size_t i = 0; i < rows.size(); ++i) {
        out.append(AnlsRowModel::Cells(rows[i]).join(u'|'));
        if (i > 0 && rows[i].rank > rows[i - 1].rank) out.append(QStringLiteral("RISES"));
    }
    return out;
}

QStringList CoreLines(GuiHome& home, const AnlsRequest& r) {
    LogAnls core(home.Ctrl());
    core.Run(r);
    return Lines(core.Rows());
}

// The controls' choices reach the analysis: the table holds the core's rows
// for the same request, and the end dialog counts them.
TEST(WinLogAnls, RowsEqualTheCoreForTheChosenKindTitleAndFilter) {
    AnlsPanel p;
    MkStore(p.home, 40, 12);
    auto run = [&p] {
        p.home.Dlg().shown.clear();
        p.F<QPushButton>("anls_btn")->click();
        EXPECT_FALSE(p.F<QComboBox>("type_cmb")->isEnabled());
        return WaitUntil([&] { return p.Ended(); }) && p.F<QComboBox>("type_cmb")->isEnabled();
    };
    p.F<QComboBox>("type_cmb")->setCurrentIndex(2);
    p.F<QComboBox>("ttl_cmb")->setCurrentIndex(2);
    p.F<QLineEdit>("ttl_txt_split")->setText(QStringLiteral(" / "));
    ASSERT_TRUE(run());
    AnlsRequest r;
    r.folder = p.folder;
    r.kind = 2;
    r.titleKind = 2;
    r.separator = QStringLiteral(" / ");
    const QStringList all = CoreLines(p.home, r);
    ASSERT_GT(all.size(), 10);
    EXPECT_EQ(Lines(p.win.Model()->Rows()), all);
    EXPECT_TRUE(p.home.Dlg()
                    .TextOf(QStringLiteral("解析終了"))
                    .contains(QStringLiteral("「被リンク・ランク（全）」による解析結果は「") +
                              QString::number(all.size()) + QStringLiteral("」件でした。")));

    // Inside links, most frequent title, all but the listed extensions.
    p.F<QComboBox>("type_cmb")->setCurrentIndex(0);
    p.F<QComboBox>("ttl_cmb")->setCurrentIndex(0);
    p.F<QRadioButton>("flt_r_out")->setChecked(true);
    p.F<QLineEdit>("flt_txt")->setText(QStringLiteral(",jpg,"));
    ASSERT_TRUE(run());
    r.kind = 0;
    r.titleKind = 0;
    r.filter = FltMode::Out;
    r.filterText = QStringLiteral(",jpg,");
    EXPECT_EQ(Lines(p.win.Model()->Rows()), CoreLines(p.home, r));
    EXPECT_FALSE(p.win.Model()->Rows().empty());
    p.F<QRadioButton>("flt_r_in")->setChecked(true);
    ASSERT_TRUE(run());
    EXPECT_TRUE(p.win.Model()->Rows().empty());  // no page of the store is a jpg
}

// A missing folder is refused on the spot and leaves the inputs usable; a
// folder without list files ends with 0 rows.
TEST(WinLogAnls, MissingFolderWarnsAndEmptyFolderGivesNoRows) {
    AnlsPanel p;
    p.folder = p.home.File(QStringLiteral("log/none"));
    p.F<QPushButton>("anls_btn")->click();
    EXPECT_EQ(p.home.Dlg().TextOf(QStringLiteral("解析警告")),
              QStringLiteral("フォルダが見つかりません。"));
    EXPECT_FALSE(p.win.IsRunning());
    EXPECT_TRUE(p.F<QPushButton>("anls_btn")->isEnabled());

    p.home.Write(QStringLiteral("log/empty/a.html"), "<html></html>");
    p.folder = p.home.File(QStringLiteral("log/empty"));
    p.F<QPushButton>("anls_btn")->click();
    ASSERT_TRUE(WaitUntil([&] { return p.Ended(); }));
    EXPECT_EQ(p.win.Model()->rowCount(), 0);
    EXPECT_TRUE(p.home.Dlg()
                    .TextOf(QStringLiteral("解析終了"))
                    .contains(QStringLiteral("解析結果は「0」件でした。")));
}

// 停止 ends a long analysis within 200 ms; destroying the panel while one
// runs joins its thread and shows nothing afterwards.
TEST(WinLogAnls, StopAndDestroyEndTheThreadQuickly) {
    auto p = std::make_unique<AnlsPanel>();
    MkStore(p->home, 3000, 60);
    p->F<QPushButton>("anls_btn")->click();
    ASSERT_TRUE(WaitUntil(
        [&] { return p->F<QLabel>("prgrs_lbl")->text().contains(QStringLiteral("解析準備中")); },
        5000));
    ASSERT_TRUE(p->win.IsRunning()) << "the store is too small to stop in time";
    QElapsedTimer t;
    t.start();
    p->F<QPushButton>("ctr_btn_stop")->click();
    ASSERT_TRUE(WaitUntil([&] { return !p->win.IsRunning(); }, 2000));
    RecordProperty("stop_ms", static_cast<int>(t.elapsed()));
    EXPECT_LT(t.elapsed(), 200);
    ASSERT_TRUE(WaitUntil([&] { return p->Ended(); }, 2000));
    EXPECT_TRUE(p->F<QPushButton>("anls_btn")->isEnabled());

    p->home.Dlg().shown.clear();
    p->F<QPushButton>("anls_btn")->click();
    ASSERT_TRUE(WaitUntil(
        [&] { return p->F<QLabel>("prgrs_lbl")->text().contains(QStringLiteral("解析準備中")); },
        5000));
    ASSERT_TRUE(p->win.IsRunning());
    ScriptedDialogs& dlg = p->home.Dlg();
    t.restart();
    p->win.ForceStop();
    RecordProperty("force_stop_ms", static_cast<int>(t.elapsed()));
    EXPECT_LT(t.elapsed(), 200);
    WaitUntil([] { return false; }, 100);
    EXPECT_TRUE(dlg.shown.empty());
}

// Output rows, tool tips and the open button follow the table.
TEST(WinLogAnls, OutputRowsTitleTipAndOpen) {
    AnlsPanel p;
    EXPECT_EQ(p.F<QLineEdit>("ttl_txt_split")->text(), QStringLiteral("<BR>"));
    MkStore(p.home, 10, 5);
    p.F<QPushButton>("anls_btn")->click();
    ASSERT_TRUE(WaitUntil([&] { return p.Ended(); }));
    AnlsRowModel* m = p.win.Model();
    ASSERT_GE(m->rowCount(), 3);
    EXPECT_EQ(m->data(m->index(1, 2), Qt::ToolTipRole).toString(),
              QStringLiteral("<HTML><BODY><TABLE BORDER=0 WIDTH=300><TR><TD>") + m->Row(1).title +
                  QStringLiteral("</TD></TR></TABLE></BODY></HTML>"));

    EXPECT_EQ(p.win.SelectedOutputRows().keys,
              (QStringList{"^no", "^rank", "^title", "^url", "^extension"}));
    auto* table = p.F<QTableView>("anls_tbl");
    table->selectionModel()->select(m->index(2, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const OutputRows sel = p.win.SelectedOutputRows();
    ASSERT_EQ(sel.rows.size(), 1u);
    EXPECT_EQ(sel.rows[0], (QStringList{"3", QString::number(m->Row(2).rank), m->Row(2).title,
                                        m->Row(2).url, m->Row(2).extension}));
    p.F<QPushButton>("ctr_btn_open")->click();
    EXPECT_EQ(p.home.opened, QStringList{m->Row(2).url});
}

// The panel's keys are read at start; closing the main window during an
// analysis ends its thread and writes the keys with the common settings.
TEST(WinLogAnls, MainWindowCloseStopsTheAnalysisAndSavesItsKeys) {
    GuiHome home;
    MkStore(home, 3000, 60);
    home.Write(QStringLiteral("cmn_opt.ini"),
               "[CommonOption]\nrun_no=3\n[WinLogAnalysis]\ntitle_type=2\ntitle_spliter=|\n");
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    win.SelWork(Korvi::kLogAnly);
    WinLogAnls* panel = win.AnlsPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(Find<QComboBox>(panel, "ttl_cmb")->currentIndex(), 2);
    EXPECT_EQ(Find<QLineEdit>(panel, "ttl_txt_split")->text(), QStringLiteral("|"));
    Find<QComboBox>(panel, "ttl_cmb")->setCurrentIndex(1);
    Find<QLineEdit>(panel, "ttl_txt_split")->setText(QStringLiteral("::"));
    Find<QPushButton>(panel, "anls_btn")->click();
    ASSERT_TRUE(panel->IsRunning());
    QElapsedTimer t;
    t.start();
    win.ForceClose();
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_FALSE(panel->IsRunning());
    const Assist ini(QString::fromUtf8(home.Read(QStringLiteral("cmn_opt.ini"))));
    EXPECT_EQ(ini.GetIni(QStringLiteral("WinLogAnalysis"), QStringLiteral("title_type")),
              QStringLiteral("1"));
    EXPECT_EQ(ini.GetIni(QStringLiteral("WinLogAnalysis"), QStringLiteral("title_spliter")),
              QStringLiteral("::"));
    WaitUntil([] { return false; }, 100);
    EXPECT_FALSE(home.Dlg().WasShown(QStringLiteral("解析終了")));
}

// The main window's "出力(T)" writes the analysis rows through a template.
TEST(WinLogAnls, MainWindowOutputsTheRows) {
    GuiHome home;
    MkStore(home, 12, 4);
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    win.SelWork(Korvi::kLogAnly);
    WinLogAnls* panel = win.AnlsPanel();
    Find<QPushButton>(panel, "anls_btn")->click();
    ASSERT_TRUE(WaitUntil([&] { return home.Dlg().WasShown(QStringLiteral("解析終了")); }));
    ASSERT_GT(panel->Model()->rowCount(), 1);
    const AnlsRow top = panel->Model()->Row(0);
    home.Dlg().choices.push_back(1);  // CSV
    home.Dlg().inputs.push_back(QStringLiteral("anls"));
    win.Action(QStringLiteral("mni_out_tmplt"))->trigger();
    const QString csv = QString::fromUtf8(home.Read(QStringLiteral("report/anls/body.csv")));
    EXPECT_TRUE(csv.contains(QStringLiteral("\"1\",\"\",\"\",\"\",\"\",\"") + top.title +
                             QStringLiteral("\",\"") + top.url + u'"'))
        << csv.toStdString();
    win.ForceClose();
}

}  // namespace
}  // namespace korvi::test
