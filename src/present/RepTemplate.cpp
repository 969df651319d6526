#include "present/RepTemplate.h"

#include <QStringList>

namespace korvi {

namespace {

bool IsAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool IsAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Appends the expansion of the template for one match.
bool Expand(const QRegularExpressionMatch& m, const QString& tmpl, int groups,
            const QStringList& names, QString& out, QString* error) {
    for (qsizetype i = 0; i < tmpl.size(); ++i) {
        const QChar c = tmpl[i];
        if (c == u'\\') {
            if (++i >= tmpl.size()) {
                *error = QStringLiteral("character to be escaped is missing");
                return false;
            }
            out += tmpl[i];
            continue;
        }
        if (c != u'$') {
            out += c;
            continue;
        }
        if (++i >= tmpl.size()) {
            *error = QStringLiteral("Illegal group reference: group index is missing");
            return false;
        }
        if (tmpl[i] == u'{') {
            const qsizetype close = tmpl.indexOf(u'}', i + 1);
            const QString name = close < 0 ? QString() : tmpl.mid(i + 1, close - i - 1);
            bool valid = !name.isEmpty() && IsAsciiLetter(name[0]);
            for (const QChar n : name) valid = valid && (IsAsciiLetter(n) || IsAsciiDigit(n));
            if (!valid) {
                *error = QStringLiteral("named capturing group is missing trailing '}'");
                return false;
            }
            if (!names.contains(name)) {
                *error = QStringLiteral("No group with name {") + name + u'}';
                return false;
            }
            out += m.captured(name);
            i = close;
            continue;
        }
        if (!IsAsciiDigit(tmpl[i])) {
            *error = QStringLiteral("Illegal group reference");
            return false;
        }
        int ref = tmpl[i].unicode() - u'0';
        if (ref > groups) {
            *error = QStringLiteral("No group ") + QString::number(ref);
            return false;
        }
        while (i + 1 < tmpl.size() && IsAsciiDigit(tmpl[i + 1])) {
            const int next = ref * 10 + (tmpl[i + 1].unicode() - u'0');
            if (next > groups) break;
            ref = next;
            ++i;
        }
        out += m.captured(ref);
    }
    return true;
}

}  // namespace

bool ReplaceAllMatches(const QRegularExpression& re, const QString& text,
                       const QString& replacement, QString* out, int* count, QString* error) {
    const int groups = re.captureCount();
    const QStringList names = re.namedCaptureGroups();
    QString result;
    qsizetype last = 0;
    int n = 0;
    auto it = re.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        result += QStringView(text).mid(last, m.capturedStart() - last);
        if (!Expand(m, replacement, groups, names, result, error)) return false;
        last = m.capturedEnd();
        ++n;
    }
    result += QStringView(text).mid(last);
    *out = n == 0 ? text : result;
    *count = n;
    return true;
}

}  // namespace korvi
