#pragma once

#include <QDateTime>
#include <QString>

namespace korvi {

class Clock;

// Run identifier: year "_" month day "_" hour minute "_" second in JST, so
// that name order is age order (2003_0115_0930_05).
QString GetTimeString(const QDateTime& jst);
QString InitSrchStartID(const Clock& clock);

}  // namespace korvi
