#include <gtest/gtest.h>

#include "engine/profile/Profile.h"
#include "guide/GuidePreset.h"

namespace korvi {
static void PrintTo(const DlSrchOpt& o, std::ostream* os) {
    *os << OptToStr(o).toStdString();
}
}  // namespace korvi

using namespace korvi;

namespace {

// Every value away from its default, so that a preset that forgets a value
// or touches one it should leave shows up.
DlSrchOpt Unusual() {
    DlSrchOpt o;
    o.depth_max = 7;
    o.hit_max = 3;
    o.page_max = 9;
    o.thrd_max = 2;
    o.panel.target = {false, true, false, false, false};
    o.panel.crs_target = {false, false, false, false, true};
    o.panel.filter_type = FilterMode::kOut;
    o.panel.filter_string = QStringLiteral("zip");
    o.panel.filter_start = true;
    o.connect = 5;
    o.get = 6;
    o.re_time = 7;
    o.address = QStringLiteral("proxy.example");
    o.port = 8080;
    o.min = 11;
    o.forced_link = true;
    o.pre_search = true;
    o.pre_get_url = true;
    o.stop_get_url = true;
    o.rest_sharp = true;
    o.mk_local_link = false;
    o.overwrite_type = 2;
    o.guide_pic = QStringLiteral("a.gif");
    o.guide_run_type = 3;
    o.guide_get_pic = true;
    o.guide_get_pic_filter = QStringLiteral("bmp");
    o.guide_get_pic_size = 99;
    o.guide_srch_engine = true;
    o.guide_srch_engine_type = 2;
    return o;
}

const QString kPages = QStringLiteral("-,html,htm,shtml,txt,cgi,php,asp");
const QString kPics = QStringLiteral("-,html,htm,shtml,txt,cgi,php,asp,jpg,>29,gif,>29,png,>29");
const QString kImgs = QStringLiteral(
    "-,<10,html,<10,htm,<10,shtm,<10,cgi,<10,php,<10,asp,<10,jpg,>14,gif,>14,png,>14");

const RegionBoxes kSite{false, false, true, true, true};
const RegionBoxes kAllRegions{true, true, true, true, true};
const RegionBoxes kDir{false, false, true, false, true};

struct Expect {
    GuidePreset preset;
    RegionBoxes target;
    FilterMode mode;
    QString filter;
    int depth;
    int get;
    int reTime;
    bool forced;
    bool getPic;
    int picKb;  // 0: image values untouched
};

DlSrchOpt Expected(const Expect& e) {
    DlSrchOpt o = Unusual();
    o.depth_max = e.depth;
    o.hit_max = 0;
    o.page_max = 0;
    o.thrd_max = 8;
    o.panel.target = e.target;
    o.panel.crs_target = kAllRegions;
    o.panel.filter_type = e.mode;
    o.panel.filter_string = e.filter;
    o.panel.filter_start = false;
    o.connect = 30;
    o.get = e.get;
    o.re_time = e.reTime;
    o.forced_link = e.forced;
    o.pre_search = false;
    o.pre_get_url = false;
    o.stop_get_url = false;
    o.guide_get_pic = e.getPic;
    if (e.picKb > 0) {
        o.guide_get_pic_filter = QStringLiteral("jpg,gif,png");
        o.guide_get_pic_size = e.picKb;
    }
    return o;
}

}  // namespace

// Each preset sets exactly the values of its row and leaves every other
// profile value as it was.
TEST(GuidePreset, EachPresetSetsExactlyItsValues) {
    using P = GuidePreset;
    using F = FilterMode;
    const Expect rows[] = {
        {P::kSrchSite, kSite, F::kIn, kPages, 0, 45, 0, false, false, 0},
        {P::kSrchLink, kAllRegions, F::kIn, kPages, 0, 45, 0, false, false, 0},
        {P::kSrchDir, kDir, F::kIn, kPages, 0, 45, 0, false, false, 0},
        {P::kDlSite, kSite, F::kAll, kPages, 0, 45, 0, false, false, 0},
        {P::kDlLink, kAllRegions, F::kAll, kPages, 0, 45, 0, false, false, 0},
        {P::kDlDir, kDir, F::kAll, kPages, 0, 45, 0, false, false, 0},
        {P::kPicSite, kSite, F::kIn, kPics, 0, 60, 20, false, true, 30},
        {P::kPicLink, kAllRegions, F::kIn, kPics, 0, 60, 20, false, true, 30},
        {P::kPicDir, kDir, F::kIn, kPics, 0, 60, 20, false, true, 30},
        {P::kGoogleLink, kAllRegions, F::kIn, kPages, 2, 60, 20, false, false, 0},
        {P::kSrchEngnLink, kAllRegions, F::kIn, kPages, 2, 60, 20, false, false, 0},
        {P::kGoogleImg, kAllRegions, F::kIn, kImgs, 2, 60, 20, true, false, 15},
        {P::kFrcLink, kAllRegions, F::kIn, kImgs, 2, 60, 20, true, false, 15},
    };
    ASSERT_EQ(std::size(rows), size_t(kGuidePresetCount));
    for (const Expect& e : rows) {
        SCOPED_TRACE(int(e.preset));
        DlSrchOpt o = Unusual();
        ApplyPreset(e.preset, o);
        EXPECT_EQ(o, Expected(e));
    }
}

// A user preset asks for search words only when it searches without a
// search-engine source; an unknown source index means none.
TEST(GuidePreset, UserPlanFromGuideOption) {
    DlSrchOpt o;
    o.guide_run_type = 1;
    EXPECT_TRUE(PlanOf(o).asksWord);
    EXPECT_EQ(PlanOf(o).start, StartBtn::kSearch);
    o.guide_srch_engine = true;
    o.guide_srch_engine_type = 1;
    EXPECT_EQ(PlanOf(o).engine, SrchEngine::kSearchList);
    EXPECT_FALSE(PlanOf(o).asksWord);
    o.guide_srch_engine_type = 3;
    EXPECT_EQ(PlanOf(o).engine, SrchEngine::kNone);
    EXPECT_TRUE(PlanOf(o).asksWord);
}

// A typed start address gets a scheme; nothing usable gives "".
TEST(GuidePreset, StartUrlOfTheSitePresets) {
    EXPECT_EQ(GuideStartUrl(QStringLiteral(" a.example/x/ ")),
              QStringLiteral("http://a.example/x/"));
    for (const char* bad : {"", "http://", "://x", "a b.example"})
        EXPECT_TRUE(GuideStartUrl(QString::fromLatin1(bad)).isEmpty()) << bad;
}
