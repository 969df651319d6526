#pragma once

#include <QString>
#include <QStringList>

namespace korvi {

class CtrlFile;

// Highlight documents: a copy of a downloaded HTML page beside it in which
// every occurrence of the search words is marked.
class HighlightDocument {
public:
    // The markup put around a match.
    static QString Open() { return QStringLiteral("<B STYLE=\"background-color:#FFCCCC\">"); }
    static QString Close() { return QStringLiteral("</B>"); }

    // Path of the highlight document of a source: name + "_hl_korvi" + "." + extension.
    static QString HLightPath(const QString& source);

    // Writes the highlight document for the plain search words (the words of
    // the expression without its operators); returns its path, "" when there
    // is none (not an HTML page, no words, a bad word pattern, a write failure).
    static QString MkHLightFile(CtrlFile& ctrl, const QString& source,
                                const QStringList& plainWords);
    // The same for the source's text as already read.
    static QString MkHLightText(CtrlFile& ctrl, const QString& source, const QString& text,
                                const QStringList& plainWords);

    // The marking itself: matches are marked only in text between tags and
    // never inside script, style, title or textarea elements.
    static QString Mark(const QString& html, const QStringList& patterns, QString* error);
};

}  // namespace korvi
