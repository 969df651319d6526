#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>

namespace korvi {

// A connected TCP socket (its request head already read) with a buffered
// writer. Writes give up when the peer stops reading for the write time-out.
class HttpSrvrSocket {
public:
    HttpSrvrSocket(int fd, const std::atomic<bool>& stop);
    ~HttpSrvrSocket();
    HttpSrvrSocket(const HttpSrvrSocket&) = delete;
    HttpSrvrSocket& operator=(const HttpSrvrSocket&) = delete;

    // Buffered; false once the connection has failed.
    bool Write(const char* data, qint64 size);
    bool Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }
    bool Flush();
    // Ends the response: flushes, half-closes, reads what the client still
    // sends (briefly) so that the close does not reset the connection.
    void Close();

    QString LocalAddress() const;   // "/127.0.0.1:8088"
    QString RemoteAddress() const;  // "/127.0.0.1:53211"
    QString RemoteHost() const;     // "/127.0.0.1"
    QString LastError() const { return error_; }
    void SetWriteTimeoutMs(int ms) { write_timeout_ms_ = ms; }

    static qint64 NowMs();

private:
    bool WaitFor(short events, qint64 deadlineMs);
    bool SendAll(const char* data, qint64 size);

    int fd_;
    const std::atomic<bool>& stop_;
    QByteArray out_;
    bool failed_ = false;
    int write_timeout_ms_ = 30000;
    QString error_;
};

// A listening IPv4 socket; -1 and an error text on failure.
int HttpSrvrListen(const QString& address, int port, int backlog, QString* error = nullptr);
// The port a socket is bound to.
int HttpSrvrBoundPort(int fd);

}  // namespace korvi
