#pragma once

#include <QString>

#include <atomic>
#include <functional>

#include "platform/ScriptRunner.h"

namespace korvi {

class CtrlFile;

// The three filter scripts, relative to the home folder.
inline const QString kFltrPreSearchJs = QStringLiteral("func/FltrPreSearch.js");
inline const QString kFltrFrcdLinkJs = QStringLiteral("func/FltrFrcdLink.js");
inline const QString kFltrPreGetUrlJs = QStringLiteral("func/FltrPreGetUrl.js");

// The process-wide flag that lets only one filter script run at a time.
// One object per process (held by the context), shared by every worker.
class ScriptBusy {
public:
    // Sets the flag; false when it was already set.
    bool TryAcquire() { return !busy_.exchange(true, std::memory_order_acq_rel); }
    void Release() { busy_.store(false, std::memory_order_release); }
    bool IsBusy() const { return busy_.load(std::memory_order_acquire); }

private:
    std::atomic<bool> busy_{false};
};

// What one script hook call gave.
struct FltrResult {
    enum class Status {
        kBusy,      // another script was running: nothing done, try again
        kReplaced,  // the script printed "[start]": text is what followed it
        kNoMarker,  // no "[start]" in the output: text is unchanged
        kFailed,    // the host failed, was killed after the time-out or exited non-zero
    };
    Status status = Status::kBusy;
    QString text;
};

// The filter-script hook: runs func/<script> through the script host with
// "--[start]" + the encoded text and takes what the script prints after "[start]".
class ScriptHook {
public:
    ScriptHook(CtrlFile& ctrl, ScriptBusy& busy, const ScriptRunner& runner,
               int timeoutMs = ScriptRunner::kDefaultTimeoutMs)
        : ctrl_(ctrl), busy_(busy), runner_(runner), timeout_ms_(timeoutMs) {}

    // Every "/" becomes "#esc_slash#", then every " " becomes "#esc_space#".
    static QString EncodeArg(const QString& text);

    FltrResult FltrStr(const QString& scriptPath, const QString& text);

    ScriptBusy& Busy() { return busy_; }

private:
    CtrlFile& ctrl_;
    ScriptBusy& busy_;
    ScriptRunner runner_;
    int timeout_ms_;
};

// The worker's calling rule: up to `attempts` tries, sleeping 200 ms after each
// busy answer; before every try whose number modulo 150 is 149 the busy flag is
// cleared, so that a host left busy cannot hold the run. Returns the text to go
// on with: the script's result, or the text unchanged.
inline constexpr int kFltrAttempts = 300;
inline constexpr int kFltrRetrySleepMs = 200;
using SleepFn = std::function<void(int ms)>;
QString RetryFltr(const std::function<FltrResult()>& attempt, ScriptBusy& busy,
                  const SleepFn& sleep, const QString& text, int attempts = kFltrAttempts);
QString CallFltrStr(ScriptHook& hook, const QString& scriptPath, const QString& text,
                    const SleepFn& sleep);
// A SleepFn that really sleeps.
void SleepMs(int ms);

}  // namespace korvi
