#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

#include "engine/match/Matcher.h"

namespace korvi {

// A quick test on the raw bytes of a file, made once per search: when it
// says no, the matcher cannot match the text those bytes decode to, so the
// file need not be decoded at all. It only judges bytes that are valid UTF-8
// without any ESC (anything else is read in another encoding and always
// passes), and only literal words; a group holding a pattern word always
// passes.
//
// Why a "no" is sound: the matcher searches the search text (MatcherSearchText)
// and, for a text that is no HTML page, the raw text. A needle found in the
// raw bytes passes at once; line-break conversion only touches CR and LF,
// which are never part of a needle, and with case folding a needle keeps only
// the characters whose every case variant differs from them in ASCII letters
// alone (so "k" and "s", which the Kelvin sign and the long s fold to, are
// left out). Otherwise the search text itself is made and searched: character
// references, joined lines and dropped markup can make a word that the bytes
// do not hold, so no cheaper test on the bytes would be sound.
class MatcherPrefilter {
public:
    // Reused work space; one per thread.
    struct Scratch {
        QByteArray plain;
        std::vector<size_t> hidden;  // groups judged on the search text
    };

    // A filter that passes everything.
    MatcherPrefilter() = default;
    MatcherPrefilter(const QString& words, const Matcher::Options& options);

    // False when the filter passes every text (nothing to test).
    bool Active() const { return active_; }
    // False only when no text these bytes decode to (as UTF-8, a BOM removed,
    // any line-break convention) can match; empty bytes never match.
    bool MayMatch(QByteArrayView bytes, Scratch& scratch) const;

    // Needles of each AND group, for tests.
    const std::vector<std::vector<QByteArray>>& Groups() const { return groups_; }

private:
    bool active_ = false;
    bool never_ = false;  // no AND group: nothing matches
    bool fold_ = false;
    std::vector<std::vector<QByteArray>> groups_;
};

// UTF-8 check: true exactly for the bytes that Qt decodes without error
// (no overlong form, surrogate or value above U+10FFFF; a BOM is allowed).
bool IsStrictUtf8(QByteArrayView bytes);

}  // namespace korvi
