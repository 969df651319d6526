#include "engine/crawl/SrchThrd.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <exception>
#include <stdexcept>

#include "engine/crawl/FetchRecorder.h"
#include "engine/crawl/HostPacer.h"
#include "engine/crawl/HttpFetch.h"
#include "engine/crawl/ProxySettings.h"
#include "engine/crawl/SessionCookies.h"
#include "engine/crawl/SlotThreads.h"
#include "engine/lists/ListFile.h"
#include "engine/page/HtmlText.h"
#include "engine/page/OfflineLedger.h"
#include "engine/page/OfflineLinks.h"
#include "platform/StoredEtag.h"
#include "shell/Assist.h"
#include "shell/Clock.h"
#include "store/CtrlFile.h"
#include "store/ReplaceFile.h"
#include "store/TextCodec.h"

namespace korvi {

namespace {

constexpr auto kCi = QRegularExpression::CaseInsensitiveOption;

QString ExceptionText(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

bool SetModificationTime(const QString& path, qint64 ms) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite | QIODevice::Append)) return false;
    return f.setFileTime(QDateTime::fromMSecsSinceEpoch(ms), QFileDevice::FileModificationTime);
}

// The first `cap` bytes of a file; *cut tells whether the file holds more.
QByteArray ReadHead(const QString& file, qint64 cap, bool* cut) {
    QFile f(file);
    *cut = false;
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    QByteArray bytes = f.read(cap);
    *cut = !f.atEnd();
    return bytes.isNull() ? QByteArray("") : bytes;
}

// A prefix cut inside a UTF-8 sequence loses the sequence, so that the
// prefix still reads as UTF-8.
void DropCutSequence(QByteArray& bytes) {
    qsizetype i = bytes.size();
    int back = 0;
    while (i > 0 && back < 4 && (static_cast<unsigned char>(bytes[i - 1]) & 0xC0) == 0x80) {
        --i;
        ++back;
    }
    if (i == 0) return;
    const auto lead = static_cast<unsigned char>(bytes[i - 1]);
    const int need = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (lead >= 0xC0 && back < need) bytes.truncate(i - 1);
}

}  // namespace

SrchThrd::SrchThrd(std::shared_ptr<const CrawlServices> services, const SrchThrdSettings& settings)
    : services_(std::move(services)),
      settings_(settings),
      re_anchor_(QStringLiteral("(<A[^>H]+?HREF=\"?)([^\" >]+)([\">])(.+?)(</A>)"), kCi) {}

std::shared_ptr<SrchThrd> SrchThrd::Create(std::shared_ptr<const CrawlServices> services,
                                           const SrchThrdSettings& settings) {
    return std::shared_ptr<SrchThrd>(new SrchThrd(std::move(services), settings));
}

SrchThrd::~SrchThrd() {
    if (!thread_.joinable()) return;
    stop_.store(true);
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach();
    else
        thread_.join();
}

void SrchThrd::SetRow(int rowNo, const QString& url, const QString& title, const QString& extension,
                      int depth, const QString& referrer) {
    row_no_ = rowNo;
    title_ = title;
    extension_ = extension.toLower();
    depth_ = depth;
    start_row_ = depth == 1 && referrer.isEmpty();
    referrer_ = referrer.startsWith(QStringLiteral("file")) ? QString("") : referrer;
    QMutexLocker lock(&mutex_);
    url_ = url;
}

void SrchThrd::SetFetch(std::unique_ptr<HttpFetch> fetch) {
    fetch_ = std::move(fetch);
}

std::unique_ptr<HttpFetch> SrchThrd::TakeFetch() {
    return std::move(fetch_);
}

void SrchThrd::SetLocalPath(const QString& path) {
    QMutexLocker lock(&mutex_);
    local_path_ = path;
}

QString SrchThrd::Url() const {
    QMutexLocker lock(&mutex_);
    return url_;
}
QString SrchThrd::LocalPath() const {
    QMutexLocker lock(&mutex_);
    return local_path_;
}
QString SrchThrd::MatchResult() const {
    QMutexLocker lock(&mutex_);
    return match_result_;
}
QString SrchThrd::LastError() const {
    QMutexLocker lock(&mutex_);
    return last_error_;
}
LinkList SrchThrd::ObjectLinks() const {
    QMutexLocker lock(&mutex_);
    return object_links_;
}
LinkList SrchThrd::PageLinks() const {
    QMutexLocker lock(&mutex_);
    return page_links_;
}
LinkList SrchThrd::ImageTexts() const {
    QMutexLocker lock(&mutex_);
    return images_;
}
QByteArray SrchThrd::Body() const {
    QMutexLocker lock(&mutex_);
    return body_;
}

int SrchThrd::Status() const {
    const int outside = outside_status_.load();
    return outside != 0 ? outside : status_.load();
}

void SrchThrd::SetStatus(int status) {
    status_.store(status);
}

void SrchThrd::SetOutsideStatus(int status) {
    outside_status_.store(status);
    stop_.store(true);
}

bool SrchThrd::StartManual() {
    return Start(nullptr, 0);
}

bool SrchThrd::StartOn(SlotThreads& threads, size_t slot) {
    return Start(&threads, slot);
}

