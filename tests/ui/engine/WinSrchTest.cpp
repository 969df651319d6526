#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QThread>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "engine/RunControl.h"
#include "fixtures/FixtureServer.h"
#include "store/CtrlFile.h"
#include "store/DocRunReport.h"
#include "ui/engine/RunListModel.h"
#include "ui/engine/WinSrch.h"
#include "ui/shell/SelOutTmplt.h"

namespace korvi::test {
namespace {

bool OnGuiThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// A run window over a temporary home and the fixture server.
struct RunWindow {
    GuiHome home;
    FixtureServer srv;
    WinSrch win{home.Gui()};
    bool dialogsOnGuiThread = true;

    RunWindow() {
        home.Dlg().onShown = [this](const ScriptedDialogs::Shown&) {
            dialogsOnGuiThread = dialogsOnGuiThread && OnGuiThread();
        };
        win.resize(900, 500);
        win.show();
    }
    RunRequest Request(const QStringList& paths, const QString& words = QStringLiteral("needle")) {
        RunRequest r;
        for (const QString& p : paths)
            r.rows.push_back({true, 0, QStringLiteral("start"), srv.Url(p), "html"});
        r.opt.thrd_max = 2;
        r.opt.hit_max = 0;
        r.opt.page_max = 0;
        r.opt.connect = 0;
        r.opt.get = 0;
        r.opt.depth_max = 2;
        r.words = words;
        r.runId = QStringLiteral("run1");
        return r;
    }
    RunRow RowOf(const QString& path) const {
        const RunListSnapshot& snap = win.Model()->Snapshot();
        for (int i = 0; i < snap.Count(); ++i)
            if (snap.Row(i).url == srv.Url(path)) return snap.Row(i);
        return RunRow();
    }
    int IndexOf(const QString& path) const {
        const RunListSnapshot& snap = win.Model()->Snapshot();
        for (int i = 0; i < snap.Count(); ++i)
            if (snap.Row(i).url == srv.Url(path)) return i;
        return -1;
    }
    void Select(const QList<int>& rows) {
        QTableView* table = Find<QTableView>(&win, QStringLiteral("srch_tbl"));
        table->clearSelection();
        for (int r : rows)
            table->selectionModel()->select(
                win.Model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    bool Ended() { return home.Dlg().WasShown(QStringLiteral("DL＆検索終了")); }
};

FixtureServer::Route Gated() {
    FixtureServer::Route r;
    r.body = QByteArray(32 * 1024, 's');
    r.gated = true;
    r.gateAfter = 2048;
    return r;
}

TEST(WinSrch, ShowsItsControlsAsNamed) {
    GuiHome home;
    WinSrch win(home.Gui());
    EXPECT_EQ(win.objectName(), QStringLiteral("WinSrch"));
    const std::pair<const char*, const char*> buttons[] = {{"ctr_btn_stop", "停止"},
                                                           {"ctr_btn_open", "開く"},
                                                           {"ctr_btn_open_l", "開く(ローカル)"},
                                                           {"ctr_btn_skip", "スキップ"},
                                                           {"ctr_btn_redl", "未DLに"}};
    for (const auto& [name, caption] : buttons) {
        auto* b = Find<QPushButton>(&win, QString::fromUtf8(name));
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), QString::fromUtf8(caption));
    }
    auto* hl = Find<QCheckBox>(&win, QStringLiteral("h_light_cb"));
    ASSERT_NE(hl, nullptr);
    EXPECT_EQ(hl->text(), QStringLiteral("ハイライト化"));
    ASSERT_NE(Find<QLineEdit>(&win, QStringLiteral("sch_txt")), nullptr);
    EXPECT_EQ(win.Model()->columnCount(), 12);
    EXPECT_EQ(win.Model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("周辺文"));
    EXPECT_FALSE(win.IsRunning());
    EXPECT_FALSE(win.StartDlSearch(RunRequest()));  // nothing to run
}

TEST(WinSrch, RunFillsTheTableStoresFilesAndEndsWithTheDialog) {
    RunWindow w;
    w.srv.Page("/index.html",
               "<html><title>Top</title><body><a href=\"a.html\">A</a> <a href=\"b.html\">B</a>"
               "</body></html>");
    w.srv.Page("/a.html", "<html><body><p>the needle is here</p></body></html>");
    w.srv.Page("/b.html", "<html><body>nothing</body></html>");
    QSignalSpy ended(&w.win, &WinSrch::runEnded);

    ASSERT_TRUE(w.win.StartDlSearch(w.Request({"/index.html"})));
    EXPECT_FALSE(w.win.StartDlSearch(w.Request({"/b.html"})));  // one run at a time
    EXPECT_EQ(Find<QLineEdit>(&w.win, QStringLiteral("sch_txt"))->text(), QStringLiteral("needle"));
    ASSERT_TRUE(WaitUntil([&] { return w.Ended(); }));
    EXPECT_TRUE(w.dialogsOnGuiThread);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(w.win.IsRunning());
    EXPECT_TRUE(
        w.home.Dlg()
            .TextOf("DL＆検索終了")
            .startsWith(QStringLiteral("DL＆検索が終了しました。\nDL＆検索数は、 3 件でした。\n"
                                       "ヒット数は、 1 件でした。")));

    // The table shows the final rows; the progress label the end.
    ASSERT_EQ(w.win.Model()->rowCount(), 3);
    EXPECT_EQ(w.RowOf("/a.html").result, QStringLiteral("一致"));
    EXPECT_EQ(w.RowOf("/b.html").result, QStringLiteral("不"));
    EXPECT_EQ(w.RowOf("/b.html").depth, 2);
    const QModelIndex cell = w.win.Model()->index(w.IndexOf("/a.html"), 2);
    EXPECT_EQ(cell.data().toString(), QStringLiteral("一致"));
    EXPECT_TRUE(Find<QLabel>(&w.win, QStringLiteral("thrd_lbl"))->text().endsWith(" : End"));

    // The files are in the run folder.
    CtrlFile& ctrl = w.home.Ctrl();
    EXPECT_EQ(ctrl.RunId(), QStringLiteral("run1"));
    const QString local = ctrl.Abs(ctrl.GetLogFrdr(w.srv.Url("/a.html")));
    EXPECT_TRUE(local.startsWith(ctrl.Abs(ctrl.RunFolder()) + u'/'));
    EXPECT_TRUE(QFileInfo(local).isFile());

    // Output rows: every row without a selection, else the selected ones.
    OutputRows all = w.win.SelectedOutputRows();
    EXPECT_EQ(all.keys, DocRunReport::ColumnKeys());
    EXPECT_EQ(all.rows.size(), 3u);
    const int a = w.IndexOf("/a.html");
    w.Select({a});
    OutputRows one = w.win.SelectedOutputRows();
    ASSERT_EQ(one.rows.size(), 1u);
    EXPECT_EQ(one.rows[0].at(6), w.srv.Url("/a.html"));
    // The report shows the run's words.
    w.home.Dlg().inputs.push_back(QStringLiteral("run"));
    SelOutTmplt(w.home.Gui(), nullptr, one, QStringLiteral("run"));
    EXPECT_TRUE(QString::fromUtf8(w.home.Read("report/run/body.html"))
                    .contains(QStringLiteral("<SPAN CLASS=\"word\">needle</SPAN>")));

    // The find target reads title and URL; the list itself is never changed.
    RepTarget* rep = w.win.Replace();
    ASSERT_NE(rep, nullptr);
    EXPECT_EQ(rep->RepRowCount(), 3);
    EXPECT_EQ(rep->RepRowTexts(a), (QStringList{"A", w.srv.Url("/a.html")}));
    rep->SetRepRowTexts(a, {"x", "y"});
    EXPECT_EQ(w.RowOf("/a.html").title, QStringLiteral("A"));
    rep->RepSelectRow(0);
    EXPECT_EQ(rep->RepCurrentRow(), 0);
    EXPECT_EQ(rep->RepSelectedRows(), std::vector<int>{0});
}

TEST(WinSrch, RowCommandsOpenHighlightSaveAndSend) {
    RunWindow w;
    w.srv.Page("/index.html",
               "<html><body><a href=\"a.html\">A</a> <a href=\"sub/a.html\">SA</a>"
               "</body></html>");
    w.srv.Page("/a.html", "<html><body><p>Needle one</p></body></html>");
    w.srv.Page("/sub/a.html", "<html><body>needle two</body></html>");
    RunRequest request = w.Request({"/index.html"});
    request.opt.overwrite_type = 1;  // stored copies are fetched again
    ASSERT_TRUE(w.win.StartDlSearch(request));
    ASSERT_TRUE(WaitUntil([&] { return w.Ended(); }));
    const int a = w.IndexOf("/a.html");
    const int sa = w.IndexOf("/sub/a.html");
    ASSERT_GE(a, 0);
    ASSERT_GE(sa, 0);

    // Open the URL; open the local file, highlighted when asked.
    w.Select({a});
    Find<QPushButton>(&w.win, QStringLiteral("ctr_btn_open"))->click();
    EXPECT_EQ(w.home.opened.value(0), w.srv.Url("/a.html"));
    EXPECT_TRUE(w.win.EditCommand(QStringLiteral("mni_open_local")));
    EXPECT_TRUE(w.home.opened.value(1).endsWith("/a.html"));
    Find<QCheckBox>(&w.win, QStringLiteral("h_light_cb"))->setChecked(true);
    Find<QPushButton>(&w.win, QStringLiteral("ctr_btn_open_l"))->click();
    const QString marked = w.home.opened.value(2);
    ASSERT_TRUE(marked.endsWith("/a_hl_korvi.html")) << marked.toStdString();
    QFile f(marked);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(f.readAll()).contains("\">Needle</B>"));

