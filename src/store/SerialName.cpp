#include "store/SerialName.h"

#include <QDir>
#include <QFileInfo>

namespace korvi {

QString GetSerialNoFName(const QString& baseFolder, const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString dir = slash < 0 ? QString() : path.left(slash + 1);
    const QString name = path.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot <= 0 ? name : name.left(dot);
    const QString ext = dot <= 0 ? QString() : name.mid(dot);
    for (int n = 1; n <= 9999; ++n) {
        const QString candidate =
            dir + stem + u'_' + QString::number(n).rightJustified(4, u'0') + ext;
        const QString full =
            QDir::isAbsolutePath(candidate) ? candidate : baseFolder + u'/' + candidate;
        if (!QFileInfo::exists(full)) return candidate;
    }
    return QString();
}

}  // namespace korvi
