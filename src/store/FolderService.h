#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

namespace korvi {

class CtrlFile;

// What the folder services did since the last reset.
struct FldrCounts {
    qint64 del_dirs = 0;
    qint64 del_files = 0;
    qint64 del_bytes = 0;
    qint64 mov_dirs = 0;
    qint64 mov_files = 0;
    qint64 mov_bytes = 0;
    qint64 dup_dirs = 0;
    qint64 dup_files = 0;
    qint64 dup_bytes = 0;

    bool operator==(const FldrCounts&) const = default;
};

// Receives progress texts for a window title or a terminal line.
using ProgressFn = std::function<void(const QString&)>;

// Folder services over the download store. Paths are relative to the home
// folder or absolute. Nothing is deleted or written outside the download
// root (CtrlFile::LogRoot) except the destination of CopyDir, and nothing is
// done at all when the root is missing or holds the home folder. Symbolic
// links are never followed: a link is deleted, copied or merged as a link.
class FolderService {
public:
    explicit FolderService(CtrlFile& ctrl);
    FolderService(const FolderService&) = delete;
    FolderService& operator=(const FolderService&) = delete;

    void ResetCounts();
    FldrCounts Counts() const;

    // Entry names of a folder (files and folders, hidden ones too) in name
    // order; empty when the folder does not exist.
    QStringList LsDir(const QString& dir) const;
    // Sum of the lengths of all files below path (a file: its length).
    qint64 SzDir(const QString& path) const;
    // Deletes path and everything below it; counts deleted folders, files and
    // bytes. False (logged) when something could not be deleted or path is
    // not strictly inside the download root.
    bool DelDir(const QString& path);
    // Recreates the tree of from at to, files byte for byte. to may lie
    // outside the download root but never inside from.
    bool CopyDir(const QString& from, const QString& to);
    // Merges from into to (CmbDir2) and deletes from. Files that both hold
    // keep the target's version. A source entry is deleted only once the
    // target holds it, so an entry that cannot be placed (a file where the
    // target has a folder, a failed copy) stays in from, and false returns.
    bool CmbDir(const QString& from, const QString& to);
    // Removes the empty folders below dir (bottom up; dir itself stays).
    // Returns how many were removed.
    int DelVoidDir(const QString& dir, const ProgressFn& progress = {});
    // Removes the empty folders directly below dir.
    int DelVoidDirOnce(const QString& dir, const ProgressFn& progress = {});

    // The canonical download root, or "" when it is unusable.
    QString SafeRoot() const;
    // The path with ".." and symbolic links of its parents resolved (the last
    // component stays as it is).
    QString Resolve(const QString& path) const;
    // Resolve(path) when it lies strictly inside the download root, else "".
    QString InsideRoot(const QString& path) const;

private:
    bool CmbDir2(const QString& from, const QString& to);
    bool DelTree(const QString& path);
    bool CopyTree(const QString& from, const QString& to);
    int VoidSweep(const QString& dir, qint64& folders, qint64& files, const ProgressFn& progress);
    void Fail(const QString& prefix, const QString& what, const QString& path);

    CtrlFile& ctrl_;
    std::atomic<qint64> del_dirs_{0}, del_files_{0}, del_bytes_{0};
    std::atomic<qint64> mov_dirs_{0}, mov_files_{0}, mov_bytes_{0};
    std::atomic<qint64> dup_dirs_{0}, dup_files_{0}, dup_bytes_{0};
};

}  // namespace korvi
