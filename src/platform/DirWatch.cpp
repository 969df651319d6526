#include "platform/DirWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvi {

DirWatch::DirWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

DirWatch::~DirWatch() {
    if (fd_ >= 0) ::close(fd_);
}

int DirWatch::Add(const QByteArray& folder) {
    if (fd_ < 0) return -1;
    constexpr std::uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                    IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF |
                                    IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;
    return ::inotify_add_watch(fd_, folder.constData(), kMask);
}

void DirWatch::Remove(int wd) {
    if (fd_ >= 0 && wd >= 0) ::inotify_rm_watch(fd_, wd);
}

std::vector<DirWatch::Event> DirWatch::Drain(bool* overflow) {
    std::vector<Event> out;
    *overflow = false;
    if (fd_ < 0) {
        *overflow = true;
        return out;
    }
    alignas(inotify_event) char buf[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // EAGAIN: nothing more queued
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            inotify_event ev;
            std::memcpy(&ev, buf + at, sizeof ev);
            Event e;
            e.wd = ev.wd;
            e.mask = ev.mask;
            if (ev.len > 0) e.name = QByteArray(buf + at + sizeof ev);  // NUL-padded
            if (ev.mask & IN_Q_OVERFLOW) *overflow = true;
            out.push_back(std::move(e));
            at += ssize_t(sizeof ev) + ssize_t(ev.len);
        }
    }
    return out;
}

}  // namespace korvi
