#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <thread>

#include "engine/lists/ListFile.h"
#include "fixtures/TempHome.h"
#include "schedule/KorviSchd.h"
#include "schedule/SchdCheck.h"
#include "server/HeadlessHost.h"

using namespace korvi;
using namespace korvi::test;

namespace {

QString List(const QString& base, const QStringList& urls) {
    LinkList links;
    for (const QString& u : urls) links.append(u, QStringLiteral("t"), QString());
    return MkListFile(base, QStringLiteral("base"), links);
}

QStringList Urls(const std::vector<InitRow>& rows) {
    QStringList out;
    for (const InitRow& r : rows) out << r.url;
    return out;
}

// A host whose runs are recorded instead of started.
struct Recorder {
    explicit Recorder(HeadlessHost& host) {
        host.SetRunStarter([this](const RunRequest& r) {
            requests.push_back(r);
            return accept;
        });
        host.SetRunActive([this] { return active.load(); });
    }
    std::vector<RunRequest> requests;
    bool accept = true;
    std::atomic<bool> active{false};
};

void WriteProfile(TempHome& home, const QString& name, int depth, bool allRegions) {
    DlSrchOpt o;
    o.depth_max = depth;
    o.panel.target.all = allRegions;
    o.panel.target.domain_out = false;
    home.Write("option/" + name + ".ini", OptToStr(o).toUtf8());
}

}  // namespace

TEST(HeadlessHost, BuildsItsWindowFromTheCommonProfileAndAppendsSources) {
    TempHome home;
    home.Write("cmn_opt.ini", "[CommonOption]\noption_type=速い\n");
    WriteProfile(home, "速い", 5, false);
    home.Write("data.ini", List("http://a.example/d/",
                                {"http://a.example/d/1.html", "http://other.example/x.html"})
                               .toUtf8());
    home.Write("more lists/追加 #1.ini",
               List("http://b.example/", {"http://b.example/y.html"}).toUtf8());
    HeadlessHost host(home.Ctx());
    EXPECT_FALSE(host.HasMainWindow());
    host.AppendToInitList(QString());  // nothing to append to
    EXPECT_FALSE(host.HasMainWindow());

    host.BuildMainWindow(QString());
    ASSERT_TRUE(host.HasMainWindow());
    EXPECT_EQ(host.OptName(), "速い");
    EXPECT_EQ(host.Opt().depth_max, 5);
    EXPECT_EQ(host.BaseUrl(), "http://a.example/d/");
    EXPECT_EQ(Urls(host.Rows()),
              QStringList({"http://a.example/d/1.html", "http://other.example/x.html"}));
    // The profile's region boxes decide the checks: the other domain is out.
    EXPECT_FALSE(host.Select().all);
    EXPECT_TRUE(host.Rows()[0].obj);
    EXPECT_FALSE(host.Rows()[1].obj);

    // Appending keeps the base URL; a URL is taken as a start row.
    host.AppendToInitList(home.File("more lists/追加 #1.ini"));
    host.AppendToInitList("http://c.example/z.html");
    host.AppendToInitList(home.File("missing.ini"));
    EXPECT_EQ(host.BaseUrl(), "http://a.example/d/");
    EXPECT_EQ(Urls(host.Rows()),
              QStringList({"http://a.example/d/1.html", "http://other.example/x.html",
                           "http://b.example/y.html", "http://c.example/z.html"}));

    // A new build with a URL replaces the list and sets the base.
    host.BuildMainWindow("http://c.example/start/");
    EXPECT_EQ(host.BaseUrl(), "http://c.example/start/");
    EXPECT_EQ(Urls(host.Rows()), QStringList({"http://c.example/start/"}));
    host.CloseMainWindow();
    EXPECT_FALSE(host.HasMainWindow());

    // A profile name that is not a file name falls back to the default.
    home.Write("cmn_opt.ini", "[CommonOption]\noption_type=../cmn_opt\n");
    host.BuildMainWindow(QString());
    EXPECT_EQ(host.OptName(), kDefaultOptName);
}

