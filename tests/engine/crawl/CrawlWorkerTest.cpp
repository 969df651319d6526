#include <gtest/gtest.h>

#include <map>

#include "engine/CrawlTestKit.h"
#include "fixtures/FixtureServer.h"
#include "shell/Assist.h"

namespace korvi::test {
namespace {

QString Tag(TempHome& th, const QString& rel) {
    return th.Ctrl().GetFootTag(th.File(rel));
}

TEST(CrawlWorker, PipelineRunsEveryStepInOrder) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/dir/page.html",
             "<html><img src=\"pic.gif\"><a href=\"next.html\">Next</a> words here</html>");
    auto s = MakeServices(th);
    std::map<QString, int> seen;  // step name -> status observed there
    std::shared_ptr<SrchThrd> w;
    s->runScript = [&](const QString& script, const QString& text) -> std::optional<QString> {
        seen[script] = w->Status();
        return text;
    };
    s->match = [&](const QString& words, const QString& text) {
        seen["match"] = w->Status();
        return text.contains(words) ? QString("…words here…") : QString();
    };
    s->isAvoided = [&](const QString& url) {
        seen["avoid:" + th.Ctrl().GetUrlExtnsn(url)] = w->Status();
        return false;
    };
    s->comment = [&](const QString& url) {
        seen["comment"] = w->Status();
        return url.endsWith("page.html") ? QString("alt") : QString();
    };
    SrchThrdSettings set;
    set.preSearch = set.forcedLink = set.preGetUrl = true;
    set.searchWords = "words";
    set.footTagExtension = "-,html,txt,";
    w = MakeWorker(s, srv.Url("/dir/page.html"), set);
    w->ManPrgrs();
    EXPECT_EQ(w->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(seen["FltrPreSearch.js"], 89);
    EXPECT_EQ(seen["match"], 90);
    EXPECT_EQ(seen["avoid:gif"], 91);
    EXPECT_EQ(seen["FltrFrcdLink.js"], 92);
    EXPECT_EQ(seen["FltrPreGetUrl.js"], 93);
    EXPECT_EQ(seen["avoid:html"], 94);
    EXPECT_EQ(seen["comment"], 98);
    EXPECT_EQ(w->MatchResult(), "…words here…");
    EXPECT_EQ(w->SizeKb(), 1);
    ASSERT_EQ(w->ObjectLinks().size(), 1);
    EXPECT_EQ(w->ObjectLinks().url[0], srv.Url("/dir/pic.gif"));
    ASSERT_EQ(w->PageLinks().size(), 1);
    EXPECT_EQ(w->PageLinks().url[0], srv.Url("/dir/next.html"));
    EXPECT_EQ(w->PageLinks().title[0], "Next");
    EXPECT_EQ(w->PageLinks().ext[0], "html");
    const QString tag = Tag(th, "log/R/" + srv.StoreHost() + "/dir/page.html");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(tag, "dl_src"), srv.Url("/dir/page.html"));
    EXPECT_TRUE(tag.contains("dl_cmnt=\"alt\""));
    EXPECT_TRUE(th.Exists("log/R/" + srv.StoreHost() + "/dir/page.html lst.ini"));
}

