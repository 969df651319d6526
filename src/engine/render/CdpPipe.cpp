#include "engine/render/CdpPipe.h"

#include <QJsonDocument>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>

namespace korvi {

namespace {

constexpr qsizetype kMaxMessage = 512 * 1024 * 1024;

// Writes all bytes; MSG_NOSIGNAL keeps a closed peer from killing the process.
bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

CdpPipe::CdpPipe(int writeFd, int readFd, EventFn onEvent)
    : write_fd_(writeFd), read_fd_(readFd), on_event_(std::move(onEvent)) {
    if (::pipe2(wake_fds_, O_CLOEXEC) != 0) wake_fds_[0] = wake_fds_[1] = -1;
    reader_ = std::thread([this] { ReadLoop(); });
}

CdpPipe::~CdpPipe() {
    Close();
    for (int fd : {write_fd_, read_fd_, wake_fds_[0], wake_fds_[1]})
        if (fd >= 0) ::close(fd);
}

void CdpPipe::Close() {
    MarkClosed();
    if (wake_fds_[1] >= 0) {
        const char b = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake_fds_[1], &b, 1);
    }
    std::lock_guard lock(join_mutex_);
    if (reader_.joinable() && reader_.get_id() != std::this_thread::get_id()) reader_.join();
}

void CdpPipe::MarkClosed() {
    std::lock_guard lock(mutex_);
    closed_.store(true);
    cv_.notify_all();
}

int CdpPipe::Send(const QString& method, const QJsonObject& params, const QString& sessionId) {
    if (closed_.load()) return 0;
    int id;
    {
        std::lock_guard lock(mutex_);
        id = next_id_++;
        pending_[id];
    }
    QJsonObject msg{{QStringLiteral("id"), id}, {QStringLiteral("method"), method}};
    if (!params.isEmpty()) msg.insert(QStringLiteral("params"), params);
    if (!sessionId.isEmpty()) msg.insert(QStringLiteral("sessionId"), sessionId);
    QByteArray bytes = QJsonDocument(msg).toJson(QJsonDocument::Compact);
    bytes.append('\0');
    std::lock_guard lock(write_mutex_);
    if (!WriteAll(write_fd_, bytes.constData(), static_cast<size_t>(bytes.size()))) {
        MarkClosed();
        return 0;
    }
    return id;
}

CdpPipe::Reply CdpPipe::Call(const QString& method, const QJsonObject& params,
                             const QString& sessionId, int timeoutMs) {
    Reply reply;
    const int id = Send(method, params, sessionId);
    if (id == 0) {
        reply.error = QStringLiteral("pipe closed");
        return reply;
    }
    std::unique_lock lock(mutex_);
    const bool answered = cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                       [&] { return pending_[id].done || closed_.load(); });
    if (answered && pending_[id].done) {
        reply = pending_[id].reply;
    } else {
        reply.error = closed_.load() ? QStringLiteral("pipe closed") : QStringLiteral("no answer");
    }
    pending_.erase(id);
    return reply;
}

bool CdpPipe::Post(const QString& method, const QJsonObject& params, const QString& sessionId) {
    const int id = Send(method, params, sessionId);
    if (id == 0) return false;
    std::lock_guard lock(mutex_);
    pending_.erase(id);  // the answer, when it comes, is dropped
    return true;
}

void CdpPipe::ReadLoop() {
    QByteArray buffer;
    char chunk[65536];
    for (;;) {
        pollfd fds[2] = {{read_fd_, POLLIN, 0}, {wake_fds_[0], POLLIN, 0}};
        const int r = ::poll(fds, wake_fds_[0] >= 0 ? 2 : 1, -1);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 || (fds[1].revents & POLLIN) || closed_.load()) break;
        const ssize_t n = ::read(read_fd_, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) break;
        buffer.append(chunk, n);
        qsizetype start = 0;
        for (qsizetype end; (end = buffer.indexOf('\0', start)) >= 0; start = end + 1)
            Dispatch(buffer.mid(start, end - start));
        buffer.remove(0, start);
        // A page cannot make the reader hold without bound: such a browser is dropped.
        if (buffer.size() > kMaxMessage) break;
    }
    MarkClosed();
}

void CdpPipe::Dispatch(const QByteArray& message) {
    const QJsonObject msg = QJsonDocument::fromJson(message).object();
    if (msg.isEmpty()) return;
    const QString session = msg.value(QStringLiteral("sessionId")).toString();
    if (msg.contains(QStringLiteral("id"))) {
        const int id = msg.value(QStringLiteral("id")).toInt();
        std::lock_guard lock(mutex_);
        auto it = pending_.find(id);
        if (it == pending_.end()) return;
        const QJsonObject error = msg.value(QStringLiteral("error")).toObject();
        it->second.reply.ok = error.isEmpty();
        it->second.reply.error = error.value(QStringLiteral("message")).toString();
        it->second.reply.result = msg.value(QStringLiteral("result")).toObject();
        it->second.done = true;
        cv_.notify_all();
        return;
    }
    const QString method = msg.value(QStringLiteral("method")).toString();
    if (!method.isEmpty() && on_event_)
        on_event_(method, msg.value(QStringLiteral("params")).toObject(), session);
}

}  // namespace korvi
