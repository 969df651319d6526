#pragma once

#include <QSize>
#include <QString>

#include <functional>

#include "shell/UserMessage.h"

namespace korvi {

class Assist;
class CtrlFile;

// Automatic deletion of old run folders ("LogDel").
struct LogDelSettings {
    bool day_flag = false;
    int day_no = 5;  // days
    bool size_flag = false;
    int size_no = 500;  // megabytes of 1,000,000 bytes
    bool no_flag = false;
    int no_no = 10;  // folders

    // What the deletion panel's reset button puts back (and a first start).
    static LogDelSettings Reset() { return {false, 5, false, 5000, false, 10}; }
    bool operator==(const LogDelSettings&) const = default;
};

// The values of "cmn_opt.ini". The initial values are the ones the main
// window starts from before the file is read.
struct CmnOpt {
    // CommonOption
    int run_no = 0;  // saves so far; 0 marks a first start
    QString option_type = QStringLiteral("デフォルト");
    int search_type = 0;       // 0..3
    int case_insensitive = 0;  // stored as in the file: "0" means case-insensitive
    bool replace_regex_use = false;
    bool replace_bat_use = false;
    QString replace_bat_path;
    bool high_light = false;
    int guide_view = 0;  // 1: the guide window is not opened at start
    int pic_view = 0;    // 0 or 1
    // LogDel
    LogDelSettings log_del;
    // SearchSearchList
    QString search_string;
    // Path
    QString current_directory;
    QString log_folder = QStringLiteral("log");
    // OutType
    QString sel_cmn = QStringLiteral("デフォルト");
    // WinPosition
    int w = 720;
    int h = 480;
    int x = 150;
    int y = 150;
    int state = 0;
    QString theme_type = QStringLiteral("Korvi.theme");
    // WinLogSearch
    QString size_type = QStringLiteral("all");  // "all", "up", "down" or "" (none chosen)
    int size_no = 30;
    // WinLogAnalysis
    int title_type = 0;
    QString title_spliter;
    // Extra
    bool not_send_ie = false;

    bool GuideOpensAtStart() const { return guide_view != 1; }
};

// Reader and writer of the common settings file. The file's text is held in
// memory; a save parses the held text again and sets every known key, so
// keys the program does not know survive.
class CommonSettings {
public:
    static inline const QString kFileName = QStringLiteral("cmn_opt.ini");
    static inline const QString kDefaultLogFolder = QStringLiteral("log");

    // path is relative to the home folder (or absolute).
    explicit CommonSettings(CtrlFile& ctrl, const QString& path = kFileName);

    // Reads the file (missing or unreadable reads as ""; only an unreadable
    // one is logged), holds its text and
    // applies every key; then makes sure the download root exists (creating it
    // with "tmp" inside, else falling back to "log"). screen is the size of the
    // screen for the window-position clamps; an empty size skips them.
    void Read(const QSize& screen);
    // Applies the held text again without reading the file.
    void Apply(const QSize& screen);
    // Writes every key into the held text, counts the save in run_no and
    // writes the file. On a failed write (logged by CtrlFile as
    // "C_File File Write Error : ") nothing in memory changes and false returns.
    bool Save();
    // Edits keys the program does not set on a save (such as the histories of
    // the replace dialog) in the held text and writes it at once, without
    // counting a save. On a failed write (logged) nothing changes and false
    // returns.
    bool SaveHeld(const std::function<void(Assist&)>& edit);

    // The download-root check before a save: when the root is not a folder,
    // logs "Del OldLOg Error : log directory not exist  " + path, sets the
    // root to "log" and returns the dialog to show; else an empty message.
    UserMessage CheckLogFldr();

    CmnOpt& Opt() { return opt_; }
    const CmnOpt& Opt() const { return opt_; }
    const QString& HeldText() const { return held_; }
    const QString& Path() const { return path_; }
    // True when the last read saw run_no 0.
    bool FirstStart() const { return first_start_; }

    // The download root as it is written: one trailing "/" or "\" removed
    // (a lone "/" stays).
    static QString TrimLogFolder(const QString& path);

private:
    void ApplyIni(const Assist& ini, const QSize& screen);
    void EnsureLogFolder();

    CtrlFile& ctrl_;
    QString path_;
    QString held_ = QString("");
    CmnOpt opt_;
    bool first_start_ = false;
};

}  // namespace korvi
