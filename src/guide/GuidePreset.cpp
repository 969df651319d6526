#include "guide/GuidePreset.h"

#include <QRegularExpression>

#include <algorithm>

namespace korvi {

namespace {

const QString kPageFilter = QStringLiteral("-,html,htm,shtml,txt,cgi,php,asp");
const QString kPicFilter =
    QStringLiteral("-,html,htm,shtml,txt,cgi,php,asp,jpg,>29,gif,>29,png,>29");
const QString kImgFilter = QStringLiteral(
    "-,<10,html,<10,htm,<10,shtm,<10,cgi,<10,php,<10,asp,<10,jpg,>14,gif,>14,png,>14");
const QString kImgTypes = QStringLiteral("jpg,gif,png");

enum class Scope { kSite, kLinks, kDir };

// The Target boxes of a scope, judged against the init list's base URL.
// The start site: its whole server. The links: every region. The
// directory: only below the base directory. The links found on a page
// (CrsTarget) are never narrowed further.
RegionBoxes TargetOf(Scope scope) {
    switch (scope) {
        case Scope::kSite:
            return {false, false, true, true, true};
        case Scope::kLinks:
            return {true, true, true, true, true};
        case Scope::kDir:
            return {false, false, true, false, true};
    }
    return {};
}

struct PresetValues {
    Scope scope;
    FilterMode mode;
    const QString* filter;
    int depth;
    bool slow;  // get 60 s and retry after 20 s, else 45 s and no retry
    bool forcedLink;
    int picKb;  // images kept by the follow-up; 0 for none
    bool picFollowUp;
};

PresetValues ValuesOf(GuidePreset preset) {
    switch (preset) {
        case GuidePreset::kSrchSite:
            return {Scope::kSite, FilterMode::kIn, &kPageFilter, 0, false, false, 0, false};
        case GuidePreset::kSrchLink:
            return {Scope::kLinks, FilterMode::kIn, &kPageFilter, 0, false, false, 0, false};
        case GuidePreset::kSrchDir:
            return {Scope::kDir, FilterMode::kIn, &kPageFilter, 0, false, false, 0, false};
        case GuidePreset::kDlSite:
            return {Scope::kSite, FilterMode::kAll, &kPageFilter, 0, false, false, 0, false};
        case GuidePreset::kDlLink:
            return {Scope::kLinks, FilterMode::kAll, &kPageFilter, 0, false, false, 0, false};
        case GuidePreset::kDlDir:
            return {Scope::kDir, FilterMode::kAll, &kPageFilter, 0, false, false, 0, false};
        case GuidePreset::kPicSite:
            return {Scope::kSite, FilterMode::kIn, &kPicFilter, 0, true, false, 30, true};
        case GuidePreset::kPicLink:
            return {Scope::kLinks, FilterMode::kIn, &kPicFilter, 0, true, false, 30, true};
        case GuidePreset::kPicDir:
            return {Scope::kDir, FilterMode::kIn, &kPicFilter, 0, true, false, 30, true};
        case GuidePreset::kGoogleLink:
        case GuidePreset::kSrchEngnLink:
            return {Scope::kLinks, FilterMode::kIn, &kPageFilter, 2, true, false, 0, false};
        case GuidePreset::kGoogleImg:
        case GuidePreset::kFrcLink:
            return {Scope::kLinks, FilterMode::kIn, &kImgFilter, 2, true, true, 15, false};
    }
    return {Scope::kSite, FilterMode::kAll, &kPageFilter, 0, false, false, 0, false};
}

}  // namespace

void ApplyPreset(GuidePreset preset, DlSrchOpt& opt) {
    const PresetValues v = ValuesOf(preset);
    opt.depth_max = v.depth;
    opt.hit_max = 0;
    opt.page_max = 0;
    opt.thrd_max = 8;
    opt.panel.target = TargetOf(v.scope);
    opt.panel.crs_target = {true, true, true, true, true};
    opt.panel.filter_type = v.mode;
    opt.panel.filter_string = *v.filter;
    opt.panel.filter_start = false;
    opt.connect = 30;
    opt.get = v.slow ? 60 : 45;
    opt.re_time = v.slow ? 20 : 0;
    opt.forced_link = v.forcedLink;
    opt.pre_search = false;
    opt.pre_get_url = false;
    opt.stop_get_url = false;
    opt.guide_get_pic = v.picFollowUp;
    if (v.picKb > 0) {
        opt.guide_get_pic_filter = kImgTypes;
        opt.guide_get_pic_size = v.picKb;
    }
}

GuidePlan PlanOf(GuidePreset preset) {
    GuidePlan plan;
    switch (preset) {
        case GuidePreset::kSrchSite:
        case GuidePreset::kSrchLink:
        case GuidePreset::kSrchDir:
            plan.asksWord = true;
            plan.start = StartBtn::kSearch;
            break;
        case GuidePreset::kGoogleLink:
            plan.engine = SrchEngine::kGoogle;
            plan.start = StartBtn::kEngine;
            break;
        case GuidePreset::kSrchEngnLink:
            plan.engine = SrchEngine::kSearchList;
            plan.start = StartBtn::kEngine;
            break;
        case GuidePreset::kGoogleImg:
            plan.engine = SrchEngine::kGoogleImage;
            break;
        default:
            break;
    }
    const PresetValues v = ValuesOf(preset);
    if (v.picFollowUp) {
        plan.picFollowUp = true;
        plan.picFilter = kImgTypes;
        plan.picKb = v.picKb;
    }
    return plan;
}

GuidePlan PlanOf(const DlSrchOpt& profile) {
    GuidePlan plan;
    const int type = profile.guide_srch_engine_type;
    if (profile.guide_srch_engine && type >= 0 && type <= 2) plan.engine = SrchEngine(type);
    // guide_run_type: "DL", "検索", "Googleの結果を検索", "Googleイメージを検索".
    switch (profile.guide_run_type) {
        case 1:
            plan.start = StartBtn::kSearch;
            // A search-engine source asks for the in-page words itself.
            plan.asksWord = plan.engine == SrchEngine::kNone;
            break;
        case 2:
            plan.start = StartBtn::kEngine;
            break;
        default:
            plan.start = StartBtn::kDl;
            break;
    }
    plan.picFollowUp = profile.guide_get_pic;
    plan.picFilter = profile.guide_get_pic_filter;
    plan.picKb = std::max(0, profile.guide_get_pic_size);
    return plan;
}

QString ClosingMessage(StartBtn start, bool picNotice) {
    const QString button = start == StartBtn::kSearch ? QStringLiteral("DL＆検索")
                           : start == StartBtn::kDl   ? QStringLiteral("DL")
                                                      : QStringLiteral("DL & 検索");
    QString text = QStringLiteral("メイン・ウィンドウが表示されますので、「") + button +
                   QStringLiteral("」ボタンを押して下さい。");
    if (picNotice)
        text += QStringLiteral(
            "\n\nDL終了もしくは停止後に、次の操作を指示するダイアログが表示されます。");
    return text;
}

bool NeedsStartUrl(const GuidePlan& plan) {
    return plan.engine == SrchEngine::kNone;
}

QString GuideStartUrl(const QString& typed) {
    QString url = typed.trimmed();
    if (url.isEmpty() || url.contains(QRegularExpression(QStringLiteral("\\s")))) return QString();
    if (!url.contains(QStringLiteral("://"))) url = QStringLiteral("http://") + url;
    // Something must follow the scheme: a host at least.
    return url.indexOf(QStringLiteral("://")) > 0 && !url.endsWith(QStringLiteral("://"))
               ? url
               : QString();
}

}  // namespace korvi
