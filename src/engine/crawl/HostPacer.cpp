#include "engine/crawl/HostPacer.h"

#include <QUrl>

#include <algorithm>
#include <thread>

namespace korvi {

QString HostPacer::ServerKey(const QString& url) {
    const QUrl u(url, QUrl::TolerantMode);
    const QString scheme = u.scheme().toLower();
    const int port = u.port(scheme == u"https" ? 443 : 80);
    return scheme + QStringLiteral("://") + u.host().toLower() + u':' + QString::number(port);
}

bool HostPacer::Wait(const QString& url, qint64 delayMs, const StopFn& stop) {
    if (delayMs <= 0) return !(stop && stop());
    const QString key = ServerKey(url);
    Clock::time_point at;
    {
        std::lock_guard lock(mutex_);
        const Clock::time_point now = Clock::now();
        const auto it = next_.constFind(key);
        at = it == next_.constEnd() ? now : std::max(now, *it);
        next_.insert(key, at + std::chrono::milliseconds(delayMs));
    }
    for (;;) {
        if (stop && stop()) return false;
        const auto left = at - Clock::now();
        if (left <= Clock::duration::zero()) return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(left, std::chrono::milliseconds(10)));
    }
}

}  // namespace korvi
