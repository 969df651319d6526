#include "engine/crawl/RobotsCache.h"

#include <QUrl>

#include <algorithm>
#include <chrono>

namespace korvi {

RobotsCache::RobotsCache(QString userAgent) : user_agent_(std::move(userAgent)) {}

QString RobotsCache::RobotsUrl(const QString& url) {
    QUrl u(url, QUrl::TolerantMode);
    const QString scheme = u.scheme().toLower();
    if (!u.isValid() || u.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        return QString("");
    QUrl r;
    r.setScheme(scheme);
    r.setHost(u.host().toLower());
    r.setPort(u.port());
    r.setPath(QStringLiteral("/robots.txt"));
    return r.toString(QUrl::FullyEncoded);
}

QString RobotsCache::RobotsUrlLocked(const QString& url) {
    // The answer depends only on the scheme and authority, the text before
    // the path; URLs without "://" are parsed each time.
    const qsizetype from = url.indexOf(QLatin1String("://"));
    if (from <= 0) return RobotsUrl(url);
    qsizetype end = from + 3;
    while (end < url.size() && url.at(end) != u'/' && url.at(end) != u'?' && url.at(end) != u'#')
        ++end;
    const QString origin = url.left(end);
    const auto it = keys_.constFind(origin);
    if (it != keys_.constEnd()) return it.value();
    if (keys_.size() >= kMaxKeys) keys_.clear();
    const QString key = RobotsUrl(origin);
    keys_.insert(origin, key);
    return key;
}

void RobotsCache::Clear() {
    std::lock_guard lock(mutex_);
    // A file being fetched now stays: its fetcher still reports to it.
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->fetching)
            ++it;
        else
            it = entries_.erase(it);
    }
}

bool RobotsCache::Check(const QString& url, const FetchFn& fetch, const StopFn& stop,
                        Verdict* out) {
    *out = Verdict();
    std::unique_lock lock(mutex_);
    const QString key = RobotsUrlLocked(url);
    if (key.isEmpty()) return true;
    for (;;) {
        Entry& e = entries_[key];
        if (e.known) {
            out->allowed = e.rules.Empty() || e.rules.Allowed(RobotsTxt::Target(url));
            const qint64 delay = e.rules.CrawlDelayMs();
            out->crawlDelayMs = delay > 0 ? std::min(delay, kMaxCrawlDelayMs) : 0;
            return true;
        }
        if (stop && stop()) return false;
        if (!e.fetching) break;
        cv_.wait_for(lock, std::chrono::milliseconds(20));
    }
    entries_[key].fetching = true;
    lock.unlock();
    Answer answer;
    try {
        answer = fetch ? fetch(key) : Answer();
    } catch (...) {
        answer.kind = Answer::Kind::kUnreachable;
    }
    RobotsTxt rules;
    switch (answer.kind) {
        case Answer::Kind::kFound:
            rules = RobotsTxt::Parse(answer.body, user_agent_);
            break;
        case Answer::Kind::kMissing:
        case Answer::Kind::kStopped:
            break;
        case Answer::Kind::kUnreachable:
            rules = RobotsTxt::DisallowAll();
            break;
    }
    lock.lock();
    Entry& e = entries_[key];
    e.fetching = false;
    e.known = answer.kind != Answer::Kind::kStopped;
    e.rules = rules;
    lock.unlock();
    cv_.notify_all();
    if (answer.kind == Answer::Kind::kStopped) return false;
    return Check(url, fetch, stop, out);
}

}  // namespace korvi
