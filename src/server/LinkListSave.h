#pragma once

#include <QString>

namespace korvi {

class CtrlFile;

// Reads a link list through a temporary init list and saves it as target;
// false when the list is missing, unreadable or cannot be saved. Errors are
// logged.
bool SaveLinkList(CtrlFile& ctrl, const QString& listFile, const QString& target);

}  // namespace korvi
