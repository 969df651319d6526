#include <gtest/gtest.h>

#include <QDir>

#include <map>
#include <vector>

#include "CrawlTestKit.h"
#include "fixtures/FixtureServer.h"
#include "shell/Assist.h"

namespace korvi::test {
namespace {

// Stand-ins for the trailer-tag services: record who asked and append a
// recognisable block.
void TagWith(CrawlServices& s, CtrlFile& ctrl) {
    s.footTagApplies = [](const QString& setting, const QString& list, const QString& ext) {
        return setting == "0" && list.contains("," + ext + ",");
    };
    s.makeFootTag = [](const QString& ref, const QString& src, const QString&,
                       const QString& cmnt) {
        return "\n<?tag ref=" + ref + " src=" + src + " cmnt=" + cmnt + " ?>";
    };
    s.appendFootTag = [&ctrl](const QString& path, const QString& tag) {
        return ctrl.SaveAddData(path, tag);
    };
}

TEST(CrawlWorker, PipelineRunsEveryStepInOrder) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/dir/page.html",
             "<html><img src=\"pic.gif\"><a href=\"next.html\">Next</a> words here</html>");
    auto s = MakeServices(th);
    TagWith(*s, th.Ctrl());
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
    s->extFilter = [&](const SrchThrd&, const QString& ext) {
        seen["ext:" + ext] = w->Status();
        return true;
    };
    s->comment = [&](const QString& url) {
        seen["comment"] = w->Status();
        return url.endsWith("page.html") ? QString("alt") : QString();
    };
    SrchThrdSettings set;
    set.preSearch = set.forcedLink = set.preGetUrl = true;
    set.searchWords = "words";
    set.footTagExtension = ",html,";
    w = MakeWorker(s, srv.Url("/dir/page.html"), set);
    w->ManPrgrs();
    EXPECT_EQ(w->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(seen["FltrPreSearch.js"], 89);
    EXPECT_EQ(seen["match"], 90);
    EXPECT_EQ(seen["ext:gif"], 91);
    EXPECT_EQ(seen["FltrFrcdLink.js"], 92);
    EXPECT_EQ(seen["FltrPreGetUrl.js"], 93);
    EXPECT_EQ(seen["ext:html"], 94);
    EXPECT_EQ(seen["comment"], 98);
    EXPECT_EQ(w->MatchResult(), "…words here…");
    EXPECT_EQ(w->SizeKb(), 1);
    ASSERT_EQ(w->ObjectLinks().Size(), 1);
    EXPECT_EQ(w->ObjectLinks().urls[0], srv.Url("/dir/pic.gif"));
    ASSERT_EQ(w->PageLinks().Size(), 1);
    EXPECT_EQ(w->PageLinks().urls[0], srv.Url("/dir/next.html"));
    EXPECT_EQ(w->PageLinks().extensions[0], "html");
    const QString stored = QString::fromUtf8(th.Read("log/R/127.0.0.1/dir/page.html"));
    EXPECT_TRUE(stored.endsWith(" src=" + srv.Url("/dir/page.html") + " cmnt=alt ?>"));
    EXPECT_TRUE(th.Exists("log/R/127.0.0.1/dir/page.html lst.ini"));
}

TEST(CrawlWorker, ListFileLayout) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/l.html",
             "<a href=\"a.html\">A</a><a href=\"mailto:x@y\">m</a><a href=\"sub/\">S</a>");
    auto s = MakeServices(th);
    s->title = [](qsizetype pos, const QString& text) {
        return "T" + QString::number(pos) + (text.isEmpty() ? "" : "");
    };
    s->pageTitle = [](const QString&) { return QString("Page"); };
    auto w = MakeWorker(s, srv.Url("/l.html"));
    w->ManPrgrs();
    ASSERT_EQ(w->Status(), SrchThrd::kStatusFinished);
    const QString expected = "[BaseData]\np_url=" + srv.Url("/l.html") +
                             "\np_title=Page\n\n[AllLinks]\nlink_no=2\n"
                             "link0=" +
                             srv.Url("/a.html") +
                             "\ntitle0=T3\nextension0=html\n"
                             "link1=" +
                             srv.Url("/sub/") + "\ntitle1=T" +
                             QString::number(QString("<a href=\"a.html\">A</a><a href=\"mailto:"
                                                     "x@y\">m</a><a ")
                                                 .size()) +
                             "\nextension1=-\n";
    EXPECT_EQ(QString::fromUtf8(th.Read("log/R/127.0.0.1/l.html lst.ini")), expected);
    // The file reads back through the settings text.
    const Assist ini(expected);
    EXPECT_EQ(ini.GetIniN("AllLinks", "link_no"), 2);
    EXPECT_EQ(ini.GetIni("AllLinks", "link1"), srv.Url("/sub/"));

    // A page without page links gets no list file.
    srv.Page("/none.html", "<img src=\"x.png\">");
    auto none = MakeWorker(s, srv.Url("/none.html"));
    none->ManPrgrs();
    EXPECT_EQ(none->Status(), SrchThrd::kStatusFinished);
    EXPECT_FALSE(th.Exists("log/R/127.0.0.1/none.html lst.ini"));
}

