#include "engine/HtmlText.h"

#include "shell/Assist.h"

namespace korvi {

namespace {

const QRegularExpression& BreaksPattern() {
    // Line breaks and tabs. A "|" is not a delimiter, so it is not listed.
    static const QRegularExpression re(QStringLiteral("[\n\r\t]+"));
    return re;
}

const QRegularExpression& BlankRunPattern() {
    static const QRegularExpression re(QStringLiteral(" {2,}+"));
    return re;
}

const QRegularExpression& TitlePattern() {
    static const QRegularExpression re(QStringLiteral("(<title.*?>)(.+?)(</title>)"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

const QRegularExpression& PageUrlPattern() {
    static const QRegularExpression re(QStringLiteral("(<!--KorviPUrl=\")(.+?)(\"-->)"));
    return re;
}

}  // namespace

const QRegularExpression& EndAnchorPattern() {
    static const QRegularExpression re(QStringLiteral("</[Aa]>"));
    return re;
}

const QRegularExpression& AnyTagPattern() {
    static const QRegularExpression re(QStringLiteral("<[^>]*>"));
    return re;
}

QString GetNonDlmtrHtml(const QString& text) {
    QString out = text;
    out.replace(BreaksPattern(), QStringLiteral(" "));
    out.replace(BlankRunPattern(), QStringLiteral(" "));
    return out;
}

QString GetPTtl(const QString& text) {
    const QRegularExpressionMatch m = TitlePattern().match(text);
    return m.hasMatch() ? m.captured(2) : QString("");
}

QString GetPUrl(const QString& text) {
    const QRegularExpressionMatch m = PageUrlPattern().match(text);
    return m.hasMatch() ? m.captured(2) : QString("");
}

QString AnchorText(const QString& text, qsizetype from, qsizetype to) {
    if (from < 0 || to < from || to > text.size()) return QString("");
    QString inner = text.mid(from, to - from);
    if (inner.contains(u'<')) inner.replace(AnyTagPattern(), QString());
    return Assist::Trim(inner);
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
