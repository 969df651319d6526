#include "store/ReplaceFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace korvi {

namespace {

// Bytes gathered before they are written.
constexpr qsizetype kBlock = 64 * 1024;

QByteArray TempName(const QByteArray& path) {
    return path + ".tmp" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
}

// The process's file mode creation mask, read once without changing it; -1
// when it cannot be read.
int CreationMask() {
    static const int mask = [] {
        QFile f(QStringLiteral("/proc/self/status"));
        if (!f.open(QIODevice::ReadOnly)) return -1;
        for (QByteArray line = f.readLine(); !line.isEmpty(); line = f.readLine()) {
            if (!line.startsWith("Umask:")) continue;
            bool ok = false;
            const int m = line.mid(6).trimmed().toInt(&ok, 8);
            return ok ? m : -1;
        }
        return -1;
    }();
    return mask;
}

// Whether linkat may name an open file by its descriptor (AT_EMPTY_PATH):
// Linux allows it from 6.10 on, and before to a process that may read any
// folder. Turned off at the first refusal.
std::atomic<bool> g_link_by_descriptor{true};

// Gives the unnamed file open at fd the name path: by its descriptor where
// allowed (no lookup through /proc), else through /proc/self/fd.
int LinkOpenFile(int fd, const QByteArray& path) {
    if (g_link_by_descriptor.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", AT_FDCWD, path.constData(), AT_EMPTY_PATH) == 0) return 0;
        if (errno != ENOENT) return -1;  // a real answer (EEXIST, ENOSPC, ...)
    }
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    const int r =
        ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW);
    // A refusal reads as ENOENT; the other way round working tells it apart
    // from a folder that is gone.
    if (r == 0) g_link_by_descriptor.store(false, std::memory_order_relaxed);
    return r;
}

}  // namespace

ReplaceFile::ReplaceFile(const QString& path)
    : path_(QFile::encodeName(QFileInfo(path).absoluteFilePath())) {}

ReplaceFile::~ReplaceFile() {
    Cancel();
}

bool ReplaceFile::Fail(const char* what) {
    error_ = QString::fromLocal8Bit(what) + QStringLiteral(": ") +
             QString::fromLocal8Bit(std::strerror(errno));
    failed_ = true;
    return false;
}

bool ReplaceFile::Open() {
    Cancel();
    failed_ = false;
    error_.clear();
    flushed_ = false;
    const int mode = absent_ ? -1 : OldMode();
    old_file_ = mode >= 0;
    const qsizetype slash = path_.lastIndexOf('/');
    const QByteArray dir = slash > 0 ? path_.left(slash) : QByteArray("/");
    fd_ = ::open(dir.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        // No unnamed files here: a temporary name beside the file.
        for (int i = 0; i < 100 && fd_ < 0; ++i) {
            temp_ = TempName(path_);
            fd_ = ::open(temp_.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) {
            temp_.clear();
            return Fail("cannot create");
        }
    }
    // A replaced file keeps its permissions. The new file was made 0666
    // less the mask; only other permissions need setting.
    const int mask = CreationMask();
    if (mode >= 0 && (mask < 0 || mode != (0666 & ~mask))) ::fchmod(fd_, static_cast<mode_t>(mode));
    return true;
}

int ReplaceFile::OldMode() {
    struct stat st {};
    if (follow_) {
        if (::lstat(path_.constData(), &st) != 0) return -1;
        if (S_ISLNK(st.st_mode)) {
            char target[PATH_MAX];
            // A link leading nowhere is itself replaced.
            if (!::realpath(path_.constData(), target)) return -1;
            path_ = QByteArray(target);
            if (::stat(path_.constData(), &st) != 0) return -1;
        }
    } else if (::stat(path_.constData(), &st) != 0) {
        return -1;
    }
    return S_ISREG(st.st_mode) ? static_cast<int>(st.st_mode & 07777) : -1;
}

bool ReplaceFile::Write(const char* data, qint64 size) {
    if (fd_ < 0 || failed_) return false;
    if (size <= 0) return true;
    if (pending_.size() + size <= kBlock) {
        pending_.append(data, static_cast<qsizetype>(size));
        return true;
    }
    if (!Flush()) return false;
    if (size < kBlock) {
        pending_.append(data, static_cast<qsizetype>(size));
        return true;
    }
    flushed_ = true;
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail("cannot write");
        }
        data += n;
        size -= n;
    }
    return true;
}

bool ReplaceFile::Flush() {
    if (pending_.isEmpty()) return true;
    flushed_ = true;
    const char* data = pending_.constData();
    qint64 size = pending_.size();
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            pending_.clear();
            return Fail("cannot write");
        }
        data += n;
        size -= n;
    }
    pending_.clear();
    return true;
}

bool ReplaceFile::Rewrite(const char* data, qint64 size) {
    if (fd_ < 0 || failed_) return false;
    pending_.clear();
    if (flushed_) {
        if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0) return Fail("cannot write");
        flushed_ = false;
    }
    return Write(data, size);
}

bool ReplaceFile::LinkTemporary() {
    for (int i = 0; i < 100; ++i) {
        temp_ = TempName(path_);
        if (LinkOpenFile(fd_, temp_) == 0) return true;
        if (errno != EEXIST) break;
    }
    temp_.clear();
    return Fail("cannot name");
}

bool ReplaceFile::Commit() {
    if (fd_ >= 0 && !failed_ && Flush() && mtime_ms_ > 0) {
        const struct timespec times[2] = {{0, UTIME_OMIT},
                                          {static_cast<time_t>(mtime_ms_ / 1000),
                                           static_cast<long>(mtime_ms_ % 1000) * 1000000L}};
        if (::futimens(fd_, times) != 0) Fail("cannot set the time");
    }
    if (fd_ < 0 || failed_) {
        if (error_.isEmpty()) error_ = QStringLiteral("not open");
        Cancel();
        return false;
    }
    if (temp_.isEmpty()) {
        // A new file is named at once; an old one is replaced by a rename.
        if (!old_file_ && LinkOpenFile(fd_, path_) == 0) {
            ::close(fd_);
            fd_ = -1;
            return true;
        }
        if ((!old_file_ && errno != EEXIST) || !LinkTemporary()) {
            if (!failed_) Fail("cannot name");
            Cancel();
            return false;
        }
    }
    if (::rename(temp_.constData(), path_.constData()) != 0) {
        Fail("cannot replace");
        Cancel();
        return false;
    }
    temp_.clear();
    ::close(fd_);
    fd_ = -1;
    return true;
}

void ReplaceFile::Cancel() {
    pending_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.isEmpty()) ::unlink(temp_.constData());
    temp_.clear();
}

bool ReplaceFile::Save(const QString& path, const QByteArray& bytes, QString* error, bool absent) {
    ReplaceFile f(path);
    if (absent) f.SetAbsent();
    const bool ok = f.Open() && f.Write(bytes.constData(), bytes.size()) && f.Commit();
    if (!ok && error) *error = f.ErrorString();
    return ok;
}

}  // namespace korvi
