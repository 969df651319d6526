#include "shell/RunId.h"

#include "shell/Clock.h"

namespace korvi {

namespace {
QString Two(int v) { return QString::number(v).rightJustified(2, u'0'); }
}  // namespace

QString GetTimeString(const QDateTime& jst) {
    const QDate d = jst.date();
    const QTime t = jst.time();
    return QString::number(d.year()) + u'_' + Two(d.month()) + Two(d.day()) + u'_' +
           Two(t.hour()) + Two(t.minute()) + u'_' + Two(t.second());
}

QString InitSrchStartID(const Clock& clock) { return GetTimeString(clock.NowJst()); }

}  // namespace korvi
