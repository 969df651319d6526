#pragma once

#include <QString>

#include <memory>

#include "engine/crawl/ProxySettings.h"
#include "engine/crawl/ScriptHook.h"
#include "engine/crawl/SessionCookies.h"
#include "engine/lists/AvoidList.h"
#include "engine/match/Matcher.h"
#include "engine/profile/AutoLogin.h"
#include "platform/ScriptRunner.h"
#include "shell/Clock.h"
#include "shell/CommonSettings.h"
#include "store/CtrlFile.h"
#include "store/FolderService.h"

namespace korvi {

// Everything one process shares: made once in main (or in a test) and passed
// by reference; there are no other globals.
class Context {
public:
    // A context over an existing home folder with the given clock.
    Context(const QString& home, const Clock& clock)
        : home_(home),
          clock_(clock),
          ctrl_(std::make_unique<CtrlFile>(home, clock)),
          fldr_(std::make_unique<FolderService>(*ctrl_)),
          cmn_(std::make_unique<CommonSettings>(*ctrl_)),
          scripts_(home),
          matcher_(std::make_unique<Matcher>(ctrl_.get())),
          avoid_(std::make_unique<AvoidList>(*ctrl_)) {}
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    const QString& Home() const { return home_; }
    const Clock& GetClock() const { return clock_; }
    CtrlFile& Ctrl() { return *ctrl_; }
    // Folder services and their counters.
    FolderService& Fldr() { return *fldr_; }
    // "cmn_opt.ini", as read at start.
    CommonSettings& Cmn() { return *cmn_; }
    // The script host and the flag that runs one filter script at a time.
    const ScriptRunner& Scripts() const { return scripts_; }
    ScriptBusy& Busy() { return busy_; }
    // The matcher every worker and the file search share.
    Matcher& Match() { return *matcher_; }
    // Exclusion and forced-overwrite lists, loaded when a profile is applied.
    AvoidList& Avoid() { return *avoid_; }
    AutoLogin& Login() { return login_; }
    // The process-wide HTTP proxy ("http.proxyHost" / "http.proxyPort").
    ProxySettings& Proxy() { return proxy_; }
    // Session cookies shared by every worker of every run (used when
    // automatic login is configured).
    SessionCookies& Cookies() { return cookies_; }

private:
    QString home_;
    const Clock& clock_;
    std::unique_ptr<CtrlFile> ctrl_;
    std::unique_ptr<FolderService> fldr_;
    std::unique_ptr<CommonSettings> cmn_;
    ScriptRunner scripts_;
    ScriptBusy busy_;
    std::unique_ptr<Matcher> matcher_;
    std::unique_ptr<AvoidList> avoid_;
    AutoLogin login_;
    ProxySettings proxy_;
    SessionCookies cookies_;
};

}  // namespace korvi