    // Save: two files of the same name land side by side in the chosen folder.
    const QString folder = w.home.File("saved");
    w.home.Dlg().inputs.push_back(folder);
    w.Select({a, sa});
    EXPECT_TRUE(w.win.EditCommand(QStringLiteral("mni_save")));
    EXPECT_TRUE(QFileInfo(folder + "/a.html").isFile());
    EXPECT_TRUE(QFileInfo(folder + "/a_0001.html").isFile());
    // Cancelling the folder chooser copies nothing.
    EXPECT_TRUE(w.win.EditCommand(QStringLiteral("mni_save")));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);

    // Send the selected rows to the init list.
    LinkList sent;
    w.win.sendToInit = [&](const LinkList& rows) { sent = rows; };
    EXPECT_TRUE(w.win.EditCommand(QStringLiteral("mni_send_mwin")));
    EXPECT_EQ(sent.url, (QStringList{w.srv.Url("/a.html"), w.srv.Url("/sub/a.html")}));
    EXPECT_EQ(sent.title, (QStringList{"A", "SA"}));
    EXPECT_FALSE(w.win.EditCommand(QStringLiteral("mni_chk_true")));

    // Re-download after the end: the row is fetched again and the run ends again.
    const int hits = w.srv.Hits("/a.html");
    w.home.Dlg().shown.clear();
    w.Select({a});
    Find<QPushButton>(&w.win, QStringLiteral("ctr_btn_redl"))->click();
    ASSERT_TRUE(WaitUntil([&] { return w.Ended(); }));
    EXPECT_GT(w.srv.Hits("/a.html"), hits);
    EXPECT_EQ(w.RowOf("/a.html").result, QStringLiteral("一致"))
        << w.RowOf("/a.html").Cells().join("|").toStdString() << " "
        << w.home.Dlg().TextOf("DL＆検索終了").toStdString();
}

