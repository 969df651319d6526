#pragma once

#include <QString>

namespace korvi {

// A run's claim on its run folder: a lock file inside the folder, held with
// an advisory lock (flock) for as long as the run goes on. The lock ends with
// the process that holds it, so a crash leaves no folder locked for good. Two
// claims on one folder exclude each other, whether in one process or in two.
class RunLock {
public:
    static inline const QString kFileName = QStringLiteral(".korvi-run.lock");

    RunLock();
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Claims folder (absolute, created when missing); false when a live run
    // holds it or the lock file cannot be made. A held claim is released first.
    bool Take(const QString& folder);
    void Release();
    bool Held() const { return fd_ >= 0; }
    QString Folder() const { return folder_; }

    // True when a live run holds folder.
    static bool InUse(const QString& folder);

    // The identifier runId followed by the n-th suffix (n >= 2): "_2" .. "_9",
    // then "_9_2" ..., so that name order stays age order.
    static QString Suffixed(const QString& runId, int n);

private:
    int fd_ = -1;
    QString folder_;
    bool made_ = false;  // Take created the folder
};

}  // namespace korvi
