#include <QFile>

#include <utility>

#include <unistd.h>

#include "store/CtrlFile.h"
#include "store/RegularFile.h"
#include "store/TextCodec.h"

namespace korvi {

namespace {

constexpr qint64 kSniff = 64 * 1024;  // read first, to turn pictures away early
constexpr qint64 kHead = 1024;        // a file's header alone can show it is no text

// Whether the first got bytes of a file show that it is no text.
bool SniffedNonText(const char* data, qint64 got) {
    const qsizetype head = qMin<qsizetype>(got, kHead);
    return IsNonText(CountNonTextBytes(data, head), head) ||
           IsNonText(CountNonTextBytes(data, got), got);
}

// The text of a whole file's bytes; "" for none.
QString Decoded(QByteArray bytes) {
    if (bytes.isEmpty()) return QString("");
    DecodedText decoded = DecodeTextDetail(bytes);
    if (LooksNonText(bytes, decoded)) return QString("");
    return JoinTextLines(std::move(decoded.text));
}

}  // namespace

QString CtrlFile::LoadDataEnc(const QString& path) {
    // Never a pipe or a device: either could block or stream without end.
    QString failure;
    const int fd = OpenRegularFile(Abs(path), &failure);
    QFile f;
    if (fd < 0 || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) ::close(fd);
        SaveErrLog(QStringLiteral("C_File Read Data Error : ") +
                   (fd < 0 ? failure : f.errorString()) + u' ' + path);
        return QString("");
    }
    // The first bytes alone can show that the file is no text.
    const qint64 size = f.size();
    QByteArray bytes(qMax<qint64>(size, 0), Qt::Uninitialized);
    qint64 got = f.read(bytes.data(), qMin(size, kSniff));
    if (got < 0) got = 0;
    if (SniffedNonText(bytes.constData(), got)) return QString("");
    if (got < size) {
        const qint64 more = f.read(bytes.data() + got, size - got);
        if (more > 0) got += more;
    }
    bytes.truncate(got);
    if (!f.atEnd()) bytes += f.readAll();  // the file grew meanwhile
    return Decoded(std::move(bytes));
}

QString CtrlFile::DataText(QByteArray bytes) {
    if (SniffedNonText(bytes.constData(), qMin<qint64>(bytes.size(), kSniff))) return QString("");
    return Decoded(std::move(bytes));
}

}  // namespace korvi
