#include "cscript/ShellLink.h"

#include <QDir>

#include "store/TextCodec.h"

namespace korvi::cscript {

namespace {

constexpr quint32 kHasIdList = 0x1;
constexpr quint32 kHasLinkInfo = 0x2;
constexpr quint32 kHasName = 0x4;
constexpr quint32 kHasRelativePath = 0x8;
constexpr quint32 kIsUnicode = 0x80;
constexpr quint32 kLocalBasePath = 0x1;
constexpr quint32 kNetworkLink = 0x2;

// Bounds-checked little-endian reads; every miss leaves ok false.
class Reader {
public:
    explicit Reader(const QByteArray& d) : d_(d) {}
    bool ok = true;
    quint32 U32(qint64 at) {
        if (at < 0 || at + 4 > d_.size()) return Fail();
        const auto* p = reinterpret_cast<const uchar*>(d_.constData() + at);
        return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
    }
    quint32 U16(qint64 at) {
        if (at < 0 || at + 2 > d_.size()) return Fail();
        const auto* p = reinterpret_cast<const uchar*>(d_.constData() + at);
        return quint32(p[0]) | quint32(p[1]) << 8;
    }
    // A NUL-terminated string in the system code page.
    QString Ansi(qint64 at) {
        if (at < 0 || at >= d_.size()) return Fail(), QString();
        const qsizetype end = d_.indexOf('\0', at);
        if (end < 0) return Fail(), QString();
        return DecodeText(d_.mid(at, end - at));
    }
    // A NUL-terminated UTF-16LE string.
    QString Wide(qint64 at) {
        QString out;
        for (qint64 i = at;; i += 2) {
            const quint32 c = U16(i);
            if (!ok || c == 0) break;
            out += QChar(char16_t(c));
        }
        return out;
    }
    // A counted string of the string-data block; `at` moves past it.
    QString Counted(qint64& at, bool unicode) {
        const quint32 n = U16(at);
        at += 2;
        const qint64 bytes = unicode ? qint64(n) * 2 : qint64(n);
        if (!ok || at + bytes > d_.size()) return Fail(), QString();
        QString out;
        if (unicode) {
            for (quint32 i = 0; i < n; ++i) out += QChar(char16_t(U16(at + 2 * i)));
        } else {
            out = DecodeText(d_.mid(at, bytes));
        }
        at += bytes;
        return out;
    }

private:
    quint32 Fail() {
        ok = false;
        return 0;
    }
    const QByteArray& d_;
};

}  // namespace

QString ShellLinkTarget(const QByteArray& data, const QString& linkFolder) {
    Reader r(data);
    if (r.U32(0) != 0x4C || !r.ok) return QString("");
    const quint32 flags = r.U32(20);
    qint64 at = 0x4C;
    if (flags & kHasIdList) at += 2 + r.U16(at);
    if (!r.ok) return QString("");

    if (flags & kHasLinkInfo) {
        const qint64 info = at;
        const quint32 infoSize = r.U32(info);
        const quint32 headerSize = r.U32(info + 4);
        const quint32 infoFlags = r.U32(info + 8);
        if (!r.ok || infoSize < 0x1C || info + infoSize > data.size()) return QString("");
        const bool wide = headerSize >= 0x24;
        QString suffix;
        const quint32 suffixWide = wide ? r.U32(info + 0x20) : 0;
        if (suffixWide) {
            suffix = r.Wide(info + suffixWide);
        } else if (const quint32 s = r.U32(info + 0x18)) {
            suffix = r.Ansi(info + s);
        }
        QString base;
        if (infoFlags & kLocalBasePath) {
            const quint32 baseWide = wide ? r.U32(info + 0x1C) : 0;
            base = baseWide ? r.Wide(info + baseWide) : r.Ansi(info + r.U32(info + 0x10));
        } else if (infoFlags & kNetworkLink) {
            const qint64 net = info + r.U32(info + 0x14);
            const quint32 nameOffset = r.U32(net + 8);
            const quint32 nameWide = nameOffset > 0x14 ? r.U32(net + 0x14) : 0;
            base = nameWide ? r.Wide(net + nameWide) : r.Ansi(net + nameOffset);
            if (!base.isEmpty() && !suffix.isEmpty() && !base.endsWith(u'\\')) base += u'\\';
        }
        if (r.ok && !base.isEmpty()) return base + suffix;
        at = info + infoSize;
        r.ok = true;
    }

    const bool unicode = flags & kIsUnicode;
    if (flags & kHasName) r.Counted(at, unicode);
    if ((flags & kHasRelativePath) && r.ok) {
        QString rel = r.Counted(at, unicode);
        if (r.ok && !rel.isEmpty()) {
            rel.replace(u'\\', u'/');
            return QDir::cleanPath(QDir(linkFolder).filePath(rel));
        }
    }
    return QString("");
}

}  // namespace korvi::cscript
