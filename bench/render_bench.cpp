// Pages rendered per second by the run's headless browser with one tab and
// with four, and the browser's peak memory (resident size summed over its
// process group, sampled every 100 ms; the plain sum counts shared pages in
// every process, the proportional one, Pss, once). Each page is an empty shell whose
// script fetches a JSON list and builds 20 links from it on a timer, served
// by a local site; the page itself is handed over as already fetched.
// usage: bench_render_bench [PAGES=40] [ROUNDS=3]   (needs chromium)
#include <httplib.h>

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "engine/render/BrowserProcess.h"
#include "engine/render/PageRenderer.h"

using namespace korvi;

namespace {

const char kShell[] =
    "<html><body><div id=out></div><script>"
    "fetch('/list.json').then(r => r.json()).then(d => setTimeout(() => {"
    "  out.innerHTML = d.map(p => '<a href=\"' + p + '.html\">' + p + '</a>').join(' ');"
    "}, 100));</script></body></html>";

struct Outcome {
    double pagesPerSec = 0;
    qint64 peakKb = 0;
    qint64 peakPssKb = 0;
    int failed = 0;
};

Outcome Run(int port, int tabs, int pages) {
    RenderSettings s;
    s.tabs = tabs;
    PageRenderer renderer(s, [](const QString& l) { std::fprintf(stderr, "%s\n", qPrintable(l)); });
    std::atomic<qint64> peak{0};
    std::atomic<qint64> peakPss{0};
    std::atomic<bool> done{false};
    std::thread sampler([&] {
        while (!done.load()) {
            peak.store(std::max(peak.load(), renderer.BrowserRssKb()));
            peakPss.store(std::max(peakPss.load(), renderer.BrowserRssKb(true)));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    // The browser's start is not counted.
    FetchedPage warm{QStringLiteral("http://127.0.0.1:%1/warm.html").arg(port), 200, "text/html",
                     kShell};
    renderer.Render(warm, {});
    std::atomic<int> next{0};
    std::atomic<int> failed{0};
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> workers;
    for (int t = 0; t < tabs; ++t) {
        workers.emplace_back([&] {
            for (int i; (i = next.fetch_add(1)) < pages;) {
                FetchedPage p{QStringLiteral("http://127.0.0.1:%1/p%2.html").arg(port).arg(i), 200,
                              "text/html", kShell};
                const RenderResult r = renderer.Render(p, {});
                if (!r.ok || !r.html.contains("p19.html")) failed.fetch_add(1);
            }
        });
    }
    for (auto& w : workers) w.join();
    Outcome o;
    o.pagesPerSec = pages * 1000.0 / std::max<qint64>(1, timer.elapsed());
    done.store(true);
    sampler.join();
    o.peakKb = peak.load();
    o.peakPssKb = peakPss.load();
    o.failed = failed.load();
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::atoi(argv[1]) : 40;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    if (BrowserProcess::FindChromium().isEmpty()) {
        std::fprintf(stderr, "chromium is not installed\n");
        return 1;
    }
    httplib::Server srv;
    std::string list = "[";
    for (int i = 0; i < 20; ++i) list += (i ? ",\"p" : "\"p") + std::to_string(i) + "\"";
    list += "]";
    srv.Get("/list.json", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(list, "application/json");
    });
    const int port = srv.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { srv.listen_after_bind(); });

    std::printf("pages\ttabs\tround\tpages/s\tpeak RSS MiB\tpeak Pss MiB\tfailed\n");
    for (int tabs : {1, 4}) {
        std::vector<double> rates;
        std::vector<qint64> peaks;
        std::vector<qint64> psses;
        for (int r = 0; r < rounds; ++r) {
            const Outcome o = Run(port, tabs, pages);
            rates.push_back(o.pagesPerSec);
            peaks.push_back(o.peakKb);
            psses.push_back(o.peakPssKb);
            std::printf("%d\t%d\t%d\t%.2f\t%.0f\t%.0f\t%d\n", pages, tabs, r + 1, o.pagesPerSec,
                        o.peakKb / 1024.0, o.peakPssKb / 1024.0, o.failed);
            std::fflush(stdout);
        }
        std::sort(rates.begin(), rates.end());
        std::sort(peaks.begin(), peaks.end());
        std::sort(psses.begin(), psses.end());
        std::printf("median\t%d tab(s)\t%.2f pages/s\tpeak RSS %.0f MiB\tpeak Pss %.0f MiB\n", tabs,
                    rates[rates.size() / 2], peaks[peaks.size() / 2] / 1024.0,
                    psses[psses.size() / 2] / 1024.0);
    }
    srv.stop();
    serving.join();
    return 0;
}
