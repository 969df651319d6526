#include "shell/CommonSettings.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

#include "shell/Assist.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kCommon = QStringLiteral("CommonOption");
const QString kLogDel = QStringLiteral("LogDel");
const QString kSrchList = QStringLiteral("SearchSearchList");
const QString kPath = QStringLiteral("Path");
const QString kOutType = QStringLiteral("OutType");
const QString kWinPos = QStringLiteral("WinPosition");
const QString kLogSrch = QStringLiteral("WinLogSearch");
const QString kLogAnly = QStringLiteral("WinLogAnalysis");
const QString kExtra = QStringLiteral("Extra");

bool Flag(const Assist& ini, const QString& section, const QString& key) {
    return ini.GetIni(section, key) == QStringLiteral("1");
}

// Integers from the file are taken only when 0 or above.
void TakeCount(const Assist& ini, const QString& section, const QString& key, int& into) {
    const int v = ini.GetIniN(section, key);
    if (v >= 0) into = v;
}

int NonNegative(int v) {
    return v < 0 ? 0 : v;
}

QString FlagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace

CommonSettings::CommonSettings(CtrlFile& ctrl, const QString& path) : ctrl_(ctrl), path_(path) {}

void CommonSettings::Read(const QSize& screen) {
    // A home the desktop program has not closed yet has no file: the
    // defaults, without an error-log line. Anything else that cannot be read
    // is logged by LoadData.
    const QFileInfo file(ctrl_.Abs(path_));
    held_ = file.exists() || file.isSymLink() ? ctrl_.LoadData(path_) : QString("");
    if (held_.isNull()) held_ = QString("");
    Apply(screen);
}

void CommonSettings::Apply(const QSize& screen) {
    const Assist ini(held_);
    ApplyIni(ini, screen);
    EnsureLogFolder();
}

void CommonSettings::ApplyIni(const Assist& ini, const QSize& screen) {
    CmnOpt& o = opt_;

    TakeCount(ini, kCommon, QStringLiteral("run_no"), o.run_no);
    first_start_ = o.run_no == 0;

    const QString optionType = ini.GetIni(kCommon, QStringLiteral("option_type"));
    o.option_type = optionType.isEmpty() ? QStringLiteral("デフォルト") : optionType;
    const int searchType = ini.GetIniN(kCommon, QStringLiteral("search_type"));
    o.search_type = (searchType < 0 || searchType > 3) ? 0 : searchType;
    TakeCount(ini, kCommon, QStringLiteral("case_insensitive"), o.case_insensitive);
    o.replace_regex_use = Flag(ini, kCommon, QStringLiteral("replace_regex_use"));
    o.replace_bat_use = Flag(ini, kCommon, QStringLiteral("replace_bat_use"));
    o.replace_bat_path = ini.GetIni(kCommon, QStringLiteral("replace_bat_path"));
    o.high_light = Flag(ini, kCommon, QStringLiteral("high_light"));
    o.guide_view = ini.GetIniN(kCommon, QStringLiteral("guide_view")) == 1 ? 1 : 0;
    const int picView = ini.GetIniN(kCommon, QStringLiteral("pic_view"));
    if (picView == 0 || picView == 1) o.pic_view = picView;

    LogDelSettings& d = o.log_del;
    d.day_flag = Flag(ini, kLogDel, QStringLiteral("day_flag"));
    d.day_no = NonNegative(ini.GetIniN(kLogDel, QStringLiteral("day_no")));
    d.size_flag = Flag(ini, kLogDel, QStringLiteral("size_flag"));
    d.size_no = NonNegative(ini.GetIniN(kLogDel, QStringLiteral("size_no")));
    d.no_flag = Flag(ini, kLogDel, QStringLiteral("no_flag"));
    d.no_no = NonNegative(ini.GetIniN(kLogDel, QStringLiteral("no_no")));

    o.search_string = ini.GetIni(kSrchList, QStringLiteral("search_string"));

    o.current_directory = ini.GetIni(kPath, QStringLiteral("current_directory"));
    const QString logFolder = TrimLogFolder(ini.GetIni(kPath, QStringLiteral("log_folder")));
    o.log_folder = logFolder.isEmpty() ? kDefaultLogFolder : logFolder;

    const QString selCmn = ini.GetIni(kOutType, QStringLiteral("sel_cmn"));
    if (!selCmn.isEmpty()) o.sel_cmn = selCmn;

    const int w = ini.GetIniN(kWinPos, QStringLiteral("w"));
    if (w >= 480) o.w = w;
    const int h = ini.GetIniN(kWinPos, QStringLiteral("h"));
    if (h >= 400) o.h = h;
    o.x = ini.GetIniN(kWinPos, QStringLiteral("x"));
    o.y = ini.GetIniN(kWinPos, QStringLiteral("y"));
    o.state = NonNegative(ini.GetIniN(kWinPos, QStringLiteral("state")));
    const QString theme = ini.GetIni(kWinPos, QStringLiteral("theme_type"));
    o.theme_type = theme.isEmpty() ? QStringLiteral("Korvi.theme") : theme;

    const QString sizeType = ini.GetIni(kLogSrch, QStringLiteral("size_type"));
    const bool knownType = sizeType == QStringLiteral("all") || sizeType == QStringLiteral("up") ||
                           sizeType == QStringLiteral("down");
    o.size_type = knownType ? sizeType : QString("");
    o.size_no = NonNegative(ini.GetIniN(kLogSrch, QStringLiteral("size_no")));

    TakeCount(ini, kLogAnly, QStringLiteral("title_type"), o.title_type);
    o.title_spliter = ini.GetIni(kLogAnly, QStringLiteral("title_spliter"));

    o.not_send_ie = Flag(ini, kExtra, QStringLiteral("not_send_ie"));

    if (first_start_) {
        d = LogDelSettings::Reset();
        o.x = 100;
        o.y = 100;
    }
    // Keep the window on the screen: at most screen minus window, never negative.
    if (screen.width() > 0) o.x = std::min(o.x, screen.width() - o.w);
    if (screen.height() > 0) o.y = std::min(o.y, screen.height() - o.h);
    o.x = NonNegative(o.x);
    o.y = NonNegative(o.y);
}

