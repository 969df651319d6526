#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <algorithm>
#include <thread>
#include <vector>

#include "engine/LinkPrint.h"
#include "engine/lists/ListFile.h"
#include "engine/page/HtmlText.h"
#include "engine/page/LinkExtract.h"
#include "engine/page/UrlHelpers.h"
#include "fixtures/TempHome.h"
#include "shell/Assist.h"
#include "store/TextCodec.h"

using namespace korvi;

namespace {

QString ErrLog(test::TempHome& th) {
    return QString::fromUtf8(th.Read("log_err/R.log"));
}

}  // namespace

TEST(LinkText, NormalisesTitlesAndPageUrl) {
    EXPECT_EQ(GetNonDlmtrHtml(QStringLiteral("a\r\n\tb    c  d")), QStringLiteral("a b c d"));
    // A "|" is page text, not a delimiter.
    EXPECT_EQ(GetNonDlmtrHtml(QStringLiteral("News | Site\n")), QStringLiteral("News | Site "));
    EXPECT_EQ(GetPTtl(QStringLiteral("<TITLE lang=ja>Top  page</Title><title>2</title>")),
              QStringLiteral("Top  page"));
    EXPECT_EQ(GetPTtl(QStringLiteral("<title></title>")), QString());
    EXPECT_EQ(GetPUrl(QStringLiteral("x<!--KorviPUrl=\"http://h/a.html\"-->y")),
              QStringLiteral("http://h/a.html"));
    EXPECT_EQ(GetPUrl(QStringLiteral("<!--korvipurl=\"http://h/\"-->")), QString());

    const QString t = QStringLiteral("<p><a href=\"x\"><b>Bold</b> text </a> <img src=\"i\">");
    EXPECT_EQ(GetTitle(t.indexOf(QLatin1String("href")), t), QStringLiteral("Bold text"));
    EXPECT_EQ(GetTitle(t.indexOf(QLatin1String("src")), t), QStringLiteral("not link"));
    EXPECT_EQ(GetTitle(0, t), QStringLiteral("not link"));
    const QString open = QStringLiteral("<a href=\"x\">never closed");
    EXPECT_EQ(GetTitle(3, open), QString());
}

TEST(LinkUrl, CleansAndResolvesUrls) {
    EXPECT_EQ(ChngUrl(QStringLiteral("http://h/a.html#top"), false),
              QStringLiteral("http://h/a.html"));
    EXPECT_EQ(ChngUrl(QStringLiteral("http://h/a.html#top"), true),
              QStringLiteral("http://h/a.html#top"));
    EXPECT_EQ(ChngUrl(QStringLiteral("#top"), false), QStringLiteral("#top"));
    EXPECT_EQ(ChngUrl(QStringLiteral("http://h/%7Eu/a%20b?x=1&amp;y=&lt;&gt;&nbsp;"), false),
              QStringLiteral("http://h/~u/a b?x=1&y=<> "));
    // "&lt;" goes before "&amp;", so an escaped entity stays one level escaped.
    EXPECT_EQ(ChngUrl(QStringLiteral("a&amp;lt;b"), false), QStringLiteral("a&lt;b"));

    const QUrl base(QStringLiteral("http://h.example/dir/page.html?q=1"));
    EXPECT_EQ(GetAbsltUrl(QStringLiteral("../up/x.html"), base),
              QStringLiteral("http://h.example/up/x.html"));
    EXPECT_EQ(GetAbsltUrl(QStringLiteral("y.html"), base),
              QStringLiteral("http://h.example/dir/y.html"));
    EXPECT_EQ(GetAbsltUrl(QStringLiteral("/root"), base), QStringLiteral("http://h.example/root"));
    EXPECT_EQ(GetAbsltUrl(QStringLiteral("?p=2"), base),
              QStringLiteral("http://h.example/dir/page.html?p=2"));
    EXPECT_EQ(GetAbsltUrl(QStringLiteral("//other/z"), base), QStringLiteral("http://other/z"));
    EXPECT_EQ(GetAbsltUrl(QStringLiteral("https://s/x"), base), QStringLiteral("https://s/x"));
    // "http://" links are taken exactly as written.
    EXPECT_EQ(GetAbsltUrl(QStringLiteral("http://H/a b/../c"), base),
              QStringLiteral("http://H/a b/../c"));
    EXPECT_EQ(GetAbsltUrl(QStringLiteral("javascript:void(0)"), base), QString());
    EXPECT_EQ(GetAbsltUrl(QStringLiteral("http.client.html"), base),
              QStringLiteral("http://h.example/dir/http.client.html"));
    // Absolute means a scheme and ":", not a name beginning with "http".
    for (const char* yes : {"http://h/", "HTTPS://h", "file:///x", "a+b-c.d:x", "mailto:x"})
        EXPECT_TRUE(HasUrlScheme(QString::fromLatin1(yes))) << yes;
    for (const char* no :
         {"http.client.html", "httpd/conf.html", "", ":x", "1a:b", "/a:b", "a b:c"})
        EXPECT_FALSE(HasUrlScheme(QString::fromLatin1(no))) << no;
    EXPECT_EQ(GetAbsltUrl(QStringLiteral("x.html"), QUrl()), QString());

    const BasePrefixes p = SplitBaseUrl(QStringLiteral("http://h/d/e/f.html?a=/b/c"));
    EXPECT_EQ(p.root, QStringLiteral("http://h/"));
    EXPECT_EQ(p.dir, QStringLiteral("http://h/d/e/"));
    EXPECT_TRUE(SplitBaseUrl(QStringLiteral("no scheme/x")).root.isEmpty());
    EXPECT_EQ(UrlScope(QStringLiteral("http://other/"), p), 0);
    EXPECT_EQ(UrlScope(QStringLiteral("http://h/d/x"), p), 1);
    EXPECT_EQ(UrlScope(QStringLiteral("http://h/d/e/x/y"), p), 2);
    EXPECT_EQ(UrlScope(QStringLiteral("http://h/d/e/"), BasePrefixes{}), 0);
}