TEST(CrawlWorker, ListFileLayoutAndLinkForms) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/l.html",
             "<title>Page</title><a href=\"a.html#sec\">A</a><a href=\"mailto:x@y\">m</a>"
             "<a href=\"s.cgi?x=1&amp;y=2\">S</a><a href=\"#top\">T</a>");
    auto w = MakeWorker(MakeServices(th), srv.Url("/l.html"));
    w->ManPrgrs();
    ASSERT_EQ(w->Status(), SrchThrd::kStatusFinished);
    const QString top = srv.Url("/l.html") + "#top";
    const QString expected = "[BaseData]\np_url=" + srv.Url("/l.html") +
                             "\np_title=Page\n\n[AllLinks]\nlink_no=3\n"
                             "link0=" +
                             srv.Url("/a.html") +
                             "\ntitle0=A\nextension0=html\n"
                             "link1=" +
                             srv.Url("/s.cgi?x=1&y=2") + "\ntitle1=S\nextension1=cgi\n";
    const QString lst = QString::fromUtf8(th.Read("log/R/" + srv.StoreHost() + "/l.html lst.ini"));
    EXPECT_TRUE(lst.startsWith(expected)) << lst.toStdString();
    // The mailto link is never listed, "&amp;" became "&", the fragment was cut.
    EXPECT_FALSE(lst.contains("mailto"));
    const Assist ini(lst);
    EXPECT_EQ(ini.GetIniN("AllLinks", "link_no"), 3);
    EXPECT_EQ(ini.GetIni("BaseData", "p_url"), srv.Url("/l.html"));

    // With rest_sharp the fragment stays.
    SrchThrdSettings keep;
    keep.restSharp = true;
    srv.Page("/k.html", "<a href=\"a.html#sec\">A</a>");
    auto k = MakeWorker(MakeServices(th), srv.Url("/k.html"), keep);
    k->ManPrgrs();
    ASSERT_EQ(k->PageLinks().size(), 1);
    EXPECT_EQ(k->PageLinks().url[0], srv.Url("/a.html#sec"));

    // A page without page links gets no list file.
    srv.Page("/none.html", "<img src=\"x.png\">");
    auto none = MakeWorker(MakeServices(th), srv.Url("/none.html"));
    none->ManPrgrs();
    EXPECT_EQ(none->Status(), SrchThrd::kStatusFinished);
    EXPECT_FALSE(th.Exists("log/R/" + srv.StoreHost() + "/none.html lst.ini"));
}

TEST(CrawlWorker, QueryPagesAreStoredAsNumberedFiles) {
    TempHome th;
    FixtureServer srv;
    FixtureServer::Route r;
    r.body = "q={query}";
    srv.SetRoute("/s.cgi", r);
    for (const char* q : {"?a=1", "?b=2", "?a=1"}) {
        auto w = MakeWorker(MakeServices(th), srv.Url(QString("/s.cgi") + q));
        w->ManPrgrs();
        EXPECT_EQ(w->Status(), SrchThrd::kStatusFinished);
    }
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/s.cgi_/00000000.cgi"), "q=a=1");
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/s.cgi_/00000001.cgi"), "q=b=2");
    EXPECT_FALSE(th.Exists("log/R/" + srv.StoreHost() + "/s.cgi_/00000002.cgi"));
}

TEST(CrawlWorker, FiltersDecideWhichLinksAreListed) {
    TempHome th;
    FixtureServer srv;
    const QString page =
        "<a href=\"in.html\">1</a><a href=\"http://other.invalid/x.html\">2</a>"
        "<a href=\"skip.cgi\">3</a><a href=\"avoid.html\">4</a><a href=\"../c.html\">5</a>";
    srv.Page("/d/f.html", page.toUtf8());
    auto s = MakeServices(th);
    s->isAvoided = [](const QString& url) { return url.contains("avoid"); };
    SrchThrdSettings set;
    set.filter.base_url = srv.Url("/");
    set.filter.target.domain_out = false;
    set.filter.crs_target.directory_out = false;
    set.filter.ext_mode = ExtFilterMode::kOut;
    set.filter.ext_list = "cgi";
    auto w = MakeWorker(s, srv.Url("/d/f.html"), set);
    w->ManPrgrs();
    ASSERT_EQ(w->PageLinks().size(), 1);
    EXPECT_EQ(w->PageLinks().url[0], srv.Url("/d/in.html"));

    // Extraction from a stored page applies no filter.
    auto local = MakeWorker(s, srv.Url("/d/f.html"), set);
    local->SetFromLocalHtml(true);
    ASSERT_TRUE(local->GetUrlList(0, page));
    EXPECT_EQ(local->PageLinks().size(), 5);

    // The size filter refuses a fetched file by its stored size as well.
    FixtureServer::Route big;
    big.body = QByteArray(40000, 'j');
    big.chunked = true;  // no Content-Length: only the stored size tells
    srv.SetRoute("/b.jpg", big);
    SrchThrdSettings sized;
    sized.filter.ext_mode = ExtFilterMode::kIn;
    sized.filter.ext_list = "jpg,<30";
    sized.filter.filter_start = true;
    auto jpg = SrchThrd::Create(s, sized);
    jpg->SetRow(1, srv.Url("/b.jpg"), "", "jpg", 1, "");
    jpg->SetLocalPath(th.Ctrl().GetLogFrdr(srv.Url("/b.jpg")));
    jpg->ManPrgrs();
    EXPECT_EQ(jpg->Status(), SrchThrd::kFiltered);
    EXPECT_EQ(jpg->SizeKb(), 40);
}

