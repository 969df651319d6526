#pragma once

#include <QRegularExpression>
#include <QString>

namespace korvi {

// One-line form of a page: line breaks and tabs become one blank, runs of
// blanks one blank. The result is valid UTF-16: a lone surrogate becomes
// U+FFFD (a pattern finds nothing at all in text that is not).
QString GetNonDlmtrHtml(const QString& text);
// The same through the two replacement patterns (reference for tests).
QString GetNonDlmtrHtmlByPattern(const QString& text);

// Position of the first end of anchor ("</a>", "</A>") at or after from, or -1.
qsizetype FindEndAnchor(const QString& text, qsizetype from);

// The page title (text of the first <title> element), or "".
// validUtf16: the text is known to hold no lone surrogate (GetNonDlmtrHtml's
// result), so the pattern skips its own check of the whole text.
QString GetPTtl(const QString& text, bool validUtf16 = false);

// The page URL a stored page carries in its <!--KorviPUrl="..."--> comment, or "".
QString GetPUrl(const QString& text);

// Anchor text of the link whose match starts at pos: when the nearest "<"
// before pos opens an anchor ("<a "), the text from the end of that tag to
// the next "</a>", tags removed and blanks trimmed; otherwise "not link".
QString GetTitle(qsizetype pos, const QString& text);

// Where a position of a page stands: page text, inside a tag (its name and
// attributes), or inside the raw content of a script or style element.
enum class MarkupPlace { kText, kTag, kScript, kStyle };

// Forward-only scan of a page telling the place of each position asked. A
// "<" opens a tag only before a letter, "/", "!" or "?"; a quoted attribute
// value may hold ">"; script and style content ends only at its end tag.
// Positions asked in increasing order cost one pass over the text in all.
class MarkupWalker {
public:
    explicit MarkupWalker(const QString& text) : text_(text) {}
    MarkupPlace At(qsizetype pos);

private:
    void Step();
    bool OpensTag(qsizetype lt) const;
    bool NameAt(qsizetype from, QLatin1String name) const;

    const QString& text_;
    qsizetype pos_ = 0;
    bool in_tag_ = false;
    QChar quote_;
    QChar last_in_tag_;
    MarkupPlace raw_ = MarkupPlace::kText;        // raw element the scan is in
    MarkupPlace after_tag_ = MarkupPlace::kText;  // raw element the open tag starts
};

// A pattern compiled (and JIT-optimised) at once, so that a shared static
// instance is never compiled lazily from two threads.
QRegularExpression CompiledPattern(const QString& pattern, bool caseInsensitive = false);

// Shared compiled patterns (thread-safe to use).
const QRegularExpression& EndAnchorPattern();  // "</[Aa]>"
const QRegularExpression& AnyTagPattern();     // "<[^>]*>"

// The text with every tag ("<...>") removed, as AnyTagPattern() would.
QString RemoveTags(QStringView text);

// Anchor text between the end of the opening tag and the end-of-anchor
// position, with tags removed; used by GetTitle and by the extractor.
QString AnchorText(const QString& text, qsizetype from, qsizetype to);

}  // namespace korvi