TEST(LinkUrl, BaseUrlAndEncoding) {
    QStringList log;
    const ErrSink sink = [&](const QString& m) { log.append(m); };
    EXPECT_EQ(
        GetBaseUrl(QStringLiteral("<base href=\"http://b/x/\">"), QStringLiteral("http://p/")),
        QUrl(QStringLiteral("http://b/x/")));
    EXPECT_EQ(GetBaseUrl(QStringLiteral("<BASE TARGET=_top HREF=sub/>"),
                         QStringLiteral("http://p/a/i.html")),
              QUrl(QStringLiteral("http://p/a/sub/")));
    EXPECT_EQ(GetBaseUrl(QStringLiteral("<p>"), QStringLiteral("http://p/a")),
              QUrl(QStringLiteral("http://p/a")));
    EXPECT_FALSE(GetBaseUrl(QStringLiteral("<p>"), QString(), sink).isValid());
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log.at(0).startsWith(QStringLiteral("S_Thrd Get Base Url Error : ")));

    // 日本 in Shift_JIS is 93 FA 96 7B.
    EXPECT_EQ(EncJ(QStringLiteral("http://s/q?w=日本&n=a b*c&flag#frag")),
              QStringLiteral("http://s/q?w=%93%FA%96%7B&n=a+b*c&flag#frag"));
    EXPECT_EQ(EncJ(QStringLiteral("http://s/plain")), QStringLiteral("http://s/plain"));
    EXPECT_EQ(EncJ(QStringLiteral("http://s/?a=%41")), QStringLiteral("http://s/?a=%2541"));
}

TEST(LinkUrl, ResolverAgreesWithTheFullResolution) {
    const QStringList bases = {"http://h/",
                               "http://H.Example:8080/a/b.html?q=1#f",
                               "https://h/a/./b/../c/",
                               "http://h",
                               "http://u:p@h/%7Ex/y%20z/page",
                               "http://[::1]:81/dir/",
                               "http://h/a/..",
                               "ftp://h/pub/file",
                               "javascript:void(0)",
                               "file:///tmp/a/b.html",
                               "http://h/日本/ページ.html",
                               "relative/base"};
    const QStringList links = {
        "x.html", "a/b/c.html", "./x",  "../x",  "a/../x", "a/./x", "..",        ".",        "a//b",
        "-_~.x",  ".hidden",    "x..y", "/root", "//h2/x", "/",     "/p/7.html", "/a/../b",  "/./x",
        "/x?q",   "x?q",        "x#f",  "x y",   "%41",    "日本",  "",          "http://z/"};
    for (const QString& b : bases) {
        const QUrl base(b);
        const LinkResolver resolver(base);
        for (const QString& link : links) {
            EXPECT_EQ(resolver.Resolve(link), GetAbsltUrl(link, base))
                << qPrintable(b + " + " + link);
        }
    }
}

