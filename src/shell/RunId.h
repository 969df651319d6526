#pragma once

#include <QDateTime>
#include <QString>

namespace korvi {

class Clock;
class CtrlFile;

// Run identifier: year "_" month day "_" hour minute "_" second in JST, so
// that name order is age order (2003_0115_0930_05).
QString GetTimeString(const QDateTime& jst);
QString InitSrchStartID(const Clock& clock);

// Puts a run identifier into force: creates root/runId with every missing
// parent and hands root and identifier to ctrl. A run identifier must be one
// plain folder name; failures are logged as "MoveSrchStartId Error : ".
bool MoveSrchStartId(CtrlFile& ctrl, const QString& root, const QString& runId);

}  // namespace korvi
