#pragma once

#include <QMutex>
#include <QSet>
#include <QString>

namespace korvi {

// Folders known to exist, so that storing many files in one folder looks
// for it (or makes it) once. A folder removed behind its back is made again
// once the caller forgets it after a failed write.
class KnownFolders {
public:
    // True when the folder is there or was made; *made tells it was made now.
    bool Ensure(const QString& absFolder, bool* made = nullptr);
    void Forget(const QString& absFolder);
    void Clear();

private:
    static constexpr qsizetype kMax = 65536;  // a bound on what is remembered
    QMutex mutex_;
    QSet<QString> known_;
};

}  // namespace korvi
