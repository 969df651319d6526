#include <gtest/gtest.h>

#include "engine/crawl/UrlFilter.h"
#include "shell/Assist.h"

using korvi::ExtFilterMode;
using korvi::RegionFlags;
using korvi::UrlFilter;
using korvi::UrlFilterSettings;
using korvi::UrlPrefixes;

namespace {
RegionFlags Flags(bool domainOut, bool dirOut, bool dirIn) {
    RegionFlags f;
    f.domain_out = domainOut;
    f.directory_out = dirOut;
    f.directory_in = dirIn;
    return f;
}
}  // namespace

TEST(UrlFilterPrefixes, ServerRootAndBaseDirectory) {
    UrlPrefixes p = UrlPrefixes::FromUrl("http://www.example.com/a/b/index.html?q=/x/y");
    EXPECT_EQ(p.server_root, "http://www.example.com/");
    EXPECT_EQ(p.base_dir, "http://www.example.com/a/b/");
    p = UrlPrefixes::FromUrl("http://host:8080/");
    EXPECT_EQ(p.server_root, "http://host:8080/");
    EXPECT_EQ(p.base_dir, "http://host:8080/");
    // Without a path the directory is the server root, not "http://".
    p = UrlPrefixes::FromUrl("http://host");
    EXPECT_EQ(p.server_root, "http://host/");
    EXPECT_EQ(p.base_dir, "http://host/");
    p = UrlPrefixes::FromUrl("http:\\\\host\\dir\\page.htm");
    EXPECT_EQ(p.server_root, "http://host/");
    EXPECT_EQ(p.base_dir, "http://host/dir/");
    p = UrlPrefixes::FromUrl("no-scheme/a/b");
    EXPECT_EQ(p.server_root, "");
    EXPECT_EQ(p.base_dir, "");
}

TEST(UrlFilterRegion, ThreeRegionsAroundBaseAndLinkingPage) {
    UrlFilterSettings s;
    s.base_url = "http://site.jp/docs/index.html";
    s.target = Flags(false, false, true);
    s.crs_target = Flags(true, true, true);
    UrlFilter f(s);
    f.SetPage("http://site.jp/docs/a/page.html", 2, "html");
    // Domain out off: another host is refused even though directory in is on.
    EXPECT_FALSE(f.ChckFltrUrlRange("http://other.jp/docs/x.html"));
    EXPECT_FALSE(f.ChckFltrUrlRange("http://site.jp/img/x.jpg"));  // directory out
    EXPECT_TRUE(f.ChckFltrUrlRange("http://site.jp/docs/deep/x.html"));
    EXPECT_TRUE(f.ChckFltrUrlCrsRange("http://other.jp/"));

    s.target = Flags(true, true, false);
    UrlFilter g(s);
    EXPECT_TRUE(g.ChckFltrUrlRange("http://other.jp/docs/x.html"));
    EXPECT_TRUE(g.ChckFltrUrlRange("http://site.jp/img/x.jpg"));
    EXPECT_FALSE(g.ChckFltrUrlRange("http://site.jp/docs/x.html"));

    // The cross check is judged against the linking page, not the base URL.
    s.target = Flags(true, true, true);
    s.crs_target = Flags(false, false, true);
    UrlFilter h(s);
    h.SetPage("http://site.jp/docs/a/page.html", 3, "html");
    EXPECT_TRUE(h.ChckFltrUrlCrsRange("http://site.jp/docs/a/b/c.html"));
    EXPECT_FALSE(h.ChckFltrUrlCrsRange("http://site.jp/docs/other.html"));
    EXPECT_TRUE(h.ChckFltrUrlRange("http://site.jp/docs/other.html"));
    h.SetPage("http://site.jp/docs/other.html", 3, "html");
    EXPECT_TRUE(h.ChckFltrUrlCrsRange("http://site.jp/docs/b.html"));
}

TEST(UrlFilterRegion, FlagsFromProfileSection) {
    const korvi::Assist ini(QStringLiteral(
        "[Target]\nall=0\ndomain_out=0\ndomain_in=1\ndirectory_out=1\ndirectory_in=true\n"));
    const RegionFlags f = RegionFlags::FromIni(ini, "Target");
    EXPECT_FALSE(f.domain_out);
    EXPECT_TRUE(f.directory_out);
    EXPECT_FALSE(f.directory_in);  // only exactly "1" counts
    const RegionFlags none = RegionFlags::FromIni(ini, "CrsTarget");
    EXPECT_FALSE(none.domain_out || none.directory_out || none.directory_in);
    EXPECT_EQ(korvi::ExtFilterModeFromText("in"), ExtFilterMode::kIn);
    EXPECT_EQ(korvi::ExtFilterModeFromText("out"), ExtFilterMode::kOut);
    EXPECT_EQ(korvi::ExtFilterModeFromText("IN"), ExtFilterMode::kAll);
}

