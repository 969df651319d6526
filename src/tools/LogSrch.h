#pragma once

#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/match/Matcher.h"
#include "engine/match/MatcherPrefilter.h"
#include "index/StoreIndex.h"
#include "store/DocNotify.h"
#include "store/OutTemplate.h"
#include "tools/ToolFilter.h"

namespace korvi {

class CtrlFile;

// One downloaded-file search or extract (empty words).
struct SrchRequest {
    QString folder;
    QString words;
    bool caseInsensitive = true;
    FltMode filter = FltMode::All;
    QString filterText = QStringLiteral("-,html,htm,shtml,txt,cgi,php,asp");
    SizeMode size = SizeMode::All;
    qint64 sizeKb = 30;
};

// A result row: No, 周辺文, ファイル名, パス, サイズ (KB), 拡張子.
struct SrchRow {
    int no = 0;
    QString text;
    QString fileName;
    QString path;
    qint64 sizeKb = 0;
    QString extension;
    // The file's path as the file system spells it. A name that is not valid
    // UTF-8 shows with replacement characters in fileName and path and is
    // reached through these bytes; empty: the bytes of path and fileName.
    QByteArray local;

    QByteArray LocalPath() const;
};

// Walks a folder of the download store and lists the files that pass the
// extension and size filter, or those of them whose text (the trailer tag for
// files that are not text) holds the search words, as the matcher finds them
// under its search type. Runs on its own thread; on a machine with more
// than one core, worker threads test the files while the walk goes on, and
// the rows still come in the walk's order.
class LogSrch {
public:
    LogSrch(CtrlFile& ctrl, Matcher& matcher, DocMessageFn message = {},
            DocProgressFn progress = {}, DocOpenFn opener = {});
    ~LogSrch();
    LogSrch(const LogSrch&) = delete;
    LogSrch& operator=(const LogSrch&) = delete;

    // Starts the walk thread; false (with the warning shown) when the folder
    // does not exist or a walk is running.
    bool StartSrch(const SrchRequest& request);
    // A file longer than this is not read for the words (one error-log line
    // each); extraction lists it all the same.
    static constexpr qint64 kFileMax = 64 * 1024 * 1024;

    void Stop() { stop_ = true; }
    bool IsRunning() const { return running_; }
    void Wait();
    // The whole walk on the calling thread.
    void Run(const SrchRequest& request);
    // Whether files are first tested on their raw bytes (on by default; the
    // results are the same either way). Set before a walk starts.
    void SetPrefilter(bool on) { use_prefilter_ = on; }
    // Threads that test files: 1 tests them on the walk thread, 0 (the
    // default) takes one a core. The rows are the same either way. Set
    // before a walk starts.
    void SetThreads(int count) { threads_ = count < 0 ? 0 : count; }
    // The store's index, which rules out files that cannot hold the words
    // (the rows are the same with or without it); null: every file is read.
    // Set before a walk starts.
    void SetIndex(StoreIndex* index) { index_ = index; }
    // Files of the last search that the index ruled out unread.
    qint64 IndexSkipCount() const { return index_skips_; }
    // Ends the walk once this many rows are found (0: no limit), so that a
    // search's memory does not grow with the store. Set before a walk starts.
    void SetMaxRows(int count) { max_rows_ = count < 0 ? 0 : count; }

    // Snapshots, safe from any thread.
    std::vector<SrchRow> Rows() const;
    QString ProgressText() const;
    QString EndMessage() const;
    qint64 FolderCount() const { return folders_; }
    qint64 FileCount() const { return files_; }
    qint64 ByteCount() const { return bytes_; }

    // Row actions; a negative index (or an empty list) means nothing selected.
    bool SaveFiles(const std::vector<int>& selected, const QString& targetFolder);
    bool SaveAllFiles(const QString& targetFolder);
    bool ShowTagInfo(int row);
    bool OpenRef(int row);
    bool OpenUrl(int row);
    // Opens the row's file, as a highlight document of the words when asked.
    bool OpenFile(int row, bool highlight, const QString& words);
    // The row's trailer tag as tool-tip HTML, "" without a tag.
    QString RowToolTip(int row);
    static QString TagToolTip(const QString& tag);
    // Whether a row gets a thumbnail in picture view (jpg, gif, png).
    static bool IsPicture(const QString& extension);

