#pragma once

#include <QString>

#include <functional>

namespace korvi {

// Gets a reference as the page writes it (character references left in) and
// gives the text to put in its place, or "" to keep the reference.
using RefTarget = std::function<QString(const QString& ref)>;

// Rewrites the href, src, background, action, poster and data attributes of
// every tag of a page, and the CSS references of its style elements and style
// attributes. Comments and script content are left alone; each value keeps
// its quotes. With dropBase, BASE tags are left out (their reference no
// longer applies to the rewritten ones).
QString RewriteHtmlRefs(const QString& html, const RefTarget& target, bool dropBase = false);

// Rewrites every url(...) and @import "..." reference of a style sheet.
QString RewriteCssRefs(const QString& css, const RefTarget& target);

// A relative file path as a link reference: characters that a reference
// cannot hold as they are ("%", blanks, quotes, "#", "?", ":", non-ASCII)
// percent-encoded.
QString LocalRef(const QString& relativePath);

}  // namespace korvi
