#pragma once

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

}  // namespace korvi