TEST(LinkExtract, PageAndObjectPasses) {
    test::TempHome th;
    const QString html = QStringLiteral(
        "<html><head><title>T</title><BASE HREF=\"http://base.example/d/\">\n"
        "<link rel=stylesheet HREF=\"s.css\"><style>body{background:url(bg.png)}</style></head>\n"
        "<body BACKGROUND='wall.gif'><A HREF=\"rel.html#sec\">Relative <i>one</i></A>\n"
        "<a href=mailto:me@example.com>mail</a> <a href=\"MAILTO:x@y\">m2</a>\n"
        "<a href='/abs.cgi?a=1&amp;b=2'>amp</a> <a href=\"#only\">frag</a>\n"
        "<a href=\"javascript:go()\">js</a> <img src=\"pic/a.jpg\" alt=\"A pic\">\n"
        "<meta http-equiv=refresh content=\"0; URL=next.html\">\n"
        "<a href=\"http://other.example/x.zip\">zip</a><applet archive=\"app.jar\"></applet>\n"
        "<input onclick=\"window.open('pop.html')\">\n</body></html>");
    LinkExtract ex(th.Ctrl(), LinkOptions{QStringLiteral("http://page.example/p/index.html")});
    ASSERT_TRUE(ex.GetUrlList(1, html));
    EXPECT_EQ(ex.BaseUrl(), QUrl(QStringLiteral("http://base.example/d/")));
    EXPECT_FALSE(ex.NormText().contains(QLatin1String("<BASE")));
    EXPECT_EQ(ex.ObjLinks().url, QStringList({QStringLiteral("http://base.example/d/s.css"),
                                              QStringLiteral("http://base.example/d/wall.gif"),
                                              QStringLiteral("http://base.example/d/pic/a.jpg"),
                                              QStringLiteral("http://base.example/d/app.jar")}));
    EXPECT_EQ(ex.ObjLinks().ext, QStringList({QStringLiteral("css"), QStringLiteral("gif"),
                                              QStringLiteral("jpg"), QStringLiteral("jar")}));

    ASSERT_TRUE(ex.GetUrlList(0, html));
    const LinkList& pl = ex.PageLinks();
    EXPECT_EQ(pl.url, QStringList({QStringLiteral("http://base.example/d/s.css"),
                                   QStringLiteral("http://base.example/d/bg.png"),
                                   QStringLiteral("http://base.example/d/rel.html"),
                                   QStringLiteral("http://base.example/abs.cgi?a=1&b=2"),
                                   QStringLiteral("http://base.example/d/"),
                                   QStringLiteral("http://base.example/d/next.html"),
                                   QStringLiteral("http://other.example/x.zip"),
                                   QStringLiteral("http://base.example/d/pop.html")}));
    ASSERT_EQ(pl.title.size(), pl.url.size());
    EXPECT_EQ(pl.title.at(1), QStringLiteral("not link"));
    EXPECT_EQ(pl.title.at(2), QStringLiteral("Relative one"));
    EXPECT_EQ(pl.title.at(3), QStringLiteral("amp"));
    EXPECT_EQ(pl.title.at(6), QStringLiteral("zip"));
    EXPECT_EQ(pl.ext.at(3), QStringLiteral("cgi"));
    EXPECT_EQ(pl.ext.at(4), QStringLiteral("-"));

    ASSERT_TRUE(ex.GetImgList());
    EXPECT_EQ(ex.ImgUrls(), QStringList{QStringLiteral("http://base.example/d/pic/a.jpg")});
    EXPECT_EQ(ex.ImgAlts(), QStringList{QStringLiteral("A")});
}

