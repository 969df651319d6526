#include "engine/MatcherPrefilter.h"

#include <QRegularExpression>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "engine/MatcherText.h"
#include "engine/MatcherWords.h"

namespace korvi {

namespace {

// Units that some other non-ASCII unit case-folds to: a needle cannot hold
// them, since the text may carry that other unit in their place.
const std::vector<bool>& FoldTargets() {
    static const std::vector<bool> targets = [] {
        QString all(0x10000, Qt::Uninitialized);
        char16_t* p = reinterpret_cast<char16_t*>(all.data());
        for (int u = 0; u < 0x10000; ++u) p[u] = char16_t(u);
        const QString folded = MatcherFoldCase(all);
        std::vector<bool> t(0x10000, false);
        for (int u = 0x80; u < 0x10000; ++u) {
            const char16_t f = folded.at(u).unicode();
            if (f != u) t[f] = true;
        }
        return t;
    }();
    return targets;
}

// The longest piece of a word that the raw bytes must hold wherever the word
// is found; empty when there is none.
QByteArray Needle(const QString& word, bool fold) {
    const QString w = fold ? MatcherFoldCase(word) : word;
    const std::vector<bool>& targets = FoldTargets();
    const qsizetype n = w.size();
    qsizetype bestStart = 0, bestLen = 0, start = 0;
    qsizetype i = 0;
    auto close = [&](qsizetype end) {
        if (end - start > bestLen) {
            bestStart = start;
            bestLen = end - start;
        }
    };
    while (i < n) {
        const char16_t c = w.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n &&
            QChar::isLowSurrogate(w.at(i + 1).unicode())) {
            i += 2;  // a pair is kept as it is
            continue;
        }
        const bool usable =
            c != u'\r' && c != u'\n' && !QChar::isSurrogate(c) && !(fold && targets[c]);
        if (!usable) {
            close(i);
            start = i + 1;
        }
        ++i;
    }
    close(n);
    return w.mid(bestStart, bestLen).toUtf8();
}

// ASCII letters to lower case, other bytes as they are.
void FoldAscii(QByteArrayView from, char* to) {
    const auto* src = reinterpret_cast<const unsigned char*>(from.data());
    auto* dst = reinterpret_cast<unsigned char*>(to);
    const qsizetype n = from.size();
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i a = _mm_set1_epi8('A');
    const __m128i z = _mm_set1_epi8(25);
    const __m128i d = _mm_set1_epi8(32);
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i x = _mm_sub_epi8(v, a);
        const __m128i upper = _mm_cmpeq_epi8(_mm_min_epu8(x, z), x);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                         _mm_add_epi8(v, _mm_and_si128(upper, d)));
    }
#endif
    for (; i < n; ++i) {
        const unsigned char c = src[i];
        dst[i] = static_cast<unsigned char>(unsigned(c - 'A') < 26u ? c + 32 : c);
    }
}

// The first byte at or after i that is not ASCII; n when there is none.
inline qsizetype NextNonAscii(const unsigned char* p, qsizetype i, qsizetype n) {
#ifdef __SSE2__
    for (; i + 16 <= n; i += 16) {
        const int mask =
            _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
        if (mask) return i + __builtin_ctz(unsigned(mask));
    }
#endif
    for (; i < n; ++i) {
        if (p[i] >= 0x80) return i;
    }
    return n;
}

bool Contains(QByteArrayView hay, const QByteArray& needle) {
    const qsizetype n = hay.size();
    const qsizetype m = needle.size();
    if (m > n) return false;
    const char* h = hay.data();
    if (m == 1) return std::memchr(h, needle[0], size_t(n));
    qsizetype i = 0;
#ifdef __SSE2__
    // Candidates where the first and the last byte both fit, 16 at a time.
    const __m128i first = _mm_set1_epi8(needle[0]);
    const __m128i last = _mm_set1_epi8(needle[m - 1]);
    for (; i + m - 1 + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i + m - 1));
        unsigned mask = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        while (mask) {
            const int k = __builtin_ctz(mask);
            if (std::memcmp(h + i + k + 1, needle.constData() + 1, size_t(m - 2)) == 0) {
                return true;
            }
            mask &= mask - 1;
        }
    }
