#pragma once

#include <QByteArray>
#include <QString>

struct stat;

namespace korvi {

// Settings, profiles, schedules and list files are at most this long; a
// longer one is refused whole.
inline constexpr qint64 kSettingsFileMax = 16 * 1024 * 1024;

// Reads the bytes of a regular file (a link to one is followed) of at most
// cap bytes (cap < 0: any length). A pipe, device or folder is never opened
// for reading, so it can neither block nor stream without end. False with
// *failure set otherwise.
// state, when given, gets the file's state as it was opened.
bool ReadRegularFile(const QString& path, qint64 cap, QByteArray* bytes, QString* failure,
                     struct stat* state = nullptr);

// Opens a regular file for reading without blocking on a pipe: a descriptor
// (the caller closes it), or -1 with *failure set.
int OpenRegularFile(const QString& path, QString* failure);

}  // namespace korvi
