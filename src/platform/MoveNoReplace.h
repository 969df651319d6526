#pragma once

#include <QString>

namespace korvi {

// How MoveNoReplace ended.
enum class MoveResult {
    Moved,    // from is now to
    Existed,  // to was already there and stays untouched; from is left as it was
    Failed,
};

// Renames from to to in one step unless to exists; never replaces a file.
// Both paths lie in the same folder (or at least the same file system).
MoveResult MoveNoReplace(const QString& from, const QString& to, QString* error = nullptr);

}  // namespace korvi
