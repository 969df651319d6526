#pragma once

#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

#include "FixtureServer.h"
#include "UiTestKit.h"
#include "engine/RunControl.h"
#include "server/WinSrvrCore.h"
#include "ui/common/Dialogs.h"
#include "ui/engine/WinSrch.h"
#include "ui/schedule/WinSchd.h"
#include "ui/server/WinSrvr.h"
#include "ui/shell/Korvi.h"
#include "ui/tools/WinLogAnls.h"
#include "ui/tools/WinLogSrch.h"

namespace korvi::test {

// The resident part with a main window over the real dialogs (QtDialogs),
// answered through QApplication::activeModalWidget(). Ending the program
// is recorded in status instead of ending the test's event loops.
struct RealDesk {
    GuiHome home;
    QtDialogs dialogs;
    GuiContext gui{home.Ctx(), dialogs, home.Gui().open, {}};
    WinSrvr server{gui};
    int status = -1;

    // before runs in the fresh home before the resident part starts.
    explicit RealDesk(const std::function<void(GuiHome&)>& before = {}) {
        if (before) before(home);
        server.SetQuit([this](int s) { status = s; });
        EXPECT_TRUE(server.Start(WinSrvrCore::kPrefix + QStringLiteral("StartKorvi")));
        EXPECT_TRUE(WaitUntil([&] { return server.MainWindow() != nullptr; }));
        // An edit the close order must store.
        if (Korvi* main = server.MainWindow()) {
            main->SelWork(Korvi::kSchd);
            main->SchdPanel()->NewSchd();
            main->SelWork(Korvi::kDsInit);
        }
    }
    ~RealDesk() {
        if (server.MainWindow()) server.MainWindow()->ForceClose();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    bool SchedulesStored() const { return home.Exists(QStringLiteral("schedule/00000000.ini")); }
};

// Starts the work of a category in the main window: a run of srv's /a.html
// (kDsAct), a file search (kLogSrch) or an analysis (kLogAnly); each ends
// in its end dialog.
inline void StartWork(Korvi* main, FixtureServer& srv, Korvi::Work work) {
    main->SelWork(work);
    if (work == Korvi::kLogSrch) {
        main->FileSearchPanel()->StartSrch(false);
    } else if (work == Korvi::kLogAnly) {
        main->AnlsPanel()->StartAnls();
    } else {
        RunRequest r;
        r.rows.push_back({true, 0, QStringLiteral("a"), srv.Url(QStringLiteral("/a.html")),
                          QStringLiteral("html")});
        r.words = QStringLiteral("needle");
        r.runId = main->RunId();
        main->RunPanel()->StartDlSearch(r);
    }
}

}  // namespace korvi::test
