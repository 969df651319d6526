#include <QFile>
#include <QHostInfo>
#include <QRegularExpression>
#include <QThread>

#include <sys/stat.h>
#include <atomic>
#include <thread>

#include "ServerFixture.h"
#include "server/HttpSrvrGuard.h"
#include "store/TextCodec.h"

namespace korvi::test {
namespace {

using ServeTest = ServerFixture;

TEST_F(ServeTest, FilesFoldersAndIndexPages) {
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    ASSERT_GT(port, 0);

    // A file: 200, its bytes, head fields in their order.
    Reply r = Split(Get(port, "/a.txt"));
    EXPECT_EQ(r.head,
              "HTTP/1.0 200 OK\r\nConnection: close\r\nContent-Length: 11\r\n"
              "Content-Type: text/plain\r\n");
    EXPECT_EQ(r.body, "hello text\n");

    // HEAD: the same head, no body.
    const QByteArray head = Get(port, "/a.txt", "HEAD");
    EXPECT_EQ(head, r.head + "\r\n");

    // An upper-case extension is typed by its lower-case key; binary bytes pass.
    r = Split(Get(port, "/Pic.PNG"));
    EXPECT_TRUE(r.head.contains("Content-Type: image/png\r\n"));
    EXPECT_EQ(r.body, QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));

    // A folder path ending in "/" with an index.html serves it.
    r = Split(Get(port, "/sub/"));
    EXPECT_EQ(r.status(), "HTTP/1.0 200 OK");
    EXPECT_EQ(r.body, "<html>sub index</html>");

    // The root without index.html: the directory page, no Content-Length,
    // the type of the "Directory" entry.
    r = Split(Get(port, "/"));
    EXPECT_EQ(r.head,
              "HTTP/1.0 200 OK\r\nConnection: close\r\nContent-Type: text/html; "
              "charset=UTF-8\r\n");
    EXPECT_TRUE(r.body.startsWith("DIR dir body.html\n")) << r.body.constData();
    EXPECT_TRUE(r.body.contains("^title=Korvi - Directory\n"));
    EXPECT_TRUE(r.body.contains("^page_url=\n"));

    // A percent escape of a letter is decoded; a blank in a name too.
    EXPECT_EQ(Body("/%61.txt"), "hello text\n");
    EXPECT_EQ(Body("/sub/b%20c.html"), "<html>b</html>");

    // A command on a file path: a generated body never carries the file's length.
    r = Split(Get(port, "/a.txtKorvi?act=dir"));
    EXPECT_EQ(r.head, "HTTP/1.0 200 OK\r\nConnection: close\r\nContent-Type: text/plain\r\n");
    EXPECT_EQ(r.body, "HttpSrvr OutDir Error2 : illegal path");
    // HEAD of a folder: the head of its page only.
    EXPECT_EQ(Get(port, "/dir2/", "HEAD"),
              "HTTP/1.0 200 OK\r\nConnection: close\r\nContent-Type: text/html; "
              "charset=UTF-8\r\n\r\n");

