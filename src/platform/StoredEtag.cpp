#include "platform/StoredEtag.h"

#include <QFile>

#include <sys/types.h>
#include <sys/xattr.h>

namespace korvi {

namespace {

constexpr const char* kName = "user.korvi.etag";
// An entity tag longer than this is not one a server means to be sent back.
constexpr qsizetype kMaxTag = 1024;

}  // namespace

QByteArray ReadStoredEtag(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    char buf[kMaxTag];
    const ssize_t n = getxattr(file.constData(), kName, buf, sizeof buf);
    if (n <= 0) return QByteArray();
    const QByteArray tag(buf, static_cast<qsizetype>(n));
    // It goes back into a request header: no control characters.
    for (const char c : tag)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return QByteArray();
    return tag;
}

bool WriteStoredEtag(const QString& path, const QByteArray& etag) {
    const QByteArray file = QFile::encodeName(path);
    if (etag.isEmpty() || etag.size() > kMaxTag) {
        removexattr(file.constData(), kName);
        return etag.isEmpty();
    }
    return setxattr(file.constData(), kName, etag.constData(), static_cast<size_t>(etag.size()),
                    0) == 0;
}

}  // namespace korvi
