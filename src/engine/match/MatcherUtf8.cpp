#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KORVI_UTF8_SSSE3 1
#endif

#include "engine/match/MatcherPrefilter.h"

namespace korvi {

namespace {

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

bool StrictUtf8Scalar(const unsigned char* p, qsizetype n) {
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

#ifdef KORVI_UTF8_SSSE3

// Sixteen bytes at a time: each byte pair is classified by three table
// look-ups (high and low half of the first byte, high half of the second),
// whose common bits name the faults; the bytes two and three places back
// tell where a continuation byte is due.
struct Utf8Blocks {
    static constexpr std::uint8_t kTooShort = 1 << 0;
    static constexpr std::uint8_t kTooLong = 1 << 1;
    static constexpr std::uint8_t kOverlong3 = 1 << 2;
    static constexpr std::uint8_t kTooLarge = 1 << 3;
    static constexpr std::uint8_t kSurrogate = 1 << 4;
    static constexpr std::uint8_t kOverlong2 = 1 << 5;
    static constexpr std::uint8_t kTooLarge1000 = 1 << 6;
    static constexpr std::uint8_t kOverlong4 = 1 << 6;
    static constexpr std::uint8_t kTwoConts = 1 << 7;
    static constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoConts;

    __m128i error = _mm_setzero_si128();
    __m128i prev = _mm_setzero_si128();
    __m128i incomplete = _mm_setzero_si128();

    __attribute__((target("ssse3"))) static __m128i High(__m128i v) {
        return _mm_and_si128(_mm_srli_epi16(v, 4), _mm_set1_epi8(0x0F));
    }

    __attribute__((target("ssse3"))) void Add(__m128i in) {
        if (_mm_movemask_epi8(in) == 0) {
            error = _mm_or_si128(error, incomplete);
            prev = in;
            return;
        }
        const __m128i prev1 = _mm_alignr_epi8(in, prev, 15);
        const __m128i b1High = _mm_shuffle_epi8(
            _mm_setr_epi8(kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
                          kTooLong, kTwoConts, kTwoConts, kTwoConts, kTwoConts,
                          kTooShort | kOverlong2, kTooShort, kTooShort | kOverlong3 | kSurrogate,
                          char(kTooShort | kTooLarge | kTooLarge1000 | kOverlong4)),
            High(prev1));
        constexpr char kLarge = char(kCarry | kTooLarge | kTooLarge1000);
        const __m128i b1Low = _mm_shuffle_epi8(
            _mm_setr_epi8(char(kCarry | kOverlong3 | kOverlong2 | kOverlong4),
                          char(kCarry | kOverlong2), char(kCarry), char(kCarry),
                          char(kCarry | kTooLarge), kLarge, kLarge, kLarge, kLarge, kLarge, kLarge,
                          kLarge, kLarge, char(kLarge | kSurrogate), kLarge, kLarge),
            _mm_and_si128(prev1, _mm_set1_epi8(0x0F)));
        constexpr char kCont8 =
            char(kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4);
        constexpr char kCont9 = char(kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge);
        constexpr char kContAB = char(kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge);
        const __m128i b2High =
            _mm_shuffle_epi8(_mm_setr_epi8(kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
                                           kTooShort, kTooShort, kTooShort, kCont8, kCont9, kContAB,
                                           kContAB, kTooShort, kTooShort, kTooShort, kTooShort),
                             High(in));
        const __m128i special = _mm_and_si128(_mm_and_si128(b1High, b1Low), b2High);
        // A third or fourth byte of a sequence must be a continuation.
        const __m128i prev2 = _mm_alignr_epi8(in, prev, 14);
        const __m128i prev3 = _mm_alignr_epi8(in, prev, 13);
        const __m128i due = _mm_and_si128(_mm_or_si128(_mm_subs_epu8(prev2, _mm_set1_epi8(0x60)),
                                                       _mm_subs_epu8(prev3, _mm_set1_epi8(0x70))),
                                          _mm_set1_epi8(char(0x80)));
        error = _mm_or_si128(error, _mm_xor_si128(due, special));
        // A sequence that the last bytes start and this block does not end.
        incomplete = _mm_subs_epu8(in, _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                                     -1, char(0xEF), char(0xDF), char(0xBF)));
        prev = in;
    }
};

__attribute__((target("ssse3"))) bool StrictUtf8Ssse3(const unsigned char* p, qsizetype n) {
    Utf8Blocks b;
    qsizetype i = 0;
    for (; i + 16 <= n; i += 16) {
        b.Add(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
        // Text in another encoding fails early.
        if ((i & 0xFFF) == 0 &&
            _mm_movemask_epi8(_mm_cmpeq_epi8(b.error, _mm_setzero_si128())) != 0xFFFF) {
            return false;
        }
    }
    if (i < n) {
        alignas(16) unsigned char tail[16] = {};
        std::memcpy(tail, p + i, size_t(n - i));
        b.Add(_mm_load_si128(reinterpret_cast<const __m128i*>(tail)));
    }
    b.error = _mm_or_si128(b.error, b.incomplete);
    return _mm_movemask_epi8(_mm_cmpeq_epi8(b.error, _mm_setzero_si128())) == 0xFFFF;
}

#endif

}  // namespace

bool IsStrictUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
#ifdef KORVI_UTF8_SSSE3
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3) return StrictUtf8Ssse3(p, bytes.size());
#endif
    return StrictUtf8Scalar(p, bytes.size());
}

}  // namespace korvi
