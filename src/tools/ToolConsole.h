#pragma once

#include "store/DocNotify.h"

namespace korvi {

// Progress and messages of the tools on standard error for the command line:
// progress as one updating line, drawn only on a terminal and when not quiet;
// messages always, as lines.
class ToolConsole {
public:
    explicit ToolConsole(bool quiet = false);
    ~ToolConsole();
    DocProgressFn Progress();
    DocMessageFn Message();
    // Ends an updating progress line.
    void Finish();

private:
    bool progress_ = false;
    bool open_line_ = false;
};

}  // namespace korvi