    // Rows for an output template, with "^href" the file's address below the
    // server root (each segment percent-encoded as UTF-8).
    static DocTable MkDocTable(const std::vector<SrchRow>& rows, const QString& root);

private:
    // A file the walk found, as the walk saw it: names as shown, and the
    // bytes that reach it.
    struct FoundFile {
        std::uint64_t seq = 0;  // place in the walk's order
        QString name;
        QString path;  // absolute
        QString folder;
        QByteArray local;  // path
        QByteArray local_folder;
        QByteArray local_name;
    };
    // Work space of one testing thread.
    struct FileScratch {
        MatcherPrefilter::Scratch scratch;
        QByteArray buffer;
        QByteArray folder;  // the folder that folder_fd is open on
        int folder_fd = -1;
        FileScratch() = default;
        FileScratch(const FileScratch&) = delete;
        FileScratch& operator=(const FileScratch&) = delete;
        ~FileScratch() { Release(); }
        // Closes the folder and frees the buffers.
        void Release();
    };

    // Run without clearing a stop that came before it.
    void Walk(const SrchRequest& request);
    void SrchLog(const QByteArray& local, const QString& folder, const SrchRequest& request);
    // The files of a watched folder that the index leaves to test.
    void SrchPlan(const IndexPlan& plan, const SrchRequest& request);
    void SrchFile(FoundFile file, const SrchRequest& request);
    // The row of a file, or nothing when it is filtered out or lacks the words.
    std::optional<SrchRow> TestFile(const FoundFile& file, const SrchRequest& request,
                                    FileScratch& scratch);
    // Opens the file for reading, -1 on failure; with size, only a regular
    // file, whose size it gives.
    int OpenFile(const FoundFile& file, FileScratch& scratch, qint64* size);
    // False when the raw bytes of the open file show it cannot match; *read
    // tells whether the scratch buffer holds the file.
    bool MayMatch(int fd, qint64 size, FileScratch& scratch, bool* read);
    // Rows go out in walk order, whichever thread tested them.
    // A file that a stop left untested (tested false) ends the rows.
    void Settle(std::uint64_t seq, std::optional<SrchRow> row, bool tested);
    void StartWorkers(const SrchRequest& request, int count);
    void StopWorkers();
    void WorkerLoop(const SrchRequest& request);
    void Show(const QString& text);
    void Message(const QString& title, const QString& text) const;
    bool RowFile(int row, QString* path, QByteArray* local = nullptr) const;
    // The trailer tag of a row's file, reached through its bytes.
    QString RowTag(const QString& path, const QByteArray& local);
    bool OpenTagAttr(int row, const QString& attr, const QString& title, const QString& noValue,
                     const QString& logPrefix);

    CtrlFile& ctrl_;
    Matcher& matcher_;
    std::atomic<bool> use_prefilter_{true};
    std::atomic<int> threads_{0};
    // State of one search, set before the walk and read-only during it.
    Matcher::Options options_;
    MatcherPrefilter prefilter_;
    StoreIndex* index_ = nullptr;
    std::shared_ptr<const IndexLookup> lookup_;
    std::atomic<qint64> index_skips_{0};
    FileScratch walk_scratch_;
    // Files waiting for a testing thread, handed over in batches.
    std::vector<std::thread> workers_;
    std::mutex queue_mutex_;
    std::condition_variable queue_ready_;
    std::condition_variable queue_room_;
    std::deque<std::vector<FoundFile>> queue_;
    std::vector<FoundFile> batch_;
    bool walk_done_ = false;
    // Tested files whose rows wait for an earlier file (guarded by mutex_).
    struct Settled {
        std::optional<SrchRow> row;
        bool tested = true;
    };
    std::map<std::uint64_t, Settled> settled_;
    bool cut_ = false;            // guarded by mutex_
    std::uint64_t next_seq_ = 0;  // walk thread only
    std::uint64_t next_out_ = 0;  // guarded by mutex_
    DocMessageFn message_;
    DocProgressFn progress_;
    DocOpenFn opener_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::atomic<qint64> folders_{0};
    std::atomic<qint64> files_{0};
    std::atomic<qint64> bytes_{0};
    std::atomic<int> max_rows_{0};
    qint64 start_ms_ = 0;
    QString filter_lower_;
    QByteArray root_;  // canonical searched folder: links lead nowhere outside it
    mutable std::mutex mutex_;
    std::vector<SrchRow> rows_;
    QString progress_text_;
    QString end_message_;

public:
    // For a view that shows rows as they come: the count so far and the rows
    // from index first on.
    int RowCount() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(rows_.size());
    }
    std::vector<SrchRow> RowsFrom(size_t first) const {
        std::lock_guard<std::mutex> lock(mutex_);
        if (first >= rows_.size()) return {};
        return std::vector<SrchRow>(rows_.begin() + static_cast<std::ptrdiff_t>(first),
                                    rows_.end());
    }
};

}  // namespace korvi
