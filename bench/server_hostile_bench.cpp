// The local server under hostile load, in one process on 127.0.0.1: idle
// sockets that are opened again whenever they close, eight clients running
// store searches over and over, and one client browsing a page and a folder
// every 100 ms. Afterwards a burst of concurrent connections. Prints the
// worst browsing answer time, failed browsing requests, the peak memory and
// what the burst left behind.
//
//   bench_server_hostile_bench [FILES [SECONDS [STORE]]]
//     FILES    files in the store (default 100000, 1000 per folder)
//     SECONDS  length of the load (default 30)
//     STORE    folder for the generated store, kept for the next run
//              (default: a temporary folder)
//
// It uses only the server's start-up interface, so the same file builds
// against earlier versions: copy it into an older checkout's bench/ to get
// the figures before a change, and run both on one STORE.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "server/HttpSrvr.h"
#include "server/ServerDocs.h"
#include "shell/Clock.h"
#include "shell/Context.h"
#include "shell/HomeFolder.h"

using namespace korvi;
using Clk = std::chrono::steady_clock;

namespace {

constexpr int kIdleSockets = 64;
constexpr int kSearchers = 8;
constexpr int kBurst = 1000;

double Ms(Clk::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

long StatusKb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(key)) return line.mid(qstrlen(key)).trimmed().split(' ').at(0).toLong();
    }
    return -1;
}

int OpenFds() {
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).count()) - 2;
}

int Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

// One exchange; "" on failure or after timeoutMs without the whole answer.
QByteArray Fetch(int port, const QByteArray& path, int timeoutMs = 35000) {
    const int fd = Connect(port);
    if (fd < 0) return QByteArray();
    const QByteArray req =
        "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1:" + QByteArray::number(port) + "\r\n\r\n";
    QByteArray out;
    if (::send(fd, req.constData(), req.size(), MSG_NOSIGNAL) == req.size()) {
        const auto end = Clk::now() + std::chrono::milliseconds(timeoutMs);
        char buf[16384];
        for (;;) {
            const int left = static_cast<int>(Ms(end - Clk::now()));
            pollfd p{fd, POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, left) <= 0) {
                out.clear();
                break;
            }
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n < 0) out.clear();
            if (n <= 0) break;
            out.append(buf, n);
        }
    }
    ::close(fd);
    return out;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

