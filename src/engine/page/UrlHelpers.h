#pragma once

#include <QString>
#include <QUrl>

#include <functional>

namespace korvi {

// Receives one complete error-log message (prefix + failure text). An empty
// sink drops the message.
using ErrSink = std::function<void(const QString&)>;

// The two prefixes derived from a base URL: the server root ("http://host/")
// and the base directory (the URL without its query, cut after its last "/").
// Both are empty for a URL without "://".
struct BasePrefixes {
    QString root;
    QString dir;
};
BasePrefixes SplitBaseUrl(const QString& baseUrl);

// Scope of a URL against the prefixes: 0 outside the server root (or no
// base), 1 inside the root but outside the directory, 2 inside the directory.
int UrlScope(const QString& url, const BasePrefixes& base);

// Base URL of a page: the BASE href when the text has one (resolved against
// the page URL when it is relative), else the page URL. An invalid QUrl when
// none can be made; the failure goes to the sink with its log prefix.
// validUtf16 as for GetPTtl.
QUrl GetBaseUrl(const QString& text, const QString& pageUrl, const ErrSink& err = {},
                bool validUtf16 = false);

// Whether a link is absolute: it opens with a scheme (a letter, then
// letters, digits, "+", "-" or ".") followed by ":". "http.client.html" is not.
bool HasUrlScheme(const QString& link);

// A link made absolute against the base: "http://..." is kept as written,
// anything else is resolved by the RFC 3986 rules. "" when the link cannot
// be made into a fetchable URL (failures are logged through the sink).
QString GetAbsltUrl(const QString& link, const QUrl& base, const ErrSink& err = {});

// GetAbsltUrl against one base for many links. A path of plain characters
// (letters, digits, "-._~/", no dot segment) is put after the base's folder
// or, when it starts with "/", after its authority; both were resolved once.
// Any other link goes through GetAbsltUrl. The answers are the same.
class LinkResolver {
public:
    LinkResolver() = default;
    explicit LinkResolver(const QUrl& base);
    QString Resolve(const QString& link, const ErrSink& err = {}) const;

private:
    QUrl base_;
    QString folder_;  // "scheme://authority/folder/"; empty: no shortcut
    QString root_;    // "scheme://authority"; empty: no shortcut
};

// Cleans a listed URL: cuts the fragment (unless restSharp, and never a "#"
// in first place) and decodes the few escapes pages commonly carry.
QString ChngUrl(const QString& url, bool restSharp);

// Percent-encodes every query value in Shift_JIS (the form Japanese servers
// expect); the rest of the URL is kept.
QString EncJ(const QString& url, const ErrSink& err = {});

}  // namespace korvi