TEST(CrawlWorker, FiltersDecideWhichLinksAreListed) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/f.html",
             "<a href=\"in.html\">1</a><a href=\"http://other.invalid/x.html\">2</a>"
             "<a href=\"skip.cgi\">3</a><a href=\"avoid.html\">4</a><a href=\"c.html\">5</a>");
    auto s = MakeServices(th);
    s->extFilter = [](const SrchThrd&, const QString& ext) { return ext != "cgi"; };
    s->rangeFilter = [](const SrchThrd&, const QString& url) { return !url.contains("other"); };
    s->crsRangeFilter = [](const SrchThrd&, const QString& url) { return !url.endsWith("c.html"); };
    s->isAvoided = [](const QString& url) { return url.contains("avoid"); };
    auto w = MakeWorker(s, srv.Url("/f.html"));
    w->ManPrgrs();
    ASSERT_EQ(w->PageLinks().Size(), 1);
    EXPECT_EQ(w->PageLinks().urls[0], srv.Url("/in.html"));

    // Extraction from a stored page applies no filter.
    auto local = MakeWorker(s, srv.Url("/f.html"));
    local->SetFromLocalHtml(true);
    ASSERT_TRUE(local->GetUrlList(
        0,
        "<a href=\"in.html\">1</a><a href=\"http://other.invalid/x.html\">2</a>"
        "<a href=\"skip.cgi\">3</a><a href=\"avoid.html\">4</a><a href=\"c.html\">5</a>"));
    EXPECT_EQ(local->PageLinks().Size(), 5);

    // No base URL: the pipeline ends with -2.
    s->baseUrl = [](const QString&, const QString&) { return std::optional<QString>(); };
    auto nobase = MakeWorker(s, srv.Url("/f.html"));
    nobase->ManPrgrs();
    EXPECT_EQ(nobase->Status(), SrchThrd::kBaseUrlFailed);
}

TEST(CrawlWorker, LocalLinksAreWrittenIntoTheStoredPage) {
    TempHome th;
    FixtureServer srv;
    const QByteArray page = "<A HREF=\"b/c.html\">rel</A>\n<A HREF=\"" +
                            srv.Url("/x/y.html").toUtf8() +
                            "\">abs</A>\n<A HREF=\"mailto:a@b\">m</A>\n<A HREF=\"#top\">t</A>\n"
                            "<A HREF=\"a%20b.html\">same</A>\n<A HREF=\"" +
                            srv.Url("/d/a%20b.html").toUtf8() + "\">pc</A>";
    srv.Page("/d/p.html", page);
    auto w = MakeWorker(MakeServices(th), srv.Url("/d/p.html"));
    w->ManPrgrs();
    ASSERT_EQ(w->Status(), SrchThrd::kStatusFinished);
    const QString web = srv.Url("/d/b/c.html");
    const QString expected = "<A HREF=\"b/c.html\">rel</A><FONT SIZE=1>(<A HREF=\"" + web +
                             "\">@Web</A>)</FONT>\n<A HREF=\"" + srv.Url("/x/y.html") +
                             "\">abs</A><FONT SIZE=1>(<A HREF=\"../x/y.html\">@Local</A>)</FONT>\n"
                             "<A HREF=\"mailto:a@b\">m</A>\n<A HREF=\"#top\">t</A>\n"
                             "<A HREF=\"a%20b.html\">same</A><FONT SIZE=1>(<A HREF=\"" +
                             srv.Url("/d/a%20b.html") + "\">@Web</A>)</FONT>\n<A HREF=\"" +
                             srv.Url("/d/a%20b.html") +
                             "\">pc</A><FONT SIZE=1>(<A HREF=\"a%2520b.html\">@Local</A>)</FONT>";
    EXPECT_EQ(QString::fromUtf8(th.Read("log/R/127.0.0.1/d/p.html")), expected);
    EXPECT_EQ(w->GetLocalLink(srv.Url("/d/q/r.html")), "q/r.html");

    // local_link stored as 1 leaves the page as fetched.
    SrchThrdSettings off;
    off.localLink = 1;
    srv.Page("/d/p2.html", page);
    auto w2 = MakeWorker(MakeServices(th), srv.Url("/d/p2.html"), off);
    w2->ManPrgrs();
    EXPECT_EQ(th.Read("log/R/127.0.0.1/d/p2.html"), page);

    // A body without anchors (a picture) is never written back.
    QByteArray png("\x89PNG\r\n\x1a\n\xff\xfe\x00\x01<A", 14);
    srv.Page("/d/i.png", png, "image/png");
    auto pic = MakeWorker(MakeServices(th), srv.Url("/d/i.png"));
    pic->ManPrgrs();
    EXPECT_EQ(th.Read("log/R/127.0.0.1/d/i.png"), png);
}

