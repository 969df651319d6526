#pragma once

// engine/crawl: the search thread and what it needs to fetch (crawl services, fetch pool,
// HTTP fetch, cookies, URL filter, proxy, script hook). Stands on match, page, profile and lists.

#include <QByteArray>
#include <QMutex>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/crawl/CrawlServices.h"
#include "engine/crawl/FetchRecorder.h"
#include "engine/crawl/HttpFetch.h"
#include "engine/crawl/RobotsCache.h"
#include "engine/crawl/UrlFilter.h"
#include "engine/page/LinkExtract.h"

namespace korvi {

class ReplaceFile;
class SlotThreads;

// Profile and init-panel values a run hands to each worker.
struct SrchThrdSettings {
    UrlFilterSettings filter;  // extension filter, regions, base URL
    int depthMax = 2;
    bool forcedLink = false;
    bool preSearch = false;
    bool preGetUrl = false;
    bool stopGetUrl = false;
    bool restSharp = false;
    int localLink = 0;  // stored inverted: 0 = on
    int footTag = 0;    // stored inverted: 0 = on
    QString footTagExtension;
    QString userAgent = QStringLiteral("SearchKorvi");
    int retryWaitMs = 0;          // 0: a 503 answer is not retried
    int scriptRetryWaitMs = 200;  // pause after a busy script host
    int overwriteType = 0;
    bool overwriteLocalLoad = false;
    bool offlineLink = false;  // rewrite links of stored pages to the stored copies
    // Ask each server for its robots.txt and leave out what it disallows
    // (start rows are always fetched). Needs the run's robots cache.
    bool robotsTxt = false;
    int hostWaitMs = 0;  // least time between two requests to one server
    QString searchWords;
    // The most of a body a worker holds: matching, link extraction and the
    // local-link rewrite see at most this many leading bytes of a page; the
    // stored file always takes the whole body, streamed to disk.
    qint64 textCapBytes = kPageTextCap;
    // Hand HTML pages to the run's browser: 0 never, 1 every page, 2 pages
    // that need it (PageNeedsRender); keep the fetched bytes beside a rendered copy.
    int renderJs = 0;
    bool renderKeepSource = false;

    static constexpr qint64 kPageTextCap = 8 * 1024 * 1024;
};

// One crawler worker: serves exactly one URL on its own thread and publishes
// its progress through a status code and counters that the run control polls.
class SrchThrd : public std::enable_shared_from_this<SrchThrd> {
public:
    static constexpr int kStatusRetryWait = 9;
    static constexpr int kStatusDispatched = 10;
    static constexpr int kStatusReceiving = 11;
    static constexpr int kStatusFinished = 99;
    static constexpr int kFetchFailed = -1;
    static constexpr int kBaseUrlFailed = -2;
    static constexpr int kConnectTimeOut = -3;
    static constexpr int kStopped = -4;
    static constexpr int kKeptLocal = -16;
    static constexpr int kSkipped = -32;
    static constexpr int kFiltered = -64;
    static constexpr int kRobotsExcluded = -128;

    static std::shared_ptr<SrchThrd> Create(std::shared_ptr<const CrawlServices> services,
                                            const SrchThrdSettings& settings);
    ~SrchThrd();
    SrchThrd(const SrchThrd&) = delete;
    SrchThrd& operator=(const SrchThrd&) = delete;

    // Row values, set before StartManual.
    void SetRow(int rowNo, const QString& url, const QString& title, const QString& extension,
                int depth, const QString& referrer);
    void SetLocalPath(const QString& path);
    void SetMemoryOnly(bool on) { memory_only_ = on; }
    void SetFromLocalHtml(bool on) { from_local_html_ = on; }
    // Serve the row from its stored copy (a resumed run): no request; page
    // links from the stored link list, else from the copy; nothing rewritten.
    void SetFromStore(bool on) { from_store_ = on; }
    bool FromStore() const { return from_store_; }
    // The stored copy was cut short (a crash): fetch it again whatever the policy.
    void SetRefetch(bool on) { refetch_ = on; }
    // The run found no stored copy at the local path as it handed the row
    // over, so the fetch need not look for one to replace.
    void SetNoStoredCopy(bool on) { no_stored_copy_ = on; }
    // The HTTP client the fetch goes through (a new one when none is set);
    // handed back by TakeFetch once the thread has ended.
    void SetFetch(std::unique_ptr<HttpFetch> fetch);
    std::unique_ptr<HttpFetch> TakeFetch();

