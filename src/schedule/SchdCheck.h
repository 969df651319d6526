#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <deque>
#include <mutex>
#include <vector>

namespace korvi {

class Clock;
class KorviSchd;

// A schedule waiting to start.
struct DueSchd {
    QString name;
    QString option;  // favourite settings profile
    QString action;  // "DL" or "検索"
    QString view;    // "表示" or "非表示"
};

// What the schedule check needs from the resident program.
class SchdHost {
public:
    virtual ~SchdHost() = default;
    // True while a main window (and so possibly a run) is open.
    virtual bool IsRunWindowOpen() const = 0;
    // Builds the main window with the favourite and the view kind, sets the
    // save-folder name and presses the start button the action names
    // ("検索": download and search, else download).
    virtual void StartSchedule(const DueSchd& entry, const QString& saveName) = 0;
};

// The once-a-minute schedule check of the resident loop: ChkSchd,
// AddSchdVec and StartSchd, all in JST.
class SchdCheck {
public:
    SchdCheck(const KorviSchd& table, const Clock& clock, SchdHost& host)
        : table_(table), clock_(clock), host_(host) {}

    // Called every pass of the resident loop; works once per minute.
    void ChkSchd();
    // Queues every row due at the current time.
    void AddSchdVec();
    // Starts the first queued schedule unless a main window is open.
    void StartSchd();

    std::vector<DueSchd> Due() const;

    // True when a row is due at that JST time.
    static bool Matches(const QStringList& row, const QDateTime& jst);

private:
    const KorviSchd& table_;
    const Clock& clock_;
    SchdHost& host_;
    qint64 last_minute_ = -1;
    mutable std::mutex mutex_;
    std::deque<DueSchd> due_;
};

}  // namespace korvi
