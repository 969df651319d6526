// Downloaded-file search over a generated store of HTML pages: MB/s for a
// two-word query.
// usage: bench_search_bench [MB=100] [DIR]   (with DIR the store is kept there)
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "shell/Clock.h"
#include "shell/Context.h"
#include "tools/LogSrch.h"

using namespace korvi;

namespace {

const char* kWords[] = {"ウェブ", "収集",   "検索",     "page", "link",  "data", "store",
                        "folder", "report", "テキスト", "文書", "table", "image"};

QByteArray Page(QRandomGenerator& rng, int bytes, bool hit) {
    QByteArray b = "<html><head><title>page</title></head><body>\n";
    while (b.size() < bytes) {
        b += "<p>";
        for (int i = 0; i < 12; ++i) {
            b += kWords[rng.bounded(int(sizeof(kWords) / sizeof(kWords[0])))];
            b += ' ';
        }
        b += "<a href=\"http://h/x.html\">link</a></p>\n";
    }
    if (hit) b += "<p>korvi benchmark zebra</p>\n";
    return b + "</body></html>\n";
}

}  // namespace

int main(int argc, char** argv) {
    const qint64 mb = argc > 1 ? std::atoll(argv[1]) : 100;
    QTemporaryDir tmp;
    const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : tmp.path();
    const QString root = base + QStringLiteral("/log/R/h");
    QRandomGenerator rng(7);
    QElapsedTimer timer;
    timer.start();
    qint64 written = 0;
    int files = 0;
    int hits = 0;
    while (written < mb * 1000 * 1000) {
        const QString folder = root + QStringLiteral("/d") + QString::number(files / 200);
        if (files % 200 == 0) QDir().mkpath(folder);
        const bool hit = files % 10 == 3;
        const QByteArray page = Page(rng, 2000 + int(rng.bounded(30000)), hit);
        QFile f(folder + QStringLiteral("/p") + QString::number(files) + QStringLiteral(".html"));
        if (f.open(QIODevice::WriteOnly)) f.write(page);
        written += page.size();
        hits += hit ? 1 : 0;
        ++files;
    }
    const double genS = timer.elapsed() / 1000.0;

    SystemClock clock;
    Context ctx(base, clock);
    ctx.Ctrl().SetRunId(QStringLiteral("R"));
    LogSrch srch(ctx.Ctrl(), PlainSubstringMatcher());
    SrchRequest req;
    req.folder = base + QStringLiteral("/log/R");
    req.words = QStringLiteral("korvi zebra");
    timer.restart();
    const std::clock_t cpu0 = std::clock();
    srch.Run(req);
    const double s = timer.elapsed() / 1000.0;
    const double cpu = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    const double mbs = written / 1e6;
    std::printf("store                 %.1f MB in %d files, generated in %.1f s\n", mbs, files,
                genS);
    std::printf("query                 \"korvi zebra\" (both words in %d files)\n", hits);
    std::printf("rows found            %zu\n", srch.Rows().size());
    std::printf("search time           %.2f s wall, %.2f s CPU\n", s, cpu);
    std::printf("throughput            %.1f MB/s wall, %.1f MB/s per CPU second\n",
                s > 0 ? mbs / s : 0.0, cpu > 0 ? mbs / cpu : 0.0);
    const QByteArray dir = req.folder.toLocal8Bit();
    std::printf("compare with          grep -rlF zebra %s | xargs grep -lF korvi | wc -l\n",
                dir.constData());
    std::printf("                      grep -rlF zebra %s | wc -l\n", dir.constData());
    std::printf("                      rg -l zebra %s | wc -l\n", dir.constData());
    if (argc > 2) std::printf("store kept in         %s\n", dir.constData());
    return srch.Rows().size() == size_t(hits) ? 0 : 1;
}
