#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <thread>

#include "engine/crawl/ScriptHook.h"
#include "fixtures/TempHome.h"

using korvi::FltrResult;
using korvi::ScriptBusy;
using korvi::ScriptHook;
using korvi::ScriptRunner;
using korvi::test::TempHome;
using Status = korvi::FltrResult::Status;

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.left(200).toStdString() << (s.size() > 200 ? "...\"" : "\"");
}

namespace {

QString Host() {
    return TempHome::BinDir() + QStringLiteral("/korvi-cscript");
}

QString ErrLog(TempHome& th) {
    return QString::fromUtf8(th.Read(QStringLiteral("log_err/R.log")));
}

// A page of about `bytes` UTF-8 bytes with blanks, slashes, line ends, tabs,
// quotes, Japanese text and characters outside the basic plane.
QString MakePage(qsizetype bytes) {
    const QString piece = QStringLiteral(
        "<p class=\"x\">日本語の本文 / slash & amp;\t<a href='/a/b c.html'>リンク</a></p>\r\n"
        "  http://example.com/x.jpg \"q\" \\ 😀 %20 $1 ` ~\n");
    QString page;
    qsizetype size = 0;
    while (size < bytes) {
        const QString line = piece + QString::number(page.size()) + u'\n';
        page += line;
        size += line.toUtf8().size();
    }
    return page;
}

struct Hook {
    TempHome th;
    ScriptBusy busy;
    ScriptRunner runner{th.Path(), Host()};
    ScriptHook hook{th.Ctrl(), busy, runner};
};

}  // namespace

TEST(ScriptHook, EncodesSlashesThenBlanks) {
    EXPECT_EQ(ScriptHook::EncodeArg("a/b c"), "a#esc_slash#b#esc_space#c");
    EXPECT_EQ(ScriptHook::EncodeArg("/ /"), "#esc_slash##esc_space##esc_slash#");
    EXPECT_EQ(ScriptHook::EncodeArg("\t\n"), "\t\n");
    EXPECT_EQ(ScriptHook::EncodeArg(""), "");
}

TEST(ScriptHook, TextReachesTheScriptEncoded) {
    Hook h;
    // The script prints its whole argument after a marker of its own.
    h.th.Write("func/Raw.js", "WScript.StdOut.Write('[start]' + WScript.Arguments(0));");
    const QString text = QStringLiteral("<a href=\"http://h/p q.html\">a b</a> / end ");
    FltrResult r = h.hook.FltrStr("func/Raw.js", text);
    EXPECT_EQ(r.status, Status::kReplaced);
    EXPECT_EQ(r.text,
              "--[start]<a#esc_space#href=\"http:#esc_slash##esc_slash#h#esc_slash#p"
              "#esc_space#q.html\">a#esc_space#b<#esc_slash#a>#esc_space##esc_slash#"
              "#esc_space#end#esc_space#");
    EXPECT_FALSE(h.busy.IsBusy());

    // A long text arrives as the very same argument.
    const QString longText = MakePage(100 * 1024);
    r = h.hook.FltrStr("func/Raw.js", longText);
    EXPECT_EQ(r.status, Status::kReplaced);
    EXPECT_EQ(r.text, "--[start]" + ScriptHook::EncodeArg(longText));
}

TEST(ScriptHook, DefaultScriptsGiveThePageBack) {
    Hook h;
    const QString page = MakePage(1000 * 1000);
    FltrResult r = h.hook.FltrStr(korvi::kFltrPreSearchJs, page);
    EXPECT_EQ(r.status, Status::kReplaced);
    EXPECT_EQ(r.text.size(), page.size());
    EXPECT_TRUE(r.text == page);

    const QString small = QStringLiteral("a / b  c\r\nd");
    r = h.hook.FltrStr(korvi::kFltrPreGetUrlJs, small);
    EXPECT_EQ(r.status, Status::kReplaced);
    EXPECT_EQ(r.text, small);
    EXPECT_EQ(h.th.Read("log_err/R.log"), QByteArray());
}

TEST(ScriptHook, OutputRules) {
    Hook h;
    h.th.Write("func/Two.js", "WScript.StdOut.Write('head[start]a b[start]c');");
    h.th.Write("func/None.js", "WScript.Echo('no marker here');");
    h.th.Write("func/Empty.js", "WScript.StdOut.Write('[start]');");
    h.th.Write("func/Jp.js", "WScript.StdOut.Write('[start]置換後');");
    EXPECT_EQ(h.hook.FltrStr("func/Two.js", "x").text, "a b[start]c");
    const FltrResult none = h.hook.FltrStr("func/None.js", "keep");
    EXPECT_EQ(none.status, Status::kNoMarker);
    EXPECT_EQ(none.text, "keep");
    const FltrResult empty = h.hook.FltrStr("func/Empty.js", "gone");
    EXPECT_EQ(empty.status, Status::kReplaced);
    EXPECT_EQ(empty.text, "");
    EXPECT_EQ(h.hook.FltrStr("func/Jp.js", "x").text, "置換後");
    EXPECT_EQ(h.th.Read("log_err/R.log"), QByteArray());
}

