#include "engine/match/MatcherText.h"

#include <QLatin1StringView>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <limits>

#include "engine/match/MatcherEntity.h"

namespace korvi {

namespace {

// Scripts whose lines are joined without a blank.
inline bool IsCjk(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x20000 && c <= 0x3FFFF);
}

inline bool IsAsciiLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

// What a tag name says about the text around it.
enum TagKind : unsigned char {
    kBlock = 1,      // breaks a line where it stands
    kPageStart = 2,  // a start tag only an HTML page holds
    kHtmlEnd = 4,    // an end tag of it shows an HTML page (blocks do too)
    kRawText = 8,    // its content is no text (script, style)
};

struct TagName {
    const char* name;  // lower-case ASCII
    unsigned char kind;
};

// Sorted by name for the binary search in KindOf.
constexpr TagName kTagNames[] = {
    {"a", kHtmlEnd},
    {"abbr", kHtmlEnd},
    {"address", kBlock},
    {"article", kBlock},
    {"aside", kBlock},
    {"audio", kHtmlEnd},
    {"b", kHtmlEnd},
    {"big", kHtmlEnd},
    {"blockquote", kBlock},
    {"body", kBlock | kPageStart},
    {"br", kBlock | kPageStart},
    {"button", kHtmlEnd},
    {"caption", kBlock},
    {"center", kHtmlEnd},
    {"cite", kHtmlEnd},
    {"code", kHtmlEnd},
    {"dd", kBlock},
    {"div", kBlock},
    {"dl", kBlock},
    {"dt", kBlock},
    {"em", kHtmlEnd},
    {"figcaption", kBlock},
    {"figure", kBlock},
    {"font", kHtmlEnd},
    {"footer", kBlock},
    {"form", kBlock},
    {"h1", kBlock},
    {"h2", kBlock},
    {"h3", kBlock},
    {"h4", kBlock},
    {"h5", kBlock},
    {"h6", kBlock},
    {"head", kBlock | kPageStart},
    {"header", kBlock},
    {"hr", kBlock | kPageStart},
    {"html", kBlock | kPageStart},
    {"i", kHtmlEnd},
    {"iframe", kHtmlEnd},
    {"img", kPageStart},
    {"input", kPageStart},
    {"kbd", kHtmlEnd},
    {"label", kHtmlEnd},
    {"li", kBlock},
    {"link", kPageStart},
    {"main", kBlock},
    {"map", kHtmlEnd},
    {"meta", kPageStart},
    {"nav", kBlock},
    {"nobr", kHtmlEnd},
    {"noscript", kHtmlEnd},
    {"object", kHtmlEnd},
    {"ol", kBlock},
    {"option", kBlock},
    {"p", kBlock},
    {"pre", kBlock},
    {"q", kHtmlEnd},
    {"s", kHtmlEnd},
    {"script", kHtmlEnd | kRawText},
    {"section", kBlock},
    {"select", kHtmlEnd},
    {"small", kHtmlEnd},
    {"span", kHtmlEnd},
    {"strong", kHtmlEnd},
    {"style", kHtmlEnd | kRawText},
    {"sub", kHtmlEnd},
    {"sup", kHtmlEnd},
    {"svg", kHtmlEnd},
    {"table", kBlock},
    {"tbody", kBlock},
    {"td", kBlock},
    {"textarea", kHtmlEnd},
    {"tfoot", kBlock},
    {"th", kBlock},
    {"thead", kBlock},
    {"title", kBlock},
    {"tr", kBlock},
    {"tt", kHtmlEnd},
    {"u", kHtmlEnd},
    {"ul", kBlock},
    {"var", kHtmlEnd},
    {"video", kHtmlEnd},
};

// The kinds of a tag name in any case; 0 for a name not listed.
unsigned KindOf(QStringView name) {
    char low[16];
    const qsizetype n = name.size();
    if (n == 0 || n >= qsizetype(sizeof(low))) return 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = name[i].unicode();
        if (u >= 0x80) return 0;  // no listed name has such a character
        low[i] = char(u >= u'A' && u <= u'Z' ? u + 32 : u);
    }
    low[n] = 0;
    const auto* end = std::end(kTagNames);
    const auto* at = std::lower_bound(
        std::begin(kTagNames), end, low,
        [](const TagName& t, const char* key) { return std::strcmp(t.name, key) < 0; });
    return at != end && std::strcmp(at->name, low) == 0 ? at->kind : 0;
}

// Characters that the search text takes over as they are.
constexpr bool CopiedAsciiAsIs(char16_t u) {
    return u != u'<' && u != u'&' && u != u'\n' && u != u'\r' && u != u' ' && u != u'\t' &&
           u != u'\f';
}

constexpr auto kCopiedAscii = [] {
    std::array<bool, 128> table{};
    for (char16_t u = 0; u < 128; ++u) table[u] = CopiedAsciiAsIs(u);
    return table;
}();

inline bool CopiedAsIs(char16_t u) {
    if (u < 0x80) return kCopiedAscii[u];
    return u != 0xA0 && u != 0xAD && !QChar::isSurrogate(u);
}

