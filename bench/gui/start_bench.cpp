// Start time of the desktop program: cold (no resident process) and warm
// (hand-off to a resident process), beside a bare Qt main window started in
// the same run. The main window counts as shown when the resident process has
// logged the "StartKorvi" command it built the window for.
//
//   bench_start_bench [--runs N] [--korvi PATH]
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/IpcEndpoint.h"

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int BareChild(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("bare"));
    w.resize(720, 480);
    w.show();
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}

// Waits until the home's server log names StartKorvi count times; seconds, -1 on time-out.
double WaitLogged(const QString& home, int count, const QElapsedTimer& since) {
    const QString log = home + QStringLiteral("/log_err/srvr_log.txt");
    while (since.elapsed() < 20000) {
        QFile f(log);
        if (f.open(QIODevice::ReadOnly) &&
            QString::fromUtf8(f.readAll()).count(QStringLiteral("StartKorvi")) >= count)
            return since.nsecsElapsed() / 1e9;
        QThread::usleep(2000);
    }
    return -1;
}

void EndServer(const QString& home, QProcess& proc) {
    korvi::SendToInstance(korvi::IpcName(home), QStringLiteral("SndMes:ExitServer"), 2000);
    if (!proc.waitForFinished(5000)) proc.kill();
    proc.waitForFinished(2000);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "--bare-child") return BareChild(argc, argv);
    QCoreApplication app(argc, argv);
    int runs = 5;
    QString korvi = QCoreApplication::applicationDirPath() + QStringLiteral("/korvi");
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QStringLiteral("--runs")) runs = args[i + 1].toInt();
        if (args[i] == QStringLiteral("--korvi")) korvi = args[i + 1];
    }
    std::vector<double> bare, cold, warm;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        QProcess::execute(QCoreApplication::applicationFilePath(),
                          {QStringLiteral("--bare-child")});
        bare.push_back(t.nsecsElapsed() / 1e9);

        QTemporaryDir coldHome;
        const QString h1 = QDir(coldHome.path()).canonicalPath();
        QProcess p1;
        t.restart();
        p1.start(korvi, {QStringLiteral("--home"), h1});
        cold.push_back(WaitLogged(h1, 1, t));
        EndServer(h1, p1);

        QTemporaryDir warmHome;
        const QString h2 = QDir(warmHome.path()).canonicalPath();
        QProcess p2;
        p2.start(korvi, {QStringLiteral("--home"), h2, QStringLiteral("start")});
        QElapsedTimer up;
        up.start();
        while (
            !korvi::SendToInstance(korvi::IpcName(h2), QStringLiteral("SndMes:ShowServer"), 500) &&
            up.elapsed() < 20000)
            QThread::msleep(20);
        QThread::msleep(600);  // let the show request settle
        t.restart();
        QProcess::execute(korvi, {QStringLiteral("--home"), h2});
        warm.push_back(WaitLogged(h2, 1, t));
        EndServer(h2, p2);
        std::printf("run %d: bare %.3f s, cold %.3f s, warm %.3f s\n", r + 1, bare.back(),
                    cold.back(), warm.back());
        std::fflush(stdout);
    }
    const double b = Median(bare), c = Median(cold), w = Median(warm);
    std::printf("median: bare Qt main window %.3f s, korvi cold %.3f s (%.2fx bare), warm %.3f s\n",
                b, c, b > 0 ? c / b : 0, w);
    return 0;
}
