#pragma once

#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/Matcher.h"
#include "engine/MatcherPrefilter.h"
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
};

// Walks a folder of the download store and lists the files that pass the
// extension and size filter, or those of them whose text (the trailer tag for
// files that are not text) holds the search words, as the matcher finds them
// under its search type. Runs on its own thread.
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
    void SrchLog(const QString& folder, const SrchRequest& request);
    void SrchFile(const QFileInfo& file, const SrchRequest& request);
    // False when the raw bytes show the file cannot match; *read tells
    // whether buffer_ holds the file.
    bool MayMatch(const QString& path, qint64 size, bool* read);
    void Show(const QString& text);
    void Message(const QString& title, const QString& text) const;
    bool RowFile(int row, QString* path) const;
    bool OpenTagAttr(int row, const QString& attr, const QString& title, const QString& noValue,
                     const QString& logPrefix);

    CtrlFile& ctrl_;
    Matcher& matcher_;
    std::atomic<bool> use_prefilter_{true};
    // Walk-thread state of one search.
    Matcher::Options options_;
    MatcherPrefilter prefilter_;
    MatcherPrefilter::Scratch scratch_;
    QByteArray buffer_;
    DocMessageFn message_;
    DocProgressFn progress_;
    DocOpenFn opener_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::atomic<qint64> folders_{0};
    std::atomic<qint64> files_{0};
    std::atomic<qint64> bytes_{0};
    qint64 start_ms_ = 0;
    QString filter_lower_;
    QString root_;  // canonical searched folder: links lead nowhere outside it
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
