#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace korvi {

struct HttpRequestHead;

// Keeps web pages the user visits away from the server: a request must name
// the server itself in its Host field (no DNS rebinding), and a request that
// does work must not come from another site's page.
class HttpSrvrGuard {
public:
    HttpSrvrGuard() = default;
    // bind: the listening address ("0.0.0.0" adds this machine's addresses;
    // any address but a loopback one adds its host name); port: the port
    // listened on.
    HttpSrvrGuard(const QString& bind, int port);
    HttpSrvrGuard(const QStringList& hosts, int port) : hosts_(hosts), port_(port) {}

    // A missing Host passes (no browser omits it); two Host fields do not.
    bool HostAllowed(const HttpRequestHead& head) const;
    // "host", "host:port", "[v6]:port" naming this server.
    bool NamesServer(const QByteArray& hostField) const;
    // A browser marked the request as coming from a page of another origin.
    bool FromOtherSite(const HttpRequestHead& head) const;
    // Commands that start a search or write a file; browsing and reading a
    // result page are not work.
    static bool DoesWork(const QString& query);

    const QStringList& Hosts() const { return hosts_; }

private:
    bool OwnOrigin(const QByteArray& origin) const;

    QStringList hosts_;
    int port_ = -1;
};

}  // namespace korvi
