#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "engine/lists/InitList.h"
#include "platform/IpcEndpoint.h"
#include "server/Resident.h"
#include "server/WinSrvrCore.h"
#include "ui/engine/KorviDlSrchInit.h"
#include "ui/server/WinSrvr.h"
#include "ui/shell/Korvi.h"

namespace korvi::test {
namespace {

const QString kPrefix = WinSrvrCore::kPrefix;

// A list file of n rows below the home.
QString WriteList(GuiHome& home, const QString& name, int n) {
    InitList list(home.Ctrl());
    for (int i = 0; i < n; ++i)
        list.AddSrchLst(QStringLiteral("http://127.0.0.1:9/%1/p%2.html").arg(name).arg(i),
                        QStringLiteral("t"), QStringLiteral("html"));
    const QString path = home.File(name + QStringLiteral(".ini"));
    EXPECT_TRUE(list.SaveList(path));
    return path;
}

struct Resident_ {
    GuiHome home;
    WinSrvr server{home.Gui()};
    int status = -1;  // the program's end, kept from the test's event loops
    Resident_() {
        home.Gui().progress = [this](const QString& p) { server.SetTitleProgress(p); };
        server.SetQuit([this](int s) { status = s; });
    }
    ~Resident_() {
        if (server.MainWindow()) server.MainWindow()->ForceClose();
    }
    int Rows() {
        Korvi* k = server.MainWindow();
        return k ? k->InitPanel()->List().RowCount() : -1;
    }
};

// "StartKorvi" builds one main window; later requests go into its init list,
// also from another process through the local socket.
TEST(WinSrvr, StartKorviBuildsOneMainWindowAndAppendsLater) {
    Resident_ r;
    const QString first = WriteList(r.home, QStringLiteral("a"), 2);
    const QString second = WriteList(r.home, QStringLiteral("b"), 3);
    ASSERT_TRUE(r.server.Start(kPrefix + QStringLiteral("StartKorvi ") + first));
    ASSERT_TRUE(WaitUntil([&] { return r.server.MainWindow() != nullptr && r.Rows() == 2; }));
    Korvi* main = r.server.MainWindow();
    EXPECT_TRUE(main->windowTitle().startsWith(QStringLiteral("Korvi ver. 1.302")));
    EXPECT_TRUE(WaitUntil([&] { return r.server.windowTitle() == WinSrvr::kTitle; }));

    ASSERT_TRUE(SendToInstance(IpcName(r.home.Path()),
                               kPrefix + QStringLiteral("StartKorvi ") + second, 3000));
    ASSERT_TRUE(WaitUntil([&] { return r.Rows() == 5; }));
    EXPECT_EQ(r.server.MainWindow(), main);
    // The access log shows both commands.
    auto* log = Find<QPlainTextEdit>(&r.server, QStringLiteral("txt_accs_log"));
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(
        WaitUntil([&] { return log->toPlainText().count(QStringLiteral("StartKorvi")) == 2; }));
}

// A schedule's shown main window never opens the guide over it.
TEST(WinSrvr, ScheduleWindowOpensNoGuide) {
    Resident_ r;
    r.home.Write(QStringLiteral("cmn_opt.ini"), "[CommonOption]\nrun_no=2\nguide_view=0\n");
    r.server.StartSchedule(
        {QStringLiteral("s"), QStringLiteral("none"), QStringLiteral("DL"), QStringLiteral("表示")},
        QStringLiteral("run"));
    ASSERT_NE(r.server.MainWindow(), nullptr);
    EXPECT_TRUE(r.server.MainWindow()->isVisible());
    EXPECT_EQ(r.server.MainWindow()->Guide(), nullptr);
}

// A schedule's favourite may sit in a sub-folder of "favorite", never
// outside it. The favourites hold no start row, so nothing runs.
TEST(WinSrvr, ScheduleFavouriteStaysInsideItsFolder) {
    for (const QString name : {"a", "a.ini", "sub/a", "../a"}) {
        SCOPED_TRACE(name.toStdString());
        Resident_ r;
        InitList fav(r.home.Ctrl());
        fav.ChngeBaseUrl(QStringLiteral("http://127.0.0.1:9/"));
        for (const char* rel : {"favorite/a.ini", "favorite/sub/a.ini", "a.ini"})
            ASSERT_TRUE(fav.SaveFav(QString::fromUtf8(rel), FavOpt()));
        r.server.StartSchedule(
            {QStringLiteral("s"), name, QStringLiteral("DL"), QStringLiteral("表示")},
            QStringLiteral("run"));
        const bool inside = !name.startsWith(QStringLiteral(".."));
        const QString log = r.home.ErrLog();
        EXPECT_EQ(log.contains(QStringLiteral("StartSchd Err : no start URL ") + name), inside);
        EXPECT_EQ(log.contains(QStringLiteral("StartSchd Err : no favorite ") + name), !inside);
    }
}

// Closing the main window leaves the server; the next "StartKorvi" builds a
// new one. "Korvi開始" opens it and hides the server window.
TEST(WinSrvr, MainWindowClosesAndIsBuiltAgain) {
    Resident_ r;
    r.server.show();
    ASSERT_TRUE(r.server.Start(kPrefix + QStringLiteral("StartKorvi")));
    ASSERT_TRUE(WaitUntil([&] { return r.server.MainWindow() != nullptr; }));
    r.server.MainWindow()->close();
    ASSERT_TRUE(WaitUntil([&] { return r.server.MainWindow() == nullptr; }));
    EXPECT_TRUE(r.server.Core()->Running());
    EXPECT_TRUE(r.home.Exists(QStringLiteral("cmn_opt.ini")));

    auto* start = Find<QPushButton>(&r.server, QStringLiteral("btn_korvi_strt"));
    ASSERT_NE(start, nullptr);
    start->click();
    ASSERT_TRUE(WaitUntil([&] { return r.server.MainWindow() != nullptr; }));
    EXPECT_TRUE(WaitUntil([&] { return !r.server.isVisible(); }));
}

// Text typed into the message field reaches the resident core and runs once
// it stays unchanged for a poll.
TEST(WinSrvr, TypedMessageFieldRuns) {
    Resident_ r;
    ASSERT_TRUE(r.server.Start(QString()));
    auto* field = Find<QPlainTextEdit>(&r.server, QStringLiteral("txt_mes"));
    ASSERT_NE(field, nullptr);
    field->setPlainText(kPrefix + QStringLiteral("StartKorvi"));
    EXPECT_EQ(r.server.Core()->Core().Message(), kPrefix + QStringLiteral("StartKorvi"));
    ASSERT_TRUE(WaitUntil([&] { return r.server.MainWindow() != nullptr; }));
    EXPECT_TRUE(WaitUntil([&] { return field->toPlainText().isEmpty(); }));
}

// The argument "start" leaves the server alone; "ExitServer" ends it.
TEST(WinSrvr, StartAloneAndExitServer) {
    Resident_ r;
    ASSERT_TRUE(r.server.Start(QString()));
    QCoreApplication::processEvents();
    EXPECT_EQ(r.server.MainWindow(), nullptr);
    r.server.Core()->Core().SetMessage(kPrefix + QStringLiteral("ExitServer"));
    EXPECT_TRUE(WaitUntil([&] { return !r.server.Core()->Running(); }));
    EXPECT_EQ(r.status, 0);
}

}  // namespace
}  // namespace korvi::test
