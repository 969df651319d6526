#include "engine/page/OfflineLinks.h"

#include <QRegularExpression>
#include <QUrl>

namespace korvi {

namespace {

constexpr auto kCi = QRegularExpression::CaseInsensitiveOption;

// Replaces, in each match, the first group that took part (the reference).
QString ReplaceGroups(const QString& text, const QRegularExpression& re, int firstGroup,
                      int lastGroup, const RefTarget& target) {
    QString out;
    qsizetype last = 0;
    for (auto it = re.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        for (int g = firstGroup; g <= lastGroup; ++g) {
            if (m.capturedStart(g) < 0) continue;
            const QString to = target(m.captured(g));
            if (to.isEmpty()) break;
            out += QStringView(text).mid(last, m.capturedStart(g) - last);
            out += to;
            last = m.capturedEnd(g);
            break;
        }
    }
    if (last == 0) return text;
    out += QStringView(text).mid(last);
    return out;
}

// The end of the tag opened at `lt` (the position of its ">"), quotes
// respected; -1 when it never closes.
qsizetype TagEnd(const QString& html, qsizetype lt) {
    QChar quote;
    for (qsizetype i = lt + 1; i < html.size(); ++i) {
        const QChar c = html.at(i);
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            // A quote opens a value only after "=" (blanks between allowed).
            qsizetype j = i - 1;
            while (j > lt && html.at(j).isSpace()) --j;
            if (html.at(j) == u'=') quote = c;
        } else if (c == u'>') {
            return i;
        }
    }
    return -1;
}

QString TagName(const QString& tag) {
    qsizetype i = 1;
    while (i < tag.size() && (tag.at(i).isLetterOrNumber() || tag.at(i) == u'-')) ++i;
    return tag.mid(1, i - 1).toLower();
}

QString RewriteTag(const QString& tag, const RefTarget& target) {
    static const QRegularExpression reRef(
        QStringLiteral("\\s(?:href|src|background|action|poster|data)\\s*=\\s*(?:\"([^\"]*)\"|'([^'"
                       "]*)'|([^\\s\"'>]+))"),
        kCi);
    static const QRegularExpression reStyle(
        QStringLiteral("\\sstyle\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"), kCi);
    QString out = ReplaceGroups(tag, reRef, 1, 3, target);
    return ReplaceGroups(out, reStyle, 1, 2, [&target](const QString& css) {
        const QString to = RewriteCssRefs(css, target);
        return to == css ? QString() : to;
    });
}

}  // namespace

QString RewriteCssRefs(const QString& css, const RefTarget& target) {
    static const QRegularExpression reUrl(
        QStringLiteral("url\\(\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"')]+))\\s*\\)"), kCi);
    static const QRegularExpression reImport(
        QStringLiteral("@import\\s+(?:\"([^\"]*)\"|'([^']*)')"), kCi);
    return ReplaceGroups(ReplaceGroups(css, reUrl, 1, 3, target), reImport, 1, 2, target);
}

QString RewriteHtmlRefs(const QString& html, const RefTarget& target, bool dropBase) {
    QString out;
    out.reserve(html.size());
    qsizetype pos = 0;
    for (;;) {
        const qsizetype lt = html.indexOf(u'<', pos);
        if (lt < 0 || lt + 1 >= html.size()) break;
        if (QStringView(html).mid(lt, 4) == u"<!--") {
            const qsizetype end = html.indexOf(QStringLiteral("-->"), lt + 4);
            const qsizetype stop = end < 0 ? html.size() : end + 3;
            out += QStringView(html).mid(pos, stop - pos);
            pos = stop;
            continue;
        }
        if (!html.at(lt + 1).isLetter()) {
            out += QStringView(html).mid(pos, lt + 1 - pos);
            pos = lt + 1;
            continue;
        }
        const qsizetype gt = TagEnd(html, lt);
        if (gt < 0) break;
        out += QStringView(html).mid(pos, lt - pos);
        const QString tag = html.mid(lt, gt + 1 - lt);
        const QString name = TagName(tag);
        if (!(dropBase && name == u"base")) out += RewriteTag(tag, target);
        pos = gt + 1;
        if (name != u"script" && name != u"style") continue;
        // Raw text up to the closing tag: scripts as they are, style sheets rewritten.
        const qsizetype close = html.indexOf(QStringLiteral("</") + name, pos, Qt::CaseInsensitive);
        const qsizetype stop = close < 0 ? html.size() : close;
        const QString body = html.mid(pos, stop - pos);
        out += name == u"style" ? RewriteCssRefs(body, target) : body;
        pos = stop;
    }
    out += QStringView(html).mid(pos);
    return out;
}

QString LocalRef(const QString& relativePath) {
    return QString::fromLatin1(QUrl::toPercentEncoding(relativePath, "/!$&()*+,;=@~"));
}

}  // namespace korvi
