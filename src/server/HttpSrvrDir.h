#pragma once

#include <QString>

#include "server/HttpSrvrSeams.h"

namespace korvi {

// The template values of a directory page.
namespace HttpSrvrDir {

inline const QString kVersion = QStringLiteral("1.302");

QString FootText();
QString FootHtml();

// Folders first, then files, each group by name (case-sensitive); empty or
// unreadable sub-folders and entries that lead outside root are left out.
// folder and root are canonical paths.
HttpDocValues MkDirValues(const QString& root, const QString& folder);

// folder relative to root with "/" separators ("" for the root itself).
QString RelPath(const QString& root, const QString& folder);

}  // namespace HttpSrvrDir

}  // namespace korvi
