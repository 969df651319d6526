#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include "fixtures/FixtureServer.h"
#include "fixtures/TempHome.h"

namespace korvi::test {
namespace {

std::unique_ptr<QProcess> StartCli(const QString& home, const QStringList& args) {
    auto p = std::make_unique<QProcess>();
    p->start(TempHome::BinDir() + "/korvi-run", QStringList{"--home", home} + args);
    return p;
}

// Every error-log file of a home as one text.
QString ErrLogs(const QString& home) {
    QString all;
    const QDir dir(home + "/log_err");
    for (const QString& name : dir.entryList({"*.log"}, QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly)) all += name + ": " + QString::fromUtf8(f.readAll());
    }
    return all;
}

}  // namespace

// korvi-run started several times at once on a home nobody used yet: every
// call seeds or finds the home and succeeds, and a missing cmn_opt.ini is no
// error worth a log line.
TEST(NewHomeCli, ConcurrentCallsOnANewHomeAllSucceedWithoutErrorLog) {
    FixtureServer srv;
    srv.Page("/index.html", "<a href=\"a.html\">A</a> crow");
    srv.Page("/a.html", "a");
    QTemporaryDir tmp;
    for (int round = 0; round < 3; ++round) {
        const QString home = tmp.path() + QString("/home%1").arg(round);
        std::vector<std::unique_ptr<QProcess>> calls;
        for (int i = 0; i < 2; ++i) {
            calls.push_back(StartCli(home, {"crawl", "--words", "crow", srv.Url("/index.html")}));
            calls.push_back(StartCli(home, {"map", srv.Url("/a.html")}));
        }
        for (const auto& p : calls) {
            ASSERT_TRUE(p->waitForFinished(60000));
            EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(p->exitCode(), 0)
                << "round " << round << ": " << p->arguments().join(' ').toStdString() << "\n"
                << p->readAllStandardError().toStdString();
        }
        EXPECT_TRUE(QFileInfo(home + "/server/opt.ini").isFile());
        const QString logs = ErrLogs(home);
        EXPECT_TRUE(logs.isEmpty()) << logs.toStdString();
    }
}

// Handing text to a resident program never makes, seeds or writes to a home.
TEST(NewHomeCli, SendLeavesTheHomeAlone) {
    QTemporaryDir tmp;
    const QString missing = tmp.path() + "/never";
    auto send = StartCli(missing, {"send", "SndMes:StartKorvi"});
    ASSERT_TRUE(send->waitForFinished(10000));
    EXPECT_EQ(send->exitCode(), 1);
    EXPECT_TRUE(send->readAllStandardError().contains("no resident Korvi"));
    EXPECT_FALSE(QFileInfo::exists(missing));

    const QString empty = tmp.path() + "/empty";
    ASSERT_TRUE(QDir().mkpath(empty));
    send = StartCli(empty, {"send", "SndMes:StartKorvi"});
    ASSERT_TRUE(send->waitForFinished(10000));
    EXPECT_EQ(send->exitCode(), 1);
    EXPECT_TRUE(QDir(empty).isEmpty()) << QDir(empty).entryList().join(' ').toStdString();
}

}  // namespace korvi::test