// The text is read once, left to right; every search for a later mark
// remembers where it found none, so hostile input stays linear.
class SearchTextBuilder {
public:
    explicit SearchTextBuilder(const QString& html)
        : in_(html), n_(html.size()), last_gt_(html.lastIndexOf(u'>')) {
        // The text is rarely longer than its page; Room() grows it if so.
        out_.resize(n_ + 16);
        at_ = reinterpret_cast<char16_t*>(out_.data());
        end_ = at_ + out_.size();
    }

    MatcherSearch Build() {
        qsizetype i = 0;
        while (i < n_) {
            const QChar c = in_.at(i);
            if (c == u'<') {
                const qsizetype next = Tag(i);
                if (next > i) {
                    i = next;
                    continue;
                }
            } else if (c == u'&') {
                qsizetype len = 0;
                const char32_t code = DecodeCharRef(in_, i, &len);
                if (code != char32_t(-1)) {
                    Put(code);
                    i += len;
                    continue;
                }
            }
            char32_t code = c.unicode();
            qsizetype len = 1;
            if (c.isHighSurrogate() && i + 1 < n_ && in_.at(i + 1).isLowSurrogate()) {
                code = QChar::surrogateToUcs4(c, in_.at(i + 1));
                len = 2;
            }
            Put(code);
            i += len;
            // The characters after it that are copied as they are go at once,
            // and so does a single blank between two of them (the blank Put
            // would write).
            if (len == 1 && CopiedAsIs(c.unicode())) {
                const char16_t* in = reinterpret_cast<const char16_t*>(in_.constData());
                qsizetype j = i;
                while (j < n_) {
                    if (CopiedAsIs(in[j])) {
                        ++j;
                    } else if (in[j] == u' ' && j + 1 < n_ && CopiedAsIs(in[j + 1])) {
                        j += 2;
                    } else {
                        break;
                    }
                }
                if (j > i) {
                    Room(j - i);
                    std::memcpy(at_, in_.constData() + i, (j - i) * sizeof(char16_t));
                    at_ += j - i;
                    prev_ = in_.at(j - 1).unicode();
                    i = j;
                }
            }
        }
        out_.truncate(at_ - reinterpret_cast<const char16_t*>(out_.constData()));
        return {std::move(out_), markup_};
    }

private:
    void Put(char32_t c) {
        switch (c) {
            case u'\n':
            case u'\r':
                line_break_ = true;
                [[fallthrough]];
            case u' ':
            case u'\t':
            case u'\f':
            case 0xA0:
                blank_ = true;
                return;
            case 0xAD:  // a soft hyphen splits no word
                return;
            default:
                break;
        }
        Room(3);
        if (blank_ && prev_ != 0 && !(line_break_ && (IsCjk(prev_) || IsCjk(c)))) {
            *at_++ = u' ';
        }
        blank_ = false;
        line_break_ = false;
        if (QChar::requiresSurrogates(c)) {
            *at_++ = QChar::highSurrogate(c);
            *at_++ = QChar::lowSurrogate(c);
        } else {
            *at_++ = char16_t(c);
        }
        prev_ = c;
    }

    // Makes room for n more units at at_.
    void Room(qsizetype n) {
        if (end_ - at_ >= n) return;
        char16_t* base = reinterpret_cast<char16_t*>(out_.data());
        const qsizetype used = at_ - base;
        out_.resize(std::max(out_.size() * 2, used + n));
        base = reinterpret_cast<char16_t*>(out_.data());
        at_ = base + used;
        end_ = base + out_.size();
    }

    void Break() {
        blank_ = true;
        line_break_ = true;
    }

    // Index of what, at or after from; -1 when none. A miss is remembered.
    qsizetype Find(QLatin1StringView what, qsizetype from, qsizetype& noneFrom,
                   Qt::CaseSensitivity cs = Qt::CaseSensitive) const {
        if (from >= noneFrom) return -1;
        const qsizetype at = in_.indexOf(what, from, cs);
        if (at < 0) noneFrom = from;
        return at;
    }

    // The ">" that ends a tag whose name ends before from; -1 when none.
    // A quoted attribute value may hold ">"; a quote left open ends at the
    // first ">" after it, so a tag that starts before the last ">" always ends.
    qsizetype TagEnd(qsizetype from) {
        char16_t lastSign = 0;
        for (qsizetype j = from; j < n_; ++j) {
            const char16_t c = in_.at(j).unicode();
            if (c == u'>') return j;
            if ((c == u'"' || c == u'\'') && lastSign == u'=') {
                qsizetype& none = c == u'"' ? no_dquote_ : no_squote_;
                const qsizetype close =
                    Find(c == u'"' ? QLatin1StringView("\"") : QLatin1StringView("'"), j + 1, none);
                // Past the last ">" the tag could not end: the quote is open.
                if (close < 0 || close > last_gt_) return in_.indexOf(u'>', j + 1);
                j = close;
                lastSign = 0;
                continue;
            }
            if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') lastSign = c;
        }
        return -1;
    }

