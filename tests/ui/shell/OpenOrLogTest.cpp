#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "UiTestKit.h"
#include "store/DocOpen.h"
#include "ui/shell/Korvi.h"
#include "ui/shell/KorviLogfMenu.h"
#include "ui/shell/OpenOrLog.h"
#include "ui/shell/WinOpt.h"

namespace korvi::test {
namespace {

// Sets an environment variable for one scope.
class EnvGuard {
public:
    EnvGuard(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~EnvGuard() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

struct Outcome {
    bool done = false;
    bool ok = false;
    QString why;
};

std::shared_ptr<Outcome> Watch(const QByteArray& opener) {
    EnvGuard env("KORVI_OPENER", opener);
    auto o = std::make_shared<Outcome>();
    DefaultDocOpenerLater()(QStringLiteral("/tmp"), [o](bool ok, const QString& why) {
        o->done = true;
        o->ok = ok;
        o->why = why;
    });
    EXPECT_FALSE(o->done);  // never told inside the call
    EXPECT_TRUE(WaitUntil([o] { return o->done; }));
    // The watcher is gone once it has told.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return o;
}

// Openers held back, ended by the test.
struct HeldOpeners {
    std::vector<std::pair<QString, DocOpenDoneFn>> held;
    DocOpenLaterFn Fn() {
        return [this](const QString& target, DocOpenDoneFn done) {
            held.emplace_back(target, std::move(done));
        };
    }
};

int Fails(GuiHome& home) {
    int n = 0;
    for (const ScriptedDialogs::Shown& s : home.Dlg().shown) n += s.title == kOpenFailTitle;
    return n;
}

}  // namespace

// The opener is watched to its end: a missing program, a non-zero exit and
// success are told apart, and always from the event loop.
TEST(OpenOrLog, OpenerEndIsWatched) {
    auto missing = Watch("/nonexistent/korvi-opener");
    EXPECT_FALSE(missing->ok);
    auto fails = Watch("false");
    EXPECT_FALSE(fails->ok);
    EXPECT_TRUE(fails->why.contains(QStringLiteral("exit code 1"))) << fails->why.toStdString();
    auto works = Watch("true");
    EXPECT_TRUE(works->ok);
}

// When nothing opens a folder, URL or page, the user is told what could not
// be opened and how to set an opener, and the log keeps its line; a failure
// known only later is told then. The folder list page reports the same way.
TEST(OpenOrLog, FailureIsToldWithTheTarget) {
    GuiHome home;
    home.Gui().open = [](const QString&) { return false; };
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    win.Action(QStringLiteral("mni_exe_fldr"))->trigger();
    QString text = home.Dlg().TextOf(kOpenFailTitle);
    EXPECT_TRUE(text.contains(home.Path())) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("KORVI_OPENER")));
    EXPECT_TRUE(text.contains(QStringLiteral("xdg-utils")));
    EXPECT_TRUE(home.ErrLog().contains(QStringLiteral("ExeFolder Button Error : ") + home.Path()));

    win.Action(QStringLiteral("mni_web"))->trigger();
    EXPECT_TRUE(home.Dlg().TextOf(kOpenFailTitle).contains(QStringLiteral("https://")));
    EXPECT_TRUE(home.ErrLog().contains(QStringLiteral("Web Button Error : ")));

    home.Dlg().shown.clear();
    const QString page = WriteFldrLst(home.Gui(), &win, home.File(QStringLiteral("log")));
    ASSERT_FALSE(page.isEmpty());
    EXPECT_TRUE(home.Dlg().TextOf(kOpenFailTitle).contains(page));
    EXPECT_TRUE(home.ErrLog().contains(
        QStringLiteral("KorviMnLogf MkFldrLstHtml Exec Error : cannot open ") + page));

