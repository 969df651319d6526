#include "present/ThemeFiles.h"

#include <QFileInfo>

#include <algorithm>

#include "store/CtrlFile.h"
#include "store/FolderService.h"

namespace korvi {

QStringList ThemeFiles::InitListData(const FolderService& fldr, const CtrlFile& ctrl) {
    QStringList files;
    for (const QString& entry : fldr.LsDir(kFolder)) {
        if (!entry.endsWith(kExtension) || entry.size() == kExtension.size()) continue;
        if (!QFileInfo(ctrl.Abs(kFolder + u'/' + entry)).isFile()) continue;
        files << entry;
    }
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        const bool aFirst = a == kActive;
        const bool bFirst = b == kActive;
        if (aFirst != bFirst) return aFirst;
        return a < b;
    });
    QStringList names;
    for (const QString& f : files) names << f.chopped(kExtension.size());
    return names;
}

bool ThemeFiles::SaveOpt(CtrlFile& ctrl, const QString& name) {
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name == u"." ||
        name == u"..") {
        return false;
    }
    return ctrl.CopyFile(PathOf(name), kActive);
}

}  // namespace korvi
