#pragma once

#include <QString>
#include <QStringList>

namespace korvi {

// The sort key replay tools look URLs up by: host labels reversed and
// joined by commas (an IP address as it is), port, ")" and the lower-cased
// path and query with its parameters sorted; "www." is dropped.
QString SurtKey(const QString& url);

// What an index of a WARC found.
struct WarcCdxResult {
    QStringList lines;  // CDXJ lines, sorted
    bool torn = false;  // the file ends inside a record (it is left out)
    QString error;      // unreadable or not gzip records; lines hold what came before
};

// One CDXJ line per response, revisit and resource record of the file:
// key, 14-digit time, then JSON with url, mime, status, digest, length and
// offset (of the record's gzip member) and filename.
WarcCdxResult WarcCdx(const QString& path);

}  // namespace korvi
