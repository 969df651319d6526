#include "engine/page/UrlHelpers.h"

#include <QRegularExpression>

#include "engine/page/HtmlText.h"
#include "store/TextCodec.h"

namespace korvi {

namespace {

const QRegularExpression& BaseHrefPattern() {
    static const QRegularExpression re =
        CompiledPattern(QStringLiteral("(<BASE[^>H]+?HREF=\"?)([^\" >]+)([\" >])"), true);
    return re;
}

bool FetchableScheme(const QString& scheme) {
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("ftp") || scheme == QLatin1String("file");
}

void Report(const ErrSink& err, const QString& message) {
    if (err) err(message);
}

// application/x-www-form-urlencoded over the given bytes: letters, digits
// and ".-*_" stay, the blank becomes "+", every other byte "%XX".
QString FormEncode(const QByteArray& bytes) {
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * 3);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        const bool keep = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') ||
                          (b >= '0' && b <= '9') || b == '.' || b == '-' || b == '*' || b == '_';
        if (keep) {
            out += QChar(b);
        } else if (b == ' ') {
            out += u'+';
        } else {
            out += u'%';
            out += QChar(hex[b >> 4]);
            out += QChar(hex[b & 0xF]);
        }
    }
    return out;
}

}  // namespace

BasePrefixes SplitBaseUrl(const QString& baseUrl) {
    BasePrefixes out;
    if (!baseUrl.contains(QStringLiteral("://"))) return out;
    const QStringList pieces = baseUrl.split(u'/');
    out.root = pieces.mid(0, 3).join(u'/') + u'/';
    QString noQuery = baseUrl;
    const qsizetype q = noQuery.indexOf(u'?');
    if (q >= 0) noQuery.truncate(q);
    out.dir = noQuery.left(noQuery.lastIndexOf(u'/') + 1);
    return out;
}

int UrlScope(const QString& url, const BasePrefixes& base) {
    if (base.root.isEmpty() || !url.startsWith(base.root)) return 0;
    if (!url.startsWith(base.dir)) return 1;
    return 2;
}

QUrl GetBaseUrl(const QString& text, const QString& pageUrl, const ErrSink& err, bool validUtf16) {
    QUrl base;
    const QRegularExpressionMatch m =
        BaseHrefPattern().match(text, 0, QRegularExpression::NormalMatch,
                                validUtf16 ? QRegularExpression::DontCheckSubjectStringMatchOption
                                           : QRegularExpression::NoMatchOption);
    if (m.hasMatch()) {
        const QString href = m.captured(2);
        base =
            href.contains(QStringLiteral("://")) ? QUrl(href) : QUrl(pageUrl).resolved(QUrl(href));
    } else {
        base = QUrl(pageUrl);
    }
    if (!base.isValid() || base.isRelative()) {
        const QString why =
            base.isValid() ? QStringLiteral("no absolute base for ") + pageUrl : base.errorString();
        Report(err, QStringLiteral("S_Thrd Get Base Url Error : ") + why);
        return QUrl();
    }
    return base;
}