TEST(CrawlWorker, LocalLinksAreWrittenIntoTheStoredPage) {
    TempHome th;
    FixtureServer srv;
    const QByteArray page = "<A HREF=\"b/c.html\">rel</A>\n<A HREF=\"" +
                            srv.Url("/x/y.html").toUtf8() +
                            "\">abs</A>\n<A HREF=\"mailto:a@b\">m</A>\n<A HREF=\"#top\">t</A>\n"
                            "<A HREF=\"p.html\">self</A>";
    srv.Page("/d/p.html", page);
    auto w = MakeWorker(MakeServices(th), srv.Url("/d/p.html"));
    w->ManPrgrs();
    ASSERT_EQ(w->Status(), SrchThrd::kStatusFinished);
    const QString expected = "<A HREF=\"b/c.html\">rel</A><FONT SIZE=1>(<A HREF=\"" +
                             srv.Url("/d/b/c.html") + "\">@Web</A>)</FONT>\n<A HREF=\"" +
                             srv.Url("/x/y.html") +
                             "\">abs</A><FONT SIZE=1>(<A HREF=\"../x/y.html\">@Local</A>)</FONT>\n"
                             "<A HREF=\"mailto:a@b\">m</A>\n<A HREF=\"#top\">t</A>\n"
                             "<A HREF=\"p.html\">self</A><FONT SIZE=1>(<A HREF=\"" +
                             srv.Url("/d/p.html") + "\">@Web</A>)</FONT>";
    // The relative link whose local form equals the href gets no @Local.
    EXPECT_TRUE(
        QString::fromUtf8(th.Read("log/R/" + srv.StoreHost() + "/d/p.html")).startsWith(expected));
    EXPECT_EQ(w->GetLocalLink(srv.Url("/d/q/r.html")), "q/r.html");
    EXPECT_EQ(w->GetLocalLink(srv.Url("/top.html")), "../top.html");

    // A "%" in a local link is written "%25".
    const QString pct = w->MkLocalLink("<A HREF=\"" + srv.Url("/d/%E3%81%82.html") + "\">j</A>");
    const QString local = w->GetLocalLink(srv.Url("/d/%E3%81%82.html"));
    if (local.contains('%')) {
        EXPECT_TRUE(pct.contains("\"" + QString(local).replace("%", "%25") + "\">@Local"));
    } else {
        EXPECT_TRUE(pct.contains("\"" + local + "\">@Local"));
    }

    // local_link stored as 1 leaves the page as fetched.
    SrchThrdSettings off;
    off.localLink = 1;
    off.footTag = 1;
    srv.Page("/d/p2.html", page);
    auto w2 = MakeWorker(MakeServices(th), srv.Url("/d/p2.html"), off);
    w2->ManPrgrs();
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/d/p2.html"), page);

    // A body without anchors (a picture) is never written back.
    QByteArray png("\x89PNG\r\n\x1a\n\xff\xfe\x00\x01<A", 14);
    srv.Page("/d/i.png", png, "image/png");
    SrchThrdSettings notag;
    notag.footTag = 1;
    auto pic = MakeWorker(MakeServices(th), srv.Url("/d/i.png"), notag);
    pic->ManPrgrs();
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/d/i.png"), png);
}

