#pragma once

#include <QString>

namespace korvi {

// Plain text of a page as the matcher searches it, in one pass: every line
// feed, carriage return, tab and "|" is dropped, then every run of two or more
// blanks is dropped, then every tag ("<" up to the next ">") is dropped. The
// result equals applying the patterns "[\n|\r|\t]+", " {2,}+" and "<[^>]*>"
// in that order, each replaced by nothing. No entity is decoded.
QString MatcherPlainText(const QString& html);

// Simple case folding unit by unit, so that every position in the result is
// the same position in the input (surrogate halves are kept as they are).
QString MatcherFoldCase(const QString& text);

}  // namespace korvi