bool HasUrlScheme(const QString& link) {
    if (link.isEmpty() || !(link.at(0).unicode() < 128 && link.at(0).isLetter())) return false;
    for (qsizetype i = 1; i < link.size(); ++i) {
        const char16_t c = link.at(i).unicode();
        if (c == u':') return true;
        const bool schemeChar = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                                (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
        if (!schemeChar) return false;
    }
    return false;
}

QString GetAbsltUrl(const QString& link, const QUrl& base, const ErrSink& err) {
    if (link.startsWith(QStringLiteral("http://"))) return link;
    const QUrl rel(link);
    if (!rel.isValid()) {
        Report(err, QStringLiteral("S_Thrd GetAbsltUrl Error : ") + rel.errorString());
        return QString("");
    }
    if (!rel.isRelative()) {
        // Links to things no fetch can serve (javascript:, data:, tel:, ...).
        if (!FetchableScheme(rel.scheme())) return QString("");
        return rel.toString();
    }
    if (!base.isValid() || base.isRelative()) {
        Report(err, QStringLiteral("S_Thrd GetAbsltUrl Error : no base for ") + link);
        return QString("");
    }
    const QUrl abs = base.resolved(rel);
    if (!abs.isValid()) {
        Report(err, QStringLiteral("S_Thrd GetAbsltUrl Error : ") + abs.errorString());
        return QString("");
    }
    if (!FetchableScheme(abs.scheme())) return QString("");
    return abs.toString();
}

namespace {

// A path of plain characters without dot segments, which RFC 3986
// resolution takes as it is: relative (appended to the base's folder) or,
// starting with one "/", absolute (put after the base's authority).
bool PlainPath(const QString& link) {
    const qsizetype n = link.size();
    if (n == 0 || link.startsWith(QLatin1String("//"))) return false;
    qsizetype segment = link.at(0) == u'/' ? 1 : 0;  // start of the current segment
    for (qsizetype i = segment; i <= n; ++i) {
        const char16_t c = i < n ? link.at(i).unicode() : u'/';
        if (c == u'/') {
            const qsizetype len = i - segment;
            if ((len == 1 || len == 2) && link.at(segment) == u'.' &&
                (len == 1 || link.at(segment + 1) == u'.'))
                return false;
            segment = i + 1;
            continue;
        }
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'0' && c <= u'9') || c == u'-' || c == u'.' || c == u'_' ||
                           c == u'~';
        if (!plain) return false;
    }
    return true;
}

// What resolving "probe" against base gives, less the probe; "" when that
// is not a fetchable URL ending in it.
QString ResolvedBefore(const QUrl& base, const QString& probe) {
    const QUrl url = base.resolved(QUrl(probe));
    if (!url.isValid() || !FetchableScheme(url.scheme())) return QString();
    const QString text = url.toString();
    return text.endsWith(probe) ? text.chopped(probe.size()) : QString();
}

}  // namespace

LinkResolver::LinkResolver(const QUrl& base) : base_(base) {
    if (!base.isValid() || base.isRelative()) return;
    folder_ = ResolvedBefore(base, QStringLiteral("x"));
    root_ = ResolvedBefore(base, QStringLiteral("/x"));
}

QString LinkResolver::Resolve(const QString& link, const ErrSink& err) const {
    if (!link.isEmpty() && PlainPath(link)) {
        const QString& prefix = link.at(0) == u'/' ? root_ : folder_;
        if (!prefix.isEmpty()) return prefix + link;
    }
    return GetAbsltUrl(link, base_, err);
}

QString ChngUrl(const QString& url, bool restSharp) {
    QString out = url;
    if (!restSharp) {
        const qsizetype sharp = out.indexOf(u'#');
        if (sharp > 0) out.truncate(sharp);
    }
    if (out.contains(u'%')) {
        out.replace(QStringLiteral("/%7E"), QStringLiteral("/~"));
        out.replace(QStringLiteral("%20"), QStringLiteral(" "));
    }
    if (out.contains(u'&')) {
        out.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
        out.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        out.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        out.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    }
    return out;
}

QString EncJ(const QString& url, const ErrSink& err) {
    const qsizetype q = url.indexOf(u'?');
    if (q < 0) return url;
    qsizetype end = url.indexOf(u'#', q);
    if (end < 0) end = url.size();
    const QStringList parts = url.mid(q + 1, end - q - 1).split(u'&');
    QStringList encoded;
    encoded.reserve(parts.size());
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq < 0) {
            encoded.append(part);
            continue;
        }
        const QString value = part.mid(eq + 1);
        const QByteArray bytes = EncodeAs(value, "Shift_JIS");
        if (bytes.isEmpty() && !value.isEmpty()) {
            Report(err, QStringLiteral("S_Thrd Enc J Error : cannot encode ") + value);
            return QString("");
        }
        encoded.append(part.left(eq + 1) + FormEncode(bytes));
    }
    return url.left(q + 1) + encoded.join(u'&') + url.mid(end);
}

}  // namespace korvi
