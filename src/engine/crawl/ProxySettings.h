#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QString>

namespace korvi {

// The process-wide HTTP proxy ("http.proxyHost" / "http.proxyPort"). One
// object lives in the process context and is passed by reference; a run sets
// it at start and every fetch reads a copy.
class ProxySettings {
public:
    struct Value {
        QString host;   // empty: the environment's proxy, if any (http_proxy, ...)
        int port = -1;  // -1: the default port
    };

    // Sets both values from a profile: an empty address clears the host, a
    // negative port clears the port.
    void Apply(const QString& address, int port) {
        QMutexLocker lock(&mutex_);
        value_.host = address;
        value_.port = port >= 0 ? port : -1;
    }
    void Clear() { Apply(QString(), -1); }
    Value Get() const {
        QMutexLocker lock(&mutex_);
        return value_;
    }
    // The property form the run uses: "" when unset.
    QString ProxyHost() const { return Get().host; }
    QString ProxyPort() const {
        const int p = Get().port;
        return p >= 0 ? QString::number(p) : QString("");
    }

private:
    mutable QMutex mutex_;
    Value value_;
};

}  // namespace korvi