TEST(UrlFilterExtension, ModesAndAdjustedKeys) {
    UrlFilterSettings s;
    s.ext_mode = ExtFilterMode::kIn;
    s.ext_list = "-,HTML,htm,php,jpg,>29";
    UrlFilter in(s);
    EXPECT_EQ(in.HeldList(), ",-,html,htm,php,jpg,>29,");
    EXPECT_TRUE(in.ChckFltrExtnsn("html"));
    EXPECT_TRUE(in.ChckFltrExtnsn("-"));
    EXPECT_TRUE(in.ChckFltrExtnsn("php4"));  // php3, php4 ... count as php
    EXPECT_TRUE(in.ChckFltrExtnsn("JPG"));
    EXPECT_FALSE(in.ChckFltrExtnsn("gif"));
    EXPECT_FALSE(in.ChckFltrExtnsn("ht"));  // whole entries only
    s.ext_mode = ExtFilterMode::kOut;
    UrlFilter out(s);
    EXPECT_FALSE(out.ChckFltrExtnsn("html"));
    EXPECT_TRUE(out.ChckFltrExtnsn("gif"));
    s.ext_mode = ExtFilterMode::kAll;
    EXPECT_TRUE(UrlFilter(s).ChckFltrExtnsn("gif"));
}

TEST(UrlFilterExtension, SizeThresholds) {
    const QString list = ",-,html,jpg,>29,gif,<10,png,>x,";
    EXPECT_TRUE(UrlFilter::ChckFltrSizeExtnsn(list, "jpg", 30));
    EXPECT_FALSE(UrlFilter::ChckFltrSizeExtnsn(list, "jpg", 29));
    EXPECT_TRUE(UrlFilter::ChckFltrSizeExtnsn(list, "gif", 9));
    EXPECT_FALSE(UrlFilter::ChckFltrSizeExtnsn(list, "gif", 10));
    EXPECT_TRUE(UrlFilter::ChckFltrSizeExtnsn(list, "html", 100000));
    EXPECT_TRUE(UrlFilter::ChckFltrSizeExtnsn(list, "jpg", -1));  // negative: no size test
    EXPECT_TRUE(UrlFilter::ChckFltrSizeExtnsn(list, "png", 1));   // threshold not a number
    EXPECT_FALSE(UrlFilter::ChckFltrSizeExtnsn(list, "bmp", 50));
    EXPECT_FALSE(UrlFilter::ChckFltrSizeExtnsn("", "jpg", 50));
    EXPECT_FALSE(UrlFilter::ChckFltrSizeExtnsn(list, "", 50));
    // A listed entry at the very end of the list.
    EXPECT_TRUE(UrlFilter::ChckFltrSizeExtnsn(",jpg,", "jpg", 1));
    EXPECT_TRUE(UrlFilter::ChckFltrSizeExtnsn(",jpg,>5", "jpg", 6));
}

TEST(UrlFilterExtension, PreDownloadCheckOfTheRow) {
    UrlFilterSettings s;
    s.ext_mode = ExtFilterMode::kIn;
    s.ext_list = "-,html,jpg,>29";
    s.filter_start = false;
    UrlFilter f(s);
    f.SetPage("http://h/p.jpg", 2, "jpg");
    EXPECT_TRUE(f.ChckPreDlFltrExtnsn(30));
    EXPECT_FALSE(f.ChckPreDlFltrExtnsn(29));
    EXPECT_TRUE(f.ChckPreDlFltrExtnsn(0));  // unknown size
    EXPECT_TRUE(f.ChckPreDlFltrExtnsn(-5));
    f.SetPage("http://h/p.html", 2, "html");
    EXPECT_TRUE(f.ChckPreDlFltrExtnsn(5000));
    f.SetPage("http://h/p.gif", 2, "gif");
    EXPECT_FALSE(f.ChckPreDlFltrExtnsn(50));
    // A start row passes unless the filter applies to start rows.
    f.SetPage("http://h/p.jpg", 1, "jpg");
    EXPECT_TRUE(f.ChckPreDlFltrExtnsn(3));
    s.filter_start = true;
    UrlFilter start(s);
    start.SetPage("http://h/p.jpg", 1, "jpg");
    EXPECT_FALSE(start.ChckPreDlFltrExtnsn(3));
    // Mode "out" refuses what the lookup accepts.
    s.ext_mode = ExtFilterMode::kOut;
    UrlFilter out(s);
    out.SetPage("http://h/p.jpg", 2, "jpg");
    EXPECT_FALSE(out.ChckPreDlFltrExtnsn(30));
    EXPECT_TRUE(out.ChckPreDlFltrExtnsn(29));
    s.ext_mode = ExtFilterMode::kAll;
    UrlFilter all(s);
    all.SetPage("http://h/p.gif", 2, "gif");
    EXPECT_TRUE(all.ChckPreDlFltrExtnsn(50));
}