bool SrchThrd::Start(SlotThreads* threads, size_t slot) {
    if (thread_.joinable() || running_.load()) return true;
    running_.store(true);
    {
        std::lock_guard lock(end_mutex_);
        ended_ = false;
    }
    std::shared_ptr<SrchThrd> self = shared_from_this();
    std::function<void()> body = [self] {
        self->ManPrgrs();
        self->running_.store(false);
        if (self->services_->workerEnded) self->services_->workerEnded();
        {
            std::lock_guard lock(self->end_mutex_);
            self->ended_ = true;
        }
        self->end_cv_.notify_all();
    };
    QString failure;
    bool ok = false;
    if (threads) {
        ok = threads->Run(slot, std::move(body), &failure);
    } else {
        try {
            thread_ = services_->startThread ? services_->startThread(std::move(body))
                                             : std::thread(std::move(body));
            ok = thread_.joinable();
        } catch (const std::exception& e) {
            failure = ExceptionText(e);
        }
    }
    if (!ok) {
        running_.store(false);
        // Logged once per row: the run retries the start while the limit lasts.
        if (!start_failure_logged_)
            Log(QStringLiteral("S_Thrd StartManual Error : "), failure + u' ' + Url());
        start_failure_logged_ = true;
        return false;
    }
    started_.store(true);
    return true;
}

void SrchThrd::Join() {
    if (thread_.joinable()) {
        if (thread_.get_id() != std::this_thread::get_id()) thread_.join();
        return;
    }
    if (!started_.load()) return;
    std::unique_lock lock(end_mutex_);
    end_cv_.wait(lock, [this] { return ended_; });
}

qint64 SrchThrd::Now() const {
    return services_->clock ? services_->clock->NowMs() : 0;
}

void SrchThrd::Log(const QString& prefix, const QString& text) const {
    if (services_->ctrl) services_->ctrl->SaveErrLog(prefix + text);
}

void SrchThrd::WaitTime(int ms) {
    if (ms < 10) ms = 10;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stop_.load()) {
        const auto left = end - std::chrono::steady_clock::now();
        if (left <= std::chrono::milliseconds(0)) break;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(10)));
    }
}

qint64 SrchThrd::TextCap() const {
    return settings_.textCapBytes > 0 ? settings_.textCapBytes : SrchThrdSettings::kPageTextCap;
}

UrlFilter& SrchThrd::Filter() {
    if (!filter_) filter_ = std::make_unique<UrlFilter>(settings_.filter);
    // Set again only when the page's URL changed (a redirect).
    const QString url = Url();
    if (url != filter_url_ || filter_url_.isNull()) {
        filter_->SetPage(url, depth_, extension_);
        filter_url_ = url.isNull() ? QString("") : url;
    }
    return *filter_;
}

bool SrchThrd::ChckPreDlFltrExtnsn(qint64 sizeKb) {
    return Filter().ChckPreDlFltrExtnsn(sizeKb);
}
bool SrchThrd::ChckFltrExtnsn(const QString& extension) {
    return Filter().ChckFltrExtnsn(extension);
}
bool SrchThrd::ChckFltrUrlRange(const QString& url) {
    return Filter().ChckFltrUrlRange(url);
}
bool SrchThrd::ChckFltrUrlCrsRange(const QString& url) {
    return Filter().ChckFltrUrlCrsRange(url);
}

QString SrchThrd::Chng(const QString& url) const {
    return ChngUrl(url, settings_.restSharp);
}

QString SrchThrd::Absolute(const QString& link, const QString& base) const {
    CtrlFile* ctrl = services_->ctrl;
    return GetAbsltUrl(link, QUrl(base), [ctrl](const QString& m) { ctrl->SaveErrLog(m); });
}

QString SrchThrd::MapPath(const QString& url) const {
    return services_->mapPath ? services_->mapPath(url) : services_->ctrl->GetLogFrdr(url);
}

// A stop request ends the pipeline; an outside status stays as set.
bool SrchThrd::Halted() {
    if (!stop_.load()) return false;
    if (outside_status_.load() == 0) SetStatus(kStopped);
    return true;
}

void SrchThrd::ManPrgrs() {
    try {
        Pipeline();
    } catch (const std::exception& e) {
        Log(QStringLiteral("S_Thrd ManPrgrs Error : "), ExceptionText(e));
        SetStatus(kFetchFailed);
    }
}

