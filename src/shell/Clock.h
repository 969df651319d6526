#pragma once

#include <QDateTime>
#include <QTimeZone>

#include <atomic>

namespace korvi {

// Every "now" of the program comes from a Clock so that tests can drive time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 NowMs() const = 0;
    // The current time in the fixed zone UTC+9, whatever the machine's zone.
    QDateTime NowJst() const { return ToJst(NowMs()); }
    static QDateTime ToJst(qint64 ms);
    static QTimeZone Jst();
};

class SystemClock final : public Clock {
public:
    qint64 NowMs() const override { return QDateTime::currentMSecsSinceEpoch(); }
};

// A clock that moves only when told to.
class ManualClock final : public Clock {
public:
    explicit ManualClock(qint64 ms = 0) : ms_(ms) {}
    qint64 NowMs() const override { return ms_.load(); }
    void Set(qint64 ms) { ms_.store(ms); }
    void Advance(qint64 ms) { ms_.fetch_add(ms); }
    // Sets the clock to a wall time read in JST.
    void SetJst(int year, int month, int day, int hour, int minute, int second, int ms = 0);

private:
    std::atomic<qint64> ms_;
};

}  // namespace korvi