    // Later: nothing shows until the opener ends in failure.
    HeldOpeners later;
    home.Gui().openLater = later.Fn();
    home.Dlg().shown.clear();
    win.Action(QStringLiteral("mni_fav_edit"))->trigger();
    WriteFldrLst(home.Gui(), &win, home.File(QStringLiteral("log")));
    ASSERT_EQ(later.held.size(), 2u);
    EXPECT_EQ(Fails(home), 0);
    later.held[0].second(false, QStringLiteral("exit code 3"));
    EXPECT_TRUE(home.Dlg().TextOf(kOpenFailTitle).contains(home.File(QStringLiteral("favorite"))));
    later.held[1].second(false, QStringLiteral("exit code 3"));
    EXPECT_EQ(Fails(home), 2);
    EXPECT_TRUE(home.ErrLog().contains(QStringLiteral("FavEdit Button Exec Error : ")));
    EXPECT_EQ(home.ErrLog().count(QStringLiteral("KorviMnLogf MkFldrLstHtml Exec Error : ")), 2);
    // A success tells nothing.
    win.Action(QStringLiteral("mni_exe_fldr"))->trigger();
    later.held.back().second(true, QString());
    EXPECT_EQ(Fails(home), 2);
}

// The real opener through a window: a failing opener program ends in the
// message, without the window waiting for it.
TEST(OpenOrLog, FailingOpenerProgramReachesTheUser) {
    EnvGuard env("KORVI_OPENER", "false");
    GuiHome home;
    home.Gui().openLater = DefaultDocOpenerLater();
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    win.Action(QStringLiteral("mni_log_fldr"))->trigger();
    EXPECT_FALSE(home.Dlg().WasShown(kOpenFailTitle));
    EXPECT_TRUE(WaitUntil([&] { return home.Dlg().WasShown(kOpenFailTitle); }));
    EXPECT_TRUE(home.ErrLog().contains(QStringLiteral("LogFolder Button Exec Error : ")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Help stays reachable: without an opener the page shows in a window of our
// own, at its anchor's page, for the main window and the options window.
TEST(OpenOrLog, HelpFallsBackToOwnWindow) {
    GuiHome home;
    home.Gui().open = [](const QString&) { return false; };
    Korvi win(home.Gui());
    win.InitKorvi(QStringLiteral(""), false);
    Find<QPushButton>(&win, QStringLiteral("help_btn"))->click();
    auto* help = win.findChild<QWidget*>(QStringLiteral("WinHelp"));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    auto* view = Find<QTextBrowser>(help, QStringLiteral("help_view"));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->source().toLocalFile().endsWith(QStringLiteral("doc/win_main_work.html")));
    EXPECT_EQ(view->source().fragment(), QStringLiteral("ds_init"));
    EXPECT_FALSE(view->toPlainText().isEmpty());
    EXPECT_FALSE(home.Dlg().WasShown(kOpenFailTitle));
    EXPECT_TRUE(home.ErrLog().contains(QStringLiteral("Help Button Error : ")));
    // The same window again for the next page.
    win.Action(QStringLiteral("mni_help"))->trigger();
    EXPECT_EQ(win.findChildren<QWidget*>(QStringLiteral("WinHelp")).size(), 1);
    EXPECT_TRUE(view->source().toLocalFile().endsWith(QStringLiteral("doc/help.html")));

    WinOpt opt(home.Gui());
    Find<QPushButton>(&opt, QStringLiteral("help_btn"))->click();
    auto* optHelp = opt.findChild<QWidget*>(QStringLiteral("WinHelp"));
    ASSERT_NE(optHelp, nullptr);
    EXPECT_TRUE(optHelp->isVisible());
}

// The real dialog shows the path selectable and closes by its button.
TEST(OpenOrLog, RealDialogShowsThePathSelectable) {
    GuiHome home;
    QtDialogs real;
    GuiContext gui{home.Ctx(), real, [](const QString&) { return false; }, {}};
    Korvi win(gui);
    win.InitKorvi(QStringLiteral(""), false);
    bool selectable = false;
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        for (const QLabel* l : dlg->findChildren<QLabel*>()) {
            if (l->text().contains(home.Path())) {
                seen = true;
                selectable = l->textInteractionFlags().testFlag(Qt::TextSelectableByMouse);
            }
        }
        EXPECT_EQ(dlg->windowTitle(), kOpenFailTitle);
        dlg->reject();
    });
    poll.start(20);
    win.Action(QStringLiteral("mni_exe_fldr"))->trigger();
    poll.stop();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(selectable);
}

}  // namespace korvi::test
