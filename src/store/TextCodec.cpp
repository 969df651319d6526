#include "store/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace korvi {

namespace {

struct Fit {
    bool valid = true;
    int pairs = 0;  // two-byte characters
    int kana = 0;   // single-byte half-width kana
};

Fit ScanShiftJis(const QByteArray& b) {
    Fit f;
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData());
    const qsizetype n = b.size();
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned c = p[i];
        if (c < 0x80) continue;
        if (c >= 0xA1 && c <= 0xDF) {
            ++f.kana;
            continue;
        }
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            if (i + 1 >= n) return {false, f.pairs, f.kana};
            const unsigned t = p[i + 1];
            if ((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC)) {
                ++f.pairs;
                ++i;
                continue;
            }
        }
        f.valid = false;
        return f;
    }
    return f;
}

Fit ScanEucJp(const QByteArray& b) {
    Fit f;
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData());
    const qsizetype n = b.size();
    auto trail = [&](qsizetype i) { return i < n && p[i] >= 0xA1 && p[i] <= 0xFE; };
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned c = p[i];
        if (c < 0x80) continue;
        if (c == 0x8E && i + 1 < n && p[i + 1] >= 0xA1 && p[i + 1] <= 0xDF) {
            ++f.kana;
            ++i;
        } else if (c == 0x8F && trail(i + 1) && trail(i + 2)) {
            ++f.pairs;
            i += 2;
        } else if (c >= 0xA1 && c <= 0xFE && trail(i + 1)) {
            ++f.pairs;
            ++i;
        } else {
            f.valid = false;
            return f;
        }
    }
    return f;
}

bool LooksIso2022(const QByteArray& b) {
    return b.contains("\x1b$B") || b.contains("\x1b$@") || b.contains("\x1b(J") ||
           b.contains("\x1b(I");
}

}  // namespace

bool IsValidUtf8(const QByteArray& bytes) {
    QStringDecoder dec(QStringDecoder::Utf8);
    const QString s = dec.decode(bytes);
    (void)s;
    return !dec.hasError();
}

QString DecodeAs(const QByteArray& bytes, const char* encoding) {
    QStringDecoder dec(encoding);
    if (!dec.isValid()) return QString();
    QString s = dec.decode(bytes);
    if (s.isNull()) s = QString("");
    return s;
}

QByteArray EncodeAs(const QString& text, const char* encoding) {
    QStringEncoder enc(encoding);
    if (!enc.isValid()) return text.toUtf8();
    return enc.encode(text);
}

QByteArray EncodeText(const QString& text) { return text.toUtf8(); }

QString DecodeText(const QByteArray& bytes) {
    if (bytes.isEmpty()) return QString("");
    if (IsValidUtf8(bytes)) {
        QString s = QString::fromUtf8(bytes);
        if (s.startsWith(QChar(0xFEFF))) s.remove(0, 1);
        return s;
    }
    if (LooksIso2022(bytes)) {
        const QString s = DecodeAs(bytes, "ISO-2022-JP");
        if (!s.isNull()) return s;
    }
    const Fit sjis = ScanShiftJis(bytes);
    const Fit euc = ScanEucJp(bytes);
    // EUC-JP text usually also scans as Shift_JIS, but then mostly as
    // half-width kana; real Shift_JIS text is mostly two-byte characters.
    const bool useEuc = euc.valid && (!sjis.valid || sjis.kana > sjis.pairs);
    const QString s = DecodeAs(bytes, useEuc ? "EUC-JP" : "windows-31j");
    if (!s.isNull()) return s;
    return QString::fromLatin1(bytes);
}

}  // namespace korvi
