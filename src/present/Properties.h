#pragma once

#include <QHash>
#include <QString>

namespace korvi {

// Parses a properties text: "key=value", "key: value" or "key value" lines;
// lines starting with "#" or "!" and blank lines are skipped; a line ending in
// an odd number of backslashes continues on the next; "\t", "\n", "\r", "\f"
// and "\uXXXX" escapes are decoded. A key given twice keeps its last value.
QHash<QString, QString> ParseProperties(const QString& text);

}  // namespace korvi
