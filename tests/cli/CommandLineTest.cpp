#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>

#include <signal.h>

#include "KorviVersion.h"
#include "engine/RunList.h"
#include "engine/RunOutcome.h"
#include "engine/crawl/SrchThrd.h"
#include "engine/profile/OptOverride.h"
#include "engine/profile/Profile.h"
#include "fixtures/FixtureServer.h"
#include "fixtures/ProcessRun.h"
#include "fixtures/TempHome.h"
#include "store/RunLock.h"

namespace korvi::test {
namespace {

using Result = ProcessRun;

Result Cli(const QStringList& args, const QByteArray& input = QByteArray()) {
    ProcessOptions opt;
    opt.input = input;
    return RunKorviRun(args, opt);
}

// A loopback port nobody listens on.
int UnusedPort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
}

}  // namespace

// Help, version and refused lines: what goes where and the exit status.
TEST(CommandLine, HelpVersionAndUsageErrors) {
    TempHome th;
    const QString home = th.Path();
    const QString url = "http://127.0.0.1:" + QString::number(UnusedPort()) + "/";
    struct Case {
        QStringList args;
        int code;
        const char* out;  // expected start of standard output ("" = empty)
        const char* err;  // text standard error contains ("" = empty)
    };
    const Case cases[] = {
        {{"--help"}, 0, "usage: korvi-run", ""},
        {{"-h"}, 0, "usage: korvi-run", ""},
        {{"help"}, 0, "usage: korvi-run", ""},
        {{"help", "crawl"}, 0, "usage: korvi-run crawl", ""},
        {{"--home", home, "search", "--help"}, 0, "usage: korvi-run search", ""},
        {{"map", "-h", "x"}, 0, "usage: korvi-run map", ""},
        {{"--version"}, 0, "korvi-run " KORVI_VERSION "\n", ""},
        {{"-V"}, 0, "korvi-run " KORVI_VERSION "\n", ""},
        {{}, 2, "", "usage: korvi-run"},
        {{"help", "nothing"}, 2, "", "no such command"},
        {{"--home", home, "nothing"}, 2, "", "unknown command nothing"},
        {{"--bogus", "map", "x"}, 2, "", "unknown option --bogus"},
        {{"--home", home, "crawl", "-q", "-x", url}, 2, "", "unknown option -x"},
        {{"--home", home, "crawl", "--nope", url}, 2, "", "unknown option --nope"},
        {{"--home", home, "match", "-i", "--words", "a", "f"}, 2, "", "unknown option -i"},
        {{"--home", home, "crawl", "--set", "BaseOption.nothing=1", url},
         2,
         "",
         "BaseOption.nothing"},
        {{"--home", home, "crawl", "--set", "Nothing.depth_max=1", url},
         2,
         "",
         "Nothing.depth_max"},
        {{"--home", home, "crawl", "--set", "BaseOption.depth_max=two", url},
         2,
         "",
         "BaseOption.depth_max"},
        {{"--home", home, "crawl", "--set", "Target.all=yes", url}, 2, "", "Target.all"},
        // "--" ends the options: what follows is a URL, even "--home".
        {{"--home", home, "map", "--run-id", "R", "--", "--home", "x"}, 1, "\n\n", ""},
    };
    for (const Case& c : cases) {
        const Result r = Cli(c.args);
        const std::string line = c.args.join(' ').toStdString();
        EXPECT_EQ(r.code, c.code) << line << "\n" << r.err.toStdString();
        if (*c.out == 0)
            EXPECT_TRUE(r.out.isEmpty()) << line << "\n" << r.out.toStdString();
        else
            EXPECT_TRUE(r.out.startsWith(QString::fromUtf8(c.out))) << line << "\n"
                                                                    << r.out.toStdString();
        if (*c.err == 0)
            EXPECT_TRUE(r.err.isEmpty()) << line << "\n" << r.err.toStdString();
        else
            EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.err))) << line << "\n"
                                                                  << r.err.toStdString();
    }
    // The help names every command and the exit status table.
    const QString help = Cli({"--help"}).out;
    for (const char* word :
         {"crawl", "search", "fldr-list", "serve", "send", "Exit status", "network failure", "4xx"})
        EXPECT_TRUE(help.contains(word)) << word;
    // Nothing above made or touched a home but the temporary one.
    EXPECT_FALSE(QFileInfo::exists(home + "/log/R"));
}

