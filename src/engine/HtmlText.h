#pragma once

#include <QRegularExpression>
#include <QString>

namespace korvi {

// One-line form of a page: line breaks and tabs become one blank, runs of
// blanks one blank.
QString GetNonDlmtrHtml(const QString& text);

// The page title (text of the first <title> element), or "".
QString GetPTtl(const QString& text);

// The page URL a stored page carries in its <!--KorviPUrl="..."--> comment, or "".
QString GetPUrl(const QString& text);

// Anchor text of the link whose match starts at pos: when the nearest "<"
// before pos opens an anchor ("<a "), the text from the end of that tag to
// the next "</a>", tags removed and blanks trimmed; otherwise "not link".
QString GetTitle(qsizetype pos, const QString& text);

// Shared compiled patterns (thread-safe to use).
const QRegularExpression& EndAnchorPattern();  // "</[Aa]>"
const QRegularExpression& AnyTagPattern();     // "<[^>]*>"

// Anchor text between the end of the opening tag and the end-of-anchor
// position, with tags removed; used by GetTitle and by the extractor.
QString AnchorText(const QString& text, qsizetype from, qsizetype to);

}  // namespace korvi
