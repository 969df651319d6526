#pragma once

#include <QString>

#include <functional>

#include "store/DocNotify.h"

class QWidget;

namespace korvi {

struct GuiContext;

// Hands target (a file, folder or URL) to the desktop opener. When it cannot
// be opened (no opener, it failed to start or it reported failure), logLine
// goes to the error log and the user is told which path or URL could not be
// opened and how to set an opener; when fallback is given it runs instead
// of that message. The failure may be known only later, without blocking.
// False when the failure was known at once.
bool OpenOrLog(GuiContext& gui, QWidget* parent, const QString& target, const QString& logLine,
               std::function<void()> fallback = {});

// The opener for core code that logs its own failures (folder list page,
// reports, file search): a failure known at once returns false (the core
// logs it) and is told to the user; a later one is logged as
// lateLogPrefix + target and told too.
DocOpenFn UserOpener(GuiContext& gui, QWidget* parent, const QString& lateLogPrefix);

// The message title and text for a target that could not be opened.
extern const QString kOpenFailTitle;
QString OpenFailText(const QString& target);

}  // namespace korvi
