#include "schedule/SchdCheck.h"

#include "schedule/KorviSchd.h"
#include "shell/Assist.h"
#include "shell/Clock.h"

namespace korvi {

bool SchdCheck::Matches(const QStringList& row, const QDateTime& jst) {
    if (row.size() < KorviSchd::kCols) return false;
    if (row.at(KorviSchd::kEnable) != QStringLiteral("1")) return false;
    const QString& wild = KorviSchd::kWild;
    const QString hour = Assist::ChngNoToZeroStr(jst.time().hour(), 2);
    const QString minute = Assist::ChngNoToZeroStr(jst.time().minute(), 2);
    const QString day = Assist::ChngNoToZeroStr(jst.date().day(), 2);
    // Qt counts Monday 1 .. Sunday 7; the table starts with Sunday after "**".
    const QString week = KorviSchd::WeekTbl().at(jst.date().dayOfWeek() % 7 + 1);

    bool exact = false;
    const QString& h = row.at(KorviSchd::kHour);
    if (h == hour) {
        exact = true;
    } else if (h == wild) {
        exact = false;
    } else {
        return false;
    }
    const QString& m = row.at(KorviSchd::kMinute);
    if (m == minute) {
        exact = true;
    } else if (m != wild) {
        return false;
    }
    const QString& d = row.at(KorviSchd::kDay);
    if (d == day) {
        exact = true;
    } else if (d != wild) {
        return false;
    }
    const QString& w = row.at(KorviSchd::kWeek);
    if (w == week) return true;
    return w == wild && exact;
}

void SchdCheck::ChkSchd() {
    // The minute counted from the epoch, so that a pass an exact number of
    // hours after the last one still sees a new minute.
    const qint64 minute = clock_.NowMs() / 60000;
    if (minute == last_minute_) return;
    last_minute_ = minute;
    AddSchdVec();
    StartSchd();
}

void SchdCheck::AddSchdVec() {
    const QDateTime now = clock_.NowJst();
    const QList<QStringList> rows = table_.Rows();
    std::lock_guard lock(mutex_);
    for (const QStringList& row : rows) {
        if (!Matches(row, now)) continue;
        due_.push_back({row.at(KorviSchd::kName), row.at(KorviSchd::kOption),
                        row.at(KorviSchd::kAction), row.at(KorviSchd::kView)});
    }
}

void SchdCheck::StartSchd() {
    DueSchd entry;
    {
        std::lock_guard lock(mutex_);
        if (due_.empty()) return;
        if (host_.IsRunWindowOpen()) return;
        entry = due_.front();
        due_.pop_front();
    }
    host_.StartSchedule(entry, KorviSchd::ChngSchdName(entry.name, clock_));
}

std::vector<DueSchd> SchdCheck::Due() const {
    std::lock_guard lock(mutex_);
    return std::vector<DueSchd>(due_.begin(), due_.end());
}

}  // namespace korvi
