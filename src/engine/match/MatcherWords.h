#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace korvi {

// Search words split into groups: every AND group must be found (any one of
// its alternatives will do); any word of an exclusion group rules the page out.
struct SrchWordGroups {
    std::vector<QStringList> and_groups;
    std::vector<QStringList> not_groups;

    bool operator==(const SrchWordGroups&) const = default;
};

// Parses a search string of the word-based search types.
//  - "\ " keeps two words together as one word with a blank in it;
//  - a word starting with "-" starts an exclusion group, one starting with
//    "|" is an alternative of the group begun by the word before it; "\-"
//    and "\|" at the start of a word stand for a literal "-" or "|";
//  - empty words (repeated blanks, a lone sign) are ignored;
//  - lowerCase turns every word into lower case.
SrchWordGroups ParseSrchWords(const QString& words, bool lowerCase);

// The words to look for, without operators and without the exclusions: every
// word of every AND group, in order, as written.
QStringList SrchPlainWords(const QString& words);

// The search words a report shows for a search under the matcher's search
// type: for types 1 and 3 the whole string is one word; otherwise the words
// looked for (SrchPlainWords). Blanks around the string are dropped.
QStringList SrchReportWords(const QString& words, int searchType);

// A word without any pattern syntax matches exactly its own text, so the
// matcher searches it as a literal.
bool IsPlainLiteralWord(const QString& word);

}  // namespace korvi
