#include "shell/Clock.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

QString Two(int v) {
    return QString::number(v).rightJustified(2, u'0');
}

constexpr qint64 kDay = 86400000;
constexpr qint64 kHour = 3600000;
constexpr qint64 kMinute = 60000;
constexpr qint64 kSecond = 1000;

}  // namespace

QString CtrlFile::TimeStrAt(qint64 ms) {
    const QDateTime t = Clock::ToJst(ms);
    return QString::number(t.date().year()) + u'/' + Two(t.date().month()) + u'/' +
           Two(t.date().day()) + QStringLiteral(" - ") + Two(t.time().hour()) + u':' +
           Two(t.time().minute()) + u':' + Two(t.time().second());
}

QString CtrlFile::GetTimeStr() const {
    return TimeStrAt(clock_.NowMs());
}

QString CtrlFile::GetDayTimeStr() const {
    const QDateTime t = clock_.NowJst();
    return QString::number(t.date().year()) + Two(t.date().month()) + Two(t.date().day()) +
           Two(t.time().hour()) + Two(t.time().minute()) + Two(t.time().second());
}

QString CtrlFile::GetDayStr() const {
    const QDateTime t = clock_.NowJst();
    return QString::number(t.date().year()) + u'_' + Two(t.date().month()) + u'_' +
           Two(t.date().day());
}

QString CtrlFile::GetPastTime(qint64 startMs) const {
    qint64 past = clock_.NowMs() - startMs;
    if (past < 0) past = 0;
    // Each unit shows once the whole elapsed time reaches it: 1 時 0 分 5 秒.
    QString out;
    if (past >= kDay) out += QString::number(past / kDay) + QStringLiteral(" 日 ");
    if (past >= kHour) out += QString::number(past % kDay / kHour) + QStringLiteral(" 時 ");
    if (past >= kMinute) out += QString::number(past % kHour / kMinute) + QStringLiteral(" 分 ");
    out += QString::number(past % kMinute / kSecond) + QStringLiteral(" 秒 ");
    return out;
}

int CtrlFile::GetPastTime_MinNo(qint64 startMs) const {
    const qint64 past = clock_.NowMs() - startMs;
    return past <= 0 ? 0 : static_cast<int>(past / kMinute);
}

}  // namespace korvi
