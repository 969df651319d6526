#pragma once

#include "engine/lists/InitList.h"
#include "engine/profile/Profile.h"

#include <QString>

namespace korvi {

// The init panel's selection controls from a profile's Target and Filter values.
InitSelect SelectFromPanel(const InitPanelOpt& panel);
// The Target and Filter values of a profile from the selection controls;
// CrsTarget is not a control of the panel and stays as it is.
void PanelFromSelect(const InitSelect& select, InitPanelOpt& panel);

// The five scope boxes of the init panel.
enum class TargetBox { kAll, kDmOut, kDmIn, kDrOut, kDrIn };

// The boxes after one of them was switched (its new state is already in
// select): "全て" switches all four; the domain box "内" switches both
// directory boxes; a directory box sets the domain box "内" when either is
// on; "全て" is on exactly when every scope is on.
InitSelect LinkTargetBoxes(InitSelect select, TargetBox changed);

// The warning for a run with no checked row. It names the boxes of 対象範囲
// that would select rows the current boxes leave out, with their counts.
QString NoTargetMessage(const InitList& list);

}  // namespace korvi
