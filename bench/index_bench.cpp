// The store's full-text index against the plain scan and ripgrep on one
// generated store of HTML pages: index build time and size, then a one-word
// search warm (medians of ROUNDS) and with the page cache dropped (written
// "3" to /proc/sys/vm/drop_caches, which needs root; otherwise the store's
// and the index's pages are evicted file by file with posix_fadvise).
// usage: bench_index_bench [MB=2048] [DIR] [ROUNDS=5]   (with DIR the store is kept there)
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "StorePage.h"
#include "shell/Clock.h"
#include "shell/Context.h"
#include "tools/LogSrch.h"

using namespace korvi;

namespace {

QByteArray Page(QRandomGenerator& rng, int bytes, bool hit) {
    return bench::StorePage(rng, bytes,
                            hit ? QByteArray("korvi benchmark zebra 鳥類") : QByteArray());
}

double Seconds(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e9;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Drops the page cache; how it was done, or "" when it could not be.
QString DropCache(const QStringList& folders) {
    std::fflush(stdout);
    ::sync();
    QFile drop(QStringLiteral("/proc/sys/vm/drop_caches"));
    if (drop.open(QIODevice::WriteOnly) && drop.write("3\n") == 2) {
        drop.close();
        return QStringLiteral("drop_caches");
    }
    qint64 n = 0;
    for (const QString& folder : folders) {
        QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const int fd = ::open(QFile::encodeName(it.next()).constData(), O_RDONLY);
            if (fd < 0) continue;
            if (::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0) ++n;
            ::close(fd);
        }
    }
    return n ? QStringLiteral("posix_fadvise DONTNEED on every file") : QString();
}

qint64 FolderBytes(const QString& path, const QString& prefix) {
    qint64 n = 0;
    for (const QFileInfo& f : QDir(path).entryInfoList({prefix + u'*'}, QDir::Files)) n += f.size();
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    const qint64 mb = argc > 1 ? std::atoll(argv[1]) : 2048;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    QTemporaryDir tmp;
    const bool kept = argc > 2 && argv[2][0] != '\0';
    const QString base = kept ? QDir(QString::fromLocal8Bit(argv[2])).absolutePath() : tmp.path();
    const QString root = base + QStringLiteral("/log/R/h");
    QRandomGenerator rng(7);
    qint64 written = 0;
    int files = 0, hits = 0;
    const bool keep = QFileInfo(root + QStringLiteral("/d0/p0.html")).isFile();
    const double gen = Seconds([&] {
        while (written < mb * 1000 * 1000) {
            const QString folder = root + QStringLiteral("/d") + QString::number(files / 200);
            if (files % 200 == 0) QDir().mkpath(folder);
            const bool hit = files % 1000 == 3;
            const QByteArray page = Page(rng, 2000 + int(rng.bounded(30000)), hit);
            QFile f(folder + QStringLiteral("/p") + QString::number(files) +
                    QStringLiteral(".html"));
            if (!keep && f.open(QIODevice::WriteOnly)) f.write(page);
            written += page.size();
            hits += hit ? 1 : 0;
            ++files;
        }
    });
    const double gb = written / 1e9;
    std::printf("store %.2f GB in %d files, %s in %.1f s\n", gb, files, keep ? "kept" : "generated",
                gen);
    // The index trusts only files that have not changed for a moment.
    if (!keep) ::sleep(3);

    SystemClock clock;
    Context ctx(base, clock);
    ctx.Ctrl().SetRunId(QStringLiteral("R"));
    StoreIndex& index = ctx.Index();
    const QString folder = base + QStringLiteral("/log/R");
    IndexStats stats;
    const double build = Seconds([&] { stats = index.Update(folder, !keep); });
    const double dbMb = FolderBytes(base, StoreIndex::kFileName) / 1e6;
    std::printf("index: %lld files read, %.1f s (%.1f s per GB), %.1f MB (%.1f MB per GB)\n",
                stats.added + stats.changed, build, build / gb, dbMb, dbMb / gb);

    // As in the desktop program and the server: the folder is watched, so
    // searches after the first (the warm-up, which walks once) need no walk.
    index.SetWatching(true);
    LogSrch srch(ctx.Ctrl(), ctx.Match());
    SrchRequest req;
    req.folder = folder;
    req.words = QStringLiteral("zebra");
    bool rowsOk = true;
    const auto search = [&](bool indexed) {
        srch.SetIndex(indexed ? &index : nullptr);
        srch.Run(req);
        rowsOk = rowsOk && srch.Rows().size() == size_t(hits);
    };
    const QByteArray rg = "rg -l zebra '" + QFile::encodeName(folder) + "' >/dev/null";
    const bool haveRg = std::system("command -v rg >/dev/null 2>&1") == 0;
    std::vector<double> fast, scan, peer;
    for (int i = 0; i <= rounds; ++i) {
        const double a = Seconds([&] { search(true); });
        const double b = Seconds([&] { search(false); });
        const double c = haveRg ? Seconds([&] { (void)std::system(rg.constData()); }) : 0;
        if (i == 0) continue;  // warm-up
        fast.push_back(a);
        scan.push_back(b);
        peer.push_back(c);
    }
    std::printf("\none word \"zebra\", %d files hold it, warm, medians of %d\n", hits, rounds);
    std::printf("  Korvi indexed   %.3f s\n  Korvi scan      %.3f s\n", Median(fast), Median(scan));
    if (haveRg) {
        std::printf("  rg -l           %.3f s   (indexed %.1f x faster than rg)\n", Median(peer),
                    Median(peer) / std::max(Median(fast), 1e-9));
    }

    const QStringList cached = {base + QStringLiteral("/log"), base};
    QString how = DropCache(cached);
    const double coldFast = Seconds([&] { search(true); });
    DropCache(cached);
    const double coldPeer = haveRg ? Seconds([&] { (void)std::system(rg.constData()); }) : 0;
    std::printf("\ncold (page cache dropped by %s)\n  Korvi indexed   %.3f s\n",
                how.isEmpty() ? "nothing: could not drop it" : qPrintable(how), coldFast);
    if (haveRg) std::printf("  rg -l           %.3f s\n", coldPeer);
    if (kept) std::printf("store kept in %s\n", qPrintable(base));
    if (!rowsOk) std::printf("ROWS WRONG: Korvi did not find exactly the %d files\n", hits);
    return rowsOk ? 0 : 1;
}
