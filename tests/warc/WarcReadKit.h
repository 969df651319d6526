#pragma once

// A small WARC reader of the tests' own, so that what the writer wrote is
// judged by other code than its own: multi-member gzip, record heads,
// base32 SHA-1.

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QList>
#include <QMap>

#include <zlib.h>

namespace korvi::test {

struct ReadRecord {
    QMap<QByteArray, QByteArray> fields;  // names lower-cased
    QByteArray block;
    QByteArray Field(const char* name) const { return fields.value(QByteArray(name).toLower()); }
    QByteArray Type() const { return Field("WARC-Type"); }
    // For HTTP records: the part after the HTTP head.
    QByteArray HttpBody() const { return block.mid(block.indexOf("\r\n\r\n") + 4); }
    QByteArray HttpHead() const { return block.left(block.indexOf("\r\n\r\n") + 4); }
};

struct ReadWarc {
    QList<ReadRecord> records;
    bool torn = false;  // the data ended inside a member
    bool bad = false;   // a member that is no record
};

inline QByteArray Sha1Base32(const QByteArray& bytes) {
    const QByteArray h = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
    QByteArray bits;
    for (char c : h)
        for (int i = 7; i >= 0; --i) bits += ((static_cast<unsigned char>(c) >> i) & 1) ? '1' : '0';
    QByteArray out = "sha1:";
    for (qsizetype i = 0; i < bits.size(); i += 5)
        out += "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567"[bits.mid(i, 5).toInt(nullptr, 2)];
    return out;  // 160 bits make 32 characters: no padding
}

inline bool ParseRecord(const QByteArray& data, ReadRecord* r) {
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (!data.startsWith("WARC/1.1\r\n") || end < 0) return false;
    for (const QByteArray& line : data.left(end).split('\n').mid(1)) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) return false;
        r->fields[line.left(colon).toLower()] = line.mid(colon + 1).trimmed();
    }
    bool ok = false;
    const qsizetype length = r->Field("Content-Length").toLongLong(&ok);
    if (!ok || data.size() != end + 4 + length + 4 || !data.endsWith("\r\n\r\n")) return false;
    r->block = data.mid(end + 4, length);
    return true;
}

inline ReadWarc ReadWarcBytes(const QByteArray& gz) {
    ReadWarc out;
    qsizetype pos = 0;
    while (pos < gz.size()) {
        z_stream z{};
        inflateInit2(&z, 31);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.constData() + pos));
        z.avail_in = static_cast<uInt>(gz.size() - pos);
        QByteArray member;
        int rc = Z_OK;
        while (rc == Z_OK) {
            char buf[1 << 16];
            z.next_out = reinterpret_cast<Bytef*>(buf);
            z.avail_out = sizeof buf;
            rc = inflate(&z, Z_NO_FLUSH);
            member.append(buf, static_cast<qsizetype>(sizeof buf - z.avail_out));
            if (rc == Z_BUF_ERROR && z.avail_in == 0) break;
        }
        const qsizetype used = static_cast<qsizetype>(gz.size() - pos - z.avail_in);
        inflateEnd(&z);
        if (rc != Z_STREAM_END) {
            out.torn = true;
            break;
        }
        ReadRecord r;
        if (!ParseRecord(member, &r)) {
            out.bad = true;
            break;
        }
        out.records << r;
        pos += used;
    }
    return out;
}

inline ReadWarc ReadWarcFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {{}, false, true};
    return ReadWarcBytes(f.readAll());
}

// The stored bytes without the trailer tag (and its line break).
inline QByteArray WithoutTag(const QByteArray& stored) {
    const qsizetype at = stored.lastIndexOf("\n<?xml-qorn");
    return at >= 0 ? stored.left(at) : stored;
}

}  // namespace korvi::test
