#include "shell/Clock.h"

namespace korvi {

QTimeZone Clock::Jst() {
    static const QTimeZone zone(9 * 3600);
    return zone;
}

QDateTime Clock::ToJst(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Jst());
}

void ManualClock::SetJst(int year, int month, int day, int hour, int minute, int second, int ms) {
    const QDateTime t(QDate(year, month, day), QTime(hour, minute, second, ms), Jst());
    Set(t.toMSecsSinceEpoch());
}

}  // namespace korvi
