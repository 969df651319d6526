// File search panel benchmark: a generated store of pages with trailer tags
// and small pictures, searched once by `korvi-run search` and once by the
// file search panel (picture view on, the view following the newest rows),
// in the same run. Prints the time to the end message of both and their
// ratio, the panel's time to its first row and the longest gap of the GUI
// event loop (a 1 ms timer), then the gap while paging through the list.
//
//   bench_logsrch_panel_bench [MB=200] [PICTURES=5000] [DIR]
//
// With DIR the store is made (once) and kept there. KORVI_BENCH_SHOT=FILE.png
// saves a picture of the panel at the end.
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "BenchWindow.h"
#include "shell/Clock.h"
#include "shell/Context.h"
#include "shell/HomeFolder.h"
#include "ui/common/GuiContext.h"
#include "ui/tools/LogSrchModel.h"
#include "ui/tools/ThumbLoader.h"
#include "ui/tools/WinLogSrch.h"

using namespace korvi;

namespace {

// Lines a page is made of, picked at random.
const char* kLines[] = {
    "収集したページの一覧を作ります。",       "The crawler stores every page it reads.",
    "検索語の周辺の文を表示します。",         "Folders are named after the time of the run.",
    "ダウンロードしたファイルを整理します。", "A list file keeps the links of each page.",
    "画像と文書を別々に保存します。",         "Reports are written through output templates."};
const QString kQuery = QStringLiteral("korvi zebra");

QByteArray Tag(const QString& ref, const QString& src) {
    return (QStringLiteral("\n<?xml-qorn \ntag_ver=\"1.00\" \ndl_ref=\"") + ref +
            QStringLiteral("\" \ndl_src=\"") + src +
            QStringLiteral("\" \ndl_time=\"2006/03/09 - 07:05:02\" \ndl_cmnt=\"\" \n?>"))
        .toUtf8();
}

QByteArray Page(QRandomGenerator& rng, int bytes, bool html, bool hit) {
    const int lines = int(sizeof(kLines) / sizeof(kLines[0]));
    QByteArray b;
    b.reserve(bytes + 200);
    if (html) b += "<!DOCTYPE html>\n<html><head><title>bench</title></head><body>\n";
    while (b.size() < bytes) {
        const QByteArray line = kLines[rng.bounded(lines)];
        b += html ? "<div>" + line + "</div>\n" : line + '\n';
    }
    if (hit) b += "zebra crossing near the korvi office\n";
    if (html) b += "</body></html>\n";
    return b;
}

QByteArray Png(int n) {
    QImage img(96, 64, QImage::Format_RGB32);
    img.fill(QColor::fromHsv((n * 37) % 360, 180, 220));
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

// Pages up to mb megabytes (every tenth holds both words) and pictures whose
// tags hold them; the number of files that match.
int MkStore(const QString& root, qint64 mb, int pictures) {
    const QString done = root + QStringLiteral("/.made");
    QRandomGenerator rng(11);
    qint64 written = 0;
    int files = 0;
    int hits = 0;
    while (written < mb * 1000 * 1000) {
        const QString folder = root + QStringLiteral("/h/d") + QString::number(files / 200);
        if (files % 200 == 0) QDir().mkpath(folder);
        const bool hit = files % 10 == 3;
        const bool html = files % 3 != 0;
        const QString name = QStringLiteral("p") + QString::number(files) +
                             (html ? QStringLiteral(".html") : QStringLiteral(".txt"));
        const QByteArray page =
            Page(rng, 2000 + int(rng.bounded(30000)), html, hit) +
            Tag(QStringLiteral("http://h/"), QStringLiteral("http://h/") + name);
        QFile f(folder + u'/' + name);
        if (f.open(QIODevice::WriteOnly)) f.write(page);
        written += page.size();
        hits += hit ? 1 : 0;
        ++files;
    }
    QList<QByteArray> pngs;
    for (int i = 0; i < 16; ++i) pngs.append(Png(i));
    for (int i = 0; i < pictures; ++i) {
        const QString folder = root + QStringLiteral("/img/i") + QString::number(i / 500);
        if (i % 500 == 0) QDir().mkpath(folder);
        const QString name = QStringLiteral("pic") + QString::number(i) + QStringLiteral(".png");
        QFile f(folder + u'/' + name);
        if (f.open(QIODevice::WriteOnly))
            f.write(pngs[i % pngs.size()] + Tag(QStringLiteral("http://h/zebra/korvi.html"),
                                                QStringLiteral("http://h/img/") + name));
    }
    QFile(done).open(QIODevice::WriteOnly);
    return hits + pictures;
}

// The GUI thread's own CPU time between the ticks of a 1 ms timer: the
// longest stretch tells the thread's work apart from waiting for a core on a
// busy machine.
class BusyProbe {
public:
    BusyProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = CpuMs();
            if (last_ >= 0) max_ = std::max(max_, now - last_);
            last_ = now;
        });
    }
    void Start() {
        last_ = -1;
        max_ = 0;
        timer_.start();
    }
    qint64 MaxMs() const { return max_; }

private:
    static qint64 CpuMs() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
    }
    QTimer timer_;
    qint64 last_ = -1;
    qint64 max_ = 0;
};

