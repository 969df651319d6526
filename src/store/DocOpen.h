#pragma once

#include <QString>

#include <functional>

#include "store/DocNotify.h"

namespace korvi {

// The desktop opener: $KORVI_OPENER when set (a command; blanks separate its
// words, double quotes group them), else xdg-open. The target goes as one
// separate argument.
DocOpenFn DefaultDocOpener();
// Only $KORVI_OPENER; without it nothing is opened and the call returns false.
DocOpenFn EnvDocOpener();
// How an opener ended: ok, or a short reason.
using DocOpenDoneFn = std::function<void(bool ok, const QString& why)>;
// Starts the opener on target and returns at once; done runs later on the
// calling thread (which needs an event loop) when the opener has ended.
// A program that is missing or fails to start, a crash and a non-zero exit
// are failures.
using DocOpenLaterFn = std::function<void(const QString& target, DocOpenDoneFn done)>;
// The desktop opener ($KORVI_OPENER or xdg-open) watched to its end.
DocOpenLaterFn DefaultDocOpenerLater();

// Splits an opener command line ("prog --flag") into program and arguments.
QStringList SplitOpenerCommand(const QString& command);

}  // namespace korvi
