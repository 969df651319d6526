#include "ui/engine/WinSrch.h"

#include "engine/CtxRun.h"
#include "ui/shell/GuiContext.h"

namespace korvi {

WinSrch::WinSrch(GuiContext& gui, QWidget* parent) : QWidget(parent), gui_(gui) {
    setObjectName(QStringLiteral("WinSrch"));
}

WinSrch::~WinSrch() = default;

bool WinSrch::StartDlSearch(const RunRequest& request) {
    (void)request;
    return false;
}

bool WinSrch::IsRunning() const {
    return run_ && run_->Run().IsRunning();
}

void WinSrch::ForceStop() {
    if (run_) run_->Run().Abort();
}

RunControl* WinSrch::Run() {
    return run_ ? &run_->Run() : nullptr;
}

}  // namespace korvi
