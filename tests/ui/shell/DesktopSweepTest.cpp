// Walks the whole desktop over the real dialogs: every menu item and button
// of the main window, the options window, the resident window and the guide,
// each question answered both ways, and every close in every state.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "FixtureServer.h"
#include "ModalAnswerer.h"
#include "RealDesk.h"
#include "engine/RunControl.h"
#include "engine/lists/InitList.h"
#include "server/Resident.h"
#include "ui/engine/KorviDlSrchInit.h"
#include "ui/engine/WinSrch.h"
#include "ui/shell/WinOpt.h"
#include "ui/tools/WinLogAnls.h"
#include "ui/tools/WinLogSrch.h"

namespace korvi::test {
namespace {

// Items left out, each with its reason. Closers are pressed by the close
// phases, not by the walk.
const std::map<QString, QString> kSkipped = {
    {QStringLiteral("Korvi/close_btn"), QStringLiteral("closes; pressed by the close phases")},
    {QStringLiteral("Korvi/mni_end"), QStringLiteral("closes; pressed by the close phases")},
    {QStringLiteral("Korvi/mni_exit"), QStringLiteral("ends; pressed by the close phases")},
    {QStringLiteral("WinOpt/close_btn"), QStringLiteral("closes; pressed by the close phases")},
    {QStringLiteral("WinGuide/close_btn"), QStringLiteral("closes; pressed by the close phases")},
    {QStringLiteral("Korvi/WinSrch/ctr_btn_resume"),
     QStringLiteral("enabled only for an interrupted run; pressed by the resume tests")},
};

// With SWEEP_TRACE set, every step goes to the log with its time.
void Trace(const char* what, const QString& item) {
    if (qEnvironmentVariableIsSet("SWEEP_TRACE"))
        qInfo("%lld %s %s", QDateTime::currentMSecsSinceEpoch() % 1000000, what, qPrintable(item));
}

// How a dialog is answered in this pass.
struct Answers {
    bool yes = true;
    QString url;  // a fixture page, given to every other input
    QString home;
    int inputs = 0;

    void operator()(QWidget* modal) {
        Trace("modal", modal->windowTitle());
        if (auto* file = qobject_cast<QFileDialog*>(modal)) {
            QString path;
            if (file->fileMode() == QFileDialog::Directory)
                path = home + QStringLiteral("/log");
            else if (file->acceptMode() == QFileDialog::AcceptSave)
                path = home + QStringLiteral("/tmp/sweep out.ini");
            else
                path = home + QStringLiteral("/data.ini");
            AnswerModal(modal, yes, QString(), path);
            return;
        }
        if (!qobject_cast<QMessageBox*>(modal) && !modal->findChild<QObject*>("lbl_mes")) {
            // The replace dialog: run it once, then it is cancelled.
            if (!yes || !PressButton(modal, modal->windowTitle()))
                if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
            return;
        }
        ++inputs;
        AnswerModal(modal, yes, inputs % 2 ? url : QStringLiteral("sweep%1").arg(inputs));
    }
};

QString NameOf(QObject* o) {
    if (!o->objectName().isEmpty()) return o->objectName();
    if (auto* a = qobject_cast<QAction*>(o)) return a->text();
    if (auto* b = qobject_cast<QAbstractButton*>(o)) return b->text();
    return QString();
}

// Names repeat between panels: a button is known by its panel too.
QString KeyOf(const QString& scope, QAbstractButton* b) {
    QString panel;
    for (QWidget* w = b->parentWidget(); w && w->parentWidget(); w = w->parentWidget()) {
        if (w->parentWidget()->inherits("QStackedWidget")) {
            panel = w->objectName() + u'/';
            break;
        }
    }
    return scope + u'/' + panel + NameOf(b);
}

// What was pressed while it could be pressed, and everything there is.
struct Reach {
    std::set<QString> all;
    std::set<QString> reached;

