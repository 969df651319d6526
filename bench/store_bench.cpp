// Store throughput: URL-to-path mapping, plain text of pages, text loading.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <random>

#include "shell/Clock.h"
#include "store/CtrlFile.h"
#include "store/TextCodec.h"
#include "store/UrlPath.h"

using namespace korvi;

namespace {

const char* const kWordsJa[] = {"検索", "日本語", "ページ",       "東京", "天気",   "ニュース",
                                "情報", "サイト", "ダウンロード", "画像", "掲示板", "更新"};
const char* const kWordsEn[] = {"search", "download", "korvi", "page",   "weather", "news",
                                "index",  "archive",  "photo", "update", "forum",   "link"};

QString Page(std::mt19937& rng, qsizetype targetBytes) {
    QString html = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"UTF-8\">\n"
        "<title>サンプル | Sample</title>\n</head>\n<body>\n");
    int n = 0;
    while (html.size() * 2 < targetBytes) {
        ++n;
        html += QStringLiteral(
                    "  <div class=\"entry\" id=\"e%1\">\n    <h2><a href=\"/news/%1.html\" "
                    "title=\"%2\">%2 %3</a></h2>\n    <p>")
                    .arg(n)
                    .arg(QString::fromUtf8(kWordsJa[rng() % 12]))
                    .arg(QString::fromUtf8(kWordsEn[rng() % 12]));
        for (int w = 0; w < 24; ++w) {
            html += QString::fromUtf8(rng() % 2 ? kWordsJa[rng() % 12] : kWordsEn[rng() % 12]);
            html += rng() % 5 ? QStringLiteral(" ") : QStringLiteral("、");
            if (w % 9 == 8) html += QStringLiteral("<b>強調</b>  <br>\n\t");
        }
        html += QStringLiteral("</p>\n    <img src=\"/img/%1.png\" alt=\"画像 | %1\">\n  </div>\n")
                    .arg(n);
    }
    html += QStringLiteral("</body>\n</html>\n");
    return html;
}

// CPU time of this thread: the machine is shared, so wall time alone says little.
qint64 CpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Wall-clock and CPU timer in one.
class Timer {
public:
    void restart() {
        wall_.restart();
        cpu_ = CpuNs();
    }
    void start() { restart(); }
    struct Span {
        qint64 cpu;
        qint64 wall;
    };
    Span nsecsElapsed() const { return {CpuNs() - cpu_, wall_.nsecsElapsed()}; }

private:
    QElapsedTimer wall_;
    qint64 cpu_ = 0;
};

double PerSec(double count, qint64 ns) {
    return ns > 0 ? count * 1e9 / double(ns) : 0;
}

