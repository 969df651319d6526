#include "schedule/SchdStart.h"

#include <QDir>
#include <QFileInfo>

#include "shell/Assist.h"
#include "shell/RunId.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kFavFolder = QStringLiteral("favorite");
const QString kIni = QStringLiteral(".ini");

// A path below the home that stays inside folder; "" otherwise.
QString InsideFolder(const QString& folder, const QString& name) {
    if (name.isEmpty() || QDir::isAbsolutePath(name) || name.contains(u'\\')) return QString();
    for (const QString& seg : name.split(u'/')) {
        if (seg == QStringLiteral("..")) return QString();
    }
    return folder + u'/' + name;
}

QString ExistingFav(const CtrlFile& ctrl, const QString& name) {
    const QString fav = InsideFolder(kFavFolder, name);
    if (fav.isEmpty()) return QString();
    if (QFileInfo(ctrl.Abs(fav)).isFile()) return fav;
    if (QFileInfo(ctrl.Abs(fav + kIni)).isFile()) return fav + kIni;
    return QString();
}

}  // namespace

SchdStart ResolveSchdStart(CtrlFile& ctrl, const Clock& clock, const DueSchd& entry,
                           const QString& saveName) {
    SchdStart s;
    const auto log = [&](const QString& line) {
        ctrl.SaveErrLog(line);
        s.logged.append(line);
    };
    s.favorite = ExistingFav(ctrl, entry.option);
    if (s.favorite.isEmpty()) {
        log(QStringLiteral("W_Srvr StartSchd Err : no favorite ") + entry.option);
        return s;
    }
    s.runId = SafeRunId(saveName);
    if (s.runId.isEmpty()) {
        log(QStringLiteral("W_Srvr StartSchd Err : illegal folder name ") + saveName);
        s.runId = InitSrchStartID(clock);
    }
    return s;
}

QString SafeRunId(const QString& name) {
    const QString id = Assist::Trim(CtrlFile::DelPrhbtFName(name));
    if (id.isEmpty() || id == QStringLiteral(".") || id == QStringLiteral("..")) return QString();
    return id;
}

}  // namespace korvi
