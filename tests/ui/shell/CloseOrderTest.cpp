#include <QAction>
#include <QApplication>
#include <QPushButton>

#include <gtest/gtest.h>

#include "FixtureServer.h"
#include "ModalAnswerer.h"
#include "RealDesk.h"
#include "UiTestKit.h"
#include "engine/RunControl.h"
#include "server/Resident.h"
#include "server/WinSrvrCore.h"
#include "ui/engine/WinSrch.h"
#include "ui/guide/WinGuide.h"
#include "ui/schedule/WinSchd.h"
#include "ui/server/WinSrvr.h"
#include "ui/shell/Korvi.h"
#include "ui/shell/WinOpt.h"
#include "ui/tools/WinLogAnls.h"
#include "ui/tools/WinLogSrch.h"

namespace korvi::test {
namespace {

// "KorviServerごと終了" asks while the window stands: "いいえ" changes
// nothing; "はい" runs the close order (schedules stored) and ends with 0.
TEST(CloseOrder, ExitAsksFirstThenClosesAndEndsWithZero) {
    RealDesk d;
    Korvi* main = d.server.MainWindow();
    ASSERT_NE(main, nullptr);
    main->show();
    bool yes = false;
    ModalAnswerer answer([&](QWidget* m) { AnswerModal(m, yes); });

    main->Action(QStringLiteral("mni_exit"))->trigger();
    EXPECT_EQ(answer.Titles(), QStringList{QStringLiteral("KorviServer終了確認")});
    EXPECT_EQ(d.server.MainWindow(), main);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(d.status, -1);
    EXPECT_FALSE(d.SchedulesStored());

    yes = true;
    main->Action(QStringLiteral("mni_exit"))->trigger();
    EXPECT_EQ(d.status, 0);
    EXPECT_EQ(d.server.MainWindow(), nullptr);
    EXPECT_TRUE(d.SchedulesStored());
    EXPECT_TRUE(d.home.Exists(QStringLiteral("cmn_opt.ini")));
    EXPECT_FALSE(d.server.Core()->Running());
}

enum class Under { kRunEnd, kSrchEnd, kAnlsEnd, kGuideQuestion };
enum class Closer { kCloseButton, kForceClose, kExitServer };

// Opens the dialog of that state in the main window.
void OpenDialog(RealDesk& d, FixtureServer& srv, Under under) {
    Korvi* main = d.server.MainWindow();
    switch (under) {
        case Under::kRunEnd:
            srv.Page(QStringLiteral("/a.html"), "<html><body>needle</body></html>");
            StartWork(main, srv, Korvi::kDsAct);
            break;
        case Under::kSrchEnd:
            StartWork(main, srv, Korvi::kLogSrch);
            break;
        case Under::kAnlsEnd:
            StartWork(main, srv, Korvi::kLogAnly);
            break;
        case Under::kGuideQuestion:
            main->OpenGuide();
            Find<QPushButton>(main->Guide(), QStringLiteral("google_img_btn"))->click();
            break;
    }
}

// Whatever closes the main window while a panel's dialog is open, nothing is
// freed under the dialog: the close waits for the answer (or, when the
// program ends, the answer is a cancel), the close order stores the
// schedules and the resident part stays unless it was told to end.
TEST(CloseOrder, MainWindowClosedUnderAnOpenDialog) {
    const QString titles[] = {QStringLiteral("DL＆検索終了"), QStringLiteral("検索終了"),
                              QStringLiteral("解析終了"),
                              QStringLiteral("Googleイメージ検索単語の入力")};
    for (Under under : {Under::kRunEnd, Under::kSrchEnd, Under::kAnlsEnd, Under::kGuideQuestion}) {
        for (Closer closer : {Closer::kCloseButton, Closer::kForceClose, Closer::kExitServer}) {
            SCOPED_TRACE(testing::Message() << int(under) << "/" << int(closer));
            FixtureServer srv;
            RealDesk d;
            Korvi* main = d.server.MainWindow();
            ASSERT_NE(main, nullptr);
            main->show();
            bool closedUnder = false;
            bool stoodUnder = false;
            ModalAnswerer answer([&](QWidget* m) {
                if (closedUnder) {
                    AnswerModal(m, false);
                    return;
                }
                closedUnder = true;
                switch (closer) {
                    case Closer::kCloseButton:  // as an accessibility "press" does
                        Find<QPushButton>(main, QStringLiteral("close_btn"))->click();
                        break;
                    case Closer::kForceClose:
                        main->ForceClose();
                        break;
                    case Closer::kExitServer:
                        d.server.Close();
                        break;
                }
                // Anything the close posts runs inside the dialog's loop; the
                // window stands until the dialog returned.
                stoodUnder = d.server.MainWindow() == main;
                QPointer<QWidget> modal = m;
                QTimer::singleShot(30, &d.server, [&, modal] {
                    // Ending the program cancels the dialog at once.
                    if (closer != Closer::kExitServer)
                        stoodUnder = stoodUnder && d.server.MainWindow() == main;
                    if (modal && QApplication::activeModalWidget() == modal)
                        AnswerModal(modal, false);
                });
            });
            OpenDialog(d, srv, under);
            ASSERT_TRUE(WaitUntil([&] { return d.server.MainWindow() == nullptr; }));
            EXPECT_EQ(answer.Titles().value(0), titles[int(under)]);
            EXPECT_TRUE(stoodUnder);
            EXPECT_TRUE(d.SchedulesStored());
            EXPECT_EQ(d.server.Core()->Running(), closer != Closer::kExitServer);
            EXPECT_EQ(d.status, closer == Closer::kExitServer ? 0 : -1);
        }
    }
}

// The options window closed while one of its panels asks: it closes once
// the question is answered.
TEST(CloseOrder, OptionsWindowClosedUnderItsDialog) {
    RealDesk d;
    Korvi* main = d.server.MainWindow();
    main->Action(QStringLiteral("mni_opt"))->trigger();
    QPointer<WinOpt> opt = main->findChild<WinOpt*>();
    ASSERT_TRUE(opt);
    opt->SelectCategory(QStringLiteral("DL先フォルダのパス"));
    bool closedUnder = false;
    ModalAnswerer answer([&](QWidget* m) {
        if (!closedUnder) {
            closedUnder = true;
            opt->close();
            QTimer::singleShot(30, m, [m] { AnswerModal(m, false); });
            return;
        }
        AnswerModal(m, false);
    });
    auto* browse = Find<QPushButton>(opt->CurrentPanel(), QStringLiteral("btn_logf"));
    ASSERT_NE(browse, nullptr);
    browse->click();
    EXPECT_TRUE(closedUnder);
    EXPECT_TRUE(WaitUntil([&] { return opt.isNull(); }));
    EXPECT_EQ(d.server.MainWindow(), main);
}

}  // namespace
}  // namespace korvi::test
