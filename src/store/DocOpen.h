#pragma once

#include <QString>

#include "store/DocNotify.h"

namespace korvi {

// The desktop opener: $KORVI_OPENER when set (a command; blanks separate its
// words, double quotes group them), else xdg-open. The target goes as one
// separate argument.
DocOpenFn DefaultDocOpener();
// Only $KORVI_OPENER; without it nothing is opened and the call returns false.
DocOpenFn EnvDocOpener();
// Splits an opener command line ("prog --flag") into program and arguments.
QStringList SplitOpenerCommand(const QString& command);

}  // namespace korvi
