#pragma once

#include <QRegularExpression>
#include <QRegularExpressionMatch>
#include <QString>

namespace korvi {

// Replaces every match of re in text by the replacement template, in which
// "$n" is group n (as many digits as still name a group), "${name}" a named
// group and "\c" the character c itself; a group that took part in no match
// gives "". Sets *count to the number of matches. False, with *error, when the
// template refers to a group the pattern lacks or ends in a lone "\"; out is
// then unchanged.
bool ReplaceAllMatches(const QRegularExpression& re, const QString& text,
                       const QString& replacement, QString* out, int* count, QString* error);

}  // namespace korvi
