#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/match/Matcher.h"
#include "index/WatchedFolder.h"

struct stat;

namespace korvi {

class CtrlFile;

// What one update of the index did.
struct IndexStats {
    qint64 files = 0;      // files looked at
    qint64 added = 0;      // read for the first time
    qint64 changed = 0;    // read again: size or time differ
    qint64 removed = 0;    // gone from the folder
    qint64 unchanged = 0;  // known as they are
    bool rebuilt = false;  // the index was made anew first
    bool stopped = false;  // asked to stop before the end
    bool ok = true;        // false: the index could not be written
};
using IndexProgressFn = std::function<void(const IndexStats&)>;

// What the index knows of the files below one folder, for one search.
class IndexLookup {
public:
    // True when the file, at the size and time it has now, was read by the
    // index and cannot hold the search words; anything else must be tested.
    bool Excludes(const QByteArray& path, const struct stat& st) const;
    qsizetype KnownCount() const { return entries_.size(); }
    qsizetype ChosenCount() const { return chosen_.size(); }

private:
    friend class StoreIndex;
    struct Entry {
        qint64 id = 0;
        qint64 size = 0;
        qint64 mtime = 0;
    };
    QHash<QByteArray, Entry> entries_;  // only entries read long enough after their change
    QSet<qint64> chosen_;
};

// The full-text index of the download store: one SQLite database in the
// home, with a full-text table of each file's search text and a table of
// the files by path with the size and modification time they had when read.
// The store is the truth: an entry counts only while the file still has that
// size and time, and a damaged database is made anew. Every operation opens
// its own connection, so any thread may call any of them.
class StoreIndex {
public:
    static inline const QString kFileName = QStringLiteral("store_index.db");
    // The file search reads no larger file; the index keeps no text of one.
    static constexpr qint64 kTextMax = 64 * 1024 * 1024;

    explicit StoreIndex(CtrlFile& ctrl);
    // Stops a background update and waits for it.
    ~StoreIndex();
    StoreIndex(const StoreIndex&) = delete;
    StoreIndex& operator=(const StoreIndex&) = delete;

    QString Path() const { return path_; }

    // Brings the entries below folder up to date with the files there,
    // reading only the files that are new or whose size or time changed;
    // with rebuild, the whole index is made anew first. Commits as it goes,
    // so that a stop or a crash keeps what was done.
    IndexStats Update(const QString& folder, bool rebuild = false,
                      const IndexProgressFn& progress = {},
                      const std::atomic<bool>* stop = nullptr);
    // Reads one file into the index now; false when it could not.
    bool AddFile(const QString& path);
    // Reads the files in one transaction; how many are in the index, -1
    // when it could not be written.
    int AddFiles(const std::vector<QString>& paths);

    // A page a run just stored: read into the index on the index's own
    // thread, in batches. Never waits: when the queue is full the page is
    // left to the update at the run's end.
    void PageStored(const QString& path);
    // A run that stored into folder ended: the pages it reported are indexed
    // in the background, and the folder is updated only when some were left
    // out. WaitBackground waits for it. Pages not yet settled are read when
    // they have.
    void RunEnded(const QString& folder);
    // For a process about to end: from now on pages not yet settled are left
    // to the next update (read now, their entries would not be trusted), so
    // that WaitBackground does not wait for them. A run may end before or
    // after this call.
    void LeaveUnsettledPages();
    static constexpr size_t kPageQueueMax = 16384;

    // For a search of the folder, or null when the index cannot narrow it
    // (no index, a search it cannot narrow, a failure): then every file is
    // tested.
    std::shared_ptr<const IndexLookup> Lookup(const QString& folder, const QString& words,
                                              const Matcher::Options& options);

    // In a long-lived process: folders searched are watched for changes, so
    // that later searches of them skip the walk. Off by default.
    void SetWatching(bool on) { watching_ = on; }
    // For a search of the folder while watching: the files to test, in the
    // walk's order; nothing when the walk must be made (not watching, no
    // index, a search the index cannot narrow, the folder cannot be watched).
    std::optional<IndexPlan> Plan(const QString& folder, const QString& words,
                                  const Matcher::Options& options);
    // Searches that the index narrowed (a lookup or a plan given).
    qint64 NarrowedCount() const { return narrowed_; }
    // Full walks made to watch folders, for tests.
    int WatchWalks();

    // Whether an update runs in this process.
    bool Updating() const { return updating_ > 0; }

    // Starts an update of the folder on a thread of its own; false when the
    // index is switched off or a background update runs already.
    bool UpdateInBackground(const QString& folder);
    // What the background update has done so far (or did last).
    IndexStats BackgroundStats() const;
    // A line for a window: "" when no update runs in this process.
    QString StatusText() const;
    // Waits for the background update to end.
    void WaitBackground();
    // Off (the default): no background updates; searches still use what is
    // there. The programs switch it on.
    void SetEnabled(bool on) { enabled_ = on; }
    bool Enabled() const { return enabled_; }

    // Entries and stale full-text rows, for reports.
    struct Counts {
        qint64 files = 0;
        qint64 dead = 0;
    };
    Counts GetCounts();

    // An entry is trusted only when it was read this long after the file's
    // last change: a change within the same clock tick keeps the time.
    static constexpr qint64 kSettleNs = 2'000'000'000;

private:
    class Db;
    std::unique_ptr<Db> Open(bool create);
    bool StartBackground(std::function<IndexStats()> job);
    void IndexPages();
    int AddFilesOn(Db& d, const std::vector<QString>& paths);
    void Discard();
    // Logs a failed lookup; a damaged database is discarded.
    void LookupFailed(std::unique_ptr<Db>& d);
    // The ids of the texts a full-text expression finds.
    static bool Choose(Db& d, const QByteArray& expression, QSet<qint64>& chosen);

    CtrlFile& ctrl_;
    QString path_;
    std::mutex open_mutex_;
    std::atomic<int> updating_{0};
    std::atomic<bool> enabled_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> background_busy_{false};
    mutable std::mutex background_mutex_;
    IndexStats background_stats_;  // guarded by background_mutex_
    std::mutex thread_mutex_;
    std::thread background_;  // guarded by thread_mutex_
    // Pages reported during runs, for the indexing thread.
    std::mutex page_mutex_;
    std::condition_variable pages_ready_;
    std::condition_variable pages_idle_;
    struct QueuedPage {
        QString path;
        std::chrono::steady_clock::time_point at;
    };
    std::deque<QueuedPage> pages_;  // guarded by page_mutex_
    int pages_busy_ = 0;            // guarded by page_mutex_
    bool pages_dropped_ = false;    // guarded by page_mutex_
    bool pages_flush_ = false;      // guarded by page_mutex_: a run ended
    bool leave_unsettled_ = false;  // guarded by page_mutex_
    std::thread indexer_;           // started under page_mutex_
    std::atomic<bool> watching_{false};
    std::atomic<qint64> narrowed_{0};
    std::mutex watch_mutex_;
    // Most recently searched first.
    std::vector<std::unique_ptr<WatchedFolder>> watched_;  // guarded by watch_mutex_
};

}  // namespace korvi
