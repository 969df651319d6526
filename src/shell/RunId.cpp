#include "shell/RunId.h"

#include <QDir>
#include <QFileInfo>

#include "shell/Clock.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {
QString Two(int v) {
    return QString::number(v).rightJustified(2, u'0');
}
}  // namespace

QString GetTimeString(const QDateTime& jst) {
    const QDate d = jst.date();
    const QTime t = jst.time();
    return QString::number(d.year()) + u'_' + Two(d.month()) + Two(d.day()) + u'_' + Two(t.hour()) +
           Two(t.minute()) + u'_' + Two(t.second());
}

QString InitSrchStartID(const Clock& clock) {
    return GetTimeString(clock.NowJst());
}

bool MoveSrchStartId(CtrlFile& ctrl, const QString& root, const QString& runId) {
    QString failure;
    if (runId.isEmpty() || runId == QStringLiteral(".") || runId == QStringLiteral("..") ||
        runId.contains(u'/') || runId.contains(u'\\')) {
        failure = QStringLiteral("not a folder name  ") + runId;
    } else {
        const QString folder = ctrl.Abs(root) + u'/' + runId;
        if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
            failure = QStringLiteral("cannot create  ") + folder;
        }
    }
    if (!failure.isEmpty()) {
        ctrl.SaveErrLog(QStringLiteral("MoveSrchStartId Error : ") + failure);
        return false;
    }
    ctrl.SetLogRoot(root);
    ctrl.SetRunId(runId);
    return true;
}

}  // namespace korvi
