#include "engine/match/MatcherEntity.h"

#include <cstring>

namespace korvi {

namespace {

struct Named {
    const char* name;
    char32_t code;
};

// Latin-1 names, U+00A0 to U+00FF in order.
constexpr const char* kLatin1[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

// Greek small letters from U+03B1; the capitals are 0x20 lower.
constexpr const char* kGreek[25] = {
    "alpha", "beta",   "gamma",   "delta", "epsilon", "zeta",    "eta",  "theta", "iota",
    "kappa", "lambda", "mu",      "nu",    "xi",      "omicron", "pi",   "rho",   "sigmaf",
    "sigma", "tau",    "upsilon", "phi",   "chi",     "psi",     "omega"};

constexpr Named kOther[] = {
    {"quot", 0x22},     {"amp", 0x26},      {"apos", 0x27},     {"lt", 0x3C},
    {"gt", 0x3E},       {"OElig", 0x152},   {"oelig", 0x153},   {"Scaron", 0x160},
    {"scaron", 0x161},  {"Yuml", 0x178},    {"fnof", 0x192},    {"circ", 0x2C6},
    {"tilde", 0x2DC},   {"ensp", 0x2002},   {"emsp", 0x2003},   {"thinsp", 0x2009},
    {"zwnj", 0x200C},   {"zwj", 0x200D},    {"lrm", 0x200E},    {"rlm", 0x200F},
    {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},  {"rsquo", 0x2019},
    {"sbquo", 0x201A},  {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"bdquo", 0x201E},
    {"dagger", 0x2020}, {"Dagger", 0x2021}, {"bull", 0x2022},   {"hellip", 0x2026},
    {"permil", 0x2030}, {"prime", 0x2032},  {"Prime", 0x2033},  {"lsaquo", 0x2039},
    {"rsaquo", 0x203A}, {"oline", 0x203E},  {"frasl", 0x2044},  {"euro", 0x20AC},
    {"trade", 0x2122},  {"larr", 0x2190},   {"uarr", 0x2191},   {"rarr", 0x2192},
    {"darr", 0x2193},   {"harr", 0x2194},   {"crarr", 0x21B5},  {"lArr", 0x21D0},
    {"uArr", 0x21D1},   {"rArr", 0x21D2},   {"dArr", 0x21D3},   {"hArr", 0x21D4},
    {"minus", 0x2212},  {"lowast", 0x2217}, {"radic", 0x221A},  {"infin", 0x221E},
    {"asymp", 0x2248},  {"ne", 0x2260},     {"equiv", 0x2261},  {"le", 0x2264},
    {"ge", 0x2265},     {"loz", 0x25CA},    {"spades", 0x2660}, {"clubs", 0x2663},
    {"hearts", 0x2665}, {"diams", 0x2666}};

bool NameIs(QStringView name, const char* want) {
    const qsizetype n = qsizetype(std::strlen(want));
    if (name.size() != n) return false;
    for (qsizetype i = 0; i < n; ++i) {
        if (name.at(i).unicode() != char16_t(want[i])) return false;
    }
    return true;
}

char32_t LookUpName(QStringView name) {
    for (const Named& e : kOther) {
        if (NameIs(name, e.name)) return e.code;
    }
    for (int i = 0; i < 96; ++i) {
        if (NameIs(name, kLatin1[i])) return char32_t(0xA0 + i);
    }
    for (int i = 0; i < 25; ++i) {
        if (NameIs(name, kGreek[i])) return char32_t(0x3B1 + i);
        // The capital of each name but the final sigma.
        if (i != 17 && name.size() == qsizetype(std::strlen(kGreek[i])) &&
            name.at(0).unicode() == char16_t(kGreek[i][0] - 32) &&
            NameIs(name.mid(1), kGreek[i] + 1)) {
            return char32_t(0x391 + i);
        }
    }
    return char32_t(-1);
}

inline bool IsAsciiAlnum(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

}  // namespace

char32_t DecodeCharRef(QStringView text, qsizetype at, qsizetype* length) {
    const qsizetype n = text.size();
    qsizetype i = at + 1;
    if (i >= n) return char32_t(-1);
    if (text.at(i) == u'#') {
        ++i;
        const bool hex = i < n && (text.at(i) == u'x' || text.at(i) == u'X');
        if (hex) ++i;
        const qsizetype digits = i;
        char32_t value = 0;
        bool tooBig = false;
        for (; i < n; ++i) {
            const char16_t c = text.at(i).unicode();
            int d = -1;
            if (c >= u'0' && c <= u'9')
                d = c - u'0';
            else if (hex && c >= u'a' && c <= u'f')
                d = c - u'a' + 10;
            else if (hex && c >= u'A' && c <= u'F')
                d = c - u'A' + 10;
            if (d < 0) break;
            if (!tooBig) {
                value = value * (hex ? 16 : 10) + char32_t(d);
                if (value > 0x10FFFF) tooBig = true;
            }
        }
        if (i == digits) return char32_t(-1);
        if (i < n && text.at(i) == u';') ++i;
        *length = i - at;
        if (tooBig || value == 0 || (value >= 0xD800 && value <= 0xDFFF)) return 0xFFFD;
        return value;
    }
    // A name is at most a few letters long and must end in ";".
    constexpr qsizetype kLongestName = 8;
    qsizetype end = i;
    while (end < n && end - i <= kLongestName && IsAsciiAlnum(text.at(end).unicode())) ++end;
    if (end == i || end >= n || text.at(end) != u';') return char32_t(-1);
    const char32_t code = LookUpName(text.mid(i, end - i));
    if (code == char32_t(-1)) return code;
    *length = end + 1 - at;
    return code;
}

}  // namespace korvi
