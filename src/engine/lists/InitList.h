#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "engine/page/LinkExtract.h"
#include "engine/page/UrlHelpers.h"
#include "shell/Assist.h"

namespace korvi {

class CtrlFile;

// One row of the init list (columns 対象, 範囲, 見出し, URL, 拡張子).
struct InitRow {
    bool obj = true;  // takes part in the next run
    int rng = 0;      // scope against the base URL: 0, 1 or 2
    QString ttl;      // "?" when added without a title
    QString url;      // absolute URL; the key of the row
    QString ext;      // extension of the file name, "-" for none

    bool operator==(const InitRow&) const = default;
};

// Scope symbols "@|>>", ">|@>", ">|>@".
QString RangeSymbol(int scope);
// Column headings in table order.
QStringList InitColumnHeadings();
// The cells of a row as the table shows them (check mark as "1"/"0").
QStringList InitRowCells(const InitRow& row);

// A dialog for the caller to show; empty when there is nothing to show.
struct DlgText {
    QString title;
    QString message;
    bool IsEmpty() const { return title.isEmpty() && message.isEmpty(); }
};

// The selection controls of the init panel.
struct InitSelect {
    bool all = true;    // tgt_cb_all
    bool dmOut = true;  // tgt_cb_dm_out: scope 0
    bool dmIn = true;   // tgt_cb_dm_in: scopes 1 and 2 (the window keeps the two below in step)
    bool drOut = true;  // tgt_cb_dr_out: scope 1
    bool drIn = true;   // tgt_cb_dr_in: scope 2
    int fltMode = 0;    // 0 全て, 1 含む, 2 除外
    QString fltTxt = QStringLiteral("-,html,htm,shtml,txt,cgi,php,asp");
    bool fltStart = false;  // 初回
};

// The settings a favourite file carries besides its list.
struct FavOpt {
    Assist profile;  // the profile sections, for the profile code to apply
    QString searchWords;
    QString optionType = QStringLiteral("デフォルト");
    QString searchType;
    QString caseInsensitive;
    QString highLight;
};

// What a read of a list source did.
struct ReadResult {
    bool read = false;       // rows or a base URL were taken
    bool cancelled = false;  // nothing to add and the prompt was left empty
    int added = 0;
    QString windowTitle;  // "Korvi ver. ..." when the base URL was set
};

// The init list: start URLs of a run with their scopes against a base URL,
// the list readers and the list commands. Holds no window; dialogs come back
// as DlgText and questions go through the callbacks.
class InitList {
public:
    // Asks for one line of text; an empty answer means cancel.
    using AskFn = std::function<QString(const QString& title, const QString& message,
                                        const QString& initial)>;
    // Yes/no confirmation.
    using ConfirmFn = std::function<bool(const QString& title, const QString& message)>;
    // Runs a script of the home ("func/X.js") with one argument; its output.
    using ScriptFn = std::function<QString(const QString& script, const QString& arg)>;
    // The resident server window's message line.
    using StatusFn = std::function<void(const QString& text)>;

    explicit InitList(CtrlFile& ctrl);

    void SetAsk(AskFn fn) { ask_ = std::move(fn); }
    void SetConfirm(ConfirmFn fn) { confirm_ = std::move(fn); }
    void SetScriptRunner(ScriptFn fn) { script_ = std::move(fn); }
    void SetStatus(StatusFn fn) { status_ = std::move(fn); }
    void SetVersion(const QString& version) { version_ = version; }

    const std::vector<InitRow>& Rows() const { return rows_; }
    int RowCount() const { return int(rows_.size()); }
    int CheckedCount() const;
    int ScopeCount(int scope) const;
    const QString& BaseUrl() const { return base_url_; }
    const QString& BaseTitle() const { return base_title_; }
    const BasePrefixes& Prefixes() const { return prefixes_; }
    InitSelect& Select() { return select_; }
    const InitSelect& Select() const { return select_; }

    // Rows and the list file.
    bool AddSrchLst(const QString& url, const QString& title, const QString& ext);
    // Replaces a row's title and URL (find and replace). The title is always
    // taken ("?" when empty); a URL that is invalid or the key of another row
    // is refused and the old URL stays. A new URL gets its scope and extension
    // again. False when the URL was refused or the row does not exist.
    bool SetRowTexts(int index, const QString& title, const QString& url);
    ReadResult ReadSrchLst(const QString& path, bool append);
    bool SaveList(const QString& path) const;
    QString ListText() const;
    void DelSrchLst();
    bool ChkList(const QString& url) const { return index_.contains(url); }
    QString CntSrchTgt() const;

    // Base URL: sets it and reclassifies every row; the "基準URLの変更"
    // report when it changed.
    DlgText ChngeBaseUrl(const QString& url);
    void SetBaseTitle(const QString& title) { base_title_ = title; }
    // mni_set_base_sel: the first selected row's URL becomes the base.
    DlgText SetBaseSel(const std::vector<int>& selected);

    // Scope and filter.
    void ChngRangeData();
    // Whether a checked row stays checked under the extension filter.
    bool ChckFltrStart(const InitRow& row) const;

    // Order.
    void SortHeader(int column);
    void ShflSrchLst();

    // Commands on the selection (row indices in table order).
    DlgText ExpndNo(const std::vector<int>& selected);
    int AddUrlText(const QString& text);  // pasted URLs, one a line
    void AddUrl();                        // asks "URLの追加", then AddUrlText
    void SetCheck(const std::vector<int>& selected, bool on);
    DlgText DelSel(const std::vector<int>& selected);
    DlgText DelUnsel(const std::vector<int>& selected);
    // mni_open_sel: the URLs of the selected rows, for the opener.
    DlgText OpenSel(const std::vector<int>& selected, QStringList* urls) const;
    // mn_sendto: the selected rows' cells, "\t" between cells, "\n" between rows.
    DlgText SendToText(const std::vector<int>& selected, QString* text) const;
    // mni_send_mwin: rows sent from a run list.
    DlgText AddSentRows(const LinkList& rows);

    // The checked rows from a row on whose URL the run list does not hold yet.
    std::vector<InitRow> AddWinSrchLst(int from, const QSet<QString>& inRunList) const;

    // Favourites: the list, the profile sections, search words and common options.
    bool SaveFav(const QString& path, const FavOpt& opt) const;
    // Reads a favourite's settings; the list itself comes in with ReadSrchLst.
    FavOpt LoadFav_Opt(const QString& path) const;

    // Browser favourites: every shortcut file of a folder (and below it when
    // recursive) appended in name order; the number read.
    int AddShortcutFolder(const QString& folder, bool recursive);

    // File names of the save dialogs: the proposed list name for a run, and
    // a chosen name with ".ini" appended when it lacks it.
    static QString ProposedListName(const QString& runId) {
        return runId + QStringLiteral(" lst.ini");
    }
    static QString WithIniSuffix(const QString& name);

private:
    void SetBase(const QString& url);
    void Reclassify();
    void RebuildIndex();
    bool ScopeBox(int scope) const;
    std::vector<int> ValidSelection(const std::vector<int>& selected) const;
    void KeepRows(const std::vector<bool>& keep);

    CtrlFile& ctrl_;
    std::vector<InitRow> rows_;
    QSet<QString> index_;
    QString base_url_;
    QString base_title_;
    BasePrefixes prefixes_;
    InitSelect select_;
    int sort_column_ = -1;
    bool sort_ascending_ = true;
    QString version_;
    AskFn ask_;
    ConfirmFn confirm_;
    ScriptFn script_;
    StatusFn status_;
};

}  // namespace korvi
