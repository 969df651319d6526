#include "store/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cstring>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// One pass for the escapes ESC $ B, ESC $ @, ESC ( J and ESC ( I.
bool LooksIso2022(const QByteArray& b) {
    const char* p = b.constData();
    const char* const end = p + b.size();
    while (end - p >= 3) {
        const auto* esc = static_cast<const char*>(std::memchr(p, 0x1b, size_t(end - p - 2)));
        if (!esc) return false;
        if ((esc[1] == '$' && (esc[2] == 'B' || esc[2] == '@')) ||
            (esc[1] == '(' && (esc[2] == 'J' || esc[2] == 'I')))
            return true;
        p = esc + 1;
    }
    return false;
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

QString UnixLineBreaks(QString text) {
    if (!text.contains(u'\r')) return text;
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < n && text.at(i + 1) == u'\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

QString JoinTextLines(QString text) {
    text = UnixLineBreaks(std::move(text));
    if (text.endsWith(u'\n')) text.chop(1);
    return text;
}

QByteArray EncodeText(const QString& text) {
    return text.toUtf8();
}

namespace {

bool AllSevenBit(const QByteArray& b) {
    for (const char c : b) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// Decodes in a named encoding; false when the encoding is unknown.
bool DecodeInto(const QByteArray& bytes, const char* encoding, DecodedText* out) {
    QStringDecoder dec(encoding);
    if (!dec.isValid()) return false;
    out->text = dec.decode(bytes);
    if (out->text.isNull()) out->text = QString("");
    out->encoding = encoding;
    out->errors = dec.hasError();
    return true;
}

}  // namespace

DecodedText DecodeTextDetail(const QByteArray& bytes) {
    DecodedText d;
    if (bytes.isEmpty()) {
        d.text = QString("");
        return d;
    }
    // ISO-2022-JP is 7-bit and therefore also valid UTF-8: check it first.
    if (LooksIso2022(bytes) && AllSevenBit(bytes) && DecodeInto(bytes, "ISO-2022-JP", &d) &&
        !d.errors) {
        return d;
    }
    {
        QStringDecoder dec(QStringDecoder::Utf8);
        d.text = dec.decode(bytes);
        if (!dec.hasError()) {
            if (d.text.startsWith(QChar(0xFEFF))) d.text.remove(0, 1);
            d.encoding = "UTF-8";
            d.errors = false;
            return d;
        }
    }
    if (LooksIso2022(bytes) && DecodeInto(bytes, "ISO-2022-JP", &d)) return d;
    const Fit sjis = ScanShiftJis(bytes);
    const Fit euc = ScanEucJp(bytes);
    // EUC-JP text usually also scans as Shift_JIS, but then mostly as
    // half-width kana; real Shift_JIS text is mostly two-byte characters.
    const bool useEuc = euc.valid && (!sjis.valid || sjis.kana > sjis.pairs);
    if (DecodeInto(bytes, useEuc ? "EUC-JP" : "windows-31j", &d)) return d;
    d.text = QString::fromLatin1(bytes);
    d.encoding = "ISO-8859-1";
    d.errors = false;
    return d;
}

QString DecodeText(const QByteArray& bytes) {
    return DecodeTextDetail(bytes).text;
}

qsizetype CountNonTextBytes(const char* data, qsizetype size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    qsizetype count = 0;
    qsizetype i = 0;
    const auto one = [&](qsizetype k) {
        const unsigned c = p[k];
        if (c >= 0x20 && c < 0x7F) return;
        if (c == '\t' || c == '\n' || c == '\r') return;
        if (c == 0x1B) {
            // ESC $ ... and ESC ( ... switch character sets in ISO-2022-JP.
            if (k + 1 < size && (p[k + 1] == '$' || p[k + 1] == '(')) return;
            ++count;
            return;
        }
        if (c < 0x20 || c == 0x7F || c >= 0xFD) ++count;
    };
#ifdef __SSE2__
    // Sixteen bytes at a time; a block with ESC goes byte by byte.
    const __m128i below = _mm_set1_epi8(0x1F);
    const __m128i top = _mm_set1_epi8(char(0xFD));
    for (; i + 16 <= size; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(0x1B)))) {
            for (qsizetype k = i; k < i + 16; ++k) one(k);
            continue;
        }
        const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(v, below), v);
        const __m128i breaks = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t')),
                                                         _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
                                            _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
        const __m128i bad = _mm_or_si128(_mm_andnot_si128(breaks, control),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(0x7F)),
                                                      _mm_cmpeq_epi8(_mm_max_epu8(v, top), v)));
        count += __builtin_popcount(unsigned(_mm_movemask_epi8(bad)));
    }
#endif
    for (; i < size; ++i) one(i);
    return count;
}

bool IsNonText(qsizetype suspects, qsizetype size) {
    return suspects * 64 > size;
}

bool LooksNonText(const QByteArray& bytes, const DecodedText& decoded) {
    qsizetype suspects = CountNonTextBytes(bytes.constData(), bytes.size());
    if (decoded.errors) {
        // Bytes the decoder could not place come back as U+FFFD or U+001A.
        qsizetype rawSub = 0;
        for (const char c : bytes) rawSub += c == 0x1A;
        qsizetype replaced = 0;
        for (const QChar c : decoded.text) {
            replaced += c.unicode() == 0xFFFD || c.unicode() == 0x1A;
        }
        suspects += replaced > rawSub ? replaced - rawSub : 0;
    }
    return IsNonText(suspects, bytes.size());
}

QString DecodeDataText(const QByteArray& bytes) {
    if (bytes.isEmpty()) return QString("");
    // The head and the first 64 KB alone can show that the data is no text.
    const qsizetype head = qMin<qsizetype>(bytes.size(), 1024);
    const qsizetype sniff = qMin<qsizetype>(bytes.size(), 64 * 1024);
    if (IsNonText(CountNonTextBytes(bytes.constData(), head), head) ||
        IsNonText(CountNonTextBytes(bytes.constData(), sniff), sniff)) {
        return QString("");
    }
    DecodedText decoded = DecodeTextDetail(bytes);
    if (LooksNonText(bytes, decoded)) return QString("");
    return JoinTextLines(std::move(decoded.text));
}

}  // namespace korvi
