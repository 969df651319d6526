#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "engine/crawl/ScriptHook.h"
#include "fixtures/ProcessRun.h"
#include "fixtures/TempHome.h"
#include "shell/Assist.h"

using korvi::test::TempHome;

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

using korvi::test::ProcessOptions;
using HostRun = korvi::test::ProcessRun;

// Runs korvi-cscript in `dir` with the arguments, standard input and extra
// environment given.
HostRun RunHost(const QString& dir, const QStringList& args, const QByteArray& input = {},
                const QStringList& env = {}) {
    ProcessOptions opt;
    for (const QString& kv : env) opt.env.insert(kv.section(u'=', 0, 0), kv.section(u'=', 1));
    opt.cwd = dir;
    opt.input = input;
    opt.timeoutMs = 30000;
    return korvi::test::RunProcess(TempHome::BinDir() + QStringLiteral("/korvi-cscript"), args,
                                   opt);
}

class Cscript : public ::testing::Test {
protected:
    void Script(const QString& name, const QString& text) const { th.Write(name, text.toUtf8()); }
    HostRun Run(const QStringList& args, const QByteArray& input = {},
                const QStringList& env = {}) const {
        return RunHost(th.Path(), args, input, env);
    }
    TempHome th;
};

// A minimal shell link with a link info block holding a local base path.
QByteArray LnkWithLocalPath(const QByteArray& base, const QByteArray& suffix) {
    QByteArray d(0x4C, '\0');
    auto put32 = [](QByteArray& b, int at, quint32 v) {
        for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    put32(d, 0, 0x4C);
    put32(d, 20, 0x2);  // link info, no id list
    const QByteArray volume = QByteArray::fromHex("1100000003000000785634121000000000");
    const int baseAt = 0x1C + volume.size();
    const int suffixAt = baseAt + base.size() + 1;
    QByteArray info(0x1C, '\0');
    info += volume + base + '\0' + suffix + '\0';
    put32(info, 0, quint32(info.size()));
    put32(info, 4, 0x1C);
    put32(info, 8, 0x1);
    put32(info, 12, 0x1C);
    put32(info, 16, quint32(baseAt));
    put32(info, 24, quint32(suffixAt));
    return d + info + QByteArray(4, '\0');
}

// A shell link holding only a relative path, in UTF-16.
QByteArray LnkWithRelativePath(const QString& rel) {
    QByteArray d(0x4C, '\0');
    d[0] = 0x4C;
    d[20] = char(0x08 | 0x80);  // relative path, unicode
    d += char(rel.size() & 0xFF);
    d += char(rel.size() >> 8);
    for (QChar c : rel) {
        d += char(c.unicode() & 0xFF);
        d += char(c.unicode() >> 8);
    }
    return d;
}

}  // namespace

TEST_F(Cscript, ArgumentsAndOutput) {
    Script("a.js",
           "var A = WScript.Arguments;\n"
           "WScript.Echo(A.length, A.Count(), A(0), A.Item(1), A[2]);\n"
           "WScript.StdOut.Write('w');\n"
           "WScript.StdOut.WriteLine('l');\n"
           "WScript.StdErr.WriteLine('to err');\n"
           "WScript.Echo();\n"
           "WScript.Echo(WScript.ScriptName);\n");
    const HostRun r = Run({"//nologo", "a.js", "one two", "日本語", "--x"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "3 3 one two 日本語 --x\nwl\n\na.js\n");
    EXPECT_EQ(r.err, "to err\n");

    Script("range.js", "WScript.Echo(WScript.Arguments.Item(5));");
    EXPECT_NE(Run({"range.js"}).code, 0);
}

TEST_F(Cscript, StandardInputAndArgsFromStdin) {
    Script("in.js",
           "var s = WScript.StdIn;\n"
           "var first = s.ReadLine();\n"
           "WScript.StdOut.Write(first + '|' + s.AtEndOfStream + '|' + s.ReadAll() + '|' +"
           " s.AtEndOfStream);\n");
    HostRun r = Run({"in.js"}, "line 1\r\nrest\nmore");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "line 1|false|rest\nmore|true");

    Script("arg.js",
           "WScript.StdOut.Write(WScript.Arguments.length + ':' + WScript.Arguments(1));");
    const QByteArray big = QString(QStringLiteral("あ b/\n")).repeated(50000).toUtf8();
    r = Run({"arg.js", "first", "--args-stdin"}, big);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.toUtf8(), "2:" + big);
}

