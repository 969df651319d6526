// Run window benchmark: the run window shown offscreen while a run list grows
// to ROWS rows and its running rows keep changing, printing the longest gap
// of the GUI event loop (a 1 ms timer) and the table refreshes per second.
//
//   bench_run_window_bench [ROWS=100000] [SECONDS=8]
//
// KORVI_BENCH_SHOT=FILE.png saves a picture of the window at the end.
//
// The rows are fed straight into the run's list (as the expander and the
// supervisor would) while the run itself is paused, so that no network is
// involved and the figures are the window's alone.
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "BenchWindow.h"
#include "engine/RunControl.h"
#include "shell/Clock.h"
#include "shell/Context.h"
#include "shell/HomeFolder.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/engine/RunListModel.h"
#include "ui/engine/WinSrch.h"

using namespace korvi;

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 8;
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

    // A run that never gets to its start row: paused at once.
    RunRequest request;
    request.rows.push_back({true, 0, QStringLiteral("start"),
                            QStringLiteral("http://127.0.0.1:9/start.html"), "html"});
    request.opt.hit_max = 0;
    request.opt.page_max = 0;
    request.runId = QStringLiteral("bench");
    if (!win.StartDlSearch(request)) return 1;
    win.PressStop();
    RunControl& run = *win.Run();
    if (!run.Paused()) {
        std::fprintf(stderr, "the run ended before it could be paused\n");
        return 1;
    }

    // The feeder: appends the rows over 80 % of the time and keeps rewriting
    // eight "running" rows behind the newest one, as busy workers do.
    std::atomic<bool> stop{false};
    std::atomic<int> fed{0};
    const qint64 feedMs = seconds * 800LL;
    std::thread feeder([&] {
        QElapsedTimer t;
        t.start();
        RunList& list = run.List();
        long updates = 0;
        while (!stop.load()) {
            const int target =
                std::min<qint64>(rows, rows * std::max<qint64>(t.elapsed(), 1) / feedMs);
            for (int i = list.Count(); i < target; ++i) {
                RunRow r;
                r.depth = 2;
                r.context = QStringLiteral("-");
                r.title = QStringLiteral("見出し %1").arg(i);
                r.url = QStringLiteral("http://bench.example/p/%1.html").arg(i);
                r.ext = QStringLiteral("html");
                r.ref = QStringLiteral("http://bench.example/");
                list.Append(std::move(r));
            }
            fed.store(list.Count());
            const int n = list.Count();
            for (int k = 1; k <= 8 && n - 40 * k > 0; ++k) {
                const int index = n - 40 * k;
                list.Update(index, [&](RunRow& r) {
                    r.state = 50 + int(updates % 40);
                    r.dlLen = QString::number(updates % 1000);
                    if (k == 8) {
                        r.state = 100;
                        r.result = QStringLiteral("不");
                        r.context = QStringLiteral("- non -");
                    }
                });
                ++updates;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });

    // The GUI loop's longest gap, seen by a 1 ms timer; the view follows the
    // newest rows as a user watching the run does.
    bench::LoopGapProbe probe;
    auto* table = win.findChild<QTableView*>(QStringLiteral("srch_tbl"));
    QTimer follow;
    follow.setInterval(100);
    QObject::connect(&follow, &QTimer::timeout, [table] { table->scrollToBottom(); });

    const long refreshesBefore = win.Refreshes();
    QElapsedTimer total;
    total.start();
    probe.Start();
    follow.start();
    QTimer::singleShot(seconds * 1000, &app, [&] { app.quit(); });
    app.exec();
    const double elapsed = total.elapsed() / 1000.0;
    stop.store(true);
    feeder.join();

    const long refreshes = win.Refreshes() - refreshesBefore;
    std::printf("rows fed            %d of %d\n", fed.load(), rows);
    std::printf("rows in the table   %d\n", win.Model()->rowCount());
    std::printf("seconds             %.2f\n", elapsed);
    std::printf("longest loop gap    %lld ms\n", static_cast<long long>(probe.MaxGapMs()));
    std::printf("loop ticks / s      %.0f\n", probe.Ticks() / elapsed);
    std::printf("table refreshes / s %.1f (timer %d ms)\n", refreshes / elapsed,
                WinSrch::kRefreshMs);
    // A picture of the window at the end, when asked for.
    const QString shot = qEnvironmentVariable("KORVI_BENCH_SHOT");
    if (!shot.isEmpty()) win.grab().save(shot);
    win.ForceStop();
    return 0;
}