TEST(LinkExtract, OptionsFiltersAndFailures) {
    test::TempHome th;
    const QString html = QStringLiteral(
        "<a href=\"a.html#x\">a</a><a href=\"b.jpg\">b</a><IMG SRC=\"my%20pic.png\" ALT=\"alt\">");
    LinkOptions opt{QStringLiteral("http://h/")};
    opt.restSharp = true;
    QStringList asked;
    opt.accept = [&](const QString& url, const QString& ext) {
        asked.append(url);
        return ext != QLatin1String("jpg");
    };
    LinkExtract ex(th.Ctrl(), opt);
    ASSERT_TRUE(ex.GetUrlList(0, html));
    EXPECT_EQ(ex.PageLinks().url, QStringList{QStringLiteral("http://h/a.html#x")});
    EXPECT_EQ(asked.size(), 2);
    ASSERT_TRUE(ex.GetImgList());
    EXPECT_EQ(ex.ImgUrls(), QStringList{QStringLiteral("http://h/my%20pic.png")});

    opt.fromLocalHtml = true;
    LinkExtract local(th.Ctrl(), opt);
    ASSERT_TRUE(local.GetUrlList(0, html));
    EXPECT_EQ(local.PageLinks().size(), 2);

    // No page URL and no BASE: the pass fails and is logged once.
    LinkExtract none(th.Ctrl(), LinkOptions{});
    EXPECT_FALSE(none.GetUrlList(0, html));
    EXPECT_FALSE(none.GetImgList());
    EXPECT_TRUE(ErrLog(th).contains(QStringLiteral("S_Thrd Get Base Url Error : ")));
}

TEST(LinkExtract, BrokenMarkupNeverFails) {
    test::TempHome th;
    const QStringList odd = {
        QString(),
        QStringLiteral("href="),
        QStringLiteral("<a href=\"x"),
        QStringLiteral("<a <a <a href=y>>>> </a"),
        QStringLiteral("SRC=\"\" href='' url() ; URL= OPEN("),
        QStringLiteral("<a href=\"http://[::1/\">v6</a><a href=\"http://h:99999/\">p</a>"),
        QStringLiteral("<a href=%zz%>bad escape</a><a href=\"\\\\share\\x\">unc</a>"),
        QStringLiteral("<base href=\"::\"><a href=r>r</a>"),
    };
    for (const QString& text : odd) {
        LinkExtract ex(th.Ctrl(), LinkOptions{QStringLiteral("http://h/d/")});
        ex.GetUrlList(1, text);
        ex.GetUrlList(0, text);
        ex.GetImgList();
        for (const QString& u : ex.PageLinks().url) EXPECT_FALSE(u.isEmpty()) << qPrintable(text);
        EXPECT_EQ(ex.PageLinks().title.size(), ex.PageLinks().url.size());
    }
    // Lone surrogates (a broken UTF-16 page) neither hide the links nor
    // reach the patterns, which no longer check their text.
    const QChar hi(0xD83D), lo(0xDE00);
    const QString broken = QStringLiteral("<title>T") + lo + QStringLiteral("</title>") + hi +
                           QStringLiteral("<a href=\"a.html\">A</a>") + hi + lo +
                           QStringLiteral(" <a href=b.html>B") + hi + QStringLiteral("</a>") + hi;
    LinkExtract ex(th.Ctrl(), LinkOptions{QStringLiteral("http://h/d/")});
    ASSERT_TRUE(ex.GetUrlList(0, broken));
    EXPECT_EQ(ex.PageLinks().url, QStringList({QStringLiteral("http://h/d/a.html"),
                                               QStringLiteral("http://h/d/b.html")}));
    EXPECT_EQ(GetPTtl(ex.NormText(), true),
              QStringLiteral("T") + QChar(QChar::ReplacementCharacter));
    EXPECT_EQ(ex.NormText().count(QChar(QChar::ReplacementCharacter)), 4);

    // Random text made of markup characters and surrogate halves.
    QRandomGenerator rng(7);
    const QString alphabet = QStringLiteral("<>aA hrefHREF=\"'/#:.?&;()srcSRC</a>\n\t") + hi + lo;
    for (int round = 0; round < 200; ++round) {
        QString text;
        const int n = rng.bounded(400);
        for (int i = 0; i < n; ++i) text += alphabet.at(rng.bounded(int(alphabet.size())));
        LinkExtract ex(th.Ctrl(), LinkOptions{QStringLiteral("http://h/")});
        ex.GetUrlList(1, text);
        ex.GetUrlList(0, text);
        ex.GetImgList();
        EXPECT_EQ(ex.ObjLinks().ext.size(), ex.ObjLinks().url.size());
    }
}

