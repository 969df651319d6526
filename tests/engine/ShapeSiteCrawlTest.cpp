#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <set>

#include "CrawlTestKit.h"
#include "engine/Matcher.h"
#include "engine/OfflineLinks.h"
#include "engine/RunControl.h"
#include "fixtures/FixtureServer.h"
#include "store/TextCodec.h"

namespace korvi::test {
namespace {

// A generated site in the shapes real directory listings and manuals take:
// folders with a "." in their names, blanks and "<" inside quoted links,
// plain-text, source and compressed files full of link-like noise, script
// fragments, long names sharing their first 32 characters, query pages, a
// real path that looks like a stored query file, and hostile references.
class ShapeSite {
public:
    explicit ShapeSite(FixtureServer& srv) : srv_(srv) {
        Html("/",
             "<a href=\"pkg/\">pkg</a> <a href=\"docs/index.html\">docs</a> "
             "<a href=\"hostile/index.html\">hostile</a>");
        Html("/pkg/",
             "<a href=\"?C=N;O=D\">Name</a> <a href=\"rel1.2/\">rel1.2/</a> "
             "<a href=\"rel1.2/x.html\">x</a> <a href=\"api.html/\">api.html/</a> "
             "<a href=\"README\">README</a> <a href=\"m.c\">m.c</a> "
             "<a href=\"pkg.tar.gz\">pkg.tar.gz</a>");
        known_.insert("/pkg/?C=N;O=D");
        Html("/pkg/rel1.2/", "<a href=\"x.html\">x</a> <a href=\"../\">up</a>");
        Html("/pkg/rel1.2/x.html", "the crow in a versioned folder", true);
        Html("/pkg/api.html/", "<a href=\"p.html\">p</a>");
        Html("/pkg/api.html/p.html", "below a folder named like a page");
        File("/pkg/README",
             "open(\"/usr/lib/python3/x.py\") see URL(s) and href=foo.html "
             "os.popen('hg tip') <a href=\"readme.html\">more</a>",
             "text/plain");
        File("/pkg/m.c", "#include <stdio.h>\n/* <a href=\"nowhere.html\"> url(bad.png) */",
             "text/x-csrc");
        File("/pkg/pkg.tar.gz", QByteArray("\x1f\x8b\x08\0href=\"gz.html\" src='\x01\xff.png'", 30),
             "application/gzip");

        Html("/docs/index.html",
             "<link rel=\"stylesheet\" href=\"_static/s.css\">"
             "<script src=\"_static/s.js\"></script>"
             "<script>var u = window.location; a.href=window.location; b.src=opts.root;</script>"
             "<a href=\"v/d e.html\">Show Source</a> <a href=\"genindex.html\">Index</a> "
             "<a href=\"variable/CMAKE_LANG_LINK_GROUP_USING_FEATURE.html\">f</a> "
             "<a href=\"variable/CMAKE_LANG_LINK_GROUP_USING_FEATURE_SUPPORTED.html\">s</a> "
             "<a href=\"search.cgi?q=crow\">search</a> <a href=\"fi&amp;\">fi</a> "
             "<a href=\"p_/00000001.cgi\">real</a> <a href=\"p?x=1\">x</a> "
             "<a href=\"p?y=2\">y</a>");
        Html("/docs/genindex.html", "<a href=\"v/a.html#x:<L>_y\">anchor</a>");
        Html("/docs/v/d e.html", "source of the crow page", true);
        Html("/docs/v/a.html", "<!-- crow --><script>var crow = 1;</script>a");
        File("/docs/_static/s.css", "body { background: url(bg.png) }", "text/css");
        File("/docs/_static/bg.png", "\x89PNG", "image/png");
        File("/docs/_static/s.js", "a.href=window.location; window.open('w.html');",
             "application/javascript");
        Html("/docs/_static/w.html", "opened by a script");
        Html("/docs/variable/CMAKE_LANG_LINK_GROUP_USING_FEATURE.html", "feature");
        Html("/docs/variable/CMAKE_LANG_LINK_GROUP_USING_FEATURE_SUPPORTED.html", "supported");
        Html("/docs/search.cgi", "results for crow", true);
        known_.insert("/docs/search.cgi?q=crow");
        pages_.removeAll("/docs/search.cgi");
        pages_ << "/docs/search.cgi?q=crow";
        word_.erase("/docs/search.cgi");
        word_.insert("/docs/search.cgi?q=crow");
        known_.insert("/docs/fi&");  // answered 404
        Html("/docs/p_/00000001.cgi", "a real file, not a stored query");
        Html("/docs/p", "query {query}");
        pages_.removeAll("/docs/p");
        for (const char* q : {"/docs/p?x=1", "/docs/p?y=2"}) {
            known_.insert(q);
            pages_ << q;
        }

        Html("/hostile/index.html",
             "<link rel=\"stylesheet\" href=\"h.css\">"
             "<a href=\"../../../../../../etc/passwd\">pw</a> <a href=\"x/%2e%2e/o/b.html\">b</a> "
             "<a href=\"gone.html\">gone</a> <a href=\"base.html\">base</a> "
             "<a href=\"webbase.html\">webbase</a> <a href=\"../pkg/rel1.2/x.html\">x</a>");
        known_.insert("/etc/passwd");
        known_.insert("/hostile/gone.html");
        known_.insert("/hostile/x/%2e%2e/o/b.html");
        File("/hostile/h.css", "body { background: url(../../../../cssbg.png) }", "text/css");
        known_.insert("/cssbg.png");
        Html("/hostile/o/b.html", "normalised");
        srv.Page("/hostile/x/%2e%2e/o/b.html", Wrap("kept as sent"));
        srv.Page("/hostile/x/../o/b.html", Wrap("kept as sent"));
        Html("/hostile/base.html", "<base href=\"file:///etc/\"><a href=\"host.conf\">conf</a>");
        Html("/hostile/webbase.html",
             "<base href=\"" + srv.Url("/docs/") + "\"><a href=\"index.html\">docs</a>");
    }

