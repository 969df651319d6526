#include "platform/ReadAhead.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

namespace korvi {

namespace {

void Ask(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
    ::close(fd);
}

}  // namespace

void ReadAhead(const std::vector<QByteArray>& paths) {
    // Opening a file whose inode is not cached waits for the disk: a few
    // threads keep several of those reads in flight.
    constexpr size_t kThreads = 8;
    constexpr size_t kPerThread = 16;
    const size_t count = std::min(kThreads, paths.size() / kPerThread);
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next++) < paths.size();) Ask(paths[i]);
    };
    std::vector<std::thread> threads;
    for (size_t t = 1; t < count; ++t) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        }
    }
    work();
    for (std::thread& t : threads) t.join();
}

}  // namespace korvi