    // The window's buttons, its own internals left out.
    static QList<QPointer<QAbstractButton>> Buttons(QWidget* root) {
        QList<QPointer<QAbstractButton>> out;
        for (QAbstractButton* b : root->findChildren<QAbstractButton*>()) {
            const QString name = NameOf(b);
            if (name.isEmpty() || b->objectName().startsWith(QStringLiteral("qt_"))) continue;
            if (b->window() != root->window()) continue;  // an open dialog's
            out.append(b);
        }
        // Stop buttons last, so that what runs is still running for the rest.
        std::stable_partition(out.begin(), out.end(), [](const QPointer<QAbstractButton>& b) {
            return !b->objectName().contains(QStringLiteral("stop"));
        });
        return out;
    }
    // Every item of a menu bar, sub-menus included.
    static QList<QPointer<QAction>> Actions(QMenuBar* bar) {
        QList<QPointer<QAction>> out;
        std::function<void(const QList<QAction*>&)> walk = [&](const QList<QAction*>& list) {
            for (QAction* a : list) {
                if (a->isSeparator()) continue;
                if (a->menu())
                    walk(a->menu()->actions());
                else if (!NameOf(a).isEmpty())
                    out.append(a);
            }
        };
        walk(bar->actions());
        return out;
    }
    bool Skipped(const QString& key) const { return kSkipped.count(key) > 0; }

