#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <mutex>
#include <vector>

#include "warc/WarcRecord.h"

class QFile;
class QIODevice;

namespace korvi {

// Writes records, each its own gzip member, to one file or stream. Threads
// may share a writer: records never interleave. A member that fits the
// buffer goes out in one append; a longer one is streamed, so a crash can
// leave at most the last member torn, which readers drop. A failed record
// is cut off the file again, so later records stay readable.
class WarcWriter {
public:
    // Appends to the file at path, made when missing.
    explicit WarcWriter(const QString& path);
    // Writes to an open device (standard output, a buffer).
    explicit WarcWriter(QIODevice* device);
    ~WarcWriter();
    WarcWriter(const WarcWriter&) = delete;
    WarcWriter& operator=(const WarcWriter&) = delete;

    bool Open();
    const QString& Path() const { return path_; }
    QString ErrorText() const;

    bool Write(const WarcFields& fields, const QByteArray& block);
    // The block is blockHead followed by the first tailSize bytes of tail
    // (read from its start); the tail is never held whole.
    bool Write(const WarcFields& fields, const QByteArray& blockHead, QIODevice* tail,
               qint64 tailSize);

    // Members larger than this are streamed rather than written in one go.
    static constexpr qsizetype kOneWrite = 4 * 1024 * 1024;

private:
    struct Deflater;
    std::unique_ptr<Deflater> TakeDeflater();
    // held: the lock is taken and the member streams out; null: the member
    // is made first and appended under the lock.
    bool Compress(const WarcFields& fields, const QByteArray& blockHead, QIODevice* tail,
                  qint64 tailSize, std::unique_lock<std::mutex>* held);

    QString path_;
    std::unique_ptr<QFile> file_;
    QIODevice* out_ = nullptr;
    mutable std::mutex mutex_;
    QString error_;
    std::mutex pool_mutex_;
    std::vector<std::unique_ptr<Deflater>> pool_;
    static constexpr size_t kPoolSize = 16;
};

}  // namespace korvi
