// Run-list scale benchmark: a whole run of ROWS rows against the generated
// bench site, printing the seconds each block of 10,000 finished rows took
// and the peak memory.
//
//   bench_run_scale_bench PORT [ROWS=100000] [DIR]
//
// Serve the site first: bench_site_server ROWS 0 (prints its port).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <thread>

#include "engine/RunControl.h"
#include "engine/crawl/CrawlServices.h"
#include "engine/crawl/ProxySettings.h"
#include "engine/profile/Profile.h"
#include "platform/MemoryUse.h"
#include "shell/Clock.h"
#include "shell/Context.h"
#include "shell/HomeFolder.h"

using namespace korvi;

namespace {
qint64 PeakKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray s = f.readAll();
    const qsizetype at = s.indexOf("VmHWM:");
    return at < 0 ? 0 : s.mid(at + 6, 20).trimmed().split(' ').first().toLongLong();
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PORT [ROWS] [DIR]\n", argv[0]);
        return 2;
    }
    const QString port = QString::fromLocal8Bit(argv[1]);
    const int rows = argc > 2 ? std::atoi(argv[2]) : 100000;
    QTemporaryDir tmp;
    const QString home = argc > 3 ? QString::fromLocal8Bit(argv[3]) : tmp.path();
    HomeFolder::Prepare(home, QString(), nullptr);
    SystemClock clock;
    Context ctx(home, clock);
    ctx.Ctrl().SetRunId(QStringLiteral("scale"));

    DlSrchOpt opt;
    opt.depth_max = 99;
    opt.page_max = rows;
    opt.hit_max = 0;
    opt.thrd_max = 8;
    opt.mk_local_link = false;
    opt.add_foot_tag = false;
    const QString start = QStringLiteral("http://127.0.0.1:") + port + QStringLiteral("/");
    ProxySettings proxy;
    CrawlParts parts;
    parts.ctrl = &ctx.Ctrl();
    parts.clock = &clock;
    parts.proxy = &proxy;
    parts.matcher = &ctx.Match();
    RunControl run(MakeCrawlServices(parts), RunSettings::FromOpt(opt, start));
    run.SetSearchWords(QStringLiteral("crow"));
    QElapsedTimer t;
    t.start();
    run.StartDlSearch(proxy, {{start, QStringLiteral("?"), QStringLiteral("-")}});
    int next = 10000;
    qint64 last = 0;
    std::printf("rows done   block s   listed   peak MB\n");
    while (!run.WaitEnd(20)) {
        const int done = run.List().Done();
        while (done >= next) {
            const qint64 now = t.elapsed();
            std::printf("%9d   %7.2f   %6d   %7.1f\n", next, (now - last) / 1000.0,
                        run.List().Count(), PeakKb() / 1024.0);
            std::fflush(stdout);
            last = now;
            next += 10000;
        }
    }
    std::printf("end: %d rows done, %d listed, %.1f s, peak %.1f MB\n", run.List().Done(),
                run.List().Count(), t.elapsed() / 1000.0, PeakKb() / 1024.0);
    return 0;
}
