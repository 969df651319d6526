#include "server/LinkListSave.h"

#include <QFileInfo>

#include <exception>

#include "engine/lists/InitList.h"
#include "store/CtrlFile.h"

namespace korvi {

bool SaveLinkList(CtrlFile& ctrl, const QString& listFile, const QString& target) {
    try {
        InitList list(ctrl);
        if (!QFileInfo(ctrl.Abs(listFile)).isFile()) return false;
        if (!list.ReadSrchLst(listFile, false).read) return false;
        return list.SaveList(target);
    } catch (const std::exception& e) {
        ctrl.SaveErrLog(QStringLiteral("W_Srvr Save Link List Err : ") +
                        QString::fromLocal8Bit(e.what()));
    }
    return false;
}

}  // namespace korvi