    void Press(const QString& scope, QAbstractButton* b, QWidget* window) {
        const QString key = KeyOf(scope, b);
        all.insert(key);
        if (Skipped(key) || !b->isEnabled()) return;
        // What the press enables (a stop button once something runs) is
        // pressed at once, before anything ends by itself.
        std::set<QAbstractButton*> before;
        if (window)
            for (auto& o : Buttons(window))
                if (o && !o->isEnabled()) before.insert(o);
        reached.insert(key);
        Trace("press", key);
        b->click();
        if (!window) return;
        for (auto& o : Buttons(window)) {
            if (!o || !before.count(o) || !o->isEnabled()) continue;
            const QString k = KeyOf(scope, o);
            if (Skipped(k)) continue;
            all.insert(k);
            reached.insert(k);
            o->click();
        }
    }
    void Trigger(const QString& scope, QAction* a) {
        const QString key = scope + u'/' + NameOf(a);
        all.insert(key);
        if (Skipped(key) || !a->isEnabled()) return;
        reached.insert(key);
        Trace("trigger", key);
        a->trigger();
    }
    QStringList Missed() const {
        QStringList out;
        for (const QString& k : all)
            if (!reached.count(k) && !Skipped(k)) out.append(k);
        return out;
    }
};

// A fresh home whose init list and hand-over file hold fixture pages only.
std::function<void(GuiHome&)> FixtureHome(FixtureServer& srv) {
    return [&srv](GuiHome& home) {
        srv.Page(QStringLiteral("/a.html"),
                 "<html><head><title>a</title></head><body>needle "
                 "<a href=\"b.html\">b</a></body></html>");
        srv.Page(QStringLiteral("/b.html"), "<html><body>needle b</body></html>");
        InitList list(home.Ctrl());
        list.AddSrchLst(srv.Url(QStringLiteral("/a.html")), QStringLiteral("a"),
                        QStringLiteral("html"));
        EXPECT_TRUE(list.SaveList(home.File(QStringLiteral("data.ini"))));
    };
}

FixtureServer::Route Held() {
    FixtureServer::Route r;
    r.body = QByteArray(4096, 'x');
    r.gated = true;
    r.gateAfter = 100;
    return r;
}

// Starts a run that stays running until the fixture opens its gates.
void StartHeldRun(Korvi* main, FixtureServer& srv) {
    static int serial = 0;
    const QString path = QStringLiteral("/held%1.html").arg(++serial);
    srv.SetRoute(path, Held());
    RunRequest r;
    r.rows.push_back({true, 0, QStringLiteral("held"), srv.Url(path), QStringLiteral("html")});
    r.words = QStringLiteral("needle");
    r.runId = main->RunId();
    main->SelWork(Korvi::kDsAct);
    main->RunPanel()->DropRun();  // a run the walk left stopped
    EXPECT_TRUE(main->RunPanel()->StartDlSearch(r));
    EXPECT_TRUE(srv.WaitGateReached(path));
}

// Builds the main window again from the resident window's own button.
Korvi* Reopen(RealDesk& d, Reach& reach) {
    if (!d.server.MainWindow()) {
        auto* start = Find<QPushButton>(&d.server, QStringLiteral("btn_korvi_strt"));
        reach.Press(QStringLiteral("WinSrvr"), start, nullptr);
        WaitUntil([&] { return d.server.MainWindow() != nullptr; });
    }
    Korvi* main = d.server.MainWindow();
    if (main) main->show();
    return main;
}

// Waits until the file search and the analysis are idle again.
void Settle(Korvi* main) {
    const bool idle = WaitUntil(
        [&] { return !main->FileSearchPanel()->IsRunning() && !main->AnlsPanel()->IsRunning(); });
    WaitUntil([] { return false; }, 30);  // their end reaches the panel
    EXPECT_TRUE(idle) << "file search " << main->FileSearchPanel()->IsRunning() << " analysis "
                      << main->AnlsPanel()->IsRunning();
}

// One walk over every window with every question answered one way.
void Walk(RealDesk& d, FixtureServer& srv, Reach& reach) {
    Korvi* main = Reopen(d, reach);
    ASSERT_NE(main, nullptr);
    const QPointer<Korvi> alive = main;
    auto standing = [&] { return alive && d.server.MainWindow() == alive; };

    // Panels, category by category; then the menus.
    const QList<QWidget*> panels = {main->InitPanel(), main->RunPanel(), main->FileSearchPanel(),
                                    main->AnlsPanel(), main->SchdPanel()};
    for (int work = Korvi::kDsInit; work <= Korvi::kSchd && standing(); ++work) {
        if (work == Korvi::kDsAct) StartHeldRun(main, srv);
        for (auto& b : Reach::Buttons(main)) {
            if (!b || !standing()) continue;
            // The panel's own buttons in its category, the rest in the first.
            QWidget* owner = nullptr;
            for (QWidget* p : panels)
                if (p->isAncestorOf(b)) owner = p;
            if (owner ? owner != panels[work] : work != Korvi::kDsInit) continue;
            Settle(main);
            if (work == Korvi::kDsAct && !main->RunPanel()->IsRunning()) StartHeldRun(main, srv);
            main->SelWork(work);
            reach.Press(QStringLiteral("Korvi"), b, main);
        }
        // A stopped run waits to go on; it ends here.
        main->RunPanel()->ForceStop();
    }
    srv.Open();
    // Each menu item once, in the first category that shows it.
    std::set<QAction*> triggered;
    for (int work = Korvi::kDsInit; work <= Korvi::kSchd && standing(); ++work) {
        for (auto& a : Reach::Actions(main->menuBar())) {
            if (!a || !standing() || triggered.count(a)) continue;
            Settle(main);
            main->SelWork(work);
            if (!a->isVisible()) continue;
            triggered.insert(a);
            reach.Trigger(QStringLiteral("Korvi"), a);
        }
        main->RunPanel()->ForceStop();
    }
    ASSERT_TRUE(standing());

    // Options window: every category, then its own footer.
    for (WinOpt* old : main->findChildren<WinOpt*>()) old->deleteLater();
    main->Action(QStringLiteral("mni_opt"))->trigger();
    QPointer<WinOpt> opt;
    for (WinOpt* w : main->findChildren<WinOpt*>())
        if (w->isVisible()) opt = w;
    ASSERT_TRUE(opt);
    auto* tree = Find<QTreeWidget>(opt, QStringLiteral("tree_opt"));
    ASSERT_NE(tree, nullptr);
    QStringList categories;
    for (int i = 0; i < tree->topLevelItem(0)->childCount(); ++i)
        categories.append(tree->topLevelItem(0)->child(i)->text(0));
    for (const QString& category : categories) {
        for (auto& b : Reach::Buttons(opt)) {
            if (!b || !opt) continue;
            opt->SelectCategory(category);
            if (opt->CurrentPanel()->isAncestorOf(b) ||
                !b->parentWidget()->inherits("QStackedWidget"))
                reach.Press(QStringLiteral("WinOpt"), b, opt);
        }
    }
    WaitUntil([] { return false; }, 100);  // a mount or server answer still on its way

    // The resident window's own buttons, with the main window open.
    for (auto& b : Reach::Buttons(&d.server))
        if (b) reach.Press(QStringLiteral("WinSrvr"), b, &d.server);
    WaitUntil([&] { return !d.server.isVisible(); }, 2000);
    ASSERT_TRUE(standing());

    // The guide: every preset, each on a guide opened again.
    main->OpenGuide();
    for (auto& b : Reach::Buttons(main->Guide())) {
        if (!b || !standing()) continue;
        main->OpenGuide();
        if (QWidget* g = main->Guide())
            if (auto* same = g->findChild<QAbstractButton*>(b->objectName()))
                reach.Press(QStringLiteral("WinGuide"), same, g);
    }
}

// Every window and panel, every item, each question both ways: nothing is
// left unreached, nothing crashes and the resident part stays.
TEST(DesktopSweep, EveryItemReachedWithEveryAnswer) {
    QElapsedTimer clock;
    clock.start();
    Reach reach;
    for (bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        FixtureServer srv;
        RealDesk d(FixtureHome(srv));
        Answers answers{yes, srv.Url(QStringLiteral("/a.html")), d.home.Path()};
        ModalAnswerer answerer([&](QWidget* m) { answers(m); });
        Walk(d, srv, reach);
        EXPECT_TRUE(d.server.Core()->Running());
        EXPECT_EQ(d.status, -1);
    }
    const QStringList missed = reach.Missed();
    EXPECT_TRUE(missed.isEmpty()) << "not reached: " << missed.join(u' ').toStdString();
    EXPECT_LT(clock.elapsed(), 90000);
}

enum class State { kIdle, kRun, kFileSearch, kAnalysis, kRunEnd, kSrchEnd, kAnlsEnd };

// Brings the main window into a state; for the end states the closer runs
// from the answerer while the end dialog is open.
void Enter(Korvi* main, FixtureServer& srv, State state, const std::function<void()>& close) {
    switch (state) {
        case State::kIdle:
            close();
            break;
        case State::kRun:
            StartHeldRun(main, srv);
            close();
            break;
        case State::kFileSearch:
            StartWork(main, srv, Korvi::kLogSrch);
            close();
            break;
        case State::kAnalysis:
            StartWork(main, srv, Korvi::kLogAnly);
            close();
            break;
        case State::kRunEnd:
            StartWork(main, srv, Korvi::kDsAct);
            break;
        case State::kSrchEnd:
            StartWork(main, srv, Korvi::kLogSrch);
            break;
        case State::kAnlsEnd:
            StartWork(main, srv, Korvi::kLogAnly);
            break;
    }
}

const State kStates[] = {State::kIdle,   State::kRun,     State::kFileSearch, State::kAnalysis,
                         State::kRunEnd, State::kSrchEnd, State::kAnlsEnd};

bool EndState(State s) {
    return s == State::kRunEnd || s == State::kSrchEnd || s == State::kAnlsEnd;
}

// The main window and the options window close in every state; the resident
// part stays and stores the schedules each time.
TEST(DesktopSweep, MainAndOptionsWindowCloseInEveryState) {
    FixtureServer srv;
    RealDesk d(FixtureHome(srv));
    Reach reach;
    for (State state : kStates) {
        SCOPED_TRACE(int(state));
        Korvi* main = Reopen(d, reach);
        ASSERT_NE(main, nullptr);
        main->SelWork(Korvi::kSchd);
        main->SchdPanel()->NewSchd();
        QFile::remove(d.home.File(QStringLiteral("schedule/00000000.ini")));
        auto close = [&] { Find<QPushButton>(main, QStringLiteral("close_btn"))->click(); };
        bool closed = false;
        ModalAnswerer answerer([&](QWidget* m) {
            if (EndState(state) && !closed) {
                closed = true;
                close();
            }
            AnswerModal(m, true);
        });
        Enter(main, srv, state, close);
        EXPECT_TRUE(WaitUntil([&] { return d.server.MainWindow() == nullptr; }));
        EXPECT_TRUE(d.SchedulesStored());
        EXPECT_TRUE(d.server.Core()->Running());
    }
    // "終了" closes like "閉じる"; "KorviServerごと終了" answered no keeps all.
    {
        ModalAnswerer answerer([](QWidget* m) { AnswerModal(m, false); });
        Korvi* main = Reopen(d, reach);
        main->Action(QStringLiteral("mni_exit"))->trigger();
        EXPECT_EQ(d.server.MainWindow(), main);
        main->Action(QStringLiteral("mni_end"))->trigger();
        EXPECT_TRUE(WaitUntil([&] { return d.server.MainWindow() == nullptr; }));
    }
    // The options window: idle, and with a question of a panel open.
    for (bool underDialog : {false, true}) {
        Korvi* main = Reopen(d, reach);
        ASSERT_NE(main, nullptr);
        main->Action(QStringLiteral("mni_opt"))->trigger();
        QPointer<WinOpt> opt = main->findChild<WinOpt*>();
        ASSERT_TRUE(opt);
        auto* close = Find<QPushButton>(opt, QStringLiteral("close_btn"));
        ModalAnswerer answerer([&](QWidget* m) {
            if (close) close->click();
            QTimer::singleShot(20, m, [m] { AnswerModal(m, false); });
        });
        if (underDialog) {
            opt->SelectCategory(QStringLiteral("DL先フォルダのパス"));
            Find<QPushButton>(opt->CurrentPanel(), QStringLiteral("btn_logf"))->click();
        } else {
            close->click();
        }
        EXPECT_TRUE(WaitUntil([&] { return opt.isNull(); }));
        EXPECT_EQ(d.server.MainWindow(), main);
    }
    EXPECT_EQ(d.status, -1);
}

// The resident window closes in every state: the close order runs, the
// schedules are stored and the program ends with status 0; so does
// "KorviServerごと終了" answered yes.
TEST(DesktopSweep, ResidentWindowClosesInEveryState) {
    for (State state : kStates) {
        SCOPED_TRACE(int(state));
        FixtureServer srv;
        RealDesk d(FixtureHome(srv));
        Korvi* main = d.server.MainWindow();
        ASSERT_NE(main, nullptr);
        main->show();
        auto close = [&] { d.server.close(); };
        bool closed = false;
        ModalAnswerer answerer([&](QWidget* m) {
            if (EndState(state) && !closed) {
                closed = true;
                close();
                return;  // ending the program answers it
            }
            AnswerModal(m, true);
        });
        Enter(main, srv, state, close);
        EXPECT_TRUE(WaitUntil([&] { return d.status == 0; }));
        srv.Open();
        EXPECT_EQ(d.server.MainWindow(), nullptr);
        EXPECT_TRUE(d.SchedulesStored());
        EXPECT_FALSE(d.server.Core()->Running());
    }
    FixtureServer srv;
    RealDesk d(FixtureHome(srv));
    ModalAnswerer answerer([](QWidget* m) { AnswerModal(m, true); });
    d.server.MainWindow()->Action(QStringLiteral("mni_exit"))->trigger();
    EXPECT_EQ(answerer.Titles(), QStringList{QStringLiteral("KorviServer終了確認")});
    EXPECT_EQ(d.status, 0);
    EXPECT_TRUE(d.SchedulesStored());
}

}  // namespace
}  // namespace korvi::test
