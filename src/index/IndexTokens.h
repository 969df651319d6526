#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

#include "engine/match/Matcher.h"

namespace korvi {

// The index splits text into characters, folded as the matcher folds case,
// with full-width ASCII and half-width katakana taken to their usual forms.
// Every character is a token, and so is every pair of neighbours: a word of
// any length, Japanese or not, then finds the texts holding it, whatever
// stands around it. Blanks and control characters separate, so no token
// holds one.
//
// A text holding a word holds every token of the word, because folding works
// character by character; so the index may choose too many texts, never too
// few, and the matcher judges each.

// Calls emit once for each distinct token of UTF-8 text: the index keeps
// only which texts hold a token, so a repeat would add nothing.
void IndexTokenize(QByteArrayView utf8, const std::function<void(QByteArrayView)>& emit);

// The tokens that every text holding word holds (its pairs, and characters
// that stand alone); empty when the word gives none to rely on.
QList<QByteArray> IndexWordTokens(const QString& word);

// What the index can tell about a search.
struct IndexMatch {
    enum class Kind {
        Scan,   // nothing to narrow: every file is tested
        None,   // the search can match no text at all
        Match,  // only texts that the expression finds can match
    };
    Kind kind = Kind::Scan;
    QByteArray expression;  // a full-text query, for Match
};

// The query for the search words under the matcher's options. Pattern words
// narrow nothing, and nor does a group with one of them among its alternatives.
IndexMatch IndexMatchFor(const QString& words, const Matcher::Options& options);

}  // namespace korvi