TEST(HeadlessHost, StartsRunsWithTheWindowsSettingsOnlyWhenNoneIsGoing) {
    TempHome home;
    WriteProfile(home, kDefaultOptName, 3, true);
    home.Write(
        "data.ini",
        List("http://a.example/", {"http://a.example/1.html", "http://z.example/2.html"}).toUtf8());
    HeadlessHost host(home.Ctx());
    Recorder rec(host);
    host.StartDlSearch();  // no window yet
    host.SetSearchWord("無視");
    EXPECT_TRUE(rec.requests.empty());

    host.BuildMainWindow(QString());
    host.SetSearchWord("東京 タワー");
    host.StartDlSearch();
    ASSERT_EQ(rec.requests.size(), 1u);
    const RunRequest& r = rec.requests[0];
    EXPECT_EQ(Urls(r.rows), QStringList({"http://a.example/1.html", "http://z.example/2.html"}));
    EXPECT_EQ(r.opt.depth_max, 3);
    EXPECT_TRUE(r.select.all);
    EXPECT_EQ(r.words, "東京 タワー");
    EXPECT_TRUE(r.search);
    EXPECT_FALSE(r.quiet);
    EXPECT_EQ(r.runId, "2006_0309_0705_02");
    EXPECT_EQ(host.RunsStarted(), 1);

    rec.active = true;  // a run is going on
    host.StartDlSearch();
    EXPECT_EQ(rec.requests.size(), 1u);
    rec.active = false;
    rec.accept = false;  // the run control refuses
    host.StartDlSearch();
    EXPECT_EQ(rec.requests.size(), 2u);
    EXPECT_EQ(host.RunsStarted(), 1);

    // Without checked rows nothing is started.
    host.BuildMainWindow(home.File("none.ini"));
    host.StartDlSearch();
    EXPECT_EQ(rec.requests.size(), 2u);
}

TEST(HeadlessHost, SchedulesRunQuietlyWithTheFavouriteIntoTheirFolder) {
    TempHome home;
    WriteProfile(home, kDefaultOptName, 2, true);
    {
        InitList fav(home.Ctrl());
        fav.ChngeBaseUrl("http://f.example/");
        fav.AddSrchLst("http://f.example/a.html", "a", "");
        FavOpt opt;
        DlSrchOpt profile;
        profile.depth_max = 7;
        profile.panel.target.all = true;
        opt.profile = Assist(OptToStr(profile));
        opt.searchWords = QStringLiteral("朝刊");
        ASSERT_TRUE(fav.SaveFav("favorite/朝.ini", opt));
    }
    HeadlessHost host(home.Ctx());
    Recorder rec(host);

    host.StartSchedule({"n", "朝.ini", "検索", "非表示"}, "2006_0309_0705_02");
    ASSERT_EQ(rec.requests.size(), 1u);
    EXPECT_EQ(Urls(rec.requests[0].rows), QStringList({"http://f.example/a.html"}));
    EXPECT_EQ(rec.requests[0].opt.depth_max, 7);
    EXPECT_EQ(rec.requests[0].words, "朝刊");
    EXPECT_TRUE(rec.requests[0].search);
    EXPECT_TRUE(rec.requests[0].quiet);
    EXPECT_EQ(rec.requests[0].runId, "2006_0309_0705_02");
    EXPECT_TRUE(host.HasMainWindow());

    // The name without ".ini" finds the same favourite; "DL" downloads only;
    // a folder name that would leave the download root is made safe.
    host.StartSchedule({"n", "朝", "DL", "表示"}, "../a/b");
    ASSERT_EQ(rec.requests.size(), 2u);
    EXPECT_FALSE(rec.requests[1].search);
    EXPECT_EQ(rec.requests[1].runId, "..ab");
    host.StartSchedule({"n", "朝", "DL", "表示"}, "/:*");
    ASSERT_EQ(rec.requests.size(), 3u);
    EXPECT_EQ(rec.requests[2].runId, "2006_0309_0705_02");

    // Favourites outside the folder, or missing, start nothing.
    host.StartSchedule({"n", "../cmn_opt.ini", "DL", "表示"}, "x");
    host.StartSchedule({"n", "無い", "DL", "表示"}, "x");
    EXPECT_EQ(rec.requests.size(), 3u);
    EXPECT_TRUE(QString::fromUtf8(home.Read("log_err/R.log")).contains("W_Srvr StartSchd Err"));

    // Through the schedule check: due rows wait while a run goes on.
    KorviSchd table(home.Ctrl());
    QStringList row = KorviSchd::NewRow();
    row[KorviSchd::kEnable] = "1";
    row[KorviSchd::kHour] = "07";
    row[KorviSchd::kMinute] = "05";
    row[KorviSchd::kOption] = "朝.ini";
    row[KorviSchd::kAction] = "検索";
    table.AddRow(row);
    SchdCheck check(table, home.GetClock(), host);
    rec.active = true;
    EXPECT_TRUE(host.IsRunWindowOpen());
    check.ChkSchd();
    EXPECT_EQ(rec.requests.size(), 3u);
    EXPECT_EQ(check.Due().size(), 1u);
    rec.active = false;
    EXPECT_FALSE(host.IsRunWindowOpen());
    check.StartSchd();
    ASSERT_EQ(rec.requests.size(), 4u);
    EXPECT_EQ(rec.requests[3].runId, "2006_0309_0705_02");
    EXPECT_TRUE(rec.requests[3].quiet);
}

