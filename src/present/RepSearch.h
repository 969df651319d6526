#pragma once

#include <QString>

#include "engine/match/Matcher.h"
#include "present/RepEngine.h"
#include "shell/UserMessage.h"

namespace korvi {

// Search in the list of the replace dialog: the index of the next row after
// current (the one before it when backward) that has a cell matching the
// words under the matcher's search type and case handling, going round the
// end of the list, the current row last; -1 when no row matches. A current
// row outside the list starts the search at the first (last) row.
int SrchLst(Matcher& matcher, const RepRows& rows, int current, const QString& words,
            const Matcher::Options& options, bool backward = false);

// "検索リスト内を検索": "検索文字列「" + words + "」が見つかりませんでした。"
UserMessage SrchLstNotFound(const QString& words);

}  // namespace korvi