TEST(ScriptHook, FailuresKeepTheTextAndAreLogged) {
    Hook h;
    // Half an output followed by an error must not replace the page.
    h.th.Write("func/Bad.js", "WScript.StdOut.Write('[start]half'); throw new Error('broken');");
    FltrResult r = h.hook.FltrStr("func/Bad.js", "page");
    EXPECT_EQ(r.status, Status::kFailed);
    EXPECT_EQ(r.text, "page");
    EXPECT_TRUE(ErrLog(h.th).contains("FltrFrcdLink Exec Error : exit 1"));

    r = h.hook.FltrStr("func/Missing.js", "page2");
    EXPECT_EQ(r.status, Status::kFailed);
    EXPECT_EQ(r.text, "page2");

    ScriptRunner nowhere(h.th.Path(), h.th.File("no/korvi-cscript"));
    ScriptHook noHost(h.th.Ctrl(), h.busy, nowhere);
    r = noHost.FltrStr(korvi::kFltrPreSearchJs, "page3");
    EXPECT_EQ(r.status, Status::kFailed);
    EXPECT_EQ(r.text, "page3");
    EXPECT_TRUE(ErrLog(h.th).contains("FltrFrcdLink Exec Error : cannot start"));
    EXPECT_FALSE(h.busy.IsBusy());
}

TEST(ScriptHook, HangingScriptIsEnded) {
    Hook h;
    h.th.Write("func/Hang.js", "WScript.StdOut.Write('[start]never'); for (;;) {}");
    ScriptHook quick(h.th.Ctrl(), h.busy, h.runner, 400);
    QElapsedTimer t;
    t.start();
    const FltrResult r = quick.FltrStr("func/Hang.js", "page");
    EXPECT_LT(t.elapsed(), 10000);
    EXPECT_GE(t.elapsed(), 400);
    EXPECT_EQ(r.status, Status::kFailed);
    EXPECT_EQ(r.text, "page");
    EXPECT_TRUE(ErrLog(h.th).contains("FltrFrcdLink Exec Error : time-out after 400 ms"));
    EXPECT_FALSE(h.busy.IsBusy());
    // The next script runs normally.
    EXPECT_EQ(quick.FltrStr(korvi::kFltrPreSearchJs, "a b").status, Status::kReplaced);
}

TEST(ScriptHook, BusyFlagSerialisesScripts) {
    Hook h;
    ASSERT_TRUE(h.busy.TryAcquire());
    EXPECT_FALSE(h.busy.TryAcquire());
    const FltrResult r = h.hook.FltrStr(korvi::kFltrPreSearchJs, "x");
    EXPECT_EQ(r.status, Status::kBusy);
    EXPECT_TRUE(h.busy.IsBusy());  // a busy answer leaves the owner's flag alone
    h.busy.Release();

    // While one worker's script runs, another worker is told to wait.
    h.th.Write("func/Slow.js", "WScript.Sleep(1500); WScript.StdOut.Write('[start]slow');");
    FltrResult first;
    std::thread worker([&] { first = h.hook.FltrStr("func/Slow.js", "a"); });
    QElapsedTimer t;
    t.start();
    while (!h.busy.IsBusy() && t.elapsed() < 5000) QThread::msleep(5);
    const FltrResult second = h.hook.FltrStr(korvi::kFltrPreSearchJs, "b");
    worker.join();
    EXPECT_EQ(second.status, Status::kBusy);
    EXPECT_EQ(first.status, Status::kReplaced);
    EXPECT_EQ(first.text, "slow");
    EXPECT_FALSE(h.busy.IsBusy());
}

TEST(ScriptHook, CallerRetriesAndClearsAStuckFlag) {
    ScriptBusy busy;
    std::vector<int> sleeps;
    auto sleep = [&](int ms) { sleeps.push_back(ms); };

    // A flag left set by a host that never returned: cleared before try 149.
    ASSERT_TRUE(busy.TryAcquire());
    int tries = 0;
    auto stuck = [&] {
        ++tries;
        if (busy.IsBusy()) return FltrResult{Status::kBusy, QString()};
        return FltrResult{Status::kReplaced, QStringLiteral("done")};
    };
    EXPECT_EQ(korvi::RetryFltr(stuck, busy, sleep, "page"), "done");
    EXPECT_EQ(tries, 150);
    EXPECT_EQ(sleeps.size(), 149u);
    EXPECT_EQ(sleeps.front(), 200);

    // Busy on every try: 300 tries, the flag cleared before tries 149 and 299.
    tries = 0;
    sleeps.clear();
    std::vector<int> clearedAt;
    ASSERT_TRUE(busy.TryAcquire());
    auto always = [&] {
        if (!busy.IsBusy()) clearedAt.push_back(tries);
        busy.TryAcquire();
        ++tries;
        return FltrResult{Status::kBusy, QString()};
    };
    EXPECT_EQ(korvi::RetryFltr(always, busy, sleep, "page"), "page");
    EXPECT_EQ(tries, 300);
    EXPECT_EQ(sleeps.size(), 300u);
    EXPECT_EQ(clearedAt, (std::vector<int>{149, 299}));

    // A failed or unmarked run ends the retries at once with its text.
    busy.Release();
    sleeps.clear();
    auto failed = [] { return FltrResult{Status::kFailed, QStringLiteral("page")}; };
    EXPECT_EQ(korvi::RetryFltr(failed, busy, sleep, "page"), "page");
    EXPECT_TRUE(sleeps.empty());
}

TEST(ScriptHook, CallFltrStrRunsTheScriptOnceTheFlagIsFree) {
    Hook h;
    ASSERT_TRUE(h.busy.TryAcquire());
    int slept = 0;
    const QString out =
        korvi::CallFltrStr(h.hook, korvi::kFltrPreSearchJs, "x / y", [&](int) { ++slept; });
    EXPECT_EQ(out, "x / y");
    EXPECT_EQ(slept, 149);
    EXPECT_FALSE(h.busy.IsBusy());
}
