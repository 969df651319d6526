#pragma once

#include <QByteArray>
#include <QString>

namespace korvi::cscript {

// The target path stored in a Windows shell link (.lnk) file: the local base
// path (or network share) plus the common path suffix of its link info, else
// its relative path resolved against the link's folder. "" when the data is
// not a shell link or holds no path.
QString ShellLinkTarget(const QByteArray& data, const QString& linkFolder);

}  // namespace korvi::cscript