TEST(CrawlWorker, TrailerTagRulesAndServerTime) {
    TempHome th;
    FixtureServer srv;
    FixtureServer::Route r;
    r.body = "<a href=\"z.html\">z</a>";
    r.lastModifiedMs = 1141855510000;
    srv.SetRoute("/t.html", r);
    srv.Page("/empty.html", "");
    srv.Page("/f.swf", "swf body");
    srv.Page("/noext", "plain");
    auto s = MakeServices(th);
    SrchThrdSettings set;
    set.footTagExtension = "-,html,htm,shtml,txt,cgi,php,asp,jpg,gif,png,swf";
    auto w = MakeWorker(s, srv.Url("/t.html"), set, srv.Url("/ref.html"));
    w->ManPrgrs();
    const QString tag = Tag(th, "log/R/" + srv.StoreHost() + "/t.html");
    EXPECT_EQ(CtrlFile::GetFootTagAttr(tag, "dl_ref"), srv.Url("/ref.html"));
    EXPECT_EQ(CtrlFile::GetFootTagAttr(tag, "dl_src"), srv.Url("/t.html"));
    EXPECT_TRUE(tag.contains("dl_time=\"2006/03/09 - 07:05:02\""));
    // Links and the tag were written after the fetch; the copy still carries
    // the server's time.
    EXPECT_EQ(Mtime(th.File("log/R/" + srv.StoreHost() + "/t.html")), 1141855510000);

    // An empty page still gets the tag.
    auto e = MakeWorker(s, srv.Url("/empty.html"), set);
    e->ManPrgrs();
    EXPECT_EQ(e->Status(), SrchThrd::kStatusFinished);
    EXPECT_FALSE(Tag(th, "log/R/" + srv.StoreHost() + "/empty.html").isEmpty());

    // The default list never tags swf (last entry) or files without extension.
    auto swf = SrchThrd::Create(s, set);
    swf->SetRow(2, srv.Url("/f.swf"), "", "swf", 1, "");
    swf->SetLocalPath(th.Ctrl().GetLogFrdr(srv.Url("/f.swf")));
    swf->ManPrgrs();
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/f.swf"), "swf body");
    auto bare = SrchThrd::Create(s, set);
    bare->SetRow(3, srv.Url("/noext"), "", "-", 1, "");
    bare->SetLocalPath(th.Ctrl().GetLogFrdr(srv.Url("/noext")));
    bare->ManPrgrs();
    EXPECT_EQ(bare->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(th.Read(bare->LocalPath()), "plain");

    // foot_tag stored as 1: no tag.
    set.footTag = 1;
    srv.Page("/e2.html", "");
    auto off = MakeWorker(s, srv.Url("/e2.html"), set);
    off->ManPrgrs();
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/e2.html"), "");

    // stop_get_url ends at 99 without lists.
    SrchThrdSettings stop;
    stop.stopGetUrl = true;
    auto sg = MakeWorker(s, srv.Url("/t.html"), stop);
    sg->ManPrgrs();
    EXPECT_EQ(sg->Status(), SrchThrd::kStatusFinished);
    EXPECT_TRUE(sg->PageLinks().empty());
}

TEST(CrawlWorker, MemoryOnlyAndLocalFiles) {
    TempHome th;
    FixtureServer srv;
    FixtureServer::Route r;
    r.body = "<a href=\"m.html\">m</a>";
    r.lastModifiedMs = 1141855510000;
    srv.SetRoute("/mem.html", r);
    auto mem = MakeWorker(MakeServices(th), srv.Url("/mem.html"));
    mem->SetMemoryOnly(true);
    mem->ManPrgrs();
    EXPECT_EQ(mem->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(mem->Body(), r.body);
    EXPECT_FALSE(th.Exists("log/R/" + srv.StoreHost() + "/mem.html"));
    EXPECT_GT(mem->DataStartMs(), 0);
    EXPECT_TRUE(mem->PageLinks().empty());

    // A stored copy in the same time slot does not stop a memory-only fetch,
    // and stays untouched.
    th.Write("log/R/" + srv.StoreHost() + "/mem.html", "stored");
    SetMtime(th.File("log/R/" + srv.StoreHost() + "/mem.html"), 1141855510000);
    SrchThrdSettings type1;
    type1.overwriteType = 1;
    auto again = MakeWorker(MakeServices(th), srv.Url("/mem.html"), type1);
    again->SetMemoryOnly(true);
    again->ManPrgrs();
    EXPECT_EQ(again->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(again->Body(), r.body);
    EXPECT_EQ(th.Read("log/R/" + srv.StoreHost() + "/mem.html"), "stored");

    // A file:/ URL is read in place, never written, and its list file goes to
    // the run folder under the row number.
    th.Write("site/local.html", "<a href=\"other.html\">o</a>");
    const QString url = QUrl::fromLocalFile(th.File("site/local.html")).toString();
    SrchThrdSettings set;
    set.footTagExtension = "-,html,txt,";
    auto local = SrchThrd::Create(MakeServices(th), set);
    local->SetRow(42, url, "L", "html", 1, "");
    local->SetLocalPath(th.Ctrl().GetLogFrdr(url));
    EXPECT_EQ(local->LocalPath(), th.File("site/local.html"));
    local->ManPrgrs();
    EXPECT_EQ(local->Status(), SrchThrd::kStatusFinished);
    EXPECT_TRUE(local->IsLocal());
    EXPECT_EQ(local->FetchStartMs(), 0);
    EXPECT_EQ(th.Read("site/local.html"), "<a href=\"other.html\">o</a>");
    const QString lst = QString::fromUtf8(th.Read("log/R/00000042 lst.ini"));
    EXPECT_TRUE(lst.contains("link0=")) << lst.toStdString();
    EXPECT_TRUE(lst.contains("other.html"));

    // A local file that does not exist fails like a fetch.
    const QString gone = QUrl::fromLocalFile(th.File("site/gone.html")).toString();
    auto missing = SrchThrd::Create(MakeServices(th), set);
    missing->SetRow(43, gone, "", "html", 1, "");
    missing->SetLocalPath(th.Ctrl().GetLogFrdr(gone));
    missing->ManPrgrs();
    EXPECT_EQ(missing->Status(), SrchThrd::kFetchFailed);
    EXPECT_FALSE(th.Exists("site/gone.html"));
}

TEST(CrawlWorker, ImageTextsAndClone) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/g.html",
             "<IMG SRC=\"my%20pic.jpg\" ALT=\"Cat\"> <img src=\"b.png\" width=3 alt=Dog>"
             "<a href=\"n.html\">n</a>");
    auto w = MakeWorker(MakeServices(th), srv.Url("/g.html"), {}, srv.Url("/r.html"));
    w->ManPrgrs();
    const LinkList img = w->ImageTexts();
    ASSERT_EQ(img.size(), 2);
    EXPECT_EQ(img.url[0], srv.Url("/my%20pic.jpg"));
    EXPECT_EQ(img.title[0], "Cat");
    EXPECT_EQ(img.url[1], srv.Url("/b.png"));
    EXPECT_EQ(img.title[1], "Dog");

    auto c = w->clone();
    EXPECT_EQ(c->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(c->Url(), w->Url());
    EXPECT_EQ(c->Referrer(), srv.Url("/r.html"));
    EXPECT_EQ(c->Depth(), 1);
    EXPECT_EQ(c->PageLinks().url, w->PageLinks().url);
    EXPECT_EQ(c->ObjectLinks().url, w->ObjectLinks().url);
    EXPECT_EQ(c->ImageTexts().title, img.title);
    EXPECT_FALSE(c->Running());
}

TEST(CrawlWorker, ScriptHookRetriesAndClearsTheBusyHost) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/s.html", "original");
    auto s = MakeServices(th);
    int attempts = 0;
    bool busy = true;
    int clearedAt = -1;
    s->clearScriptBusy = [&] {
        busy = false;
        clearedAt = attempts;
    };
    s->runScript = [&](const QString&, const QString& text) -> std::optional<QString> {
        ++attempts;
        if (busy) return std::nullopt;
        return "[" + text + "]";
    };
    QString matched;
    s->match = [&](const QString&, const QString& text) {
        matched = text;
        return QString();
    };
    SrchThrdSettings set;
    set.preSearch = true;
    set.scriptRetryWaitMs = 1;
    auto w = MakeWorker(s, srv.Url("/s.html"), set);
    w->ManPrgrs();
    EXPECT_EQ(clearedAt, 149);
    EXPECT_EQ(attempts, 150);
    EXPECT_EQ(matched, "[original]");
}

// A relative link whose name begins with "http" is relative all the same.
TEST(CrawlWorker, RelativeLinkNamedHttpGetsItsLinks) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/lib/index.html",
             "<A HREF=\"http.client.html\">client</A>\n<A HREF=\"javascript:go()\">js</A>");
    auto w = MakeWorker(MakeServices(th), srv.Url("/lib/index.html"));
    w->ManPrgrs();
    ASSERT_EQ(w->Status(), SrchThrd::kStatusFinished);
    ASSERT_EQ(w->PageLinks().size(), 1);
    EXPECT_EQ(w->PageLinks().url[0], srv.Url("/lib/http.client.html"));
    const QString stored =
        QString::fromUtf8(th.Read("log/R/" + srv.StoreHost() + "/lib/index.html"));
    EXPECT_TRUE(
        stored.startsWith("<A HREF=\"http.client.html\">client</A><FONT SIZE=1>(<A HREF=\"" +
                          srv.Url("/lib/http.client.html") +
                          "\">@Web</A>)</FONT>\n<A HREF=\"javascript:go()\">js</A>"))
        << qPrintable(stored);
    EXPECT_FALSE(QString::fromUtf8(th.Read("log_err/R.log")).contains("no protocol"));
}

