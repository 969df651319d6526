#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>

#include "engine/crawl/RobotsTxt.h"

namespace korvi {

// The robots.txt of every server a run visits, asked for once per run. The
// first worker that needs a server's file fetches it; the others for that
// server wait for the answer.
class RobotsCache {
public:
    // What asking a server for its robots.txt came to.
    struct Answer {
        enum class Kind {
            kFound,        // 2xx: the body holds the file
            kMissing,      // 4xx: no rules
            kUnreachable,  // 5xx or no connection: nothing may be fetched
            kStopped,      // the asking worker was stopped; another one asks again
        };
        Kind kind = Kind::kMissing;
        QByteArray body;
    };
    using FetchFn = std::function<Answer(const QString& robotsUrl)>;
    using StopFn = std::function<bool()>;

    struct Verdict {
        bool allowed = true;
        qint64 crawlDelayMs = 0;  // capped at kMaxCrawlDelayMs; 0 when none
    };
    static constexpr qint64 kMaxCrawlDelayMs = 10000;

    explicit RobotsCache(QString userAgent);

    // The verdict for a URL, fetching its server's file when no worker has
    // yet. False when `stop` turned true before the answer was known.
    bool Check(const QString& url, const FetchFn& fetch, const StopFn& stop, Verdict* out);
    // The server's file: scheme, host and port of the URL with "/robots.txt";
    // "" for a URL that is not http(s).
    static QString RobotsUrl(const QString& url);
    // RobotsUrl through the remembered answers (mutex_ held).
    QString RobotsUrlLocked(const QString& url);
    // Forgets every file (a new run asks again).
    void Clear();

private:
    struct Entry {
        bool fetching = false;
        bool known = false;
        RobotsTxt rules;
    };

    const QString user_agent_;
    std::mutex mutex_;
    std::condition_variable cv_;
    QHash<QString, Entry> entries_;  // by robots URL
    // Robots URL by the text of a URL up to its path ("http://h:81").
    QHash<QString, QString> keys_;
    static constexpr qsizetype kMaxKeys = 4096;
};

}  // namespace korvi
