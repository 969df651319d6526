#pragma once

#include <QHash>
#include <QString>

#include <chrono>
#include <functional>
#include <mutex>

namespace korvi {

// Spaces the requests of all workers of a run to one server: each request
// starts at least the server's delay after the one before it.
class HostPacer {
public:
    using StopFn = std::function<bool()>;

    // Reserves the next start for the URL's server and sleeps until then.
    // False when `stop` turned true while waiting.
    bool Wait(const QString& url, qint64 delayMs, const StopFn& stop);
    // Scheme, host and port: the key requests are spaced by.
    static QString ServerKey(const QString& url);

private:
    using Clock = std::chrono::steady_clock;
    std::mutex mutex_;
    QHash<QString, Clock::time_point> next_;
};

}  // namespace korvi