void CommonSettings::EnsureLogFolder() {
    const auto isDir = [this](const QString& p) { return QFileInfo(ctrl_.Abs(p)).isDir(); };
    if (isDir(opt_.log_folder)) return;
    QDir().mkpath(ctrl_.Abs(opt_.log_folder + QStringLiteral("/tmp")));
    if (isDir(opt_.log_folder)) return;
    opt_.log_folder = kDefaultLogFolder;
    QDir().mkpath(ctrl_.Abs(kDefaultLogFolder + QStringLiteral("/tmp")));
}

bool CommonSettings::Save() {
    Assist ini(held_);
    const CmnOpt& o = opt_;
    const LogDelSettings& d = o.log_del;

    ini.SetIniN(kCommon, QStringLiteral("run_no"), o.run_no + 1);
    ini.SetIni(kCommon, QStringLiteral("option_type"), o.option_type);
    ini.SetIniN(kCommon, QStringLiteral("search_type"), o.search_type);
    ini.SetIniN(kCommon, QStringLiteral("case_insensitive"), o.case_insensitive);
    ini.SetIni(kCommon, QStringLiteral("replace_regex_use"), FlagText(o.replace_regex_use));
    ini.SetIni(kCommon, QStringLiteral("replace_bat_use"), FlagText(o.replace_bat_use));
    ini.SetIni(kCommon, QStringLiteral("replace_bat_path"), o.replace_bat_path);
    ini.SetIni(kCommon, QStringLiteral("high_light"), FlagText(o.high_light));
    ini.SetIni(kCommon, QStringLiteral("guide_view"), FlagText(o.guide_view == 1));
    ini.SetIniN(kCommon, QStringLiteral("pic_view"), o.pic_view);

    ini.SetIni(kLogDel, QStringLiteral("day_flag"), FlagText(d.day_flag));
    ini.SetIniN(kLogDel, QStringLiteral("day_no"), d.day_no);
    ini.SetIni(kLogDel, QStringLiteral("size_flag"), FlagText(d.size_flag));
    ini.SetIniN(kLogDel, QStringLiteral("size_no"), d.size_no);
    ini.SetIni(kLogDel, QStringLiteral("no_flag"), FlagText(d.no_flag));
    ini.SetIniN(kLogDel, QStringLiteral("no_no"), d.no_no);

    ini.SetIni(kSrchList, QStringLiteral("search_string"), o.search_string);

    ini.SetIni(kPath, QStringLiteral("current_directory"), o.current_directory);
    ini.SetIni(kPath, QStringLiteral("log_folder"), TrimLogFolder(o.log_folder));

    ini.SetIni(kOutType, QStringLiteral("sel_cmn"), o.sel_cmn);

    ini.SetIniN(kWinPos, QStringLiteral("w"), o.w);
    ini.SetIniN(kWinPos, QStringLiteral("h"), o.h);
    ini.SetIniN(kWinPos, QStringLiteral("x"), o.x);
    ini.SetIniN(kWinPos, QStringLiteral("y"), o.y);
    ini.SetIniN(kWinPos, QStringLiteral("state"), o.state);
    ini.SetIni(kWinPos, QStringLiteral("theme_type"), o.theme_type);

    ini.SetIni(kLogSrch, QStringLiteral("size_type"), o.size_type);
    ini.SetIniN(kLogSrch, QStringLiteral("size_no"), o.size_no);

    ini.SetIniN(kLogAnly, QStringLiteral("title_type"), o.title_type);
    ini.SetIni(kLogAnly, QStringLiteral("title_spliter"), o.title_spliter);

    ini.SetIni(kExtra, QStringLiteral("not_send_ie"), FlagText(o.not_send_ie));

    const QString text = ini.IniToStr();
    if (!ctrl_.SaveData(path_, text)) return false;
    held_ = text;
    opt_.run_no += 1;
    return true;
}

bool CommonSettings::SaveHeld(const std::function<void(Assist&)>& edit) {
    Assist ini(held_);
    edit(ini);
    const QString text = ini.IniToStr();
    if (!ctrl_.SaveData(path_, text)) return false;
    held_ = text;
    return true;
}

UserMessage CommonSettings::CheckLogFldr() {
    const QString path = opt_.log_folder;
    if (QFileInfo(ctrl_.Abs(path)).isDir()) return {};
    ctrl_.SaveErrLog(QStringLiteral("Del OldLOg Error : log directory not exist  ") + path);
    opt_.log_folder = kDefaultLogFolder;
    return {QStringLiteral("DL先フォルダ削除エラー"),
            QStringLiteral("DL先フォルダ「") + path + QStringLiteral("」が存在しません。\n\n") +
                QStringLiteral("デフォルトの「log」フォルダにDL先フォルダを設定しました。")};
}

QString CommonSettings::TrimLogFolder(const QString& path) {
    if (path.size() > 1 && (path.endsWith(u'/') || path.endsWith(u'\\'))) {
        return path.left(path.size() - 1);
    }
    return path;
}

}  // namespace korvi
