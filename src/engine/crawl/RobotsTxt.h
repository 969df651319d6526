#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace korvi {

// The rules a server's robots.txt sets for one user agent: Allow and
// Disallow lines (with "*" and "$"), the longest matching rule deciding and
// Allow winning a tie, and the group's Crawl-delay.
class RobotsTxt {
public:
    static RobotsTxt AllowAll() { return RobotsTxt(); }
    static RobotsTxt DisallowAll();
    // The groups that name the user agent (a token of it, or "korvi") apply;
    // without such a group the "*" groups do; without either, nothing is
    // disallowed. Only the first `kMaxBytes` bytes are read.
    static RobotsTxt Parse(const QByteArray& text, const QString& userAgent);

    // `target` is the URL's path and query as they go on the wire ("/a?b").
    bool Allowed(const QByteArray& target) const;
    // The URL's target, "/" for an empty path.
    static QByteArray Target(const QString& url);
    // Crawl-delay in ms, -1 when the group sets none.
    qint64 CrawlDelayMs() const { return delay_ms_; }
    // No rule: every target is allowed.
    bool Empty() const { return rules_.isEmpty(); }

    static constexpr qsizetype kMaxBytes = 500 * 1024;

private:
    struct Rule {
        QByteArray pattern;
        bool allow = false;
    };
    static bool Matches(const QByteArray& pattern, const QByteArray& target);

    QList<Rule> rules_;
    qint64 delay_ms_ = -1;
};

}  // namespace korvi