TEST(LinkExtract, StoredPageToListFile) {
    test::TempHome th;
    const QString page = QStringLiteral(
        "<html><head><title>\n Stored\tpage </title></head><body>"
        "<!--KorviPUrl=\"http://orig.example/a/b.html\"-->"
        "<a href=\"c.html\">C</a><a href=\"http://x.example/\">X</a></body></html>");
    const QString text = GetUrlListFromHtml(th.Ctrl(), page, th.File(QStringLiteral("p.html")));
    const ListFileData d = ReadListFile(Assist(text));
    EXPECT_EQ(d.pUrl, QStringLiteral("http://orig.example/a/b.html"));
    EXPECT_EQ(d.pTitle, QStringLiteral("Stored page"));
    EXPECT_EQ(d.links.url, QStringList({QStringLiteral("http://orig.example/a/c.html"),
                                        QStringLiteral("http://x.example/")}));
    EXPECT_EQ(d.links.title, QStringList({QStringLiteral("C"), QStringLiteral("X")}));

    // Without the comment the links resolve against the file itself.
    const QString plain =
        GetUrlListFromHtml(th.Ctrl(), QStringLiteral("<a href=\"sub/d.html\">D</a>"),
                           th.File(QStringLiteral("p.html")));
    const ListFileData f = ReadListFile(Assist(plain));
    ASSERT_EQ(f.links.size(), 1);
    EXPECT_EQ(f.links.url.at(0),
              QUrl::fromLocalFile(th.File(QStringLiteral("sub/d.html"))).toString());
}

// The hand-written scans must agree with the patterns they stand in for.
TEST(LinkText, FastScansAgreeWithPatterns) {
    QRandomGenerator rng(11);
    // Controls, non-blank units and the bounds of the surrogate range.
    const QString alphabet =
        QStringLiteral("ab <>/aA \n\r\t|>!\x1f\x0b日\u00a0\u3000\ud7ff\ue000\uffff");
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int n = rng.bounded(60);
        for (int i = 0; i < n; ++i) text += alphabet.at(rng.bounded(int(alphabet.size())));
        EXPECT_EQ(GetNonDlmtrHtml(text), GetNonDlmtrHtmlByPattern(text));
        QString byPattern = text;
        byPattern.replace(AnyTagPattern(), QString());
        EXPECT_EQ(RemoveTags(text), byPattern);
        const qsizetype from = rng.bounded(n + 1);
        const QRegularExpressionMatch m = EndAnchorPattern().match(text, from);
        EXPECT_EQ(FindEndAnchor(text, from), m.hasMatch() ? m.capturedStart() : -1);
    }
}

// Workers extract on their own threads with the shared patterns.
TEST(LinkExtract, ConcurrentExtractorsAgree) {
    test::TempHome th;
    QString page;
    for (int i = 0; i < 300; ++i) {
        page += QStringLiteral("<a href=\"p%1.html\">t%1</a><img src=\"i%1.png\" alt=\"a%1\">\n")
                    .arg(i);
    }
    auto extract = [&] {
        LinkExtract ex(th.Ctrl(), LinkOptions(QStringLiteral("http://h/d/")));
        ex.GetUrlList(1, page);
        ex.GetUrlList(0, page);
        ex.GetImgList();
        return ex.PageLinks().url + ex.PageLinks().title + ex.ObjLinks().url + ex.ImgAlts();
    };
    const QStringList expected = extract();
    ASSERT_EQ(expected.size(), 4 * 300);
    std::vector<QStringList> got(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < got.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < 5; ++k) got[t] = extract();
        });
    }
    for (std::thread& t : threads) t.join();
    for (const QStringList& g : got) EXPECT_EQ(g, expected);
}

TEST(LinkExtract, SecondPassReusesTextUntilReset) {
    test::TempHome th;
    LinkExtract ex(th.Ctrl(), LinkOptions(QStringLiteral("http://h/")));
    ASSERT_TRUE(ex.GetUrlList(1, QStringLiteral("<a href=\"first.html\">1</a>")));
    ASSERT_TRUE(ex.GetUrlList(0, QStringLiteral("<a href=\"second.html\">2</a>")));
    EXPECT_EQ(ex.PageLinks().url, QStringList{QStringLiteral("http://h/first.html")});
    ex.ResetText();
    ASSERT_TRUE(ex.GetUrlList(0, QStringLiteral("<a href=\"second.html\">2</a>")));
    EXPECT_EQ(ex.PageLinks().url, QStringList{QStringLiteral("http://h/second.html")});
}

