#include "engine/crawl/RobotsTxt.h"

#include <QRegularExpression>
#include <QSet>
#include <QUrl>

#include <cctype>
#include <cmath>
#include <vector>

namespace korvi {

namespace {

// Escapes bytes a request line cannot carry and writes every escape in
// upper case, so that a rule and a target compare byte for byte.
QByteArray Canonical(const QByteArray& in) {
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        const auto c = static_cast<unsigned char>(in[i]);
        if (c == '%' && i + 2 < in.size() && std::isxdigit(static_cast<unsigned char>(in[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(in[i + 2]))) {
            out += '%';
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(in[i + 1])));
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(in[i + 2])));
            i += 2;
        } else if (c <= 0x20 || c >= 0x7F) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The names a group's User-agent line may use for us.
QSet<QByteArray> AgentTokens(const QString& userAgent) {
    QSet<QByteArray> names{QByteArrayLiteral("korvi")};
    static const QRegularExpression kSplit(QStringLiteral("[^A-Za-z0-9_.-]+"));
    for (const QString& part : userAgent.toLower().split(kSplit, Qt::SkipEmptyParts))
        names.insert(part.toUtf8());
    return names;
}

constexpr qsizetype kMaxRule = 2048;

struct Group {
    bool named = false;  // names us
    bool star = false;
    std::vector<std::pair<QByteArray, bool>> rules;
    qint64 delay = -1;
};

}  // namespace

RobotsTxt RobotsTxt::DisallowAll() {
    RobotsTxt r;
    r.rules_.append({QByteArrayLiteral("/"), false});
    return r;
}

RobotsTxt RobotsTxt::Parse(const QByteArray& text, const QString& userAgent) {
    const QSet<QByteArray> names = AgentTokens(userAgent);
    std::vector<Group> groups;
    bool inAgents = false;  // the previous line was a User-agent line
    for (QByteArray line : text.left(kMaxBytes).split('\n')) {
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0) line.truncate(hash);
        line = line.trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) continue;
        const QByteArray key = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (key == "user-agent" || key == "useragent" || key == "user agent") {
            if (!inAgents || groups.empty()) groups.emplace_back();
            inAgents = true;
            // A product token ends at "/" (the version) or a blank.
            QByteArray name = value.toLower();
            const qsizetype end = name.indexOf('/');
            if (end >= 0) name.truncate(end);
            name = name.trimmed();
            if (name == "*")
                groups.back().star = true;
            else if (!name.isEmpty() && names.contains(name))
                groups.back().named = true;
            continue;
        }
        if (groups.empty()) continue;  // rules before any User-agent line
        inAgents = false;
        Group& g = groups.back();
        if (key == "allow" || key == "disallow") {
            // An empty Disallow allows everything; it adds no rule.
            // A rule longer than any URL we send could only cost time.
            if (!value.isEmpty() && value.size() <= kMaxRule)
                g.rules.emplace_back(Canonical(value), key == "allow");
        } else if (key == "crawl-delay") {
            bool ok = false;
            const double sec = value.toDouble(&ok);
            if (ok && std::isfinite(sec) && sec >= 0 && g.delay < 0)
                g.delay = static_cast<qint64>(std::min(sec, 86400.0) * 1000);
        }
    }
    bool anyNamed = false;
    for (const Group& g : groups) anyNamed = anyNamed || g.named;
    RobotsTxt r;
    for (const Group& g : groups) {
        if (anyNamed ? !g.named : !g.star) continue;
        for (const auto& [pattern, allow] : g.rules) r.rules_.append({pattern, allow});
        if (g.delay >= 0 && r.delay_ms_ < 0) r.delay_ms_ = g.delay;
    }
    return r;
}

QByteArray RobotsTxt::Target(const QString& url) {
    const QUrl u(url, QUrl::TolerantMode);
    QByteArray target =
        u.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (target.isEmpty() || target[0] != '/') target.prepend('/');
    return target;
}

bool RobotsTxt::Allowed(const QByteArray& rawTarget) const {
    if (rules_.isEmpty()) return true;
    const QByteArray target = Canonical(rawTarget);
    if (target == "/robots.txt") return true;
    qsizetype best = -1;
    bool allow = true;
    for (const Rule& rule : rules_) {
        const qsizetype len = rule.pattern.size();
        if (len < best || !Matches(rule.pattern, target)) continue;
        if (len > best) {
            best = len;
            allow = rule.allow;
        } else if (rule.allow) {
            allow = true;  // a tie goes to Allow
        }
    }
    return allow;
}

// "*" stands for any run of bytes, a final "$" anchors the end; otherwise
// a rule matches a prefix of the target.
bool RobotsTxt::Matches(const QByteArray& pattern, const QByteArray& target) {
    QByteArray p = pattern;
    if (p.endsWith('$'))
        p.chop(1);
    else
        p += '*';
    if (!p.contains('*')) return target == p;
    // Greedy match, going back to the last "*" on a mismatch: no allocation
    // and no recursion, whatever the file holds.
    qsizetype i = 0, j = 0, star = -1, mark = 0;
    while (j < target.size()) {
        if (i < p.size() && p[i] == '*') {
            star = i++;
            mark = j;
        } else if (i < p.size() && p[i] == target[j]) {
            ++i;
            ++j;
        } else if (star >= 0) {
            i = star + 1;
            j = ++mark;
        } else {
            return false;
        }
    }
    while (i < p.size() && p[i] == '*') ++i;
    return i == p.size();
}

}  // namespace korvi