// The machine's load while the figures were taken (they are wall times).
QString LoadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("?");
    return QString::fromLatin1(f.readAll()).section(u' ', 0, 2);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const qint64 mb = argc > 1 ? std::atoll(argv[1]) : 200;
    const int pictures = argc > 2 ? std::atoi(argv[2]) : 5000;
    QTemporaryDir tmp;
    const QString home = argc > 3 ? QString::fromLocal8Bit(argv[3]) : tmp.path();
    QString error;
    if (!HomeFolder::Prepare(home, QString(), &error)) {
        std::fprintf(stderr, "cannot prepare home: %s\n", qPrintable(error));
        return 1;
    }
    const QString root = home + QStringLiteral("/log/B");
    QElapsedTimer timer;
    timer.start();
    if (!QFile::exists(root + QStringLiteral("/.made"))) {
        const int expected = MkStore(root, mb, pictures);
        std::printf(
            "store                  %lld MB of pages + %d pictures, %d files match, "
            "made in %.1f s\n",
            static_cast<long long>(mb), pictures, expected, timer.elapsed() / 1000.0);
    }

    // The command line, twice: the first run warms the page cache.
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/korvi-run");
    const QStringList cliArgs = {QStringLiteral("search"),
                                 QStringLiteral("--home"),
                                 home,
                                 QStringLiteral("--words"),
                                 kQuery,
                                 root};
    double cliS = 0;
    for (int i = 0; i < 2; ++i) {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        timer.restart();
        p.start(cli, cliArgs);
        if (!p.waitForFinished(600000) || p.exitCode() != 0) {
            std::fprintf(stderr, "korvi-run search failed: %s\n", qPrintable(cli));
            return 1;
        }
        cliS = timer.elapsed() / 1000.0;
    }
    std::printf("korvi-run search       %.2f s\n", cliS);

    SystemClock clock;
    Context ctx(home, clock);
    bench::SilentDialogs dlg;
    GuiContext gui{ctx, dlg, [](const QString&) { return true; }, {}};
    WinLogSrch win(gui);
    win.folder = [&] { return root; };
    win.resize(1000, 700);
    win.show();
    auto* table = win.findChild<QTableView*>(QStringLiteral("srch_tbl"));
    win.findChild<QComboBox*>(QStringLiteral("sch_box"))->setEditText(kQuery);
    win.findChild<QAbstractButton*>(QStringLiteral("pic_v_cb"))->click();

    // The window is laid out and painted before anything is timed.
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();

    qint64 firstRowMs = -1;
    qint64 endMs = -1;
    QElapsedTimer panel;
    QObject::connect(win.Model(), &QAbstractItemModel::rowsInserted, [&] {
        if (firstRowMs < 0) firstRowMs = panel.elapsed();
    });
    QObject::connect(&win, &WinLogSrch::searchEnded, [&] {
        endMs = panel.elapsed();
        loop.quit();
    });
    // The view follows the newest rows, so thumbnails keep being asked for.
    QTimer follow;
    follow.setInterval(100);
    QObject::connect(&follow, &QTimer::timeout, [table] { table->scrollToBottom(); });

    bench::LoopGapProbe probe;
    BusyProbe busy;
    probe.Start();
    busy.Start();
    follow.start();
    panel.start();
    win.findChild<QPushButton*>(QStringLiteral("sch_btn"))->click();
    loop.exec();
    follow.stop();
    const qint64 searchGap = probe.MaxGapMs();
    const qint64 searchBusy = busy.MaxMs();
    const double panelS = endMs / 1000.0;
    std::printf("panel rows             %d\n", win.Model()->rowCount());
    std::printf("panel first row        %lld ms\n", static_cast<long long>(firstRowMs));
    std::printf("panel end message      %.2f s\n", panelS);
    std::printf("panel / korvi-run      %.2f (goal <= 1.3)\n", cliS > 0 ? panelS / cliS : 0.0);
    std::printf(
        "longest loop gap       %lld ms during the search (thumbnails on); "
        "longest GUI-thread CPU stretch %lld ms\n",
        static_cast<long long>(searchGap), static_cast<long long>(searchBusy));

    // Paging through the list: every page asks for new thumbnails.
    bench::LoopGapProbe pageProbe;
    QTimer pager;
    pager.setInterval(30);
    QObject::connect(&pager, &QTimer::timeout, [&] {
        QScrollBar* bar = table->verticalScrollBar();
        if (bar->value() <= bar->minimum()) {
            loop.quit();
            return;
        }
        bar->setValue(bar->value() - bar->pageStep());
    });
    table->scrollToBottom();
    pageProbe.Start();
    busy.Start();
    pager.start();
    timer.restart();
    loop.exec();
    std::printf(
        "longest loop gap       %lld ms paging up through the list in %.1f s, "
        "%ld thumbnails decoded; longest GUI-thread CPU stretch %lld ms\n",
        static_cast<long long>(pageProbe.MaxGapMs()), timer.elapsed() / 1000.0,
        win.Thumbs()->Decoded(), static_cast<long long>(busy.MaxMs()));
    std::printf("load average           %s\n", qPrintable(LoadAverage()));
    const QString shot = qEnvironmentVariable("KORVI_BENCH_SHOT");
    if (!shot.isEmpty()) win.grab().save(shot);
    return 0;
}
