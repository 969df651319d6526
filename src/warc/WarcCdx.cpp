#include "warc/WarcCdx.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QUrl>

#include <algorithm>

#include <zlib.h>

namespace korvi {

namespace {

// Only the head of each record is looked at.
constexpr qsizetype kHeadBytes = 64 * 1024;

QString JsonText(const QString& s) {
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        if (c == u'"' || c == u'\\')
            out += u'\\' + QString(c);
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar(u'0'));
        else
            out += c;
    }
    return out + u'"';
}

// The value of a "Name: value" line in head, "" when missing.
QByteArray Field(const QByteArray& head, const QByteArray& name) {
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

// One CDXJ line of a record, "" for the kinds that are not looked up.
QString CdxLine(const QByteArray& data, qint64 offset, qint64 length, const QString& fileName) {
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (!data.startsWith("WARC/") || end < 0) return {};
    const QByteArray head = data.left(end);
    const QByteArray type = Field(head, "WARC-Type");
    if (type != "response" && type != "revisit" && type != "resource") return {};
    const QString url = QString::fromUtf8(Field(head, "WARC-Target-URI"));
    QString mime = QString::fromLatin1(Field(head, "Content-Type"));
    QString status;
    if (type != "resource") {
        const QByteArray http = data.mid(end + 4);
        const qsizetype httpEnd = http.indexOf("\r\n\r\n");
        const QByteArray httpHead = httpEnd >= 0 ? http.left(httpEnd) : http;
        const QList<QByteArray> statusLine = httpHead.left(httpHead.indexOf('\r')).split(' ');
        if (statusLine.size() >= 2) status = QString::fromLatin1(statusLine[1]);
        mime = type == "revisit" ? QStringLiteral("warc/revisit")
                                 : QString::fromLatin1(Field(httpHead, "Content-Type"));
    }
    mime = mime.section(u';', 0, 0).trimmed();
    QString digest = QString::fromLatin1(Field(head, "WARC-Payload-Digest"));
    if (digest.startsWith(QStringLiteral("sha1:"))) digest = digest.mid(5);
    QString stamp;
    for (QChar c : QString::fromLatin1(Field(head, "WARC-Date")))
        if (c.isDigit()) stamp += c;
    stamp = stamp.left(14);
    QString json = QStringLiteral("{\"url\": ") + JsonText(url);
    if (!mime.isEmpty()) json += QStringLiteral(", \"mime\": ") + JsonText(mime);
    if (!status.isEmpty()) json += QStringLiteral(", \"status\": ") + JsonText(status);
    if (!digest.isEmpty()) json += QStringLiteral(", \"digest\": ") + JsonText(digest);
    json += QStringLiteral(", \"length\": \"%1\", \"offset\": \"%2\", \"filename\": ")
                .arg(length)
                .arg(offset) +
            JsonText(fileName) + u'}';
    return SurtKey(url) + u' ' + stamp + u' ' + json;
}

}  // namespace

QString SurtKey(const QString& url) {
    const QUrl u(url, QUrl::TolerantMode);
    if (!u.isValid() || u.host().isEmpty()) return url.toLower();
    QString host = u.host(QUrl::FullyEncoded).toLower();
    QString key;
    if (QHostAddress(host).isNull()) {
        if (host.startsWith(QStringLiteral("www."))) host = host.mid(4);
        QStringList labels = host.split(u'.', Qt::SkipEmptyParts);
        std::reverse(labels.begin(), labels.end());
        key = labels.join(u',');
    } else {
        key = host;
    }
    const int port = u.port();
    const bool usual =
        (u.scheme() == u"http" && port == 80) || (u.scheme() == u"https" && port == 443);
    if (port > 0 && !usual) key += u':' + QString::number(port);
    key += u')';
    QString path = u.path(QUrl::FullyEncoded).toLower();
    if (path.isEmpty()) path = QStringLiteral("/");
    key += path;
    if (u.hasQuery()) {
        QStringList params = u.query(QUrl::FullyEncoded).toLower().split(u'&');
        std::sort(params.begin(), params.end());
        key += u'?' + params.join(u'&');
    }
    return key;
}

WarcCdxResult WarcCdx(const QString& path) {
    WarcCdxResult result;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        result.error = f.errorString() + QStringLiteral(" ") + path;
        return result;
    }
    const QString fileName = QFileInfo(path).fileName();
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK) {
        result.error = QStringLiteral("zlib cannot start");
        return result;
    }
    QByteArray in;
    qint64 inStart = 0;  // file offset of in[0]
    qint64 memberStart = 0;
    QByteArray head;
    bool inMember = false;
    char out[65536];
    qsizetype got = 0;
    for (;;) {
        // A full output buffer may hide the member's end: drain it first.
        if (z.avail_in == 0 && got < qsizetype(sizeof out)) {
            inStart += in.size();
            in = f.read(65536);
            if (in.isEmpty()) break;
            z.next_in = reinterpret_cast<Bytef*>(in.data());
            z.avail_in = static_cast<uInt>(in.size());
        }
        inMember = true;
        z.next_out = reinterpret_cast<Bytef*>(out);
        z.avail_out = sizeof out;
        const int rc = inflate(&z, Z_NO_FLUSH);
        got = static_cast<qsizetype>(sizeof out - z.avail_out);
        if (head.size() < kHeadBytes) head.append(out, std::min(got, kHeadBytes - head.size()));
        if (rc == Z_STREAM_END) {
            const qint64 memberEnd = inStart + (in.size() - z.avail_in);
            const QString line = CdxLine(head, memberStart, memberEnd - memberStart, fileName);
            if (!line.isEmpty()) result.lines << line;
            memberStart = memberEnd;
            head.clear();
            inMember = false;
            inflateReset(&z);
        } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
            result.error =
                QStringLiteral("not a gzip record at offset %1 of ").arg(memberStart) + path;
            break;
        }
    }
    inflateEnd(&z);
    if (result.error.isEmpty() && inMember) result.torn = true;
    std::sort(result.lines.begin(), result.lines.end());
    return result;
}

}  // namespace korvi
