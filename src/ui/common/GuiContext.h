#pragma once

// ui/common: the floor every window stands on (GUI context, work-panel and
// main-window interfaces, panel parts, dialogs seam, tool-tip table, style,
// open-or-log, help pages). Includes core headers, Qt and ui/common only.

#include <QString>

#include <functional>

#include "store/DocNotify.h"
#include "store/DocOpen.h"

namespace korvi {

class Context;
class Dialogs;
class SrvrCtl;

// What every window is given: the process context, the dialogs seam and the
// desktop opener. Made once in main (or in a test) and passed by reference.
struct GuiContext {
    Context& ctx;
    Dialogs& dlg;
    DocOpenFn open;  // files, folders and URLs to the desktop
    // The resident server window's title progress ("" restores the base title).
    std::function<void(const QString&)> progress;
    // The resident server's start, stop and mount; null when none runs.
    SrvrCtl* server = nullptr;
    // The opener watched to its end, so that a failure reaches the user
    // (OpenOrLog); when null, windows fall back to open.
    DocOpenLaterFn openLater = {};
};

// Asserts in debug builds that the caller runs on the GUI thread.
void AssertGuiThread(const char* where);

}  // namespace korvi
