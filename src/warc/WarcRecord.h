#pragma once

// warc: web-archive files (records, gzip members, run export, CDXJ index).
// Stands on store only.

#include <QByteArray>
#include <QCryptographicHash>
#include <QList>
#include <QPair>

namespace korvi {

// Named header fields of one record, in the order they are written.
using WarcField = QPair<QByteArray, QByteArray>;
using WarcFields = QList<WarcField>;

// A fresh record identifier: "<urn:uuid:...>".
QByteArray NewWarcRecordId();
// The record date form: "2026-12-10T02:30:00Z" (UTC, seconds).
QByteArray WarcDate(qint64 ms);
// RFC 4648 base32 (upper case, padded).
QByteArray Base32(const QByteArray& bytes);

// A running SHA-1 whose result reads "sha1:BASE32".
class WarcDigest {
public:
    void Add(const char* data, qint64 size) { hash_.addData(QByteArrayView(data, size)); }
    void Add(const QByteArray& bytes) { hash_.addData(bytes); }
    QByteArray Text() const { return "sha1:" + Base32(hash_.result()); }
    void Reset() { hash_.reset(); }

private:
    QCryptographicHash hash_{QCryptographicHash::Sha1};
};

// The record head: version line, fields, Content-Length and the blank line.
QByteArray WarcHead(const WarcFields& fields, qint64 blockSize);
// What ends every record after its block.
inline constexpr char kWarcRecordEnd[] = "\r\n\r\n";

}  // namespace korvi
