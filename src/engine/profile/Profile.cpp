#include "engine/profile/Profile.h"

#include <QFile>

#include <climits>

#include "shell/Assist.h"
#include "store/CtrlFile.h"

namespace korvi {

namespace {

const QString kBase = QStringLiteral("BaseOption");
const QString kTarget = QStringLiteral("Target");
const QString kCrsTarget = QStringLiteral("CrsTarget");
const QString kFilter = QStringLiteral("Filter");
const QString kTimeOut = QStringLiteral("TimeOut");
const QString kProxy = QStringLiteral("Proxy");
const QString kTimeOutAll = QStringLiteral("TimeOutAll");
const QString kStringFilter = QStringLiteral("StringFilter");
const QString kExtra = QStringLiteral("ExtraOption");
const QString kGuide = QStringLiteral("GuideOption");

// The guide picture field shows this placeholder when no picture is chosen.
const QString kGuidePicPlaceholder = QStringLiteral("参照");

QString Flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// Settings text writes a null value as "null"; an unset text is written empty.
QString Txt(const QString& text) {
    return text.isNull() ? QString("") : text;
}

QString FilterModeText(FilterMode mode) {
    switch (mode) {
        case FilterMode::kIn:
            return QStringLiteral("in");
        case FilterMode::kOut:
            return QStringLiteral("out");
        case FilterMode::kAll:
            break;
    }
    return QStringLiteral("all");
}

void WriteBoxes(Assist& ini, const QString& section, const RegionBoxes& b) {
    ini.SetIni(section, QStringLiteral("all"), Flag(b.all));
    ini.SetIni(section, QStringLiteral("domain_out"), Flag(b.domain_out));
    ini.SetIni(section, QStringLiteral("domain_in"), Flag(b.domain_in));
    ini.SetIni(section, QStringLiteral("directory_out"), Flag(b.directory_out));
    ini.SetIni(section, QStringLiteral("directory_in"), Flag(b.directory_in));
}

// Reads the profile keys of one settings text. A key counts only when its
// section holds it; an empty value counts as missing.
class OptReader {
public:
    explicit OptReader(const Assist& ini) : ini_(ini) {}

