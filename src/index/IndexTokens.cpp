#include "index/IndexTokens.h"

#include <QSet>

#include <cstring>
#include <vector>

#include "engine/match/MatcherText.h"
#include "engine/match/MatcherWords.h"

namespace korvi {

namespace {

// Half-width katakana U+FF61..U+FF9F as full-width characters.
constexpr char16_t kHalfKana[] =
    u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘ"
    u"ホマミムメモヤユヨラリルレロワン゛゜";
static_assert(sizeof(kHalfKana) / sizeof(char16_t) == 0xFF9F - 0xFF61 + 2);

char32_t WidthFold(char32_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E) {
        c -= 0xFEE0;
        if (c >= U'A' && c <= U'Z') c += 32;
        return c;
    }
    if (c >= 0xFF61 && c <= 0xFF9F) return kHalfKana[c - 0xFF61];
    return c;
}

bool Separates(char32_t c) {
    if (c < 0x80) return c <= 0x20 || c == 0x7F;
    // Kana, CJK ideographs and Hangul syllables hold no blank.
    if ((c >= 0x3040 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3)) return false;
    return QChar::isSpace(c);
}

int PutUtf8(char32_t c, char* out) {
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xC0 | (c >> 6));
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = char(0xE0 | (c >> 12));
        out[1] = char(0x80 | ((c >> 6) & 0x3F));
        out[2] = char(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (c >> 18));
    out[1] = char(0x80 | ((c >> 12) & 0x3F));
    out[2] = char(0x80 | ((c >> 6) & 0x3F));
    out[3] = char(0x80 | (c & 0x3F));
    return 4;
}

// Folded characters of a text, separators as 0.
template <typename Fn>
void ForEachFolded(const QString& text, Fn fn) {
    const QString folded = MatcherFoldCase(text);
    const qsizetype n = folded.size();
    const char16_t* p = reinterpret_cast<const char16_t*>(folded.constData());
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = p[i];
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            c = QChar::surrogateToUcs4(char16_t(c), p[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        c = WidthFold(c);
        fn(Separates(c) ? char32_t(0) : c);
    }
}

// Whether a word has a surrogate half without its partner: it could be one
// half of a pair in the text, which the text's tokens hold only as a whole.
bool HasLoneSurrogate(const QString& word) {
    const qsizetype n = word.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = word.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && word.at(i + 1).isLowSurrogate()) {
            ++i;
        } else if (QChar::isSurrogate(c)) {
            return true;
        }
    }
    return false;
}

QByteArray Quoted(const QByteArray& token) {
    QByteArray out = token;
    out.replace('"', "\"\"");
    return '"' + out + '"';
}

// "(t1 AND t2 …)" for a word; empty when the word narrows nothing.
QByteArray WordClause(const QString& word) {
    const QList<QByteArray> tokens = IndexWordTokens(word);
    if (tokens.isEmpty()) return {};
    QByteArray out("(");
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (i) out += " AND ";
        out += Quoted(tokens[i]);
    }
    return out + ')';
}

// The tokens met so far in one text. Characters of the basic plane and
// pairs of two ASCII characters are bits; the rest are numbers (a pair is
// the two codes with a mark bit) in an open-addressing set that grows at
// half full.
class TokenSet {
public:
    TokenSet() : chars_(0x10000 / 64), ascii_pairs_(128 * 128 / 64) {}

    // True when the token was not in the set (it is now).
    bool InsertChar(char32_t c) {
        if (c < 0x10000) return SetBit(chars_, c);
        return Insert(c);
    }
    bool InsertPair(char32_t a, char32_t b) {
        if (a < 128 && b < 128) return SetBit(ascii_pairs_, (a << 7) | b);
        return Insert((quint64(1) << 62) | (quint64(a) << 21) | b);
    }

private:
    static bool SetBit(std::vector<quint64>& bits, quint32 at) {
        quint64& word = bits[at >> 6];
        const quint64 bit = quint64(1) << (at & 63);
        if (word & bit) return false;
        word |= bit;
        return true;
    }
    bool Insert(quint64 key) {
        if (2 * (used_ + 1) > slots_.size()) Grow();
        const size_t mask = slots_.size() - 1;
        for (size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
            if (slots_[i] == key) return false;
            if (slots_[i] == kEmpty) {
                slots_[i] = key;
                ++used_;
                return true;
            }
        }
    }
    static constexpr quint64 kEmpty = ~quint64(0);
    static size_t Hash(quint64 key) { return size_t((key * 0x9E3779B97F4A7C15ull) >> 20); }
    void Grow() {
        std::vector<quint64> old(slots_.empty() ? 256 : slots_.size() * 2, kEmpty);
        old.swap(slots_);
        used_ = 0;
        for (quint64 key : old) {
            if (key != kEmpty) Insert(key);
        }
    }
    std::vector<quint64> chars_;
    std::vector<quint64> ascii_pairs_;
    std::vector<quint64> slots_;
    size_t used_ = 0;
};

}  // namespace

