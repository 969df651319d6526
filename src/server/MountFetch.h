#pragma once

#include "engine/profile/Profile.h"
#include "server/UrlMount.h"

namespace korvi {

class CtrlFile;

// The URL mount's request as a plain GET through libcurl with the profile's
// proxy and User-Agent; the answer is read and dropped. Failures go to the
// error log as "UrlMount Fetch Error : ".
UrlMount::Fetch MkMountFetch(CtrlFile& ctrl, const DlSrchOpt& opt);

}  // namespace korvi
