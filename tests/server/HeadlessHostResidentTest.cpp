#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>
#include <mutex>
#include <thread>

#include "HttpTestClient.h"
#include "fixtures/TempHome.h"
#include "platform/IpcEndpoint.h"
#include "schedule/KorviSchd.h"
#include "server/HeadlessHost.h"
#include "server/HttpSrvr.h"
#include "server/Resident.h"
#include "server/WinSrvrCore.h"

using namespace korvi;
using namespace korvi::test;

namespace {

// Runs the event loop until done() holds or the time is up.
bool Until(const std::function<bool()>& done, int timeoutMs = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace

TEST(HeadlessHostResident, MessagesSchedulesServerAndMountWorkTogether) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    TempHome home;
    home.Write("server/opt.ini",
               "[HttpServer]\nuse=1\nport=0\naccess=0\nbind=127.0.0.1\n"
               "[UrlMount]\nuse=1\nurl=http://127.0.0.1:9/mount.cgi\npassword=秘密\n");
    home.Write("log/a.txt", "x\n");
    {
        InitList fav(home.Ctrl());
        fav.ChngeBaseUrl("http://f.example/");
        fav.AddSrchLst("http://f.example/a.html", "a", "");
        FavOpt opt;
        opt.searchWords = QStringLiteral("朝刊");
        ASSERT_TRUE(fav.SaveFav("favorite/朝.ini", opt));
        KorviSchd table(home.Ctrl());
        QStringList row = KorviSchd::NewRow();
        row[KorviSchd::kEnable] = "1";
        row[KorviSchd::kHour] = "07";
        row[KorviSchd::kMinute] = "05";
        row[KorviSchd::kOption] = "朝.ini";
        row[KorviSchd::kAction] = "検索";
        table.AddRow(row);
        ASSERT_TRUE(table.SaveLstData());
    }

    HeadlessHost host(home.Ctx());
    std::mutex m;
    std::vector<RunRequest> runs;
    host.SetRunStarter([&](const RunRequest& r) {
        std::lock_guard lock(m);
        runs.push_back(r);
        return true;
    });
    host.SetRunActive([] { return false; });
    QStringList fetched;
    Resident::Options options;
    options.loopMs = 20;
    options.fetch = [&](const QString& url, int) {
        std::lock_guard lock(m);
        fetched << url;
        return true;
    };
    Resident resident(home.Ctx(), host, host, options);
    resident.Mount().SetAddressSource([] { return QStringList{"127.0.0.1", "10.1.2.3"}; });
    ASSERT_TRUE(resident.Start(WinSrvrCore::kPrefix + "StartKorvi http://m.example/"));
    EXPECT_TRUE(resident.Running());

    // One instance per home.
    HeadlessHost other(home.Ctx());
    Resident second(home.Ctx(), other, other, Resident::Options());
    QString error;
    EXPECT_FALSE(second.Start(QString(), &error));
    EXPECT_FALSE(error.isEmpty());

    // The schedule due at 07:05 starts first; the message then appends to
    // the window the schedule built.
    ASSERT_TRUE(Until([&] {
        std::lock_guard lock(m);
        return !runs.empty();
    }));
    {
        std::lock_guard lock(m);
        EXPECT_EQ(runs[0].runId, "2006_0309_0705_02");
        EXPECT_TRUE(runs[0].quiet);
        EXPECT_EQ(runs[0].words, "朝刊");
    }
    ASSERT_TRUE(Until([&] { return host.Rows().size() == 2; }));
    EXPECT_EQ(host.Rows()[1].url, "http://m.example/");

    // Text from another process replaces the field.
    std::thread sender([&] {
        SendToInstance(IpcName(home.Path()),
                       "SndMes:KorviSetWord 京都&|&SndMes:KorviStartDl&Search");
    });
    const bool worded = Until([&] {
        std::lock_guard lock(m);
        return runs.size() == 2;
    });
    sender.join();
    ASSERT_TRUE(worded);
    {
        std::lock_guard lock(m);
        EXPECT_EQ(runs[1].words, "京都");
        EXPECT_FALSE(runs[1].quiet);
        // The appended URL lies outside the favourite's base and stays unchecked.
        ASSERT_EQ(runs[1].rows.size(), 1u);
        EXPECT_EQ(runs[1].rows[0].url, "http://f.example/a.html");
    }

    // The server runs with the real pages.
    const Reply page = Split(Get(resident.Http().Port(), "/"));
    EXPECT_EQ(page.status(), "HTTP/1.0 200 OK");
    EXPECT_TRUE(page.body.contains("Korvi - Directory")) << page.body.toStdString();

    // The mount goes out once enough minutes have passed.
    int polls = 0;
    ASSERT_TRUE(Until([&] {
        std::lock_guard lock(m);
        if (!fetched.isEmpty()) return true;
        if (++polls % 5 == 0) home.GetClock().Advance(60000);
        return false;
    }));
    {
        std::lock_guard lock(m);
        EXPECT_EQ(fetched[0], "http://127.0.0.1:9/mount.cgi?pw=秘密&url=http://10.1.2.3/");
    }

    resident.Stop();
    EXPECT_FALSE(resident.Running());
    EXPECT_NE(resident.Http().GetState(), HttpSrvr::kRunning);
    EXPECT_EQ(ConnectLocal(resident.Http().Port()), -1);
    EXPECT_FALSE(SendToInstance(IpcName(home.Path()), "x", 300));
}