    // Paths (decoded, with query) of everything the pages name.
    const std::set<QString>& Known() const { return known_; }
    // Paths of the pages a crawler must store.
    const QStringList& Pages() const { return pages_; }
    // Pages whose visible text holds the word "crow".
    const std::set<QString>& WordPages() const { return word_; }

private:
    static QByteArray Wrap(const QString& body) {
        return ("<html><head><title>t</title></head><body>" + body + "</body></html>\n").toUtf8();
    }
    void Html(const QString& path, const QString& body, bool word = false) {
        known_.insert(path);
        pages_ << path;
        if (word) word_.insert(path);
        srv_.Page(path, Wrap(body));
    }
    void File(const QString& path, const QByteArray& body, const QByteArray& type) {
        known_.insert(path);
        pages_ << path;
        srv_.Page(path, body, type);
    }

    FixtureServer& srv_;
    std::set<QString> known_;
    QStringList pages_;
    std::set<QString> word_;
};

QString Decoded(const QString& target) {
    return QUrl::fromPercentEncoding(target.toUtf8());
}

// Crawls the whole site from its root, three workers, no limits.
RunListSnapshot CrawlShapeSite(TempHome& th, FixtureServer& srv, bool offline) {
    Matcher matcher;
    RunSettings set;
    set.thrdMax = 3;
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
    rc.SetSearchWords(QStringLiteral("crow"));
    rc.AddWinSrchLst({{srv.Url("/"), "start", "-"}});
    EXPECT_TRUE(rc.StartManual());
    EXPECT_TRUE(rc.WaitEnd(60000));
    return rc.List().Snapshot();
}

// What the references of the stored pages and style sheets below root do:
// how many lead outside root (or to a local file), how many name no file.
struct RefCount {
    int checked = 0;
    int outside = 0;
    int dead = 0;
    int bases = 0;
};

// strict: every reference leading outside is a test failure of its own.
RefCount CountRefs(const QString& root, bool strict = true) {
    RefCount n;
    const QString top = QDir::cleanPath(QFileInfo(root).absoluteFilePath());
    QDirIterator it(top, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (file.endsWith(" lst.ini") || file.endsWith("cgi%%q.txt")) continue;
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QString text = DecodeText(f.readAll());
        const bool css = file.endsWith(".css");
        if (!css && !text.contains("<html")) continue;
        if (!css && text.contains("<base", Qt::CaseInsensitive)) ++n.bases;
        const QString dir = QFileInfo(file).absolutePath();
        const RefTarget check = [&](const QString& raw) {
            const QString ref = raw.trimmed();
            if (ref.isEmpty() || ref.startsWith('#')) return QString();
            ++n.checked;
            if (ref.startsWith("file:", Qt::CaseInsensitive)) {
                if (strict)
                    ADD_FAILURE() << "local file reference " << ref.toStdString() << " in "
                                  << file.toStdString();
                ++n.outside;
                return QString();
            }
            if (ref.contains("://") || ref.startsWith("//")) return QString();
            QString path = ref.left(ref.indexOf('#'));
            path = Decoded(path.left(path.indexOf('?')));
            const QString target = QDir::cleanPath(path.startsWith('/') ? path : dir + '/' + path);
            if (!target.startsWith(top + '/')) {
                if (strict)
                    ADD_FAILURE() << "leaves the run folder: " << ref.toStdString() << " in "
                                  << file.toStdString();
                ++n.outside;
            } else if (!QFileInfo::exists(target)) {
                ++n.dead;
            }
            return QString();
        };
        if (css)
            RewriteCssRefs(text, check);
        else
            RewriteHtmlRefs(text, check);
    }
    return n;
}

// Every page stored where the mapping puts it, no request for a URL that is
// in no page, no folder that could not be made, and the word found on just
// the pages whose text holds it.
TEST(ShapeSiteCrawl, StoresEveryPageInventsNothingAndMatchesTheTextPages) {
    TempHome th;
    FixtureServer srv;
    ShapeSite site(srv);
    const RunListSnapshot rows = CrawlShapeSite(th, srv, false);

    std::set<QString> requested;
    for (const QString& t : srv.Requests()) {
        requested.insert(Decoded(t));
        EXPECT_TRUE(site.Known().count(Decoded(t))) << "invented request: " << qPrintable(t);
    }
    for (const QString& page : site.Pages()) {
        EXPECT_TRUE(requested.count(page)) << "never fetched: " << qPrintable(page);
        const QString stored = th.Ctrl().PeekLogFrdr(srv.Url(page));
        EXPECT_TRUE(QFileInfo(th.File(stored)).isFile())
            << qPrintable(page) << " not stored at " << qPrintable(stored);
    }
    // The two long names and the real "p_/00000001.cgi" each keep a file of
    // their own.
    std::set<QString> files;
    for (const char* p : {"/docs/variable/CMAKE_LANG_LINK_GROUP_USING_FEATURE.html",
                          "/docs/variable/CMAKE_LANG_LINK_GROUP_USING_FEATURE_SUPPORTED.html",
                          "/docs/p_/00000001.cgi", "/docs/p?x=1", "/docs/p?y=2"})
        files.insert(th.Ctrl().PeekLogFrdr(srv.Url(p)));
    EXPECT_EQ(files.size(), 5u);
    EXPECT_TRUE(QString::fromUtf8(th.Read(th.Ctrl().PeekLogFrdr(srv.Url("/docs/p_/00000001.cgi"))))
                    .contains("a real file"));
    // The 404 query left no query list behind.
    EXPECT_FALSE(th.Exists("log/R/" + srv.StoreHost() + "/docs/fi_"));
    EXPECT_FALSE(th.ErrLog().contains("SetEnableDir Error")) << qPrintable(th.ErrLog());

    std::set<QString> hits;
    for (int i = 0; i < rows.Count(); ++i) {
        if (rows.Row(i).result == QStringLiteral("一致"))
            hits.insert(Decoded(
                QUrl(rows.Row(i).url).toString(QUrl::RemoveScheme | QUrl::RemoveAuthority)));
    }
    EXPECT_EQ(hits, site.WordPages());
}

// The offline copy: no reference leads outside the run folder or to a local
// file, none names a file that was not stored, no BASE tag is left, and
// stored pages without an HTML name get one.
TEST(ShapeSiteCrawl, OfflineCopyStaysInsideItsFolder) {
    TempHome th;
    FixtureServer srv;
    ShapeSite site(srv);
    CrawlShapeSite(th, srv, true);

    const RefCount n = CountRefs(th.File("log/R"));
    EXPECT_GT(n.checked, 20);
    EXPECT_EQ(n.outside, 0);
    EXPECT_EQ(n.dead, 0);
    EXPECT_EQ(n.bases, 0);
    const QString host = "log/R/" + srv.StoreHost();
    EXPECT_TRUE(th.Exists(host + "/docs/search.cgi_/00000000.cgi.html"));
    const QString index = QString::fromUtf8(th.Read(host + "/hostile/index.html"));
    // Unstored references name the web; stored ones the copy.
    EXPECT_TRUE(index.contains("href=\"" + srv.Url("/etc/passwd") + "\"")) << qPrintable(index);
    EXPECT_TRUE(index.contains("href=\"" + srv.Url("/hostile/gone.html") + "\""));
    EXPECT_TRUE(index.contains("href=\"../pkg/rel1.2/x.html\""));
    EXPECT_TRUE(QString::fromUtf8(th.Read(host + "/hostile/h.css"))
                    .contains("url(" + srv.Url("/cssbg.png") + ")"));
    const QString webbase = QString::fromUtf8(th.Read(host + "/hostile/webbase.html"));
    EXPECT_TRUE(webbase.contains("href=\"../docs/index.html\"")) << qPrintable(webbase);
    const QString docs = QString::fromUtf8(th.Read(host + "/docs/index.html"));
    EXPECT_TRUE(docs.contains("href=\"search.cgi_/00000000.cgi.html\"")) << qPrintable(docs);
}

// Side by side with wget on two copies of the site: Korvi fetches every page
// wget fetches, and its offline copy holds no more dead references than
// wget -k's.
TEST(ShapeSiteCrawl, FetchesWhatWgetFetchesWithNoMoreDeadReferences) {
    if (!QFileInfo(QStringLiteral("/usr/bin/wget")).isExecutable())
        GTEST_SKIP() << "wget is not installed";
    FixtureServer peer;
    ShapeSite peerSite(peer);
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    QProcess wget;
    wget.start(QStringLiteral("/usr/bin/wget"), {"-r", "-l", "inf", "-k", "-nv", "-e", "robots=off",
                                                 "--no-proxy", "-P", out.path(), peer.Url("/")});
    ASSERT_TRUE(wget.waitForFinished(60000));

    TempHome th;
    FixtureServer srv;
    ShapeSite site(srv);
    CrawlShapeSite(th, srv, true);

    std::set<QString> ours;
    for (const QString& t : srv.Requests()) ours.insert(Decoded(t));
    for (const QString& t : peer.Requests()) {
        const QString path = Decoded(t);
        if (peerSite.Pages().contains(path)) {
            EXPECT_TRUE(ours.count(path)) << "wget fetched, Korvi did not: " << qPrintable(path);
        }
    }
    const RefCount theirs = CountRefs(out.path(), false);
    const RefCount mine = CountRefs(th.File("log/R"));
    EXPECT_LE(mine.dead, theirs.dead);
    EXPECT_EQ(mine.outside, 0);
}

}  // namespace
}  // namespace korvi::test
