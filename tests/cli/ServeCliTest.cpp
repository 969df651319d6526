#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include "fixtures/ProcessRun.h"
#include "server/HttpTestClient.h"

using namespace korvi::test;

namespace {

QString Bin() {
    return QStringLiteral(KORVI_BIN_DIR) + QStringLiteral("/korvi-run");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// A resident korvi-run serve over a temporary home, its standard error kept.
class Serve {
public:
    explicit Serve(const QString& home) : home_(home) {
        proc_.start(Bin(), {"--home", home, "serve"});
    }
    ~Serve() {
        if (proc_.state() != QProcess::NotRunning) {
            proc_.kill();
            proc_.waitForFinished(3000);
        }
    }
    // Reads standard error until a line matches; the first capture.
    QString WaitFor(const QRegularExpression& re, int timeoutMs = 10000) {
        QElapsedTimer t;
        t.start();
        for (;;) {
            const auto m = re.match(err_);
            if (m.hasMatch()) return m.captured(m.lastCapturedIndex());
            const qint64 left = timeoutMs - t.elapsed();
            if (left <= 0 || proc_.state() == QProcess::NotRunning) return QString();
            proc_.waitForReadyRead(int(qMin<qint64>(left, 200)));
            err_ += QString::fromUtf8(proc_.readAllStandardError());
        }
    }
    bool Finish(int timeoutMs = 10000) {
        const bool done = proc_.waitForFinished(timeoutMs);
        err_ += QString::fromUtf8(proc_.readAllStandardError());
        return done;
    }
    QProcess& Proc() { return proc_; }
    const QString& Err() const { return err_; }

private:
    QString home_;
    QProcess proc_;
    QString err_;
};

using Result = ProcessRun;

Result RunCli(const QStringList& args) {
    ProcessOptions opt;
    opt.timeoutMs = 10000;
    return RunProcess(Bin(), args, opt);
}

// Waits until the file holds text.
bool FileGets(const QString& path, const QString& text, int timeoutMs = 10000) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        if (ReadFile(path).contains(text)) return true;
        QThread::msleep(25);
    }
    return false;
}

const QRegularExpression kReady(QStringLiteral("HTTP server on 127\\.0\\.0\\.1:(\\d+)\\n"));

}  // namespace

TEST(ServeCli, ResidentServesHandsOverAndEndsOnExitServer) {
    QTemporaryDir dir;
    const QString home = dir.path();
    WriteFile(home + "/server/opt.ini",
              "[HttpServer]\nuse=1\nport=0\nq_reload_sec=1\naccess=0\nbind=127.0.0.1\n");
    WriteFile(home + "/log/日本語 #1.txt", "中身\n");

    Serve serve(home);
    const int port = serve.WaitFor(kReady).toInt();
    ASSERT_GT(port, 0) << serve.Err().toStdString();
    EXPECT_FALSE(serve.WaitFor(QRegularExpression("(resident for [^\\n]*)\\n")).isEmpty());

    // The HTTP server answers while the process runs.
    const Reply page = Split(Get(port, "/"));
    EXPECT_EQ(page.status(), "HTTP/1.0 200 OK");
    EXPECT_TRUE(QString::fromUtf8(page.body).contains("日本語 #1.txt")) << page.body.toStdString();
    EXPECT_EQ(Split(Get(port, "/" + QUrl::toPercentEncoding("日本語 #1.txt"))).body, "中身\n");

    // A second serve hands its argument over and ends at once.
    const Result second = RunCli({"--home", home, "serve", "http://a.example/start/"});
    EXPECT_EQ(second.code, 0) << second.err.toStdString();
    EXPECT_TRUE(second.err.contains("SndMes:StartKorvi http://a.example/start/"));
    const QString accessLog = home + "/log_err/srvr_log.txt";
    EXPECT_TRUE(FileGets(accessLog, "  StartKorvi http://a.example/start/\n"))
        << ReadFile(accessLog).toStdString();
    // Without an argument it only reports the running instance.
    const Result third = RunCli({"--home", home, "serve"});
    EXPECT_EQ(third.code, 0);
    EXPECT_TRUE(third.err.contains("already runs")) << third.err.toStdString();
    EXPECT_EQ(serve.Proc().state(), QProcess::Running);

    const Result send = RunCli({"--home", home, "send", "SndMes:ExitServer"});
    EXPECT_EQ(send.code, 0) << send.err.toStdString();
    ASSERT_TRUE(serve.Finish());
    EXPECT_EQ(serve.Proc().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(serve.Proc().exitCode(), 0);
    EXPECT_TRUE(serve.Err().contains("server ended")) << serve.Err().toStdString();
    EXPECT_TRUE(ReadFile(accessLog).contains("  ExitServer\n"));
    // Nobody listens any more.
    EXPECT_EQ(RunCli({"--home", home, "send", "SndMes:ExitServer"}).code, 1);
    EXPECT_EQ(ConnectLocal(port), -1);
}

TEST(ServeCli, StartArgumentSignalsAndUsage) {
    QTemporaryDir dir;
    const QString home = dir.path();
    // The server left off: the resident part still runs.
    WriteFile(home + "/server/opt.ini", "[HttpServer]\nuse=0\nport=0\n");
    WriteFile(home + "/list one.ini", "http://b.example/one.html\n");

    QProcess p;
    p.setWorkingDirectory(home);
    p.start(Bin(), {"--home", home, "serve", "list one.ini"});
    QString err;
    QElapsedTimer t;
    t.start();
    // The read of the argument is reported once the first poll has run it.
    while (!err.contains("start rows from") && t.elapsed() < 10000 &&
           p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(200);
        err += QString::fromUtf8(p.readAllStandardError());
    }
    ASSERT_TRUE(err.contains("resident for")) << err.toStdString();
    EXPECT_TRUE(err.contains("HTTP server not in use"));
    EXPECT_TRUE(err.contains("1 start rows from")) << err.toStdString();
    // The argument, made absolute, is the first message of the field.
    const QString accessLog = home + "/log_err/srvr_log.txt";
    EXPECT_TRUE(FileGets(accessLog, "  StartKorvi " + QDir(home).absoluteFilePath("list one.ini")))
        << ReadFile(accessLog).toStdString();

    p.terminate();  // SIGTERM
    ASSERT_TRUE(p.waitForFinished(10000));
    err += QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(err.contains("stopped by signal")) << err.toStdString();

    EXPECT_EQ(RunCli({"--home", home, "serve", "a", "b"}).code, 2);
}