void MakeStore(const QString& root, int files) {
    if (QFileInfo::exists(root + QStringLiteral("/.made") + QString::number(files))) return;
    const QByteArray text =
        "The quick brown fox jumps over the lazy dog; 日本語の文章もここに少しあります。\n";
    for (int i = 0; i < files; ++i) {
        const QString dir = root + QStringLiteral("/d") + QString::number(i / 1000);
        if (i % 1000 == 0) QDir().mkpath(dir);
        QFile f(dir + QStringLiteral("/f") + QString::number(i) + QStringLiteral(".html"));
        if (f.open(QIODevice::WriteOnly)) f.write(i % 997 == 0 ? text + "needle\n" : text);
    }
    WriteFile(root + QStringLiteral("/static.html"), QByteArray(10 * 1024, 'k'));
    WriteFile(root + QStringLiteral("/.made") + QString::number(files), "");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    QTemporaryDir tmp;
    const QString store = argc > 3 ? QDir(QString::fromLocal8Bit(argv[3])).absolutePath()
                                   : tmp.path() + QStringLiteral("/store");
    std::printf("store: %d files in %s\n", files, qPrintable(store));
    std::fflush(stdout);
    MakeStore(store, files);

    const QString home = tmp.path() + QStringLiteral("/home");
    QString error;
    HomeFolder::Prepare(home, QCoreApplication::applicationDirPath() + QStringLiteral("/data"),
                        &error);
    WriteFile(home + QStringLiteral("/server/opt.ini"),
              "[HttpServer]\nuse=1\nport=0\nq_reload_sec=1\naccess=0\n");
    SystemClock clock;
    Context ctx(home, clock);
    ctx.Ctrl().SetLogRoot(store);
    ctx.Ctrl().SetRunId(QStringLiteral("bench"));
    HttpSrvr server(ctx);
    ServerDocs::Wire(server, ctx.Ctrl(), ctx.Match());
    if (server.Start() != HttpSrvr::kRunning) {
        std::fprintf(stderr, "server did not start\n");
        return 1;
    }
    const int port = server.Port();
    Fetch(port, "/static.html");
    const long rssStart = StatusKb("VmRSS:");
    const int fdsStart = OpenFds();

    std::atomic<bool> done{false};
    std::atomic<long> peakKb{rssStart};
    std::thread monitor([&] {
        while (!done) {
            peakKb = std::max(peakKb.load(), StatusKb("VmRSS:"));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    // Idle sockets: opened again when the server lets one go, and every 10 s.
    std::thread idle([&] {
        std::vector<int> fds(kIdleSockets, -1);
        auto opened = Clk::now();
        while (!done) {
            const bool renew = Clk::now() - opened > std::chrono::seconds(10);
            if (renew) opened = Clk::now();
            for (int& fd : fds) {
                char b;
                const bool gone = fd >= 0 && ::recv(fd, &b, 1, MSG_DONTWAIT) == 0;
                if (fd >= 0 && (gone || renew)) {
                    ::close(fd);
                    fd = -1;
                }
                if (fd < 0) fd = Connect(port);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        for (int fd : fds) {
            if (fd >= 0) ::close(fd);
        }
    });
    // Searchers: a full walk for a rare word, or an extraction of everything.
    std::atomic<int> searches{0};
    std::atomic<int> busyPages{0};
    std::vector<std::thread> searchers;
    for (int i = 0; i < kSearchers; ++i) {
        searchers.emplace_back([&, i] {
            const QByteArray query = i % 2 ? "/Korvi?act=log_srch&srch_word=needle"
                                           : "/Korvi?act=log_srch&srch_type=extrct&flt_r=all";
            static const QRegularExpression re(QStringLiteral("url=(Korvi\\?act=res&id=[^\"]+)"));
            while (!done) {
                const QByteArray wait = Fetch(port, query);
                const auto m = re.match(QString::fromLatin1(wait));
                if (!m.hasMatch()) {
                    if (wait.contains(" 503 ")) ++busyPages;
                    std::this_thread::sleep_for(std::chrono::milliseconds(500));
                    continue;
                }
                const QByteArray res = "/" + m.captured(1).toLatin1();
                while (!done && Fetch(port, res).contains("Wait...")) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                }
                ++searches;
            }
        });
    }
    // Browsing: the measured client.
    double worstMs = 0;
    int browsed = 0;
    int failed = 0;
    const auto end = Clk::now() + std::chrono::seconds(seconds);
    while (Clk::now() < end) {
        for (const char* path : {"/static.html", "/d0/"}) {
            const auto t0 = Clk::now();
            const QByteArray reply = Fetch(port, path);
            worstMs = std::max(worstMs, Ms(Clk::now() - t0));
            ++browsed;
            if (!reply.startsWith("HTTP/1.0 200")) ++failed;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    done = true;
    idle.join();
    for (std::thread& t : searchers) t.join();
    const long peakLoadKb = peakKb.load();

    // The burst: every connection at once, each answered or refused.
    std::atomic<int> answered{0};
    std::atomic<int> refused{0};
    std::atomic<int> lost{0};
    const auto b0 = Clk::now();
    {
        std::vector<std::thread> burst;
        for (int i = 0; i < kBurst; ++i) {
            burst.emplace_back([&] {
                const QByteArray r = Fetch(port, "/static.html");
                if (r.startsWith("HTTP/1.0 200")) {
                    ++answered;
                } else if (r.startsWith("HTTP/1.0 503")) {
                    ++refused;
                } else {
                    ++lost;
                }
            });
        }
        for (std::thread& t : burst) t.join();
    }
    const double burstMs = Ms(Clk::now() - b0);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const long rssAfter = StatusKb("VmRSS:");
    const int fdsAfter = OpenFds();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    done = true;
    monitor.join();

    std::printf("load %d s: %d idle sockets, %d searchers, browsing every 100 ms\n", seconds,
                kIdleSockets, kSearchers);
    std::printf("  browsing: %d requests, %d failed, worst answer %.0f ms\n", browsed, failed,
                worstMs);
    std::printf("  searches finished: %d, busy pages: %d\n", searches.load(), busyPages.load());
    std::printf("  memory: %ld MB at start, peak %ld MB during the load\n", rssStart / 1024,
                peakLoadKb / 1024);
    std::printf("burst of %d connections: %d answered, %d refused (503), %d lost, %.0f ms\n",
                kBurst, answered.load(), refused.load(), lost.load(), burstMs);
    std::printf("  after: memory %ld MB, descriptors %d (at start %d)\n", rssAfter / 1024, fdsAfter,
                fdsStart);
    server.Shutdown();
    return 0;
}
