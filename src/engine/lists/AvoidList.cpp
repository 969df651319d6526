#include "engine/lists/AvoidList.h"

#include <QFileInfo>

#include "store/CtrlFile.h"

namespace korvi {

bool AvoidList::ChkOvwrtDl(const QString& localPath, const QString& url) const {
    if (localPath.isEmpty() || !QFileInfo(ctrl_.Abs(localPath)).isFile()) return true;
    return overwrite_.Matches(url);
}

}  // namespace korvi
