#include "warc/RunWarcExport.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

#include <algorithm>

#include "shell/Clock.h"
#include "store/CtrlFile.h"
#include "store/StoreEntry.h"
#include "warc/WarcWriter.h"

namespace korvi {

namespace {

// How far from the end the tag is looked for; tags are a few hundred bytes.
constexpr qint64 kTagWindow = 256 * 1024;

// Where the trailer tag (with the line break before it) starts; -1 without one.
qint64 TagStart(CtrlFile& ctrl, QFile& f, const QString& path) {
    if (ctrl.GetFootTag(f, path).isEmpty()) return -1;
    const qint64 size = f.size();
    const qint64 from = std::max<qint64>(0, size - kTagWindow);
    if (!f.seek(from)) return -1;
    const QByteArray tail = f.read(size - from);
    const qsizetype at = tail.lastIndexOf("<?xml-qorn");
    if (at < 0) return -1;
    qint64 start = from + at;
    if (at > 0 && tail.at(at - 1) == '\n') --start;
    return start;
}

qint64 TagTime(const QString& text, qint64 fallback) {
    QDateTime t = QDateTime::fromString(text, QStringLiteral("yyyy/MM/dd - HH:mm:ss"));
    if (!t.isValid()) return fallback;
    t.setTimeZone(Clock::Jst());
    return t.toMSecsSinceEpoch();
}

}  // namespace

QByteArray KorviSoftware() {
#ifdef KORVI_WARC_VERSION
    return QByteArray("Korvi/") + KORVI_WARC_VERSION;
#else
    return QByteArray("Korvi");
#endif
}

bool WriteWarcinfo(WarcWriter& out, const QByteArray& id, qint64 ms, const QByteArray& fileName,
                   const WarcFields& info) {
    QByteArray block = "software: " + KorviSoftware() + "\r\n" +
                       "format: WARC File Format 1.1\r\n" +
                       "conformsTo: http://iipc.github.io/warc-specifications/specifications/"
                       "warc-format/warc-1.1/\r\n";
    for (const auto& [name, value] : info) {
        QByteArray v = value;
        v.replace('\r', ' ').replace('\n', ' ');
        block += name + ": " + v + "\r\n";
    }
    WarcFields f;
    f.append(WarcField{"WARC-Type", "warcinfo"});
    f.append(WarcField{"WARC-Record-ID", id});
    f.append(WarcField{"WARC-Date", WarcDate(ms)});
    if (!fileName.isEmpty()) f.append(WarcField{"WARC-Filename", fileName});
    f.append(WarcField{"Content-Type", "application/warc-fields"});
    WarcDigest digest;
    digest.Add(block);
    f.append(WarcField{"WARC-Block-Digest", digest.Text()});
    return out.Write(f, block);
}

bool WriteRunWarc(CtrlFile& ctrl, const QString& folder, WarcWriter& out, qint64 nowMs,
                  RunWarcCount* count, QString* error) {
    const QByteArray infoId = NewWarcRecordId();
    if (!WriteWarcinfo(
            out, infoId, nowMs, {},
            {{"description", "stored files of run " + QFileInfo(folder).fileName().toUtf8()}})) {
        *error = out.ErrorText();
        return false;
    }
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (IsStoreEntry(it.fileName().toUtf8().constData())) files << path;
    }
    std::sort(files.begin(), files.end());
    const QMimeDatabase mimes;
    for (const QString& path : files) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            ctrl.SaveErrLog(QStringLiteral("Warc Export Error : ") + f.errorString() +
                            QStringLiteral("  ") + path);
            continue;
        }
        const qint64 end = TagStart(ctrl, f, path);
        const QString tag = end >= 0 ? ctrl.GetFootTag(f, path) : QString();
        const QString url = CtrlFile::GetFootTagAttr(tag, QStringLiteral("dl_src"));
        if (end < 0 || url.isEmpty()) {
            ++count->untagged;
            continue;
        }
        WarcDigest digest;
        f.seek(0);
        char chunk[65536];
        for (qint64 left = end, n;
             left > 0 && (n = f.read(chunk, std::min<qint64>(left, sizeof chunk))) > 0; left -= n)
            digest.Add(chunk, n);
        WarcFields fields;
        fields.append(WarcField{"WARC-Type", "resource"});
        fields.append(WarcField{"WARC-Record-ID", NewWarcRecordId()});
        fields.append(
            {"WARC-Date",
             WarcDate(TagTime(CtrlFile::GetFootTagAttr(tag, QStringLiteral("dl_time")), nowMs))});
        fields.append(WarcField{"WARC-Target-URI", url.toUtf8()});
        fields.append(WarcField{"WARC-Warcinfo-ID", infoId});
        fields.append({"Content-Type",
                       mimes.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name().toUtf8()});
        fields.append(WarcField{"WARC-Payload-Digest", digest.Text()});
        fields.append(WarcField{"WARC-Block-Digest", digest.Text()});
        if (!out.Write(fields, {}, &f, end)) {
            *error = out.ErrorText();
            return false;
        }
        ++count->written;
    }
    return true;
}

}  // namespace korvi