TEST_F(Cscript, QuitAndErrors) {
    Script("q.js", "WScript.StdOut.Write('before'); WScript.Quit(3); WScript.Echo('after');");
    HostRun r = Run({"q.js"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.out, "before");

    Script("e.js", "WScript.Echo('ok');\nnoSuchFunction();\n");
    r = Run({"e.js"});
    EXPECT_NE(r.code, 0);
    EXPECT_EQ(r.out, "ok\n");
    EXPECT_TRUE(r.err.contains("e.js(2)")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("noSuchFunction")) << r.err.toStdString();

    Script("s.js", "var x = ;");
    EXPECT_NE(Run({"s.js"}).code, 0);
    Script("t.js", "throw 'plain';");
    r = Run({"t.js"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains("plain"));
    EXPECT_EQ(Run({"missing.js"}).code, 1);
    EXPECT_EQ(Run({}).code, 2);
    Script("x.js", "new ActiveXObject('Excel.Application');");
    EXPECT_NE(Run({"x.js"}).code, 0);
}

TEST_F(Cscript, ShellObject) {
    Script("sh.js",
           "var a = WScript.CreateObject('WScript.Shell');\n"
           "var b = new ActiveXObject('wscript.shell');\n"
           "WScript.Echo(a.SpecialFolders('Favorites'));\n"
           "WScript.Echo(b.SpecialFolders.Item('SendTo'));\n"
           "WScript.Echo('[' + a.SpecialFolders('NoSuchFolder') + ']');\n"
           "WScript.Echo(a.ExpandEnvironmentStrings('%KORVI_T%-%KORVI_UNSET_X%-100%'));\n");
    const HostRun r = Run({"sh.js"}, {}, {"XDG_DATA_HOME=/x/data", "KORVI_T=v a"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              "/x/data/korvi/Favorites\n/x/data/korvi/SendTo\n[]\nv a-%KORVI_UNSET_X%-100%\n");
}

TEST_F(Cscript, GetEnvPrmPrintsTheFolders) {
    const HostRun r = Run({"func/GetEnvPrm.js"}, {}, {"XDG_DATA_HOME=" + th.File("xdg")});
    EXPECT_EQ(r.code, 0);
    const korvi::Assist ini(r.out);
    EXPECT_EQ(ini.GetIni("EnvPrm", "Favorites"), th.File("xdg/korvi/Favorites"));
    EXPECT_EQ(ini.GetIni("EnvPrm", "SendTo"), th.File("xdg/korvi/SendTo"));
}

TEST_F(Cscript, GetRealPathReadsShortcuts) {
    th.Write("s/a.url", "[InternetShortcut]\r\nURL=http://example.com/a b.html\r\n");
    th.Write("s/b.desktop",
             "[Desktop Entry]\nType=Link\nName=b\nURL=https://example.org/\n[Other]\nURL=x\n");
    th.Write("s/c.desktop", "[Desktop Entry]\nType=Application\nExec=/usr/bin/tool --open %U\n");
    th.Write("s/d.lnk", LnkWithLocalPath("C:\\web\\", "list.url"));
    th.Write("s/e.lnk", LnkWithRelativePath("..\\lists\\f.ini"));
    th.Write("s/bad.lnk", "not a link at all");
    th.Write("s/plain.ini", "[BaseData]\n");
    auto target = [&](const QString& rel) {
        const HostRun r = Run({"func/GetRealPath.js", th.File(rel)});
        return r.code == 0 ? r.out : QStringLiteral("<exit %1>").arg(r.code);
    };
    EXPECT_EQ(target("s/a.url"), "http://example.com/a b.html");
    EXPECT_EQ(target("s/b.desktop"), "https://example.org/");
    EXPECT_EQ(target("s/c.desktop"), "/usr/bin/tool --open");
    EXPECT_EQ(target("s/d.lnk"), "C:\\web\\list.url");
    EXPECT_EQ(target("s/e.lnk"), th.File("lists/f.ini"));
    EXPECT_EQ(target("s/bad.lnk"), "<exit 1>");
    EXPECT_EQ(target("s/plain.ini"), th.File("s/plain.ini"));
    EXPECT_EQ(target("s/none.url"), "<exit 1>");
    // A truncated link must not crash the host.
    th.Write("s/cut.lnk", LnkWithLocalPath("C:\\web\\", "list.url").left(0x60));
    EXPECT_EQ(target("s/cut.lnk"), "<exit 1>");
}

TEST_F(Cscript, ForcedLinkScript) {
    korvi::ScriptBusy busy;
    korvi::ScriptHook hook(th.Ctrl(), busy,
                           korvi::ScriptRunner(th.Path(), TempHome::BinDir() + "/korvi-cscript"));
    auto run = [&](const QString& page) {
        const korvi::FltrResult r = hook.FltrStr(korvi::kFltrFrcdLinkJs, page);
        EXPECT_EQ(r.status, korvi::FltrResult::Status::kReplaced);
        return r.text;
    };
    EXPECT_EQ(run("see http://h.jp/p/a.JPG and https://h.jp/d/page.html?x=1&amp;y=2."),
              "see <img src=\"http://h.jp/p/a.JPG\"> and <a href=\"https://h.jp/d/page.html?x=1"
              "&amp;y=2\">https://h.jp/d/page.html?x=1&amp;y=2</a>.");
    // URLs inside tags, anchors, comments and scripts stay as they are.
    const QString untouched =
        "<a href=\"http://h.jp/\">http://h.jp/</a><img src=\"http://h.jp/i.png\">"
        "<!-- http://h.jp/c --><script>var u = 'http://h.jp/s';</script>";
    EXPECT_EQ(run(untouched), untouched);
    EXPECT_EQ(run("<p>画像http://h.jp/z.gif、</p>"),
              "<p>画像<img src=\"http://h.jp/z.gif\">、</p>");
    EXPECT_EQ(run("no links / here"), "no links / here");
    EXPECT_EQ(run("http:// alone"), "http:// alone");
}
