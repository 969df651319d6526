#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

#include "warc/WarcRecord.h"

#include <QTemporaryFile>

namespace korvi {

class WarcWriter;

// A body held in memory up to a limit, then in a temporary file.
class WarcSpool {
public:
    explicit WarcSpool(QString dir) : dir_(std::move(dir)) {}
    ~WarcSpool();
    WarcSpool(const WarcSpool&) = delete;
    WarcSpool& operator=(const WarcSpool&) = delete;

    bool Add(const char* data, qint64 size);
    qint64 Size() const { return size_; }
    // The bytes when they are in memory; else Device() holds them.
    const QByteArray& Memory() const { return memory_; }
    QTemporaryFile* Device() const { return file_.get(); }
    bool Failed() const { return failed_; }
    void Clear();

    static constexpr qsizetype kInMemory = 1024 * 1024;

private:
    QString dir_;
    QByteArray memory_;
    std::unique_ptr<QTemporaryFile> file_;
    qint64 size_ = 0;
    bool failed_ = false;
};

// Gathers what one fetch sent and received (every hop of its redirects) and
// writes it as request and response records once the caller knows what
// became of it: a stored body, a copy kept (a revisit), or nothing.
class WarcCapture {
public:
    enum class Outcome { kStored, kKept, kDropped };

    WarcCapture(std::shared_ptr<WarcWriter> writer, QByteArray warcinfoId,
                std::function<qint64()> now, QString spoolDir);
    ~WarcCapture();

    // A new transfer: whatever was gathered before is forgotten.
    void Begin();
    // Request headers as sent to url (more calls before an answer extend them).
    void RequestSent(const QByteArray& url, const char* data, qint64 size);
    // One header line of an answer as received, line end included.
    void HeaderReceived(const char* data, qint64 size);
    void BodyReceived(const char* data, qint64 size);
    // Writes the records of the transfer; false when writing failed.
    bool Settle(Outcome outcome);

    // The page as a browser rendered it: a conversion record of the last
    // stored answer.
    bool RenderedDom(const QByteArray& dom);

private:
    struct Exchange {
        QByteArray url;
        QByteArray request;
        QByteArray response;
        bool headDone = false;
        qint64 ms = 0;
    };

    bool WriteExchange(const Exchange& x, bool last, Outcome outcome);
    WarcFields Common(const QByteArray& type, const QByteArray& id, const Exchange& x) const;

    std::shared_ptr<WarcWriter> writer_;
    QByteArray warcinfo_id_;
    std::function<qint64()> now_;
    QList<Exchange> hops_;  // answered hops before the last
    Exchange current_;
    WarcSpool body_;
    WarcDigest payload_;
    QByteArray last_id_;
    QByteArray last_url_;
};

}  // namespace korvi
