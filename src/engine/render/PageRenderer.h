#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <set>

namespace korvi {

class Browser;

// What the run lets a rendered page do; called on the rendering thread.
struct RenderPolicy {
    // Whether the page may fetch this URL (region and filter rules,
    // robots.txt); a refused request never leaves the browser.
    std::function<bool(const QString& url)> allow;
    // Waits for the server's turn before an allowed request goes out; false
    // on a stop request (the request is then refused).
    std::function<bool(const QString& url)> pace;
    // A stop request: the page is given up at once.
    std::function<bool()> stop;
};

// A page as it was fetched, to be answered to the browser from these bytes.
struct FetchedPage {
    QString url;
    int status = 200;
    QByteArray contentType = "text/html";
    QByteArray body;
};

struct RenderResult {
    bool ok = false;
    QString html;           // the document as the browser holds it, declared UTF-8
    QStringList requested;  // URLs the page fetched, in order
    QStringList refused;    // URLs the page asked for and was refused
};

struct RenderSettings {
    QString program;  // chromium executable; "" looks it up on PATH
    QString userAgent;
    int tabs = 4;          // pages rendered at once (at most four)
    int quietMs = 500;     // settled after this long with no request in flight
    int capMs = 15000;     // a page gets no longer than this
    int answerMs = 10000;  // the browser must answer its version within this
};

// The run's headless browser: started on first need, stopped with the run,
// restarted at most once. Failures never stop the caller: Render then returns
// ok = false and the run keeps the fetched page; each kind of failure is
// logged once.
class PageRenderer {
public:
    using LogFn = std::function<void(const QString& line)>;
    PageRenderer(const RenderSettings& settings, LogFn log);
    ~PageRenderer();
    PageRenderer(const PageRenderer&) = delete;
    PageRenderer& operator=(const PageRenderer&) = delete;

    RenderResult Render(const FetchedPage& page, const RenderPolicy& policy);
    // Ends the browser; the next Render starts a fresh one with fresh counts.
    void Stop();
    // Resident memory of the browser's processes, in KiB (0 when none runs);
    // see BrowserProcess::GroupRssKb.
    qint64 BrowserRssKb(bool proportional = false);
    // The browser's process group (0 when none runs).
    qint64 BrowserGroup();
    const RenderSettings& Settings() const { return settings_; }

private:
    enum class Failure { kNoBrowser, kNoAnswer, kCrash, kBusy, kTab };
    std::shared_ptr<Browser> Ready();
    void LogOnce(Failure kind, const QString& detail);

    RenderSettings settings_;
    LogFn log_;
    std::mutex mutex_;
    std::shared_ptr<Browser> browser_;
    int starts_ = 0;
    bool gave_up_ = false;
    std::set<Failure> logged_;
};

}  // namespace korvi
