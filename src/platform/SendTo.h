#pragma once

#include <QString>
#include <QStringList>

namespace korvi {

// The command that hands file to a send-to entry: the Exec line of a
// ".desktop" entry split into program and arguments, its file field codes
// (%f %F %u %U) replaced by the file and the other field codes dropped; the
// file is appended when the line names none. Empty when the entry has no
// usable Exec line.
QStringList SendToCommand(const QString& desktopText, const QString& file);

// Reads the entry at entryPath and starts its command for file, detached.
// False when the entry cannot be read or started.
bool SendToEntry(const QString& entryPath, const QString& file);

}  // namespace korvi
