#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <mutex>
#include <thread>

#include "engine/render/BrowserProcess.h"
#include "engine/render/PageRenderer.h"
#include "engine/render/RenderNeed.h"
#include "fixtures/FixtureServer.h"

namespace korvi::test {
namespace {

#define SKIP_WITHOUT_CHROMIUM() \
    if (BrowserProcess::FindChromium().isEmpty()) GTEST_SKIP() << "chromium is not installed"

struct Logged {
    std::mutex mutex;
    QStringList lines;
    PageRenderer::LogFn Fn() {
        return [this](const QString& l) {
            std::lock_guard lock(mutex);
            lines << l;
        };
    }
};

template <class F>
bool WaitUntil(F cond) {
    for (int i = 0; i < 250 && !cond(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return cond();
}

RenderSettings Quick() {
    RenderSettings s;
    s.tabs = 1;
    s.quietMs = 300;
    s.capMs = 4000;
    return s;
}

FetchedPage Page(const QString& url, const QByteArray& body) {
    FetchedPage p;
    p.url = url;
    p.contentType = "text/html; charset=utf-8";
    p.body = body;
    return p;
}

// Requests are allowed on one server only.
RenderPolicy Only(const FixtureServer& srv) {
    RenderPolicy p;
    const QString base = srv.Url("/");
    p.allow = [base](const QString& url) { return url.startsWith(base); };
    return p;
}

TEST(RenderNeed, ShellsAndBuildingScriptsNeedTheBrowserPlainPagesDoNot) {
    const QString words = QString(" word").repeated(40);
    // No script: never.
    EXPECT_FALSE(PageNeedsRender("<html><body></body></html>"));
    EXPECT_FALSE(PageNeedsRender("<p>" + words + "</p>"));
    // An app shell: a script and next to no text (script and style text do not count).
    EXPECT_TRUE(PageNeedsRender("<div id=app></div><script src=a.js></script>"));
    EXPECT_TRUE(PageNeedsRender("<title>x</title><style>p{}" + words + "</style><script>var s='" +
                                words + "';</script>"));
    // A script that writes markup, even beside enough text.
    EXPECT_TRUE(PageNeedsRender("<p>" + words + "</p><script>el.innerHTML = x</script>"));
    EXPECT_TRUE(PageNeedsRender("<p>" + words + "</p><SCRIPT>document.write('a')</SCRIPT>"));
    // A page with text and a harmless script stays as fetched.
    EXPECT_FALSE(PageNeedsRender("<p>" + words + "</p><script>track()</script>"));
    // Broken markup does not trip it up.
    EXPECT_TRUE(PageNeedsRender("<script>"));
}

TEST(PageRenderer, NoBrowserDegradesAndLogsOnce) {
    Logged log;
    RenderSettings s = Quick();
    s.program = QStringLiteral("/nonexistent/chromium");
    PageRenderer r(s, log.Fn());
    FetchedPage p = Page("http://127.0.0.1:1/", "<p>x</p>");
    EXPECT_FALSE(r.Render(p, {}).ok);
    EXPECT_FALSE(r.Render(p, {}).ok);
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].startsWith("S_Thrd Render Error : ブラウザ（chromium）がない"));
}

TEST(PageRenderer, SilentBrowserIsTriedTwiceAndLoggedOnce) {
    QTemporaryDir dir;
    const QString silent = dir.filePath("silent");
    QFile f(silent);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nexec sleep 30\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Logged log;
    RenderSettings s = Quick();
    s.program = silent;
    s.answerMs = 300;
    PageRenderer r(s, log.Fn());
    const FetchedPage p = Page("http://127.0.0.1:1/", "<p>x</p>");
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(r.Render(p, {}).ok);
    EXPECT_LT(t.elapsed(), 4 * 300);  // started twice, not four times
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].contains("応答しない"));
}

TEST(PageRenderer, BrowserThatDiesIsRestartedOnceAndLoggedOnce) {
    SKIP_WITHOUT_CHROMIUM();
    FixtureServer srv;
    Logged log;
    PageRenderer r(Quick(), log.Fn());
    const FetchedPage p = Page(srv.Url("/a.html"), "<p>a</p>");
    ASSERT_TRUE(r.Render(p, {}).ok);
    for (int round = 0; round < 2; ++round) {
        const qint64 group = r.BrowserGroup();
        ASSERT_GT(group, 0);
        ::kill(-static_cast<pid_t>(group), SIGKILL);
        ASSERT_TRUE(WaitUntil([&] { return r.BrowserGroup() == 0; }));
        // The first loss starts a new browser; after the second the run does without.
        EXPECT_EQ(r.Render(p, {}).ok, round == 0);
    }
    EXPECT_FALSE(r.Render(p, {}).ok);
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].contains("異常終了"));
}

