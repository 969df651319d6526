#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>

#include <memory>
#include <thread>

#include "HttpTestClient.h"
#include "fixtures/TempHome.h"
#include "index/StoreIndex.h"
#include "server/HttpSrvr.h"
#include "server/ServerDocs.h"

using namespace korvi;
using namespace korvi::test;

namespace {

const QString kFolder = QStringLiteral("日本語 フォルダ");
const QString kMemo = QStringLiteral("メモ 100%.txt");
const QString kHash = QStringLiteral("a#b.html");

QByteArray Enc(const QString& s) {
    return QUrl::toPercentEncoding(s);
}

// A store with awkward names and a server on the real template engine.
class ServerDocsTest : public ::testing::Test {
protected:
    void SetUp() override {
        home.Write("server/opt.ini",
                   "[HttpServer]\nuse=1\nport=0\nq_reload_sec=1\naccess=0\nbind=127.0.0.1\n");
        home.Write("log/" + kFolder + "/" + kMemo, "東京タワーの話\n");
        home.Write("log/" + kFolder + "/" + kHash, "<html><body>東京 と 大阪</body></html>\n");
        home.Write("log/top.txt", "関係のない文\n");
        home.Write("log/<b>x/inner.txt", "東京\n");
        home.Write("log/prog.cgi", "#!/bin/sh\necho text\n");
        home.Write("log/bin.cgi", QByteArray("\x00\x01\x02\x03\xff\xfe\x00\x00", 8));
        server = std::make_unique<HttpSrvr>(home.Ctx());
        ServerDocs::Wire(*server, home.Ctrl(), home.Ctx().Match());
        server->SetTimeouts(2000);
        ASSERT_EQ(server->Start(), HttpSrvr::kRunning);
        port = server->Port();
    }

    QString Page(const QByteArray& path) { return QString::fromUtf8(Split(Get(port, path)).body); }

    // Sends a search and follows the reload address until the result is in.
    QString Search(const QByteArray& folderPath, const QByteArray& query) {
        const QString wait = Page(folderPath + "Korvi?act=log_srch&" + query);
        const QRegularExpression re(QStringLiteral("url=(Korvi\\?act=res&id=[^\"]+)\""));
        const auto m = re.match(wait);
        EXPECT_TRUE(m.hasMatch()) << wait.toStdString();
        if (!m.hasMatch()) return QString();
        EXPECT_TRUE(wait.contains("Wait..."));
        const QByteArray res = folderPath + m.captured(1).toUtf8();
        QElapsedTimer t;
        t.start();
        QString page;
        do {
            page = Page(res);
            if (!page.contains("Wait...")) return page;
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        } while (t.elapsed() < 10000);
        ADD_FAILURE() << "no result page";
        return page;
    }

    TempHome home;
    std::unique_ptr<HttpSrvr> server;
    int port = -1;
};

}  // namespace

TEST_F(ServerDocsTest, DirectoryPagesRenderThroughTheTemplateAndLinksLeadOn) {
    const Reply root = Split(Get(port, "/"));
    EXPECT_EQ(root.status(), "HTTP/1.0 200 OK");
    EXPECT_TRUE(root.head.contains("Content-Type: text/html; charset=UTF-8"));
    const QString page = QString::fromUtf8(root.body);
    EXPECT_TRUE(page.contains("<TITLE>Korvi - Directory : /</TITLE>")) << page.toStdString();
    // Folders first, by name; a folder links to itself and to its listing.
    const QByteArray folderHref = Enc(kFolder) + "/";
    EXPECT_TRUE(page.contains("HREF=\"" + folderHref + "\">" + kFolder + "/</A>"));
    EXPECT_TRUE(page.contains("HREF=\"" + folderHref + "Korvi?act=dir\">[一覧]"));
    EXPECT_LT(page.indexOf(kFolder), page.indexOf("top.txt"));
    // Names are escaped where they are text, encoded where they are links.
    EXPECT_TRUE(page.contains(">&lt;b&gt;x/</A>"));
    EXPECT_FALSE(page.contains("<b>x"));
    EXPECT_TRUE(page.contains("（6 件）")) << page.toStdString();

    // Following the listing link of the folder.
    const QString sub = Page("/" + folderHref + "Korvi?act=dir");
    EXPECT_TRUE(sub.contains("<TITLE>Korvi - Directory : /" + kFolder + "</TITLE>"))
        << sub.toStdString();
    EXPECT_TRUE(sub.contains("HREF=\"" + Enc(kMemo) + "\">" + kMemo + "</A>"));
    EXPECT_TRUE(sub.contains("HREF=\"a%23b.html\">a#b.html</A>"));
    EXPECT_TRUE(sub.contains("（2 件）"));
    EXPECT_FALSE(sub.contains(home.Path()));

    // The file links fetch the stored bytes.
    EXPECT_EQ(Split(Get(port, "/" + folderHref + Enc(kMemo))).body,
              home.Read("log/" + kFolder + "/" + kMemo));
    EXPECT_EQ(Split(Get(port, "/" + folderHref + "a%23b.html")).body,
              home.Read("log/" + kFolder + "/" + kHash));
    // A folder title is escaped as well.
    const QString odd = Page("/" + Enc("<b>x") + "/Korvi?act=dir");
    EXPECT_TRUE(odd.contains("Directory : /&lt;b&gt;x</TITLE>")) << odd.toStdString();
}