void SrchThrd::Pipeline() {
    // A page held back for its rewrite and tag is stored however the
    // pipeline ends.
    struct StoreAtEnd {
        SrchThrd* w;
        ~StoreAtEnd() { w->CommitPending(); }
    } storeAtEnd{this};
    const QString url = Url();
    const QString mapped = LocalPath();
    is_local_.store(url.startsWith(QStringLiteral("file:/")));
    if (is_local_) {
        // A local file that is not there is a failed fetch, not an empty page.
        const QString path = LocalPath();
        if (path.isEmpty() || !QFileInfo(services_->ctrl->Abs(path)).isFile()) {
            Log(QStringLiteral("S_Thrd Get Web Data Error : "), QStringLiteral("no file ") + url);
            SetStatus(kFetchFailed);
            return;
        }
    } else if (from_store_) {
        const QByteArray bytes = ReadHead(services_->ctrl->Abs(LocalPath()), TextCap(), &body_cut_);
        const qint64 stored = QFileInfo(services_->ctrl->Abs(LocalPath())).size();
        content_length_.store(stored);
        downloaded_.store(stored);
        QMutexLocker lock(&mutex_);
        body_ = bytes.isNull() ? QByteArray("") : bytes;
    } else {
        if (!RobotsAllow()) return;
        // A page that the pipeline rewrites or tags is stored once, at its end.
        defer_store_ =
            !settings_.offlineLink && (settings_.localLink == 0 || settings_.footTag == 0);
        for (;;) {
            if (GetWebData()) break;
            if (status_.load() == kFiltered) ForgetUnstored(url);
            if (status_.load() == kFiltered || status_.load() == kKeptLocal) return;
            if (Halted()) return;
            // Only a real 503 answer is retried, not any error text that
            // happens to contain the digits.
            if (last_http_code_ == 503 && settings_.retryWaitMs > 0) {
                SetStatus(kStatusRetryWait);
                WaitTime(settings_.retryWaitMs);
                if (Halted()) return;
                continue;
            }
            SetStatus(kFetchFailed);
            ForgetUnstored(url);
            return;
        }
    }
    SetStatus(87);
    data_start_.store(Now());
    if (memory_only_) {
        Finished();
        return;
    }
    AdjustHtmlName();
    if (services_->offline && !is_local_) services_->offline->Stored(mapped, LocalPath());
    const QString path = LocalPath();
    CtrlFile& ctrl = *services_->ctrl;
    const QFileInfo info(ctrl.Abs(path));
    // The size of a copy the fetch has just stored is known without a look.
    if (stored_bytes_ >= 0 && !path.isEmpty())
        size_.store(stored_bytes_ / 1000);
    else if (!path.isEmpty() && info.isFile())
        size_.store(info.size() / 1000);
    if (!ChckPreDlFltrExtnsn(size_.load())) {
        SetStatus(kFiltered);
        if (size_.load() == 0) size_.store(1);
        return;
    }
    if (size_.load() == 0) size_.store(1);
    SetStatus(88);
    if (Halted()) return;

    QString text;
    {
        QByteArray bytes;
        {
            QMutexLocker lock(&mutex_);
            bytes.swap(body_);
        }
        if (bytes.isNull() && !path.isEmpty() && info.isFile())
            bytes = ReadHead(info.absoluteFilePath(), TextCap(), &body_cut_);
        if (body_cut_) DropCutSequence(bytes);
        text = DecodeText(bytes);
        RenderFetched(bytes, text);
    }
    if (text.isEmpty()) {
        SetStatus(98);
        if (settings_.footTag == 0 && !is_local_) AddFootTag();
        ReapplyServerTime();
        Finished();
        return;
    }
    SetStatus(89);
    if (settings_.preSearch) text = RunHook(QStringLiteral("FltrPreSearch.js"), text);
    if (Halted()) return;
    SetStatus(90);
    const QString match =
        services_->match ? services_->match(settings_.searchWords, text) : QString("");
    {
        QMutexLocker lock(&mutex_);
        match_result_ = match;
    }
    SetStatus(91);
    if (settings_.stopGetUrl) {
        Finished();
        return;
    }
    if (!GetUrlList(1, text)) {
        SetStatus(kBaseUrlFailed);
        return;
    }
    if (Halted()) return;
    SetStatus(92);
    if (settings_.forcedLink) text = RunHook(QStringLiteral("FltrFrcdLink.js"), text);
    SetStatus(93);
    if (settings_.preGetUrl) text = RunHook(QStringLiteral("FltrPreGetUrl.js"), text);
    if (Halted()) return;
    SetStatus(94);
    if (from_store_ && LoadStoredLinks(path)) {
        SetStatus(95);
    } else if (GetUrlList(0, text)) {
        SetStatus(95);
        if (!from_store_ && !PageLinks().empty()) OutUrlList(is_local_ ? QString("") : path);
    }
    if (Halted()) return;
    SetStatus(96);
    if (from_store_) {
        // The stored copy is already complete.
        GetImageTexts();
        Finished();
        return;
    }
    if (settings_.offlineLink || settings_.localLink == 0) {
        // An offline copy links to the stored copies themselves, so the
        // "(@Web)"/"(@Local)" additions are left out.
        const QString text2 = settings_.offlineLink ? MkOfflineLinks(text) : MkLocalLink(text);
        // Only a page whose links changed is written back: rewriting an
        // unchanged (possibly binary) body would only risk damaging it, and
        // a page longer than the text cap would lose its tail.
        if (!is_local_ && !body_cut_ && text2 != text && !path.isEmpty()) {
            if (pending_page_) {
                const QByteArray bytes = EncodeText(text2);
                if (!pending_page_->Rewrite(bytes.constData(), bytes.size()))
                    Log(QStringLiteral("C_File File Write Error : "),
                        pending_page_->ErrorString() + u' ' + path);
            } else if (SaveText(path, text2)) {
                settled_ = false;
            }
        }
    }
    if (Halted()) return;
    SetStatus(97);
    if (settings_.footTag == 0 && !is_local_) {
        GetImageTexts();
        SetStatus(98);
        AddFootTag();
    }
    ReapplyServerTime();
    Finished();
}

bool SrchThrd::CommitPending() {
    if (!pending_page_) return true;
    const std::unique_ptr<ReplaceFile> file = std::move(pending_page_);
    const QString path = LocalPath();
    if (!file->Commit()) {
        Log(QStringLiteral("S_Thrd Get Web Data Error : "), file->ErrorString() + u' ' + path);
        return false;
    }
    // A new file: its time was set as it was put in place.
    if (!server_etag_.isEmpty()) WriteStoredEtag(services_->ctrl->Abs(path), server_etag_);
    return true;
}

void SrchThrd::Finished() {
    SetStatus(CommitPending() ? kStatusFinished : kFetchFailed);
}