    // Starts the worker's thread, which runs ManPrgrs once. False (logged)
    // when the thread could not be made, e.g. under a low process limit;
    // the worker is then unchanged and may be started again.
    bool StartManual();
    // The same on the run's thread of the slot instead of a thread of its own.
    bool StartOn(SlotThreads& threads, size_t slot);
    bool Started() const { return started_.load(); }
    // The whole per-URL pipeline (also callable directly, as the URL mount does).
    void ManPrgrs();
    bool GetWebData();
    // One extraction pass: mode 1 object links, mode 0 page links.
    bool GetUrlList(int mode, const QString& text);
    // Image URLs and their ALT texts from the normalised text.
    void GetImageTexts();
    // The run's filters for this worker's row (page URL, depth, extension).
    bool ChckPreDlFltrExtnsn(qint64 sizeKb);
    bool ChckFltrExtnsn(const QString& extension);
    bool ChckFltrUrlRange(const QString& url);
    bool ChckFltrUrlCrsRange(const QString& url);
    bool OutUrlList(const QString& path);
    // The page links of the stored link list beside path; false when none.
    bool LoadStoredLinks(const QString& path);
    QString MkLocalLink(const QString& text);
    // The page or style sheet with every href, src and CSS url that leads to
    // a copy this run stores (or one stored already) made the relative path
    // of that copy; other texts as they are.
    QString MkOfflineLinks(const QString& text);
    QString GetLocalLink(const QString& url);
    void AddFootTag();
    // Sleeps at least 10 ms; wakes early on a stop request.
    void WaitTime(int ms);
    // A new worker with the same settings, state and copies of the lists.
    std::shared_ptr<SrchThrd> clone() const;

    // Control from the run: an outside status (-3, -4, -32) also asks the
    // transfer to stop; the worker never overwrites it.
    void SetOutsideStatus(int status);
    void RequestStop() { stop_.store(true); }
    // True when the run set an outside status: the worker was given up.
    bool Abandoned() const { return outside_status_.load() != 0; }
    bool StopRequested() const { return stop_.load(); }
    bool Running() const { return running_.load(); }
    // Waits for the thread to end (after a stop request it ends promptly).
    void Join();
    void SetStatus(int status);

    // Polled values.
    int Status() const;
    int RowNo() const { return row_no_; }
    int Depth() const { return depth_; }
    qint64 ContentLength() const { return content_length_.load(); }
    qint64 Downloaded() const { return downloaded_.load(); }
    qint64 SizeKb() const { return size_.load(); }
    qint64 FetchStartMs() const { return fetch_start_.load(); }
    qint64 DataStartMs() const { return data_start_.load(); }
    bool Redirected() const { return redirected_.load(); }
    // A row the user started from (depth 1, no referrer): robots.txt does not apply.
    bool StartRow() const { return start_row_; }
    bool IsLocal() const { return is_local_.load(); }
    // The answer code of the last fetch (0 when no answer came).
    long LastHttpCode() const { return last_http_code_.load(); }

    // Values the worker changes while it runs (guarded).
    QString Url() const;
    QString LocalPath() const;
    QString MatchResult() const;
    QString LastError() const;
    LinkList ObjectLinks() const;
    LinkList PageLinks() const;
    LinkList ImageTexts() const;  // urls + ALT texts in titles
    // The body received or loaded, up to the text cap of the settings.
    QByteArray Body() const;

