#include "store/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvi {

int OpenRegularFile(const QString& path, QString* failure) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *failure = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *failure = QStringLiteral("not a regular file");
        ::close(fd);
        return -1;
    }
    return fd;
}

bool ReadRegularFile(const QString& path, qint64 cap, QByteArray* bytes, QString* failure,
                     struct stat* state) {
    bytes->clear();
    // O_NONBLOCK: opening a pipe without a writer returns at once.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *failure = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && state) *state = st;
    if (!ok) {
        *failure = QString::fromLocal8Bit(std::strerror(errno));
    } else if (!S_ISREG(st.st_mode)) {
        *failure = QStringLiteral("not a regular file");
        ok = false;
    } else if (cap >= 0 && st.st_size > cap) {
        *failure = QStringLiteral("larger than ") + QString::number(cap) + QStringLiteral(" bytes");
        ok = false;
    }
    if (ok) {
        // One byte more than the length shows a file that grew meanwhile.
        const qint64 want = cap >= 0 ? std::min<qint64>(st.st_size, cap) + 1 : st.st_size + 1;
        bytes->resize(want);
        qint64 got = 0;
        for (;;) {
            if (got == bytes->size()) {
                if (cap >= 0 && got > cap) break;
                bytes->resize(got + qMax<qint64>(got / 2, 4096));
            }
            const ssize_t n = ::read(fd, bytes->data() + got, size_t(bytes->size() - got));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                *failure = QString::fromLocal8Bit(std::strerror(errno));
                ok = false;
            }
            if (n <= 0) break;
            got += n;
        }
        if (ok && cap >= 0 && got > cap) {
            *failure =
                QStringLiteral("larger than ") + QString::number(cap) + QStringLiteral(" bytes");
            ok = false;
        }
        bytes->truncate(ok ? got : 0);
    }
    ::close(fd);
    return ok;
}

}  // namespace korvi
