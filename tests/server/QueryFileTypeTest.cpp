#include <gtest/gtest.h>

#include <memory>

#include "HttpTestClient.h"
#include "fixtures/TempHome.h"
#include "server/ContentTypeTable.h"
#include "server/HttpSrvr.h"
#include "server/ServerDocs.h"

using namespace korvi;
using namespace korvi::test;

namespace {

// A stored query file ("style.css?v=2" is kept as "style.css_/00000000.cgi"
// beside the folder's query list) is served with the type of its real
// extension; a ".cgi" file elsewhere keeps the cgi rule.
TEST(QueryFileType, ServedWithTheTypeOfTheRealExtension) {
    TempHome home;
    home.Write("server/opt.ini",
               "[HttpServer]\nuse=1\nport=0\nq_reload_sec=1\naccess=0\nbind=127.0.0.1\n");
    home.Write("log/s/style.css_/cgi%%q.txt", "v=2\n");
    home.Write("log/s/style.css_/00000000.cgi", "body { color: red }\n");
    home.Write("log/s/pic.png_/cgi%%q.txt", "w=1\n");
    home.Write("log/s/pic.png_/00000000.cgi", QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));
    home.Write("log/s/find_/cgi%%q.txt", "q=x\n");
    home.Write("log/s/find_/00000000.cgi", "<html>result</html>\n");
    // Not made by the store: no query list beside it.
    home.Write("log/s/fake.css_/00000000.cgi", "<html>cgi</html>\n");
    HttpSrvr server(home.Ctx());
    ServerDocs::Wire(server, home.Ctrl(), home.Ctx().Match());
    server.SetTimeouts(2000);
    ASSERT_EQ(server.Start(), HttpSrvr::kRunning);
    const int port = server.Port();
    auto type = [&](const QByteArray& path) {
        const QByteArray head = Split(Get(port, path, "HEAD")).head;
        const qsizetype at = head.indexOf("Content-Type: ");
        return at < 0 ? QByteArray() : head.mid(at + 14, head.indexOf("\r\n", at) - at - 14);
    };
    EXPECT_EQ(type("/s/style.css_/00000000.cgi"), "text/css");
    EXPECT_EQ(type("/s/pic.png_/00000000.cgi"), "image/png");
    EXPECT_EQ(type("/s/find_/00000000.cgi"), "text/html");
    EXPECT_EQ(type("/s/fake.css_/00000000.cgi"), "text/html");

    EXPECT_EQ(ContentTypeTable::QueryFileExtension(home.File("log/s/style.css_/00000000.cgi")),
              "css");
    EXPECT_EQ(ContentTypeTable::QueryFileExtension(home.File("log/s/style.css_/0000000.cgi")), "");
    EXPECT_EQ(ContentTypeTable::QueryFileExtension(home.File("log/s/find_/00000000.cgi")), "");
}

}  // namespace
