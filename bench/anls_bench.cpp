// Link analysis over generated list files: records per second and peak memory.
// usage: bench_anls_bench [FILES=100000] [LINKS_PER_FILE=20]
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
#include "tools/LogAnls.h"

using namespace korvi;

namespace {

long PeakKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int links = argc > 2 ? std::atoi(argv[2]) : 20;
    QTemporaryDir tmp;
    const QString root = tmp.path() + QStringLiteral("/log/R");
    QRandomGenerator rng(42);
    QElapsedTimer timer;
    timer.start();
    const int perFolder = 100;
    for (int i = 0; i < files; ++i) {
        const QString folder = root + QStringLiteral("/h") + QString::number(i / perFolder);
        if (i % perFolder == 0) QDir().mkpath(folder);
        QString t = QStringLiteral("[BaseData]\np_url=http://h/") + QString::number(i) +
                    QStringLiteral(".html\np_title=page ") + QString::number(i) +
                    QStringLiteral("\n\n[AllLinks]\nlink_no=") + QString::number(links) + u'\n';
        for (int k = 0; k < links; ++k) {
            // Most links point at other pages, a share at outside addresses.
            const quint32 target = rng.bounded(quint32(files));
            const bool outside = rng.bounded(4) == 0;
            const QString url = outside
                                    ? QStringLiteral("http://x") + QString::number(target % 5000) +
                                          QStringLiteral(".com/")
                                    : QStringLiteral("http://h/") + QString::number(target) +
                                          QStringLiteral(".html");
            const QString n = QString::number(k);
            t += QStringLiteral("link") + n + u'=' + url + QStringLiteral("\ntitle") + n +
                 QStringLiteral("=title ") + QString::number(target % 97) +
                 QStringLiteral("\nextension") + n + u'=' +
                 (outside ? QStringLiteral("-") : QStringLiteral("html")) + u'\n';
        }
        QFile f(folder + u'/' + QString::number(i) + QStringLiteral(".html lst.ini"));
        if (f.open(QIODevice::WriteOnly)) f.write(t.toUtf8());
    }
    const double genS = timer.elapsed() / 1000.0;
    const long peakBefore = PeakKb();

    SystemClock clock;
    Context ctx(tmp.path(), clock);
    ctx.Ctrl().SetRunId(QStringLiteral("R"));
    LogAnls anls(ctx.Ctrl());
    AnlsRequest req;
    req.folder = root;
    req.kind = 2;
    timer.restart();
    const std::clock_t cpu0 = std::clock();
    anls.Run(req);
    const double s = timer.elapsed() / 1000.0;
    const double cpu = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    const qint64 records = anls.RecordCount();
    std::printf("list files            %d (%d links each), generated in %.1f s\n", files, links,
                genS);
    std::printf("records               %lld\n", static_cast<long long>(records));
    std::printf("result rows           %zu\n", anls.Rows().size());
    std::printf("analysis time         %.2f s\n", s);
    std::printf("analysis CPU time     %.2f s (the machine may be shared)\n", cpu);
    std::printf("records/s             %.0f wall, %.0f per CPU second\n", s > 0 ? records / s : 0.0,
                cpu > 0 ? records / cpu : 0.0);
    std::printf("list files/s          %.0f\n", s > 0 ? files / s : 0.0);
    std::printf("peak memory (VmHWM)   %ld KB (before analysis %ld KB)\n", PeakKb(), peakBefore);
    return 0;
}
