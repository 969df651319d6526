// Serves a folder through HttpSrvr for an outside load generator, or, with no
// arguments, measures sequential requests against a small generated folder.
//
//   bench_server_bench                 self-contained figures
//   bench_server_bench FOLDER SECONDS  serve FOLDER on a free port for SECONDS,
//                                      printing "port=N" first
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <thread>

#include "server/HttpSrvr.h"
#include "shell/Clock.h"
#include "shell/Context.h"

using namespace korvi;

namespace {

// A plain directory page, standing in for the template engine.
HttpSrvrDocs PlainDocs() {
    HttpSrvrDocs d;
    d.getOutRtName = [](const QString&) { return QStringLiteral("body.html"); };
    d.renderDir = [](const QString&, const QString&, const HttpDocValues& v) {
        QString out = QStringLiteral("<html><body><h1>") + v.Value("^page_url") +
                      QStringLiteral("</h1><ul>\n");
        const QStringList names = v.List("^file_name1");
        const QStringList links = v.List("^file_name2");
        for (int i = 0; i < names.size(); ++i) {
            out += QStringLiteral("<li><a href=\"") + links.value(i) + QStringLiteral("\">") +
                   names.value(i) + QStringLiteral("</a></li>\n");
        }
        return out + QStringLiteral("</ul></body></html>\n");
    };
    return d;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

qint64 FetchOnce(int port, const char* path) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    char req[256];
    const int n = std::snprintf(req, sizeof req, "GET %s HTTP/1.0\r\n\r\n", path);
    if (::send(fd, req, n, 0) != n) {
        ::close(fd);
        return -1;
    }
    qint64 total = 0;
    char buf[16384];
    for (ssize_t got; (got = ::recv(fd, buf, sizeof buf, 0)) > 0;) total += got;
    ::close(fd);
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    const QString folder = argc >= 3 ? QDir(QString::fromLocal8Bit(argv[1])).absolutePath()
                                     : home.path() + QStringLiteral("/log");
    const int seconds = argc >= 3 ? std::atoi(argv[2]) : 0;
    if (argc < 3) {
        WriteFile(folder + QStringLiteral("/static.html"), QByteArray(10 * 1024, 'k'));
        for (int i = 0; i < 20; ++i) {
            WriteFile(folder + QStringLiteral("/dir/f") + QString::number(i) + ".txt", "x");
        }
    }
    WriteFile(home.path() + QStringLiteral("/server/opt.ini"),
              "[HttpServer]\nuse=1\nport=0\naccess=0\n");
    WriteFile(home.path() + QStringLiteral("/server/cntnt.txt"),
              "Directory\ttext/html\nhtml\ttext/html\ntxt\ttext/plain\n");
    SystemClock clock;
    Context ctx(home.path(), clock);
    ctx.Ctrl().SetLogRoot(folder);
    ctx.Ctrl().SetRunId(QStringLiteral("bench"));
    HttpSrvr server(ctx);
    server.SetDocs(PlainDocs());
    if (server.Start() != HttpSrvr::kRunning) {
        std::fprintf(stderr, "server did not start\n");
        return 1;
    }
    const int port = server.Port();
    if (seconds > 0) {
        std::printf("port=%d\n", port);
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        return 0;
    }
    for (const char* path : {"/static.html", "/dir/"}) {
        const int n = 2000;
        const auto t0 = std::chrono::steady_clock::now();
        qint64 bytes = 0;
        for (int i = 0; i < n; ++i) bytes += FetchOnce(port, path);
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::printf("%-14s %6d sequential requests  %8.0f req/s  %8.1f MB/s\n", path, n, n / s,
                    bytes / s / 1e6);
    }
    return 0;
}
