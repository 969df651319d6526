#pragma once

#include "store/DocNotify.h"

namespace korvi {

// Progress and messages of the tools on standard error for the command line:
// one updating line on a terminal, plain lines otherwise.
class ToolConsole {
public:
    ToolConsole();
    ~ToolConsole();
    DocProgressFn Progress();
    DocMessageFn Message();
    // Ends an updating progress line.
    void Finish();

private:
    bool tty_ = false;
    bool open_line_ = false;
};

}  // namespace korvi