// A schedule's favourite may sit in a sub-folder of "favorite", never
// outside it.
TEST(HeadlessHost, ScheduleFavouriteStaysInsideItsFolder) {
    for (const QString name : {"a", "a.ini", "sub/a", "../a"}) {
        SCOPED_TRACE(name.toStdString());
        TempHome home;
        InitList fav(home.Ctrl());
        fav.ChngeBaseUrl("http://127.0.0.1:9/");
        FavOpt opt;
        opt.searchWords = QStringLiteral("w");
        for (const char* rel : {"favorite/a.ini", "favorite/sub/a.ini", "a.ini"})
            ASSERT_TRUE(fav.SaveFav(QString::fromUtf8(rel), opt));
        HeadlessHost host(home.Ctx());
        host.StartSchedule({"n", name, "DL", "表示"}, "run");
        const bool inside = !name.startsWith(QStringLiteral(".."));
        EXPECT_EQ(host.SearchWord(), inside ? "w" : "");
        EXPECT_EQ(home.ErrLog().contains("StartSchd Err : no favorite " + name), !inside);
    }
}

TEST(HeadlessHost, SavesLinkListsAndEndsTheEventLoopFromAnotherThread) {
    TempHome home;
    HeadlessHost host(home.Ctx());
    home.Write("tmp_stock.dat", List("http://s.example/", {"http://s.example/1.html"}).toUtf8());
    EXPECT_TRUE(host.SaveLinkList("tmp_stock.dat", "log/stock/dat.ini"));
    EXPECT_TRUE(
        QString::fromUtf8(home.Read("log/stock/dat.ini")).contains("http://s.example/1.html"));
    EXPECT_FALSE(host.SaveLinkList("missing.dat", "log/stock/dat2.ini"));
    EXPECT_FALSE(home.Exists("log/stock/dat2.ini"));
    EXPECT_FALSE(host.HasMainWindow());

    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTimer::singleShot(5000, &app, [] { QCoreApplication::exit(7); });
    std::thread t([&host] { host.Exit(); });
    const int code = app.exec();
    t.join();
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(host.ExitRequested());
}
