#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

#include "engine/crawl/ProxySettings.h"

namespace korvi {
class FetchRecorder;
}

namespace korvi {

// The headers of the answer that carries the body (after any redirects).
struct HttpHead {
    long code = 0;
    QByteArray effectiveUrl;    // wire form of the URL that answered
    qint64 contentLength = -1;  // -1 when the server sent none
    qint64 lastModifiedMs = 0;  // 0 when the server sent none
    QByteArray etag;            // as sent, quotes included; empty when none
    QByteArray contentType;     // "" when the server sent none
    QList<QByteArray> setCookies;
};

// One HTTP(S) client on a libcurl easy handle; a worker owns one. Redirects
// are followed, the body arrives in blocks of at most 1024 bytes, and the
// transfer can be ended from another thread through the stop function.
class HttpFetch {
public:
    struct Request {
        QByteArray url;  // wire form (see WireUrl)
        QByteArray userAgent;
        QByteArray referer;  // not sent when empty
        QByteArray cookie;   // not sent when empty
        // An empty host leaves the choice to the environment (http_proxy,
        // https_proxy, all_proxy, no_proxy) as curl reads it; a host given
        // here is used for every URL.
        ProxySettings::Value proxy;
        // Conditional request: sent when set; a 304 answer then reaches the
        // head function with code 304 and no body follows.
        qint64 ifModifiedSinceMs = 0;
        QByteArray ifNoneMatch;
        // Time limits in seconds; 0 = none (a run applies its own).
        int connectTimeoutSec = 0;
        int timeoutSec = 0;
        // Sees the exchange as it goes over the wire; null: nothing recorded.
        FetchRecorder* recorder = nullptr;
    };
    enum class Result {
        Ok,       // whole body received
        Refused,  // the head function declined the body
        Stopped,  // the stop function or the body function ended the transfer
        Failed,   // network or HTTP error; see ErrorText()
    };
    using HeadFn = std::function<bool(const HttpHead&)>;
    using BodyFn = std::function<bool(const char* data, size_t size)>;
    using StopFn = std::function<bool()>;

    HttpFetch();
    ~HttpFetch();
    HttpFetch(const HttpFetch&) = delete;
    HttpFetch& operator=(const HttpFetch&) = delete;

    Result Perform(const Request& request, const HeadFn& onHead, const BodyFn& onBody,
                   const StopFn& stop);
    const HttpHead& Head() const { return head_; }
    // For an HTTP error the text carries the status code.
    const QString& ErrorText() const { return error_; }

    // The URL as it goes on the wire: blanks and other characters that may
    // not appear in a request line are percent-encoded (UTF-8), existing
    // escapes stay, the fragment is dropped.
    static QByteArray WireUrl(const QString& url);
    // An HTTP date (RFC 7231 IMF-fixdate) for ms since the epoch.
    static QByteArray HttpDate(qint64 ms);

private:
    static size_t OnHeader(char* data, size_t size, size_t n, void* self);
    static size_t OnWrite(char* data, size_t size, size_t n, void* self);
    static int OnProgress(void* self, long long, long long, long long, long long);
    static int OnDebug(void* handle, int type, char* data, size_t size, void* self);
    bool HeaderLine(const QByteArray& line);

    void* curl_ = nullptr;
    HttpHead head_;
    QString error_;
    const HeadFn* on_head_ = nullptr;
    const BodyFn* on_body_ = nullptr;
    const StopFn* stop_ = nullptr;
    FetchRecorder* recorder_ = nullptr;
    bool head_done_ = false;
    bool refused_ = false;
    bool stopped_ = false;
    bool http_error_ = false;
    bool block_has_location_ = false;
};

}  // namespace korvi
