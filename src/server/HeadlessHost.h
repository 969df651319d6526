#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/lists/InitList.h"
#include "engine/profile/Profile.h"
#include "schedule/SchdCheck.h"
#include "server/ResidentHost.h"

namespace korvi {

class Context;

// Everything a download-and-search run starts from.
struct RunRequest {
    std::vector<InitRow> rows;  // the checked start rows (InitList::AddWinSrchLst)
    DlSrchOpt opt;              // the applied profile
    InitSelect select;          // the init panel's region and filter settings
    QString words;              // the search words
    bool search = true;         // download and search; false: download only
    bool quiet = false;         // started by a schedule: no window, no dialogs
    QString runId;              // the run folder below the download root
};

// Starts a run; false when it could not be started.
using RunStarter = std::function<bool(const RunRequest&)>;
// Whether a run is going on.
using RunActive = std::function<bool()>;

// The resident program without windows (korvi-run serve): the main window is
// a state holding an init list, the profile and the search words; runs go
// to the run control through RunStarter. Every operation may be called from
// any thread.
class HeadlessHost : public ResidentHost, public SchdHost {
public:
    using ProgressFn = std::function<void(const QString& line)>;

    explicit HeadlessHost(Context& ctx);
    ~HeadlessHost() override;

    void SetRunStarter(RunStarter starter);
    void SetRunActive(RunActive active);
    // Receives one line per thing done (for standard error).
    void SetProgress(ProgressFn progress);

    // ResidentHost
    bool HasMainWindow() const override;
    void BuildMainWindow(const QString& source) override;
    void AppendToInitList(const QString& source) override;
    void SetSearchWord(const QString& word) override;
    void StartDlSearch() override;
    bool SaveLinkList(const QString& listFile, const QString& target) override;
    // Ends the event loop of the QCoreApplication (from any thread).
    void Exit() override;

    // SchdHost. Without a window nobody closes the main window, so it holds
    // back due schedules only while its run goes on.
    bool IsRunWindowOpen() const override;
    void StartSchedule(const DueSchd& entry, const QString& saveName) override;

    // Forgets the main window (DelKorvi).
    void CloseMainWindow();

    // Snapshots of the main window; empty without one.
    std::vector<InitRow> Rows() const;
    QString BaseUrl() const;
    QString SearchWord() const;
    DlSrchOpt Opt() const;
    QString OptName() const;
    InitSelect Select() const;
    bool ExitRequested() const { return exit_requested_.load(); }
    int RunsStarted() const { return runs_started_.load(); }

private:
    struct Window;
    std::unique_ptr<Window> NewWindow(const QString& optName);
    void ReadSource(Window& w, const QString& source, bool append);
    bool RunGoing() const;
    bool Start(RunRequest request);
    void Progress(const QString& line) const;

    Context& ctx_;
    // mutex_ guards the window; seam_mutex_ the callbacks. Never the other
    // way round: mutex_ first when both are needed.
    mutable std::mutex mutex_;
    mutable std::mutex seam_mutex_;
    std::unique_ptr<Window> window_;
    RunStarter starter_;
    RunActive active_;
    ProgressFn progress_;
    std::atomic<bool> exit_requested_{false};
    std::atomic<int> runs_started_{0};
};

}  // namespace korvi
