#include "engine/crawl/HttpFetch.h"

#include <QDateTime>
#include <QUrl>

#include <curl/curl.h>

#include <mutex>

#include "engine/crawl/FetchRecorder.h"

namespace korvi {

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

HttpFetch::HttpFetch() {
    GlobalInit();
    curl_ = curl_easy_init();
}

HttpFetch::~HttpFetch() {
    if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
}

QByteArray HttpFetch::WireUrl(const QString& url) {
    const QUrl u(url, QUrl::TolerantMode);
    if (!u.isValid()) return url.toUtf8();
    return u.toEncoded(QUrl::RemoveFragment);
}

QByteArray HttpFetch::HttpDate(qint64 ms) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    const QDate d = t.date();
    const QTime h = t.time();
    return QByteArray(kDays[d.dayOfWeek() % 7]) + ", " +
           QByteArray::number(d.day()).rightJustified(2, '0') + ' ' + kMonths[d.month() - 1] + ' ' +
           QByteArray::number(d.year()) + ' ' +
           QByteArray::number(h.hour()).rightJustified(2, '0') + ':' +
           QByteArray::number(h.minute()).rightJustified(2, '0') + ':' +
           QByteArray::number(h.second()).rightJustified(2, '0') + " GMT";
}

size_t HttpFetch::OnHeader(char* data, size_t size, size_t n, void* self) {
    auto* me = static_cast<HttpFetch*>(self);
    const size_t len = size * n;
    if (me->recorder_) me->recorder_->HeaderReceived(data, len);
    return me->HeaderLine(QByteArray(data, static_cast<qsizetype>(len))) ? len : 0;
}

bool HttpFetch::HeaderLine(const QByteArray& raw) {
    const QByteArray line = raw.trimmed();
    if (line.startsWith("HTTP/")) {
        // A new answer (after a redirect or an interim answer) starts afresh.
        head_.contentLength = -1;
        head_.lastModifiedMs = 0;
        head_.etag.clear();
        head_.contentType.clear();
        head_.setCookies.clear();
        block_has_location_ = false;
        return true;
    }
    if (!line.isEmpty()) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) return true;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-length") {
            bool ok = false;
            const qint64 v = value.toLongLong(&ok);
            head_.contentLength = ok && v >= 0 ? v : -1;
        } else if (name == "last-modified") {
            const time_t t = curl_getdate(value.constData(), nullptr);
            head_.lastModifiedMs = t > 0 ? static_cast<qint64>(t) * 1000 : 0;
        } else if (name == "etag") {
            head_.etag = value;
        } else if (name == "content-type") {
            head_.contentType = value;
        } else if (name == "set-cookie") {
            head_.setCookies << value;
        } else if (name == "location") {
            block_has_location_ = !value.isEmpty();
        }
        return true;
    }
    // End of one header block.
    long code = 0;
    curl_easy_getinfo(static_cast<CURL*>(curl_), CURLINFO_RESPONSE_CODE, &code);
    if (code < 200) return true;
    if (code >= 300 && code < 400 && block_has_location_) return true;  // followed
    head_.code = code;
    char* eff = nullptr;
    curl_easy_getinfo(static_cast<CURL*>(curl_), CURLINFO_EFFECTIVE_URL, &eff);
    head_.effectiveUrl = eff ? QByteArray(eff) : QByteArray();
    head_done_ = true;
    if (code >= 400) {
        http_error_ = true;
        error_ = QStringLiteral("Server returned HTTP response code: ") + QString::number(code) +
                 QStringLiteral(" for URL: ") + QString::fromLatin1(head_.effectiveUrl);
        return false;
    }
    if (stop_ && *stop_ && (*stop_)()) {
        stopped_ = true;
        return false;
    }
    if (on_head_ && *on_head_ && !(*on_head_)(head_)) {
        refused_ = true;
        return false;
    }
    return true;
}

size_t HttpFetch::OnWrite(char* data, size_t size, size_t n, void* self) {
    auto* me = static_cast<HttpFetch*>(self);
    const size_t len = size * n;
    if (me->stop_ && *me->stop_ && (*me->stop_)()) {
        me->stopped_ = true;
        return 0;
    }
    if (me->recorder_) me->recorder_->BodyReceived(data, len);
    if (me->on_body_ && *me->on_body_ && !(*me->on_body_)(data, len)) {
        me->stopped_ = true;
        return 0;
    }
    return len;
}

