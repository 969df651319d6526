#include "server/HttpRequestHead.h"

namespace korvi {

qsizetype HttpRequestHead::End(const QByteArray& bytes) {
    for (qsizetype nl = bytes.indexOf('\n'); nl >= 0; nl = bytes.indexOf('\n', nl + 1)) {
        qsizetype next = nl + 1;
        if (next < bytes.size() && bytes.at(next) == '\r') ++next;
        if (next < bytes.size() && bytes.at(next) == '\n') return next + 1;
    }
    return -1;
}

HttpRequestHead HttpRequestHead::Parse(const QByteArray& bytes) {
    HttpRequestHead h;
    const qsizetype end = End(bytes);
    const QList<QByteArray> lines = (end < 0 ? bytes : bytes.left(end)).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray l = lines.at(i);
        if (l.endsWith('\r')) l.chop(1);
        if (i == 0) {
            h.line = l;
            continue;
        }
        const qsizetype colon = l.indexOf(':');
        if (colon <= 0) continue;
        h.fields.append({l.left(colon).trimmed().toLower(), l.mid(colon + 1).trimmed()});
    }
    return h;
}

QList<QByteArray> HttpRequestHead::Values(const QByteArray& lowerName) const {
    QList<QByteArray> out;
    for (const auto& f : fields) {
        if (f.first == lowerName) out.append(f.second);
    }
    return out;
}

}  // namespace korvi