// Bare forms (script calls, CSS urls) match only where a link can stand, and
// no form reaches across tags into page text.
TEST(LinkExtract, BareFormsStayInsideTagsAndScripts) {
    test::TempHome th;
    const QString html = QStringLiteral(
        "<html><head><link rel=\"search\" type=\"application/opensearchdescription+xml\" "
        "title=\"Search\" href=\"osd.xml\">\n"
        "<script>var w = window.open('pop.html'); MM_openBrWindow(\"br.html\",'n');\n"
        "open(window.location); if (a<b) location.href=\"js.html\";</script></head>\n"
        "<body><p>Words you can see (with care) and <a href=\"a.html\">A</a>.</p>\n"
        "<pre>f = open('notes.txt') url(plain.css) geturl(x) href=text.html</pre>\n"
        "<code>&lt;a href=&quot;esc.html&quot;&gt;</code> <a href=\"b.html\">B (2)</a>\n"
        "<span onclick=\"openWin('attr.html')\">x</span> <a href=x<y>bad</a>\n"
        "<p>open the door (now) <span>%3C</span> url(<span>)</span></p></body></html>");
    LinkExtract ex(th.Ctrl(), LinkOptions{QStringLiteral("http://h/d/i.html")});
    ASSERT_TRUE(ex.GetUrlList(0, html));
    EXPECT_EQ(
        ex.PageLinks().url,
        QStringList({QStringLiteral("http://h/d/osd.xml"), QStringLiteral("http://h/d/pop.html"),
                     QStringLiteral("http://h/d/br.html"), QStringLiteral("http://h/d/js.html"),
                     QStringLiteral("http://h/d/a.html"), QStringLiteral("http://h/d/b.html"),
                     QStringLiteral("http://h/d/attr.html")}));

    // Object forms: attributes only, and "<link" never reaches past its tag.
    const QString obj = QStringLiteral(
        "<link rel=icon><p>text href=\"no.css\" src=no.png</p><img src=\"ok.png\">"
        "<link rel=\"stylesheet\" href=\"s.css\"><script>img.src=\"js.png\"</script>");
    LinkExtract ox(th.Ctrl(), LinkOptions{QStringLiteral("http://h/")});
    ASSERT_TRUE(ox.GetUrlList(1, obj));
    EXPECT_EQ(ox.ObjLinks().url,
              QStringList({QStringLiteral("http://h/ok.png"), QStringLiteral("http://h/s.css"),
                           QStringLiteral("http://h/js.png")}));
}

// Quoted CSS urls and imports are followed like unquoted ones, in style
// sheets, style elements and style attributes.
TEST(LinkExtract, QuotedCssUrlsAndImports) {
    test::TempHome th;
    const QString css = QStringLiteral(
        "@import \"c.css\";\n@import 'd.css' screen;\n@import url(\"e.css\");\n"
        "body { background: url(\"a.png\") } .x { background:url( 'b.png' ) }\n"
        ".y { background:url(plain.png) } .z { background:url(data:image/png;base64,AAA=) }");
    LinkExtract sheet(th.Ctrl(), LinkOptions{QStringLiteral("http://h/s/theme.css?v=2")});
    ASSERT_TRUE(sheet.GetUrlList(0, css));
    EXPECT_EQ(
        sheet.PageLinks().url,
        QStringList({QStringLiteral("http://h/s/c.css"), QStringLiteral("http://h/s/d.css"),
                     QStringLiteral("http://h/s/e.css"), QStringLiteral("http://h/s/a.png"),
                     QStringLiteral("http://h/s/b.png"), QStringLiteral("http://h/s/plain.png")}));

    const QString html = QStringLiteral(
        "<style>@import \"in.css\"; h1 { background: url('h.png') }</style>"
        "<div style=\"background-image:url('div.png')\">x</div>"
        "<p style='background:url(\"p.png\")'>@import \"text.css\";</p>");
    LinkExtract page(th.Ctrl(), LinkOptions{QStringLiteral("http://h/")});
    ASSERT_TRUE(page.GetUrlList(0, html));
    EXPECT_EQ(page.PageLinks().url,
              QStringList({QStringLiteral("http://h/in.css"), QStringLiteral("http://h/h.png"),
                           QStringLiteral("http://h/div.png"), QStringLiteral("http://h/p.png")}));
}