    // Fixed values.
    const QString& Title() const { return title_; }
    const QString& Extension() const { return extension_; }
    const QString& Referrer() const { return referrer_; }
    const SrchThrdSettings& Settings() const { return settings_; }
    const CrawlServices& Services() const { return *services_; }

private:
    SrchThrd(std::shared_ptr<const CrawlServices> services, const SrchThrdSettings& settings);
    bool Start(SlotThreads* threads, size_t slot);
    // Puts a page held back for its rewrite and tag in place; false (logged)
    // when that failed.
    bool CommitPending();
    // The last status of a pipeline that went through: finished, or a failed
    // fetch when the page could not be put in place.
    void Finished();
    void Pipeline();
    bool Halted();
    QString RunHook(const QString& script, const QString& text);
    UrlFilter& Filter();
    QString Chng(const QString& url) const;
    QString Absolute(const QString& link, const QString& base) const;
    QString MapPath(const QString& url) const;
    void Log(const QString& prefix, const QString& text) const;
    // Replaces a stored file whole (see ReplaceFile); failures are logged.
    bool SaveText(const QString& path, const QString& text) const;
    qint64 Now() const;
    qint64 TextCap() const;
    void AdvanceReceiving(qint64 bytes);
    void ReapplyServerTime();
    // False (with the status set) when robots.txt leaves the URL out or a
    // stop came while asking.
    bool RobotsAllow();
    RobotsCache::Answer FetchRobots(const QString& robotsUrl);
    // Waits for the server's turn; false on a stop request.
    bool Pace(const QString& url);
    // The request headers that let the server answer 304 for the stored copy;
    // false when the update policy has no use for them.
    bool ConditionFor(const QString& path, HttpFetch::Request& req) const;
    // Whether the update policy keeps a copy of time l and length n given the
    // server's time s and length; the rules of overwrite types 1 and 2.
    bool PolicyKeeps(qint64 l, qint64 n, qint64 s, qint64 length) const;
    void ForgetUnstored(const QString& url);
    void AdjustHtmlName();
    // Replaces a fetched HTML page (its head in bytes, decoded in text) by the
    // document the run's browser made of it, stored and used in its place;
    // leaves both alone when rendering is off, not wanted or failed.
    void RenderFetched(const QByteArray& bytes, QString& text);
    // Whether a rendered page may fetch url: the rules its links obey.
    bool RenderAllows(const QString& url);

    std::shared_ptr<const CrawlServices> services_;
    SrchThrdSettings settings_;

    int row_no_ = -1;
    QString title_;
    QString extension_;
    QString referrer_;
    int depth_ = 0;
    bool start_row_ = false;
    bool memory_only_ = false;
    bool from_local_html_ = false;
    bool from_store_ = false;
    bool refetch_ = false;
    bool no_stored_copy_ = false;

    std::atomic<int> status_{-1};
    std::atomic<int> outside_status_{0};
    std::atomic<qint64> content_length_{0};
    std::atomic<qint64> downloaded_{0};
    std::atomic<qint64> size_{0};
    std::atomic<qint64> fetch_start_{0};
    std::atomic<qint64> data_start_{0};
    std::atomic<bool> redirected_{false};
    std::atomic<bool> is_local_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> started_{false};
    bool start_failure_logged_ = false;

    mutable QMutex mutex_;  // guards the values below
    QString url_;
    QString local_path_;
    QString match_result_;
    QString last_error_;
    LinkList object_links_;
    LinkList page_links_;
    LinkList images_;
    QByteArray body_;

    // Worker-thread only.
    bool body_cut_ = false;                    // the body is longer than body_ holds
    bool rendered_ = false;                    // the stored page is the browser's document
    std::unique_ptr<FetchRecorder> recorder_;  // the last fetch's archive record
    std::atomic<long> last_http_code_{0};
    qint64 server_time_ = 0;
    QByteArray server_etag_;
    qint64 crawl_delay_ms_ = 0;  // from the server's robots.txt
    QByteArray content_type_;    // of the answer; "" for a local or kept copy
    // What the fetch stored: its bytes (-1: nothing), whether it went where
    // no copy was, and whether the copy still has the time and entity tag it
    // was stored with (nothing rewrote it since).
    qint64 stored_bytes_ = -1;
    // The fetched page is held, unnamed, until the pipeline's end, so that
    // its rewrite and tag cost no second file.
    bool defer_store_ = false;
    std::unique_ptr<ReplaceFile> pending_page_;
    bool fresh_copy_ = false;
    bool settled_ = false;
    std::unique_ptr<HttpFetch> fetch_;
    std::unique_ptr<LinkExtract> extract_;
    std::unique_ptr<UrlFilter> filter_;
    QString filter_url_;  // the page URL the filter was set for
    QString base_url_;
    QString page_title_;
    const QRegularExpression re_anchor_;

    std::thread thread_;
    std::mutex end_mutex_;
    std::condition_variable end_cv_;
    bool ended_ = false;  // the body has returned (guarded by end_mutex_)
};

}  // namespace korvi