// The exit status of a crawl follows the worst row: 4 for no answer, 8 for
// a server error, 0 when every row came; the summary names the error log.
TEST(CommandLine, CrawlExitStatusFollowsTheRows) {
    FixtureServer srv;
    srv.Page("/ok.html", "fine");
    FixtureServer::Route missing;
    missing.status = 404;
    missing.body = "gone";
    srv.SetRoute("/missing.html", missing);
    FixtureServer::Route busy;
    busy.status = 503;
    busy.body = "busy";
    srv.SetRoute("/busy.html", busy);
    const QString refused = "http://127.0.0.1:" + QString::number(UnusedPort()) + "/";
    struct Case {
        QStringList urls;
        int code;
    };
    const Case cases[] = {
        {{srv.Url("/ok.html")}, 0},
        {{srv.Url("/ok.html"), srv.Url("/missing.html")}, 8},
        {{srv.Url("/busy.html")}, 8},
        {{refused}, 4},
        {{srv.Url("/missing.html"), refused, srv.Url("/ok.html")}, 4},
    };
    for (const Case& c : cases) {
        TempHome th;
        const Result r = Cli(QStringList{"--home", th.Path(), "crawl", "--run-id", "E", "--set",
                                         "TimeOut.re_time=0", "--set", "BaseOption.depth_max=1"} +
                             c.urls);
        const std::string line = c.urls.join(' ').toStdString();
        EXPECT_EQ(r.code, c.code) << line << "\n" << r.err.toStdString();
        EXPECT_EQ(r.out.count('\n'), c.urls.size() + 1) << line << "\n" << r.out.toStdString();
        if (c.code == 0) {
            EXPECT_FALSE(r.err.contains("failed")) << r.err.toStdString();
        } else {
            EXPECT_TRUE(r.err.contains("failed")) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(th.File("log_err/E.log"))) << r.err.toStdString();
        }
    }
}

// -q says nothing on standard error, -v one line per row; a list comes on
// standard input as "-"; a pipe never gets the progress line.
TEST(CommandLine, CrawlQuietVerboseAndStandardInput) {
    FixtureServer srv;
    srv.Page("/a.html", "a");
    srv.Page("/b.html", "b");
    TempHome th;
    const QByteArray list = (srv.Url("/a.html") + "\n" + srv.Url("/b.html") + "\n").toUtf8();
    Result r = Cli({"--home", th.Path(), "crawl", "-q", "--run-id", "Q", "-"}, list);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 3) << r.out.toStdString();
    EXPECT_EQ(srv.Hits("/a.html"), 1);
    EXPECT_EQ(srv.Hits("/b.html"), 1);

    r = Cli({"--home", th.Path(), "crawl", "--verbose", "--run-id", "V", "--set",
             "BaseOption.depth_max=1", srv.Url("/a.html")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("1 不 " + srv.Url("/a.html") + "\n")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("( ")) << r.err.toStdString();  // no progress label
    EXPECT_FALSE(r.err.contains('\r'));

    r = Cli({"--home", th.Path(), "list", "-"}, list);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(srv.Url("/b.html"))) << r.out.toStdString();
}

