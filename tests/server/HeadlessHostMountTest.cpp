#include <gtest/gtest.h>

#include <QDir>

#include "HttpTestClient.h"
#include "fixtures/TempHome.h"
#include "server/HttpSrvr.h"
#include "server/MountFetch.h"

using namespace korvi;
using namespace korvi::test;

TEST(HeadlessHostMount, FetchSendsTheRequestAndReportsTheOutcome) {
    TempHome home;
    home.Write("server/opt.ini", "[HttpServer]\nuse=1\nport=0\nbind=127.0.0.1\n");
    home.Write("log/a.txt", "ok\n");
    HttpSrvr server(home.Ctx());
    ASSERT_EQ(server.Start(), HttpSrvr::kRunning);
    const QString base = "http://127.0.0.1:" + QString::number(server.Port());

    DlSrchOpt opt;
    opt.address = "";  // no proxy, whatever the environment says
    const UrlMount::Fetch fetch = MkMountFetch(home.Ctrl(), opt);
    EXPECT_TRUE(fetch(base + "/a.txt", 5000));
    // The mount request arrives as written; a missing script is a failure.
    EXPECT_FALSE(fetch(base + "/mount.cgi?pw=pw&url=http://10.0.0.1/", 5000));
    QString logs;
    for (const QString& f : QDir(home.File("log")).entryList({"*.log"}, QDir::Files)) {
        logs += QString::fromUtf8(home.Read("log/" + f));
    }
    EXPECT_TRUE(logs.contains("Cliant>> GET /a.txt HTTP/1.1")) << logs.toStdString();
    EXPECT_TRUE(logs.contains("Cliant>> GET /mount.cgi?pw=pw&url=http://10.0.0.1/ HTTP/1.1"));

    // Nobody listening: false and one error-log line.
    const int port = server.Port();
    server.Shutdown();
    EXPECT_FALSE(fetch("http://127.0.0.1:" + QString::number(port) + "/x", 2000));
    EXPECT_TRUE(QString::fromUtf8(home.Read("log_err/R.log")).contains("UrlMount Fetch Error : "));
}
