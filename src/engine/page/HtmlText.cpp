#include "engine/page/HtmlText.h"

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
    // on large pages; the test suite checks both give the same text.) A lone
    // surrogate becomes U+FFFD, so that patterns need not check the result.
    // Every unit is written; the write position moves on unless it is a
    // blank after a blank, so words and blanks take no branch.
    QString out;
    out.resize(text.size());
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    const char16_t* src = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = src + text.size();
    constexpr quint64 kBlanks = (1ull << ' ') | (1ull << '\n') | (1ull << '\r') | (1ull << '\t');
    bool afterBlank = false;
    while (src < end) {
        const char16_t c = *src++;
        if (QChar::isSurrogate(c)) [[unlikely]] {
            afterBlank = false;
            if (QChar::isHighSurrogate(c) && src < end && QChar::isLowSurrogate(*src)) {
                *dst++ = c;
                *dst++ = *src++;
            } else {
                *dst++ = QChar::ReplacementCharacter;
            }
            continue;
        }
        const bool blank = c <= u' ' && ((kBlanks >> c) & 1);
        *dst = blank ? u' ' : c;
        dst += !(blank && afterBlank);
        afterBlank = blank;
    }
    out.truncate(dst - reinterpret_cast<const char16_t*>(out.constData()));
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

QString GetPTtl(const QString& text, bool validUtf16) {
    const QRegularExpressionMatch m =
        TitlePattern().match(text, 0, QRegularExpression::NormalMatch,
                             validUtf16 ? QRegularExpression::DontCheckSubjectStringMatchOption
                                        : QRegularExpression::NoMatchOption);
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

bool MarkupWalker::NameAt(qsizetype from, QLatin1String name) const {
    if (QStringView(text_).mid(from, name.size()).compare(name, Qt::CaseInsensitive) != 0)
        return false;
    const qsizetype end = from + name.size();
    if (end >= text_.size()) return true;
    const QChar c = text_.at(end);
    return !(c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':');
}

bool MarkupWalker::OpensTag(qsizetype lt) const {
    if (lt + 1 >= text_.size()) return false;
    // Inside script or style only the element's own end tag counts.
    if (raw_ == MarkupPlace::kScript) return NameAt(lt, QLatin1String("</script"));
    if (raw_ == MarkupPlace::kStyle) return NameAt(lt, QLatin1String("</style"));
    const QChar c = text_.at(lt + 1);
    return (c.unicode() < 128 && c.isLetter()) || c == u'/' || c == u'!' || c == u'?';
}

void MarkupWalker::Step() {
    const QChar c = text_.at(pos_);
    if (in_tag_) {
        if (!quote_.isNull()) {
            if (c == quote_) quote_ = QChar();
        } else if (c == u'>') {
            in_tag_ = false;
            raw_ = after_tag_;
        } else if ((c == u'"' || c == u'\'') && last_in_tag_ == u'=') {
            quote_ = c;
        }
        if (c != u' ') last_in_tag_ = c;
    } else if (c == u'<' && OpensTag(pos_)) {
        in_tag_ = true;
        quote_ = QChar();
        last_in_tag_ = c;
        if (NameAt(pos_ + 1, QLatin1String("script")))
            after_tag_ = MarkupPlace::kScript;
        else if (NameAt(pos_ + 1, QLatin1String("style")))
            after_tag_ = MarkupPlace::kStyle;
        else
            after_tag_ = MarkupPlace::kText;
    }
    ++pos_;
}

MarkupPlace MarkupWalker::At(qsizetype pos) {
    if (pos < pos_) {
        pos_ = 0;
        in_tag_ = false;
        quote_ = last_in_tag_ = QChar();
        raw_ = after_tag_ = MarkupPlace::kText;
    }
    pos = std::min(pos, text_.size());
    while (pos_ < pos) {
        // Outside tags only a "<" matters, inside a quoted value only its quote.
        if (in_tag_ && quote_.isNull()) {
            Step();
            continue;
        }
        const QChar wanted = in_tag_ ? quote_ : QChar(u'<');
        const qsizetype at = QStringView(text_).mid(pos_, pos - pos_).indexOf(wanted);
        if (at < 0) {
            pos_ = pos;
            break;
        }
        pos_ += at;
        Step();
    }
    if (in_tag_) return MarkupPlace::kTag;
    return raw_;
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