    bool Value(const QString& section, const QString& key, QString* out) const {
        if (!ini_.SectionKeys(section).contains(key)) return false;
        *out = ini_.GetIni(section, key);
        return true;
    }
    // Integers are taken when at least `least` (and at most `most`).
    void Int(const QString& section, const QString& key, int& target, int least = 0,
             int most = INT_MAX) const {
        QString v;
        if (!Value(section, key, &v) || v.isEmpty()) return;
        const int n = Assist::StrToInt(v);
        if (n >= least && n <= most) target = n;
    }
    // On/off keys are taken only as "0" or "1"; `inverted` stores "0" for on.
    void OnOff(const QString& section, const QString& key, bool& target,
               bool inverted = false) const {
        QString v;
        if (!Value(section, key, &v)) return;
        if (v == u"1") target = !inverted;
        if (v == u"0") target = inverted;
    }
    // Check boxes: "1" checks, anything else unchecks.
    void Box(const QString& section, const QString& key, bool& target) const {
        QString v;
        if (Value(section, key, &v)) target = v == u"1";
    }
    void Text(const QString& section, const QString& key, QString& target) const {
        QString v;
        if (Value(section, key, &v)) target = v;
    }
    void Boxes(const QString& section, RegionBoxes& b) const {
        Box(section, QStringLiteral("all"), b.all);
        Box(section, QStringLiteral("domain_out"), b.domain_out);
        Box(section, QStringLiteral("domain_in"), b.domain_in);
        Box(section, QStringLiteral("directory_out"), b.directory_out);
        Box(section, QStringLiteral("directory_in"), b.directory_in);
    }

private:
    const Assist& ini_;
};

}  // namespace

QString OptPath(const QString& name) {
    return QStringLiteral("option/") + name + QStringLiteral(".ini");
}

bool IsValidOptName(const QString& name) {
    if (name.isEmpty() || name == u"." || name == u"..") return false;
    for (QChar c : name) {
        if (c == u'/' || c == u'\\' || c.unicode() < 0x20) return false;
    }
    return true;
}

void SaveCmnOptUncommon(const DlSrchOpt& o, Assist& ini) {
    ini.SetIniN(kBase, QStringLiteral("depth_max"), o.depth_max);
    ini.SetIniN(kBase, QStringLiteral("hit_max"), o.hit_max);
    ini.SetIniN(kBase, QStringLiteral("page_max"), o.page_max);
    ini.SetIniN(kBase, QStringLiteral("thrd_max"), o.thrd_max);

    WriteBoxes(ini, kTarget, o.panel.target);
    WriteBoxes(ini, kCrsTarget, o.panel.crs_target);

    ini.SetIni(kFilter, QStringLiteral("type"), FilterModeText(o.panel.filter_type));
    ini.SetIni(kFilter, QStringLiteral("string"), Txt(o.panel.filter_string));
    ini.SetIni(kFilter, QStringLiteral("start"), Flag(o.panel.filter_start));

    ini.SetIniN(kTimeOut, QStringLiteral("connect"), o.connect);
    ini.SetIniN(kTimeOut, QStringLiteral("get"), o.get);
    ini.SetIniN(kTimeOut, QStringLiteral("re_time"), o.re_time);
    ini.SetIniN(kTimeOut, QStringLiteral("host_wait"), o.host_wait);

    ini.SetIni(kProxy, QStringLiteral("address"), Txt(o.address));
    ini.SetIniN(kProxy, QStringLiteral("port"), o.port);
    ini.SetIni(kProxy, QStringLiteral("user_agent"), Txt(o.user_agent));

    ini.SetIniN(kTimeOutAll, QStringLiteral("min"), o.min);

    ini.SetIni(kStringFilter, QStringLiteral("forced_link"), Flag(o.forced_link));
    ini.SetIni(kStringFilter, QStringLiteral("pre_search"), Flag(o.pre_search));
    ini.SetIni(kStringFilter, QStringLiteral("pre_get_url"), Flag(o.pre_get_url));

    ini.SetIni(kExtra, QStringLiteral("stop_get_url"), Flag(o.stop_get_url));
    ini.SetIni(kExtra, QStringLiteral("rest_sharp"), Flag(o.rest_sharp));
    ini.SetIni(kExtra, QStringLiteral("local_link"), o.LocalLinkSetting());
    ini.SetIni(kExtra, QStringLiteral("foot_tag"), o.FootTagSetting());
    ini.SetIni(kExtra, QStringLiteral("foot_tag_extension"), Txt(o.foot_tag_extension));
    ini.SetIni(kExtra, QStringLiteral("avoid_dl_file_list"), Txt(o.avoid_dl_file_list));
    ini.SetIni(kExtra, QStringLiteral("overwrite_dl_file_list"), Txt(o.overwrite_dl_file_list));
    ini.SetIniN(kExtra, QStringLiteral("overwrite_type"), o.overwrite_type);
    ini.SetIni(kExtra, QStringLiteral("overwrite_local_load"), Flag(o.overwrite_local_load));
    ini.SetIni(kExtra, QStringLiteral("offline_link"), Flag(o.offline_link));
    ini.SetIni(kExtra, QStringLiteral("robots_txt"), Flag(o.robots_txt));
    ini.SetIni(kExtra, QStringLiteral("warc"), Flag(o.warc));
    ini.SetIniN(kExtra, QStringLiteral("render_js"), o.render_js);
    ini.SetIni(kExtra, QStringLiteral("render_keep_source"), Flag(o.render_keep_source));

    const QString pic = o.guide_pic == kGuidePicPlaceholder ? QString("") : Txt(o.guide_pic);
    ini.SetIni(kGuide, QStringLiteral("guide_pic"), pic);
    ini.SetIniN(kGuide, QStringLiteral("guide_run_type"), o.guide_run_type);
    ini.SetIni(kGuide, QStringLiteral("guide_get_pic"), Flag(o.guide_get_pic));
    ini.SetIni(kGuide, QStringLiteral("guide_get_pic_filter"), Txt(o.guide_get_pic_filter));
    ini.SetIniN(kGuide, QStringLiteral("guide_get_pic_size"), o.guide_get_pic_size);
    ini.SetIni(kGuide, QStringLiteral("guide_srch_engine"), Flag(o.guide_srch_engine));
    ini.SetIniN(kGuide, QStringLiteral("guide_srch_engine_type"), o.guide_srch_engine_type);
}

QString OptToStr(const DlSrchOpt& opt) {
    Assist ini;
    SaveCmnOptUncommon(opt, ini);
    return ini.IniToStr();
}

void ReadOptSections(const Assist& ini, DlSrchOpt& o) {
    const OptReader r(ini);
    r.Int(kBase, QStringLiteral("depth_max"), o.depth_max);
    r.Int(kBase, QStringLiteral("hit_max"), o.hit_max);
    r.Int(kBase, QStringLiteral("page_max"), o.page_max);
    // A run without a single worker would never move; such a value is ignored.
    r.Int(kBase, QStringLiteral("thrd_max"), o.thrd_max, 1);

    r.Boxes(kTarget, o.panel.target);
    r.Boxes(kCrsTarget, o.panel.crs_target);
    QString type;
    if (r.Value(kFilter, QStringLiteral("type"), &type)) {
        if (type == u"all") o.panel.filter_type = FilterMode::kAll;
        if (type == u"in") o.panel.filter_type = FilterMode::kIn;
        if (type == u"out") o.panel.filter_type = FilterMode::kOut;
    }
    r.Text(kFilter, QStringLiteral("string"), o.panel.filter_string);
    r.Box(kFilter, QStringLiteral("start"), o.panel.filter_start);

    r.Int(kTimeOut, QStringLiteral("connect"), o.connect);
    r.Int(kTimeOut, QStringLiteral("get"), o.get);
    r.Int(kTimeOut, QStringLiteral("re_time"), o.re_time);
    r.Int(kTimeOut, QStringLiteral("host_wait"), o.host_wait);

    r.Text(kProxy, QStringLiteral("address"), o.address);
    r.Int(kProxy, QStringLiteral("port"), o.port, -1);
    r.Text(kProxy, QStringLiteral("user_agent"), o.user_agent);

    r.Int(kTimeOutAll, QStringLiteral("min"), o.min);

    r.OnOff(kStringFilter, QStringLiteral("forced_link"), o.forced_link);
    r.OnOff(kStringFilter, QStringLiteral("pre_search"), o.pre_search);
    r.OnOff(kStringFilter, QStringLiteral("pre_get_url"), o.pre_get_url);

    r.OnOff(kExtra, QStringLiteral("stop_get_url"), o.stop_get_url);
    r.OnOff(kExtra, QStringLiteral("rest_sharp"), o.rest_sharp);
    r.OnOff(kExtra, QStringLiteral("local_link"), o.mk_local_link, true);
    r.OnOff(kExtra, QStringLiteral("foot_tag"), o.add_foot_tag, true);
    r.Text(kExtra, QStringLiteral("foot_tag_extension"), o.foot_tag_extension);
    r.Text(kExtra, QStringLiteral("avoid_dl_file_list"), o.avoid_dl_file_list);
    r.Text(kExtra, QStringLiteral("overwrite_dl_file_list"), o.overwrite_dl_file_list);
    r.Int(kExtra, QStringLiteral("overwrite_type"), o.overwrite_type);
    r.OnOff(kExtra, QStringLiteral("overwrite_local_load"), o.overwrite_local_load);
    r.OnOff(kExtra, QStringLiteral("offline_link"), o.offline_link);
    r.OnOff(kExtra, QStringLiteral("robots_txt"), o.robots_txt);
    r.OnOff(kExtra, QStringLiteral("warc"), o.warc);
    r.Int(kExtra, QStringLiteral("render_js"), o.render_js, 0, 2);
    r.OnOff(kExtra, QStringLiteral("render_keep_source"), o.render_keep_source);

    r.Text(kGuide, QStringLiteral("guide_pic"), o.guide_pic);
    r.Int(kGuide, QStringLiteral("guide_run_type"), o.guide_run_type);
    r.OnOff(kGuide, QStringLiteral("guide_get_pic"), o.guide_get_pic);
    r.Text(kGuide, QStringLiteral("guide_get_pic_filter"), o.guide_get_pic_filter);
    r.Int(kGuide, QStringLiteral("guide_get_pic_size"), o.guide_get_pic_size);
    r.OnOff(kGuide, QStringLiteral("guide_srch_engine"), o.guide_srch_engine);
    r.Int(kGuide, QStringLiteral("guide_srch_engine_type"), o.guide_srch_engine_type);
}

bool ApplyOptOverride(const QString& setting, DlSrchOpt& opt) {
    const qsizetype dot = setting.indexOf(u'.');
    const qsizetype eq = setting.indexOf(u'=');
    if (dot <= 0 || eq <= dot + 1) return false;
    const QString section = setting.left(dot);
    const QString key = setting.mid(dot + 1, eq - dot - 1);
    static const Assist known(OptToStr(DlSrchOpt()));
    if (!known.SectionKeys(section).contains(key)) return false;
    Assist one;
    one.SetIni(section, key, setting.mid(eq + 1));
    ReadOptSections(one, opt);
    return true;
}

OptResult ApplyOptUncommon(CtrlFile& ctrl, const QString& path, DlSrchOpt& opt) {
    OptResult result;
    const QString text = path.isEmpty() ? QString("") : ctrl.LoadData(path);
    if (Assist::Trim(text).isEmpty()) {
        ctrl.SaveErrLog(QStringLiteral("Apply Opt Files Error : no data"));
        result.messages.append({OptMessage::Kind::kError,
                                QStringLiteral("設定ファイル読み込みエラー"),
                                QStringLiteral("選択した設定ファイルの中身がありません。")});
        return result;
    }
    ReadOptSections(Assist(text), opt);
    result.ok = true;
    return result;
}

bool LoadOpt(CtrlFile& ctrl, const QString& name, DlSrchOpt& opt) {
    opt = DlSrchOpt();
    if (!IsValidOptName(name)) return false;
    const QString text = ctrl.LoadData(OptPath(name));
    if (Assist::Trim(text).isEmpty()) return false;
    ReadOptSections(Assist(text), opt);
    return true;
}

OptResult SaveOpt(CtrlFile& ctrl, const QString& name, const QString& oldName, bool keepCopy,
                  const DlSrchOpt& opt) {
    OptResult result;
    const QString title = QStringLiteral("設定名エラー");
    if (name.isEmpty()) {
        result.messages.append(
            {OptMessage::Kind::kError, title, QStringLiteral("設定名が入力されていません。")});
        return result;
    }
    if (!IsValidOptName(name)) {
        result.messages.append({OptMessage::Kind::kError, title,
                                QStringLiteral("設定名に使用できない文字が含まれています。")});
        return result;
    }
    const QString path = OptPath(name);
    if (!ctrl.SetEnableDir(path) || !ctrl.SaveData(path, OptToStr(opt))) {
        result.messages.append(
            {OptMessage::Kind::kError, QStringLiteral("個別設定保存エラー"),
             QStringLiteral("設定「 ") + name + QStringLiteral(" 」を保存できませんでした。")});
        return result;
    }
    if (!oldName.isEmpty() && oldName != name && !keepCopy) {
        if (oldName == kDefaultOptName) {
            result.messages.append(
                {OptMessage::Kind::kWarning, QStringLiteral("設定ファイル名前変更警告"),
                 QStringLiteral(
                     "デフォルト設定は削除できません。\nデフォルト設定は元のまま残ります。")});
            ctrl.SaveErrLog(QStringLiteral("OptWin OK Btn Def Del Error : can not"));
        } else if (!IsValidOptName(oldName) || !QFile::remove(ctrl.Abs(OptPath(oldName)))) {
            result.messages.append({OptMessage::Kind::kError,
                                    QStringLiteral("設定ファイル名前変更エラー"),
                                    QStringLiteral("名前変更前のファイルの削除に失敗しました。")});
            ctrl.SaveErrLog(QStringLiteral("OptWin OK Btn Old File Del Error : no data"));
        }
    }
    result.messages.append(
        {OptMessage::Kind::kInfo, QStringLiteral("個別設定保存"),
         QStringLiteral("設定「 ") + name + QStringLiteral(" 」を保存しました。")});
    result.ok = true;
    return result;
}

}  // namespace korvi