void IndexTokenize(QByteArrayView utf8, const std::function<void(QByteArrayView)>& emit) {
    char32_t prev = 0;  // 0: the last character was a separator
    TokenSet seen;
    ForEachFolded(QString::fromUtf8(utf8), [&](char32_t c) {
        if (c == 0) {
            prev = 0;
            return;
        }
        const bool newChar = seen.InsertChar(c);
        const bool newPair = prev != 0 && seen.InsertPair(prev, c);
        if (newChar || newPair) {
            char bytes[8];
            const int prevLen = newPair ? PutUtf8(prev, bytes) : 0;
            const int len = PutUtf8(c, bytes + prevLen);
            if (newChar) emit(QByteArrayView(bytes + prevLen, len));
            if (newPair) emit(QByteArrayView(bytes, prevLen + len));
        }
        prev = c;
    });
}

QList<QByteArray> IndexWordTokens(const QString& word) {
    if (HasLoneSurrogate(word)) return {};
    std::vector<char32_t> chars;
    ForEachFolded(word, [&](char32_t c) { chars.push_back(c); });
    QList<QByteArray> out;
    QSet<QByteArray> seen;
    auto add = [&](const QByteArray& t) {
        if (!seen.contains(t)) {
            seen.insert(t);
            out.append(t);
        }
    };
    const size_t n = chars.size();
    for (size_t i = 0; i < n; ++i) {
        if (chars[i] == 0) continue;
        char buf[8];
        const int a = PutUtf8(chars[i], buf);
        const bool next = i + 1 < n && chars[i + 1] != 0;
        const bool before = i > 0 && chars[i - 1] != 0;
        if (next) {
            const int b = PutUtf8(chars[i + 1], buf + a);
            add(QByteArray(buf, a + b));
        } else if (!before) {
            add(QByteArray(buf, a));  // a character between separators
        }
    }
    // A few tokens narrow as well as all of them and cost less to look up.
    constexpr qsizetype kMaxTokens = 12;
    if (out.size() > kMaxTokens) out.resize(kMaxTokens);
    return out;
}

IndexMatch IndexMatchFor(const QString& words, const Matcher::Options& options) {
    IndexMatch m;
    if (words.isEmpty()) return m;
    const int type = options.type >= 0 && options.type <= 3 ? options.type : 0;
    // Each group: its alternatives' clauses; an empty list narrows nothing.
    std::vector<QByteArray> groups;
    const auto literal = [&](const QString& w) {
        return type == 2 || type == 3 || IsPlainLiteralWord(w);
    };
    if (type == 1 || type == 3) {
        if (!literal(words)) return m;
        const QByteArray c = WordClause(words);
        if (c.isEmpty()) return m;
        groups.push_back(c);
    } else {
        const SrchWordGroups parsed = ParseSrchWords(words, false);
        if (parsed.and_groups.empty()) {
            m.kind = IndexMatch::Kind::None;
            return m;
        }
        for (const QStringList& group : parsed.and_groups) {
            QByteArray clause;
            bool narrows = !group.isEmpty();
            for (const QString& w : group) {
                const QByteArray c = literal(w) ? WordClause(w) : QByteArray();
                if (c.isEmpty()) {
                    narrows = false;
                    break;
                }
                if (!clause.isEmpty()) clause += " OR ";
                clause += c;
            }
            if (narrows) groups.push_back('(' + clause + ')');
        }
    }
    if (groups.empty()) return m;
    m.kind = IndexMatch::Kind::Match;
    for (size_t i = 0; i < groups.size(); ++i) {
        if (i) m.expression += " AND ";
        m.expression += groups[i];
    }
    return m;
}

}  // namespace korvi