TEST(WinSrch, StopButtonPausesResumesAndSkipEndsTheRow) {
    RunWindow w;
    w.srv.SetRoute("/slow.html", Gated());
    ASSERT_TRUE(w.win.StartDlSearch(w.Request({"/slow.html"})));
    ASSERT_TRUE(w.srv.WaitGateReached("/slow.html"));
    ASSERT_TRUE(WaitUntil([&] { return w.RowOf("/slow.html").state >= 10; }));

    auto* stop = Find<QPushButton>(&w.win, QStringLiteral("ctr_btn_stop"));
    auto* label = Find<QLabel>(&w.win, QStringLiteral("thrd_lbl"));
    EXPECT_TRUE(stop->isEnabled());
    stop->click();
    EXPECT_EQ(stop->text(), QStringLiteral("再開"));
    EXPECT_TRUE(w.win.Run()->Paused());
    EXPECT_TRUE(label->text().endsWith(QStringLiteral(" : Wait")));
    w.win.RefreshView();  // a tick while paused keeps both
    EXPECT_EQ(stop->text(), QStringLiteral("再開"));
    EXPECT_TRUE(label->text().endsWith(QStringLiteral(" : Wait")));
    stop->click();
    EXPECT_EQ(stop->text(), QStringLiteral("停止"));
    EXPECT_FALSE(w.win.Run()->Paused());

    // Skip the running row: it ends as skipped and the run ends.
    w.Select({w.IndexOf("/slow.html")});
    EXPECT_TRUE(w.win.EditCommand(QStringLiteral("mni_skip")));
    ASSERT_TRUE(WaitUntil([&] { return w.Ended(); }));
    EXPECT_EQ(w.RowOf("/slow.html").result, QStringLiteral("断"));
    EXPECT_EQ(w.RowOf("/slow.html").context, QStringLiteral("- スキップ -"));
    EXPECT_FALSE(stop->isEnabled());
    w.srv.Open();
}

