#include "warc/WarcRecord.h"

#include <QDateTime>
#include <QUuid>

namespace korvi {

QByteArray NewWarcRecordId() {
    return "<urn:uuid:" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '>';
}

QByteArray WarcDate(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODate).toLatin1();
}

QByteArray Base32(const QByteArray& bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
    QByteArray out;
    out.reserve((bytes.size() + 4) / 5 * 8);
    quint64 bits = 0;
    int held = 0;
    for (char c : bytes) {
        bits = (bits << 8) | static_cast<quint8>(c);
        held += 8;
        while (held >= 5) {
            held -= 5;
            out.append(kAlphabet[(bits >> held) & 31]);
        }
    }
    if (held > 0) out.append(kAlphabet[(bits << (5 - held)) & 31]);
    while (out.size() % 8 != 0) out.append('=');
    return out;
}

QByteArray WarcHead(const WarcFields& fields, qint64 blockSize) {
    QByteArray head = "WARC/1.1\r\n";
    for (const auto& [name, value] : fields) head += name + ": " + value + "\r\n";
    head += "Content-Length: " + QByteArray::number(blockSize) + "\r\n\r\n";
    return head;
}

}  // namespace korvi
