// The run window under a real crawl: the generated site of bench_site_server
// on 127.0.0.1 crawled at full speed once through `korvi-run crawl` and once
// through the run window shown offscreen, in the same run. Prints pages per
// second of both, their ratio, the longest gap of the GUI event loop (a 1 ms
// timer) and the table refreshes per second during the window's crawl.
//
//   bench_run_window_crawl_bench [PAGES=2000] [DELAY_MS=0]
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "BenchWindow.h"
#include "engine/RunControl.h"
#include "shell/Clock.h"
#include "shell/Context.h"
#include "shell/HomeFolder.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/engine/WinSrch.h"

using namespace korvi;

namespace {

// The crawl settings of the crawl benchmark: every page, no limits, eight
// workers, stored pages left as fetched.
void BenchOpt(DlSrchOpt& opt) {
    opt.depth_max = 99;
    opt.page_max = 0;
    opt.hit_max = 0;
    opt.thrd_max = 8;
    opt.mk_local_link = false;
    opt.add_foot_tag = false;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const QString pages = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("2000");
    const QString delay = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("0");
    const QString bin = QCoreApplication::applicationDirPath();

    QProcess site;
    site.start(bin + QStringLiteral("/bench_site_server"), {pages, delay});
    if (!site.waitForReadyRead(10000)) {
        std::fprintf(stderr, "bench_site_server did not start\n");
        return 1;
    }
    const QString port = QString::fromLatin1(site.readLine()).trimmed();
    const QString url = QStringLiteral("http://127.0.0.1:") + port + u'/';
    std::printf("site: %s pages, %s ms per answer, %s\n", qPrintable(pages), qPrintable(delay),
                qPrintable(url));

    // 1. korvi-run crawl.
    QTemporaryDir cliHome;
    QProcess cli;
    QElapsedTimer t;
    t.start();
    cli.start(bin + QStringLiteral("/korvi-run"), {QStringLiteral("--home"),
                                                   cliHome.path(),
                                                   QStringLiteral("crawl"),
                                                   QStringLiteral("--run-id"),
                                                   QStringLiteral("B"),
                                                   QStringLiteral("--words"),
                                                   QStringLiteral("crow"),
                                                   QStringLiteral("--set"),
                                                   QStringLiteral("BaseOption.depth_max=99"),
                                                   QStringLiteral("--set"),
                                                   QStringLiteral("BaseOption.page_max=0"),
                                                   QStringLiteral("--set"),
                                                   QStringLiteral("BaseOption.hit_max=0"),
                                                   QStringLiteral("--set"),
                                                   QStringLiteral("BaseOption.thrd_max=8"),
                                                   QStringLiteral("--set"),
                                                   QStringLiteral("ExtraOption.local_link=1"),
                                                   QStringLiteral("--set"),
                                                   QStringLiteral("ExtraOption.foot_tag=1"),
                                                   url});
    cli.waitForFinished(-1);
    const double cliSec = t.nsecsElapsed() / 1e9;
    const int cliRows = int(cli.readAllStandardOutput().count('\n')) - 1;
    const double cliRate = cliRows / cliSec;
    std::printf("korvi-run crawl     %d rows in %.2f s = %.1f rows/s\n", cliRows, cliSec, cliRate);

    // 2. The run window.
    QTemporaryDir tmp;
    QString error;
    if (!HomeFolder::Prepare(tmp.path(), QString(), &error)) {
        std::fprintf(stderr, "cannot prepare home: %s\n", qPrintable(error));
        return 1;
    }
    SystemClock clock;
    Context ctx(tmp.path(), clock);
    bench::SilentDialogs dlg;
    GuiContext gui{ctx, dlg, [](const QString&) { return true; }, {}};
    WinSrch win(gui);
    win.resize(1200, 800);
    win.show();

    bench::LoopGapProbe probe;
    QObject::connect(&win, &WinSrch::runEnded, &app, &QCoreApplication::quit);

    RunRequest request;
    request.rows.push_back({true, 0, QStringLiteral("start"), url, "-"});
    BenchOpt(request.opt);
    request.words = QStringLiteral("crow");
    request.runId = QStringLiteral("B");
    const long refreshesBefore = win.Refreshes();
    t.restart();
    probe.Start();
    if (!win.StartDlSearch(request)) return 1;
    app.exec();
    const double winSec = t.nsecsElapsed() / 1e9;
    win.RefreshView();
    const int winRows = win.Run() ? win.Run()->List().Count() : 0;
    const double winRate = winRows / winSec;
    const long refreshes = win.Refreshes() - refreshesBefore;
    std::printf("run window          %d rows in %.2f s = %.1f rows/s\n", winRows, winSec, winRate);
    std::printf("window / korvi-run  %.3f\n", cliRate > 0 ? winRate / cliRate : 0);
    std::printf("longest loop gap    %lld ms\n", static_cast<long long>(probe.MaxGapMs()));
    std::printf("table refreshes / s %.1f\n", refreshes / winSec);
    site.kill();
    site.waitForFinished();
    return 0;
}
