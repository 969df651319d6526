#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <set>

#include "engine/CrawlTestKit.h"
#include "engine/RunControl.h"
#include "engine/match/Matcher.h"
#include "engine/page/OfflineLinks.h"
#include "fixtures/FixtureServer.h"
#include "store/TextCodec.h"

namespace korvi::test {
namespace {

struct Doc {
    const char* path;  // as requested, decoded
    const char* body;  // a page body, or the whole file when type is set
    const char* type = nullptr;
    bool word = false;  // visible text holds "crow"
};

// Shapes of real directory listings and manuals: "." in folder names, blanks
// and "<" in quoted links, plain-text, source and compressed files full of
// link-like noise, script fragments, names sharing 32 characters, query
// pages, a real path like a stored query file, and hostile references.
const Doc kSite[] = {
    {"/", "<a href=\"pkg/\">p</a><a href=\"docs/index.html\">d</a><a href=\"h/index.html\">h</a>"},
    {"/pkg/",
     "<a href=\"?C=N;O=D\">N</a><a href=\"rel1.2/\">r</a><a href=\"rel1.2/x.html\">x</a>"
     "<a href=\"api.html/\">a</a><a href=\"README\">R</a><a href=\"m.c\">m</a>"
     "<a href=\"p.tar.gz\">t</a>"},
    {"/pkg/?C=N;O=D", nullptr},
    {"/pkg/rel1.2/", "<a href=\"x.html\">x</a> <a href=\"../\">up</a>"},
    {"/pkg/rel1.2/x.html", "the crow in a versioned folder", nullptr, true},
    {"/pkg/api.html/", "<a href=\"p.html\">p</a>"},
    {"/pkg/api.html/p.html", "below a folder named like a page"},
    {"/pkg/README",
     "open(\"/usr/lib/x.py\") URL(s) href=f.html os.popen('hg tip') <a href=\"r.html\">",
     "text/plain"},
    {"/pkg/m.c", "/* <a href=\"nowhere.html\"> url(bad.png) */", "text/x-csrc"},
    {"/pkg/p.tar.gz", "\x1f\x8b\x08href=\"gz.html\" src='\x01.png'", "application/gzip"},
    {"/docs/index.html",
     "<link rel=\"stylesheet\" href=\"_static/s.css\"><script src=\"_static/s.js\"></script>"
     "<script>a.href=window.location;</script><a href=\"v/d e.html\">Show Source</a>"
     "<a href=\"genindex.html\">I</a><a href=\"variable/CMAKE_LANG_LINK_GROUP_USING_FEATURE.html\">"
     "f</a><a href=\"variable/CMAKE_LANG_LINK_GROUP_USING_FEATURE_SUPPORTED.html\">s</a>"
     "<a href=\"q.cgi?q=crow\">q</a><a href=\"fi&amp;\">fi</a><a href=\"p_/00000001.cgi\">r</a>"
     "<a href=\"p?x=1\">x</a><a href=\"p?y=2\">y</a>"},
    {"/docs/genindex.html", "<a href=\"v/a.html#x:<L>_y\">anchor</a>"},
    {"/docs/v/d e.html", "source of the crow page", nullptr, true},
    {"/docs/v/a.html", "<!-- crow --><script>var crow = 1;</script>a"},
    {"/docs/_static/s.css", "body { background: url(bg.png) }", "text/css"},
    {"/docs/_static/bg.png", "\x89PNG", "image/png"},
    {"/docs/_static/s.js", "a.href=window.location; window.open('w.html');", "text/javascript"},
    {"/docs/_static/w.html", "opened by a script"},
    {"/docs/variable/CMAKE_LANG_LINK_GROUP_USING_FEATURE.html", "feature"},
    {"/docs/variable/CMAKE_LANG_LINK_GROUP_USING_FEATURE_SUPPORTED.html", "supported"},
    {"/docs/q.cgi?q=crow", "results for crow", nullptr, true},
    {"/docs/p_/00000001.cgi", "a real file"},
    {"/docs/p?x=1", "x"},
    {"/docs/p?y=2", "y"},
    {"/h/index.html",
     "<link rel=\"stylesheet\" href=\"h.css\"><a href=\"../../../../etc/passwd\">pw</a>"
     "<a href=\"x/%2e%2e/o/b.html\">b</a><a href=\"gone.html\">g</a><a href=\"base.html\">b</a>"
     "<a href=\"webbase.html\">w</a>"},
    {"/h/h.css", "body { background: url(../../../../cssbg.png) }", "text/css"},
    {"/h/o/b.html", "normalised"},
    {"/h/base.html", "<base href=\"file:///etc/\"><a href=\"host.conf\">conf</a>"},
    {"/h/webbase.html", "<base href=\"{root}docs/\"><a href=\"index.html\">docs</a>"},
};
// Named by the pages, answered 404 (or the same page under another name).
const char* const kAlsoNamed[] = {"/docs/fi&", "/etc/passwd", "/h/gone.html", "/cssbg.png",
                                  "/h/x/%2e%2e/o/b.html"};

void Serve(FixtureServer& srv) {
    for (const Doc& d : kSite) {
        if (!d.body) continue;
        QString body = QString::fromUtf8(d.body).replace("{root}", srv.Url("/"));
        if (!d.type) body = "<html><head><title>t</title></head><body>" + body + "</body></html>";
        srv.Page(QString::fromUtf8(d.path).section('?', 0, 0), body.toUtf8(),
                 d.type ? d.type : "text/html");
    }
    for (const char* p : {"/h/x/%2e%2e/o/b.html", "/h/x/../o/b.html"})
        srv.Page(p, "<html><body>as sent</body></html>");
}

QString Decoded(const QString& s) {
    return QUrl::fromPercentEncoding(s.toUtf8());
}

RunListSnapshot Crawl(TempHome& th, FixtureServer& srv) {
    Matcher matcher;
    RunSettings set;
    set.thrdMax = 3;
    set.depthMax = set.hitMax = set.pageMax = set.connectSec = set.getSec = 0;
    set.worker.offlineLink = true;
    CrawlParts parts{&th.Ctrl(), &th.GetClock()};
    parts.matcher = &matcher;
    RunControl rc(MakeCrawlServices(parts), set);
    rc.SetSearchWords(QStringLiteral("crow"));
    rc.AddWinSrchLst({{srv.Url("/"), "start", "-"}});
    EXPECT_TRUE(rc.StartManual());
    EXPECT_TRUE(rc.WaitEnd(60000));
    return rc.List().Snapshot();
}

// References of the stored pages and style sheets below root that lead
// outside it (or to a local file), and those naming no file; BASE tags left.
struct RefCount {
    int outside = 0, dead = 0, bases = 0;
};
RefCount CountRefs(const QString& root) {
    RefCount n;
    const QString top = QDir::cleanPath(QFileInfo(root).absoluteFilePath());
    for (QDirIterator it(top, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString file = it.next();
        QFile f(file);
        const QString text = f.open(QIODevice::ReadOnly) ? DecodeText(f.readAll()) : QString();
        const bool css = file.endsWith(".css");
        if (!css && !text.contains("<html")) continue;
        n.bases += text.contains("<base", Qt::CaseInsensitive);
        const QString dir = QFileInfo(file).absolutePath();
        const RefTarget check = [&](const QString& raw) {
            const QString ref = raw.trimmed();
            if (ref.startsWith("file:", Qt::CaseInsensitive)) ++n.outside;
            if (ref.isEmpty() || ref.startsWith('#') || ref.contains(':') || ref.startsWith("//"))
                return QString();
            const QString path = Decoded(ref.section('#', 0, 0).section('?', 0, 0));
            const QString to = QDir::cleanPath(path.startsWith('/') ? path : dir + '/' + path);
            if (!to.startsWith(top + '/'))
                ++n.outside;
            else if (!QFileInfo::exists(to))
                ++n.dead;
            return QString();
        };
        css ? RewriteCssRefs(text, check) : RewriteHtmlRefs(text, check);
    }
    return n;
}

// Every page fetched and stored under a name of its own, no request for a
// URL in no page, the word found on just the pages whose text shows it, and
// an offline copy whose references all stay inside the run folder and open.
TEST(ShapeSiteCrawl, EveryPageNothingInventedOfflineCopyInside) {
    TempHome th;
    FixtureServer srv;
    Serve(srv);
    const RunListSnapshot rows = Crawl(th, srv);

    std::set<QString> known(std::begin(kAlsoNamed), std::end(kAlsoNamed)), requested, words, hits,
        files;
    for (const Doc& d : kSite) known.insert(d.path);
    for (const QString& t : srv.Requests()) {
        requested.insert(Decoded(t));
        EXPECT_TRUE(known.count(Decoded(t))) << "invented request: " << qPrintable(t);
    }
    for (const Doc& d : kSite) {
        EXPECT_TRUE(requested.count(d.path)) << "never fetched: " << d.path;
        if (d.word) words.insert(d.path);
        QString stored = th.File(th.Ctrl().PeekLogFrdr(srv.Url(d.path)));
        if (!d.type) stored += ".html";  // offline copies of pages have HTML names
        if (!QFileInfo(stored).isFile()) stored.chop(5);
        EXPECT_TRUE(QFileInfo(stored).isFile()) << d.path << " not at " << qPrintable(stored);
        files.insert(stored);
    }
    EXPECT_EQ(files.size(), std::size(kSite));
    EXPECT_FALSE(th.Exists("log/R/" + srv.StoreHost() + "/docs/fi_"));  // 404 query: no list
    EXPECT_FALSE(th.ErrLog().contains("SetEnableDir Error")) << qPrintable(th.ErrLog());
    for (int i = 0; i < rows.Count(); ++i) {
        if (rows.Row(i).result == QStringLiteral("一致"))
            hits.insert(Decoded(rows.Row(i).url.mid(srv.Url("").size())));
    }
    EXPECT_EQ(hits, words);

    const RefCount n = CountRefs(th.File("log/R"));
    EXPECT_EQ(n.outside, 0);
    EXPECT_EQ(n.dead, 0);
    EXPECT_EQ(n.bases, 0);
    const QString host = "log/R/" + srv.StoreHost();
    const QString h = QString::fromUtf8(th.Read(host + "/h/index.html"));
    EXPECT_TRUE(h.contains("href=\"" + srv.Url("/etc/passwd") + "\"")) << qPrintable(h);
    EXPECT_TRUE(h.contains("href=\"o/b.html\"")) << qPrintable(h);
    EXPECT_TRUE(th.Read(host + "/h/h.css").contains(srv.Url("/cssbg.png").toUtf8()));
    EXPECT_TRUE(th.Read(host + "/h/webbase.html").contains("href=\"../docs/index.html\""));
    EXPECT_TRUE(th.Read(host + "/docs/index.html").contains("href=\"q.cgi_/00000000.cgi.html\""));
}

// Beside wget on a second copy of the site: Korvi fetches every page wget
// fetches, and its offline copy has no more dead references than wget -k's.
TEST(ShapeSiteCrawl, FetchesWhatWgetFetchesWithNoMoreDeadReferences) {
    if (!QFileInfo(QStringLiteral("/usr/bin/wget")).isExecutable())
        GTEST_SKIP() << "wget is not installed";
    FixtureServer peer;
    Serve(peer);
    QTemporaryDir out;
    QProcess wget;
    wget.start("/usr/bin/wget", {"-r", "-l", "inf", "-k", "-nv", "-e", "robots=off", "--no-proxy",
                                 "-P", out.path(), peer.Url("/")});
    ASSERT_TRUE(wget.waitForFinished(60000));

    TempHome th;
    FixtureServer srv;
    Serve(srv);
    Crawl(th, srv);
    std::set<QString> ours, pages;
    for (const QString& t : srv.Requests()) ours.insert(Decoded(t));
    for (const Doc& d : kSite) pages.insert(d.path);
    for (const QString& t : peer.Requests()) {
        if (pages.count(Decoded(t))) {
            EXPECT_TRUE(ours.count(Decoded(t))) << "only wget fetched " << qPrintable(t);
        }
    }
    EXPECT_LE(CountRefs(th.File("log/R")).dead, CountRefs(out.path()).dead);
}

}  // namespace
}  // namespace korvi::test