#endif
    return memmem(h + i, size_t(n - i), needle.constData(), size_t(m));
}

// The search text of strict UTF-8 bytes (the loader drops a BOM), as the
// matcher folds it, in UTF-8. Line-break conventions do not change it.
void SearchBytes(QByteArrayView bytes, bool fold, QByteArray& out) {
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
    const QString text = MatcherSearchText(QString::fromUtf8(bytes)).text;
    out = (fold ? MatcherFoldCase(text) : text).toUtf8();
}

// Bytes at which the search text stops copying the raw text: markup,
// character references and the blanks it folds (U+00A0 and U+00AD start
// with 0xC2).
struct MarkTable {
    bool mark[256] = {};
    MarkTable() {
        for (unsigned char c : {'<', '&', ' ', '\t', '\n', '\r', '\f', '\xC2'}) mark[c] = true;
    }
};

// Whether the search text of text may hold needle although the raw text does
// not. Every character the search text copies from the raw text is copied
// as it is, up to the next mark; so an occurrence whose first character is
// raw text shows in the raw text as a proper prefix of the needle followed
// by a mark. One whose first character comes from a character reference
// needs an "&" that can stand for it.
bool MaySpanMarks(QByteArrayView text, const QByteArray& needle) {
    static const MarkTable table;
    const qsizetype m = needle.size();
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const auto* nd = reinterpret_cast<const unsigned char*>(needle.constData());
    if (table.mark[nd[0]]) return true;
    const bool asciiWord = nd[0] < 0x80 && (std::isalnum(nd[0]) != 0);
    const qsizetype n = text.size();
    // One mark: a place where a hidden occurrence could continue.
    const auto atMark = [&](qsizetype p) {
        if (t[p] == '&' && (!asciiWord || (p + 1 < n && t[p + 1] == '#'))) return true;
        for (qsizetype k = std::min<qsizetype>(m - 1, p); k >= 1; --k) {
            if (t[p - k] == nd[0] && std::memcmp(t + p - k, nd, size_t(k)) == 0) return true;
        }
        return false;
    };
    qsizetype p = 0;
#ifdef __SSE2__
    // Sixteen bytes at a time: most hold no mark, or a blank not preceded
    // by a piece of the needle.
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i c2 = _mm_set1_epi8(char(0xC2));
    const __m128i blank = _mm_set1_epi8(0x20);
    for (; p + 16 <= n; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + p));
        // Bytes up to 0x20 hold the blank and every control mark.
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, blank), v);
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(low, _mm_cmpeq_epi8(v, lt)),
                         _mm_or_si128(_mm_cmpeq_epi8(v, amp), _mm_cmpeq_epi8(v, c2)));
        unsigned mask = unsigned(_mm_movemask_epi8(hit));
        while (mask) {
            const qsizetype q = p + __builtin_ctz(mask);
            mask &= mask - 1;
            if (table.mark[t[q]] && atMark(q)) return true;
        }
    }
#endif
    for (; p < n; ++p) {
        if (table.mark[t[p]] && atMark(p)) return true;
    }
    return false;
}

}  // namespace