TEST(CrawlWorker, TrailerTagRulesAndServerTime) {
    TempHome th;
    FixtureServer srv;
    FixtureServer::Route r;
    r.body = "<a href=\"z.html\">z</a>";
    r.lastModifiedMs = 1141855510000;
    srv.SetRoute("/t.html", r);
    srv.Page("/empty.html", "");
    auto s = MakeServices(th);
    TagWith(*s, th.Ctrl());
    SrchThrdSettings set;
    set.footTagExtension = ",html,";
    auto w = MakeWorker(s, srv.Url("/t.html"), set, srv.Url("/ref.html"));
    w->ManPrgrs();
    const QString stored = QString::fromUtf8(th.Read("log/R/127.0.0.1/t.html"));
    EXPECT_TRUE(stored.endsWith("ref=" + srv.Url("/ref.html") + " src=" + srv.Url("/t.html") +
                                " cmnt= ?>"));
    // Links and the tag were written after the fetch; the copy still carries
    // the server's time.
    EXPECT_EQ(Mtime(th.File("log/R/127.0.0.1/t.html")), 1141855510000);

    // An empty page still gets the tag.
    auto e = MakeWorker(s, srv.Url("/empty.html"), set);
    e->ManPrgrs();
    EXPECT_EQ(e->Status(), SrchThrd::kStatusFinished);
    EXPECT_TRUE(th.Read("log/R/127.0.0.1/empty.html").startsWith("\n<?tag"));

    // foot_tag stored as 1: no tag.
    set.footTag = 1;
    srv.Page("/e2.html", "");
    auto off = MakeWorker(s, srv.Url("/e2.html"), set);
    off->ManPrgrs();
    EXPECT_EQ(th.Read("log/R/127.0.0.1/e2.html"), "");

    // stop_get_url ends at 99 without lists.
    SrchThrdSettings stop;
    stop.stopGetUrl = true;
    auto sg = MakeWorker(s, srv.Url("/t.html"), stop);
    sg->ManPrgrs();
    EXPECT_EQ(sg->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(sg->PageLinks().Size(), 0);
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
    EXPECT_FALSE(th.Exists("log/R/127.0.0.1/mem.html"));
    EXPECT_GT(mem->DataStartMs(), 0);
    EXPECT_EQ(mem->PageLinks().Size(), 0);

    // A file:/ URL is read in place, never written, and its list file goes to
    // the run folder under the row number.
    th.Write("site/local.html", "<a href=\"other.html\">o</a>");
    const QString url = QUrl::fromLocalFile(th.File("site/local.html")).toString();
    auto s = MakeServices(th);
    TagWith(*s, th.Ctrl());
    SrchThrdSettings set;
    set.footTagExtension = ",html,";
    auto local = SrchThrd::Create(s, set);
    local->SetRow(42, url, "L", "html", 1, "");
    local->SetLocalPath(th.File("site/local.html"));
    local->ManPrgrs();
    EXPECT_EQ(local->Status(), SrchThrd::kStatusFinished);
    EXPECT_TRUE(local->IsLocal());
    EXPECT_EQ(local->FetchStartMs(), 0);
    EXPECT_EQ(th.Read("site/local.html"), "<a href=\"other.html\">o</a>");
    const QString lst = QString::fromUtf8(th.Read("log/R/00000042 lst.ini"));
    EXPECT_TRUE(
        lst.contains("link0=" + QUrl::fromLocalFile(th.File("site/other.html")).toString()));
}

TEST(CrawlWorker, ImageTextsAndClone) {
    TempHome th;
    FixtureServer srv;
    srv.Page("/g.html",
             "<IMG SRC=\"my%20pic.jpg\" ALT=\"Cat\"> <img src=\"b.png\" width=3 alt=Dog>"
             "<a href=\"n.html\">n</a>");
    auto s = MakeServices(th);
    auto w = MakeWorker(s, srv.Url("/g.html"), {}, srv.Url("/r.html"));
    w->ManPrgrs();
    const LinkList img = w->ImageTexts();
    ASSERT_EQ(img.Size(), 2);
    EXPECT_EQ(img.urls[0], srv.Url("/my%20pic.jpg"));
    EXPECT_EQ(img.titles[0], "Cat");
    EXPECT_EQ(img.urls[1], srv.Url("/b.png"));
    EXPECT_EQ(img.titles[1], "Dog");

    auto c = w->clone();
    EXPECT_EQ(c->Status(), SrchThrd::kStatusFinished);
    EXPECT_EQ(c->Url(), w->Url());
    EXPECT_EQ(c->Referrer(), srv.Url("/r.html"));
    EXPECT_EQ(c->Depth(), 1);
    EXPECT_EQ(c->PageLinks().urls, w->PageLinks().urls);
    EXPECT_EQ(c->ObjectLinks().urls, w->ObjectLinks().urls);
    EXPECT_EQ(c->ImageTexts().titles, img.titles);
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

}  // namespace
}  // namespace korvi::test
