#include "store/ReplaceFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvi {

namespace {

QByteArray TempName(const QByteArray& path) {
    return path + ".tmp" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
}

}  // namespace

ReplaceFile::ReplaceFile(const QString& path) {
    const QFileInfo info(path);
    // A link is followed: its target is the file replaced.
    const QString target = info.isSymLink() && !info.canonicalFilePath().isEmpty()
                               ? info.canonicalFilePath()
                               : info.absoluteFilePath();
    path_ = QFile::encodeName(target);
}

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
    // A replaced file keeps its permissions.
    struct stat st {};
    if (::stat(path_.constData(), &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(fd_, st.st_mode & 07777);
    return true;
}

bool ReplaceFile::Write(const char* data, qint64 size) {
    if (fd_ < 0 || failed_) return false;
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

bool ReplaceFile::LinkTemporary(const QByteArray& from) {
    for (int i = 0; i < 100; ++i) {
        temp_ = TempName(path_);
        if (::linkat(AT_FDCWD, from.constData(), AT_FDCWD, temp_.constData(), AT_SYMLINK_FOLLOW) ==
            0)
            return true;
        if (errno != EEXIST) break;
    }
    temp_.clear();
    return Fail("cannot name");
}

bool ReplaceFile::Commit() {
    if (fd_ < 0 || failed_) {
        if (error_.isEmpty()) error_ = QStringLiteral("not open");
        Cancel();
        return false;
    }
    if (temp_.isEmpty()) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_);
        // A new file is named at once; an old one is replaced by a rename.
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, path_.constData(), AT_SYMLINK_FOLLOW) ==
            0) {
            ::close(fd_);
            fd_ = -1;
            return true;
        }
        if (errno != EEXIST || !LinkTemporary(self)) {
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
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.isEmpty()) ::unlink(temp_.constData());
    temp_.clear();
}

bool ReplaceFile::Save(const QString& path, const QByteArray& bytes, QString* error) {
    ReplaceFile f(path);
    const bool ok = f.Open() && f.Write(bytes.constData(), bytes.size()) && f.Commit();
    if (!ok && error) *error = f.ErrorString();
    return ok;
}

}  // namespace korvi
