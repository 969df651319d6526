#include "store/RunLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvi {

namespace {

QByteArray LockPath(const QString& folder) {
    return QFile::encodeName(folder + u'/' + RunLock::kFileName);
}

// flock without waiting; false when another open file holds the lock.
bool TryFlock(int fd) {
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EINTR) return false;
    }
}

}  // namespace

RunLock::RunLock() = default;

RunLock::~RunLock() {
    Release();
}

bool RunLock::Take(const QString& folder) {
    Release();
    const bool made = !QFileInfo(folder).isDir();
    if (made && !QDir().mkpath(folder)) return false;
    const QByteArray path = LockPath(folder);
    // A lock file that a releasing owner unlinks meanwhile is opened again.
    for (int tries = 0; tries < 8; ++tries) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) break;
        if (!TryFlock(fd)) {
            ::close(fd);
            break;
        }
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && ::lstat(path.constData(), &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            // The owner's process number, for a person looking at the folder.
            const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
            if (::ftruncate(fd, 0) == 0) {
                [[maybe_unused]] const ssize_t n = ::write(fd, pid.constData(), size_t(pid.size()));
            }
            fd_ = fd;
            folder_ = folder;
            made_ = made;
            return true;
        }
        ::close(fd);
    }
    if (made) QDir().rmdir(folder);
    return false;
}

void RunLock::Release() {
    if (fd_ < 0) return;
    ::unlink(LockPath(folder_).constData());
    ::close(fd_);
    fd_ = -1;
    // A folder the claim made and nothing filled goes again.
    if (made_) QDir().rmdir(folder_);
    folder_.clear();
    made_ = false;
}

bool RunLock::InUse(const QString& folder) {
    const int fd = ::open(LockPath(folder).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    const bool free = TryFlock(fd);
    ::close(fd);
    return !free;
}

QString RunLock::Suffixed(const QString& runId, int n) {
    QString id = runId;
    while (n > 9) {
        id += QStringLiteral("_9");
        n -= 8;
    }
    return id + u'_' + QString::number(n);
}

}  // namespace korvi
