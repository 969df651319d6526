#pragma once

#include <QByteArray>
#include <QString>

namespace korvi {

// A file written whole under no name (or a temporary one) and put in place
// of the old file by one rename on Commit: a reader sees the old file or the
// new one, never a part. Unlike QSaveFile it does not wait for the disk, so
// a crawl's worker is not held up per stored page; a power loss may lose
// the newest copies, a crash of the program loses nothing committed.
class ReplaceFile {
public:
    // A link at path is followed: its target is the file replaced.
    explicit ReplaceFile(const QString& path);
    // The file named by its bytes as the system spells them (no link followed).
    explicit ReplaceFile(const QByteArray& localPath) : path_(localPath), follow_(false) {}
    ~ReplaceFile();  // an uncommitted file is dropped
    ReplaceFile(const ReplaceFile&) = delete;
    ReplaceFile& operator=(const ReplaceFile&) = delete;

    // The caller knows no file is at the path (it made the folder, or looked
    // just before): Open does not look again. Should one be there after all,
    // Commit still replaces it, without keeping its permissions.
    void SetAbsent() { absent_ = true; }
    bool Open();
    // Written bytes are gathered and reach the file in large blocks, so a
    // failure may show only at a later Write or at Commit.
    bool Write(const char* data, qint64 size);
    // Drops what was written so far and writes these bytes instead.
    bool Rewrite(const char* data, qint64 size);
    // The modification time the file gets on Commit (ms since the epoch).
    void SetModificationTime(qint64 ms) { mtime_ms_ = ms; }
    // Puts the written bytes in place; false (and nothing changed) on any error.
    bool Commit();
    // Drops what was written; the old file stays as it was.
    void Cancel();
    const QString& ErrorString() const { return error_; }

    // Replaces the file's bytes whole; *error set on failure. absent: the
    // caller knows no file is there.
    static bool Save(const QString& path, const QByteArray& bytes, QString* error,
                     bool absent = false);

private:
    bool Fail(const char* what);
    bool Flush();
    bool LinkTemporary();
    // The permissions of the file replaced (a link followed when asked); -1
    // when there is none.
    int OldMode();

    QByteArray path_;     // file name as the system spells it
    QByteArray temp_;     // the named temporary, empty while the file has no name
    QByteArray pending_;  // written, not yet in the file
    bool follow_ = true;
    bool absent_ = false;
    bool old_file_ = false;  // Open found a file to replace
    bool flushed_ = false;   // bytes have reached the file
    qint64 mtime_ms_ = 0;
    int fd_ = -1;
    bool failed_ = false;
    QString error_;
};

}  // namespace korvi