    // With an index.html the dir command still lists the folder.
    r = Split(Get(port, "/sub/Korvi?act=dir"));
    EXPECT_TRUE(r.body.contains("0|b c.html|b%20c.html||14|false\n")) << r.body.constData();
    EXPECT_TRUE(r.body.contains("^page_url=sub\n"));
}

TEST_F(ServeTest, DirectoryPageOrderAndLinks) {
    home.Write(QStringLiteral("log/dir2/B.txt"), "bb");
    home.Write(QStringLiteral("log/dir2/a.txt"), "a");
    home.Write(QStringLiteral("log/dir2/Z dir/q.txt"), "q");
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    const QByteArray body = Body("/dir2/Korvi?act=dir");
    // Folders first (the empty one left out), then files, each by name with
    // upper case before lower case.
    const QByteArray expected =
        "0|Z dir/|Z%20dir/|Z%20dir/Korvi?act=dir|-|true\n"
        "1|inner/|inner/|inner/Korvi?act=dir|-|true\n"
        "2|B.txt|B.txt||2|false\n"
        "3|a.txt|a.txt||1|false\n"
        "4|z.txt|z.txt||1|false\n";
    EXPECT_TRUE(body.endsWith(expected)) << body.constData();
    EXPECT_TRUE(body.contains("^no=5\n"));
    EXPECT_TRUE(body.contains("^page_url=dir2\n"));
    EXPECT_FALSE(body.contains("empty"));
}

TEST_F(ServeTest, ErrorsAndUnsupportedMethods) {
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    const QByteArray page404 =
        "<HTML><HEAD></HEAD><BODY><H1>Error 404 File not found.</H1></BODY></HTML>";
    const QByteArray head404 = "HTTP/1.0 404 NotFound\r\nConnection: close\r\nContent-Length: " +
                               QByteArray::number(page404.size()) +
                               "\r\nContent-Type: text/html\r\n";
    Reply r = Split(Get(port, "/missing.txt"));
    EXPECT_EQ(r.head, head404);
    EXPECT_EQ(r.body, page404);

    // A client that connects, sends nothing and closes.
    r = Split(SilentClose(port));
    EXPECT_EQ(r.head, head404);
    EXPECT_TRUE(ErrLog().contains(
        QRegularExpression(QStringLiteral("  HttpSrvr [0-7] ResReq Error : header null\n"))))
        << ErrLog().toStdString();

    const QByteArray unsupported =
        "<HTML><HEAD></HEAD><BODY><H1>Unsupported Command</H1></BODY></HTML>";
    for (const QByteArray& method : {QByteArray("POST"), QByteArray("get"), QByteArray("PUT")}) {
        r = Split(Get(port, "/a.txt", method));
        EXPECT_EQ(r.head, "HTTP/1.0 200 OK\r\nConnection: close\r\nContent-Length: " +
                              QByteArray::number(unsupported.size()) +
                              "\r\nContent-Type: text/html\r\n")
            << method.constData();
        EXPECT_EQ(r.body, unsupported);
    }
    // A POST with a body is answered the same way.
    r = Split(Exchange(port, "POST /x HTTP/1.0\r\nContent-Length: 5\r\n\r\nhello"));
    EXPECT_EQ(r.body, unsupported);

    // Commands: bad or missing act.
    const QByteArray bad = "<html><head></head><body>Bad Query</body></html>";
    EXPECT_EQ(Body("/Korvi?act=zap"), bad);
    EXPECT_EQ(Body("/dir2/Korvi?x=1"), bad);
}

TEST_F(ServeTest, PercentEscapesAndDoublePercent) {
    home.Write(QStringLiteral("log/50%%off.txt"), "pp");
    home.Write(QStringLiteral("log/日本.txt"), "jp");
    home.Write(QStringLiteral("log/a+b.txt"), "plus");
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    EXPECT_EQ(Body("/50%%off.txt"), "pp");
    EXPECT_EQ(Body("/%E6%97%A5%E6%9C%AC.txt"), "jp");
    // "+" in a path is a plus sign, not a blank.
    EXPECT_EQ(Body("/a+b.txt"), "plus");
    // A host folder with a port: ":" escaped or not, and escaped in the links.
    home.Write(QStringLiteral("log/R/127.0.0.1:8080/p.html"), "port");
    EXPECT_EQ(Body("/R/127.0.0.1%3A8080/p.html"), "port");
    EXPECT_EQ(Body("/R/127.0.0.1:8080/p.html"), "port");
    EXPECT_TRUE(Body("/R/Korvi?act=dir").contains("|127.0.0.1%3A8080/|"));
    // A named pipe in the root is not opened (it would block the channel).
    ASSERT_EQ(::mkfifo(home.File(QStringLiteral("log/pipe")).toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(Split(Get(port, "/pipe")).status(), "HTTP/1.0 404 NotFound");
    // A lone or broken escape does not break the request.
    EXPECT_EQ(Split(Get(port, "/%zz")).status(), "HTTP/1.0 404 NotFound");
}

TEST_F(ServeTest, NothingOutsideTheRootIsServed) {
    home.Write(QStringLiteral("logother/f.txt"), "sibling");
    QFile::link(home.File(QStringLiteral("secret.txt")), home.File(QStringLiteral("log/link.txt")));
    QFile::link(home.Path(), home.File(QStringLiteral("log/up")));
    QFile::link(home.File(QStringLiteral("log/a.txt")), home.File(QStringLiteral("log/ok.txt")));
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    const QList<QByteArray> attacks = {"/../secret.txt",
                                       "/%2e%2e/secret.txt",
                                       "/%2E%2E%2Fsecret.txt",
                                       "/sub/../../secret.txt",
                                       "/..%2f..%2fsecret.txt",
                                       "/link.txt",
                                       "/up/secret.txt",
                                       "/up/",
                                       "/../logother/f.txt",
                                       "/a.txt%00.png",
                                       "secret.txt",
                                       "/../log/../secret.txt"};
    for (const QByteArray& path : attacks) {
        const QByteArray all = Get(port, path);
        EXPECT_TRUE(all.startsWith("HTTP/1.0 404 NotFound\r\n")) << path.constData();
        EXPECT_FALSE(all.contains("outside the root")) << path.constData();
        EXPECT_FALSE(all.contains("sibling")) << path.constData();
    }
    EXPECT_TRUE(ErrLog().contains(" ResReq Error : out file /../secret.txt"));
    // A link that stays inside the root is fine, and so is ".." inside it.
    EXPECT_EQ(Body("/ok.txt"), "hello text\n");
    EXPECT_EQ(Body("/sub/../a.txt"), "hello text\n");
    // The listing leaves out links that lead outside.
    const QByteArray listing = Body("/Korvi?act=dir");
    EXPECT_FALSE(listing.contains("link.txt"));
    EXPECT_FALSE(listing.contains("|up/"));
    EXPECT_TRUE(listing.contains("|ok.txt|"));
}

TEST_F(ServeTest, AccessListModes) {
    // Mode 2 with an empty accept list refuses everything.
    WriteOpt(QStringLiteral("use=1\nport=0\naccess=2\n"));
    home.Write(QStringLiteral("server/accept.txt"), "");
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    EXPECT_EQ(Split(Get(port, "/a.txt")).status(), "HTTP/1.0 404 NotFound");
    EXPECT_TRUE(
        home.Read(QStringLiteral("log/2006_03_09.log")).contains("** FileNotFoundException **"));

    // Mode 2 with an address rule: this client is 127.0.0.1.
    server->Stop();
    home.Write(QStringLiteral("server/accept.txt"), "// local only\r\n127.0.0.,\n");
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    EXPECT_EQ(Body("/a.txt"), "hello text\n");

    // A path rule alone accepts by path; another address prefix does not.
    server->Stop();
    home.Write(QStringLiteral("server/accept.txt"), "10.1.,\n,/sub/\n");
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    EXPECT_EQ(Split(Get(port, "/a.txt")).status(), "HTTP/1.0 404 NotFound");
    EXPECT_EQ(Body("/sub/"), "<html>sub index</html>");

    // Mode 1 with an empty avoid list accepts everything; rules deny.
    server->Stop();
    WriteOpt(QStringLiteral("use=1\nport=0\naccess=1\n"));
    home.Write(QStringLiteral("server/avoid.txt"), "");
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    EXPECT_EQ(Body("/a.txt"), "hello text\n");
    server->Stop();
    home.Write(QStringLiteral("server/avoid.txt"), "//127.0.0.1,\n127.0.0.1,/sub/\n");
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    EXPECT_EQ(Body("/a.txt"), "hello text\n");
    EXPECT_EQ(Split(Get(port, "/sub/")).status(), "HTTP/1.0 404 NotFound");
}

// A search stand-in that records what it was asked and lists the text files.
struct FakeSearch {
    std::atomic<int> calls{0};
    std::atomic<bool> hold{false};
    std::atomic<int> running{0};
    std::atomic<int> most{0};

    LogSrchFn Fn() {
        return [this](const LogSrchRequest& r, const std::atomic<bool>& stop) {
            ++calls;
            const int now = ++running;
            int seen = most.load();
            while (now > seen && !most.compare_exchange_weak(seen, now)) {
            }
            while (hold.load() && !stop.load()) QThread::msleep(5);
            std::vector<QStringList> rows;
            const QString flt = r.filter == LogSrchRequest::Filter::In    ? "in"
                                : r.filter == LogSrchRequest::Filter::Out ? "out"
                                                                          : "all";
            const QString sz = r.size == LogSrchRequest::Size::Up     ? "up"
                               : r.size == LogSrchRequest::Size::Down ? "dwn"
                                                                      : "all";
            rows.push_back({QStringLiteral("1"), r.words, QStringLiteral("a.txt"),
                            r.folder + QStringLiteral("\\deep"), QStringLiteral("0"), "txt"});
            rows.push_back({QStringLiteral("2"), flt + u',' + r.filter_text, sz,
                            QString::number(r.size_kb), r.extract ? "extract" : "search", ""});
            --running;
            return rows;
        };
    }
};

// Polls "res" for an id until the page is no longer the waiting page.
QByteArray AwaitResult(int port, const QByteArray& folder, const QByteArray& id) {
    for (int i = 0; i < 500; ++i) {
        const QByteArray body = Split(Get(port, folder + "Korvi?act=res&id=" + id)).body;
        if (!body.contains("Wait...")) return body;
        QThread::msleep(10);
    }
    return QByteArray("never finished");
}

QByteArray WaitId(const QByteArray& page) {
    const qsizetype at = page.indexOf("id=");
    return page.mid(at + 3, page.indexOf('"', at) - at - 3);
}

TEST_F(ServeTest, LogSearchRunsAfterTheWaitPage) {
    FakeSearch search;
    search.hold = true;
    server->SetLogSrch(search.Fn());
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    // 検索 in Shift_JIS, percent-encoded the way such a form sends it.
    const QByteArray word = EncodeAs(QStringLiteral("検索"), "windows-31j").toPercentEncoding();
    const QByteArray page = Body("/dir2/Korvi?act=log_srch&srch_word=" + word +
                                 "&flt_r=in&flt_txt=txt&sz_r=dwn"
                                 "&sz_txt=7&srch_type=srch");
    EXPECT_EQ(page,
              "<html><head><meta http-equiv=\"Refresh\" content=\"2; url=Korvi?act=res&id="
              "20060309070502\"></head><body>Wait...</body></html>");
    const QByteArray id = WaitId(page);
    // While the search runs, "res" shows the waiting page; dots and slashes
    // in the id are dropped.
    EXPECT_EQ(Body("/dir2/Korvi?act=res&id=2006.0309/0705\\02"), page + "\n");
    search.hold = false;
    const QByteArray result = AwaitResult(port, "/dir2/", id);
    const QString text = QString::fromUtf8(result);
    EXPECT_TRUE(text.startsWith(QStringLiteral("RESULT 検索\n"))) << result.constData();
    // The path column is relative to the server root; the root never shows.
    EXPECT_TRUE(text.contains(QStringLiteral("1|検索|a.txt|dir2/deep|0|txt\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("2|in,txt|dwn|7|search|\n")));
    EXPECT_FALSE(text.contains(home.Path()));
    EXPECT_EQ(search.calls.load(), 1);

    // UTF-8 percent-encoded words and an extraction with defaults.
    const QByteArray page2 = Body("/Korvi?act=log_srch&srch_word=%E6%A4%9C+x&srch_type=extrct");
    const QString text2 = QString::fromUtf8(AwaitResult(port, "/", WaitId(page2)));
    EXPECT_TRUE(
        text2.contains(QStringLiteral("2|all,-,html,htm,shtml,txt,cgi,php,asp|all|30|extract|")))
        << text2.toStdString();
    const QByteArray page3 = Body("/Korvi?act=log_srch&srch_word=%E6%A4%9C+x");
    EXPECT_TRUE(QString::fromUtf8(AwaitResult(port, "/", WaitId(page3)))
                    .startsWith(QStringLiteral("RESULT 検 x\n")));
}

TEST_F(ServeTest, TwoSearchesAtOnceKeepTheirOwnResults) {
    FakeSearch search;
    search.hold = true;
    server->SetLogSrch(search.Fn());
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    const QByteArray p1 = Body("/Korvi?act=log_srch&srch_word=first");
    const QByteArray p2 = Body("/Korvi?act=log_srch&srch_word=second");
    const QByteArray id1 = WaitId(p1);
    const QByteArray id2 = WaitId(p2);
    EXPECT_NE(id1, id2);
    for (int i = 0; i < 200 && search.running.load() < 2; ++i) QThread::msleep(10);
    EXPECT_EQ(search.running.load(), 2);
    search.hold = false;
    EXPECT_TRUE(AwaitResult(port, "/", id1).startsWith("RESULT first\n"));
    EXPECT_TRUE(AwaitResult(port, "/", id2).startsWith("RESULT second\n"));
    EXPECT_EQ(search.most.load(), 2);
}

TEST_F(ServeTest, MissingTemplatesAndSearchGiveErrorPages) {
    HttpSrvrDocs none;
    server->SetDocs(none);
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    EXPECT_EQ(Body("/dir2/"), "HttpSrvr OutDir Error : out tmplt illegal name");
    EXPECT_TRUE(ErrLog().contains(" OutDir Error : out tmplt illegal name"));
    const QByteArray id = WaitId(Body("/Korvi?act=log_srch&srch_word=a"));
    EXPECT_EQ(AwaitResult(port, "/", id),
              "<HTML><HEAD></HEAD><BODY>Out Tmplt Illegal Name</BODY></HTML>\n");
    EXPECT_TRUE(ErrLog().contains(" ExecKorvi Error : out tmplt illegal name"));
}

// A request with extra head fields.
QByteArray GetWith(int port, const QByteArray& path, const QByteArray& fields) {
    return Exchange(port, "GET " + path + " HTTP/1.1\r\n" + fields + "\r\n");
}

TEST_F(ServeTest, SearchesRunTwoAtATimeBesideBrowsing) {
    FakeSearch search;
    search.hold = true;
    server->SetLogSrch(search.Fn());
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    // Two run, sixteen wait; all answered at once with their waiting page.
    std::vector<QByteArray> ids;
    for (int i = 0; i < HttpSrvrSrchPool::kRunning + HttpSrvrSrchPool::kWaiting; ++i) {
        const QByteArray page = Body("/Korvi?act=log_srch&srch_word=w" + QByteArray::number(i));
        ASSERT_TRUE(page.contains("Wait...")) << i;
        ids.push_back(WaitId(page));
    }
    for (int i = 0; i < 200 && search.running.load() < 2; ++i) QThread::msleep(10);
    // Beyond that a clear busy page, and no result file.
    const Reply busy = Split(Get(port, "/Korvi?act=log_srch&srch_word=more"));
    EXPECT_EQ(busy.status(), "HTTP/1.0 503 Service Unavailable");
    EXPECT_TRUE(QString::fromUtf8(busy.body).contains(QStringLiteral("検索が混み合っています")));
    EXPECT_EQ(QDir(home.File("server/tmp")).entryList(QDir::Files).size(), ids.size());
    // Pages are served while the searches run.
    for (int i = 0; i < 10; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(Body("/a.txt"), "hello text\n");
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    }
    search.hold = false;
    for (int i = 0; i < static_cast<int>(ids.size()); ++i) {
        EXPECT_TRUE(AwaitResult(port, "/", ids[i]).startsWith("RESULT w" + QByteArray::number(i)));
    }
    EXPECT_EQ(search.most.load(), HttpSrvrSrchPool::kRunning);
}

TEST_F(ServeTest, ShutdownEndsRunningAndWaitingSearches) {
    FakeSearch search;
    search.hold = true;
    server->SetLogSrch(search.Fn());
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    std::vector<QByteArray> ids;
    for (int i = 0; i < 5; ++i) ids.push_back(WaitId(Body("/Korvi?act=log_srch&srch_word=s")));
    for (int i = 0; i < 200 && search.running.load() < 2; ++i) QThread::msleep(10);
    const auto t0 = std::chrono::steady_clock::now();
    server->Shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    EXPECT_EQ(search.running.load(), 0);
    // Every search that was answered with a waiting page got its result.
    for (const QByteArray& id : ids) {
        EXPECT_TRUE(
            home.Read("server/tmp/" + QString::fromLatin1(id) + ".html").startsWith("RESULT s"))
            << id.constData();
    }
}

TEST_F(ServeTest, OnlyRequestsNamingTheServerAreAnswered) {
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    const QByteArray p = QByteArray::number(port);
    for (const QByteArray& host : QByteArrayList{"127.0.0.1:" + p, "localhost:" + p, "LocalHost",
                                                 "[::1]:" + p, QByteArray("127.0.0.1")}) {
        EXPECT_EQ(Split(GetWith(port, "/a.txt", "Host: " + host + "\r\n")).body, "hello text\n")
            << host.constData();
    }
    // DNS rebinding: the browser names the attacker's host. Wrong ports and
    // doubled fields are refused too; no content either way.
    for (const QByteArray& fields : QByteArrayList{
             "Host: evil.example\r\n", "Host: evil.example:" + p + "\r\n",
             QByteArray("Host: 127.0.0.1:1\r\n"), "Host: 127.0.0.1.evil.example:" + p + "\r\n",
             "Host: 127.0.0.1:" + p + "\r\nHost: evil.example\r\n"}) {
        EXPECT_EQ(GetWith(port, "/a.txt", fields),
                  "HTTP/1.0 421 Misdirected Request\r\nConnection: close\r\n\r\n")
            << fields.constData();
    }
    // The configured address is the server's own too.
    const HttpSrvrGuard lan(QStringLiteral("192.168.1.5"), 8080);
    EXPECT_TRUE(lan.NamesServer("192.168.1.5:8080"));
    EXPECT_TRUE(lan.NamesServer("localhost"));
    EXPECT_FALSE(lan.NamesServer("192.168.1.6:8080"));
    EXPECT_FALSE(lan.NamesServer("192.168.1.5:80"));
    const QByteArray name = QHostInfo::localHostName().toLower().toLatin1();
    EXPECT_TRUE(lan.NamesServer(name + ":8080"));
    if (name != "localhost") {
        EXPECT_FALSE(HttpSrvrGuard(QStringLiteral("127.0.0.1"), 8080).NamesServer(name + ":8080"));
    }
}

TEST_F(ServeTest, OtherSitesCannotStartWork) {
    FakeSearch search;
    server->SetLogSrch(search.Fn());
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    const QByteArray own = "http://127.0.0.1:" + QByteArray::number(port);
    const QByteArray srch = "/Korvi?act=log_srch&srch_word=x";
    for (const QByteArray& fields :
         QByteArrayList{QByteArray("Sec-Fetch-Site: cross-site\r\n"),
                        QByteArray("Sec-Fetch-Site: same-site\r\n"),
                        QByteArray("Origin: http://evil.example\r\n"),
                        QByteArray("Origin: null\r\n"), "Origin: http://localhost:1\r\n",
                        "Sec-Fetch-Site: same-origin\r\nOrigin: https://" + own.mid(7) + "\r\n"}) {
        EXPECT_EQ(GetWith(port, srch, fields),
                  "HTTP/1.0 403 Forbidden\r\nConnection: close\r\n\r\n")
            << fields.constData();
    }
    EXPECT_FALSE(QDir(home.File("server/tmp")).exists() &&
                 !QDir(home.File("server/tmp")).entryList(QDir::Files).isEmpty());
    // The server's own pages, the address bar and plain browsing from
    // anywhere stay open.
    for (const QByteArray& fields :
         QByteArrayList{"Origin: " + own + "\r\nSec-Fetch-Site: same-origin\r\n",
                        QByteArray("Sec-Fetch-Site: none\r\n")}) {
        const QByteArray body = Split(GetWith(port, srch, fields)).body;
        EXPECT_TRUE(body.contains("Wait...")) << fields.constData();
        AwaitResult(port, "/", WaitId(body));
    }
    EXPECT_EQ(search.calls.load(), 2);
    const QByteArray cross = "Sec-Fetch-Site: cross-site\r\nOrigin: http://evil.example\r\n";
    EXPECT_EQ(Split(GetWith(port, "/a.txt", cross)).body, "hello text\n");
    EXPECT_TRUE(
        Split(GetWith(port, "/dir2/Korvi?act=dir", cross)).body.contains("^page_url=dir2\n"));
}

TEST_F(ServeTest, SearchParametersAreTakenAsWritten) {
    FakeSearch search;
    server->SetLogSrch(search.Fn());
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    // "=" inside a value belongs to the value.
    QByteArray id = WaitId(Body("/dir2/Korvi?act=log_srch&srch_word=a=b&sz_r=up&sz_txt=12"));
    QString text = QString::fromUtf8(AwaitResult(port, "/dir2/", id));
    EXPECT_TRUE(text.startsWith(QStringLiteral("RESULT a=b\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("|up|12|search|"))) << text.toStdString();
    // Sizes that are no whole number in range are refused with a page.
    for (const QByteArray& size : QByteArrayList{QByteArray("99999999999"), QByteArray("-1"),
                                                 QByteArray("1e3"), QByteArray("%EF%BC%91")}) {
        const Reply r = Split(Get(port, "/Korvi?act=log_srch&sz_r=up&sz_txt=" + size));
        EXPECT_EQ(r.status(), "HTTP/1.0 400 Bad Request") << size.constData();
        EXPECT_TRUE(QString::fromUtf8(r.body).contains(QStringLiteral("sz_txt")));
    }
    EXPECT_EQ(search.calls.load(), 1);
    // No control character of the query reaches a page.
    id = WaitId(Body("/Korvi?act=log_srch&srch_word=%FF%FE%00%00x%01%1B%7F"));
    const QByteArray page = AwaitResult(port, "/", id);
    EXPECT_TRUE(page.startsWith("RESULT ")) << page.toHex().constData();
    for (const char c : page) {
        const auto u = static_cast<unsigned char>(c);
        EXPECT_TRUE(u >= 0x20 || u == '\n' || u == '\t' || u == '\r') << int(u);
        EXPECT_NE(u, 0x7F);
    }
}

}  // namespace
}  // namespace korvi::test
