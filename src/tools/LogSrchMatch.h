#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace korvi {

// What the file search needs from the text matcher: whether a text matches
// the search words (and the context of the first hit), and the plain words
// of an expression for highlighting.
struct SrchMatcher {
    // The context of the first hit; "" when the words do not match.
    std::function<QString(const QString& words, const QString& text, bool caseInsensitive)> match;
    // The words of the expression without operators.
    std::function<QStringList(const QString& words)> plainWords;
};

// A simple matcher: blank-separated words, every word must occur (case
// folded when asked); the context is 160 characters from the first word's hit.
SrchMatcher PlainSubstringMatcher();

}  // namespace korvi
