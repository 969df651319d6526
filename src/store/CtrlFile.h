#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

#include "store/KnownFolders.h"

class QFile;

namespace korvi {

class Clock;

// The one shared file-control service of a process: URL-to-path mapping,
// trailer tags, whole-file text I/O, folder and file services, clock texts
// and the error log. Relative paths are taken relative to the home folder.
class CtrlFile {
public:
    CtrlFile(const QString& home, const Clock& clock);
    CtrlFile(const CtrlFile&) = delete;
    CtrlFile& operator=(const CtrlFile&) = delete;

    // State handed in by the shell.
    QString Home() const { return home_; }
    const Clock& GetClock() const { return clock_; }
    QString LogRoot() const;
    void SetLogRoot(const QString& root);
    QString RunId() const;
    void SetRunId(const QString& id);
    // Download root + "/" + run identifier.
    QString RunFolder() const;
    // An absolute path for a path relative to the home folder.
    QString Abs(const QString& path) const;

    // URL to local path below download root + run identifier ("/" separators,
    // relative when the root is); a file: URL gives its local file; "" on failure.
    QString GetLogFrdr(const QString& url);
    // The same path without writing anything: a query not yet listed gets the
    // number it would be given, a cut name is not claimed.
    QString PeekLogFrdr(const QString& url);
    // A URL whose file was never stored gives back the query list line its
    // mapping added, when that line is still the last (a list left empty goes).
    void ForgetQuery(const QString& url);
    // The stored copy of a URL as it is on disk (an offline copy of a page may
    // carry ".html" after its mapped name); "" when there is none.
    QString StoredPath(const QString& url);

    // Trailer tag. A copy rendered by a browser also says dl_render="1"; readers
    // that look attributes up by name pass it by.
    static QString MkFootTag(const QString& ref, const QString& src, const QString& time,
                             const QString& comment, bool rendered = false);
    // True when a file of that extension gets a tag under these settings.
    static bool FootTagApplies(const QString& footTagSetting, const QString& extList,
                               const QString& extension);
    // Appends the tag to the file; false (and logged) on failure.
    bool AppendFootTag(const QString& path, const QString& tag);
    QString GetFootTag(const QString& path);
    // The same from a file open for reading; path names it in the error log.
    QString GetFootTag(QFile& file, const QString& path);
    // The same from a whole file's bytes.
    static QString FootTagOf(const QByteArray& bytes);
    // One attribute ("dl_src", "dl_ref", any name) out of a tag text; "" when
    // absent or empty.
    static QString GetFootTagAttr(const QString& tag, const QString& name);

    // Whole-file text services.
    QString LoadData(const QString& path);  // lines joined by "\n", each ends with "\n"
    // Detected encoding, lines joined by "\n" (none after the last); "" for data
    // that is not text, such as a picture.
    QString LoadDataEnc(const QString& path);
    // The same from a whole file's bytes.
    static QString DataText(QByteArray bytes);
    QByteArray LoadBytes(const QString& path);  // raw bytes; empty on failure (logged)
    bool SaveData(const QString& path, const QString& text);
    bool SaveAddData(const QString& path, const QString& text);
    bool SaveBytes(const QString& path, const QByteArray& bytes);
    bool SetEnableDir(const QString& path);
    // The same for the download store, where a run writes many files into
    // one folder: folders found or made are remembered; *made tells the
    // folder was made now (so it holds nothing yet).
    bool SetEnableStoreDir(const QString& path, bool* made = nullptr);
    // Forgets the store folder of path (a write there failed), or all of them.
    void ForgetDir(const QString& path);
    void ForgetDirs();
    void SaveErrLog(const QString& message);
    bool CopyFile(const QString& from, const QString& to);
    bool RenameFile(const QString& from, const QString& to);
    bool RenameDir(const QString& from, const QString& to);

    // Names and extensions.
    QString GetUrlExtnsn(const QString& url);
    static QString AdjustExtnsn(const QString& extension);
    static QString DelPrhbtFName(const QString& name);
    static QString RemoveHtmlTag(const QString& html);

    // Clock texts, all in JST.
    QString GetTimeStr() const;     // 2006/03/09 - 07:05:02
    QString GetDayTimeStr() const;  // 20060309070502
    QString GetDayStr() const;      // 2006_03_09
    QString GetPastTime(qint64 startMs) const;
    int GetPastTime_MinNo(qint64 startMs) const;
    static QString TimeStrAt(qint64 ms);

private:
    // Line number of the query in the query list, adding it when new; -1 on failure.
    int QueryNumberLocked(const QString& listPath, const QString& query, QString* failure);
    QString MapLocked(const QString& url, bool record);
    // Whether the stored file a cut name gives belongs to another URL.
    bool CutNameTakenLocked(const QString& path, const QString& url, bool record);

    // A query list as last read or written; trusted while the file keeps its
    // size and time.
    struct QueryList {
        QHash<QString, int> index;
        int count = 0;
        bool utf8 = true;
        bool open_line = false;  // the text does not end with "\n"
        qint64 size = -1;
        qint64 mtime = -1;
    };

    const QString home_;
    const Clock& clock_;
    mutable QMutex state_mutex_;
    QString log_root_ = QStringLiteral("log");
    QString run_id_;
    QMutex map_mutex_;
    QHash<QString, QueryList> query_lists_;  // guarded by map_mutex_
    QHash<QString, QString> cut_names_;      // cut path -> URL holding it; map_mutex_
    QHash<QString, QStringList> peeked_;     // list file -> unlisted queries; map_mutex_
    QMutex err_mutex_;
    KnownFolders folders_;
};

}  // namespace korvi
