#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

#include "fixtures/TempHome.h"
#include "shell/Assist.h"

using korvi::Assist;
using korvi::test::TempHome;

namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QThread::msleep(50);
    }
    return true;
}

int Send(const QString& home, const QString& text, QString* err = nullptr) {
    QProcess p;
    p.start(TempHome::BinDir() + "/korvi-run", {"--home", home, "send", text});
    if (!p.waitForFinished(15000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (err) *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitCode();
}

// Without an event loop a process's end shows only through a wait.
bool Alive(QProcess& p) {
    return !p.waitForFinished(0) && p.state() == QProcess::Running;
}

// Run folders the main window made when it opened (everything below the
// download root but its "tmp").
QStringList RunFolders(const QString& home) {
    QStringList names = QDir(home + "/log").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    names.removeAll("tmp");
    return names;
}

}  // namespace

// The demo's start order on fresh homes: the desktop program starts resident
// ("start") and a list is handed over at once, while the new home is still
// being seeded. The main window must come up every time: it opens its run
// folder on the way up and, when the resident ends, closes through its own
// close path, which writes the common settings. Nothing of it is an error.
TEST(StartOrder, ResidentStartWithImmediateHandOffOpensTheMainWindowEveryTime) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        QTemporaryDir tmp;
        const QString home = tmp.path() + "/home";
        ASSERT_TRUE(QDir().mkpath(home));
        const QString list = home + "/demo_list.txt";
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("http://127.0.0.1:9/index.html\n");
        f.close();

        QProcess korvi;
        korvi.setProcessEnvironment(env);
        korvi.start(TempHome::BinDir() + "/korvi", {"--home", home, "start"});
        ASSERT_TRUE(korvi.waitForStarted());
        const bool handed = WaitUntil(
            [&] { return !Alive(korvi) || Send(home, "SndMes:StartKorvi " + list) == 0; }, 30000);
        ASSERT_TRUE(handed && Alive(korvi)) << korvi.readAllStandardError().toStdString();

        EXPECT_TRUE(
            WaitUntil([&] { return !RunFolders(home).isEmpty() || !Alive(korvi); }, 30000) &&
            !RunFolders(home).isEmpty())
            << "no main window: " << korvi.readAllStandardError().toStdString();
        QString err;
        EXPECT_EQ(Send(home, "SndMes:ExitServer", &err), 0) << err.toStdString();
        ASSERT_TRUE(korvi.waitForFinished(30000));
        EXPECT_EQ(korvi.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(korvi.exitCode(), 0) << korvi.readAllStandardError().toStdString();
        QFile cmn(home + "/cmn_opt.ini");
        ASSERT_TRUE(cmn.open(QIODevice::ReadOnly)) << "the main window never closed";
        EXPECT_EQ(Assist(QString::fromUtf8(cmn.readAll())).GetIni("CommonOption", "run_no"), "1");
        // A first start on a new home is no error.
        EXPECT_EQ(QDir(home + "/log_err").entryList({"*.log"}, QDir::Files), QStringList());
    }
}
