#include <QDir>
#include <QThread>

#include <chrono>
#include <vector>

#include "ServerFixture.h"

namespace korvi::test {
namespace {

using RobustTest = ServerFixture;

int OpenFds() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).count()) - 2;
}

qint64 MsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 t)
        .count();
}

TEST_F(RobustTest, SilentAndSlowClientsAreCutOff) {
    server->SetTimeouts(300, 5);
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    // Connects and says nothing.
    int fd = ConnectLocal(port);
    ASSERT_GE(fd, 0);
    auto t0 = std::chrono::steady_clock::now();
    bool closed = false;
    EXPECT_TRUE(ReadAll(fd, 3000, &closed).isEmpty());
    EXPECT_TRUE(closed);
    EXPECT_LT(MsSince(t0), 2000);
    ::close(fd);

    // Trickles a byte at a time: the time-out covers the whole request line.
    fd = ConnectLocal(port);
    ASSERT_GE(fd, 0);
    t0 = std::chrono::steady_clock::now();
    bool cut = false;
    for (int i = 0; i < 40 && !cut; ++i) {
        cut = !SendRaw(fd, "G");
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) cut = true;
    }
    EXPECT_TRUE(cut);
    EXPECT_LT(MsSince(t0), 1500);
    ::close(fd);
    EXPECT_TRUE(ErrLog().contains("HttpSrvr ResReq Error2 : time out"));
    // A request line longer than any browser sends is refused too.
    const QByteArray huge = "GET /" + QByteArray(40000, 'a') + " HTTP/1.0\r\n\r\n";
    EXPECT_TRUE(Exchange(port, huge).isEmpty());
    EXPECT_EQ(Body("/a.txt"), "hello text\n");
}

TEST_F(RobustTest, IdleConnectionsHoldNoChannelAndAreLetGo) {
    server->SetTimeouts(2000, 600);
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    EXPECT_EQ(Body("/a.txt"), "hello text\n");
    QThread::msleep(100);
    const int before = OpenFds();
    // Sockets that say nothing, and some that stop half-way through a head.
    std::vector<int> idle;
    for (int i = 0; i < 64; ++i) {
        const int fd = ConnectLocal(port);
        if (fd >= 0) idle.push_back(fd);
        if (i % 8 == 0) SendRaw(fd, "GET /a.txt HTTP/1.0\r\nHost: local");
    }
    ASSERT_EQ(idle.size(), 64u);
    QThread::msleep(100);
    for (int round = 0; round < 3; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(Body("/a.txt"), "hello text\n");
        EXPECT_LT(MsSince(t0), 1000);
    }
    EXPECT_LE(server->CreatedChannels(), HttpSrvr::max_chnnl);
    // Past the first-byte limit the silent ones are closed by the server.
    QThread::msleep(900);
    int closedByServer = 0;
    for (int fd : idle) {
        bool closed = false;
        ReadAll(fd, 50, &closed);
        closedByServer += closed ? 1 : 0;
        ::close(fd);
    }
    EXPECT_GE(closedByServer, 56);
    QThread::msleep(1500);
    EXPECT_LE(OpenFds() - before, 1);
    EXPECT_EQ(server->BusyChannels(), 0);
}