// A query URL whose fetch stored nothing leaves no line in its query list.
void SrchThrd::ForgetUnstored(const QString& url) {
    if (memory_only_ || services_->mapPath) return;
    services_->ctrl->ForgetQuery(url);
    const QString now = Url();
    if (now != url) services_->ctrl->ForgetQuery(now);
}

// The stored copy keeps the server's time even after links and the tag were
// written into it, so that the overwrite policy can compare it next time.
void SrchThrd::ReapplyServerTime() {
    if (is_local_ || memory_only_ || settled_) return;
    const QString path = LocalPath();
    if (path.isEmpty() || (server_time_ <= 0 && server_etag_.isEmpty())) return;
    const QString abs = services_->ctrl->Abs(path);
    if (server_time_ > 0) SetModificationTime(abs, server_time_);
    // A rewrite replaced the file, and the tag with it.
    if (!server_etag_.isEmpty()) WriteStoredEtag(abs, server_etag_);
}

bool SrchThrd::PolicyKeeps(qint64 l, qint64 n, qint64 s, qint64 length) const {
    if (settings_.overwriteType == 1) return l / 10000 == s / 10000;
    if (settings_.overwriteType == 2)
        return l / 10000 == s / 10000 || (s <= 0 && length >= 0 && n == length);
    return false;
}

bool SrchThrd::ConditionFor(const QString& path, HttpFetch::Request& req) const {
    // Only the policies that compare with the server's copy can use a 304;
    // a forced overwrite and the URL mount want the body.
    if (memory_only_ || refetch_ || path.isEmpty() ||
        (settings_.overwriteType != 1 && settings_.overwriteType != 2))
        return false;
    const QFileInfo local(services_->ctrl->Abs(path));
    if (!local.isFile() || (services_->mustFetch && services_->mustFetch(path, Url())))
        return false;
    req.ifModifiedSinceMs = local.lastModified().toMSecsSinceEpoch();
    req.ifNoneMatch = ReadStoredEtag(local.absoluteFilePath());
    return req.ifModifiedSinceMs > 0 || !req.ifNoneMatch.isEmpty();
}

bool SrchThrd::Pace(const QString& url) {
    if (!services_->pacer) return !stop_.load();
    const qint64 delay = std::max<qint64>(settings_.hostWaitMs, crawl_delay_ms_);
    return services_->pacer->Wait(url, delay, [this] { return stop_.load(); });
}

bool SrchThrd::RobotsAllow() {
    if (!settings_.robotsTxt || !services_->robots || start_row_) return true;
    RobotsCache::Verdict verdict;
    const QString url = Url();
    const bool known = services_->robots->Check(
        url, [this](const QString& robotsUrl) { return FetchRobots(robotsUrl); },
        [this] { return stop_.load(); }, &verdict);
    if (!known) {
        Halted();
        return false;
    }
    crawl_delay_ms_ = verdict.crawlDelayMs;
    if (verdict.allowed) return true;
    SetStatus(kRobotsExcluded);
    return false;
}

RobotsCache::Answer SrchThrd::FetchRobots(const QString& robotsUrl) {
    using Kind = RobotsCache::Answer::Kind;
    RobotsCache::Answer answer;
    if (!Pace(robotsUrl)) {
        answer.kind = Kind::kStopped;
        return answer;
    }
    HttpFetch::Request req;
    req.url = robotsUrl.toUtf8();
    req.userAgent = settings_.userAgent.toUtf8();
    if (services_->proxy) req.proxy = services_->proxy->Get();
    // The run's time-outs follow the page fetch, not this one.
    req.connectTimeoutSec = 30;
    req.timeoutSec = 60;
    QByteArray body;
    const auto onBody = [&body](const char* data, size_t size) {
        const qsizetype room = RobotsTxt::kMaxBytes - body.size();
        body.append(data, std::min<qsizetype>(room, static_cast<qsizetype>(size)));
        return body.size() < RobotsTxt::kMaxBytes;  // the rest is not read
    };
    if (!fetch_) fetch_ = std::make_unique<HttpFetch>();
    const HttpFetch::Result result =
        fetch_->Perform(req, {}, onBody, [this] { return stop_.load(); });
    const long code = fetch_->Head().code;
    if (stop_.load()) {
        answer.kind = Kind::kStopped;
    } else if (code >= 200 && code < 300 &&
               (result == HttpFetch::Result::Ok || body.size() >= RobotsTxt::kMaxBytes)) {
        answer.kind = Kind::kFound;
        answer.body = body;
    } else if (code >= 400 && code < 500) {
        answer.kind = Kind::kMissing;
    } else {
        answer.kind = Kind::kUnreachable;
        Log(QStringLiteral("S_Thrd Robots Txt Error : "),
            fetch_->ErrorText().isEmpty() ? robotsUrl : fetch_->ErrorText());
    }
    return answer;
}

QString SrchThrd::RunHook(const QString& script, const QString& text) {
    if (!services_->runScript) return text;
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (stop_.load()) break;
        if (attempt % 150 == 149 && services_->clearScriptBusy) services_->clearScriptBusy();
        const std::optional<QString> out = services_->runScript(script, text);
        if (out) return *out;
        WaitTime(settings_.scriptRetryWaitMs);
    }
    return text;
}