TEST(WinSrch, QuietAndForcedEndsShowNoDialog) {
    RunWindow w;
    w.srv.Page("/a.html", "<html><body>needle</body></html>");
    QSignalSpy ended(&w.win, &WinSrch::runEnded);
    RunRequest r = w.Request({"/a.html"});
    r.quiet = true;
    ASSERT_TRUE(w.win.StartDlSearch(r));
    ASSERT_TRUE(WaitUntil([&] { return ended.count() == 1; }));
    EXPECT_TRUE(w.home.Dlg().shown.empty());
    EXPECT_EQ(w.RowOf("/a.html").result, QStringLiteral("一致"));

    // A forced stop ends at once, without a dialog, and says so once. A
    // start into another run folder begins a new run list.
    w.srv.SetRoute("/slow.html", Gated());
    RunRequest next = w.Request({"/slow.html"});
    next.runId = QStringLiteral("run2");
    ASSERT_TRUE(w.win.StartDlSearch(next));
    EXPECT_EQ(w.win.Model()->rowCount(), 1);  // the new run's list only
    ASSERT_TRUE(w.srv.WaitGateReached("/slow.html"));
    w.win.ForceStop();
    EXPECT_FALSE(w.win.IsRunning());
    EXPECT_EQ(ended.count(), 2);
    WaitUntil([] { return false; }, 100);
    EXPECT_TRUE(w.home.Dlg().shown.empty());
    w.srv.Open();
}

// The model signals appended rows as inserts and rewritten rows as changes
// limited to what changed, never as a reset.
TEST(WinSrch, ModelSignalsOnlyWhatChanged) {
    RunList list;
    for (int i = 0; i < 3000; ++i) {
        RunRow r;
        r.url = QStringLiteral("http://h/%1").arg(i);
        list.Append(r);
    }
    RunListModel model;
    model.Reset(list.Snapshot());
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    EXPECT_EQ(model.Refresh(list.Snapshot()), 0);  // nothing changed
    EXPECT_EQ(changed.count(), 0);
    list.Update(5, [](RunRow& r) { r.state = 10; });
    list.Update(2500, [](RunRow& r) { r.result = QStringLiteral("一致"); });
    list.Update(2510, [](RunRow& r) { r.dlLen = QStringLiteral("3"); });
    RunRow extra;
    extra.url = QStringLiteral("http://h/new");
    list.Append(extra);
    EXPECT_EQ(model.Refresh(list.Snapshot()), 1 + 11);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 3000);
    EXPECT_EQ(inserted[0][2].toInt(), 3000);
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 5);
    EXPECT_EQ(changed[0][1].toModelIndex().row(), 5);
    EXPECT_EQ(changed[1][0].toModelIndex().row(), 2500);
    EXPECT_EQ(changed[1][1].toModelIndex().row(), 2510);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(model.index(2500, 2).data().toString(), QStringLiteral("一致"));
    EXPECT_EQ(model.rowCount(), 3001);
}

}  // namespace
}  // namespace korvi::test

namespace korvi::test {
namespace {

// A second start into the same run folder goes on with the run list: new
// start rows are appended, rows it holds are not fetched again.
TEST(WinSrch, SameFolderStartGoesOnWithTheList) {
    RunWindow w;
    w.srv.Page("/a.html", "<html><body>needle</body></html>");
    w.srv.Page("/b.html", "<html><body>nothing</body></html>");
    ASSERT_TRUE(w.win.StartDlSearch(w.Request({"/a.html"})));
    ASSERT_TRUE(WaitUntil([&] { return w.Ended(); }));
    w.home.Dlg().shown.clear();
    ASSERT_TRUE(w.win.StartDlSearch(w.Request({"/a.html", "/b.html"})));
    ASSERT_TRUE(WaitUntil([&] { return w.Ended(); }));
    w.win.RefreshView();
    EXPECT_EQ(w.win.Model()->rowCount(), 2);
    EXPECT_EQ(w.srv.Hits("/a.html"), 1);
    EXPECT_EQ(w.RowOf("/b.html").result, QStringLiteral("不"));

    // "DL進行の初期化" drops the list.
    w.win.DropRun();
    EXPECT_EQ(w.win.Model()->rowCount(), 0);
    EXPECT_EQ(w.win.Run(), nullptr);
}

}  // namespace
}  // namespace korvi::test
