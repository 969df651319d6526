#include "engine/render/BrowserProcess.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace korvi {

namespace {

// Moves a descriptor above the ones the child is given, close-on-exec.
int Lift(int fd) {
    const int high = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
    ::close(fd);
    return high;
}

// Waits up to ms for the child to end; true when it was reaped.
bool Reap(pid_t pid, int ms) {
    for (int waited = 0;; waited += 20) {
        const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD)) return true;
        if (waited >= ms) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

BrowserProcess::~BrowserProcess() {
    Stop();
}

QString BrowserProcess::FindChromium() {
    for (const char* name : {"chromium", "chromium-browser"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty()) return path;
    }
    return QString();
}

QStringList BrowserProcess::Arguments(const QString& profileDir, const QString& userAgent) {
    QStringList args{QStringLiteral("--headless=new"),
                     QStringLiteral("--disable-gpu"),
                     QStringLiteral("--disable-background-timer-throttling"),
                     QStringLiteral("--disable-renderer-backgrounding"),
                     QStringLiteral("--disable-backgrounding-occluded-windows"),
                     QStringLiteral("--no-first-run"),
                     QStringLiteral("--no-default-browser-check"),
                     QStringLiteral("--disable-background-networking"),
                     QStringLiteral("--disable-sync"),
                     QStringLiteral("--disable-component-update"),
                     QStringLiteral("--remote-debugging-pipe"),
                     QStringLiteral("--user-data-dir=") + profileDir};
    if (!userAgent.isEmpty()) args << QStringLiteral("--user-agent=") + userAgent;
    // The sandbox refuses to run as root.
    if (::geteuid() == 0) args << QStringLiteral("--no-sandbox");
    args << QStringLiteral("about:blank");
    return args;
}

bool BrowserProcess::Start(const QString& program, const QString& userAgent, int* toBrowser,
                           int* fromBrowser, QString* error) {
    Stop();
    if (program.isEmpty() || !QFile::exists(program)) {
        *error = QStringLiteral("no browser");
        return false;
    }
    profile_ =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/korvi-render-XXXXXX"));
    if (!profile_->isValid()) {
        *error = profile_->errorString();
        return false;
    }
    // Sockets rather than pipes, so a write to a dead browser fails instead of
    // raising SIGPIPE.
    int in[2], out[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, out) != 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    for (int* fd : {&in[0], &in[1], &out[0], &out[1]}) *fd = Lift(*fd);

    std::vector<std::string> strings{program.toStdString()};
    for (const QString& a : Arguments(profile_->path(), userAgent))
        strings.push_back(a.toStdString());
    std::vector<char*> argv;
    for (std::string& s : strings) argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_adddup2(&actions, in[1], 3);   // the browser reads commands here
    posix_spawn_file_actions_adddup2(&actions, out[1], 4);  // and writes answers here
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(in[1]);
    ::close(out[1]);
    if (rc != 0) {
        ::close(in[0]);
        ::close(out[0]);
        *error = QString::fromLocal8Bit(strerror(rc));
        return false;
    }
    pid_ = pid;
    *toBrowser = in[0];
    *fromBrowser = out[0];
    return true;
}

void BrowserProcess::Stop() {
    if (pid_ > 0) {
        ::kill(-pid_, SIGTERM);
        if (!Reap(pid_, 3000)) {
            ::kill(-pid_, SIGKILL);
            Reap(pid_, 3000);
        }
        // Helpers that outlived the main process go too.
        ::kill(-pid_, SIGKILL);
        pid_ = -1;
    }
    profile_.reset();
}

qint64 BrowserProcess::GroupRssKb(pid_t group, bool proportional) {
    if (group <= 0) return 0;
    qint64 kb = 0;
    const long page = ::sysconf(_SC_PAGESIZE) / 1024;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        entry.toInt(&number);
        if (!number) continue;
        QFile f(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QByteArray stat = f.readAll();
        // Fields after the command's closing parenthesis: state ppid pgrp ... rss is the 24th.
        const qsizetype close = stat.lastIndexOf(')');
        if (close < 0) continue;
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        if (fields.size() < 22 || fields[2].toLongLong() != group) continue;
        if (!proportional) {
            kb += fields[21].toLongLong() * page;
            continue;
        }
        QFile rollup(QStringLiteral("/proc/") + entry + QStringLiteral("/smaps_rollup"));
        if (!rollup.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : rollup.readAll().split('\n')) {
            if (line.startsWith("Pss:"))
                kb += line.mid(4).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return kb;
}

}  // namespace korvi
