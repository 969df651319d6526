#include "engine/HtmlText.h"

#include <algorithm>

#include "shell/Assist.h"

namespace korvi {

QRegularExpression CompiledPattern(const QString& pattern, bool caseInsensitive) {
    QRegularExpression re(pattern, caseInsensitive ? QRegularExpression::CaseInsensitiveOption
                                                   : QRegularExpression::NoPatternOption);
    re.optimize();
    return re;
}

namespace {

const QRegularExpression& BreaksPattern() {
    // Line breaks and tabs. A "|" is not a delimiter, so it is not listed.
    static const QRegularExpression re = CompiledPattern(QStringLiteral("[\n\r\t]+"));
    return re;
}

const QRegularExpression& BlankRunPattern() {
    static const QRegularExpression re = CompiledPattern(QStringLiteral(" {2,}+"));
    return re;
}

const QRegularExpression& TitlePattern() {
    static const QRegularExpression re =
        CompiledPattern(QStringLiteral("(<title.*?>)(.+?)(</title>)"), true);
    return re;
}

const QRegularExpression& PageUrlPattern() {
    static const QRegularExpression re =
        CompiledPattern(QStringLiteral("(<!--KorviPUrl=\")(.+?)(\"-->)"));
    return re;
}

}  // namespace

const QRegularExpression& EndAnchorPattern() {
    static const QRegularExpression re = CompiledPattern(QStringLiteral("</[Aa]>"));
    return re;
}

const QRegularExpression& AnyTagPattern() {
    static const QRegularExpression re = CompiledPattern(QStringLiteral("<[^>]*>"));
    return re;
}

QString GetNonDlmtrHtml(const QString& text) {
    // One linear sweep doing what replacing BreaksPattern() and then
    // BlankRunPattern() by one blank does: every run of blanks, line breaks
    // and tabs becomes a single blank. (Regex replacement is ten times slower
    // on large pages; the test suite checks both give the same text.)
    QString out;
    out.resize(text.size());
    QChar* dst = out.data();
    const QChar* src = text.constData();
    const QChar* const end = src + text.size();
    while (src < end) {
        const char16_t c = src->unicode();
        if (c == u' ' || c == u'\n' || c == u'\r' || c == u'\t') {
            *dst++ = u' ';
            while (src < end && (src->unicode() == u' ' || src->unicode() == u'\n' ||
                                 src->unicode() == u'\r' || src->unicode() == u'\t')) {
                ++src;
            }
        } else {
            *dst++ = *src++;
        }
    }
    out.truncate(dst - out.constData());
    return out;
}

QString GetNonDlmtrHtmlByPattern(const QString& text) {
    QString out = text;
    out.replace(BreaksPattern(), QStringLiteral(" "));
    out.replace(BlankRunPattern(), QStringLiteral(" "));
    return out;
}

qsizetype FindEndAnchor(const QString& text, qsizetype from) {
    // Same matches as EndAnchorPattern() without a regex call per anchor.
    const qsizetype n = text.size();
    for (qsizetype i = text.indexOf(QLatin1String("</"), std::max<qsizetype>(from, 0));
         i >= 0 && i + 3 < n; i = text.indexOf(QLatin1String("</"), i + 1)) {
        const QChar a = text.at(i + 2);
        if ((a == u'a' || a == u'A') && text.at(i + 3) == u'>') return i;
    }
    return -1;
}

QString GetPTtl(const QString& text) {
    const QRegularExpressionMatch m = TitlePattern().match(text);
    return m.hasMatch() ? m.captured(2) : QString("");
}

QString GetPUrl(const QString& text) {
    const QRegularExpressionMatch m = PageUrlPattern().match(text);
    return m.hasMatch() ? m.captured(2) : QString("");
}

QString RemoveTags(QStringView text) {
    // What replacing AnyTagPattern() by "" does: a "<" up to the next ">"
    // goes; a "<" with no ">" after it stays.
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype lt = text.indexOf(u'<', i);
        if (lt < 0) break;
        const qsizetype gt = text.indexOf(u'>', lt + 1);
        if (gt < 0) break;
        out += text.mid(i, lt - i);
        i = gt + 1;
    }
    out += text.mid(i);
    return out;
}

QString AnchorText(const QString& text, qsizetype from, qsizetype to) {
    if (from < 0 || to < from || to > text.size()) return QString("");
    const QStringView inner = QStringView(text).mid(from, to - from);
    if (!inner.contains(u'<')) return Assist::Trim(inner.toString());
    return Assist::Trim(RemoveTags(inner));
}

QString GetTitle(qsizetype pos, const QString& text) {
    if (pos <= 0 || pos > text.size()) return QStringLiteral("not link");
    const qsizetype lt = text.lastIndexOf(u'<', pos - 1);
    if (lt < 0 || text.mid(lt, 3).compare(QLatin1String("<a "), Qt::CaseInsensitive) != 0) {
        return QStringLiteral("not link");
    }
    const qsizetype gt = text.indexOf(u'>', pos);
    if (gt < 0) return QString("");
    const QRegularExpressionMatch end = EndAnchorPattern().match(text, gt + 1);
    if (!end.hasMatch()) return QString("");
    return AnchorText(text, gt + 1, end.capturedStart());
}

}  // namespace korvi