TEST_F(ServerDocsTest, SearchResultsArriveThroughTheReloadAddress) {
    const QString page =
        Search("/", "srch_word=" + Enc("東京") + "&flt_r=all&sz_r=all&srch_type=srch");
    EXPECT_TRUE(page.contains("<TITLE>Korvi - Search</TITLE>")) << page.toStdString();
    EXPECT_TRUE(page.contains("「東京」の検索結果 ： 3 件")) << page.toStdString();
    // Addresses from the server root, paths relative to it, no home path.
    EXPECT_TRUE(page.contains("HREF=\"/" + Enc(kFolder) + "/" + Enc(kMemo) + "\">" + kMemo));
    EXPECT_TRUE(page.contains("HREF=\"/" + Enc(kFolder) + "/a%23b.html\">a#b.html"));
    EXPECT_TRUE(page.contains("<SPAN CLASS=\"path\">" + kFolder + "</SPAN>"));
    EXPECT_TRUE(page.contains("HREF=\"/%3Cb%3Ex/inner.txt\">inner.txt"));
    EXPECT_FALSE(page.contains("top.txt"));
    EXPECT_FALSE(page.contains(home.Path()));
    EXPECT_FALSE(page.contains(QDir(home.Path()).canonicalPath()));
    // The address a result links to serves the file.
    EXPECT_EQ(Split(Get(port, "/" + Enc(kFolder) + "/a%23b.html")).body,
              home.Read("log/" + kFolder + "/" + kHash));

    // Searching a sub-folder walks only that folder.
    const QString sub =
        Search("/" + Enc(kFolder) + "/", "srch_word=" + Enc("大阪") + "&srch_type=srch");
    EXPECT_TRUE(sub.contains("「大阪」の検索結果 ： 1 件")) << sub.toStdString();
    EXPECT_TRUE(sub.contains(">a#b.html</A>"));
}

TEST_F(ServerDocsTest, ExtractionFiltersAndEchoedWordsAreSafe) {
    // An extraction ignores the words and keeps the listed extensions only.
    const QString ext = Search(
        "/", "srch_word=" + Enc("東京") + "&flt_r=in&flt_txt=%2Ctxt%2C&sz_r=all&srch_type=extrct");
    EXPECT_TRUE(ext.contains("の検索結果 ： 3 件")) << ext.toStdString();
    EXPECT_TRUE(ext.contains(">top.txt</A>"));
    EXPECT_FALSE(ext.contains(">a#b.html</A>"));
    EXPECT_FALSE(ext.contains(">prog.cgi</A>"));

    // Excluding an extension.
    const QString out = Search("/", "srch_word=" + Enc("東京") + "&flt_r=out&flt_txt=%2Chtml%2C");
    EXPECT_TRUE(out.contains("「東京」の検索結果 ： 2 件")) << out.toStdString();
    EXPECT_FALSE(out.contains(">a#b.html</A>"));

    // A search word is shown as text, never as markup.
    const QString xss = Search("/", "srch_word=%3Cscript%3Ealert(1)%3C%2Fscript%3E");
    EXPECT_TRUE(xss.contains("「&lt;script&gt;alert(1)&lt;/script&gt;」")) << xss.toStdString();
    EXPECT_FALSE(xss.contains("<script>"));
    EXPECT_TRUE(xss.contains("： 0 件"));
}

