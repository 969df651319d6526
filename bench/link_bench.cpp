// Link extraction throughput: the object pass and the page pass over a few
// MB of generated pages that look like real ones.
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "engine/page/LinkExtract.h"
#include "shell/Clock.h"
#include "store/CtrlFile.h"

using namespace korvi;

namespace {

QString MakePage(QRandomGenerator& rng, int index) {
    static const char* const words[] = {"ニュース", "news",     "更新情報", "archive", "製品",
                                        "support",  "会社概要", "blog",     "検索",    "contact"};
    auto word = [&] { return QString::fromUtf8(words[rng.bounded(10)]); };
    QString p;
    p += QStringLiteral(
             "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html "
             "lang=\"ja\">\n"
             "<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n"
             "<title>ページ ") +
         QString::number(index) +
         QStringLiteral(
             "</title>\n<link rel=\"stylesheet\" href=\"/css/main.css\" type=\"text/css\">\n"
             "<script type=\"text/javascript\" src=\"/js/site.js\"></script>\n"
             "<style>\n  body { background: url(/img/bg.png); margin: 0 }\n</style>\n</head>\n"
             "<body bgcolor=\"#ffffff\">\n<table width=\"100%\" border=\"0\">\n");
    const int rows = 40 + rng.bounded(40);
    for (int r = 0; r < rows; ++r) {
        const int n = rng.bounded(100000);
        p += QStringLiteral("  <tr>\n    <td class=\"nav\"><a href=\"/section") +
             QString::number(n % 17) + QStringLiteral("/page") + QString::number(n) +
             QStringLiteral(".html\">") + word() + QStringLiteral(" ") + word() +
             QStringLiteral("</a></td>\n    <td><img src=\"../img/icon") + QString::number(n % 9) +
             QStringLiteral(".gif\" width=\"16\" height=\"16\" alt=\"") + word() +
             QStringLiteral("\"></td>\n    <td>") + word() + QStringLiteral("の") + word() +
             QStringLiteral("について、詳しくは<A HREF='http://www.example") +
             QString::number(n % 5) + QStringLiteral(".co.jp/detail.cgi?id=") + QString::number(n) +
             QStringLiteral("&amp;lang=ja#top'><b>こちら</b></A>をご覧ください。") +
             QStringLiteral("\t\t   </td>\n  </tr>\n");
    }
    p += QStringLiteral(
        "</table>\n<p>お問い合わせは <a href=\"mailto:info@example.co.jp\">info</a> まで。</p>\n"
        "</body>\n</html>\n");
    return p;
}

// CPU time of this thread: steadier than wall time on a loaded machine.
double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

}  // namespace

int main() {
    QTemporaryDir dir;
    SystemClock clock;
    CtrlFile ctrl(dir.path(), clock);
    QRandomGenerator rng(42);

    QStringList pages;
    qint64 bytes = 0;
    while (bytes < 4 * 1000 * 1000) {
        pages.append(MakePage(rng, int(pages.size())));
        bytes += pages.last().toUtf8().size();
    }

    const int rounds = 5;
    double best = 0;
    double bestCpu = 0;
    qint64 links = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer t;
        t.start();
        const double cpu0 = ThreadCpuSeconds();
        links = 0;
        for (const QString& page : pages) {
            LinkExtract ex(ctrl,
                           LinkOptions(QStringLiteral("http://www.example.co.jp/dir/index.html")));
            ex.GetUrlList(1, page);
            ex.GetUrlList(0, page);
            links += ex.ObjLinks().size() + ex.PageLinks().size();
        }
        const double cpu = ThreadCpuSeconds() - cpu0;
        const double secs = double(t.nsecsElapsed()) / 1e9;
        best = std::max(best, double(bytes) / 1e6 / secs);
        bestCpu = std::max(bestCpu, double(bytes) / 1e6 / cpu);
    }
    std::printf("pages: %lld  input: %.2f MB (UTF-8)  links per round: %lld\n",
                static_cast<long long>(pages.size()), double(bytes) / 1e6,
                static_cast<long long>(links));
    std::printf("both passes (normalise, base, SRC, HREF), one core, best of %d:\n", rounds);
    std::printf("  %.1f MB/s of CPU time, %.1f MB/s of wall time\n", bestCpu, best);
    return 0;
}