void SrchThrd::AdvanceReceiving(qint64 bytes) {
    // One step per block of 1024 bytes received, however the blocks arrive.
    int s = status_.load();
    for (qint64 n = std::max<qint64>(1, (bytes + 1023) / 1024); n > 0; --n) {
        if (s < kStatusReceiving || s > 86)
            s = kStatusReceiving;
        else
            s = s >= 86 ? 46 : s + 1;
    }
    SetStatus(s);
}

bool SrchThrd::GetWebData() {
    CtrlFile& ctrl = *services_->ctrl;
    last_http_code_ = 0;
    server_time_ = 0;
    server_etag_.clear();
    content_type_.clear();
    std::unique_ptr<ReplaceFile> file;
    try {
        QString url = Url();
        if (services_->autoLogin) url = services_->autoLogin(url);
        // The wait for the server's turn is no connect time.
        if (!Pace(url)) {
            QMutexLocker lock(&mutex_);
            last_error_ = QStringLiteral("stopped");
            return false;
        }
        fetch_start_.store(Now());
        SetStatus(kStatusReceiving);

        HttpFetch::Request req;
        req.url = HttpFetch::WireUrl(url);
        req.userAgent = settings_.userAgent.toUtf8();
        if (!referrer_.isEmpty()) req.referer = HttpFetch::WireUrl(referrer_);
        if (services_->proxy) req.proxy = services_->proxy->Get();
        if (services_->cookies) {
            QString cookie;
            services_->cookies->MngmntSssnCookie(referrer_, &cookie, &ctrl);
            req.cookie = cookie.toUtf8();
        }
        const bool conditional = ConditionFor(LocalPath(), req);
        // Kept past the fetch: a rendered page adds its document to the record.
        recorder_ = services_->recorder ? services_->recorder() : nullptr;
        req.recorder = recorder_.get();

        enum class Decision { None, Filtered, Keep, Recheck, OpenFailed };
        Decision decision = Decision::None;
        QString openError;
        // Only the head of the body stays in memory; the file takes it all.
        qint64 written = 0;
        QByteArray memory;
        memory.reserve(1024);
        const qint64 cap = TextCap();
        body_cut_ = false;

        HttpFetch::HeadFn onHead = [&](const HttpHead& head) {
            if (!head.effectiveUrl.isEmpty() && head.effectiveUrl != req.url) {
                const QString finalUrl =
                    QUrl::fromEncoded(head.effectiveUrl, QUrl::TolerantMode).toString();
                const QString finalPath = MapPath(finalUrl);
                {
                    QMutexLocker lock(&mutex_);
                    url_ = finalUrl;
                    local_path_ = finalPath;
                }
                redirected_.store(true);
            }
            if (services_->cookies)
                services_->cookies->MngmntSssnCookie(Url(), head.setCookies, &ctrl);
            if (head.code == 304) {
                // Not modified since the stored copy: kept, unless the
                // server's own time tells the policy otherwise.
                // A redirect leads to another copy than the one asked about.
                const QFileInfo local(ctrl.Abs(LocalPath()));
                if (!conditional)
                    decision = Decision::OpenFailed;
                else if (redirected_.load() || !local.isFile())
                    decision = Decision::Recheck;
                else if (head.lastModifiedMs <= 0 ||
                         PolicyKeeps(local.lastModified().toMSecsSinceEpoch(), local.size(),
                                     head.lastModifiedMs, -1))
                    decision = Decision::Keep;
                else
                    decision = Decision::Recheck;
                openError = QStringLiteral("HTTP 304 without a condition for ") + Url();
                return false;
            }
            content_length_.store(head.contentLength > 0 ? head.contentLength : 0);
            server_time_ = head.lastModifiedMs;
            server_etag_ = head.etag;
            content_type_ = head.contentType;
            if (!ChckPreDlFltrExtnsn(content_length_.load() / 1000)) {
                decision = Decision::Filtered;
                return false;
            }
            const QString path = LocalPath();
            const QString abs = ctrl.Abs(path);
            // The policy guards the stored copy; a memory-only fetch leaves it
            // alone. Only the policies that compare times keep a copy here.
            const bool compares = settings_.overwriteType == 1 || settings_.overwriteType == 2;
            if (compares && !memory_only_ && !refetch_ && !path.isEmpty()) {
                const QFileInfo local(abs);
                if (local.isFile() &&
                    !(services_->mustFetch && services_->mustFetch(path, Url())) &&
                    PolicyKeeps(local.lastModified().toMSecsSinceEpoch(), local.size(),
                                head.lastModifiedMs, head.contentLength)) {
                    decision = Decision::Keep;
                    return false;
                }
            }
            if (!memory_only_) {
                // A redirect leads to another path than the one the run looked at.
                bool made = false;
                fresh_copy_ = false;
                if (path.isEmpty() || !ctrl.SetEnableStoreDir(path, &made)) {
                    decision = Decision::OpenFailed;
                    openError = QStringLiteral("no local path for ") + Url();
                    return false;
                }
                fresh_copy_ = made || (no_stored_copy_ && !redirected_.load());
                file = std::make_unique<ReplaceFile>(abs);
                if (fresh_copy_) file->SetAbsent();
                if (!file->Open()) {
                    // The remembered folder may have been removed: once more.
                    ctrl.ForgetDir(path);
                    file = std::make_unique<ReplaceFile>(abs);
                    if (!ctrl.SetEnableStoreDir(path) || !file->Open()) {
                        decision = Decision::OpenFailed;
                        openError = file->ErrorString() + u' ' + path;
                        file.reset();
                        return false;
                    }
                }
                // The copy takes the server's time as it is put in place.
                if (head.lastModifiedMs > 0) file->SetModificationTime(head.lastModifiedMs);
                written = 0;
            }
            return true;
        };
        HttpFetch::BodyFn onBody = [&](const char* data, size_t size) {
            if (file && !file->Write(data, static_cast<qint64>(size))) return false;
            written += static_cast<qint64>(size);
            const qint64 room = cap - memory.size();
            if (static_cast<qint64>(size) > room) body_cut_ = true;
            if (room > 0) memory.append(data, static_cast<qsizetype>(std::min<qint64>(room, size)));
            downloaded_.fetch_add(static_cast<qint64>(size));
            AdvanceReceiving(static_cast<qint64>(size));
            return !stop_.load();
        };
        HttpFetch::StopFn stop = [this] { return stop_.load(); };

        if (!fetch_) fetch_ = std::make_unique<HttpFetch>();
        HttpFetch& http = *fetch_;
        HttpFetch::Result result = http.Perform(req, onHead, onBody, stop);
        if (result == HttpFetch::Result::Refused && decision == Decision::Recheck) {
            // The policy wants the body after all: ask again without conditions.
            decision = Decision::None;
            req.ifModifiedSinceMs = 0;
            req.ifNoneMatch.clear();
            if (!Pace(url)) result = HttpFetch::Result::Stopped;
            if (result != HttpFetch::Result::Stopped)
                result = http.Perform(req, onHead, onBody, stop);
        }
        last_http_code_ = http.Head().code;
        if (recorder_)
            recorder_->Settle(result == HttpFetch::Result::Ok && !stop_.load()
                                  ? FetchRecorder::Outcome::kStored
                              : decision == Decision::Keep ? FetchRecorder::Outcome::kKept
                                                           : FetchRecorder::Outcome::kDropped);

        if (result == HttpFetch::Result::Ok && !stop_.load()) {
            const bool stored = file != nullptr;
            if (file && defer_store_) {
                pending_page_ = std::move(file);
            } else if (file && !file->Commit()) {
                const QString err = file->ErrorString() + u' ' + LocalPath();
                file.reset();
                throw std::runtime_error(err.toStdString());
            }
            file.reset();
            {
                QMutexLocker lock(&mutex_);
                body_ = memory;
                if (body_.isNull()) body_ = QByteArray("");
            }
            if (stored) {
                // A new file: its time was set as it was put in place, and
                // it carries no tag from the copy it replaced.
                if (!pending_page_ && !server_etag_.isEmpty())
                    WriteStoredEtag(ctrl.Abs(LocalPath()), server_etag_);
                stored_bytes_ = written;
                settled_ = true;
            }
            return true;
        }
        // Anything but a whole body leaves the previous copy as it was.
        if (file) {
            file->Cancel();
            file.reset();
        }
        if (result == HttpFetch::Result::Refused) {
            if (decision == Decision::Filtered) {
                SetStatus(kFiltered);
                return false;
            }
            if (decision == Decision::Keep) {
                if (settings_.overwriteLocalLoad) {
                    const QByteArray bytes = ReadHead(ctrl.Abs(LocalPath()), cap, &body_cut_);
                    QMutexLocker lock(&mutex_);
                    body_ = bytes.isNull() ? QByteArray("") : bytes;
                    return true;
                }
                SetStatus(kKeptLocal);
                return false;
            }
            throw std::runtime_error(openError.toStdString());
        }
        if (result == HttpFetch::Result::Stopped || stop_.load()) {
            {
                QMutexLocker lock(&mutex_);
                last_error_ = QStringLiteral("stopped");
            }
            return false;
        }
        throw std::runtime_error(http.ErrorText().toStdString());
    } catch (const std::exception& e) {
        if (file) file->Cancel();
        const QString text = ExceptionText(e);
        {
            QMutexLocker lock(&mutex_);
            last_error_ = text;
        }
        Log(QStringLiteral("S_Thrd Get Web Data Error : "), text);
        return false;
    }
}

