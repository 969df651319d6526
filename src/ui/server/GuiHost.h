#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

#include "schedule/SchdCheck.h"
#include "server/ResidentHost.h"

namespace korvi {

class Context;
class WinSrvr;

// The resident loop's view of the windows. Every call may come from the
// loop's thread; it is run on the GUI thread, and calls that the loop must
// see finished wait for it (with a time-out, never the other way round).
class GuiHost : public ResidentHost, public SchdHost {
public:
    GuiHost(Context& ctx, WinSrvr& server);

    // From now on calls return at once without touching a window.
    void Shutdown() { closing_.store(true); }
    // Kept by the server window on the GUI thread.
    void SetMainOpen(bool open) { main_open_.store(open); }
    void SetRunOpen(bool open) { run_open_.store(open); }

    // ResidentHost
    bool HasMainWindow() const override { return main_open_.load(); }
    void BuildMainWindow(const QString& source) override;
    void AppendToInitList(const QString& source) override;
    void SetSearchWord(const QString& word) override;
    void StartDlSearch() override;
    bool SaveLinkList(const QString& listFile, const QString& target) override;
    void Exit() override;
    void FocusUrlField() override;
    void SetServerVisible(bool visible) override;
    void SetTitleProgress(const QString& progress) override;

    // SchdHost
    bool IsRunWindowOpen() const override { return main_open_.load(); }
    void StartSchedule(const DueSchd& entry, const QString& saveName) override;

private:
    // Runs fn on the GUI thread; with wait, returns once it ran (or the
    // time-out passed, or the host shuts down).
    void OnGui(std::function<void()> fn, bool wait, int timeoutMs = 120000);

    Context& ctx_;
    WinSrvr& server_;
    std::atomic<bool> closing_{false};
    std::atomic<bool> main_open_{false};
    std::atomic<bool> run_open_{false};
};

}  // namespace korvi
