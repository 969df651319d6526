// Downloaded-file search over a generated store of HTML pages, warm cache:
// one word and two words, against grep (and ripgrep when installed) on the
// same store in the same run, the runs taken in turn.
// usage: bench_search_bench [MB=200] [DIR] [ROUNDS=5]   (with DIR the store is kept there)
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "StorePage.h"
#include "shell/Clock.h"
#include "shell/Context.h"
#include "tools/LogSrch.h"

using namespace korvi;

namespace {

QByteArray Page(QRandomGenerator& rng, int bytes, bool hit) {
    return bench::StorePage(rng, bytes, hit ? QByteArray("korvi benchmark zebra") : QByteArray());
}

double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

// Medians of several runs.
struct Series {
    const char* name;
    std::function<bool()> run;  // false: the command failed
    std::vector<double> wall, cpu;
    bool failed = false;
    static double Median(std::vector<double> v) {
        if (v.empty()) return 0;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    Timing Mid() const { return {Median(wall), Median(cpu)}; }
};

void Measure(Series& s, bool child) {
    if (s.failed) return;
    QElapsedTimer timer;
    timer.start();
    const int who = child ? RUSAGE_CHILDREN : RUSAGE_SELF;
    const double cpu0 = CpuSeconds(who);
    s.failed = !s.run();
    s.wall.push_back(timer.nsecsElapsed() / 1e9);
    s.cpu.push_back(CpuSeconds(who) - cpu0);
}

bool Shell(const QByteArray& command) {
    return std::system(command.constData()) == 0;
}

void Print(const Series& s, double mb) {
    if (s.failed) {
        std::printf("%-30s failed\n", s.name);
        return;
    }
    const Timing t = s.Mid();
    std::printf("%-30s %.3f s wall %.3f s CPU: %6.1f MB/s wall %6.1f MB/s per CPU second\n", s.name,
                t.wall, t.cpu, t.wall > 0 ? mb / t.wall : 0.0, t.cpu > 0 ? mb / t.cpu : 0.0);
}

void Ratio(const Series& korvi, const Series& peer) {
    if (korvi.failed || peer.failed) return;
    const Timing k = korvi.Mid();
    const Timing p = peer.Mid();
    std::printf("  %-28s %.2f x wall, %.2f x per CPU second (above 1: Korvi faster)\n",
                (std::string("vs ") + peer.name).c_str(), k.wall > 0 ? p.wall / k.wall : 0.0,
                k.cpu > 0 ? p.cpu / k.cpu : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    const qint64 mb = argc > 1 ? std::atoll(argv[1]) : 200;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    QTemporaryDir tmp;
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : tmp.path();
    const QString root = base + QStringLiteral("/log/R/h");
    QRandomGenerator rng(7);
    QElapsedTimer timer;
    timer.start();
    qint64 written = 0;
    int files = 0;
    int hits = 0;
    const bool keep = QFileInfo(root + QStringLiteral("/d0/p0.html")).isFile();
    while (written < mb * 1000 * 1000) {
        const QString folder = root + QStringLiteral("/d") + QString::number(files / 200);
        if (files % 200 == 0) QDir().mkpath(folder);
        const bool hit = files % 10 == 3;
        const QByteArray page = Page(rng, 2000 + int(rng.bounded(30000)), hit);
        const QString name =
            folder + QStringLiteral("/p") + QString::number(files) + QStringLiteral(".html");
        QFile f(name);
        if (!keep && f.open(QIODevice::WriteOnly)) f.write(page);
        written += page.size();
        hits += hit ? 1 : 0;
        ++files;
    }
    const double mbs = written / 1e6;
    std::printf("store %.1f MB in %d files, %s in %.1f s; %d rounds, medians\n", mbs, files,
                keep ? "kept" : "generated", timer.elapsed() / 1000.0, rounds);

    SystemClock clock;
    Context ctx(base, clock);
    ctx.Ctrl().SetRunId(QStringLiteral("R"));
    LogSrch srch(ctx.Ctrl(), ctx.Match());
    SrchRequest req;
    req.folder = base + QStringLiteral("/log/R");
    const QByteArray dir = "'" + req.folder.toLocal8Bit() + "'";
    const bool rg = Shell("command -v rg >/dev/null 2>&1");
    bool rowsOk = true;
    const auto korvi = [&](const char* words, int threads, size_t want) {
        return [&, words, threads, want] {
            req.words = QString::fromUtf8(words);
            srch.SetThreads(threads);
            srch.Run(req);
            rowsOk = rowsOk && srch.Rows().size() == want;
            return true;
        };
    };
    struct Query {
        const char* title;
        const char* words;
        QByteArray grep, rg;
    };
    const std::vector<Query> queries = {
        {"one word \"zebra\"", "zebra", "grep -rlF zebra " + dir + " >/dev/null",
         "rg -l zebra " + dir + " >/dev/null"},
        {"two words \"korvi zebra\"", "korvi zebra",
         "grep -rlF zebra " + dir + " | xargs grep -lF korvi >/dev/null",
         "rg -l zebra " + dir + " | xargs rg -l korvi >/dev/null"}};
    for (const Query& q : queries) {
        Series k{"Korvi search (all cores)", korvi(q.words, 0, size_t(hits)), {}, {}};
        Series k1{"Korvi search (one thread)", korvi(q.words, 1, size_t(hits)), {}, {}};
        Series g{"grep -rlF", [&] { return Shell(q.grep); }, {}, {}};
        Series r{"rg -l", [&] { return Shell(q.rg); }, {}, {}};
        // A warm-up round, then the commands in turn, round after round.
        for (int i = 0; i <= rounds; ++i) {
            Measure(k, false);
            Measure(g, true);
            Measure(k1, false);
            if (rg) Measure(r, true);
            if (i == 0) {
                for (Series* s : {&k, &g, &k1, &r}) {
                    s->wall.clear();
                    s->cpu.clear();
                }
            }
        }
        std::printf("\n%s, %d files hold it (Korvi case-insensitive, the peers case-sensitive)\n",
                    q.title, hits);
        Print(k, mbs);
        Print(k1, mbs);
        Print(g, mbs);
        if (rg) Print(r, mbs);
        Ratio(k, g);
        if (rg) Ratio(k, r);
    }
    if (argc > 2) std::printf("store kept in %s\n", dir.constData());
    if (!rowsOk) std::printf("ROWS WRONG: Korvi did not find exactly the %d files\n", hits);
    return rowsOk ? 0 : 1;
}
