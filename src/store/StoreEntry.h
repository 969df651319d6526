#pragma once

#include <QByteArray>
#include <QFile>

#include <sys/stat.h>

#include <cstring>

namespace korvi {

// The file a run keeps its journal in, inside its run folder.
inline constexpr char kRunJournalFile[] = ".korvi-run.journal";

// Whether a directory entry of the store is collected material to search and
// index: not "." or "..", and not a run's own journal.
inline bool IsStoreEntry(const char* name) {
    if (name[0] != '.') return true;
    if (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')) return false;
    return std::strcmp(name, kRunJournalFile) != 0;
}

// A file's modification time in nanoseconds.
inline qint64 MtimeNs(const struct stat& st) {
    return qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

// Whether a name's bytes survive the round trip through text, so that the
// services taking a text path reach the file.
inline bool NamedByText(const QByteArray& name) {
    return QFile::encodeName(QFile::decodeName(name)) == name;
}

// folder/name, without a doubled separator.
inline QByteArray ChildPath(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

}  // namespace korvi