bool SrchThrd::GetUrlList(int mode, const QString& text) {
    if (!extract_) {
        LinkOptions opt(Url());
        opt.restSharp = settings_.restSharp;
        opt.fromLocalHtml = from_local_html_;
        opt.source = LinkSourceOf(content_type_, services_->ctrl->GetUrlExtnsn(Url()));
        opt.accept = [this](const QString& abs, const QString& ext) {
            return ChckFltrExtnsn(ext) && ChckFltrUrlRange(abs) && ChckFltrUrlCrsRange(abs) &&
                   !(services_->isAvoided && services_->isAvoided(abs));
        };
        extract_ = std::make_unique<LinkExtract>(*services_->ctrl, std::move(opt));
    }
    if (!extract_->GetUrlList(mode, text)) return false;
    if (base_url_.isEmpty()) {
        base_url_ = extract_->BaseUrl().toString(QUrl::FullyEncoded);
        page_title_ = GetPTtl(extract_->NormText(), true);
    }
    QMutexLocker lock(&mutex_);
    if (mode == 1)
        object_links_ = extract_->ObjLinks();
    else
        page_links_ = extract_->PageLinks();
    return true;
}

void SrchThrd::GetImageTexts() {
    if (!extract_ || !extract_->GetImgList()) return;
    LinkList list;
    const QStringList& urls = extract_->ImgUrls();
    const QStringList& alts = extract_->ImgAlts();
    for (qsizetype i = 0; i < urls.size() && i < alts.size(); ++i)
        list.append(urls[i], alts[i], QString());
    QMutexLocker lock(&mutex_);
    images_ = list;
}

