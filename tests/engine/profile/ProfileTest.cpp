#include <gtest/gtest.h>

#include <QFile>

#include "engine/profile/Profile.h"
#include "fixtures/TempHome.h"
#include "shell/Assist.h"

// Readable failure output.
static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
namespace korvi {
static void PrintTo(const DlSrchOpt& o, std::ostream* os) {
    *os << OptToStr(o).toStdString();
}
}  // namespace korvi

using korvi::Assist;
using korvi::DlSrchOpt;
using korvi::FilterMode;
using korvi::OptMessage;
using korvi::test::TempHome;

namespace {

void WriteText(TempHome& th, const QString& rel, const QString& text) {
    th.Write(rel, text.toUtf8());
}

}  // namespace

TEST(Profile, ShippedDefaultFileIsTheDefaultValues) {
    QFile f(TempHome::SourceDir() + QStringLiteral("/data/option/デフォルト.ini"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString shipped = QString::fromUtf8(f.readAll());
    EXPECT_EQ(shipped, korvi::OptToStr(DlSrchOpt()));

    // Reading the shipped file into values that differ everywhere gives the defaults back.
    DlSrchOpt o;
    o.depth_max = 9;
    o.thrd_max = 1;
    o.user_agent = QStringLiteral("x");
    o.mk_local_link = false;
    o.add_foot_tag = false;
    o.panel.crs_target.all = false;
    o.panel.filter_type = FilterMode::kOut;
    o.guide_get_pic_filter = QString();
    korvi::ReadOptSections(Assist(shipped), o);
    EXPECT_EQ(o, DlSrchOpt());
}

TEST(Profile, WritesEverySectionAndKeyInOrder) {
    Assist ini(korvi::OptToStr(DlSrchOpt()));
    QStringList sections;
    for (int i = 0; i < ini.RowCount(); ++i) {
        if (ini.Keys().at(i) == u"[") sections.append(ini.Values().at(i));
    }
    EXPECT_EQ(sections,
              (QStringList{"BaseOption", "Target", "CrsTarget", "Filter", "TimeOut", "Proxy",
                           "TimeOutAll", "StringFilter", "ExtraOption", "GuideOption"}));
    EXPECT_EQ(ini.SectionKeys("BaseOption"),
              (QStringList{"depth_max", "hit_max", "page_max", "thrd_max"}));
    EXPECT_EQ(ini.SectionKeys("CrsTarget"),
              (QStringList{"all", "domain_out", "domain_in", "directory_out", "directory_in"}));
    EXPECT_EQ(ini.SectionKeys("Filter"), (QStringList{"type", "string", "start"}));
    EXPECT_EQ(ini.SectionKeys("Proxy"), (QStringList{"address", "port", "user_agent"}));
    EXPECT_EQ(ini.SectionKeys("ExtraOption"),
              (QStringList{"stop_get_url", "rest_sharp", "local_link", "foot_tag",
                           "foot_tag_extension", "avoid_dl_file_list", "overwrite_dl_file_list",
                           "overwrite_type", "overwrite_local_load", "offline_link", "robots_txt",
                           "warc", "render_js", "render_keep_source"}));
    EXPECT_EQ(ini.SectionKeys("TimeOut"), (QStringList{"connect", "get", "re_time", "host_wait"}));
    EXPECT_EQ(ini.GetIni("ExtraOption", "robots_txt"), "1");  // asked for unless turned off
    EXPECT_EQ(ini.GetIni("ExtraOption", "warc"), "0");        // no archive unless asked for
    EXPECT_EQ(ini.SectionKeys("GuideOption"),
              (QStringList{"guide_pic", "guide_run_type", "guide_get_pic", "guide_get_pic_filter",
                           "guide_get_pic_size", "guide_srch_engine", "guide_srch_engine_type"}));
    EXPECT_EQ(ini.GetIni("Proxy", "user_agent"),
              "Mozilla/4.0 (compatible; MSIE 5.5; Windows 98; Win 9x 4.90)");
    EXPECT_EQ(ini.GetIni("ExtraOption", "foot_tag_extension"),
              "-,html,htm,shtml,txt,cgi,php,asp,jpg,gif,png,swf");
    EXPECT_EQ(ini.GetIni("Proxy", "port"), "-1");

    // Changed values survive a write and a read; the guide placeholder is written empty.
    DlSrchOpt o;
    o.depth_max = 5;
    o.port = 8080;
    o.address = QStringLiteral("proxy.local");
    o.panel.target = {true, true, false, false, true};
    o.panel.filter_type = FilterMode::kIn;
    o.panel.filter_string = QStringLiteral("jpg,>29");
    o.panel.filter_start = true;
    o.pre_search = true;
    o.mk_local_link = false;
    o.overwrite_type = 2;
    o.offline_link = true;
    o.robots_txt = false;
    o.warc = true;
    o.host_wait = 250;
    o.render_js = 1;
    o.guide_pic = QStringLiteral("参照");
    o.guide_srch_engine_type = 3;
    const QString text = korvi::OptToStr(o);
    EXPECT_TRUE(text.contains(QStringLiteral("\nlocal_link=1\nfoot_tag=0\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\noverwrite_local_load=0\noffline_link=1\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n[Filter]\ntype=in\nstring=jpg,>29\nstart=1\n")));
    DlSrchOpt back;
    korvi::ReadOptSections(Assist(text), back);
    o.guide_pic.clear();
    EXPECT_EQ(back, o);
}

TEST(Profile, SaveCmnOptUncommonKeepsOtherSettings) {
    Assist ini(QStringLiteral("[SearchBox]\nstring0=word\n[BaseOption]\ndepth_max=7\nown=x\n"));
    DlSrchOpt o;
    o.depth_max = 3;
    korvi::SaveCmnOptUncommon(o, ini);
    EXPECT_EQ(ini.GetIni("SearchBox", "string0"), "word");
    EXPECT_EQ(ini.GetIni("BaseOption", "depth_max"), "3");
    EXPECT_EQ(ini.GetIni("BaseOption", "own"), "x");
    EXPECT_EQ(ini.GetIni("BaseOption", "thrd_max"), "8");
    EXPECT_EQ(ini.GetIni("GuideOption", "guide_run_type"), "0");
    DlSrchOpt back;
    back.depth_max = 1;
    korvi::ReadOptSections(ini, back);
    EXPECT_EQ(back, o);
}

TEST(Profile, ApplyRulesPerKey) {
    TempHome th;
    DlSrchOpt o;
    o.depth_max = 4;
    o.thrd_max = 3;
    o.overwrite_type = 1;
    o.stop_get_url = true;
    o.port = 3128;
    o.panel.crs_target.domain_out = true;
    o.panel.filter_type = FilterMode::kIn;
    WriteText(th, "option/p.ini",
              "[BaseOption]\ndepth_max=-1\nhit_max=0\npage_max=007\nthrd_max=0\n"
              "[CrsTarget]\ndomain_out=yes\ndirectory_in=1\n"
              "[Filter]\ntype=IN\nstring=\nstart=1\n"
              "[TimeOut]\nconnect=\nget=12\n"
              "[Proxy]\naddress=\nport=-2\nuser_agent=UA x\n"
              "[StringFilter]\nforced_link=1\npre_search=2\n"
              "[ExtraOption]\nstop_get_url=2\nlocal_link=1\nfoot_tag=1\noverwrite_type=-1\n"
              "avoid_dl_file_list=a.txt,b.txt\n"
              "[GuideOption]\nguide_get_pic=1\nguide_get_pic_size=-5\n");
    const auto r = korvi::ApplyOptUncommon(th.Ctrl(), "option/p.ini", o);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.messages.isEmpty());
    EXPECT_EQ(o.depth_max, 4);                    // negative: kept
    EXPECT_EQ(o.hit_max, 0);                      // 0 is a value
    EXPECT_EQ(o.page_max, 0);                     // not canonical: reads as 0
    EXPECT_EQ(o.thrd_max, 3);                     // no workers would never finish: kept
    EXPECT_FALSE(o.panel.crs_target.domain_out);  // anything but 1 unchecks
    EXPECT_TRUE(o.panel.crs_target.directory_in);
    EXPECT_TRUE(o.panel.crs_target.all);              // missing: kept
    EXPECT_EQ(o.panel.filter_type, FilterMode::kIn);  // unknown mode: kept
    EXPECT_EQ(o.panel.filter_string, "");
    EXPECT_TRUE(o.panel.filter_start);
    EXPECT_EQ(o.connect, 30);  // empty value: kept
    EXPECT_EQ(o.get, 12);
    EXPECT_EQ(o.re_time, 20);  // missing: kept
    EXPECT_EQ(o.address, "");
    EXPECT_EQ(o.port, 3128);  // below -1: kept
    EXPECT_EQ(o.user_agent, "UA x");
    EXPECT_TRUE(o.forced_link);
    EXPECT_FALSE(o.pre_search);   // 2 ignored
    EXPECT_TRUE(o.stop_get_url);  // 2 ignored
    EXPECT_FALSE(o.mk_local_link);
    EXPECT_FALSE(o.add_foot_tag);
    EXPECT_EQ(o.overwrite_type, 1);
    EXPECT_EQ(o.avoid_dl_file_list, "a.txt,b.txt");
    EXPECT_TRUE(o.guide_get_pic);
    EXPECT_EQ(o.guide_get_pic_size, 0);

    // Both inverted keys at 0 turn both steps back on; port -1 is taken.
    WriteText(th, "option/q.ini", "[ExtraOption]\nlocal_link=0\nfoot_tag=0\n[Proxy]\nport=-1\n");
    EXPECT_TRUE(korvi::ApplyOptUncommon(th.Ctrl(), "option/q.ini", o).ok);
    EXPECT_TRUE(o.mk_local_link);
    EXPECT_TRUE(o.add_foot_tag);
    EXPECT_EQ(o.LocalLinkSetting(), "0");
    EXPECT_EQ(o.port, -1);
}

TEST(Profile, EmptyOrMissingProfileChangesNothing) {
    TempHome th;
    DlSrchOpt o;
    o.depth_max = 6;
    o.address = QStringLiteral("p");
    const DlSrchOpt before = o;
    for (const QString& path :
         {QStringLiteral("option/none.ini"), QStringLiteral("option/e.ini")}) {
        WriteText(th, "option/e.ini", " \r\n\t\n");
        const auto r = korvi::ApplyOptUncommon(th.Ctrl(), path, o);
        EXPECT_FALSE(r.ok);
        ASSERT_EQ(r.messages.size(), 1);
        EXPECT_EQ(r.messages[0].title, "設定ファイル読み込みエラー");
        EXPECT_EQ(r.messages[0].text, "選択した設定ファイルの中身がありません。");
        EXPECT_EQ(o, before);
    }
    EXPECT_EQ(th.ErrLog().count("Apply Opt Files Error : no data"), 2);

    // Garbage that is not settings text at all leaves the values too.
    th.Write("option/bin.ini", QByteArray::fromHex("0001ff5b803d0a3d3d0a5b"));
    EXPECT_TRUE(korvi::ApplyOptUncommon(th.Ctrl(), "option/bin.ini", o).ok);
    EXPECT_EQ(o, before);
}

TEST(Profile, LoadOptStartsFromDefaults) {
    TempHome th;
    WriteText(th, "option/a.ini", "[BaseOption]\ndepth_max=9\n");
    DlSrchOpt o;
    o.hit_max = 77;
    EXPECT_TRUE(korvi::LoadOpt(th.Ctrl(), "a", o));
    EXPECT_EQ(o.depth_max, 9);
    EXPECT_EQ(o.hit_max, 10);
    EXPECT_FALSE(korvi::LoadOpt(th.Ctrl(), "missing", o));
    EXPECT_FALSE(korvi::LoadOpt(th.Ctrl(), "../cmn_opt", o));
}

TEST(Profile, SaveOptMessagesAndRename) {
    TempHome th;
    DlSrchOpt o;
    o.depth_max = 3;

    auto r = korvi::SaveOpt(th.Ctrl(), "", "", false, o);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_EQ(r.messages[0].title, "設定名エラー");
    EXPECT_EQ(r.messages[0].text, "設定名が入力されていません。");

    r = korvi::SaveOpt(th.Ctrl(), "a", "", false, o);
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_EQ(r.messages[0].title, "個別設定保存");
    EXPECT_EQ(r.messages[0].text, "設定「 a 」を保存しました。");
    EXPECT_EQ(QString::fromUtf8(th.Read("option/a.ini")), korvi::OptToStr(o));

    // Renamed with the copy box off: the old file goes.
    r = korvi::SaveOpt(th.Ctrl(), "b", "a", false, o);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(th.Exists("option/b.ini"));
    EXPECT_FALSE(th.Exists("option/a.ini"));
    // With the copy box on: the old file stays.
    r = korvi::SaveOpt(th.Ctrl(), "c", "b", true, o);
    EXPECT_TRUE(th.Exists("option/b.ini"));
    EXPECT_TRUE(th.Exists("option/c.ini"));

    // The default profile survives a rename in the editor, with the warning.
    r = korvi::SaveOpt(th.Ctrl(), "d", "デフォルト", false, o);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(th.Exists("option/デフォルト.ini"));
    ASSERT_EQ(r.messages.size(), 2);
    EXPECT_EQ(r.messages[0].kind, OptMessage::Kind::kWarning);
    EXPECT_EQ(r.messages[0].title, "設定ファイル名前変更警告");
    EXPECT_EQ(r.messages[0].text,
              "デフォルト設定は削除できません。\nデフォルト設定は元のまま残ります。");
    EXPECT_EQ(r.messages[1].title, "個別設定保存");
    EXPECT_TRUE(th.ErrLog().contains("OptWin OK Btn Def Del Error : can not"));

    // An old file that cannot be deleted (already gone) is reported.
    r = korvi::SaveOpt(th.Ctrl(), "e", "gone", false, o);
    ASSERT_EQ(r.messages.size(), 2);
    EXPECT_EQ(r.messages[0].title, "設定ファイル名前変更エラー");
    EXPECT_EQ(r.messages[0].text, "名前変更前のファイルの削除に失敗しました。");
    EXPECT_TRUE(th.ErrLog().contains("OptWin OK Btn Old File Del Error : no data"));

    // Names that would leave the folder are refused and nothing is written.
    r = korvi::SaveOpt(th.Ctrl(), "../x", "", false, o);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(th.Exists("x.ini"));
    EXPECT_FALSE(korvi::SaveOpt(th.Ctrl(), "..", "", false, o).ok);
}

TEST(Profile, OverridesOneKey) {
    DlSrchOpt o;
    EXPECT_TRUE(korvi::ApplyOptOverride("BaseOption.depth_max=3", o));
    EXPECT_EQ(o.depth_max, 3);
    EXPECT_TRUE(korvi::ApplyOptOverride("Proxy.user_agent=a=b", o));
    EXPECT_EQ(o.user_agent, "a=b");
    EXPECT_TRUE(korvi::ApplyOptOverride("ExtraOption.foot_tag=1", o));
    EXPECT_FALSE(o.add_foot_tag);
    EXPECT_TRUE(korvi::ApplyOptOverride("BaseOption.hit_max=-4", o));
    EXPECT_EQ(o.hit_max, 10);
    EXPECT_FALSE(korvi::ApplyOptOverride("BaseOption.nothing=1", o));
    EXPECT_FALSE(korvi::ApplyOptOverride("depth_max=1", o));
    EXPECT_FALSE(korvi::ApplyOptOverride("BaseOption.depth_max", o));
    EXPECT_FALSE(korvi::ApplyOptOverride(".depth_max=1", o));
    EXPECT_EQ(o.depth_max, 3);
    // The rendering mode takes 0, 1 or 2 only.
    EXPECT_TRUE(korvi::ApplyOptOverride("ExtraOption.render_js=2", o));
    EXPECT_TRUE(korvi::ApplyOptOverride("ExtraOption.render_js=3", o));
    EXPECT_TRUE(korvi::ApplyOptOverride("ExtraOption.render_js=-1", o));
    EXPECT_EQ(o.render_js, 2);
    EXPECT_TRUE(korvi::ApplyOptOverride("ExtraOption.render_keep_source=1", o));
    EXPECT_TRUE(o.render_keep_source);
}