TEST(PageRenderer, ScriptBuiltPageIsCapturedFromTheFetchedBytes) {
    SKIP_WITHOUT_CHROMIUM();
    FixtureServer srv;
    srv.Page("/data.json", R"({"word":"kohlrabi","n":3})", "application/json");
    const QByteArray index =
        "<html><head><meta charset=\"shift_jis\"></head><body><div id=out></div><script>"
        "fetch('data.json').then(r => r.json()).then(d => setTimeout(() => {"
        "  for (let i = 0; i < d.n; i++) out.innerHTML += '<a href=\"p' + i + '.html\">' + d.word "
        "+ '</a>';"
        "}, 200));</script></body></html>";
    Logged log;
    PageRenderer r(Quick(), log.Fn());
    const RenderResult res = r.Render(Page(srv.Url("/index.html"), index), Only(srv));
    ASSERT_TRUE(res.ok) << log.lines.join("\n").toStdString();
    EXPECT_TRUE(res.html.contains("<a href=\"p2.html\">kohlrabi</a>")) << res.html.toStdString();
    // Declared as the UTF-8 it is stored in.
    EXPECT_TRUE(res.html.contains("<meta charset=\"utf-8\">"));
    EXPECT_FALSE(res.html.contains("shift_jis"));
    EXPECT_EQ(srv.Hits("/index.html"), 0);  // answered from the bytes handed over
    EXPECT_EQ(srv.Hits("/data.json"), 1);
    EXPECT_EQ(res.requested.join(' ').toStdString(), srv.Url("/data.json").toStdString());
    EXPECT_TRUE(log.lines.isEmpty());
}

TEST(PageRenderer, HashRoutesSettleInTheSameTab) {
    SKIP_WITHOUT_CHROMIUM();
    FixtureServer srv;
    const QByteArray app =
        "<body><main id=view></main><script>"
        "function show() { view.textContent = 'route ' + location.hash.slice(2); }"
        "addEventListener('hashchange', show); show();</script></body>";
    PageRenderer r(Quick(), {});
    RenderResult a = r.Render(Page(srv.Url("/app.html#/news"), app), Only(srv));
    ASSERT_TRUE(a.ok);
    EXPECT_TRUE(a.html.contains("route news"));
    // Only the fragment differs: no load event, the route changes in place.
    RenderResult b = r.Render(Page(srv.Url("/app.html#/about"), app), Only(srv));
    ASSERT_TRUE(b.ok);
    EXPECT_TRUE(b.html.contains("route about"));
}

TEST(PageRenderer, BusyPageIsStoppedAndTheNextPageStillRenders) {
    SKIP_WITHOUT_CHROMIUM();
    FixtureServer srv;
    Logged log;
    RenderSettings s = Quick();
    s.capMs = 1500;
    PageRenderer r(s, log.Fn());
    const QByteArray busy = "<p>spin</p><script>setTimeout(() => { for (;;) {} }, 50)</script>";
    EXPECT_FALSE(r.Render(Page(srv.Url("/busy.html"), busy), Only(srv)).ok);
    EXPECT_FALSE(r.Render(Page(srv.Url("/busy2.html"), busy), Only(srv)).ok);
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines[0].contains("応答しないページ"));
    const RenderResult ok =
        r.Render(Page(srv.Url("/calm.html"), "<p id=c></p><script>c.textContent='calm'</script>"),
                 Only(srv));
    ASSERT_TRUE(ok.ok);
    EXPECT_TRUE(ok.html.contains("<p id=\"c\">calm</p>"));
}

TEST(PageRenderer, OutOfScopeFramesAndScriptRedirectsNeverReachTheOtherHost) {
    SKIP_WITHOUT_CHROMIUM();
    FixtureServer srv;
    FixtureServer other;
    other.Page("/frame.html", "<p>frame</p>");
    other.Page("/away.html", "<p>away</p>");
    other.Page("/pic.png", "png", "image/png");
    srv.Page("/pic.png", "png", "image/png");
    // The other host by name, so that the frame is cross-site.
    const QString far = "http://localhost:" + QString::number(other.Port());
    const QByteArray page =
        ("<p>home</p><img src=\"pic.png\"><img src=\"" + far + "/pic.png\"><iframe src=\"" + far +
         "/frame.html\"></iframe><script>setTimeout(() => location.href = '" + far +
         "/away.html', 100)</script>")
            .toUtf8();
    PageRenderer r(Quick(), {});
    const RenderResult res = r.Render(Page(srv.Url("/home.html"), page), Only(srv));
    ASSERT_TRUE(res.ok);
    EXPECT_TRUE(res.html.contains("<p>home</p>"));  // the document stayed
    EXPECT_TRUE(other.Requests().empty());
    EXPECT_EQ(srv.Hits("/pic.png"), 1);
    EXPECT_TRUE(res.refused.contains(far + "/frame.html"));
    EXPECT_TRUE(res.refused.contains(far + "/away.html"));
    EXPECT_TRUE(res.refused.contains(far + "/pic.png"));
}

}  // namespace
}  // namespace korvi::test