// SIGINT or SIGTERM in the middle of a run: the running row is ended, the
// run list still printed and written, the lock released; 128 + the signal.
TEST(CommandLine, CrawlStopsOnSignalAndStillWritesTheRunList) {
    for (const int sig : {SIGINT, SIGTERM}) {
        FixtureServer srv;
        FixtureServer::Route slow;
        slow.body = QByteArray(200000, 'x');
        slow.gated = true;
        slow.gateAfter = 1000;
        srv.SetRoute("/slow.html", slow);
        TempHome th;
        QProcess p;
        p.start(TempHome::BinDir() + "/korvi-run",
                {"--home", th.Path(), "crawl", "--run-id", "S", "--out", th.File("run.tsv"),
                 srv.Url("/slow.html")});
        ASSERT_TRUE(p.waitForStarted(10000));
        ASSERT_TRUE(srv.WaitGateReached("/slow.html", 20000));
        ASSERT_TRUE(th.Exists("log/S/" + RunLock::kFileName));
        ::kill(static_cast<pid_t>(p.processId()), sig);
        const bool ended = p.waitForFinished(15000);
        srv.Open();
        ASSERT_TRUE(ended || p.waitForFinished(15000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 128 + sig);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_EQ(out.count('\n'), 2) << out.toStdString();
        EXPECT_TRUE(out.contains(srv.Url("/slow.html")));
        EXPECT_EQ(QString::fromUtf8(th.Read("run.tsv")), out);
        EXPECT_FALSE(th.Exists("log/S/" + RunLock::kFileName));
        EXPECT_TRUE(p.readAllStandardError().contains("stopping on signal"));
    }
}

// search behaves as grep: no match is exit 1.
TEST(CommandLine, SearchWithoutMatchExitsOne) {
    TempHome th;
    th.Write("log/R/h/a.html", "<html><body>the crow flies</body></html>");
    Result r = Cli({"--home", th.Path(), "search", "--words", "crow", th.File("log/R")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("a.html"));
    r = Cli({"--home", th.Path(), "search", "-q", "--words", "heron", th.File("log/R")});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 1) << r.out.toStdString();  // the header only
}

// The outcome counts a row by how it failed; a network failure outranks a
// server error, which outranks any other failure.
TEST(CommandLine, RunOutcomeRanksFailures) {
    auto status = [](const std::vector<std::pair<int, int>>& rows) {
        RunList list;
        for (size_t i = 0; i < rows.size(); ++i) {
            RunRow row;
            row.url = "http://h/" + QString::number(i);
            const int index = list.Append(row);
            list.Update(index, [&](RunRow& r) {
                r.state = rows[i].first;
                r.httpCode = rows[i].second;
            });
        }
        return RunExitStatus(CountOutcome(list.Snapshot()));
    };
    EXPECT_EQ(status({}), 0);
    EXPECT_EQ(status({{100, 0},
                      {SrchThrd::kKeptLocal, 0},
                      {SrchThrd::kSkipped, 0},
                      {SrchThrd::kFiltered, 0},
                      {0, 0}}),
              0);
    EXPECT_EQ(status({{100, 0}, {SrchThrd::kFetchFailed, 404}}), 8);
    EXPECT_EQ(status({{SrchThrd::kFetchFailed, 503}, {SrchThrd::kFetchFailed, 0}}), 4);
    EXPECT_EQ(status({{SrchThrd::kFetchFailed, 200}}), 4);  // cut off after the head
    EXPECT_EQ(status({{SrchThrd::kConnectTimeOut, 0}}), 4);
    EXPECT_EQ(status({{SrchThrd::kStopped, 0}, {SrchThrd::kFetchFailed, 500}}), 4);
    EXPECT_EQ(status({{SrchThrd::kBaseUrlFailed, 0}}), 1);
    EXPECT_EQ(status({{SrchThrd::kBaseUrlFailed, 0}, {SrchThrd::kFetchFailed, 410}}), 8);
}

// A --set value the key would ignore is refused and changes nothing.
TEST(CommandLine, CheckedOverrideRefusesWhatTheKeyIgnores) {
    DlSrchOpt o;
    EXPECT_EQ(ApplyCheckedOverride("BaseOption.depth_max=3", o), OverrideError::kNone);
    EXPECT_EQ(ApplyCheckedOverride("BaseOption.hit_max=7", o), OverrideError::kNone);
    EXPECT_EQ(ApplyCheckedOverride("Proxy.user_agent=a=b", o), OverrideError::kNone);
    EXPECT_EQ(ApplyCheckedOverride("ExtraOption.foot_tag=1", o), OverrideError::kNone);
    EXPECT_EQ(ApplyCheckedOverride("Filter.type=out", o), OverrideError::kNone);
    EXPECT_EQ(ApplyCheckedOverride("Proxy.address=", o), OverrideError::kNone);
    const DlSrchOpt before = o;
    EXPECT_EQ(ApplyCheckedOverride("BaseOption.depth_max=x", o), OverrideError::kBadValue);
    EXPECT_EQ(ApplyCheckedOverride("BaseOption.depth_max=", o), OverrideError::kBadValue);
    EXPECT_EQ(ApplyCheckedOverride("BaseOption.hit_max=-4", o), OverrideError::kBadValue);
    EXPECT_EQ(ApplyCheckedOverride("BaseOption.thrd_max=0", o), OverrideError::kBadValue);
    EXPECT_EQ(ApplyCheckedOverride("ExtraOption.foot_tag=on", o), OverrideError::kBadValue);
    EXPECT_EQ(ApplyCheckedOverride("Filter.type=some", o), OverrideError::kBadValue);
    EXPECT_EQ(ApplyCheckedOverride("BaseOption.nothing=1", o), OverrideError::kUnknownKey);
    EXPECT_EQ(ApplyCheckedOverride("depth_max=1", o), OverrideError::kMalformed);
    EXPECT_TRUE(o == before);
    EXPECT_EQ(o.depth_max, 3);
    EXPECT_EQ(o.hit_max, 7);
    EXPECT_EQ(o.panel.filter_type, FilterMode::kOut);
}

}  // namespace korvi::test
