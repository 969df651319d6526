#pragma once

#include <QString>
#include <QStringList>

#include "schedule/SchdCheck.h"

namespace korvi {

class Clock;
class CtrlFile;

// What a due schedule starts from, the same for every resident host.
struct SchdStart {
    QString favorite;    // below the home ("favorite/..."); "" when there is none
    QString runId;       // the run folder; "" when there is no favourite
    QStringList logged;  // the error-log lines written while resolving
};

// The favourite lies inside "favorite", sub-folders allowed: the name as
// written first, then with ".ini". The run id is the save-folder name made
// safe, or a fresh one when nothing usable is left. Failures go to the error
// log.
SchdStart ResolveSchdStart(CtrlFile& ctrl, const Clock& clock, const DueSchd& entry,
                           const QString& saveName);

// A save-folder name usable as one folder below the download root; "" when
// nothing usable is left.
QString SafeRunId(const QString& name);

}  // namespace korvi
