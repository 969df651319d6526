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
    explicit ReplaceFile(const QString& path);
    // The file named by its bytes as the system spells them (no link followed).
    explicit ReplaceFile(const QByteArray& localPath) : path_(localPath) {}
    ~ReplaceFile();  // an uncommitted file is dropped
    ReplaceFile(const ReplaceFile&) = delete;
    ReplaceFile& operator=(const ReplaceFile&) = delete;

    bool Open();
    bool Write(const char* data, qint64 size);
    // Puts the written bytes in place; false (and nothing changed) on any error.
    bool Commit();
    // Drops what was written; the old file stays as it was.
    void Cancel();
    const QString& ErrorString() const { return error_; }

    // Replaces the file's bytes whole; *error set on failure.
    static bool Save(const QString& path, const QByteArray& bytes, QString* error);

private:
    bool Fail(const char* what);
    bool LinkTemporary(const QByteArray& from);

    QByteArray path_;  // file name as the system spells it
    QByteArray temp_;  // the named temporary, empty while the file has no name
    int fd_ = -1;
    bool failed_ = false;
    QString error_;
};

}  // namespace korvi