    // Handles markup at the "<" at i: the index after it, or i when the "<"
    // is text.
    qsizetype Tag(qsizetype i) {
        if (i >= last_gt_) return i;
        const QStringView rest = QStringView(in_).mid(i);
        if (const qsizetype added = AddedLink(rest); added > 0) {
            markup_ = true;
            return i + added;
        }
        const QChar c1 = i + 1 < n_ ? in_.at(i + 1) : QChar();
        if (c1 == u'!') {
            markup_ = true;
            if (rest.startsWith(QLatin1StringView("<!--"))) {
                const qsizetype end = Find(QLatin1StringView("-->"), i + 4, no_comment_end_);
                if (end >= 0) return end + 3;
            }
            return in_.indexOf(u'>', i + 2) + 1;
        }
        if (c1 == u'?') return in_.indexOf(u'>', i + 2) + 1;
        const bool end = c1 == u'/';
        const qsizetype nameAt = end ? i + 2 : i + 1;
        if (nameAt >= n_ || !IsAsciiLetter(in_.at(nameAt))) return i;
        qsizetype nameEnd = nameAt;
        while (nameEnd < n_ && (IsAsciiLetter(in_.at(nameEnd)) || in_.at(nameEnd).isDigit() ||
                                in_.at(nameEnd) == u'-' || in_.at(nameEnd) == u':')) {
            ++nameEnd;
        }
        const qsizetype close = TagEnd(nameEnd);
        if (close < 0) return i;
        const QStringView name = QStringView(in_).mid(nameAt, nameEnd - nameAt);
        const unsigned kind = KindOf(name);
        if (!markup_ && (kind & (end ? kBlock | kHtmlEnd : kPageStart))) markup_ = true;
        if (kind & kBlock) Break();
        if (!end && (kind & kRawText)) {
            // Their content is no text; an element left open runs to the end.
            const QString endTag = QStringLiteral("</") + name.toString();
            const qsizetype at = in_.indexOf(endTag, close + 1, Qt::CaseInsensitive);
            if (at < 0) return n_;
            const qsizetype gt = TagEnd(at + endTag.size());
            return gt < 0 ? n_ : gt + 1;
        }
        return close + 1;
    }

    // Length of a link that local-link rewriting added, when rest starts
    // with one; 0 otherwise.
    static qsizetype AddedLink(QStringView rest) {
        static const QLatin1StringView head("<FONT SIZE=1>(<A HREF=\"");
        if (!rest.startsWith(head)) return 0;
        const qsizetype quote = rest.indexOf(u'"', head.size());
        if (quote < 0) return 0;
        const QStringView tail = rest.mid(quote);
        for (QLatin1StringView end : {QLatin1StringView("\">@Web</A>)</FONT>"),
                                      QLatin1StringView("\">@Local</A>)</FONT>")}) {
            if (tail.startsWith(end)) return quote + end.size();
        }
        return 0;
    }

    const QString& in_;
    const qsizetype n_;
    const qsizetype last_gt_;
    QString out_;  // written through at_, cut to length at the end
    char16_t* at_ = nullptr;
    char16_t* end_ = nullptr;
    bool markup_ = false;
    bool blank_ = false;
    bool line_break_ = false;
    char32_t prev_ = 0;
    qsizetype no_dquote_ = std::numeric_limits<qsizetype>::max();
    qsizetype no_squote_ = std::numeric_limits<qsizetype>::max();
    qsizetype no_comment_end_ = std::numeric_limits<qsizetype>::max();
};

}  // namespace

MatcherSearch MatcherSearchText(const QString& html) {
    return SearchTextBuilder(html).Build();
}

QString MatcherFoldCase(const QString& text) {
    QString out = text;
    const qsizetype n = out.size();
    if (n == 0) return out;
    char16_t* p = reinterpret_cast<char16_t*>(out.data());
    qsizetype i = 0;
    while (i < n) {
        // Four ASCII units at a time: a lane from 'A' to 'Z' gains 0x20.
        if (i + 4 <= n) {
            quint64 v;
            std::memcpy(&v, p + i, sizeof v);
            if ((v & 0xFF80FF80FF80FF80ull) == 0) {
                const quint64 fromA = v + 0x003F003F003F003Full;  // bit 7 set: >= 'A'
                const quint64 pastZ = v + 0x0025002500250025ull;  // bit 7 set: > 'Z'
                v |= ((fromA & ~pastZ) & 0x0080008000800080ull) >> 2;
                std::memcpy(p + i, &v, sizeof v);
                i += 4;
                continue;
            }
        }
        const char16_t c = p[i++];
        char16_t* const at = p + i - 1;
        if (c < 0x80) {
            if (c >= u'A' && c <= u'Z') *at = char16_t(c + 32);
        } else if ((c >= 0x3000 && c < 0xA640) || (c >= 0xAC00 && c < 0xD800)) {
            // Kana, CJK ideographs, Hangul syllables: no case.
        } else if (!QChar::isSurrogate(c)) {
            *at = QChar::toCaseFolded(char32_t(c));
        }
    }
    return out;
}

}  // namespace korvi
