#pragma once

#include <QString>

#include "warc/WarcRecord.h"

namespace korvi {

class CtrlFile;
class WarcWriter;

// A warcinfo record: who wrote the file, when, and the values it describes
// (the block is "name: value" lines).
bool WriteWarcinfo(WarcWriter& out, const QByteArray& id, qint64 ms, const QByteArray& fileName,
                   const WarcFields& info);
// "Korvi/VERSION".
QByteArray KorviSoftware();

struct RunWarcCount {
    int written = 0;
    int untagged = 0;  // stored files without a trailer tag, left out
};

// A WARC of a run folder made after the fact: a warcinfo record, then one
// resource record per stored file that carries a trailer tag, with the URL
// and time from the tag and the stored bytes without the tag as payload.
bool WriteRunWarc(CtrlFile& ctrl, const QString& folder, WarcWriter& out, qint64 nowMs,
                  RunWarcCount* count, QString* error);

}  // namespace korvi
