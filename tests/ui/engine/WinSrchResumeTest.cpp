#include <QAction>
#include <QDialog>
#include <QFileSystemModel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "ModalAnswerer.h"
#include "UiTestKit.h"
#include "engine/RunJournal.h"
#include "fixtures/FixtureServer.h"
#include "store/CtrlFile.h"
#include "ui/common/Dialogs.h"
#include "ui/engine/RunListModel.h"
#include "ui/engine/WinSrch.h"
#include "ui/shell/Korvi.h"

namespace korvi::test {
namespace {

constexpr int kPages = 8;

const QStringList kSettings = {"--words", "needle",
                               "--set",   "BaseOption.thrd_max=3",
                               "--set",   "BaseOption.depth_max=3",
                               "--set",   "BaseOption.page_max=0",
                               "--set",   "BaseOption.hit_max=0"};

void SlowSite(FixtureServer& srv) {
    FixtureServer::Route r;
    r.delayMs = 100;
    QByteArray index = "<html><body>";
    for (int i = 1; i <= kPages; ++i) {
        const QByteArray n = QByteArray::number(i);
        index += "<a href=\"p" + n + ".html\">P" + n + "</a>\n";
        r.body = "<html><a href=\"q" + n + ".html\">Q</a>" + (i % 2 ? "" : "needle") + "</html>";
        srv.SetRoute("/p" + QString::number(i) + ".html", r);
        r.body = "<html>leaf " + n + (i % 3 ? "" : " needle") + "</html>";
        srv.SetRoute("/q" + QString::number(i) + ".html", r);
    }
    r.body = index + "</body></html>";
    srv.SetRoute("/index.html", r);
}

QProcess* StartCrawl(const TempHome& th, const QString& runId, const QString& url) {
    auto* p = new QProcess;
    p->start(TempHome::BinDir() + "/korvi-run", QStringList{"--home", th.Path(), "crawl"} +
                                                    kSettings +
                                                    QStringList{"--run-id", runId, url});
    return p;
}

// Run-list rows without No, DL長 and 予定長, order aside.
std::multiset<std::string> Rows(const QStringList& cellRows, const FixtureServer& srv) {
    std::multiset<std::string> rows;
    for (const QString& line : cellRows) {
        QStringList cells = line.split('\t');
        cells.remove(8, 2);
        cells.removeFirst();
        rows.insert(cells.join('\t').replace(srv.Url("/"), "URL/").toStdString());
    }
    return rows;
}

QStringList ModelRows(WinSrch* win) {
    QStringList out;
    const RunListSnapshot& snap = win->Model()->Snapshot();
    for (int i = 0; i < snap.Count(); ++i) out << snap.Row(i).Cells().join('\t');
    return out;
}

std::multiset<std::string> ReferenceRows(FixtureServer& srv) {
    TempHome ref;
    std::unique_ptr<QProcess> p(StartCrawl(ref, "R", srv.Url("/index.html")));
    EXPECT_TRUE(p->waitForFinished(60000));
    QStringList lines =
        QString::fromUtf8(p->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    if (!lines.isEmpty()) lines.removeFirst();
    return Rows(lines, srv);
}

// A crawl killed mid-run is marked in the folder tree and resumed from its
// context menu: the run window ends with the rows of an uninterrupted run,
// and no page stored before the kill is asked for again.
TEST(WinSrchResume, KilledRunIsMarkedAndResumedFromTheFolderTree) {
    FixtureServer srv;
    SlowSite(srv);
    const std::multiset<std::string> want = ReferenceRows(srv);
    ASSERT_EQ(want.size(), size_t(1 + 2 * kPages));

    GuiHome home;
    CtrlFile& ctrl = home.Ctrl();
    const QString folder = ctrl.Abs(ctrl.LogRoot() + "/run1");
    std::unique_ptr<QProcess> p(StartCrawl(home, "run1", srv.Url("/index.html")));
    ASSERT_TRUE(p->waitForStarted());
    JournalData seen;
    for (int i = 0; i < 3000; ++i) {
        if (RunJournal::Read(folder, &seen) &&
            std::count_if(seen.rows.begin(), seen.rows.end(),
                          [](const RunRow& r) { return r.result != "未"; }) >= 4)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    p->kill();
    p->waitForFinished();
    ASSERT_EQ(p->exitStatus(), QProcess::CrashExit);
    std::set<QString> stored;
    for (int i = 1; i <= kPages; ++i)
        for (const QString& path : {QString("/p%1.html").arg(i), QString("/q%1.html").arg(i)}) {
            ctrl.SetRunId("run1");
            if (!ctrl.GetFootTag(ctrl.GetLogFrdr(srv.Url(path))).isEmpty()) stored.insert(path);
        }
    const size_t atKill = srv.Requests().size();

    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    auto* tree = Find<QTreeView>(&win, "tree_logf");
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    QModelIndex at;
    ASSERT_TRUE(WaitUntil([&] {
        at = model->index(folder);
        return at.isValid() && model->data(at).toString() == "run1 (中断)";
    }));
    tree->setCurrentIndex(at);
    auto* menu = Find<QMenu>(&win, "mn_logf");
    auto* resume = Find<QAction>(&win, "mni_resume");
    Q_EMIT menu->aboutToShow();
    ASSERT_TRUE(resume->isEnabled());
    resume->trigger();
    ASSERT_TRUE(win.RunPanel()->IsRunning());
    EXPECT_EQ(win.RunId(), "run1");
    ASSERT_TRUE(WaitUntil([&] { return home.Dlg().WasShown("DL＆検索終了"); }, 30000));
    EXPECT_EQ(Rows(ModelRows(win.RunPanel()), srv), want);
    const std::vector<QString> all = srv.Requests();
    for (size_t i = atKill; i < all.size(); ++i)
        EXPECT_EQ(stored.count(all[i]), 0u) << all[i].toStdString();
    Q_EMIT menu->aboutToShow();
    EXPECT_FALSE(resume->isEnabled());
    EXPECT_EQ(model->data(at).toString(), "run1");
}

// The run window's button with the real dialogs: a folder without an
// interrupted run says so; an interrupted one runs to its end dialog.
TEST(WinSrchResume, RunWindowButtonWithTheRealDialogs) {
    FixtureServer srv;
    SlowSite(srv);
    GuiHome home;
    QtDialogs qt;
    GuiContext real{home.Ctx(), qt, home.Gui().open, {}, nullptr};
    WinSrch win(real);
    win.show();
    CtrlFile& ctrl = home.Ctrl();
    ctrl.SetRunId("none");
    win.RefreshView();
    auto* button = Find<QPushButton>(&win, "ctr_btn_resume");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "続きから再開");
    EXPECT_FALSE(button->isEnabled());
    {
        ModalAnswerer modal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
        EXPECT_FALSE(win.ResumeRun());
        EXPECT_EQ(modal.Titles(), QStringList{"続きから再開"});
    }

    // A run whose journal lost all but its start row: everything is stored.
    std::unique_ptr<QProcess> p(StartCrawl(home, "run2", srv.Url("/index.html")));
    ASSERT_TRUE(p->waitForFinished(60000));
    const QString folder = ctrl.Abs(ctrl.LogRoot() + "/run2");
    JournalData done;
    ASSERT_TRUE(RunJournal::Read(folder, &done));
    RunRow first = done.rows.front();
    first.state = 0;
    first.result = "未";
    RunJournal cut;
    ASSERT_TRUE(cut.Begin(folder, done.values, {first}));
    cut.Close();
    ctrl.SetRunId("run2");
    win.RefreshView();
    ASSERT_TRUE(button->isEnabled());
    const size_t before = srv.Requests().size();
    ModalAnswerer modal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
    button->click();
    ASSERT_TRUE(WaitUntil([&] { return modal.Titles().contains("DL＆検索終了"); }, 30000));
    EXPECT_EQ(srv.Requests().size(), before);
    EXPECT_EQ(win.Model()->Snapshot().Count(), int(done.rows.size()));
    EXPECT_FALSE(button->isEnabled());
}

}  // namespace
}  // namespace korvi::test
