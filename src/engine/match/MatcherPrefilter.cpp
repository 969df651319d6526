#include "engine/match/MatcherPrefilter.h"

#include <QRegularExpression>

#include <cctype>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <string.h>  // memmem

#include "engine/match/MatcherText.h"
#include "engine/match/MatcherWords.h"

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
struct FoldTable {
    unsigned char lower[256];
    FoldTable() {
        for (int c = 0; c < 256; ++c) lower[c] = static_cast<unsigned char>(c);
        for (int c = 'A'; c <= 'Z'; ++c) lower[c] = static_cast<unsigned char>(c + 32);
    }
};
const FoldTable kFold;

inline unsigned char Fold(unsigned char c, bool fold) {
    return fold ? kFold.lower[c] : c;
}

bool SameFolded(const unsigned char* a, const unsigned char* b, qsizetype m, bool fold) {
    if (!fold) return std::memcmp(a, b, size_t(m)) == 0;
    for (qsizetype k = 0; k < m; ++k) {
        if (kFold.lower[a[k]] != b[k]) return false;
    }
    return true;
}

#ifdef __SSE2__
// A byte test against one byte of a folded needle: a lower-case letter also
// takes its upper case.
struct ByteProbe {
    __m128i want;
    __m128i bit;
    ByteProbe(unsigned char c, bool fold)
        : want(_mm_set1_epi8(char(c))),
          bit(_mm_set1_epi8(fold && c >= 'a' && c <= 'z' ? 0x20 : 0)) {}
    __m128i Hits(__m128i v) const { return _mm_cmpeq_epi8(_mm_or_si128(v, bit), want); }
};
#endif

// Whether hay holds the needle, ASCII letters folded when fold is set (the
// needle is folded already).
bool Contains(QByteArrayView hay, const QByteArray& needle, bool fold) {
    const qsizetype n = hay.size();
    const qsizetype m = needle.size();
    if (m == 0) return true;
    if (m > n) return false;
    const auto* h = reinterpret_cast<const unsigned char*>(hay.data());
    const auto* nd = reinterpret_cast<const unsigned char*>(needle.constData());
    qsizetype i = 0;
#ifdef __SSE2__
    // Candidates where the first and the last byte both fit, 16 at a time.
    const ByteProbe first(nd[0], fold);
    const ByteProbe last(nd[m - 1], fold);
    for (; i + m - 1 + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i + m - 1));
        unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(first.Hits(a), last.Hits(b))));
        while (mask) {
            const int k = __builtin_ctz(mask);
            if (m <= 2 || SameFolded(h + i + k + 1, nd + 1, m - 2, fold)) return true;
            mask &= mask - 1;
        }
    }
#endif
    if (!fold) return memmem(h + i, size_t(n - i), nd, size_t(m)) != nullptr;
    for (; i + m <= n; ++i) {
        if (kFold.lower[h[i]] == nd[0] && SameFolded(h + i, nd, m, true)) return true;
    }
    return false;
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

// Whether the bytes hold "&" or "&#", each looked for once per text.
class RefMarks {
public:
    bool Any(QByteArrayView text) {
        if (any_ < 0) any_ = std::memchr(text.data(), '&', size_t(text.size())) != nullptr;
        return any_ != 0;
    }
    bool Numeric(QByteArrayView text) {
        static const QByteArray kNumeric("&#");
        if (numeric_ < 0) numeric_ = Any(text) && Contains(text, kNumeric, false);
        return numeric_ != 0;
    }

private:
    int any_ = -1;
    int numeric_ = -1;
};

// Whether the search text of text may hold needle although the raw text does
// not. Every character the search text copies from the raw text is copied
// as it is, up to the next mark; so an occurrence whose first character is
// raw text shows in the raw text as a proper prefix of the needle followed
// by a mark. One whose first character comes from a character reference
// needs an "&" that can stand for it.
bool MaySpanMarks(QByteArrayView text, const QByteArray& needle, bool fold, RefMarks& refs) {
    static const MarkTable table;
    const qsizetype m = needle.size();
    const qsizetype n = text.size();
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const auto* nd = reinterpret_cast<const unsigned char*>(needle.constData());
    if (table.mark[nd[0]]) return true;
    // From a place that starts the needle: a mark before the needle ends.
    const auto spans = [&](qsizetype q) {
        for (qsizetype k = 1; k < m && q + k < n; ++k) {
            const unsigned char c = t[q + k];
            if (table.mark[c]) return true;
            if (Fold(c, fold) != nd[k]) return false;
        }
        return false;
    };
    qsizetype q = 0;
#ifdef __SSE2__
    const ByteProbe first(nd[0], fold);
    for (; q + 16 <= n; q += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + q));
        unsigned mask = unsigned(_mm_movemask_epi8(first.Hits(v)));
        while (mask) {
            if (spans(q + __builtin_ctz(mask))) return true;
            mask &= mask - 1;
        }
    }
#endif
    for (; q < n; ++q) {
        if (Fold(t[q], fold) == nd[0] && spans(q)) return true;
    }
    // A numeric reference can make any character; a named one any but an
    // ASCII letter or digit.
    const bool asciiWord = nd[0] < 0x80 && (std::isalnum(nd[0]) != 0);
    return asciiWord ? refs.Numeric(text) : refs.Any(text);
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
    // First the tests on the raw bytes: a group that neither holds a needle
    // nor can hide one behind a mark fails at once. Groups that may hide one
    // wait for the search text, which is made only when no group failed.
    bool fails = never_;
    scratch.hidden.clear();
    RefMarks refs;
    for (size_t g = 0; g < groups_.size() && !fails; ++g) {
        bool found = false;
        for (const QByteArray& needle : groups_[g]) {
            if (Contains(bytes, needle, fold_)) {
                found = true;
                break;
            }
        }
        if (found) continue;
        bool maySpan = false;
        for (const QByteArray& needle : groups_[g]) {
            if (MaySpanMarks(bytes, needle, fold_, refs)) {
                maySpan = true;
                break;
            }
        }
        if (maySpan) {
            scratch.hidden.push_back(g);
        } else {
            fails = true;
        }
    }
    // ESC may make ISO-2022-JP of it; other encodings are not judged.
    if (std::memchr(bytes.data(), 0x1B, size_t(bytes.size()))) return true;
    if (!IsStrictUtf8(bytes)) return true;
    if (fails) return false;
    if (scratch.hidden.empty()) return true;
    SearchBytes(bytes, fold_, scratch.plain);
    for (const size_t g : scratch.hidden) {
        bool found = false;
        for (const QByteArray& needle : groups_[g]) {
            if (Contains(scratch.plain, needle, false)) {
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    return true;
}

}  // namespace korvi
