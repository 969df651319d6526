#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace korvi {

// Change events of folders from the kernel (inotify), one watch a folder.
// The events queue in the kernel as the changes happen and are taken
// without waiting.
class DirWatch {
public:
    struct Event {
        int wd = -1;
        std::uint32_t mask = 0;
        QByteArray name;  // empty: the watched folder itself
    };

    DirWatch();
    ~DirWatch();
    DirWatch(const DirWatch&) = delete;
    DirWatch& operator=(const DirWatch&) = delete;

    bool Ok() const { return fd_ >= 0; }
    // Watches the folder for entries made, removed, moved, written or
    // changed, and for its own removal; the watch's id, or -1 (limit
    // reached, no such folder).
    int Add(const QByteArray& folder);
    void Remove(int wd);
    // The events queued so far; *overflow is set when the kernel dropped
    // some.
    std::vector<Event> Drain(bool* overflow);

private:
    int fd_ = -1;
};

}  // namespace korvi
