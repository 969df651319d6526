#pragma once

#include <QString>

#include "engine/profile/Profile.h"

namespace korvi {

// The thirteen built-in presets of the guide, in button order.
enum class GuidePreset {
    kSrchSite,
    kSrchLink,
    kSrchDir,
    kDlSite,
    kDlLink,
    kDlDir,
    kPicSite,
    kPicLink,
    kPicDir,
    kGoogleLink,
    kSrchEngnLink,
    kGoogleImg,
    kFrcLink,
};
inline constexpr int kGuidePresetCount = 13;

// The search-engine start lists in "tool"; the values are the indices of
// guide_srch_engine_type.
enum class SrchEngine { kNone = -1, kGoogle = 0, kSearchList = 1, kGoogleImage = 2 };

// The start button the closing message names.
enum class StartBtn { kSearch, kDl, kEngine };

// What a preset asks and does besides setting profile values.
struct GuidePlan {
    bool asksWord = false;  // the search-word dialog of the search presets
    SrchEngine engine = SrchEngine::kNone;
    StartBtn start = StartBtn::kDl;
    bool picFollowUp = false;  // offer the collected pictures after the run
    QString picFilter;         // their extensions, comma-separated
    int picKb = 0;             // their minimum size
};

// Sets the profile values of the preset; every other value stays.
void ApplyPreset(GuidePreset preset, DlSrchOpt& opt);
GuidePlan PlanOf(GuidePreset preset);
// The plan of a user preset, from the GuideOption values of its profile.
GuidePlan PlanOf(const DlSrchOpt& profile);

// Whether the preset works from a start site of the init list (it loads no
// search-engine list), so that an empty list needs a start URL first.
bool NeedsStartUrl(const GuidePlan& plan);
// The start URL as typed into the guide: trimmed, "http://" added when it
// names no scheme; "" when nothing usable was typed.
QString GuideStartUrl(const QString& typed);

// The message that names the start button, with the notice of the
// follow-up dialog when the run ends.
QString ClosingMessage(StartBtn start, bool picNotice);

}  // namespace korvi
