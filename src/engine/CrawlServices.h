#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace korvi {

class Clock;
class CtrlFile;
class ProxySettings;
class SessionCookies;
class SrchThrd;

// What a crawler worker takes from the rest of the program. The run control
// fills one per run and every worker (and clone) of the run shares it. Empty
// functions mean "not configured": filters then accept, the matcher finds
// nothing, scripts leave the text alone.
struct CrawlServices {
    CtrlFile* ctrl = nullptr;              // error log, files, extensions, clock texts (required)
    const Clock* clock = nullptr;          // required
    const ProxySettings* proxy = nullptr;  // null: no proxy
    SessionCookies* cookies = nullptr;     // null: no session cookies

    // Download store.
    std::function<QString(const QString& url)> mapPath;                      // URL -> local path
    std::function<bool(const QString& path, const QString& url)> mustFetch;  // overwrite list
    std::function<bool(const QString& url)> isAvoided;                       // exclusion list
    std::function<QString(const QString& url)> autoLogin;                    // login rewrite

    // Matcher: context text of the match, "" without one.
    std::function<QString(const QString& words, const QString& text)> match;

    // Script hook: the rewritten text, or nullopt while the host is busy.
    std::function<std::optional<QString>(const QString& script, const QString& text)> runScript;
    std::function<void()> clearScriptBusy;

    // Filters, judged for the worker that asks.
    std::function<bool(const SrchThrd&, qint64 sizeKb)> preDlFilter;
    std::function<bool(const SrchThrd&, const QString& extension)> extFilter;
    std::function<bool(const SrchThrd&, const QString& url)> rangeFilter;
    std::function<bool(const SrchThrd&, const QString& url)> crsRangeFilter;

    // Link and text helpers.
    std::function<QString(const QString& text)> nonDelimiter;
    // Base URL of a page; nullopt when none can be made.
    std::function<std::optional<QString>(const QString& text, const QString& pageUrl)> baseUrl;
    std::function<QString(const QString& link, const QString& base)> absoluteUrl;  // "" on failure
    std::function<QString(qsizetype pos, const QString& text)> title;
    std::function<QString(const QString& url, bool restSharp)> chngUrl;
    std::function<QString(const QString& text)> pageTitle;

    // Trailer tag.
    std::function<QString(const QString& ref, const QString& src, const QString& time,
                          const QString& comment)>
        makeFootTag;
    std::function<bool(const QString& setting, const QString& extList, const QString& ext)>
        footTagApplies;
    std::function<bool(const QString& path, const QString& tag)> appendFootTag;
    // Comment the run recorded for a URL (image ALT text); "" when none.
    std::function<QString(const QString& url)> comment;
};

}  // namespace korvi