TEST_F(ServerDocsTest, ConditionalTypesProbeTheFileText) {
    const Reply text = Split(Get(port, "/prog.cgi", "HEAD"));
    EXPECT_TRUE(text.head.contains("Content-Type: text/html\r\n")) << text.head.toStdString();
    const Reply bin = Split(Get(port, "/bin.cgi", "HEAD"));
    EXPECT_TRUE(bin.head.contains("Content-Type: application/octet-stream\r\n"))
        << bin.head.toStdString();
}

TEST(ServerDocsTables, TablesFollowTheValuesAndRows) {
    HttpDocValues v;
    v.values.append({QString("^title"), QString("a<b")});
    v.values.append({QString("^foot_html"), QString("<a href=\"x\">y</a>")});
    v.lists.append({QString("^file_name1"), QStringList{"x", "y", "z"}});
    v.lists.append({QString("^serial_no"), QStringList{"0", "1"}});  // shorter list bounds the rows
    const QStringList params = ServerDocs::MkParams(v);
    EXPECT_EQ(params, QStringList({"^title", "a&lt;b", "^foot_html", "<a href=\"x\">y</a>"}));
    const DocTable dir = ServerDocs::MkDirTable(v);
    EXPECT_EQ(dir.header, QStringList({"^file_name1", "^serial_no"}));
    ASSERT_EQ(dir.rows.size(), 2u);
    EXPECT_EQ(dir.rows[1], QStringList({"y", "1"}));

    const DocTable s = ServerDocs::MkSrchTable({{"1", "ctx", "a b.txt", "日本/x", "12", "txt"},
                                                {"short"},
                                                {"2", "c", "r.txt", "", "0", "txt"}});
    ASSERT_EQ(s.rows.size(), 2u);
    const auto col = [&](const QString& name) { return s.header.indexOf(name); };
    EXPECT_EQ(s.rows[0][col("^href")], "/" + Enc("日本") + "/x/a%20b.txt");
    EXPECT_EQ(s.rows[0][col("^path")], "日本/x");
    EXPECT_EQ(s.rows[0][col("^size")], "12");
    EXPECT_EQ(s.rows[1][col("^href")], "/r.txt");
    EXPECT_EQ(s.rows[1][col("^no")], "2");
}

TEST_F(ServerDocsTest, SearchContextIsTheTextAReaderSees) {
    home.Write("log/stored/doc.html",
               "<html><body><p>Kanto &#187; and\nconcurrent "
               "<A HREF=\"b.html\">Kansai</A><FONT SIZE=1>(<A HREF=\"http://h/b.html\">@Web</A>)"
               "</FONT><FONT SIZE=1>(<A HREF=\"b.html\">@Local</A>)</FONT> end</p>"
               "<img alt=\"Kyushu\"></body></html>\n");
    const QString page = Search("/stored/", "srch_word=Kanto&srch_type=srch");
    EXPECT_TRUE(page.contains("「Kanto」の検索結果 ： 1 件")) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("Kanto \u00BB and concurrent Kansai end")))
        << page.toStdString();
    EXPECT_FALSE(page.contains("@Web"));
    EXPECT_FALSE(page.contains("@Local"));
    EXPECT_FALSE(page.contains("187"));
    // A word only inside a tag finds nothing.
    const QString none = Search("/stored/", "srch_word=Kyushu&srch_type=srch");
    EXPECT_TRUE(none.contains("「Kyushu」の検索結果 ： 0 件")) << none.toStdString();
}

// A search reads only what a plain GET may serve: a link out of the root is
// refused by both.
TEST_F(ServerDocsTest, SearchesDoNotFollowLinksOutOfTheRoot) {
    home.Write("secret.txt", "秘密の合言葉\n");
    ASSERT_TRUE(QFile::link(home.File("secret.txt"), home.File("log/leak.txt")));
    EXPECT_NE(Split(Get(port, "/leak.txt")).status(), "HTTP/1.0 200 OK");
    const QString page = Search("/", "srch_word=" + Enc("合言葉") + "&srch_type=srch");
    EXPECT_FALSE(page.contains("leak.txt")) << page.toStdString();
    EXPECT_FALSE(page.contains(QStringLiteral("秘密")));
}

