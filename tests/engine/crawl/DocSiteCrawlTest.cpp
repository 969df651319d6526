#include <gtest/gtest.h>

#include <set>

#include "engine/CrawlTestKit.h"
#include "engine/RunControl.h"
#include "engine/StoredRefs.h"
#include "engine/match/Matcher.h"
#include "fixtures/FixtureServer.h"

namespace korvi::test {
namespace {

// A generated site shaped like a modern documentation site: a theme sheet
// with imports, assets under query names, permalinks on every heading, a JSON
// script blob, long file names, an index over several pages, words on line
// breaks and escaped characters.
class DocSite {
public:
    explicit DocSite(FixtureServer& srv) : srv_(srv) {
        Asset("/docs/_static/theme.css?v=2",
              "/* theme */\n@import \"basic.css\";\n@import url('fonts.css');\n"
              "body { background: url(\"bg.png\") }\n.logo { background:url( 'img/logo.svg' ) }",
              "text/css");
        Asset("/docs/_static/basic.css", ".a { background:url(img/arrow.png) }", "text/css");
        Asset("/docs/_static/fonts.css",
              "@font-face { font-family: x; src: url(\"font.woff2?v=3\") format(\"woff2\") }",
              "text/css");
        Asset("/docs/_static/doc.js?v=2",
              "// opens (when asked) the sidebar\nfunction toggle(e) { return e && (e.open = "
              "!e.open); }",
              "text/javascript");
        for (const char* a :
             {"/docs/_static/bg.png", "/docs/_static/img/logo.svg", "/docs/_static/img/arrow.png",
              "/docs/_static/font.woff2?v=3", "/docs/_static/logo.png?v=2"})
            Asset(a, "bin", "application/octet-stream");
        Asset("/docs/_static/opensearch.xml", "<OpenSearchDescription/>", "text/xml");

        QStringList names;
        // Long names that differ early (stored names keep 32 characters).
        for (int i = 0; i < 12; ++i) {
            names << QStringLiteral("%1-asyncio-event-loop-policies-and-concurrent-execution.html")
                         .arg(i);
        }
        names << "http.client.html"
              << "http.cookiejar.html"
              << "xml.etree.elementtree.html";
        // The index: four pages of links, each linking the next.
        const int perPage = (names.size() + 3) / 4;
        for (int p = 0; p < 4; ++p) {
            QString body;
            for (int i = p * perPage; i < names.size() && i < (p + 1) * perPage; ++i)
                body += QStringLiteral("<li><a href=\"library/%1\">%1</a></li>\n").arg(names[i]);
            if (p < 3) body += QStringLiteral("<a href=\"genindex-%1.html\">next</a>").arg(p + 1);
            Doc(QStringLiteral("/docs/genindex-%1.html").arg(p), "../docs/", body);
        }
        Doc("/docs/index.html", "../docs/",
            "<a href=\"genindex-0.html\">Index</a> <a href=\"library/http.client.html\">http</a>");
        for (int i = 0; i < names.size(); ++i) {
            const QString next = names[(i + 1) % names.size()];
            Doc("/docs/library/" + names[i], "../",
                QStringLiteral("<a href=\"%1\">next</a> <a href=\"../index.html\">top</a>")
                    .arg(next));
        }
    }

    const std::set<QString>& Known() const { return known_; }
    const QStringList& Pages() const { return pages_; }

private:
    void Asset(const QString& target, const QByteArray& body, const QByteArray& type) {
        known_.insert(target);
        srv_.Page(target.section(u'?', 0, 0), body, type);
    }

