#pragma once

#include <QString>

namespace korvi {

// The text of a page as the matcher searches it and shows it around a hit.
// Tags go ("<" and a letter, "/", "!" or "?" up to its ">", quoted
// attribute values included), and with them comments and the content of
// script and style elements; character references are decoded; every run of
// white space becomes one blank, except that a run holding a line break
// between two CJK characters (or a block tag between them) vanishes, and
// none is kept at either end. The "(@Web)" and "(@Local)" links that local-link
// rewriting adds to stored pages are dropped whole.
struct MatcherSearch {
    QString text;
    // True when the input is an HTML page (it holds an end tag of an HTML
    // element, a comment or declaration, or the page's own elements): then
    // the raw text is not searched, so nothing inside a tag matches.
    bool markup = false;
};
MatcherSearch MatcherSearchText(const QString& html);

// Simple case folding unit by unit, so that every position in the result is
// the same position in the input (surrogate halves are kept as they are).
QString MatcherFoldCase(const QString& text);

}  // namespace korvi