// Pages fetched from the web never lead to local files; local pages may.
TEST(LinkExtract, WebPagesNeverLinkToLocalFiles) {
    test::TempHome th;
    const QString html = QStringLiteral(
        "<a href=\"file:///etc/passwd\">p</a><img src=\"FILE:///etc/hosts\">"
        "<a href=\"ok.html\">ok</a>");
    for (const QString& page :
         {QStringLiteral("http://h/"), QStringLiteral("https://h/"), QStringLiteral("ftp://h/")}) {
        LinkExtract ex(th.Ctrl(), LinkOptions{page});
        ASSERT_TRUE(ex.GetUrlList(1, html));
        ASSERT_TRUE(ex.GetUrlList(0, html));
        EXPECT_EQ(ex.PageLinks().url, QStringList{page + QStringLiteral("ok.html")});
        EXPECT_TRUE(ex.ObjLinks().empty());
    }
    // A BASE tag cannot turn a relative link of a web page into a local one.
    LinkExtract based(th.Ctrl(), LinkOptions{QStringLiteral("http://h/")});
    ASSERT_TRUE(based.GetUrlList(
        0, QStringLiteral("<base href=\"file:///etc/\"><a href=\"passwd\">p</a>")));
    EXPECT_TRUE(based.PageLinks().empty());

    // A local page keeps its local links.
    const QString local = QUrl::fromLocalFile(th.File(QStringLiteral("a.html"))).toString();
    LinkExtract lx(th.Ctrl(), LinkOptions{local});
    ASSERT_TRUE(lx.GetUrlList(0, QStringLiteral("<a href=\"b.html\">b</a>")));
    EXPECT_EQ(lx.PageLinks().url,
              QStringList{QUrl::fromLocalFile(th.File(QStringLiteral("b.html"))).toString()});

    // A stored copy of a web page lists its links against the web URL.
    const QString stored = GetUrlListFromHtml(
        th.Ctrl(),
        QStringLiteral("<!--KorviPUrl=\"http://h/a.html\"--><a href=\"file:///etc/passwd\">p</a>"
                       "<a href=\"c.html\">c</a>"),
        th.File(QStringLiteral("p.html")));
    EXPECT_EQ(ReadListFile(Assist(stored)).links.url,
              QStringList{QStringLiteral("http://h/c.html")});
}

// Quoted links run to their closing quote (blanks and "<" included); scripts
// give only quoted strings that read like URLs; the document kind, told by
// its Content-Type before its extension, decides which forms apply.
TEST(LinkExtract, QuotedLinksAndDocumentKinds) {
    test::TempHome th;
    const QString page = QStringLiteral(
        "<html><body><a href=\"v/d e.html\">S</a> <a href=\"v/a.html#x:<L>_y\">G</a> "
        "<a href=' sp.html '>T</a><img src=\"i.png\" alt=\"i\"><script>a.href=window.location; "
        "c.href=\"not a url\"; d.href='w.page'; window.open('w.html');</script></body></html>");
    const struct {
        LinkSource source;
        QString text;
        QStringList want;
    } cases[] = {
        {LinkSource::kPage,
         page,
         {"http://h/v/d e.html", "http://h/v/a.html", "http://h/sp.html", "http://h/w.html"}},
        {LinkSource::kNone, page, {}},
        {LinkSource::kStyle,
         "b { background: url('c d.png') } x { href=\"no.html\" }",
         {"http://h/c d.png"}},
        {LinkSource::kScript,
         "x.href=location.href; y.src=\"s/y.js\"; open('w.html'); open(z)",
         {"http://h/w.html", "http://h/s/y.js"}},
    };
    for (const auto& c : cases) {
        LinkOptions opt(QStringLiteral("http://h/i.html"));
        opt.source = c.source;
        LinkExtract ex(th.Ctrl(), opt);
        ASSERT_TRUE(ex.GetUrlList(0, c.text) && ex.GetUrlList(1, c.text) && ex.GetImgList());
        EXPECT_EQ(ex.PageLinks().url + ex.ObjLinks().url + ex.ImgUrls(),
                  c.want + (c.source == LinkSource::kPage
                                ? QStringList{"http://h/i.png", "http://h/i.png"}  // SRC, image
                                : QStringList()))
            << c.text.toStdString();
    }
    EXPECT_EQ(LinkSourceOf("text/html; charset=utf-8", "php"), LinkSource::kPage);
    EXPECT_EQ(LinkSourceOf("text/plain", "html"), LinkSource::kNone);
    EXPECT_EQ(LinkSourceOf("TEXT/CSS", "-"), LinkSource::kStyle);
    EXPECT_EQ(LinkSourceOf("", "js"), LinkSource::kScript);
    EXPECT_EQ(LinkSourceOf("", "md"), LinkSource::kNone);
    EXPECT_EQ(LinkSourceOf("", "-"), LinkSource::kAuto);
}