bool SrchThrd::LoadStoredLinks(const QString& path) {
    CtrlFile& ctrl = *services_->ctrl;
    const QString file = path + QStringLiteral(" lst.ini");
    if (path.isEmpty() || !QFileInfo(ctrl.Abs(file)).isFile()) return false;
    Assist ini;
    ini.InitIni(ctrl.LoadData(file));
    if (!IsListFile(ini)) return false;
    const ListFileData data = ReadListFile(ini);
    QMutexLocker lock(&mutex_);
    page_links_ = data.links;
    return true;
}

bool SrchThrd::OutUrlList(const QString& path) {
    CtrlFile& ctrl = *services_->ctrl;
    QString file = path;
    if (file.isEmpty())
        file = ctrl.RunFolder() + u'/' + Assist::ChngNoToZeroStr(row_no_ < 0 ? 0 : row_no_, 8);
    file += QStringLiteral(" lst.ini");
    const LinkList links = PageLinks();
    const QString pageTitle = page_title_.isEmpty() ? title_ : page_title_;
    const QString out = MkListFile(Url(), pageTitle, links);
    bool made = false;
    if (!ctrl.SetEnableStoreDir(file, &made)) return false;
    // Beside a page stored where none was, no list is expected either.
    QString error;
    if (ReplaceFile::Save(ctrl.Abs(file), EncodeText(out), &error, made || fresh_copy_))
        return true;
    // The remembered folder may have been removed: once more.
    ctrl.ForgetDir(file);
    if (ctrl.SetEnableStoreDir(file) && ReplaceFile::Save(ctrl.Abs(file), EncodeText(out), &error))
        return true;
    Log(QStringLiteral("C_File File Write Error : "), error + u' ' + file);
    return false;
}

bool SrchThrd::SaveText(const QString& path, const QString& text) const {
    QString error;
    if (ReplaceFile::Save(services_->ctrl->Abs(path), EncodeText(text), &error)) return true;
    Log(QStringLiteral("C_File File Write Error : "), error + u' ' + path);
    return false;
}

QString SrchThrd::GetLocalLink(const QString& url) {
    const QString target = MapPath(url);
    const QString here = LocalPath();
    if (target.isEmpty() || here.isEmpty()) return QString("");
    CtrlFile& ctrl = *services_->ctrl;
    const QString dir = QFileInfo(ctrl.Abs(here)).absolutePath();
    return QDir(dir).relativeFilePath(ctrl.Abs(target));
}

QString SrchThrd::MkLocalLink(const QString& text) {
    const QString base = base_url_.isEmpty() ? Url() : base_url_;
    QString out;
    out.reserve(text.size() + text.size() / 4);
    qsizetype last = 0;
    for (auto it = re_anchor_.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(last, m.capturedEnd() - last);
        last = m.capturedEnd();
        const QString href = m.captured(2);
        if (href.startsWith(QStringLiteral("mailto:")) || href.startsWith(u'#')) continue;
        const bool relative = !HasUrlScheme(href);
        const QString resolved = Absolute(href, base);
        // Absolute links keep their text; a scheme no fetch serves has no copy.
        const QString abs = relative || resolved.isEmpty() ? resolved : href;
        if (relative && !abs.isEmpty())
            out += QStringLiteral("<FONT SIZE=1>(<A HREF=\"") + abs +
                   QStringLiteral("\">@Web</A>)</FONT>");
        if (abs.isEmpty()) continue;
        QString local = GetLocalLink(Chng(abs));
        if (!local.isEmpty() && local != href) {
            local.replace(u'%', QStringLiteral("%25"));
            out += QStringLiteral("<FONT SIZE=1>(<A HREF=\"") + local +
                   QStringLiteral("\">@Local</A>)</FONT>");
        }
    }
    out += QStringView(text).mid(last);
    return out;
}

