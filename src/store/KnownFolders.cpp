#include "store/KnownFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>

namespace korvi {

bool KnownFolders::Ensure(const QString& absFolder, bool* made) {
    if (made) *made = false;
    {
        QMutexLocker lock(&mutex_);
        if (known_.contains(absFolder)) return true;
    }
    if (!QFileInfo(absFolder).isDir()) {
        if (!QDir().mkpath(absFolder)) return false;
        if (made) *made = true;
    }
    QMutexLocker lock(&mutex_);
    if (known_.size() >= kMax) known_.clear();
    known_.insert(absFolder);
    return true;
}

void KnownFolders::Forget(const QString& absFolder) {
    QMutexLocker lock(&mutex_);
    known_.remove(absFolder);
}

void KnownFolders::Clear() {
    QMutexLocker lock(&mutex_);
    known_.clear();
}

}  // namespace korvi
