#pragma once

// engine/profile: profiles, the profile list and auto-login.
// Stands on engine/match and engine/page only.

#include <QList>
#include <QString>

namespace korvi {

class Assist;
class CtrlFile;

// The five region boxes of the init panel ("全て", domain out/in, directory out/in).
struct RegionBoxes {
    bool all = false;
    bool domain_out = false;
    bool domain_in = true;
    bool directory_out = true;
    bool directory_in = true;

    bool operator==(const RegionBoxes&) const = default;
};

// Extension filter modes as the init panel's three choices.
enum class FilterMode { kAll = 0, kIn = 1, kOut = 2 };

// Values a profile carries for the init panel's controls rather than for the
// run itself: the Target, CrsTarget and Filter sections.
struct InitPanelOpt {
    RegionBoxes target;
    RegionBoxes crs_target{true, true, true, true, true};
    FilterMode filter_type = FilterMode::kAll;
    QString filter_string = QStringLiteral("-,html,htm,shtml,txt,cgi,php,asp");
    bool filter_start = false;

    bool operator==(const InitPanelOpt&) const = default;
};

// The download-and-search settings held for the next run. Every member starts
// at the value a fresh "デフォルト.ini" holds.
struct DlSrchOpt {
    // BaseOption
    int depth_max = 2;
    int hit_max = 10;
    int page_max = 300;
    int thrd_max = 8;
    // Target, CrsTarget, Filter
    InitPanelOpt panel;
    // TimeOut (seconds)
    int connect = 30;
    int get = 45;
    int re_time = 20;
    // Least time between two requests to one server, in ms; 0 = none.
    int host_wait = 0;
    // Proxy
    QString address;
    int port = -1;
    QString user_agent =
        QStringLiteral("Mozilla/4.0 (compatible; MSIE 5.5; Windows 98; Win 9x 4.90)");
    // TimeOutAll (minutes)
    int min = 0;
    // StringFilter
    bool forced_link = false;
    bool pre_search = false;
    bool pre_get_url = false;
    // ExtraOption. The file stores local_link and foot_tag inverted ("0" = on);
    // the members hold the plain sense.
    bool stop_get_url = false;
    bool rest_sharp = false;
    bool mk_local_link = true;
    bool add_foot_tag = true;
    QString foot_tag_extension = QStringLiteral("-,html,htm,shtml,txt,cgi,php,asp,jpg,gif,png,swf");
    QString avoid_dl_file_list;
    QString overwrite_dl_file_list;
    int overwrite_type = 0;
    bool overwrite_local_load = false;
    // Stored pages and style sheets link to the stored copies (a copy that
    // opens from disk); off keeps them as received.
    bool offline_link = false;
    // Ask servers for robots.txt and leave out what it disallows.
    bool robots_txt = true;
    // Leave a web archive (WARC) of the run beside its folder.
    bool warc = false;
    // Pages built by script go through a headless browser (chromium): 0 never,
    // 1 every HTML page, 2 only pages that need it; keep the fetched bytes
    // beside a rendered page.
    int render_js = 0;
    bool render_keep_source = false;
    // GuideOption
    QString guide_pic;
    int guide_run_type = 0;
    bool guide_get_pic = false;
    QString guide_get_pic_filter = QStringLiteral("jpg,gif,png");
    int guide_get_pic_size = 0;
    bool guide_srch_engine = false;
    int guide_srch_engine_type = 0;

    // The ExtraOption texts as the file stores them.
    QString LocalLinkSetting() const {
        return mk_local_link ? QStringLiteral("0") : QStringLiteral("1");
    }
    QString FootTagSetting() const {
        return add_foot_tag ? QStringLiteral("0") : QStringLiteral("1");
    }

    bool operator==(const DlSrchOpt&) const = default;
};

// One dialog a window should show for the outcome of an operation.
struct OptMessage {
    enum class Kind { kInfo, kWarning, kError, kConfirm };
    Kind kind = Kind::kInfo;
    QString title;
    QString text;
};

// Outcome of a profile operation: whether it did its work and the dialogs to show.
struct OptResult {
    bool ok = false;
    QList<OptMessage> messages;
};

inline const QString kDefaultOptName = QStringLiteral("デフォルト");

// "option/" + name + ".ini".
QString OptPath(const QString& name);
// False for names that cannot be a file inside "option" (separators, "." or "..").
bool IsValidOptName(const QString& name);

// Sets every profile key, in the order profiles are written, into the
// settings text (keys already there keep their place, others are added).
void SaveCmnOptUncommon(const DlSrchOpt& opt, Assist& ini);
// The whole profile file text of these values.
QString OptToStr(const DlSrchOpt& opt);
// Applies every key the settings text has, by the per-key rules; keys that are
// missing or out of range leave the held value.
void ReadOptSections(const Assist& ini, DlSrchOpt& opt);

// One override of the form "Section.key=value" (korvi-run crawl --set), applied by
// the same per-key rules. False for a malformed override or a key profiles do not have.
bool ApplyOptOverride(const QString& setting, DlSrchOpt& opt);

// Reads the profile file and applies it to the held values. An empty or
// unreadable file leaves everything as it was, logs, and reports the error.
OptResult ApplyOptUncommon(CtrlFile& ctrl, const QString& path, DlSrchOpt& opt);

// Fills an editor's values from the profile of that name: defaults first,
// then every key the file has. False when the file is empty or unreadable.
bool LoadOpt(CtrlFile& ctrl, const QString& name, DlSrchOpt& opt);

// Saves the editor's values under name. oldName is the name the editor was
// opened with; keepCopy is the box that keeps the old file after a rename.
OptResult SaveOpt(CtrlFile& ctrl, const QString& name, const QString& oldName, bool keepCopy,
                  const DlSrchOpt& opt);

}  // namespace korvi