QString SrchThrd::MkOfflineLinks(const QString& text) {
    const QString url = Url();
    const QString here = LocalPath();
    if (here.isEmpty()) return text;
    const QString urlPath = QUrl(url).path().toLower();
    const bool css = extension_ == u"css" || urlPath.endsWith(QStringLiteral(".css"));
    static const QRegularExpression rePage(
        QStringLiteral("\\.(?:html?|shtml|xhtml|php\\d?|aspx?|jsp|cgi|pl)$|/$|^$"));
    const bool page = !css && (rePage.match(urlPath).hasMatch() || extension_.startsWith(u"htm") ||
                               QStringView(text).trimmed().startsWith(u'<'));
    if (!css && !page) return text;

    CtrlFile& ctrl = *services_->ctrl;
    // Copies this run stores from the page's links (they may come later).
    QSet<QString> coming;
    auto add = [&](const LinkList& links) {
        for (const QString& u : links.url) {
            const QString p = MapPath(u);
            if (!p.isEmpty()) coming.insert(p);
        }
    };
    add(ObjectLinks());
    if (settings_.depthMax == 0 || depth_ + 1 <= settings_.depthMax) add(PageLinks());

    const QString base = base_url_.isEmpty() ? url : base_url_;
    const QDir dir(QFileInfo(ctrl.Abs(here)).absolutePath());
    OfflineLedger* ledger = services_->offline.get();
    const RefTarget target = [&](const QString& raw) -> QString {
        const QString ref = raw.trimmed();
        if (ref.isEmpty() || ref.startsWith(u'#')) return QString();
        const qsizetype hash = ref.indexOf(u'#');
        const QString frag = hash > 0 ? ref.mid(hash) : QString();
        const QString abs = Absolute(hash > 0 ? ref.left(hash) : ref, base);
        const bool fileUrl = abs.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive);
        if (abs.isEmpty() || fileUrl) {
            // A scheme no fetch serves (javascript:, mailto:, data:) stays; a
            // local file, or a reference that makes no URL, leads nowhere.
            const bool keep =
                HasUrlScheme(ref) && !ref.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive);
            return keep ? QString() : QStringLiteral("#");
        }
        // Without a stored copy a reference names its web URL, so that none
        // stays relative to a folder it was never meant for.
        const QString web = QUrl(abs, QUrl::TolerantMode).toString(QUrl::FullyEncoded) + frag;
        if (!abs.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive) &&
            !abs.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive))
            return web;
        const QString link = Chng(abs);
        QString path = services_->mapPath ? services_->mapPath(link) : ctrl.PeekLogFrdr(link);
        if (path.isEmpty()) return web;
        const QString file = ctrl.Abs(path);
        if (QFileInfo(file).isFile()) return LocalRef(dir.relativeFilePath(file)) + frag;
        const QString html = file + QStringLiteral(".html");
        if (QFileInfo(html).isFile()) return LocalRef(dir.relativeFilePath(html)) + frag;
        if (!coming.contains(path)) return web;
        if (ledger) ledger->Pending(here, path, web);
        return LocalRef(dir.relativeFilePath(file)) + frag;
    };
    return css ? RewriteCssRefs(text, target) : RewriteHtmlRefs(text, target, true);
}

// An offline copy of a page opens as a page from disk only under an HTML
// name: a page stored under another name ("00000001.cgi", "p.php") gets
// ".html" added, as its links to it do.
void SrchThrd::AdjustHtmlName() {
    if (!settings_.offlineLink || is_local_ || memory_only_) return;
    if (LinkSourceOf(content_type_, QString()) != LinkSource::kPage) return;
    const QString path = LocalPath();
    static const QRegularExpression reHtml(QStringLiteral("\\.html?$"), kCi);
    if (path.isEmpty() || reHtml.match(path).hasMatch()) return;
    CtrlFile& ctrl = *services_->ctrl;
    const QString from = ctrl.Abs(path);
    const QString to = from + QStringLiteral(".html");
    if (!QFileInfo(from).isFile()) return;
    if (QFileInfo::exists(to)) QFile::remove(to);
    if (!QFile::rename(from, to)) {
        Log(QStringLiteral("C_File Rename File Error : "),
            path + QStringLiteral("  ") + path + QStringLiteral(".html"));
        return;
    }
    SetLocalPath(path + QStringLiteral(".html"));
}

void SrchThrd::AddFootTag() {
    try {
        if (settings_.footTag != 0 || memory_only_) return;
        const QString& list = settings_.footTagExtension;
        if (list.isEmpty() || extension_.isEmpty()) return;
        if (!CtrlFile::FootTagApplies(QString::number(settings_.footTag), list, extension_)) return;
        CtrlFile& ctrl = *services_->ctrl;
        const QString path = LocalPath();
        if (path.isEmpty() || (!pending_page_ && !QFileInfo(ctrl.Abs(path)).isFile())) return;
        const QString src = Url();
        const QString cmnt = services_->comment ? services_->comment(src) : QString("");
        const QString tag = CtrlFile::MkFootTag(referrer_, src, ctrl.GetTimeStr(), cmnt, rendered_);
        if (pending_page_) {
            const QByteArray bytes = EncodeText(tag);
            if (!pending_page_->Write(bytes.constData(), bytes.size()))
                Log(QStringLiteral("S_Thrd AddFootTag Error : "),
                    pending_page_->ErrorString() + QStringLiteral("  ") + path);
            return;
        }
        // AppendFootTag logs its own failures.
        if (ctrl.AppendFootTag(path, tag)) settled_ = false;
    } catch (const std::exception& e) {
        Log(QStringLiteral("S_Thrd AddFootTag Error : "), ExceptionText(e));
    }
}

std::shared_ptr<SrchThrd> SrchThrd::clone() const {
    std::shared_ptr<SrchThrd> c = Create(services_, settings_);
    c->row_no_ = row_no_;
    c->title_ = title_;
    c->extension_ = extension_;
    c->referrer_ = referrer_;
    c->depth_ = depth_;
    c->start_row_ = start_row_;
    c->is_local_.store(is_local_.load());
    c->memory_only_ = memory_only_;
    c->from_local_html_ = from_local_html_;
    c->from_store_ = from_store_;
    c->refetch_ = refetch_;
    c->status_.store(Status());
    c->content_length_.store(content_length_.load());
    c->downloaded_.store(downloaded_.load());
    c->size_.store(size_.load());
    c->fetch_start_.store(fetch_start_.load());
    c->data_start_.store(data_start_.load());
    c->redirected_.store(redirected_.load());
    QMutexLocker lock(&mutex_);
    c->url_ = url_;
    c->local_path_ = local_path_;
    c->match_result_ = match_result_;
    c->last_error_ = last_error_;
    c->object_links_ = object_links_;
    c->page_links_ = page_links_;
    c->images_ = images_;
    return c;
}

}  // namespace korvi