int HttpFetch::OnProgress(void* self, long long, long long, long long, long long) {
    auto* me = static_cast<HttpFetch*>(self);
    if (me->stop_ && *me->stop_ && (*me->stop_)()) {
        me->stopped_ = true;
        return 1;
    }
    return 0;
}

int HttpFetch::OnDebug(void* handle, int type, char* data, size_t size, void* self) {
    auto* me = static_cast<HttpFetch*>(self);
    if (type != CURLINFO_HEADER_OUT || !me->recorder_) return 0;
    char* url = nullptr;
    curl_easy_getinfo(static_cast<CURL*>(handle), CURLINFO_EFFECTIVE_URL, &url);
    me->recorder_->RequestSent(url ? QByteArray(url) : QByteArray(), data, size);
    return 0;
}

HttpFetch::Result HttpFetch::Perform(const Request& request, const HeadFn& onHead,
                                     const BodyFn& onBody, const StopFn& stop) {
    head_ = HttpHead();
    error_.clear();
    head_done_ = refused_ = stopped_ = http_error_ = block_has_location_ = false;
    if (!curl_) {
        error_ = QStringLiteral("curl_easy_init failed");
        return Result::Failed;
    }
    CURL* c = static_cast<CURL*>(curl_);
    curl_easy_reset(c);
    on_head_ = &onHead;
    on_body_ = &onBody;
    stop_ = &stop;
    recorder_ = request.recorder;
    if (recorder_) {
        // The debug function is how curl shows the request headers it sent.
        recorder_->Begin();
        curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &HttpFetch::OnDebug);
        curl_easy_setopt(c, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
    }

    curl_easy_setopt(c, CURLOPT_URL, request.url.constData());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // Large reads: a page costs a few system calls, not one per kilobyte.
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 64L * 1024);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &HttpFetch::OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &HttpFetch::OnWrite);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &HttpFetch::OnProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
    if (!request.userAgent.isEmpty())
        curl_easy_setopt(c, CURLOPT_USERAGENT, request.userAgent.constData());
    if (!request.referer.isEmpty())
        curl_easy_setopt(c, CURLOPT_REFERER, request.referer.constData());
    if (request.connectTimeoutSec > 0)
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(request.connectTimeoutSec));
    if (request.timeoutSec > 0)
        curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(request.timeoutSec));
    // Without a proxy of our own curl takes the one the environment names.
    // Ours wins over the environment, no_proxy included.
    const QByteArray proxyHost = request.proxy.host.toUtf8();
    if (!proxyHost.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_PROXY, proxyHost.constData());
        curl_easy_setopt(c, CURLOPT_NOPROXY, "");
        if (request.proxy.port >= 0)
            curl_easy_setopt(c, CURLOPT_PROXYPORT, static_cast<long>(request.proxy.port));
    }
    curl_slist* headers = nullptr;
    QList<QByteArray> lines;
    if (!request.cookie.isEmpty()) lines << "Cookie: " + request.cookie;
    if (request.ifModifiedSinceMs > 0)
        lines << "If-Modified-Since: " + HttpDate(request.ifModifiedSinceMs);
    if (!request.ifNoneMatch.isEmpty()) lines << "If-None-Match: " + request.ifNoneMatch;
    for (const QByteArray& line : lines) headers = curl_slist_append(headers, line.constData());
    if (headers) curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);

    const CURLcode rc = curl_easy_perform(c);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    on_head_ = nullptr;
    on_body_ = nullptr;
    stop_ = nullptr;
    recorder_ = nullptr;

    if (rc == CURLE_OK) {
        if (!head_done_) {
            error_ = QStringLiteral("no answer from ") + QString::fromLatin1(request.url);
            return Result::Failed;
        }
        return Result::Ok;
    }
    if (http_error_) return Result::Failed;
    if (refused_) return Result::Refused;
    if (stopped_) return Result::Stopped;
    error_ = QString::fromUtf8(curl_easy_strerror(rc)) + QStringLiteral(" : ") +
             QString::fromLatin1(request.url);
    return Result::Failed;
}

}  // namespace korvi
