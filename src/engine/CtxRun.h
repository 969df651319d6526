#pragma once

#include <QList>
#include <QString>

#include <memory>

#include "engine/RunControl.h"
#include "engine/ScriptHook.h"

namespace korvi {

class Context;
struct DlSrchOpt;

// One run over the process's shared parts: the profile's exclusion and
// overwrite lists and the auto-login table are loaded, and the workers use
// the context's matcher, proxy, cookies and script host.
class CtxRun {
public:
    CtxRun(Context& ctx, const DlSrchOpt& opt, const QString& baseUrl);
    CtxRun(const CtxRun&) = delete;
    CtxRun& operator=(const CtxRun&) = delete;

    RunControl& Run() { return *run_; }
    // Sets the proxy, adds the start rows and starts the run.
    void Start(const QList<StartRow>& rows, const QString& words);

private:
    Context& ctx_;
    ScriptHook scripts_;
    std::unique_ptr<RunControl> run_;  // after scripts_: its workers use them
};

}  // namespace korvi