    // One page; root is the relative way up to /docs/.
    void Doc(const QString& path, const QString& up, const QString& body) {
        const QString root = up == "../docs/" ? QString() : up;
        const QString html =
            "<!DOCTYPE html>\n<html lang=\"en\"><head>\n<meta charset=\"utf-8\">\n"
            "<title>" +
            path +
            " &#8212; Docs</title>\n"
            "<link rel=\"stylesheet\" href=\"" +
            root +
            "_static/theme.css?v=2\" type=\"text/css\">\n"
            "<link rel=\"search\" type=\"application/opensearchdescription+xml\" "
            "title=\"Search\" href=\"" +
            root +
            "_static/opensearch.xml\">\n"
            "<script src=\"" +
            root +
            "_static/doc.js?v=2\"></script>\n"
            "<script type=\"application/json\" id=\"opts\">{\"words\": \"open the "
            "opensearchdescription (see below) with care\", \"root\": \"window.location\", "
            "\"hint\": \"open (can) the &lt;span&gt; (with)\"}</script>\n"
            "</head><body>\n"
            "<h1>Heading<a class=\"headerlink\" href=\"#heading\" "
            "title=\"Permalink\">&#182;</a></h1>\n"
            "<p>Words on two lines: tasks and\nconcurrent work, <code>&lt;expr&gt;</code> and "
            "<code>&lt;a href=&quot;example.html&quot;&gt;</code> &#187; next.</p>\n"
            "<pre><span class=\"n\">f</span> = <span class=\"nb\">open</span><span "
            "class=\"p\">(</span><span class=\"s1\">'notes.txt'</span>)\nopen('raw.txt') "
            "url(plain.css)</pre>\n"
            "<h2 id=\"s1\">Section<a class=\"headerlink\" href=\"#s1\">&#182;</a></h2>\n"
            "<img src=\"" +
            root + "_static/logo.png?v=2\" alt=\"logo\">\n" + body + "\n</body></html>\n";
        known_.insert(path);
        pages_ << path;
        srv_.Page(path, html.toUtf8());
    }

    FixtureServer& srv_;
    std::set<QString> known_;
    QStringList pages_;
};

// Crawls the site from its index to the end, two workers, no limits.
void CrawlDocSite(TempHome& th, FixtureServer& srv, bool offline) {
    Matcher matcher;
    RunSettings set;
    set.thrdMax = 2;
    set.depthMax = 0;
    set.hitMax = 0;
    set.pageMax = 0;
    set.connectSec = 0;
    set.getSec = 0;
    set.worker.offlineLink = offline;
    CrawlParts parts;
    parts.ctrl = &th.Ctrl();
    parts.clock = &th.GetClock();
    parts.matcher = &matcher;
    RunControl rc(MakeCrawlServices(parts), set);
    rc.AddWinSrchLst({{srv.Url("/docs/index.html"), "start", "html"}});
    ASSERT_TRUE(rc.StartManual());
    ASSERT_TRUE(rc.WaitEnd(60000));
}

TEST(DocSiteCrawl, EveryPageFetchedAndNoInventedRequests) {
    TempHome th;
    FixtureServer srv;
    DocSite site(srv);
    CrawlDocSite(th, srv, false);

    std::set<QString> requested;
    for (const QString& t : srv.Requests()) {
        requested.insert(t);
        EXPECT_TRUE(site.Known().count(t)) << "request for a URL in no page: " << qPrintable(t);
    }
    for (const QString& page : site.Pages())
        EXPECT_TRUE(requested.count(page)) << "page never fetched: " << qPrintable(page);
    // Every asset the pages and sheets name is fetched, with its query.
    for (const QString& known : site.Known())
        EXPECT_TRUE(requested.count(known)) << "never fetched: " << qPrintable(known);
    // "http.client.html" is a relative link like any other.
    EXPECT_FALSE(QString::fromUtf8(th.Read("log_err/R.log")).contains("no protocol"));
}

// With offline copies on, every reference of every stored page and style
// sheet of the same site opens from disk.
TEST(DocSiteCrawl, OfflineCopyOpensFromDisk) {
    TempHome th;
    FixtureServer srv;
    DocSite site(srv);
    CrawlDocSite(th, srv, true);

    const int checked = CheckStoredRefs(th.File("log/R/" + srv.StoreHost()), srv.Url("/"));
    EXPECT_GT(checked, int(site.Pages().size()));
}

}  // namespace
}  // namespace korvi::test
