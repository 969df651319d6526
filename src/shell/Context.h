#pragma once

#include <QString>

#include <memory>

#include "shell/Clock.h"
#include "store/CtrlFile.h"

namespace korvi {

// Everything one process shares: made once in main (or in a test) and passed
// by reference; there are no other globals.
class Context {
public:
    // A context over an existing home folder with the given clock.
    Context(const QString& home, const Clock& clock)
        : home_(home), clock_(clock), ctrl_(std::make_unique<CtrlFile>(home, clock)) {}
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    const QString& Home() const { return home_; }
    const Clock& GetClock() const { return clock_; }
    CtrlFile& Ctrl() { return *ctrl_; }

private:
    QString home_;
    const Clock& clock_;
    std::unique_ptr<CtrlFile> ctrl_;
};

}  // namespace korvi
