#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "KorviVersion.h"
#include "fixtures/ProcessRun.h"
#include "fixtures/TempHome.h"

namespace korvi::test {
namespace {

using Result = ProcessRun;

Result Exec(const QString& program, const QStringList& args,
            const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
            int timeoutMs = 120000) {
    ProcessOptions opt;
    opt.env = env;
    opt.timeoutMs = timeoutMs;
    return RunProcess(program, args, opt);
}

QString Packaging(const QString& rel) {
    return TempHome::SourceDir() + "/packaging/" + rel;
}

// The command names korvi-run's help lists.
QStringList HelpCommands() {
    QStringList names;
    const QString help = Exec(TempHome::BinDir() + "/korvi-run", {"--help"}).out;
    static const QRegularExpression line("^  korvi-run ([a-z-]+)",
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(help); it.hasNext();) names << it.next().captured(1);
    return names;
}

}  // namespace

// The manual pages render without a warning and the korvi-run page and the
// bash completion know every command the program has.
TEST(Packaging, ManualPagesAndCompletionCoverEveryCommand) {
    const QStringList commands = HelpCommands();
    ASSERT_GE(commands.size(), 12) << commands.join(' ').toStdString();

    if (QStandardPaths::findExecutable("man").isEmpty()) GTEST_SKIP() << "man is not installed";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MANWIDTH", "80");
    env.insert("MANPAGER", "cat");
    env.insert("LC_ALL", "C.UTF-8");
    for (const QString page : {"korvi", "korvi-run", "korvi-cscript"}) {
        const Result r = Exec("man", {"--warnings", "-l", Packaging("man/" + page + ".1")}, env);
        EXPECT_EQ(r.code, 0) << page.toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << page.toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.out.contains("NAME") && r.out.contains("SYNOPSIS")) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(page + " " KORVI_VERSION)) << page.toStdString();
        if (page != "korvi-run") continue;
        for (const QString& c : commands)
            EXPECT_TRUE(r.out.contains(
                QRegularExpression("^       " + c + "\\b", QRegularExpression::MultilineOption)))
                << "korvi-run(1) misses " << c.toStdString();
        for (const char* code : {"0", "1", "2", "4", "8", "130"})
            EXPECT_TRUE(r.out.contains(QRegularExpression(QString("^       ") + code + "\\b",
                                                          QRegularExpression::MultilineOption)))
                << "exit status " << code;
    }

    // The completion, with the two bash-completion helpers it uses stubbed.
    auto complete = [](const QString& line) {
        const QString script =
            "_init_completion() { words=(\"${COMP_WORDS[@]}\"); cword=$COMP_CWORD;"
            " cur=${words[cword]}; prev=${words[cword-1]}; }\n"
            "_filedir() { :; }\n"
            "compopt() { :; }\n"
            "source \"$1\"\n"
            "read -ra COMP_WORDS <<< \"$2\"\n"
            "[[ $2 == *' ' ]] && COMP_WORDS+=('')\n"
            "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
            "_korvi_run\n"
            "printf '%s\\n' \"${COMPREPLY[@]}\"\n";
        return Exec("bash", {"-c", script, "bash", Packaging("completion/korvi-run"), line})
            .out.split('\n', Qt::SkipEmptyParts);
    };
    QStringList offered = complete("korvi-run ");
    offered.removeAll("help");
    offered.sort();
    QStringList expected = commands;
    expected.sort();
    EXPECT_EQ(offered, expected);
    EXPECT_EQ(complete("korvi-run --home /tmp cr"), QStringList{"crawl"});
    const QStringList crawl = complete("korvi-run crawl --");
    for (const char* option : {"--profile", "--set", "--out", "--quiet", "--verbose", "--help"})
        EXPECT_TRUE(crawl.contains(option)) << option;
    EXPECT_EQ(complete("korvi-run search --filter "), (QStringList{"all", "in", "out"}));
}

// The desktop program prints its help and version without a display.
TEST(Packaging, DesktopProgramHelpNeedsNoWindow) {
    const QString korvi = TempHome::BinDir() + "/korvi";
    if (!QFileInfo(korvi).isExecutable()) GTEST_SKIP() << "the desktop program is not built";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("QT_QPA_PLATFORM", "xcb");  // a window would fail at once
    QTemporaryDir home;
    env.insert("KORVI_HOME", home.path() + "/home");
    Result r = Exec(korvi, {"--version"}, env, 20000);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "korvi " KORVI_VERSION "\n");
    r = Exec(korvi, {"--help"}, env, 20000);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("usage: korvi")) << r.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/home"));
}

