#include "server/HttpSrvrGuard.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QUrl>

#include "server/HttpRequestHead.h"
#include "server/HttpSrvrQuery.h"

namespace korvi {

HttpSrvrGuard::HttpSrvrGuard(const QString& bind, int port) : port_(port) {
    hosts_ << QStringLiteral("127.0.0.1") << QStringLiteral("::1") << QStringLiteral("localhost");
    if (bind == QStringLiteral("0.0.0.0")) {
        for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) hosts_ << a.toString();
        }
    } else if (!bind.isEmpty()) {
        hosts_ << bind;
    }
    // Reached from the network, the machine's own name is no other site.
    if (!bind.startsWith(QStringLiteral("127."))) {
        const QString name = QHostInfo::localHostName().toLower();
        if (!name.isEmpty()) hosts_ << name << name + QStringLiteral(".local");
    }
    hosts_.removeDuplicates();
}

bool HttpSrvrGuard::NamesServer(const QByteArray& hostField) const {
    const QString text = QString::fromLatin1(hostField).trimmed().toLower();
    if (text.isEmpty()) return false;
    QString host = text;
    QString port;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0) return false;
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':')) return false;
            port = rest.mid(1);
        }
    } else {
        const qsizetype colon = text.indexOf(u':');
        if (colon >= 0) {
            host = text.left(colon);
            port = text.mid(colon + 1);
        }
    }
    if (!port.isEmpty()) {
        bool ok = false;
        const int p = port.toInt(&ok);
        if (!ok || p != port_ || port.startsWith(u'+')) return false;
    }
    return hosts_.contains(host);
}

bool HttpSrvrGuard::HostAllowed(const HttpRequestHead& head) const {
    const QList<QByteArray> hosts = head.Values("host");
    if (hosts.isEmpty()) return true;
    return hosts.size() == 1 && NamesServer(hosts.at(0));
}

bool HttpSrvrGuard::OwnOrigin(const QByteArray& origin) const {
    const QUrl url(QString::fromLatin1(origin));
    if (!url.isValid() || url.scheme() != QStringLiteral("http") || !url.path().isEmpty())
        return false;
    QString host = url.host().toLower();
    if (host.contains(u':')) host = u'[' + host + u']';
    const int port = url.port(80);
    return NamesServer((host + u':' + QString::number(port)).toLatin1());
}

bool HttpSrvrGuard::FromOtherSite(const HttpRequestHead& head) const {
    // Only the user's own address bar or a page of this server may start
    // work; "same-site" covers other ports of the same host.
    for (const QByteArray& site : head.Values("sec-fetch-site")) {
        const QByteArray s = site.toLower();
        if (s != "same-origin" && s != "none") return true;
    }
    for (const QByteArray& origin : head.Values("origin")) {
        if (!OwnOrigin(origin)) return true;
    }
    return false;
}

bool HttpSrvrGuard::DoesWork(const QString& query) {
    if (query.isEmpty()) return false;
    const QString act = HttpSrvrQuery::Parse(query).value(QStringLiteral("act"));
    return act != QStringLiteral("dir") && act != QStringLiteral("res");
}

}  // namespace korvi
