#include <gtest/gtest.h>

#include <QFileInfo>

#include "fixtures/TempHome.h"
#include "platform/ScriptRunner.h"
#include "shell/Assist.h"

using korvi::ScriptOutcome;
using korvi::ScriptRunner;
using korvi::test::TempHome;

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

TEST(ScriptRunner, FindsTheHostBesideTheProgram) {
    const QByteArray saved = qgetenv("KORVI_CSCRIPT");
    qunsetenv("KORVI_CSCRIPT");
    // The test program is built into the same folder as korvi-cscript.
    EXPECT_EQ(QFileInfo(ScriptRunner::LocateHost()).canonicalFilePath(),
              QFileInfo(TempHome::BinDir() + "/korvi-cscript").canonicalFilePath());
    qputenv("KORVI_CSCRIPT", "/opt/other/host");
    EXPECT_EQ(ScriptRunner::LocateHost(), "/opt/other/host");
    EXPECT_EQ(ScriptRunner(".").HostPath(), "/opt/other/host");
    if (saved.isNull()) {
        qunsetenv("KORVI_CSCRIPT");
    } else {
        qputenv("KORVI_CSCRIPT", saved);
    }
}

TEST(ScriptRunner, ReportsHowTheScriptEnded) {
    TempHome th;
    ScriptRunner runner(th.Path(), TempHome::BinDir() + "/korvi-cscript");
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", th.File("xdg"));
    runner.SetEnvironment(env);

    // Runs in the working folder given, with the environment given.
    const korvi::Assist ini(runner.RunText("func/GetEnvPrm.js", {}));
    EXPECT_EQ(ini.GetIni("EnvPrm", "SendTo"), th.File("xdg/korvi/SendTo"));

    th.Write("func/q.js", "WScript.StdOut.Write('x'); WScript.StdErr.Write('e'); WScript.Quit(4);");
    ScriptOutcome r = runner.Run("func/q.js", {});
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.exit_code, 4);
    EXPECT_EQ(r.std_out, "x");
    EXPECT_EQ(r.std_err, "e");
    EXPECT_EQ(runner.RunText("func/q.js", {}), "");

    // A NUL inside the argument cannot go on a command line; it arrives whole.
    th.Write("func/len.js", "WScript.StdOut.Write(WScript.Arguments(0).length);");
    r = runner.Run("func/len.js", {QString::fromUtf8(QByteArray("a\0b", 3))});
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(r.std_out, "3");

    th.Write("func/hang.js", "for (;;) {}");
    r = runner.Run("func/hang.js", {}, 300);
    EXPECT_TRUE(r.timed_out);
    EXPECT_FALSE(r.Ok());
    EXPECT_TRUE(r.error.startsWith("time-out after 300 ms"));

    ScriptRunner missing(th.Path(), th.File("nothing-here"));
    r = missing.Run("func/GetEnvPrm.js", {});
    EXPECT_FALSE(r.started);
    EXPECT_TRUE(r.error.startsWith("cannot start"));
}
