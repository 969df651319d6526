#include "engine/MatcherText.h"

namespace korvi {

namespace {

inline bool IsDropped(char16_t c) {
    return c == u'\n' || c == u'\r' || c == u'\t' || c == u'|';
}

}  // namespace

QString MatcherPlainText(const QString& html) {
    const qsizetype n = html.size();
    if (n == 0) return QString("");
    const char16_t* src = reinterpret_cast<const char16_t*>(html.constData());

    // Pass 1: drop line breaks, tabs and "|", then runs of two or more blanks.
    // Blanks separated only by dropped characters form one run.
    QString flat(n, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(flat.data());
    qsizetype len = 0;
    qsizetype blanks = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        if (c == u' ') {
            ++blanks;
            continue;
        }
        if (IsDropped(c)) continue;
        if (blanks == 1) out[len++] = u' ';
        blanks = 0;
        out[len++] = c;
    }
    if (blanks == 1) out[len++] = u' ';

    // Pass 2 (in place): a "<" opens a tag only when a ">" follows somewhere;
    // the tag ends at the first ">". Once no ">" is left, the rest is text.
    const char16_t* text = out;
    qsizetype lastClose = -1;
    for (qsizetype i = len - 1; i >= 0; --i) {
        if (text[i] == u'>') {
            lastClose = i;
            break;
        }
    }
    qsizetype w = 0;
    qsizetype i = 0;
    while (i < len) {
        const char16_t c = out[i];
        if (c == u'<' && i < lastClose) {
            qsizetype j = i + 1;
            while (out[j] != u'>') ++j;  // stops at lastClose at the latest
            i = j + 1;
            continue;
        }
        out[w++] = c;
        ++i;
    }
    flat.truncate(w);
    return flat;
}

QString MatcherFoldCase(const QString& text) {
    QString out = text;
    const qsizetype n = out.size();
    if (n == 0) return out;
    char16_t* p = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80) {
            if (c >= u'A' && c <= u'Z') p[i] = char16_t(c + 32);
        } else if ((c >= 0x3000 && c < 0xA640) || (c >= 0xAC00 && c < 0xD800)) {
            // Kana, CJK ideographs, Hangul syllables: no case.
        } else if (!QChar::isSurrogate(c)) {
            p[i] = QChar::toCaseFolded(char32_t(c));
        }
    }
    return out;
}

}  // namespace korvi