// Result pages do not pile up: a new one clears those older than a day and
// all but the newest hundred.
TEST_F(ServerDocsTest, OldResultPagesAreRemoved) {
    const qint64 now = home.GetClock().NowMs();
    const auto put = [&](const QString& name, qint64 ms) {
        home.Write("server/tmp/" + name + ".html", "x");
        QFile f(home.File("server/tmp/" + name + ".html"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::fromMSecsSinceEpoch(ms), QFileDevice::FileModificationTime);
    };
    put("old", now - 2 * 24 * 3600 * 1000LL);
    for (int i = 0; i < 120; ++i) put("r" + QString::number(i), now - 3600 * 1000 + i * 1000);
    Search("/", "srch_word=" + Enc("東京") + "&srch_type=srch");
    const QStringList left = QDir(home.File("server/tmp")).entryList(QDir::Files);
    EXPECT_LE(left.size(), 101);
    EXPECT_FALSE(left.contains("old.html"));
    EXPECT_FALSE(left.contains("r0.html"));
    EXPECT_TRUE(left.contains("r119.html"));
}

// A search through the server keeps a bounded number of rows, however many
// files match.
TEST_F(ServerDocsTest, SearchResultsAreBounded) {
    for (int i = 0; i < ServerDocs::kSrchRowsMax + 20; ++i) {
        home.Write("log/many/f" + QString::number(i) + ".txt", "東京\n");
    }
    const QString page = Search("/many/", "srch_word=" + Enc("東京") + "&srch_type=srch");
    EXPECT_EQ(page.count(QStringLiteral(" KB</TD>")), ServerDocs::kSrchRowsMax);
}

// The server's search reads through the store's index: a file whose text
// changed behind the index's back (same size, same time) is ruled out unread,
// which only a search narrowed by the index does.
TEST_F(ServerDocsTest, SearchesReadThroughTheIndex) {
    home.Write("log/idx/held.txt", "大阪の話 です\n");
    home.Write("log/idx/hidden.txt", "神戸の話 です\n");
    for (const char* name : {"log/idx/held.txt", "log/idx/hidden.txt"}) {
        QFile f(home.File(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addDays(-1),
                                  QFileDevice::FileModificationTime));
    }
    StoreIndex& index = home.Ctx().Index();
    ASSERT_TRUE(index.Update(home.File(QStringLiteral("log"))).ok);
    {
        // 神戸 becomes 大阪 in place: the index's entry still holds.
        QFile f(home.File(QStringLiteral("log/idx/hidden.txt")));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const QDateTime before = f.fileTime(QFileDevice::FileModificationTime);
        ASSERT_EQ(f.write(QStringLiteral("大阪").toUtf8()), 6);
        ASSERT_TRUE(f.flush());
        ASSERT_TRUE(f.setFileTime(before, QFileDevice::FileModificationTime));
    }
    HttpSrvr indexed(home.Ctx());
    index.SetWatching(true);
    ServerDocs::Wire(indexed, home.Ctrl(), home.Ctx().Match(), &index);
    indexed.SetTimeouts(2000);
    ASSERT_EQ(indexed.Start(), HttpSrvr::kRunning);
    const int scanPort = port;
    port = indexed.Port();
    for (int round = 0; round < 2; ++round) {  // walked once, then watched
        const QString page = Search("/idx/", "srch_word=" + Enc("大阪") + "&srch_type=srch");
        EXPECT_TRUE(page.contains("held.txt")) << page.toStdString();
        EXPECT_FALSE(page.contains("hidden.txt")) << page.toStdString();
    }
    EXPECT_EQ(index.NarrowedCount(), 2);
    // The scan of the same folder reads both.
    port = scanPort;
    const QString scanned = Search("/idx/", "srch_word=" + Enc("大阪") + "&srch_type=srch");
    EXPECT_TRUE(scanned.contains("hidden.txt")) << scanned.toStdString();
}
