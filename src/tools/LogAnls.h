#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "store/DocNotify.h"
#include "store/OutTemplate.h"
#include "tools/ToolFilter.h"

namespace korvi {

class CtrlFile;

// One link analysis: the folder and how to count, title and filter.
struct AnlsRequest {
    QString folder;
    int kind = 0;       // 0 links to analysed pages, 1 links elsewhere, 2 all
    int titleKind = 0;  // 0 most frequent, 1 longest, 2 all joined
    QString separator = QStringLiteral("<BR>");
    FltMode filter = FltMode::All;
    QString filterText = QStringLiteral("-,html,htm,shtml,txt,cgi,php,asp");
};

// A result row: No, 評価, タイトル, URL, 拡張子.
struct AnlsRow {
    int no = 0;
    int rank = 0;
    QString title;
    QString url;
    QString extension;
};

// Ranks URLs by the links that the stored pages' list files (" lst.ini")
// hold. Runs on a thread of its own and stops when asked.
class LogAnls {
public:
    LogAnls(CtrlFile& ctrl, DocMessageFn message = {}, DocProgressFn progress = {});
    ~LogAnls();
    LogAnls(const LogAnls&) = delete;
    LogAnls& operator=(const LogAnls&) = delete;

    static QString KindText(int kind);
    static QString TitleKindText(int kind);
    // The title of a group from its records' titles.
    static QString MkTitle(QStringList titles, int titleKind, const QString& separator);
    // Rows for an output template: "^serial_no", "^no", "^rank", "^title", "^url", "^extension".
    static DocTable MkDocTable(const std::vector<AnlsRow>& rows);

    // Starts the analysis thread; false (with the warning shown) when the
    // folder does not exist or an analysis is running.
    bool Start(const AnlsRequest& request);
    void Stop() { stop_ = true; }
    bool IsRunning() const { return running_; }
    void Wait();
    // The whole analysis on the calling thread.
    void Run(const AnlsRequest& request);

    // Snapshots, safe from any thread.
    std::vector<AnlsRow> Rows() const;
    QString ProgressText() const;
    QString EndMessage() const;
    qint64 RecordCount() const { return records_seen_; }

private:
    // Records are held as indexes into the distinct pages linked to and
    // titles, so that millions of records cost little memory. URLs that one
    // stored file holds ("/" and "/index.html" of a folder) are one page.
    struct Gathered {
        QHash<QString, QString> keyOfLink;  // link URL -> page key
        QHash<QString, int> targetIds;      // page key -> target
        std::vector<QString> targets;       // the URL shown for each target
        QHash<QString, int> titleIds;
        std::vector<QString> titles;
        std::vector<std::pair<int, int>> records;  // target, title
        QHash<QString, QString> pages;             // page key -> p_url
        const QString& KeyOf(const QString& url);
        // False when the link leads back to the page it stands on.
        bool Add(const QString& link, const QString& title, const QString& pageKey);
    };
    // The analysis itself; the stop flag is the caller's.
    void Analyse(const AnlsRequest& request);
    void Gather(const QString& folder, const AnlsRequest& request, Gathered* g);
    void ReadList(const QString& path, const AnlsRequest& request, Gathered* g);
    void Show(const QString& text);
    QString Elapsed() const;

    CtrlFile& ctrl_;
    DocMessageFn message_;
    DocProgressFn progress_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
    std::atomic<qint64> records_seen_{0};
    qint64 start_ms_ = 0;
    int folders_ = 0;
    mutable std::mutex mutex_;
    std::vector<AnlsRow> rows_;
    QString progress_text_;
    QString end_message_;
};

}  // namespace korvi