// The two Debian packages build from this tree and lintian finds neither an
// error nor a warning in them.
TEST(Packaging, DebPackagesAreLintianClean) {
    if (QStandardPaths::findExecutable("lintian").isEmpty())
        GTEST_SKIP() << "lintian is not installed";
    const QString build = QDir(TempHome::BinDir() + "/..").absolutePath();
    QTemporaryDir out;
    const Result cpack = Exec("cpack", {"--config", build + "/CPackConfig.cmake", "-B", out.path()},
                              QProcessEnvironment::systemEnvironment(), 300000);
    if (cpack.code != 0 && !QFileInfo(TempHome::BinDir() + "/korvi").exists())
        GTEST_SKIP() << "build every program (korvi too) before packaging";
    ASSERT_EQ(cpack.code, 0) << cpack.out.toStdString() << cpack.err.toStdString();
    const QString arch = QDir(out.path()).entryList({"korvi-run_*.deb"}).value(0).section('_', 2);
    const QString run = out.path() + "/korvi-run_" KORVI_VERSION "_" + arch;
    const QString desktop = out.path() + "/korvi_" KORVI_VERSION "_" + arch;
    ASSERT_TRUE(QFileInfo(run).isFile()) << QDir(out.path()).entryList().join(' ').toStdString();

    auto field = [](const QString& deb, const QString& name) {
        return Exec("dpkg-deb", {"-f", deb, name}).out.trimmed();
    };
    auto files = [](const QString& deb) { return Exec("dpkg-deb", {"-c", deb}).out; };
    const QString runDepends = field(run, "Depends");
    EXPECT_TRUE(runDepends.contains("libcurl4 (>= 7.85")) << runDepends.toStdString();
    EXPECT_FALSE(runDepends.contains("widgets")) << runDepends.toStdString();
    EXPECT_FALSE(runDepends.contains("fonts")) << runDepends.toStdString();
    const QString runFiles = files(run);
    for (const char* path : {"./usr/bin/korvi-run", "./usr/bin/korvi-cscript",
                             "./usr/share/korvi/option/", "./usr/share/man/man1/korvi-run.1.gz",
                             "./usr/share/bash-completion/completions/korvi-run",
                             "./usr/share/doc/korvi-run/copyright"})
        EXPECT_TRUE(runFiles.contains(path)) << path;
    EXPECT_FALSE(runFiles.contains("./usr/bin/korvi\n"));

    QStringList debs{run};
    if (QFileInfo(desktop).isFile()) {
        debs << desktop;
        EXPECT_TRUE(field(desktop, "Depends").contains("korvi-run (= " KORVI_VERSION ")"));
        const QString desktopFiles = files(desktop);
        for (const char* path :
             {"./usr/bin/korvi", "./usr/share/metainfo/org.korvi.korvi.metainfo.xml",
              "./usr/share/icons/hicolor/48x48/apps/korvi.png",
              "./usr/share/icons/hicolor/scalable/apps/korvi.svg",
              "./usr/share/man/man1/korvi.1.gz", "./usr/share/doc/korvi/changelog.gz"})
            EXPECT_TRUE(desktopFiles.contains(path)) << path;
        EXPECT_FALSE(desktopFiles.contains("./usr/share/korvi/"));
    }

    const Result lint = Exec("lintian", debs, QProcessEnvironment::systemEnvironment(), 300000);
    const QStringList findings = lint.out.split('\n').filter(QRegularExpression("^[EW]: "));
    EXPECT_TRUE(findings.isEmpty()) << findings.join('\n').toStdString();
    EXPECT_FALSE(lint.err.contains("error")) << lint.err.toStdString();

    if (!QStandardPaths::findExecutable("appstreamcli").isEmpty()) {
        const Result valid = Exec(
            "appstreamcli", {"validate", "--no-net", Packaging("org.korvi.korvi.metainfo.xml")});
        EXPECT_EQ(valid.code, 0) << valid.out.toStdString();
    }
}

}  // namespace korvi::test
