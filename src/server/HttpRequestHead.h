#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

namespace korvi {

// A request head as it came from the socket: the request line and the header
// fields (names lower-cased, values trimmed).
struct HttpRequestHead {
    QByteArray line;
    QList<QPair<QByteArray, QByteArray>> fields;

    static HttpRequestHead Parse(const QByteArray& bytes);
    QList<QByteArray> Values(const QByteArray& lowerName) const;

    // The offset just past the empty line that ends a head in bytes; -1 while
    // it has not arrived.
    static qsizetype End(const QByteArray& bytes);
    // Whether bytes hold at least the whole request line.
    static bool HasLine(const QByteArray& bytes) { return bytes.contains('\n'); }
};

}  // namespace korvi
