#include "platform/MoveNoReplace.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace korvi {

namespace {

MoveResult Fail(int err, QString* error) {
    if (error) *error = QString::fromLocal8Bit(std::strerror(err));
    return MoveResult::Failed;
}

// The file system offers no such operation (as opposed to a real failure).
bool Unsupported(int err) {
    return err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EPERM;
}

}  // namespace

MoveResult MoveNoReplace(const QString& from, const QString& to, QString* error) {
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
        return MoveResult::Moved;
    if (errno == EEXIST) return MoveResult::Existed;
    if (!Unsupported(errno)) return Fail(errno, error);
#endif
    // A hard link fails when the name is taken, which makes it exclusive too.
    if (::link(src.constData(), dst.constData()) == 0) {
        ::unlink(src.constData());
        return MoveResult::Moved;
    }
    if (errno == EEXIST) return MoveResult::Existed;
    if (!Unsupported(errno)) return Fail(errno, error);
    // No exclusive rename on this file system: the narrowest check there is.
    if (::access(dst.constData(), F_OK) == 0) return MoveResult::Existed;
    if (::rename(src.constData(), dst.constData()) == 0) return MoveResult::Moved;
    return Fail(errno, error);
}

}  // namespace korvi
