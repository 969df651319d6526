#pragma once

// engine: one run. Run control, run context and run list stand on every room below
// (crawl, lists, profile, page, match); no room includes them.

#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/RunJournal.h"
#include "engine/RunList.h"
#include "engine/RunWarc.h"
#include "engine/crawl/CrawlServices.h"
#include "engine/crawl/FetchPool.h"
#include "engine/crawl/SlotThreads.h"
#include "engine/crawl/SrchThrd.h"

namespace korvi {

struct DlSrchOpt;
class ProxySettings;

// The values one run works with.
struct RunSettings {
    SrchThrdSettings worker;  // handed to every worker (search words set per row)
    int thrdMax = 8;
    int depthMax = 2;
    int hitMax = 10;
    int pageMax = 300;
    int connectSec = 30;
    int getSec = 45;
    int minutes = 0;  // whole-run limit
    int overwriteType = 0;
    QString proxyAddress;
    int proxyPort = -1;
    int tickMs = 10;

    // From the held profile values and the init list's base URL.
    static RunSettings FromOpt(const DlSrchOpt& opt, const QString& baseUrl);
};

// A start row handed over from the init list.
struct StartRow {
    QString url;
    QString title;
    QString ext;
};

// One download-and-search run without a window: the run list, the worker
// slots, the supervisor thread and the expander thread. The window (or the
// command line) drives it and reads it through snapshots.
class RunControl {
public:
    enum class EndKind { kNone, kHits, kPages, kTimeOut, kNormal, kAborted };

    RunControl(std::shared_ptr<const CrawlServices> services, const RunSettings& settings);
    ~RunControl();
    RunControl(const RunControl&) = delete;
    RunControl& operator=(const RunControl&) = delete;

    RunList& List() { return list_; }
    const RunList& List() const { return list_; }

    // Appends the start rows at depth 1 (result 未, size "-"), skipping listed URLs.
    void AddWinSrchLst(const QList<StartRow>& rows);
    // Sets the process-wide proxy from the settings, adds the rows, starts.
    void StartDlSearch(ProxySettings& proxy, const QList<StartRow>& rows);
    // Keeps a journal of the rows in the run folder from the next start on,
    // headed by the run's own values (profile, words, ...).
    void KeepJournal(const QList<QPair<QString, QString>>& values);
    // Takes over the rows of an interrupted run: ended rows stay as they
    // ended, the others wait again. Rows whose stored copy is complete are
    // then served from the store, never fetched a second time.
    void Resume(const JournalData& journal);
    bool Resuming() const { return from_store_.load(); }
    // The run's web archive, set before the run starts.
    RunWarc& Warc() { return warc_; }

    // Starts the supervisor and the expander; false when a run is going on.
    bool StartManual();
    // Ends the run at once without an end message (also done by the destructor).
    void Abort();
    // Blocks until the run has ended; false on time-out.
    bool WaitEnd(int timeoutMs) const;
    bool IsRunning() const { return token_.load(); }

    // Pause and resume; the stop button toggles between them.
    void TmpStopManual();
    void RestartManual();
    void PressStopButton();
    bool Paused() const { return paused_.load(); }
    QString StopButtonText() const;  // "停止" while running, "再開" while paused

    // Row operations on row indices.
    void Skip(const QList<int>& rows);
    void Redownload(const QList<int>& rows);

    // The search box: given to every worker dispatched from now on.
    void SetSearchWords(const QString& words);
    QString SearchWords() const;

    // A run started by a schedule ends without any dialog and reports through onQuietEnd.
    void SetQuiet(bool quiet) { quiet_.store(quiet); }
    // Called on the supervisor thread when the run ends.
    std::function<void(const QString& title, const QString& text)> onEndMessage;
    std::function<void()> onQuietEnd;
    // Called as a run starts (before any worker) and once its workers have
    // ended, before WaitEnd returns: the owner claims and frees the run folder.
    std::function<void()> onStarting;
    std::function<void()> onStopped;

    EndKind LastEnd() const { return end_kind_.load(); }
    QString EndMessage() const;
    QString VwThrdMv() const;     // progress label
    QString StatusLabel() const;  // expander progress
    void SetStatusPrefix(const QString& prefix);
    // Image URL -> ALT text gathered during the run (the trailer tag's dl_cmnt).
    QString ImageText(const QString& url) const;
    int ImageTextCount() const;
    int BusySlots() const;
    // Workers whose thread has not ended yet (busy or released).
    int LiveWorkers() const;

    static QString FailureText(int status);

private:
    using SteadyTime = std::chrono::steady_clock::time_point;

    void Supervise();
    // Waits for the tick at `next` or an earlier wake; true when the tick came.
    bool WaitTick(SteadyTime& next);
    // Lets the supervisor serve the slots now instead of at the next tick.
    void Wake();
    // One pass over the slots; true while a slot holds a worker.
    bool CtrlSrchThrd(bool tick);
    // True when the slot got a row that ends at once (kept locally).
    bool CtrlWaitNewThrd(size_t slot);
    void CtrlRunThrd(size_t slot, bool tick);
    void Retire(const std::shared_ptr<SrchThrd>& w);
    void EndRun(EndKind kind);
    void ReleaseAll();
    void ReapReleased(bool wait);
    void ExpandList();
    void UpdateLabel(const QString& word, bool turn = true);
    // True when the stored copy at path was stored whole by a finished worker.
    bool StoredWhole(const QString& path, const RunRow& row) const;
    void JournalRow(int index);
    qint64 Now() const;

    std::shared_ptr<CrawlServices> services_;
    RunSettings settings_;
    RunList list_;

    std::atomic<bool> token_{false};
    std::atomic<bool> paused_{false};
    std::atomic<bool> quiet_{false};
    std::atomic<EndKind> end_kind_{EndKind::kNone};
    std::atomic<qint64> start_ms_{0};
    std::thread supervisor_;
    std::thread expander_;

    mutable std::mutex slot_mutex_;  // slots and released workers
    std::vector<std::shared_ptr<SrchThrd>> slots_;
    std::vector<std::shared_ptr<SrchThrd>> released_;
    int idle_ticks_ = 0;
    long tick_ = 0;
    FetchPool fetches_;    // HTTP clients kept between the URLs of the slots
    SlotThreads threads_;  // one long-lived worker thread per slot

    RunJournal journal_;
    RunWarc warc_;
    std::atomic<bool> journal_on_{false};
    QList<QPair<QString, QString>> journal_values_;  // set and read where the run starts
    std::atomic<bool> from_store_{false};

    std::mutex wake_mutex_;
    std::condition_variable wake_cv_;
    bool wake_ = false;

    mutable std::mutex queue_mutex_;  // finished workers and the expander's busy mark
    std::condition_variable queue_cv_;
    std::deque<std::shared_ptr<SrchThrd>> finished_;
    bool expander_busy_ = false;
    // Set at the start of every dispatch pass and cleared when the pass
    // leaves no slot free: only rows that may find a free slot wake the
    // supervisor.
    std::atomic<bool> starved_{true};
    bool expander_stop_ = false;

    mutable std::mutex end_mutex_;
    mutable std::condition_variable end_cv_;
    bool ended_ = true;

    mutable QMutex text_mutex_;
    QString search_words_;
    QString end_message_;
    QString label_ = QStringLiteral("( 0/0 ) : Stop");
    QString status_label_;
    QString status_prefix_;
    int turn_ = 0;
    QHash<QString, QString> image_texts_;
};

}  // namespace korvi
