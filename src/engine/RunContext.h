#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <mutex>

#include "engine/RunControl.h"
#include "engine/crawl/ScriptHook.h"
#include "store/RunLock.h"

namespace korvi {

class Context;
struct DlSrchOpt;

// What an interrupted run left in its run folder's journal: its profile
// values, base URL, search words and rows.
struct ResumeSource {
    QString opt;  // the profile text the run worked with
    QString base;
    QString words;
    JournalData journal;

    // Reads the journal of folder (absolute). False, with a reason, when the
    // folder holds no journal, its run ended, or a live run holds it.
    bool Read(const QString& folder, QString* why);
    // The profile values the run worked with.
    DlSrchOpt Opt() const;
};

// One run over the process's shared parts: the profile's exclusion and
// overwrite lists and the auto-login table are loaded, and the workers use
// the context's matcher, proxy, cookies and script host. While the run goes
// on it owns its run folder; a folder that another live run owns sends this
// run to the same identifier with a suffix ("2026_1209_1430_05_2").
class RunContext {
public:
    RunContext(Context& ctx, const DlSrchOpt& opt, const QString& baseUrl);
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    RunControl& Run() { return *run_; }
    // Sets the proxy, adds the start rows and starts the run.
    void Start(const QList<StartRow>& rows, const QString& words);
    // Goes on with an interrupted run in the current run folder.
    void Resume(const JournalData& journal, const QString& words);

private:
    void ClaimFolder();
    void FreeFolder();

    QList<QPair<QString, QString>> JournalValues(const QString& words) const;

    Context& ctx_;
    QString opt_text_;
    QString base_url_;
    std::mutex lock_mutex_;
    RunLock lock_;  // before run_: freed after the workers have ended
    ScriptHook scripts_;
    std::unique_ptr<RunControl> run_;  // after scripts_: its workers use them
};

}  // namespace korvi
