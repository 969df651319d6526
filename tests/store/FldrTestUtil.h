#pragma once

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>

#include "fixtures/TempHome.h"

namespace korvi::test {

// Sets the last-modified time of a file or folder (not following links).
inline bool SetMtime(const QString& path, qint64 ms) {
    struct timespec times[2];
    times[0].tv_sec = ms / 1000;
    times[0].tv_nsec = (ms % 1000) * 1000000;
    times[1] = times[0];
    return utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) ==
           0;
}

// A file of that length without writing its bytes.
inline void MakeSized(const QString& path, qint64 size) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.resize(size);
}

// Every file below dir, relative path -> contents.
inline QMap<QString, QByteArray> Tree(const QString& dir) {
    QMap<QString, QByteArray> out;
    const QDir base(dir);
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        QFile f(p);
        out.insert(base.relativeFilePath(p), f.open(QIODevice::ReadOnly) ? f.readAll() : "?");
    }
    return out;
}

}  // namespace korvi::test
