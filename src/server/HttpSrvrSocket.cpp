#include "server/HttpSrvrSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace korvi {

namespace {

constexpr qint64 kOutBuffer = 16 * 1024;
constexpr int kSlice = 200;  // ms between looks at the stop flag

QString AddressText(const sockaddr_in& a, bool withPort) {
    char buf[INET_ADDRSTRLEN] = {0};
    inet_ntop(AF_INET, &a.sin_addr, buf, sizeof buf);
    QString out = u'/' + QString::fromLatin1(buf);
    if (withPort) out += u':' + QString::number(ntohs(a.sin_port));
    return out;
}

QString ErrnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

qint64 HttpSrvrSocket::NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

HttpSrvrSocket::HttpSrvrSocket(int fd, const std::atomic<bool>& stop) : fd_(fd), stop_(stop) {
    const int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

HttpSrvrSocket::~HttpSrvrSocket() {
    if (fd_ >= 0) ::close(fd_);
}

bool HttpSrvrSocket::WaitFor(short events, qint64 deadlineMs) {
    for (;;) {
        if (stop_.load()) {
            error_ = QStringLiteral("server stopping");
            return false;
        }
        const qint64 left = deadlineMs - NowMs();
        if (left <= 0) {
            error_ = QStringLiteral("time out");
            return false;
        }
        pollfd p{fd_, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left < kSlice ? left : kSlice));
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) {
            error_ = ErrnoText();
            return false;
        }
    }
}

bool HttpSrvrSocket::SendAll(const char* data, qint64 size) {
    while (size > 0) {
        if (!WaitFor(POLLOUT, NowMs() + write_timeout_ms_)) {
            failed_ = true;
            return false;
        }
        const ssize_t put = ::send(fd_, data, static_cast<size_t>(size), MSG_NOSIGNAL);
        if (put < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            error_ = ErrnoText();
            failed_ = true;
            return false;
        }
        data += put;
        size -= put;
    }
    return true;
}

bool HttpSrvrSocket::Write(const char* data, qint64 size) {
    if (failed_) return false;
    out_.append(data, size);
    if (out_.size() >= kOutBuffer) return Flush();
    return true;
}

bool HttpSrvrSocket::Flush() {
    if (failed_) return false;
    const bool ok = SendAll(out_.constData(), out_.size());
    out_.clear();
    return ok;
}

void HttpSrvrSocket::Close() {
    if (fd_ < 0) return;
    Flush();
    ::shutdown(fd_, SHUT_WR);
    // Input left unread would make the close reset the connection and lose
    // the response. The head has been read already, so only a client that
    // sends more (a body) is waited for, briefly; a silent one costs nothing.
    char buf[4096];
    bool more = false;
    for (;;) {
        const ssize_t got = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
        if (got > 0) {
            more = true;
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        break;
    }
    if (more) {
        const qint64 deadline = NowMs() + 1000;
        while (WaitFor(POLLIN, deadline)) {
            const ssize_t got = ::recv(fd_, buf, sizeof buf, 0);
            if (got <= 0 && !(got < 0 && (errno == EINTR || errno == EAGAIN))) break;
        }
    }
    ::close(fd_);
    fd_ = -1;
}

QString HttpSrvrSocket::LocalAddress() const {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) return QString("");
    return AddressText(a, true);
}

QString HttpSrvrSocket::RemoteAddress() const {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (getpeername(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) return QString("");
    return AddressText(a, true);
}

QString HttpSrvrSocket::RemoteHost() const {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (getpeername(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) return QString("");
    return AddressText(a, false);
}

int HttpSrvrListen(const QString& address, int port, int backlog, QString* errorOut) {
    QString ignored;
    QString* error = errorOut ? errorOut : &ignored;
    if (port < 0 || port > 65535) {
        *error = QStringLiteral("port out of range: ") + QString::number(port);
        return -1;
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, address.toLatin1().constData(), &a.sin_addr) != 1) {
        *error = QStringLiteral("bad address: ") + address;
        return -1;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = ErrnoText();
        return -1;
    }
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, backlog) != 0) {
        *error = ErrnoText();
        ::close(fd);
        return -1;
    }
    return fd;
}

int HttpSrvrBoundPort(int fd) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return -1;
    return ntohs(a.sin_port);
}

}  // namespace korvi
