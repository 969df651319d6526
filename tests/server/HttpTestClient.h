#pragma once

#include <QByteArray>
#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <chrono>

namespace korvi::test {

// A raw TCP client for 127.0.0.1, so that tests see exactly what the server
// writes.
inline int ConnectLocal(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

inline bool SendRaw(int fd, const QByteArray& bytes) {
    qsizetype at = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return false;
        at += n;
    }
    return true;
}

// Everything until the server closes, or what came before the time-out.
inline QByteArray ReadAll(int fd, int timeoutMs, bool* closed = nullptr) {
    QByteArray out;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (closed) *closed = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return out;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) return out;
        char buf[8192];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) {
            if (closed) *closed = true;
            return out;
        }
        out.append(buf, n);
    }
}

// One exchange: the request text as sent, the whole answer.
inline QByteArray Exchange(int port, const QByteArray& request, int timeoutMs = 5000) {
    const int fd = ConnectLocal(port);
    if (fd < 0) return QByteArray("connect failed");
    SendRaw(fd, request);
    QByteArray out = ReadAll(fd, timeoutMs);
    ::close(fd);
    return out;
}

// Connects, sends nothing, closes its side and returns the answer.
inline QByteArray SilentClose(int port, int timeoutMs = 5000) {
    const int fd = ConnectLocal(port);
    if (fd < 0) return QByteArray("connect failed");
    ::shutdown(fd, SHUT_WR);
    QByteArray out = ReadAll(fd, timeoutMs);
    ::close(fd);
    return out;
}

inline QByteArray Get(int port, const QByteArray& path, const QByteArray& method = "GET") {
    return Exchange(port, method + ' ' + path + " HTTP/1.0\r\nHost: localhost\r\n" +
                              "User-Agent: test\r\n\r\n");
}

struct Reply {
    QByteArray head;
    QByteArray body;
    QByteArray status() const { return head.left(head.indexOf("\r\n")); }
};

inline Reply Split(const QByteArray& all) {
    const qsizetype at = all.indexOf("\r\n\r\n");
    if (at < 0) return {all, QByteArray()};
    return {all.left(at + 2), all.mid(at + 4)};
}

}  // namespace korvi::test
