#include "server/HttpHeadReader.h"

#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "server/HttpRequestHead.h"

namespace korvi {

void HttpHeadReader::Add(int fd, qint64 nowMs, std::vector<HttpDropped>* dropped) {
    if (static_cast<int>(conns_.size()) >= max_held_ && !conns_.empty()) {
        auto victim = std::find_if(conns_.begin(), conns_.end(),
                                   [](const Conn& c) { return c.bytes.isEmpty(); });
        if (victim == conns_.end()) victim = conns_.begin();
        dropped->push_back({victim->fd, QStringLiteral("too many connections")});
        conns_.erase(victim);
    }
    conns_.push_back({fd, nowMs, QByteArray()});
}

void HttpHeadReader::PollSet(std::vector<pollfd>* fds) const {
    for (const Conn& c : conns_) fds->push_back({c.fd, POLLIN, 0});
}

bool HttpHeadReader::ReadSome(Conn& c, std::vector<HttpArrival>* done,
                              std::vector<HttpDropped>* dropped) {
    char buf[4096];
    for (;;) {
        const ssize_t got = ::recv(c.fd, buf, sizeof buf, 0);
        if (got > 0) {
            c.bytes.append(buf, got);
            const qsizetype end = HttpRequestHead::End(c.bytes);
            if (end >= 0 && end <= kMaxHead) {
                done->push_back({c.fd, c.bytes.left(end)});
                return true;
            }
            if (end > kMaxHead || c.bytes.size() > kMaxHead) {
                dropped->push_back({c.fd, QStringLiteral("request line too long")});
                return true;
            }
            continue;
        }
        if (got == 0) {
            // Closed: what came is the request (empty: no request line).
            done->push_back({c.fd, c.bytes});
            return true;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
        dropped->push_back({c.fd, QString::fromLocal8Bit(std::strerror(errno))});
        return true;
    }
}

void HttpHeadReader::Step(const std::vector<pollfd>& fds, size_t offset, qint64 nowMs,
                          int firstByteMs, int headMs, std::vector<HttpArrival>* done,
                          std::vector<HttpDropped>* dropped) {
    std::vector<Conn> keep;
    keep.reserve(conns_.size());
    for (size_t i = 0; i < conns_.size(); ++i) {
        Conn& c = conns_[i];
        const size_t at = offset + i;
        const bool ready = at < fds.size() && fds[at].fd == c.fd && fds[at].revents != 0;
        if (ready && ReadSome(c, done, dropped)) continue;
        const qint64 age = nowMs - c.since;
        if (age >= headMs || (c.bytes.isEmpty() && age >= firstByteMs)) {
            if (HttpRequestHead::HasLine(c.bytes)) {
                done->push_back({c.fd, c.bytes});
            } else {
                dropped->push_back(
                    {c.fd, c.bytes.isEmpty() ? Silent() : QStringLiteral("time out")});
            }
            continue;
        }
        keep.push_back(std::move(c));
    }
    conns_.swap(keep);
}

int HttpHeadReader::NextLimitMs(qint64 nowMs, int firstByteMs, int headMs, int capMs) const {
    qint64 next = capMs;
    for (const Conn& c : conns_) {
        const qint64 limit = c.since + (c.bytes.isEmpty() ? std::min(firstByteMs, headMs) : headMs);
        next = std::min(next, limit - nowMs);
    }
    return static_cast<int>(std::max<qint64>(next, 0));
}

void HttpHeadReader::CloseAll() {
    for (const Conn& c : conns_) ::close(c.fd);
    conns_.clear();
}

}  // namespace korvi
