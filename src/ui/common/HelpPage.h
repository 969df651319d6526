#pragma once

#include <QString>

class QWidget;

namespace korvi {

struct GuiContext;

// Opens a help page (file: the page's full path, anchor: "" or "#name")
// through the desktop opener. When nothing can open it, the page shows in
// a plain window of our own (object name "WinHelp", one per parent) so the
// help stays reachable; a missing page is told to the user. Every failure
// logs logLine.
void OpenHelpPage(GuiContext& gui, QWidget* parent, const QString& file, const QString& anchor,
                  const QString& logLine);

// Opens page ("name.html" or "name.html#anchor") of the home's "doc" folder
// as OpenHelpPage does; failures log "Help Button Error : " and the path.
void OpenHelp(GuiContext& gui, QWidget* parent, const QString& page);

}  // namespace korvi
