#include "guide/GuideDat.h"

#include <QFileInfo>

#include "engine/profile/Profile.h"
#include "store/CtrlFile.h"

namespace korvi {

QList<QStringList> ParseGuideDat(const QString& text) {
    QList<QStringList> groups;
    QStringList group;
    QString clean = text;
    clean.remove(u'\r');
    for (const QString& line : clean.split(u'\n')) {
        if (line.isEmpty()) continue;
        if (line == QLatin1String("--")) {
            if (!group.isEmpty()) groups.append(group);
            group.clear();
            continue;
        }
        group.append(line);
    }
    if (!group.isEmpty()) groups.append(group);
    return groups;
}

QList<QStringList> LoadGuideDat(CtrlFile& ctrl) {
    QList<QStringList> groups;
    if (!QFileInfo(ctrl.Abs(kGuideDatPath)).isFile()) return groups;
    for (const QStringList& names : ParseGuideDat(ctrl.LoadData(kGuideDatPath))) {
        QStringList kept;
        for (const QString& name : names) {
            if (IsValidOptName(name) && QFileInfo(ctrl.Abs(OptPath(name))).isFile())
                kept.append(name);
        }
        if (!kept.isEmpty()) groups.append(kept);
    }
    return groups;
}

}  // namespace korvi
