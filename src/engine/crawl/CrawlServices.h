#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace korvi {

class Clock;
class CtrlFile;
class FetchRecorder;
class HostPacer;
class RobotsCache;
class OfflineLedger;
class PageRenderer;
class ProxySettings;
class SessionCookies;

// What a crawler worker takes from the rest of the program. The run control
// fills one per run and every worker (and clone) of the run shares it. Empty
// functions mean "not configured": the matcher finds nothing, scripts leave
// the text alone, no URL is excluded or forced, the path comes from GetLogFrdr.
struct CrawlServices {
    CtrlFile* ctrl = nullptr;              // error log, files, extensions, clock texts (required)
    const Clock* clock = nullptr;          // required
    const ProxySettings* proxy = nullptr;  // null: the environment's proxy, if any
    SessionCookies* cookies = nullptr;     // null: no session cookies
    // The run's robots.txt answers and request spacing; null: robots.txt is
    // not asked for, requests are not spaced.
    std::shared_ptr<RobotsCache> robots;
    std::shared_ptr<HostPacer> pacer;

    // Download store.
    std::function<QString(const QString& url)> mapPath;                      // URL -> local path
    std::function<bool(const QString& path, const QString& url)> mustFetch;  // overwrite list
    std::function<bool(const QString& url)> isAvoided;                       // exclusion list
    std::function<QString(const QString& url)> autoLogin;                    // login rewrite
    // Offline references made before their copies were stored; the run
    // settles them at its end. Null: references are not followed up.
    std::shared_ptr<OfflineLedger> offline;

    // A recorder for each page fetch (the run's web archive); empty: none.
    std::function<std::unique_ptr<FetchRecorder>()> recorder;
    // The run's headless browser for pages built by script; null: pages are
    // used as fetched.
    std::shared_ptr<PageRenderer> renderer;

    // Matcher: context text of the match, "" without one.
    std::function<QString(const QString& words, const QString& text)> match;

    // Script hook: the rewritten text, or nullopt while the host is busy.
    std::function<std::optional<QString>(const QString& script, const QString& text)> runScript;
    std::function<void()> clearScriptBusy;

    // Comment the run recorded for a URL (image ALT text); "" when none.
    std::function<QString(const QString& url)> comment;

    // A page the run finished storing, by its store path; must not block.
    std::function<void(const QString& path)> stored;

    // Called on a worker's thread as it ends, after Running() turned false.
    std::function<void()> workerEnded;

    // Starts a worker's thread; empty: std::thread. Lets a test make a start fail.
    std::function<std::thread(std::function<void()> body)> startThread;
};

}  // namespace korvi

namespace korvi {

class AutoLogin;
class AvoidList;
class Matcher;
class ScriptHook;

// The process parts a run's services are made of; null parts are left out.
struct CrawlParts {
    CtrlFile* ctrl = nullptr;
    const Clock* clock = nullptr;
    const ProxySettings* proxy = nullptr;
    SessionCookies* cookies = nullptr;
    const AvoidList* avoid = nullptr;
    const AutoLogin* login = nullptr;
    Matcher* matcher = nullptr;
    ScriptHook* scripts = nullptr;
};
std::shared_ptr<CrawlServices> MakeCrawlServices(const CrawlParts& parts);

}  // namespace korvi
