#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace korvi {

// Column sort order: two canonical decimal integers compare as numbers,
// everything else as text. Negative, zero or positive like QString::compare.
int CompareCells(const QString& a, const QString& b);

// The server part of a URL for the shuffle: from "//" to the next "/"
// ("//host/"); the rest after "//" when no "/" follows; "" without "//".
QString ServerOf(const QString& url);

// Shuffle over rows already sorted by URL: the order (indices into the
// sorted rows) in which no two neighbours share a server where that can be
// helped. Always a permutation of 0..n-1; fewer than 3 rows keep their order.
std::vector<int> ShuffleOrder(const QStringList& sortedUrls);

// Serial-number expansion of every "[from-to]" range in the text, first
// range outermost, ascending; a text without a range is itself the result.
// Stops after limit results, so a huge range cannot exhaust memory.
QStringList ExpandSerial(const QString& text, int limit = 100000);

}  // namespace korvi
