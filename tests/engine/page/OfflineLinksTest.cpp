#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QUrl>

#include "engine/CrawlTestKit.h"
#include "engine/RunControl.h"
#include "engine/StoredRefs.h"
#include "engine/match/Matcher.h"
#include "engine/page/OfflineLinks.h"
#include "engine/profile/Profile.h"
#include "fixtures/FixtureServer.h"

namespace korvi::test {
namespace {

// Marks every reference it is given, so that the rewritten text shows which
// ones were seen.
QString Mark(const QString& ref) {
    return ref.startsWith("keep") ? QString() : "[" + ref + "]";
}

TEST(OfflineLinks, RewritesTagReferencesAndStyleButNotTextScriptsOrComments) {
    const QString page =
        "<html><head><link rel=stylesheet href=\"a.css?v=2&amp;x=1\">"
        "<style>@import 'b.css'; p { background: url( \"c.png\" ) }</style>"
        "<script src='d.js'>var s = '<a href=\"no.html\">';</script></head>"
        "<body><!-- <a href=\"no2.html\"> --><a class=x HREF=e.html#top>e</a>"
        "<img alt=\"a > b\" src=\"f.png\"><div data-src=\"no3\" style='background:url(g.png)'>"
        "href=\"no4.html\" url(no5.png)</div><a href=\"keep.html\">k</a>< a href=\"no6\"></body>";
    EXPECT_EQ(RewriteHtmlRefs(page, Mark),
              "<html><head><link rel=stylesheet href=\"[a.css?v=2&amp;x=1]\">"
              "<style>@import '[b.css]'; p { background: url( \"[c.png]\" ) }</style>"
              "<script src='[d.js]'>var s = '<a href=\"no.html\">';</script></head>"
              "<body><!-- <a href=\"no2.html\"> --><a class=x HREF=[e.html#top]>e</a>"
              "<img alt=\"a > b\" src=\"[f.png]\"><div data-src=\"no3\" "
              "style='background:url([g.png])'>"
              "href=\"no4.html\" url(no5.png)</div><a href=\"keep.html\">k</a>< a "
              "href=\"no6\"></body>");
    EXPECT_EQ(RewriteCssRefs("@import url(a.css);@import \"b.css\";\nx{background:URL('c.png')}"
                             " y{src:url(keep.woff)}",
                             Mark),
              "@import url([a.css]);@import \"[b.css]\";\nx{background:URL('[c.png]')}"
              " y{src:url(keep.woff)}");
    // BASE tags go when asked; forms, table backgrounds, posters and objects
    // are references too.
    EXPECT_EQ(RewriteHtmlRefs("<BASE href=\"file:///etc/\"><form action=\"f.cgi\">"
                              "<td background=t.png><video poster='p.jpg'><object data=\"o.svg\">"
                              "<i data-x=\"no\">",
                              Mark, true),
              "<form action=\"[f.cgi]\"><td background=[t.png]><video poster='[p.jpg]'>"
              "<object data=\"[o.svg]\"><i data-x=\"no\">");
    EXPECT_EQ(RewriteHtmlRefs("<base href=\"x/\">", Mark), "<base href=\"[x/]\">");
    EXPECT_EQ(LocalRef("../a b/100%.html"), "../a%20b/100%25.html");
    EXPECT_EQ(LocalRef(QString::fromUtf8("x:y/日'\"#?.css")), "x%3Ay/%E6%97%A5%27%22%23%3F.css");
}

// Every reference of every stored page and style sheet of a crawled site
// that leads into the site opens the stored copy from disk.
TEST(OfflineLinks, CrawledSiteOpensFromDisk) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/docs/index.html",
             "<html><head><link rel=\"stylesheet\" href=\"_static/style.css?v=2\">"
             "<script>var p = \"page.html\";</script></head><body>"
             "<h1 id=\"a\">A<a class=\"headerlink\" href=\"#a\">#</a></h1>"
             "<a href=\"page.html#sec\">page</a> <a href=\"sub/\">sub</a>"
             "<img src='img/pic.png'><div style=\"background: url(img/bg.png)\"></div>"
             "<a href=\"http://other.invalid/x.html\">out</a></body></html>");
    srv.Page("/docs/_static/style.css",
             "@import url(theme.css);\nbody { background: url(../img/bg.png); }\n", "text/css");
    srv.Page("/docs/_static/theme.css", "h1 { background: url(../img/head.png) }\n", "text/css");
    srv.Page("/docs/page.html",
             "<a href=\"index.html\">back</a><img src=\"img/pic.png\">"
             "<link rel=stylesheet href=\"_static/style.css?v=2\">");
    srv.Page("/docs/sub/", "<a href=\"../index.html\">up</a><a href=\"/docs/\">top</a>");
    for (const char* p : {"/docs/img/pic.png", "/docs/img/bg.png", "/docs/img/head.png"})
        srv.Page(p, "PNG", "image/png");

    DlSrchOpt opt;
    EXPECT_FALSE(opt.offline_link);  // off unless asked
    opt.offline_link = true;
    opt.depth_max = 5;
    opt.hit_max = 0;
    opt.page_max = 0;
    opt.thrd_max = 2;
    opt.add_foot_tag = false;
    RunSettings set = RunSettings::FromOpt(opt, srv.Url("/docs/index.html"));
    EXPECT_TRUE(set.worker.offlineLink);
    set.connectSec = 0;
    set.getSec = 0;
    Matcher matcher;
    CrawlParts parts;
    parts.ctrl = &th.Ctrl();
    parts.clock = &th.GetClock();
    parts.matcher = &matcher;
    RunControl rc(MakeCrawlServices(parts), set);
    rc.AddWinSrchLst({{srv.Url("/docs/index.html"), "start", "html"}});
    ASSERT_TRUE(rc.StartManual());
    ASSERT_TRUE(rc.WaitEnd(20000));

    const QString root = th.File("log/R/" + srv.StoreHost() + "/docs");
    const QString index =
        QString::fromUtf8(th.Read("log/R/" + srv.StoreHost() + "/docs/index.html"));
    EXPECT_TRUE(index.contains("href=\"page.html#sec\"")) << index.toStdString();
    EXPECT_TRUE(index.contains("href=\"sub/index.html\""));
    EXPECT_TRUE(index.contains("href=\"#a\""));
    EXPECT_TRUE(index.contains("href=\"http://other.invalid/x.html\""));
    EXPECT_TRUE(index.contains("var p = \"page.html\";"));
    EXPECT_FALSE(index.contains("@Web"));
    EXPECT_TRUE(index.contains("href=\"_static/style.css_/0000000"));
    EXPECT_TRUE(th.Read("log/R/" + srv.StoreHost() + "/docs/sub/index.html")
                    .contains("href=\"../index.html\""));

    const int checked = CheckStoredRefs(root, srv.Url("/"));
    EXPECT_EQ(checked, 13);
}

}  // namespace
}  // namespace korvi::test