TEST_F(RobustTest, ManyConcurrentConnectionsAreAllAnsweredAndLeaveNothingBehind) {
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    EXPECT_EQ(Body("/a.txt"), "hello text\n");
    QThread::msleep(100);
    const int before = OpenFds();
    constexpr int kClients = 300;
    std::vector<int> fds;
    for (int i = 0; i < kClients; ++i) fds.push_back(ConnectLocal(port));
    for (int fd : fds) {
        ASSERT_GE(fd, 0);
        SendRaw(fd, "GET /a.txt HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    }
    int answered = 0;
    int refused = 0;
    for (int fd : fds) {
        const Reply r = Split(ReadAll(fd, 5000));
        if (r.status() == "HTTP/1.0 200 OK" && r.body == "hello text\n") ++answered;
        if (r.status() == "HTTP/1.0 503 Service Unavailable") ++refused;
        ::close(fd);
    }
    EXPECT_EQ(answered + refused, kClients);
    EXPECT_GT(answered, 0);
    QThread::msleep(300);
    EXPECT_LE(OpenFds() - before, 1);
    EXPECT_EQ(server->BusyChannels(), 0);
}

TEST_F(RobustTest, HeadsAreReadHoweverTheyArrive) {
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    // In pieces, with bare line feeds.
    int fd = ConnectLocal(port);
    for (const char* piece : {"GET /a.t", "xt HTTP/1.0\n", "Host: localhost\n", "\n"}) {
        SendRaw(fd, piece);
        QThread::msleep(30);
    }
    EXPECT_EQ(Split(ReadAll(fd, 3000)).body, "hello text\n");
    ::close(fd);
    // A request line and then the end of the client's sending.
    fd = ConnectLocal(port);
    SendRaw(fd, "GET /a.txt HTTP/1.0\r\n");
    ::shutdown(fd, SHUT_WR);
    EXPECT_EQ(Split(ReadAll(fd, 3000)).body, "hello text\n");
    ::close(fd);
    // Header fields beyond any browser's are not kept.
    const QByteArray big = "GET /a.txt HTTP/1.0\r\nX: " + QByteArray(20000, 'x') + "\r\n\r\n";
    EXPECT_TRUE(Exchange(port, big).isEmpty());
    EXPECT_TRUE(ErrLog().contains("HttpSrvr ResReq Error2 : request line too long"));
}

TEST_F(RobustTest, StartStopAndNotInUse) {
    // Missing settings: not in use, logged.
    QFile::remove(home.File(QStringLiteral("server/opt.ini")));
    EXPECT_EQ(server->Start(), HttpSrvr::kNotInUse);
    EXPECT_EQ(server->Port(), -1);
    EXPECT_TRUE(ErrLog().contains("WinSrvr HttpServerOpt Files Error : no data"));
    WriteOpt(QStringLiteral("use=0\nport=0\n"));
    EXPECT_EQ(server->Start(), HttpSrvr::kNotInUse);

    WriteOpt(QStringLiteral("use=1\nport=0\n"));
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    EXPECT_EQ(server->Start(), HttpSrvr::kRunning);
    EXPECT_EQ(Body("/a.txt"), "hello text\n");

    // Stopped: a connection waits in the backlog and is served after start.
    server->Stop();
    EXPECT_EQ(server->GetState(), HttpSrvr::kStopped);
    QThread::msleep(300);
    const int fd = ConnectLocal(port);
    ASSERT_GE(fd, 0);
    SendRaw(fd, "GET /a.txt HTTP/1.0\r\n\r\n");
    EXPECT_TRUE(ReadAll(fd, 500).isEmpty());
    home.Write(QStringLiteral("log/a.txt"), "changed\n");
    EXPECT_EQ(server->Start(), HttpSrvr::kRunning);
    EXPECT_EQ(server->Port(), port);
    EXPECT_EQ(Split(ReadAll(fd, 3000)).body, "changed\n");
    ::close(fd);

    // A new port takes effect at the next start; the old one is let go.
    const int probe = HttpSrvrListen(QStringLiteral("127.0.0.1"), 0, 1, nullptr);
    ASSERT_GE(probe, 0);
    const int newPort = HttpSrvrBoundPort(probe);
    ::close(probe);
    server->Stop();
    WriteOpt(QStringLiteral("use=1\nport=") + QString::number(newPort) + u'\n');
    EXPECT_EQ(server->Start(), HttpSrvr::kRunning);
    EXPECT_EQ(server->Port(), newPort);
    EXPECT_EQ(Split(Get(newPort, "/a.txt")).body, "changed\n");
    EXPECT_EQ(ConnectLocal(port), -1);

    // Switching "use" off while stopped leaves the server not in use.
    server->Stop();
    WriteOpt(QStringLiteral("use=0\nport=0\n"));
    EXPECT_EQ(server->Start(), HttpSrvr::kNotInUse);
    EXPECT_EQ(ConnectLocal(newPort), -1);

    // A port out of range is refused and not reported as running.
    WriteOpt(QStringLiteral("use=1\nport=70000\n"));
    EXPECT_EQ(server->Start(), HttpSrvr::kNotStarted);
    EXPECT_TRUE(ErrLog().contains("HttpSrvr Init Error2 : port out of range: 70000"));
}

TEST_F(RobustTest, ServerLogLines) {
    ASSERT_EQ(StartServer(), HttpSrvr::kRunning);
    EXPECT_EQ(Body("/a.txt"), "hello text\n");
    server->Shutdown();
    const QString log = QString::fromUtf8(home.Read(QStringLiteral("log/2006_03_09.log")));
    const QStringList lines = log.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 10);
    // Every message is a time line followed by a memory line.
    for (int i = 0; i + 1 < lines.size(); i += 2) {
        EXPECT_TRUE(lines[i].startsWith(QStringLiteral("2006/03/09 - 07:05:02 ")))
            << lines[i].toStdString();
        EXPECT_TRUE(lines[i + 1].contains(
            QRegularExpression(QStringLiteral("^>>Mem   use [0-9]+  total [0-9]+$"))))
            << lines[i + 1].toStdString();
    }
    EXPECT_TRUE(log.contains(QRegularExpression(
        QStringLiteral("07:05:02 [^\n]*START Web_Server port=") + QString::number(port) + u'\n')));
    EXPECT_TRUE(log.contains(QStringLiteral(" Cliant>> GET /a.txt HTTP/1.0\n")));
    EXPECT_TRUE(
        log.contains(QStringLiteral(" SocketAddress>> /127.0.0.1:") + QString::number(port)));
    EXPECT_TRUE(log.contains(
        QRegularExpression(QStringLiteral(" RemoteSocketAddress>> /127.0.0.1:[0-9]+\n"))));
    EXPECT_TRUE(log.contains(QStringLiteral(" END\n")));
    EXPECT_TRUE(log.contains(QRegularExpression(QStringLiteral("End Web_Server\n>>Mem[^\n]*\n$"))));
}

}  // namespace
}  // namespace korvi::test