MatcherPrefilter::MatcherPrefilter(const QString& words, const Matcher::Options& options) {
    if (words.isEmpty()) return;
    const int type = options.type >= 0 && options.type <= 3 ? options.type : 0;
    const bool cs = options.case_sensitive;
    fold_ = !cs;
    const QRegularExpression::PatternOptions reOptions =
        cs ? QRegularExpression::NoPatternOption : QRegularExpression::CaseInsensitiveOption;

    std::vector<QStringList> andGroups;
    if (type == 1 || type == 3) {
        // The whole string is one word.
        if (type == 1 && !IsPlainLiteralWord(words)) return;
        andGroups.push_back(QStringList{words});
    } else {
        const SrchWordGroups parsed = ParseSrchWords(words, false);
        if (type == 0) {
            // A bad pattern is logged on every page it is tried on: leave
            // such searches alone, so the log stays the same.
            for (const auto* list : {&parsed.and_groups, &parsed.not_groups}) {
                for (const QStringList& g : *list) {
                    for (const QString& w : g) {
                        if (!IsPlainLiteralWord(w) && !QRegularExpression(w, reOptions).isValid()) {
                            return;
                        }
                    }
                }
            }
        }
        andGroups = parsed.and_groups;
        if (andGroups.empty()) never_ = true;
    }

    for (const QStringList& g : andGroups) {
        std::vector<QByteArray> needles;
        bool open = false;  // some word of the group cannot be tested
        for (const QString& w : g) {
            if (type == 0 && !IsPlainLiteralWord(w)) {
                open = true;
                break;
            }
            QByteArray needle = Needle(w, fold_);
            if (needle.isEmpty()) {
                open = true;
                break;
            }
            needles.push_back(std::move(needle));
        }
        if (!open) groups_.push_back(std::move(needles));
    }
    active_ = never_ || !groups_.empty();
}

bool MatcherPrefilter::MayMatch(QByteArrayView bytes, Scratch& scratch) const {
    if (!active_) return true;
    if (bytes.isEmpty()) return false;
    // ESC may make ISO-2022-JP of it; other encodings are not judged.
    if (std::memchr(bytes.data(), 0x1B, size_t(bytes.size()))) return true;
    if (!IsStrictUtf8(bytes)) return true;
    if (never_) return false;

    QByteArrayView text = bytes;
    if (fold_) {
        scratch.folded.resize(bytes.size());
        FoldAscii(bytes, scratch.folded.data());
        text = QByteArrayView(scratch.folded.constData(), bytes.size());
    }
    bool havePlain = false;
    for (const std::vector<QByteArray>& group : groups_) {
        bool found = false;
        for (const QByteArray& needle : group) {
            if (Contains(text, needle)) {
                found = true;
                break;
            }
        }
        if (found) continue;
        // Only markup, references or folded blanks inside an occurrence can
        // hide it from the raw text: without such a place the group fails.
        bool maySpan = false;
        for (const QByteArray& needle : group) {
            if (MaySpanMarks(text, needle)) {
                maySpan = true;
                break;
            }
        }
        if (!maySpan) return false;
        if (!havePlain) {
            SearchBytes(bytes, fold_, scratch.plain);
            havePlain = true;
        }
        for (const QByteArray& needle : group) {
            if (Contains(scratch.plain, needle)) {
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    return true;
}

bool IsStrictUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    auto cont = [&](qsizetype k) { return k < n && (p[k] & 0xC0) == 0x80; };
    qsizetype i = NextNonAscii(p, 0, n);
    while (i < n) {
        const unsigned c = p[i];
        if (c < 0x80) {
            i = NextNonAscii(p, i + 1, n);
            continue;
        }
        if (c >= 0xE1 && c <= 0xEC && i + 3 <= n) {  // kana and kanji among them
            std::uint16_t t;
            std::memcpy(&t, p + i + 1, 2);
            if ((t & 0xC0C0) != 0x8080) return false;
            i += 3;
            continue;
        }
        if (c < 0xC2) return false;  // a continuation byte or an overlong form
        if (c < 0xE0) {
            if (!cont(i + 1)) return false;
            i += 2;
            continue;
        }
        if (c < 0xF0) {
            if (!cont(i + 1) || !cont(i + 2)) return false;
            const unsigned c1 = p[i + 1];
            if (c == 0xE0 && c1 < 0xA0) return false;   // overlong
            if (c == 0xED && c1 >= 0xA0) return false;  // surrogate
            i += 3;
            continue;
        }
        if (c < 0xF5) {
            if (!cont(i + 1) || !cont(i + 2) || !cont(i + 3)) return false;
            const unsigned c1 = p[i + 1];
            if (c == 0xF0 && c1 < 0x90) return false;   // overlong
            if (c == 0xF4 && c1 >= 0x90) return false;  // above U+10FFFF
            i += 4;
            continue;
        }
        return false;
    }
    return true;
}

}  // namespace korvi