// A web page cannot lead the crawl to local files, even with every region open.
TEST(CrawlWorker, WebPageLinksNeverReachLocalFiles) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/p.html",
             "<a href=\"file:///etc/passwd\">p</a><img src=\"file:///etc/hosts\">"
             "<a href=\"q.html\">q</a>");
    SrchThrdSettings open;
    open.filter.base_url = srv.Url("/p.html");
    open.filter.target = open.filter.crs_target = RegionFlags{true, true, true};
    auto w = MakeWorker(MakeServices(th), srv.Url("/p.html"), open);
    w->ManPrgrs();
    ASSERT_EQ(w->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(w->PageLinks().url, QStringList{srv.Url("/q.html")});
    EXPECT_TRUE(w->ObjectLinks().empty());

    // A local start page still follows its local links.
    th.Write("local/a.html", "<a href=\"b.html\">b</a>");
    th.Write("local/b.html", "b");
    const QString a = QUrl::fromLocalFile(th.File("local/a.html")).toString();
    auto local = SrchThrd::Create(MakeServices(th), open);
    local->SetRow(1, a, "a", "html", 1, "");
    local->SetLocalPath(th.Ctrl().GetLogFrdr(a));
    local->ManPrgrs();
    EXPECT_EQ(local->PageLinks().url,
              QStringList{QUrl::fromLocalFile(th.File("local/b.html")).toString()});
}

}  // namespace
}  // namespace korvi::test