// Rate per CPU second of this thread, and per wall second.
void Line(const char* what, double count, const Timer::Span& s, const char* unit,
          const QString& note = QString()) {
    std::printf("%-26s: %10.1f %s/s CPU  (%10.1f wall)  %s\n", what, PerSec(count, s.cpu), unit,
                PerSec(count, s.wall), note.toUtf8().constData());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    SystemClock clock;
    CtrlFile ctrl(home.path(), clock);
    ctrl.SetRunId(QStringLiteral("2006_0309_0705_02"));
    std::mt19937 rng(42);

    // Plain URLs: distinct pages over a few hosts and folders.
    constexpr int kPlain = 200000;
    QStringList plain;
    plain.reserve(kPlain);
    for (int i = 0; i < kPlain; ++i) {
        plain.append(QStringLiteral("http://www%1.example.co.jp/dir%2/sub%3/page%4.html")
                         .arg(i % 50)
                         .arg(i % 97)
                         .arg(i % 13)
                         .arg(i));
    }
    Timer t;
    t.start();
    qsizetype sink = 0;
    for (const QString& u : plain) sink += ctrl.GetLogFrdr(u).size();
    const Timer::Span plainNs = t.nsecsElapsed();
    t.restart();
    for (const QString& u : plain)
        sink += MapUrl(u, QStringLiteral("log"), ctrl.RunId()).path.size();
    const Timer::Span pureNs = t.nsecsElapsed();

    // Query URLs: 200 pages with 50 queries each, every query mapped twice.
    constexpr int kPages = 200;
    constexpr int kQueries = 50;
    QStringList query;
    for (int q = 0; q < kQueries; ++q) {
        for (int p = 0; p < kPages; ++p) {
            query.append(QStringLiteral("http://search%1.example.com/cgi-bin/s%2.cgi?q=%3&page=%4")
                             .arg(p % 10)
                             .arg(p)
                             .arg(QString::fromUtf8(kWordsJa[q % 12]))
                             .arg(q));
        }
    }
    t.restart();
    for (const QString& u : query) sink += ctrl.GetLogFrdr(u).size();
    const Timer::Span newNs = t.nsecsElapsed();
    t.restart();
    for (const QString& u : query) sink += ctrl.GetLogFrdr(u).size();
    const Timer::Span knownNs = t.nsecsElapsed();

    // Plain text of pages.
    const QString html = Page(rng, 4 * 1024 * 1024);
    const QByteArray utf8 = html.toUtf8();
    const double mb = double(utf8.size()) / 1e6;
    constexpr int kRounds = 20;
    t.restart();
    for (int r = 0; r < kRounds; ++r) sink += CtrlFile::RemoveHtmlTag(html).size();
    const Timer::Span stripNs = t.nsecsElapsed();
    t.restart();
    {
        static const QRegularExpression a(QStringLiteral("[\n|\r|\t]+"));
        static const QRegularExpression b(QStringLiteral(" {2,}+"));
        static const QRegularExpression c(QStringLiteral("<[^>]*>"));
        QString s = html;
        s.replace(a, QString()).replace(b, QString()).replace(c, QString());
        sink += s.size();
        if (s != CtrlFile::RemoveHtmlTag(html)) std::printf("MISMATCH with the regexes\n");
    }
    const Timer::Span regexNs = t.nsecsElapsed();

    // Text loading from files.
    const QString u8Path = home.path() + QStringLiteral("/page-utf8.html");
    const QString sjPath = home.path() + QStringLiteral("/page-sjis.html");
    const QByteArray sjis = EncodeAs(html, "windows-31j");
    {
        QFile f(u8Path);
        if (f.open(QIODevice::WriteOnly)) f.write(utf8);
        QFile g(sjPath);
        if (g.open(QIODevice::WriteOnly)) g.write(sjis);
    }
    constexpr int kLoads = 10;
    t.restart();
    for (int r = 0; r < kLoads; ++r) sink += ctrl.LoadDataEnc(u8Path).size();
    const Timer::Span loadU8Ns = t.nsecsElapsed();
    t.restart();
    for (int r = 0; r < kLoads; ++r) sink += ctrl.LoadDataEnc(sjPath).size();
    const Timer::Span loadSjNs = t.nsecsElapsed();

    Line("GetLogFrdr plain URLs", kPlain, plainNs, "URLs", QString::number(kPlain) + " URLs");
    Line("MapUrl without the lock", kPlain, pureNs, "URLs");
    Line("GetLogFrdr new queries", query.size(), newNs, "URLs",
         QStringLiteral("%1 pages x %2 queries").arg(kPages).arg(kQueries));
    Line("GetLogFrdr known queries", query.size(), knownNs, "URLs");
    Line("RemoveHtmlTag", mb * kRounds, stripNs, "MB", QStringLiteral("%1 MB UTF-8 page").arg(mb));
    Line("three regexes (reference)", mb, regexNs, "MB");
    Line("LoadDataEnc UTF-8", double(utf8.size()) * kLoads / 1e6, loadU8Ns, "MB");
    Line("LoadDataEnc Shift_JIS", double(sjis.size()) * kLoads / 1e6, loadSjNs, "MB",
         QStringLiteral("%1 MB file").arg(double(sjis.size()) / 1e6));
    std::printf("(checksum %lld)\n", static_cast<long long>(sink));
    return 0;
}
