#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

namespace korvi {

class CtrlFile;

// Session cookies shared by every worker of every run: looked up by the
// referrer of a request, stored under the URL that answered.
class SessionCookies {
public:
    // The value to send as "Cookie" for a request with this referrer; "" when none.
    QString Lookup(const QString& referrer) const;
    void Store(const QString& url, const QString& value);
    int Size() const;

    // Both halves of the exchange for one request: fills *cookieHeader from
    // the referrer before the request; with the response's Set-Cookie values
    // stores the cookie under the URL. Failures are logged.
    void MngmntSssnCookie(const QString& referrer, QString* cookieHeader, CtrlFile* log) const;
    void MngmntSssnCookie(const QString& url, const QList<QByteArray>& setCookies, CtrlFile* log);

    // Set-Cookie value(s) with every "path" attribute dropped, joined by ";".
    static QString StripPath(const QList<QByteArray>& setCookies);

private:
    mutable QMutex mutex_;
    QHash<QString, QString> table_;
};

}  // namespace korvi
